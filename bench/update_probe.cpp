// Times the client's own self-update code under Wine, from inside the
// process, so Wine's start-up is not counted.
//   update_probe download URL   DownloadUpdate of URL, after one untimed run
//                               that sets WinInet up as the version check would
//   update_probe check SERVER   the version check against SERVER
// Prints "seconds S".
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "update/UpdateTask.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    const bool download = wcscmp(argv[1], L"download") == 0;
    if (download) CUpdateTask(L"\\v5vexatmp.exe", L"\\velmo\\vexa\\").DownloadUpdate(argv[2]);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (download) {
        CUpdateTask task(L"\\v5vexatmp.exe", L"\\velmo\\vexa\\");
        task.DownloadUpdate(argv[2]);  // returns: the server announces one byte more than it sends
    } else {
        CheckForUpdateAt(argv[2]);
    }
    QueryPerformanceCounter(&end);
    std::printf("seconds %.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    return 0;
}
