// Helpers of the archive reader's native tests: the fixture archives made by
// archive_fixtures.py, and a scratch folder per test.
#pragma once

#include <dirent.h>
#include <ftw.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "login/archive/ResourceArchive.h"

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadText(const std::string& path) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline std::vector<uint8_t> Fixture(const std::string& name) {
    return ReadBytes(std::string(VEXA_ARCHIVE_FIXTURES) + "/" + name + ".zip");
}

inline std::string BigText() { return ReadText(std::string(VEXA_ARCHIVE_FIXTURES) + "/big.txt"); }

inline bool PathExists(const std::string& path) {
    struct stat info;
    return ::lstat(path.c_str(), &info) == 0;
}

inline bool IsDirectory(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

inline std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// Every path below root, relative to it, sorted; folders end in "/".
inline std::vector<std::string> ListTree(const std::string& root, const std::string& rel = "") {
    std::vector<std::string> out;
    DIR* dir = ::opendir((root + "/" + rel).c_str());
    if (!dir) return out;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        const std::string path = rel.empty() ? name : rel + "/" + name;
        if (IsDirectory(root + "/" + path)) {
            out.push_back(path + "/");
            for (auto& inner : ListTree(root, path)) out.push_back(inner);
        } else {
            out.push_back(path);
        }
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end());
    return out;
}

class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/vexa-archive-XXXXXX";
        root_ = ::mkdtemp(pattern);
    }
    ~ScratchFolder() {
        ::nftw(root_.c_str(), [](const char* p, const struct stat*, int, FTW*) { return ::remove(p); }, 16,
               FTW_DEPTH | FTW_PHYS);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Root() const { return root_; }
    std::string Path(const std::string& rel) const { return root_ + "/" + rel; }

private:
    std::string root_;
};

// An archive opened over bytes that the test keeps alive.
struct OpenArchive {
    explicit OpenArchive(std::vector<uint8_t> data) : bytes(std::move(data)), handle(OpenFromMemory(bytes.data(), bytes.size())) {}
    std::vector<uint8_t> bytes;
    ArchiveOwner handle;
    CResourceArchive* get() const { return handle.get(); }
};

// Extracts every entry under the name its description gives, as the
// first-run setup does; a refused description counts as that entry's result.
inline std::vector<ArchiveResult> ExtractAllBelow(CResourceArchive* archive, const std::string& base) {
    SetBaseFolder(archive, Wide(base).c_str());
    ArchiveEntry count;
    GetEntry(archive, -1, &count);
    std::vector<ArchiveResult> results;
    for (int i = 0; i < count.index; ++i) {
        ArchiveEntry e;
        const ArchiveResult r = GetEntry(archive, i, &e);
        results.push_back(r == kArchiveOk ? ExtractEntry(archive, i, e.name) : r);
    }
    return results;
}
