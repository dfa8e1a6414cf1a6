#include "app/UpdateLog.h"

#include <windows.h>

#include <new>

#include "app/FileUtils.h"
#include "base/Owners.h"

namespace {
// Opens the log exclusively; creates it only when it cannot be opened. A file
// held by another writer fails both ways, so it is never truncated.
FileHandle OpenLogFile(const std::wstring& path) {
    const DWORD access = GENERIC_READ | GENERIC_WRITE;
    FileHandle file(::CreateFileW(path.c_str(), access, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) file.Reset(::CreateFileW(path.c_str(), access, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file;
}
}  // namespace

int WriteUpdateLog(const std::wstring& message) {
    try {
        const std::wstring folder = GetDataFolder();
        if (folder.empty()) return -1;
        SYSTEMTIME t;
        ::GetLocalTime(&t);
        const std::wstring line =
            FormatLogLine(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, message) + L"\r\n";

        FileHandle file = OpenLogFile(folder + L"res\\update.log");
        if (!file) return -1;
        if (::SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
            ::GetLastError() != NO_ERROR)
            return -1;
        const DWORD bytes = static_cast<DWORD>(line.size() * sizeof(wchar_t));
        DWORD written = 0;
        if (!::WriteFile(file.Get(), line.data(), bytes, &written, nullptr) || written != bytes) return -1;
        return 0;
    } catch (const std::bad_alloc&) {
        return -1;
    }
}
