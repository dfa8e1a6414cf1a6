#include "login/archive/ResourceArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "login/archive/ArchiveFiles.h"
#include "login/archive/ArchiveName.h"

namespace {
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDirectorySignature = 0x02014b50;
constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kDirectoryHeaderSize = 46;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kEndSearchSpan = 65535;
constexpr size_t kChunk = 16384;
constexpr uint16_t kFlagEncrypted = 0x1;
constexpr uint16_t kFlagDataDescriptor = 0x8;
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kExtendedTimestampTag = 0x5455;  // "UT"
constexpr uint32_t kLargestSize = 0x7FFFFFFF;       // sizes are 32-bit signed; no ZIP64

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return Le16(p) | (static_cast<uint32_t>(Le16(p + 2)) << 16); }

// The fixed fields of one central-directory header and where it lies.
struct DirectoryHeader {
    size_t position = 0;
    uint16_t versionMadeBy = 0, flags = 0, method = 0, dosTime = 0, dosDate = 0;
    uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    uint16_t nameLength = 0, extraLength = 0, commentLength = 0;
    uint32_t externalAttributes = 0, localHeaderOffset = 0;

    size_t Next() const { return position + kDirectoryHeaderSize + nameLength + extraLength + commentLength; }
};
}  // namespace

struct CResourceArchive {
    const uint8_t* data = nullptr;
    size_t length = 0;

    int entryCount = 0;
    size_t directoryStart = 0, directoryEnd = 0;
    uint64_t bytesBefore = 0;  // anything in front of the archive proper
    int currentIndex = 0;
    DirectoryHeader current;
    bool currentRead = false;

    std::wstring baseFolder;

    ArchiveEntry described;
    int describedIndex = -1;
    DirectoryHeader describedHeader;
    size_t describedDataStart = 0;

    std::vector<uint8_t> outputBuffer;
};

