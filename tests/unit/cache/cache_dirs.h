// A fresh cache and image directory for each test, and helpers to look at the disk.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <ftw.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "cache/cache_internal.h"
#include "cache/object_cache.h"
#include "support/test_data.h"

namespace cachetest {

using Bytes = std::vector<uint8_t>;

inline PtpObjectInfo Record(uint32_t handle, const char* name, int64_t captureDate = 0) {
    PtpObjectInfo r;
    memset(&r, 0, sizeof r);
    r.handle = handle;
    r.objectFormat = 0x3801;
    r.compressedSize = 1234;
    snprintf(r.fileName, sizeof r.fileName, "%s", name);
    r.fileNameLength = uint16_t(strlen(r.fileName) + 1);
    r.captureDate = captureDate;
    return r;
}

inline PtpObjectInfo SdRecord(const char* name) { return Record(PTP_OBJECT_HANDLE_SD_CARD, name); }

// Bytes without a short period, so a part at a wrong offset does not match.
inline Bytes Pattern(size_t n, uint32_t seed) {
    Bytes b(n);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& v : b) {
        x = x * 1103515245u + 12345u;
        v = uint8_t(x >> 16);
    }
    return b;
}

// A buffer the cache handed over, released at the end of the scope.
struct Owned {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ~Owned() { free(data); }
    Bytes bytes() const { return data ? Bytes(data, data + length) : Bytes(); }
};

inline bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

using testdata::ReadFile;

inline void WriteFile(const std::string& path, const void* data, size_t n) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (n) {
        ASSERT_EQ(fwrite(data, 1, n, f), n);
    }
    fclose(f);
}

inline void WriteFile(const std::string& path, const Bytes& b) {
    WriteFile(path, b.data(), b.size());
}

inline std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (struct dirent* e = readdir(d)) {
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) out.push_back(e->d_name);
    }
    closedir(d);
    std::sort(out.begin(), out.end());
    return out;
}

// Every path under root with its type, size and modification time.
inline std::map<std::string, std::string> Snapshot(const std::string& root) {
    static std::map<std::string, std::string>* into;
    std::map<std::string, std::string> out;
    into = &out;
    nftw(
        root.c_str(),
        [](const char* path, const struct stat* st, int, struct FTW*) {
            char facts[128];
            snprintf(facts, sizeof facts, "%o %lld %lld.%09ld", unsigned(st->st_mode),
                     (long long)st->st_size, (long long)st->st_mtim.tv_sec, st->st_mtim.tv_nsec);
            (*into)[path] = facts;
            return 0;
        },
        16, FTW_PHYS);
    return out;
}

inline void RemoveTree(const std::string& root) {
    nftw(
        root.c_str(),
        [](const char* path, const struct stat*, int, struct FTW*) { return remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
}

class CacheDirs : public ::testing::Test {
  protected:
    void SetUp() override {
        char tmpl[] = "/tmp/ptpcache-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        root = tmpl;
        cacheDir = root + "/cache";
        imageDir = root + "/images";
        ASSERT_EQ(mkdir(cacheDir.c_str(), 0755), 0);
        ASSERT_EQ(mkdir(imageDir.c_str(), 0755), 0);
        PtpCache_ResetForTest();
        PtpCache_SetWriteHookForTest(nullptr);
    }
    void TearDown() override {
        PtpCache_ResetForTest();
        PtpCache_SetWriteHookForTest(nullptr);
        RemoveTree(root);
    }
    void Open() { ASSERT_TRUE(PtpCache_SetCacheLocation(cacheDir.c_str(), imageDir.c_str())); }
    std::string InCache(const std::string& name) const { return cacheDir + "//" + name; }
    std::string InImages(const std::string& name) const { return imageDir + "//" + name; }
    static const char* AddImage(const PtpObjectInfo& r, const Bytes& b) {
        return PtpCache_AddImageToCache(&r, b.data(), uint32_t(b.size()));
    }
    // Whether the cache holds a record for this camera handle.
    static bool Has(uint32_t handle) {
        PtpObjectInfo key = Record(handle, ""), out;
        return PtpCache_GetObjectInfo(&key, &out);
    }
    std::string root, cacheDir, imageDir;
};

} // namespace cachetest
