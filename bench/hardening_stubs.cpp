// Empty stand-ins for the browser-emulation value, the downloaded client's
// check and the download's progress display: the bench links them instead
// (VEXA_BENCH_WITHOUT_HARDENING) to measure what the real ones cost.
#include "browser/BrowserEmulation.h"
#include "login/DownloadProgress.h"
#include "update/ClientCheck.h"

const wchar_t kBrowserEmulationKey[] = L"";
bool EnsureBrowserEmulation() { return true; }
bool RemoveBrowserEmulation(const std::wstring&) { return true; }

bool ReadHeldFile(HANDLE, std::vector<unsigned char>*, std::wstring*) { return true; }
bool CheckDownloadedClient(const std::vector<unsigned char>&, std::wstring*) { return true; }
bool ReadFileVersionNumber(const std::wstring&, unsigned long long*) { return false; }

RECT CDownloadProgress::Area() { return RECT{}; }
void CDownloadProgress::Show(HWND, HBRUSH, long long, long long) {}
void CDownloadProgress::Hide(HWND) {}
void CDownloadProgress::Paint(HDC, HBRUSH) const {}