namespace {
size_t FindEndRecord(const uint8_t* data, size_t length) {
    const size_t lowest = length > kEndSearchSpan ? length - kEndSearchSpan : 0;
    for (size_t pos = length - 4;; --pos) {
        if (Le32(data + pos) == kEndSignature) return pos;
        if (pos == lowest) return SIZE_MAX;
    }
}

// Reads the header at pos; it must lie whole inside the central directory.
bool ReadDirectoryHeader(const CResourceArchive& a, size_t pos, DirectoryHeader* h) {
    if (pos < a.directoryStart || pos > a.directoryEnd || a.directoryEnd - pos < kDirectoryHeaderSize) return false;
    const uint8_t* p = a.data + pos;
    if (Le32(p) != kDirectorySignature) return false;
    h->position = pos;
    h->versionMadeBy = Le16(p + 4);
    h->flags = Le16(p + 8);
    h->method = Le16(p + 10);
    h->dosTime = Le16(p + 12);
    h->dosDate = Le16(p + 14);
    h->crc = Le32(p + 16);
    h->compressedSize = Le32(p + 20);
    h->uncompressedSize = Le32(p + 24);
    h->nameLength = Le16(p + 28);
    h->extraLength = Le16(p + 30);
    h->commentLength = Le16(p + 32);
    h->externalAttributes = Le32(p + 38);
    h->localHeaderOffset = Le32(p + 42);
    return h->Next() <= a.directoryEnd;
}

void RewindDirectory(CResourceArchive& a) {
    a.currentIndex = 0;
    a.currentRead = ReadDirectoryHeader(a, a.directoryStart, &a.current);
}

// Steps the directory to index; false when a header on the way is damaged.
bool SeekDirectory(CResourceArchive& a, int index) {
    if (index < a.currentIndex) RewindDirectory(a);
    while (a.currentIndex < index && a.currentRead) {
        a.currentRead = ReadDirectoryHeader(a, a.current.Next(), &a.current);
        ++a.currentIndex;
    }
    return a.currentRead;
}

uint32_t AttributesOf(const DirectoryHeader& h) {
    const uint32_t x = h.externalAttributes;
    switch (h.versionMadeBy >> 8) {
    case 0: case 7: case 11: case 14:  // FAT, Macintosh, NTFS, VFAT: DOS bits
        return x & (kEntryReadOnly | kEntryHidden | kEntrySystem | kEntryDirectory | kEntryArchive);
    default: {  // Unix-style mode in the high half
        uint32_t attributes = kEntryArchive;
        if (x & 0x40000000) attributes |= kEntryDirectory;
        if (!(x & 0x00800000)) attributes |= kEntryReadOnly;
        return attributes;
    }
    }
}

uint64_t UnixTimeToTicks(const uint8_t* p) {
    const int64_t seconds = static_cast<int32_t>(Le32(p));
    return static_cast<uint64_t>(seconds + 11644473600ll) * 10000000ull;
}

// Replaces the times with those of an extended-timestamp block, when the
// local extra field holds a whole one.
void ApplyExtendedTimestamp(const uint8_t* extra, size_t length, ArchiveEntry* e) {
    for (size_t pos = 0; length - pos >= 4;) {
        const uint16_t tag = Le16(extra + pos), size = Le16(extra + pos + 2);
        const uint8_t* body = extra + pos + 4;
        if (length - pos - 4 < size) return;
        if (tag == kExtendedTimestampTag && size >= 1) {
            const uint8_t flags = body[0];
            const size_t needed = 1 + 4 * (!!(flags & 1) + !!(flags & 2) + !!(flags & 4));
            if (size < needed) return;  // shorter than its flags announce: ignored
            const uint8_t* t = body + 1;
            if (flags & 1) e->writeTime = UnixTimeToTicks(t), t += 4;
            if (flags & 2) e->accessTime = UnixTimeToTicks(t), t += 4;
            if (flags & 4) e->creationTime = UnixTimeToTicks(t);
            return;
        }
        pos += 4 + size;
    }
}

void ApplyDosTime(const DirectoryHeader& h, ArchiveEntry* e) {
    const int year = (h.dosDate >> 9) + 1980, month = (h.dosDate >> 5) & 15, day = h.dosDate & 31;
    const int hour = h.dosTime >> 11, minute = (h.dosTime >> 5) & 63, second = (h.dosTime & 31) * 2;
    const uint64_t ticks = LocalTimeToUtcTicks(year, month, day, hour, minute, second);
    e->accessTime = e->creationTime = e->writeTime = ticks;
}

// Checks the local header against the directory and finds the entry's data.
ArchiveResult CheckLocalHeader(const CResourceArchive& a, const DirectoryHeader& h, size_t* dataStart,
                               size_t* extraStart, size_t* extraLength) {
    const uint64_t pos = a.bytesBefore + h.localHeaderOffset;
    if (pos > a.directoryStart || a.directoryStart - pos < kLocalHeaderSize) return kArchiveCorruptEntry;
    const uint8_t* p = a.data + pos;
    const uint16_t method = Le16(p + 8);
    if (Le32(p) != kLocalSignature || method != h.method || (method != kStored && method != kDeflated))
        return kArchiveCorruptEntry;
    if (!(h.flags & kFlagDataDescriptor) &&
        (Le32(p + 14) != h.crc || Le32(p + 18) != h.compressedSize || Le32(p + 22) != h.uncompressedSize))
        return kArchiveCorruptEntry;
    if (Le16(p + 26) != h.nameLength) return kArchiveCorruptEntry;
    const size_t localExtra = Le16(p + 28);
    const uint64_t extra = pos + kLocalHeaderSize + h.nameLength;
    if (extra + localExtra > a.length) return kArchiveReadFailure;
    // The sizes must add up: data inside the archive, before the directory.
    const uint64_t start = extra + localExtra;
    if (h.compressedSize > kLargestSize || h.uncompressedSize > kLargestSize ||
        start + h.compressedSize > a.directoryStart || (method == kStored && h.compressedSize != h.uncompressedSize))
        return kArchiveCorruptEntry;
    *extraStart = static_cast<size_t>(extra);
    *extraLength = localExtra;
    *dataStart = static_cast<size_t>(start);
    return kArchiveOk;
}

ArchiveResult Describe(CResourceArchive& a, int index) {
    if (!SeekDirectory(a, index)) return kArchiveCorruptEntry;
    const DirectoryHeader& h = a.current;
    // No password is ever given. Encrypted entries carry sizes, methods (99:
    // AES) and headers of their own that the checks below would misread.
    if (h.flags & kFlagEncrypted) return kArchivePasswordFailure;
    if (h.nameLength >= kArchiveNameChars) return kArchiveUnsafeName;
    size_t dataStart = 0, extraStart = 0, extraLength = 0;
    const ArchiveResult checked = CheckLocalHeader(a, h, &dataStart, &extraStart, &extraLength);
    if (checked != kArchiveOk) return checked;

    std::wstring name;
    if (!DecodeEntryName(a.data + h.position + kDirectoryHeaderSize, h.nameLength, &name)) return kArchiveUnsafeName;
    name = CleanEntryName(name);
    if (!IsSafeRelativeName(name)) return kArchiveUnsafeName;

    ArchiveEntry e;
    e.index = index;
    std::copy(name.begin(), name.end(), e.name);  // fewer units than stored bytes: it fits
    e.attributes = AttributesOf(h);
    // Java's and Go's writers mark folders only by the trailing separator.
    if (IsSeparator(name.back())) e.attributes |= kEntryDirectory;
    ApplyDosTime(h, &e);
    ApplyExtendedTimestamp(a.data + extraStart, extraLength, &e);
    e.compressedSize = static_cast<int32_t>(h.compressedSize);
    e.uncompressedSize = static_cast<int32_t>(h.uncompressedSize);

    a.described = e;
    a.describedIndex = index;
    a.describedHeader = h;
    a.describedDataStart = dataStart;
    return kArchiveOk;
}

// Writes the described entry's data: at most its declared size, which must
// be reached exactly and carry the declared CRC-32.
ArchiveResult WriteEntryData(CResourceArchive& a, ArchiveOutputFile& out) {
    const DirectoryHeader& h = a.describedHeader;
    const uint8_t* in = a.data + a.describedDataStart;
    uint32_t inLeft = h.compressedSize, outLeft = h.uncompressedSize;
    uLong crc = crc32(0, nullptr, 0);

    if (h.method == kStored) {
        while (outLeft > 0) {
            const uint32_t n = std::min<uint32_t>(outLeft, kChunk);
            if (!out.Write(in, n)) return kArchiveWriteFailure;
            crc = crc32(crc, in, n);
            in += n;
            outLeft -= n;
        }
        return crc == h.crc ? kArchiveOk : kArchiveDataFailure;
    }

    if (a.outputBuffer.empty()) a.outputBuffer.resize(kChunk);
    z_stream stream = {};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return kArchiveDataFailure;
    struct StreamEnd {
        z_stream* s;
        ~StreamEnd() { inflateEnd(s); }
    } streamEnd{&stream};

    while (outLeft > 0) {
        if (stream.avail_in == 0 && inLeft > 0) {
            const uint32_t n = std::min<uint32_t>(inLeft, kChunk);
            stream.next_in = const_cast<Bytef*>(in);
            stream.avail_in = n;
            in += n;
            inLeft -= n;
        }
        stream.next_out = a.outputBuffer.data();
        stream.avail_out = static_cast<uInt>(a.outputBuffer.size());
        const int rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END) return kArchiveDataFailure;  // also data that ran out
        const uint32_t produced = static_cast<uint32_t>(a.outputBuffer.size() - stream.avail_out);
        const uint32_t take = std::min(produced, outLeft);  // never more than declared
        if (take > 0 && !out.Write(a.outputBuffer.data(), take)) return kArchiveWriteFailure;
        crc = crc32(crc, a.outputBuffer.data(), take);
        outLeft -= take;
        if (outLeft > 0 && rc == Z_STREAM_END) return kArchiveDataFailure;  // shorter than declared
    }
    return crc == h.crc ? kArchiveOk : kArchiveDataFailure;
}

