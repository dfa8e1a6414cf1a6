// The application object: start-up, the choice of the start mode, shutdown.
#pragma once

#include <windows.h>

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

    CWindow* m_pMainWnd = nullptr;

private:
    void RunNormalMode();

    ULONG_PTR m_gdiplusToken = 0;
};

extern CKestro_V5App theApp;
