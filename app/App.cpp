#include "app/App.h"

#include <commctrl.h>
#include <gdiplus.h>

#include <string>

#include "app/CommandLine.h"
#include "app/Modes.h"
#include "mainwnd/MainDlg.h"

CKestro_V5App theApp;

BOOL CKestro_V5App::InitInstance() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // The profile's company key is fixed (kRegistryKey, app/Profile.h).
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