ArchiveResult ExtractFolder(const std::wstring& path) {
    return CreateFolderTree(path) ? kArchiveOk : kArchiveFileNotWritable;
}

ArchiveResult ExtractFile(CResourceArchive& a, const std::wstring& folder, const std::wstring& path) {
    CreateFolderTree(folder);
    ArchiveOutputFile out;
    if (!out.Create(path, a.described.attributes)) return kArchiveFileNotWritable;
    const ArchiveResult written = WriteEntryData(a, out);
    if (written != kArchiveOk) {
        out.Discard();  // a damaged entry leaves nothing behind
        return written;
    }
    out.Finish(a.described.creationTime, a.described.accessTime, a.described.writeTime);
    return kArchiveOk;
}
}  // namespace

CResourceArchive* OpenFromMemory(const void* data, size_t length) {
    if (!data || length < kEndRecordSize) return nullptr;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    const size_t end = FindEndRecord(bytes, length);
    if (end == SIZE_MAX || length - end < kEndRecordSize) return nullptr;

    const uint8_t* p = bytes + end;
    const uint16_t disk = Le16(p + 4), directoryDisk = Le16(p + 6);
    const uint16_t entriesHere = Le16(p + 8), entries = Le16(p + 10);
    const uint64_t directorySize = Le32(p + 12), directoryOffset = Le32(p + 16);
    if (disk != 0 || directoryDisk != 0 || entriesHere != entries || end < directoryOffset + directorySize)
        return nullptr;

    auto* a = new CResourceArchive;
    a->data = bytes;
    a->length = length;
    a->entryCount = entries;
    a->bytesBefore = end - (directoryOffset + directorySize);
    a->directoryStart = static_cast<size_t>(end - directorySize);
    a->directoryEnd = end;
    a->baseFolder = CurrentFolderWithSeparator();
    RewindDirectory(*a);
    return a;
}

