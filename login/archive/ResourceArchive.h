// Reader of a ZIP archive that lies in memory (the archive among the client's
// resources): lists the entries in directory order, describes one, and writes
// one below a base folder. The container is read here; deflated data goes
// through zlib's raw inflate. Nothing is ever written into an archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr size_t kArchiveNameChars = 260;  // MAX_PATH, terminator included

// Results of every operation but OpenFromMemory.
using ArchiveResult = uint32_t;
constexpr ArchiveResult kArchiveOk = 0;
constexpr ArchiveResult kArchiveFileNotWritable = 0x200;  // output file or folder cannot be made
constexpr ArchiveResult kArchiveWriteFailure = 0x400;
constexpr ArchiveResult kArchiveCorruptEntry = 0x700;     // directory or local header damaged, sizes that lie
constexpr ArchiveResult kArchiveReadFailure = 0x800;      // local extra field cut off
constexpr ArchiveResult kArchivePasswordFailure = 0x1000; // encrypted: no password is ever given
constexpr ArchiveResult kArchiveUnsafeName = 0x2000;      // a name that could leave the base folder
constexpr ArchiveResult kArchiveBadArgument = 0x10000;
constexpr ArchiveResult kArchiveDataFailure = 0x5000000;  // inflate error, short data, wrong CRC-32

// Windows file attribute bits as the entries carry them.
constexpr uint32_t kEntryReadOnly = 0x1;
constexpr uint32_t kEntryHidden = 0x2;
constexpr uint32_t kEntrySystem = 0x4;
constexpr uint32_t kEntryDirectory = 0x10;
constexpr uint32_t kEntryArchive = 0x20;

// One entry as GetEntry describes it. Times are FILETIME values: 100-ns
// ticks since 1601-01-01 UTC.
struct ArchiveEntry {
    int32_t index = -1;                 // for the query -1: the number of entries
    wchar_t name[kArchiveNameChars] = {};  // cleaned-up name
    uint32_t attributes = 0;
    uint64_t accessTime = 0;
    uint64_t creationTime = 0;
    uint64_t writeTime = 0;
    int32_t compressedSize = 0;
    int32_t uncompressedSize = 0;
};

// The open archive; callers hold it only through its handle.
struct CResourceArchive;

// Opens the archive bytes, which must stay valid until Close. Null when no
// end-of-central-directory record is found or the record is refused.
CResourceArchive* OpenFromMemory(const void* data, size_t length);

// Entries are written below this folder (a separator is appended when it has
// none). Until it is set, the process's current folder. A folder that leaves
// no room for a name is refused, and extraction is then refused too.
ArchiveResult SetBaseFolder(CResourceArchive* archive, const wchar_t* folder);

// index -1: entry->index = the number of entries, everything else empty.
// 0 .. count-1: describes that entry; a name ending in "/" or "\" is a
// folder whatever its attributes say. An encrypted entry answers password
// failure. An entry whose cleaned name could still leave the base folder,
// whose stored name is not UTF-8 or has 260 bytes or more, is refused as
// an unsafe name.
ArchiveResult GetEntry(CResourceArchive* archive, int index, ArchiveEntry* entry);

// Writes entry index to base folder + name (a folder entry: creates that
// folder). The name must be relative and stay inside the base folder; an
// existing file is replaced, also a read-only, hidden or system one. The
// written bytes are capped at the entry's size and checked against its
// CRC-32. On any failure after the file was created, the file is removed.
ArchiveResult ExtractEntry(CResourceArchive* archive, int index, const wchar_t* name);

// Releases the archive and its buffers.
ArchiveResult Close(CResourceArchive* archive);

struct ArchiveCloser {
    void operator()(CResourceArchive* archive) const { Close(archive); }
};
using ArchiveOwner = std::unique_ptr<CResourceArchive, ArchiveCloser>;
