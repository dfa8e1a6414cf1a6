// Times the skinned message box against the system's MessageBoxW under Wine,
// from inside the process so Wine's start-up is not counted. Each round
// shows a box and answers it with IDOK from a timer, which fires only once
// the box has been shown and painted (timers come after paints).
//   skin_probe ROUNDS
// Prints "skinned S" and "system S": the median seconds of one round.
#include <windows.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "widgets/MessageBox.h"

namespace {
const wchar_t kTitle[] = L"关闭提示";
const wchar_t kText[] = L"是否退出Vexaria极速登录器？";

BOOL CALLBACK FindBox(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (!::IsWindowVisible(hwnd) || std::wcscmp(cls, L"#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
}

void CALLBACK AnswerOk(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = nullptr;
    ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
    if (!box) return;
    ::KillTimer(nullptr, timer);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
}

template <typename Show>
double MedianSeconds(int rounds, Show show) {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        ::SetTimer(nullptr, 0, 1, AnswerOk);
        ::QueryPerformanceCounter(&start);
        show();
        ::QueryPerformanceCounter(&end);
        times.push_back(double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? std::max(1, _wtoi(argv[1])) : 10;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    auto skinned = [] { ShowMessageBox(kTitle, kText, nullptr); };
    auto system = [] { ::MessageBoxW(nullptr, kText, kTitle, MB_OKCANCEL); };
    MedianSeconds(1, skinned);  // load fonts, images and classes once
    MedianSeconds(1, system);
    const double a = MedianSeconds(rounds, skinned);
    const double b = MedianSeconds(rounds, system);
    std::printf("skinned %.4f\nsystem %.4f\n", a, b);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
