// testtool link: reads a .lnk file back through IShellLinkW and prints its
// fields as UTF-8 lines (the scenarios compare them with what the client
// should have saved).
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <string>

namespace shell_link_print {
inline void Line(const char* name, const wchar_t* value) {
    char utf8[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8, sizeof(utf8), nullptr, nullptr);
    std::printf("%s=%s\n", name, utf8);
}
}  // namespace shell_link_print

// Prints target=, arguments=, description=, icon=, icon_index=, show= lines;
// "error 0xHR" and 1 when the link cannot be loaded.
inline int PrintShellLink(const wchar_t* path) {
    using shell_link_print::Line;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link));
    IPersistFile* file = nullptr;
    if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(hr)) hr = file->Load(path, STGM_READ);
    if (SUCCEEDED(hr)) {
        wchar_t text[1024] = {};
        int index = 0, show = 0;
        link->GetPath(text, 1024, nullptr, SLGP_RAWPATH);
        Line("target", text);
        link->GetArguments(text, 1024);
        Line("arguments", text);
        link->GetDescription(text, 1024);
        Line("description", text);
        link->GetIconLocation(text, 1024, &index);
        Line("icon", text);
        link->GetShowCmd(&show);
        std::printf("icon_index=%d\nshow=%d\n", index, show);
    } else {
        std::printf("error 0x%08lx\n", static_cast<unsigned long>(hr));
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return SUCCEEDED(hr) ? 0 : 1;
}