ArchiveResult SetBaseFolder(CResourceArchive* archive, const wchar_t* folder) {
    if (!archive) return kArchiveBadArgument;
    archive->baseFolder.clear();
    if (!folder || !*folder) return kArchiveBadArgument;
    std::wstring base = folder;
    if (!IsSeparator(base.back())) base += L'\\';
    if (base.size() >= kArchiveNameChars - 1) return kArchiveBadArgument;  // no room left for a name
    archive->baseFolder = base;
    return kArchiveOk;
}

ArchiveResult GetEntry(CResourceArchive* archive, int index, ArchiveEntry* entry) {
    if (!archive || !entry || index < -1 || index >= archive->entryCount) return kArchiveBadArgument;
    if (index == -1) {
        *entry = ArchiveEntry();
        entry->index = archive->entryCount;
        return kArchiveOk;
    }
    if (index != archive->describedIndex) {
        const ArchiveResult described = Describe(*archive, index);
        if (described != kArchiveOk) return described;
    }
    *entry = archive->described;
    return kArchiveOk;
}

ArchiveResult ExtractEntry(CResourceArchive* archive, int index, const wchar_t* name) {
    if (!archive || !name || index < 0 || index >= archive->entryCount || archive->baseFolder.empty())
        return kArchiveBadArgument;
    ArchiveEntry entry;
    const ArchiveResult described = GetEntry(archive, index, &entry);
    if (described != kArchiveOk) return described;

    const std::wstring relative = name;
    if (!IsSafeRelativeName(relative)) return kArchiveUnsafeName;
    const std::wstring& base = archive->baseFolder;
    const std::wstring path = base + relative;
    // A longer path would be cut by the platform's buffers and name another file.
    if (path.size() >= kArchiveNameChars) return kArchiveFileNotWritable;
    if (!ResolvesInside(base, path)) return kArchiveUnsafeName;

    if (entry.attributes & kEntryDirectory) return ExtractFolder(path);
    const size_t split = relative.find_last_of(L"\\/");
    const std::wstring folder = base + (split == std::wstring::npos ? std::wstring() : relative.substr(0, split + 1));
    return ExtractFile(*archive, folder, path);
}

ArchiveResult Close(CResourceArchive* archive) {
    if (!archive) return kArchiveBadArgument;
    delete archive;
    return kArchiveOk;
}
