// The application object: start-up, the choice of the start mode, shutdown.
#pragma once

#include <windows.h>

#include <string>

class CWindow;

class CKestro_V5App {
public:
    CKestro_V5App() = default;
    virtual ~CKestro_V5App() = default;

    // Runs the start-up steps and exactly one mode to its end. Always false:
    // no message loop follows it.
    virtual BOOL InitInstance();
    // Shuts GDI+ down; the result is the process's exit code.
    virtual int ExitInstance();

    // The application profile under HKCU\Software\<registry key>\<app name>.
    std::wstring GetProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* defaultValue) const;
    bool WriteProfileString(const wchar_t* section, const wchar_t* entry, const std::wstring& value) const;

    // The name the application is known by: the profile's key, the internet
    // user agent.
    static const wchar_t* AppName() { return L"Kestro_V5"; }
    // The profile's company key; set again at start-up, and from the start
    // so the profile works in the tests too.
    static constexpr const wchar_t* kRegistryKey = L"应用程序向导生成的本地应用程序";

    CWindow* m_pMainWnd = nullptr;

private:
    void SetRegistryKey(const wchar_t* company) { m_registryKey = company; }
    std::wstring ProfileKeyPath(const wchar_t* section) const;
    void RunNormalMode();

    ULONG_PTR m_gdiplusToken = 0;
    std::wstring m_registryKey = kRegistryKey;
};

extern CKestro_V5App theApp;
