#include "app/App.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "app/CommandLine.h"
#include "app/Modes.h"
#include "base/Owners.h"
#include "mainwnd/MainDlg.h"

CKestro_V5App theApp;

BOOL CKestro_V5App::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    SetRegistryKey(kRegistryKey);
    Gdiplus::GdiplusStartupInput gdiplus;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &gdiplus, nullptr);

    const std::wstring commandLine = ::GetCommandLineW();
    switch (ClassifyCommandLine(commandLine)) {
    case StartMode::HandOver:
        RunHandOver(commandLine);  // returns only when the normal mode follows
        RunNormalMode();
        break;
    case StartMode::UninstallStageOne:
        RunUninstallStageOne();
        break;
    case StartMode::UninstallStageTwo:
        RunUninstallStageTwo(commandLine);
        break;
    case StartMode::Normal:
        RunNormalMode();
        break;
    }
    return FALSE;
}

int CKestro_V5App::ExitInstance() {
    if (m_gdiplusToken) Gdiplus::GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return 0;
}

void CKestro_V5App::RunNormalMode() {
    CKestro_V5Dlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
}

std::wstring CKestro_V5App::ProfileKeyPath(const wchar_t* section) const {
    return L"Software\\" + m_registryKey + L"\\" + AppName() + L"\\" + section;
}

std::wstring CKestro_V5App::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                             const wchar_t* defaultValue) const {
    RegKey key;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0, bytes = 0;
    if (::RegQueryValueExW(key.Get(), entry, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS || type != REG_SZ)
        return defaultValue;
    std::wstring value(bytes / sizeof(wchar_t) + 1, L'\0');
    if (::RegQueryValueExW(key.Get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value[0]), &bytes) !=
        ERROR_SUCCESS)
        return defaultValue;
    value.resize(wcsnlen(value.c_str(), value.size()));
    return value;
}

bool CKestro_V5App::WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) const {
    RegKey key;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, ProfileKeyPath(section).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_WRITE, nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.Get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) ==
           ERROR_SUCCESS;
}
