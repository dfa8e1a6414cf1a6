// Every confirmation of the client: a modal box with OK and Cancel that
// answers IDOK or IDCANCEL.
#pragma once

#include <windows.h>

#include <string>

INT_PTR ShowMessageBox(const std::wstring& title, const std::wstring& text, HWND owner = nullptr);
