// Real files for the Windows tests: a fresh folder per test under %TEMP%.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

inline bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline bool EndsWith(const std::wstring& text, const std::wstring& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

inline std::string ReadAll(const std::wstring& path) {
    std::string data;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return data;
    char buf[65536];
    DWORD n = 0;
    while (ReadFile(f, buf, sizeof(buf), &n, nullptr) && n) data.append(buf, n);
    CloseHandle(f);
    return data;
}

inline bool WriteAll(const std::wstring& path, const std::string& data) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD n = 0;
    BOOL ok = WriteFile(f, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
    CloseHandle(f);
    return ok && n == data.size();
}

// Deletes a tree for good (not into the recycle bin).
inline void RemoveTree(const std::wstring& path) {
    std::vector<wchar_t> from(path.begin(), path.end());
    from.resize(path.size() + 2, L'\0');
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.data();
    op.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    SHFileOperationW(&op);
}

class TempFolder {
public:
    explicit TempFolder(const std::wstring& name) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::wstring base = std::wstring(temp) + L"vexa-tests";
        CreateDirectoryW(base.c_str(), nullptr);
        root_ = base + L"\\" + name;
        RemoveTree(root_);
        CreateDirectoryW(root_.c_str(), nullptr);
    }
    ~TempFolder() { RemoveTree(root_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Root() const { return root_; }
    std::wstring Path(const std::wstring& rel) const { return root_ + L"\\" + rel; }
    std::wstring File(const std::wstring& rel, const std::string& content) const {
        std::wstring p = Path(rel);
        WriteAll(p, content);
        return p;
    }
    std::wstring Folder(const std::wstring& rel) const {
        std::wstring p = Path(rel);
        CreateDirectoryW(p.c_str(), nullptr);
        return p;
    }

private:
    std::wstring root_;
};
