#include "update/PeImage.h"

namespace {
constexpr uint16_t kDosMagic = 0x5A4D;          // "MZ"
constexpr uint32_t kPeSignature = 0x00004550;   // "PE\0\0"
constexpr size_t kDosHeaderBytes = 64;
constexpr size_t kLfanewAt = 0x3C;
constexpr size_t kFileHeaderBytes = 20;
constexpr uint16_t kExecutableImage = 0x0002;
constexpr uint16_t kDll = 0x2000;
constexpr uint16_t kPe32 = 0x10B;
constexpr uint16_t kPe32Plus = 0x20B;
constexpr size_t kSectionBytes = 40;
constexpr uint32_t kResourceDirectory = 2;      // index in the data directories
constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kVersionInfoId = 1;
constexpr uint32_t kSubdirectory = 0x80000000;  // an entry's target is a directory
constexpr uint32_t kFixedSignature = 0xFEEF04BD;
constexpr size_t kFixedBytes = 52;              // VS_FIXEDFILEINFO
constexpr size_t kFixedAt = 40;                 // after the header and L"VS_VERSION_INFO", 32-bit aligned

// A range of bytes; every read is checked with Has first.
struct View {
    const uint8_t* data;
    size_t size;

    bool Has(size_t offset, size_t length) const { return offset <= size && size - offset >= length; }
    uint16_t U16(size_t at) const { return static_cast<uint16_t>(data[at] | data[at + 1] << 8); }
    uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
};

struct Headers {
    uint16_t machine;
    uint16_t magic;
    size_t optional;       // offset of the optional header
    uint16_t optionalSize;
    uint16_t sections;
    size_t sectionTable;   // offset of the section table
};

struct Section {
    uint32_t virtualAddress, rawSize, rawPointer;
};

// The headers up to the section table, all inside the bytes; false when the
// bytes are no executable image.
bool ReadHeaders(const View& image, Headers* h) {
    if (!image.Has(0, kDosHeaderBytes) || image.U16(0) != kDosMagic) return false;
    const uint32_t lfanew = image.U32(kLfanewAt);
    if (lfanew == 0 || lfanew > 0x7FFFFFFF) return false;  // a LONG that must be positive
    const size_t pe = lfanew;
    if (!image.Has(pe, 4 + kFileHeaderBytes) || image.U32(pe) != kPeSignature) return false;
    const size_t file = pe + 4;
    h->machine = image.U16(file);
    h->sections = image.U16(file + 2);
    h->optionalSize = image.U16(file + 16);
    const uint16_t characteristics = image.U16(file + 18);
    if (!(characteristics & kExecutableImage) || (characteristics & kDll)) return false;
    h->optional = file + kFileHeaderBytes;
    if (!image.Has(h->optional, 2)) return false;
    h->magic = image.U16(h->optional);
    if (h->magic != kPe32 && h->magic != kPe32Plus) return false;
    h->sectionTable = h->optional + h->optionalSize;
    return h->sections != 0 && image.Has(h->sectionTable, size_t{h->sections} * kSectionBytes);
}

Section SectionAt(const View& image, const Headers& h, uint16_t i) {
    const size_t at = h.sectionTable + size_t{i} * kSectionBytes;
    return Section{image.U32(at + 12), image.U32(at + 16), image.U32(at + 20)};
}

bool RawDataInside(const View& image, const Section& s) {
    return uint64_t{s.rawPointer} + s.rawSize <= image.size;
}

// The bytes from rva to the end of its section's data in the file; false
// when no section holds rva in its data.
bool FromRva(const View& image, const Headers& h, uint32_t rva, View* rest) {
    for (uint16_t i = 0; i < h.sections; ++i) {
        const Section s = SectionAt(image, h, i);
        if (rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize) continue;
        if (!RawDataInside(image, s)) return false;
        const size_t inside = rva - s.virtualAddress;
        *rest = View{image.data + s.rawPointer + inside, s.rawSize - inside};
        return true;
    }
    return false;
}

// The target of the entry with this id in the resource directory at dir
// (an offset from the resource root); false when there is none.
bool FindIdEntry(const View& root, size_t dir, uint32_t id, uint32_t* target) {
    if (!root.Has(dir, 16)) return false;
    const size_t named = root.U16(dir + 12), ids = root.U16(dir + 14);
    for (size_t i = 0; i < ids; ++i) {
        const size_t entry = dir + 16 + (named + i) * 8;
        if (!root.Has(entry, 8)) return false;
        if (root.U32(entry) == id) {
            *target = root.U32(entry + 4);
            return true;
        }
    }
    return false;
}

// The target of the first entry of the resource directory at dir.
bool FirstEntry(const View& root, size_t dir, uint32_t* target) {
    if (!root.Has(dir, 16) || root.U16(dir + 12) + root.U16(dir + 14) == 0 || !root.Has(dir + 16, 8)) return false;
    *target = root.U32(dir + 20);
    return true;
}

// The data of the version resource (RT_VERSION, id 1, first language).
bool VersionResource(const View& image, const Headers& h, View* data) {
    // The data directories follow 96 bytes of fields in PE32, 112 in PE32+.
    const size_t directories = h.magic == kPe32 ? 96 : 112;
    const size_t resourceEntry = directories + kResourceDirectory * 8;
    if (h.optionalSize < resourceEntry + 8 || image.U32(h.optional + directories - 4) <= kResourceDirectory)
        return false;
    View root;
    if (!FromRva(image, h, image.U32(h.optional + resourceEntry), &root)) return false;
    uint32_t types = 0, names = 0, leaf = 0;
    if (!FindIdEntry(root, 0, kRtVersion, &types) || !(types & kSubdirectory)) return false;
    if (!FindIdEntry(root, types & ~kSubdirectory, kVersionInfoId, &names) || !(names & kSubdirectory)) return false;
    if (!FirstEntry(root, names & ~kSubdirectory, &leaf) || (leaf & kSubdirectory) || !root.Has(leaf, 16)) return false;
    const uint32_t rva = root.U32(leaf), size = root.U32(leaf + 4);
    View rest;
    if (!FromRva(image, h, rva, &rest) || !rest.Has(0, size)) return false;
    *data = View{rest.data, size};
    return true;
}
}  // namespace

uint16_t ExecutableMachine(const uint8_t* bytes, size_t size) {
    const View image{bytes, size};
    Headers h;
    if (!ReadHeaders(image, &h)) return 0;
    for (uint16_t i = 0; i < h.sections; ++i)
        if (!RawDataInside(image, SectionAt(image, h, i))) return 0;
    return h.machine;
}

bool FindFileVersion(const uint8_t* bytes, size_t size, uint64_t* version) {
    const View image{bytes, size};
    Headers h;
    View block;
    if (!ReadHeaders(image, &h) || !VersionResource(image, h, &block)) return false;
    // VS_VERSIONINFO: its length, the value's length, its type, the key, then the fixed part.
    static const char16_t kKey[] = u"VS_VERSION_INFO";
    if (!block.Has(0, kFixedAt + kFixedBytes)) return false;
    const uint16_t length = block.U16(0), valueLength = block.U16(2);
    if (length < kFixedAt + kFixedBytes || length > block.size || valueLength < kFixedBytes) return false;
    for (size_t i = 0; i < sizeof(kKey) / sizeof(kKey[0]); ++i)
        if (block.U16(6 + 2 * i) != kKey[i]) return false;
    if (block.U32(kFixedAt) != kFixedSignature) return false;
    *version = uint64_t{block.U32(kFixedAt + 8)} << 32 | block.U32(kFixedAt + 12);
    return true;
}
