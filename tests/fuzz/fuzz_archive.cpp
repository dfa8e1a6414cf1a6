// libFuzzer target of the archive reader: opens any bytes, describes every
// entry and extracts it into a scratch folder, and checks that nothing ever
// appears beside that folder.
#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "login/archive/ResourceArchive.h"

namespace {
std::string g_root;  // holds only "base" between inputs

void RemoveBelow(const std::string& path) {
    ::nftw(path.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
           FTW_DEPTH | FTW_PHYS);
}

// True when the scratch root holds nothing but the base folder.
bool OnlyBaseBesideRoot() {
    DIR* dir = ::opendir(g_root.c_str());
    if (!dir) return false;
    bool clean = true;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name != "." && name != ".." && name != "base") clean = false;
    }
    ::closedir(dir);
    return clean;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char pattern[] = "/tmp/vexa-fuzz-archive-XXXXXX";
    if (!::mkdtemp(pattern)) ::abort();
    g_root = pattern;
    ::atexit([] { RemoveBelow(g_root); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ArchiveOwner archive(OpenFromMemory(data, size));
    if (!archive) return 0;
    const std::string base = g_root + "/base/";
    SetBaseFolder(archive.get(), std::wstring(base.begin(), base.end()).c_str());
    ArchiveEntry count;
    if (GetEntry(archive.get(), -1, &count) != kArchiveOk) ::abort();
    for (int i = 0; i < count.index && i < 64; ++i) {
        ArchiveEntry e;
        if (GetEntry(archive.get(), i, &e) == kArchiveOk) ExtractEntry(archive.get(), i, e.name);
    }
    archive.reset();
    if (!OnlyBaseBesideRoot()) {
        std::fprintf(stderr, "an entry was written outside the base folder\n");
        ::abort();
    }
    RemoveBelow(base);
    return 0;
}
