#include "update/VersionAnswer.h"

#include <cwchar>

bool NamesNewClient(const VersionAnswer& answer) {
    if (answer.cut || answer.text.size() <= 5) return false;
    return std::wcstol(answer.text.c_str(), nullptr, 10) >= 0;
}
