// The download of a new client: the transfer and the checks before its start.
#include "update/Download.h"

#include <cwchar>
#include <string>
#include <vector>

#include "app/FixedTexts.h"
#include "app/UpdateLog.h"
#include "base/Owners.h"
#include "base/Text.h"
#include "update/ClientCheck.h"
#include "update/HttpGet.h"
#include "update/LoggedSteps.h"
#include "update/UpdateSignature.h"

namespace {
constexpr DWORD kTransferPiece = 1024;
constexpr DWORD kWriteBatch = 64 * 1024;

// The download file's size, creating it empty when missing; -1 when it
// cannot be opened (another process holds it).
long long MeasureDownloadFile(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size = {};
    if (!file || !::GetFileSizeEx(file.Get(), &size)) return -1;
    return size.QuadPart;
}

enum class Transfer { Done, NotOpened, Failed };

// Passes the transfer's progress on, at most every kProgressIntervalMs:
// drawing per 1 KiB piece would cost more than the transfer.
class ProgressReport {
public:
    ProgressReport(IUpdateProgress* sink, long long existing, long long total)
        : sink_(total > 0 ? sink : nullptr), existing_(existing), total_(total) {}

    void Received(long long bytes, bool now = false) {
        if (!sink_) return;
        const ULONGLONG tick = ::GetTickCount64();
        if (!now && tick - last_ < kProgressIntervalMs) return;
        last_ = tick;
        sink_->OnDownloadProgress(existing_ + bytes, total_);
    }

private:
    IUpdateProgress* sink_;
    long long existing_, total_;
    ULONGLONG last_ = 0;
};

bool WriteBatch(HANDLE file, const char* data, DWORD size, long long* written) {
    DWORD put = 0;
    const bool ok = ::WriteFile(file, data, size, &put, nullptr) && put == size;
    *written += put;
    return ok;
}

// Appends the body to the download file. It is read in pieces of 1 KiB and
// written in batches of 64 KiB (a write per piece costs more than the read
// under Wine); the whole file is never held. Failed: a broken or stalled
// connection or a failed write, already logged.
Transfer AppendBody(HttpGet& response, const std::wstring& path, long long* written, ProgressReport& progress) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (!file) return Transfer::NotOpened;
    if (::SetFilePointer(file.Get(), 0, nullptr, FILE_END) == INVALID_SET_FILE_POINTER &&
        ::GetLastError() != NO_ERROR)
        return Transfer::NotOpened;
    std::vector<char> batch(kWriteBatch);
    DWORD batched = 0;
    progress.Received(0, true);
    for (;;) {
        DWORD read = 0;
        if (!response.Read(batch.data() + batched, kTransferPiece, &read)) {
            LogTransferFailure(ErrorText(response.Error()));
            WriteBatch(file.Get(), batch.data(), batched, written);  // what arrived stays in the file
            return Transfer::Failed;
        }
        batched += read;
        progress.Received(*written + batched, read == 0);
        if (read == 0 || batched + kTransferPiece > kWriteBatch) {
            if (!WriteBatch(file.Get(), batch.data(), batched, written)) {
                LogTransferFailure(ErrorText(::GetLastError()));
                return Transfer::Failed;
            }
            batched = 0;
        }
        if (read == 0) return Transfer::Done;
    }
}
}  // namespace

// The signature comes first, so with a key the headers are read only from the
// publisher's bytes.
bool CheckDownload(HANDLE held, const std::wstring& url, const UpdateKey* key, std::wstring* failure) {
    std::vector<unsigned char> image;
    return ReadHeldFile(held, &image, failure) && CheckSignedDownload(key, url, image, failure) &&
           CheckDownloadedClient(image, failure);
}

bool FetchDownload(const std::wstring& url, const std::wstring& path, long long* total, IUpdateProgress* progress) {
    HttpGet response;
    if (!SendLogged(response, url, kDownloadStallMs)) return false;

    *total = std::wcstoll(response.Header(HTTP_QUERY_CONTENT_LENGTH).c_str(), nullptr, 10);
    WriteUpdateLog(FormatText(kLogContentLength, *total));
    const long long existing = MeasureDownloadFile(path);
    // Also a response without Content-Length: the file just made measures 0.
    if (existing == *total) {
        WriteUpdateLog(kLogNothingToDownload);
        return false;
    }
    long long written = 0;
    ProgressReport report(progress, existing, *total);
    if (AppendBody(response, path, &written, report) != Transfer::Done) return false;
    return written + existing == *total;
}
