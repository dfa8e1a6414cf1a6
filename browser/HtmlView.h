// A child window that hosts the WebBrowser control over its whole client
// area, the way an HTML view of a framework does. The control's site is the
// login browser's container (WebBrowserBase.h) with the view's own answers
// where they differ; it turns the completed documents into a virtual call.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include <memory>
#include <string>

#include "base/Owners.h"
#include "base/Window.h"
#include "browser/WebBrowserBase.h"

class CHtmlView : public CWindow {
public:
    // The control's site inside the view.
    class CSite : public CWebBrowserBase {
    public:
        explicit CSite(CHtmlView& view) : CWebBrowserBase(DeferControl()), m_view(view) {}
        // Makes the control and activates it over the whole view. Made here,
        // not in the constructor, so that the control's first calls (its
        // parent window, its host's answers) already reach the whole site.
        bool Embed() { return CreateControl() && InPlaceActivate(); }
        // Covers rect with the control, its extent untouched.
        using CWebBrowserBase::PlaceControl;

        HWND GetHostWindow() override { return m_view.m_hWnd; }
        void OnDocumentComplete(std::wstring url) override { m_view.OnDocumentComplete(url); }
        // The control may move itself inside the view.
        STDMETHODIMP OnPosRectChange(const RECT* pos) override;
        // The browser keeps its default border and scroll bars.
        STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override;

    private:
        CHtmlView& m_view;
    };

    CHtmlView() = default;

    // Creates the view window and the control inside it. False when the
    // window could not be created; a view whose control failed stays empty.
    bool Create(const wchar_t* windowName, DWORD style, const RECT& rect, HWND parent, UINT id);
    // A plain navigation: no flags, target frame, headers or post data.
    bool Navigate(const std::wstring& url);
    void Refresh();
    IWebBrowser2* GetWebBrowser() const { return m_site ? m_site->GetWebBrowser() : nullptr; }
    // The top-level document of the control, referenced; null before any.
    ComPtr<IDispatch> GetHtmlDocument() const;

    // Offers the message to the control's accelerators.
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // The site the view's control gets; a view may bring its own, as the
    // framework lets it.
    virtual std::unique_ptr<CSite> CreateSite() { return std::make_unique<CSite>(*this); }
    // Every completed document, frames included; the default does nothing.
    virtual void OnDocumentComplete(const std::wstring& url) {}

    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    RECT ClientRect() const;

    // Closes the control when the view goes.
    std::unique_ptr<CSite> m_site;
};
