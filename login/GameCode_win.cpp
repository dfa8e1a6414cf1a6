#include "login/GameCode.h"

#include "login/AdapterAddress.h"

void BuildLoginUrl(std::wstring& url) { BuildLoginUrl(url, ReadAdapterAddress()); }
