// Reading the arguments of the browser's DWebBrowserEvents2 calls. The
// arguments arrive in reverse order: index 0 is the event's last argument.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

// The text of a string argument (by value, or a by-reference variant holding
// a string); empty when the argument is missing or not a string.
std::wstring EventArgText(const DISPPARAMS* params, UINT index);

// The pointer to a by-reference boolean argument (Cancel), or null.
VARIANT_BOOL* EventArgFlag(const DISPPARAMS* params, UINT index);

// An object argument (pDisp), not referenced; null when missing.
IDispatch* EventArgObject(const DISPPARAMS* params, UINT index);
