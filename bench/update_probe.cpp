// Times the client's own self-update code under Wine, from inside the
// process, so Wine's start-up is not counted.
//   update_probe download URL        DownloadUpdate of URL, after one untimed
//                                    run that sets WinInet up as the version
//                                    check would
//   update_probe check SERVER        the version check against SERVER
//   update_probe signature URL FILE  the signature check of FILE's bytes as
//                                    downloaded from URL (URL.sig fetched and
//                                    verified with the built-in key), after
//                                    one untimed run
// Prints "seconds S"; the signature check also "verify S", the part spent
// hashing and verifying.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <vector>

#include "update/UpdateSignature.h"
#include "update/UpdateTask.h"
#include "update/VersionCheck.h"

namespace {
double Seconds(const LARGE_INTEGER& start, const LARGE_INTEGER& end) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
}

std::vector<unsigned char> ReadWhole(const wchar_t* path) {
    std::vector<unsigned char> bytes;
    FILE* f = _wfopen(path, L"rb");
    if (!f) return bytes;
    unsigned char piece[65536];
    for (size_t n; (n = fread(piece, 1, sizeof(piece), f)) > 0;) bytes.insert(bytes.end(), piece, piece + n);
    fclose(f);
    return bytes;
}

int TimeSignature(const wchar_t* url, const wchar_t* file) {
    const std::vector<unsigned char> bytes = ReadWhole(file);
    std::wstring failure;
    if (bytes.empty() || !BuiltInUpdateKey() || !CheckSignedDownload(BuiltInUpdateKey(), url, bytes, &failure)) {
        std::printf("failed %ls\n", failure.c_str());
        return 1;
    }
    std::vector<unsigned char> der;
    FetchSignature(url, &der, &failure);
    LARGE_INTEGER start, fetched, end;
    QueryPerformanceCounter(&start);
    CheckSignedDownload(BuiltInUpdateKey(), url, bytes, &failure);
    QueryPerformanceCounter(&fetched);
    VerifySignature(*BuiltInUpdateKey(), bytes, der, &failure);
    QueryPerformanceCounter(&end);
    std::printf("seconds %.4f verify %.4f\n", Seconds(start, fetched), Seconds(fetched, end));
    return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && wcscmp(argv[1], L"signature") == 0) return TimeSignature(argv[2], argv[3]);
    if (argc != 3) return 2;
    const bool download = wcscmp(argv[1], L"download") == 0;
    if (download) CUpdateTask(L"\\v5vexatmp.exe", L"\\velmo\\vexa\\").DownloadUpdate(argv[2]);
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    if (download) {
        CUpdateTask task(L"\\v5vexatmp.exe", L"\\velmo\\vexa\\");
        task.DownloadUpdate(argv[2]);  // returns: the server announces one byte more than it sends
    } else {
        CheckForUpdateAt(argv[2]);
    }
    QueryPerformanceCounter(&end);
    std::printf("seconds %.3f\n", Seconds(start, end));
    return 0;
}
