#include "app/Paths.h"

std::wstring FolderOf(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    return pos == std::wstring::npos ? std::wstring() : path.substr(0, pos);
}

std::wstring FileNameOf(const std::wstring& path) {
    size_t pos = path.rfind(L'\\');
    return pos == std::wstring::npos ? path : path.substr(pos + 1);
}

bool IsFullPath(const std::wstring& path) {
    if (path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/')) {
        wchar_t d = path[0];
        return (d >= L'A' && d <= L'Z') || (d >= L'a' && d <= L'z');
    }
    return path.size() > 2 && path[0] == L'\\' && path[1] == L'\\';
}

std::wstring JoinPath(const std::wstring& a, const std::wstring& b) { return a + L"\\" + b; }
