// The reference for start-up timing: the smallest Win32 program that maps a
// window, built with the same toolchain and flags as the client.
#include <windows.h>

static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = L"BareWindow";
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowW(L"BareWindow", L"BareWindow", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 700, nullptr,
                              nullptr, instance, nullptr);
    MSG msg;
    while (hwnd && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    return 0;
}
