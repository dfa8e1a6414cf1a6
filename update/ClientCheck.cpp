#include "update/ClientCheck.h"

#include <windows.h>

#include <vector>

#include "app/Shell.h"
#include "base/Owners.h"
#include "base/Text.h"

namespace {
// Headers beyond this are not ones our build produces.
constexpr DWORD kMaxHeaderBytes = 64 * 1024;

template <typename T>
const T* At(const std::vector<BYTE>& bytes, size_t offset) {
    return offset <= bytes.size() && bytes.size() - offset >= sizeof(T) ? reinterpret_cast<const T*>(&bytes[offset])
                                                                        : nullptr;
}

// The machine type of a whole executable image, or 0 when the bytes are not
// one: every header inside the file, an executable (not a DLL), and every
// section's data inside the file (a cut download loses the last ones).
WORD ImageMachine(const std::vector<BYTE>& head, unsigned long long fileSize) {
    const IMAGE_DOS_HEADER* dos = At<IMAGE_DOS_HEADER>(head, 0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0) return 0;
    const size_t pe = static_cast<size_t>(dos->e_lfanew);
    const DWORD* signature = At<DWORD>(head, pe);
    const IMAGE_FILE_HEADER* file = At<IMAGE_FILE_HEADER>(head, pe + sizeof(DWORD));
    if (!signature || *signature != IMAGE_NT_SIGNATURE || !file) return 0;
    if (!(file->Characteristics & IMAGE_FILE_EXECUTABLE_IMAGE) || (file->Characteristics & IMAGE_FILE_DLL)) return 0;
    const size_t optional = pe + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    const WORD* magic = At<WORD>(head, optional);
    if (!magic || (*magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC && *magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC)) return 0;
    const size_t sections = optional + file->SizeOfOptionalHeader;
    if (file->NumberOfSections == 0) return 0;
    for (WORD i = 0; i < file->NumberOfSections; ++i) {
        const auto* section = At<IMAGE_SECTION_HEADER>(head, sections + i * sizeof(IMAGE_SECTION_HEADER));
        if (!section || static_cast<unsigned long long>(section->PointerToRawData) + section->SizeOfRawData > fileSize)
            return 0;
    }
    return file->Machine;
}

// The machine type this executable was built for, from its own image.
WORD RunningMachine() {
    const BYTE* base = reinterpret_cast<const BYTE*>(::GetModuleHandleW(nullptr));
    const IMAGE_DOS_HEADER* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    return reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew)->FileHeader.Machine;
}

// The first kMaxHeaderBytes of the file and its size. Returns the system
// error when the file cannot be read.
DWORD ReadHead(const std::wstring& path, std::vector<BYTE>* head, unsigned long long* size) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER length = {};
    if (!file || !::GetFileSizeEx(file.Get(), &length)) return ::GetLastError();
    *size = static_cast<unsigned long long>(length.QuadPart);
    head->resize(*size < kMaxHeaderBytes ? static_cast<size_t>(*size) : kMaxHeaderBytes);
    DWORD read = 0;
    if (!::ReadFile(file.Get(), head->data(), static_cast<DWORD>(head->size()), &read, nullptr)) return ::GetLastError();
    head->resize(read);
    return NO_ERROR;
}

std::wstring VersionText(unsigned long long v) {
    return FormatText(L"%u.%u.%u.%u", static_cast<unsigned>(v >> 48), static_cast<unsigned>(v >> 32 & 0xFFFF),
                      static_cast<unsigned>(v >> 16 & 0xFFFF), static_cast<unsigned>(v & 0xFFFF));
}
}  // namespace

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

bool CheckDownloadedClient(const std::wstring& path, std::wstring* failure) {
    std::vector<BYTE> head;
    unsigned long long size = 0;
    if (const DWORD error = ReadHead(path, &head, &size)) {
        *failure = FormatText(L"Cannot read the file.Error Code:%lu", error);
        return false;
    }
    const WORD machine = ImageMachine(head, size);
    if (machine == 0) {
        *failure = L"Not a whole executable";
        return false;
    }
    if (machine != RunningMachine()) {
        *failure = FormatText(L"Machine type 0x%04x, this client 0x%04x", machine, RunningMachine());
        return false;
    }
    unsigned long long version = 0, running = 0;
    if (!ReadFileVersionNumber(path, &version)) {
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
