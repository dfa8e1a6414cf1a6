// The small window layer the client's windows are built on: a window object
// bound to its HWND, control subclassing, message reflection to controls, and
// dialogs run modally through a loop that offers every message to
// PreTranslateMessage first.
#pragma once

#include <windows.h>

class CWindow {
public:
    HWND m_hWnd = nullptr;

    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    // The object bound to a window, or null.
    static CWindow* FromHandle(HWND hwnd);

    // Offered every message of a modal loop before it is dispatched, from the
    // target window up to its top-level window. True: the message is handled.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // Binds an existing control to this object (subclassing).
    bool SubclassWindow(HWND hwnd);
    bool SubclassDlgItem(int id, HWND parent);
    void UnsubclassWindow();

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool IsWindow() const { return m_hWnd && ::IsWindow(m_hWnd); }

protected:
    // The message map: return true when the message is handled and set
    // result; false lets the default processing run.
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Messages the parent reflects back to the control that caused them
    // (WM_DRAWITEM, WM_CTLCOLOR*).
    virtual bool OnReflectedMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // Called before a control is subclassed.
    virtual void PreSubclassWindow() {}
    // The default processing of the message being handled, for handlers that
    // do their part first.
    LRESULT Default(UINT msg, WPARAM wp, LPARAM lp);

    void Bind(HWND hwnd);
    void Unbind();
    // Asks the child that sent msg to handle it itself.
    static bool ReflectToChild(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    bool m_subclassed = false;
};

class CDialogBase : public CWindow {
public:
    explicit CDialogBase(UINT templateId) : m_templateId(templateId) {}
    ~CDialogBase() override;

    // Runs the dialog modally with its own message loop; returns the value
    // given to EndDialog, or -1 when the dialog could not be created or the
    // loop ended on WM_QUIT (which is posted again for the outer loop).
    INT_PTR DoModal(HWND owner = nullptr);
    // Creates the dialog modeless.
    bool Create(HWND parent);
    void EndDialog(INT_PTR result);
    void DestroyWindow();

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // The base initialisation binds the controls (DoDataExchange).
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange() {}
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    INT_PTR HandleDialogMessage(UINT msg, WPARAM wp, LPARAM lp);
    bool DispatchLoopMessage(MSG* msg);

    UINT m_templateId;
    bool m_modal = false;
    bool m_running = false;
    INT_PTR m_result = -1;
};

// Passes a message through the PreTranslateMessage chain of the window
// objects from msg->hwnd up to its top-level window.
bool WalkPreTranslate(MSG* msg);
