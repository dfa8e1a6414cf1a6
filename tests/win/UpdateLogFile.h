// The update log as the self-update tests read it: the messages of its lines,
// without the time stamps.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/FileUtils.h"
#include "tests/win/TestFiles.h"

inline std::wstring UpdateLogPath() { return GetDataFolder() + L"res\\update.log"; }

// A data folder with an empty res folder and no log, as after the first-run setup.
inline void StartWithoutLog() {
    const std::wstring folder = GetDataFolder();
    CreateDirectoryW(folder.substr(0, folder.size() - 6).c_str(), nullptr);  // ...\velmo
    CreateDirectoryW(folder.c_str(), nullptr);
    CreateDirectoryW((folder + L"res").c_str(), nullptr);
    DeleteFileW(UpdateLogPath().c_str());
}

// The message of every entry (UTF-16LE, CR LF): the text after the module name.
inline std::vector<std::wstring> UpdateLogMessages(size_t skipBytes = 0) {
    const std::string bytes = ReadAll(UpdateLogPath()).substr(skipBytes);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
    std::vector<std::wstring> messages;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find(L"\r\n", at);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring line = text.substr(at, end - at);
        const size_t module = line.find(L"\tUpdateModule\t");
        // A message with a line break of its own goes on in a line without stamp.
        if (module != std::wstring::npos) messages.push_back(line.substr(module + 14));
        else if (!messages.empty()) messages.back() += L"\r\n" + line;
        else messages.push_back(L"<no stamp> " + line);
        at = end + 2;
    }
    return messages;
}
