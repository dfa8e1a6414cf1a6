#include "update/ClientCheck.h"

#include "app/Shell.h"
#include "base/Text.h"
#include "update/PeImage.h"

namespace {
// The machine type this executable was built for, from its own image.
WORD RunningMachine() {
    const BYTE* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->FileHeader.Machine;
}

std::wstring VersionText(unsigned long long v) {
    return FormatText(L"%u.%u.%u.%u", static_cast<unsigned>(v >> 48), static_cast<unsigned>(v >> 32 & 0xFFFF),
                      static_cast<unsigned>(v >> 16 & 0xFFFF), static_cast<unsigned>(v & 0xFFFF));
}
}  // namespace

bool ReadHeldFile(HANDLE handle, std::vector<unsigned char>* bytes, std::wstring* failure) {
    LARGE_INTEGER size = {};
    DWORD error = NO_ERROR;
    if (handle == INVALID_HANDLE_VALUE || !::GetFileSizeEx(handle, &size)) {
        error = ::GetLastError();
    } else if (static_cast<unsigned long long>(size.QuadPart) > kMaxClientBytes) {
        error = ERROR_FILE_TOO_LARGE;
    } else {
        bytes->resize(static_cast<size_t>(size.QuadPart));
        for (size_t at = 0; at < bytes->size() && error == NO_ERROR;) {
            DWORD read = 0;
            if (!::ReadFile(handle, bytes->data() + at, static_cast<DWORD>(bytes->size() - at), &read, nullptr))
                error = ::GetLastError();
            else if (read == 0)
                error = ERROR_HANDLE_EOF;  // shorter than its size said
            at += read;
        }
    }
    if (error == NO_ERROR) return true;
    *failure = FormatText(L"Cannot read the file.Error Code:%lu", error);
    return false;
}

bool ReadFileVersionNumber(const std::wstring& path, unsigned long long* version) {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &handle);
    if (size == 0) return false;
    std::vector<BYTE> info(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, info.data())) return false;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT bytes = 0;
    if (!::VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &bytes) || !fixed ||
        bytes < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return false;
    *version = static_cast<unsigned long long>(fixed->dwFileVersionMS) << 32 | fixed->dwFileVersionLS;
    return true;
}

bool CheckDownloadedClient(const std::vector<unsigned char>& image, std::wstring* failure) {
    const WORD machine = ExecutableMachine(image.data(), image.size());
    if (machine == 0) {
        *failure = L"Not a whole executable";
        return false;
    }
    if (machine != RunningMachine()) {
        *failure = FormatText(L"Machine type 0x%04x, this client 0x%04x", machine, RunningMachine());
        return false;
    }
    uint64_t version = 0;
    unsigned long long running = 0;
    if (!FindFileVersion(image.data(), image.size(), &version)) {
        *failure = L"No version resource";
        return false;
    }
    ReadFileVersionNumber(GetModulePath(), &running);  // none: any version is newer
    if (version <= running) {
        *failure = L"Version " + VersionText(version) + L" not higher than this client's " + VersionText(running);
        return false;
    }
    return true;
}
