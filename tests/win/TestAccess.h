// The Windows tests' one way into the state a class keeps to itself: each
// class the tests look into names its <Class>TestAccess a friend, and the
// struct is defined here, once, with only what the tests read or set.
#pragma once

#include <windows.h>

#include <string>

#include "browser/MyHtmlView.h"
#include "browser/WebBrowserBase.h"
#include "login/DownloadProgress.h"
#include "login/LoginDlg.h"
#include "update/UpdateKey.h"
#include "update/UpdateTask.h"
#include "widgets/Images.h"
#include "widgets/TouchButton.h"

struct CWebBrowserBaseTestAccess {
    static LONG RefCount(const CWebBrowserBase& host) { return host.m_lRefCount; }
    static const RECT& Pos(const CWebBrowserBase& host) { return host.m_rcPos; }
    static bool InPlaceActive(const CWebBrowserBase& host) { return host.m_bInPlaceActive; }
    static IOleObject* OleObject(const CWebBrowserBase& host) { return host.m_pOleObject.Get(); }
    static IOleInPlaceObject* InPlaceObject(const CWebBrowserBase& host) { return host.m_pInPlaceObject.Get(); }
    static IStorage* Storage(const CWebBrowserBase& host) { return host.m_pStorage.Get(); }
};

struct CKestroLoginTestAccess {
    static WebFormLogin* Browser(const CKestroLogin& login) { return login.m_pBrowser.get(); }
};

struct CMyHtmlViewTestAccess {
    static bool IsClickSinkConnected(const CMyHtmlView& view) { return view.m_dwCookie != 0; }
};

struct CDownloadProgressTestAccess {
    static RECT Area() { return CDownloadProgress::Area(); }
};

struct CTouchButtonTestAccess {
    // The tool-tip window, or null.
    static HWND ToolTipWindow(const CTouchButton& button) { return button.m_pTip; }
};

struct CMyMemDCTestAccess {
    static const RECT& Rect(const CMyMemDC& dc) { return dc.m_rect; }
    static bool IsBuffered(const CMyMemDC& dc) { return dc.m_bMemDC != FALSE; }
};

struct CUpdateTaskTestAccess {
    static const std::wstring& DownloadPath(const CUpdateTask& task) { return task.m_downloadPath; }
    static const std::wstring& InstalledPath(const CUpdateTask& task) { return task.m_installedPath; }
    // The key a download's signature must verify under; nullptr: no check.
    static void CheckSignaturesWith(CUpdateTask& task, const UpdateKey* key) { task.m_updateKey = key; }
};
