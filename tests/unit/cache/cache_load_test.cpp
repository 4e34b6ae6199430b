// Loading a cache directory: which record files are trusted, trimming to the
// 2001 most recently accessed records with their files, and what an
// interrupted write leaves behind.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>

#include "cache_dirs.h"

namespace cachetest {
namespace {

class CacheLoad : public CacheDirs {
  protected:
    // Sets the last-access time of a file (the modification time stays).
    void SetAccessTime(const std::string& path, time_t seconds) {
        struct timespec times[2] = {{seconds, 0}, {0, UTIME_OMIT}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
};

TEST_F(CacheLoad, OnlyRecordFilesOfExactlyOneRecordAreLoaded) {
    PtpObjectInfo good = Record(1, "GOOD.JPG");
    WriteFile(InCache("GOOD.JPG.obj"), &good, sizeof good);
    struct Case {
        const char* name;
        size_t size;
    } cases[] = {{"SHORT.JPG", 611}, {"LONG.JPG", 613}, {"EMPTY.JPG", 0}, {"HUGE.JPG", 70000}};
    uint32_t handle = 2;
    for (const Case& c : cases) {
        PtpObjectInfo r = Record(handle++, c.name);
        Bytes bytes(c.size, 0);
        if (c.size) memcpy(bytes.data(), &r, std::min(c.size, sizeof r));
        WriteFile(InCache(std::string(c.name) + ".obj"), bytes);
    }
    mkdir(InCache("DIR.JPG.obj").c_str(), 0755);
    Open();
    PtpObjectInfo out;
    EXPECT_TRUE(PtpCache_GetObjectInfo(&good, &out));
    for (uint32_t h = 2; h < handle; ++h) {
        PtpObjectInfo key = Record(h, "");
        EXPECT_FALSE(PtpCache_GetObjectInfo(&key, &out)) << h;
    }
    // Files the cache does not trust are not its to delete.
    EXPECT_EQ(Names(cacheDir).size(), 6u);
}

TEST_F(CacheLoad, LoadObjectInfoFromFileNeedsExactly612Bytes) {
    PtpObjectInfo r = Record(9, "IMG_0009.JPG");
    memset(r.fileName, 'A', sizeof r.fileName); // unterminated on disk
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&r);
    struct Case {
        size_t size;
        bool ok;
    } cases[] = {{612, true}, {611, false}, {613, false}, {0, false}, {4, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        Bytes bytes(raw, raw + std::min(c.size, sizeof r));
        bytes.resize(c.size, 0x55);
        WriteFile(InCache("r.obj"), bytes);
        PtpObjectInfo out;
        memset(&out, 0xEE, sizeof out);
        ASSERT_EQ(PtpCache_LoadObjectInfoFromFile(InCache("r.obj").c_str(), &out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out.handle, 9u);
            EXPECT_EQ(out.fileName[255], '\0');
            EXPECT_EQ(strlen(out.fileName), 255u);
        } else {
            EXPECT_EQ(out.handle, 0xEEEEEEEEu); // untouched
        }
    }
    PtpObjectInfo out;
    EXPECT_FALSE(PtpCache_LoadObjectInfoFromFile(InCache("missing.obj").c_str(), &out));
    EXPECT_FALSE(PtpCache_LoadObjectInfoFromFile(cacheDir.c_str(), &out));
}

TEST(CacheTrim, DropsExactlyTheRecordsAfterTheNewestKept) {
    struct Case {
        size_t count;
        size_t dropped;
    } cases[] = {{0, 0}, {2000, 0}, {2001, 0}, {2002, 1}, {2500, 499}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.count);
        // Access times descend with the position except that every third
        // record is the newest of all, so order matters and ties occur.
        std::vector<PtpCacheLoadedRecord> records(c.count);
        for (size_t i = 0; i < c.count; ++i)
            records[i].accessTime = i % 3 == 0 ? 4000000000u : uint32_t(3000000 - i);
        std::vector<size_t> drop = PtpCache_RecordsToTrim(records, kCacheKeepRecords);
        ASSERT_EQ(drop.size(), c.dropped);
        // Every kept record is at least as new as every dropped one.
        std::vector<bool> dropped(c.count, false);
        for (size_t i : drop)
            dropped[i] = true;
        uint32_t oldestKept = UINT32_MAX, newestDropped = 0;
        for (size_t i = 0; i < c.count; ++i) {
            if (dropped[i])
                newestDropped = std::max(newestDropped, records[i].accessTime);
            else
                oldestKept = std::min(oldestKept, records[i].accessTime);
        }
        if (c.dropped) {
            EXPECT_LE(newestDropped, oldestKept);
        }
    }
}

TEST_F(CacheLoad, KeepsThe2001MostRecentlyAccessedRecordsAndDeletesTheRestWithTheirFiles) {
    const int total = 2500, dropped = 499;
    const time_t base = 1600000000;
    Bytes small = Pattern(16, 1);
    // Access times are shuffled against the creation order, so that neither
    // enumeration order nor handle order gives the answer.
    auto accessRank = [](int i) { return (i * 7919) % 2500; };
    // Creating files is what costs here: every fifth record has a thumbnail
    // and an image, enough to see whose files go.
    auto WithFiles = [](int i) { return i % 5 == 0; };
    auto Name = [](int i) {
        char name[32];
        snprintf(name, sizeof name, "IMG_%04d.JPG", i);
        return std::string(name);
    };
    for (int i = 0; i < total; ++i) {
        PtpObjectInfo r = Record(uint32_t(i + 1), Name(i).c_str());
        WriteFile(InCache(Name(i) + ".obj"), &r, sizeof r);
        if (WithFiles(i)) {
            WriteFile(InCache(Name(i) + ".thumb"), small);
            WriteFile(InImages(Name(i)), small);
        }
        SetAccessTime(InCache(Name(i) + ".obj"), base + accessRank(i));
    }
    Open();
    int kept = 0;
    for (int i = 0; i < total; ++i) {
        const std::string name = Name(i);
        bool newest = accessRank(i) >= dropped;
        PtpObjectInfo key = Record(uint32_t(i + 1), ""), out;
        ASSERT_EQ(PtpCache_GetObjectInfo(&key, &out), newest) << name;
        ASSERT_EQ(Exists(InCache(name + ".obj")), newest) << name;
        ASSERT_EQ(Exists(InCache(name + ".thumb")), newest && WithFiles(i)) << name;
        ASSERT_EQ(Exists(InImages(name)), newest && WithFiles(i)) << name;
        kept += newest;
    }
    EXPECT_EQ(kept, 2001);
}

// --- An interrupted write ----------------------------------------------------------------

int g_reportFd = -1;

// Runs in the child: tells the parent where the temporary is once the first
// chunk is in it, then waits to be killed.
void PauseAfterFirstChunk(const char* temporaryPath, uint64_t written) {
    char line[kCachePathSize + 32];
    int n = snprintf(line, sizeof line, "%llu %s\n", (unsigned long long)written, temporaryPath);
    if (write(g_reportFd, line, size_t(n)) != n) _exit(3);
    for (;;)
        pause();
}

TEST_F(CacheLoad, WriterKilledMidWriteLeavesNoFileTakenAsValid) {
    Open();
    PtpObjectInfo r = Record(4, "IMG_0004.JPG");
    Bytes old = Pattern(1000, 8);
    ASSERT_NE(PtpCache_AddImageToCache(&r, old.data(), uint32_t(old.size())), nullptr);
    PtpObjectInfo fresh = Record(5, "IMG_0005.JPG");

    Bytes large = Pattern(8u << 20, 1);
    for (const PtpObjectInfo* target : {&r, &fresh}) {
        SCOPED_TRACE(target->fileName);
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            g_reportFd = fds[1];
            PtpCache_SetWriteHookForTest(PauseAfterFirstChunk);
            PtpCache_AddImageToCache(target, large.data(), uint32_t(large.size()));
            _exit(2); // the hook never returns
        }
        close(fds[1]);
        // The wait only guards against a hang; the child reports at once.
        struct pollfd pfd = {fds[0], POLLIN, 0};
        ASSERT_EQ(poll(&pfd, 1, 60000), 1);
        char line[kCachePathSize + 32] = {};
        ASSERT_GT(read(fds[0], line, sizeof line - 1), 0);
        close(fds[0]);
        ASSERT_EQ(kill(child, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));

        unsigned long long written = 0;
        char temporary[kCachePathSize] = {};
        ASSERT_EQ(sscanf(line, "%llu %511s", &written, temporary), 2);
        EXPECT_LT(written, large.size());
        ASSERT_TRUE(Exists(temporary)); // killed with a partial temporary in the directory

        // The final name holds the old image whole, or nothing at all.
        if (target == &r) {
            EXPECT_EQ(ReadFile(InImages("IMG_0004.JPG")), old);
        } else {
            EXPECT_FALSE(Exists(InImages("IMG_0005.JPG")));
        }
        // A reload does not take the temporary for anything and clears it.
        Open();
        EXPECT_FALSE(Exists(temporary));
        uint8_t* data = nullptr;
        uint32_t length = 0;
        if (target == &r) {
            ASSERT_TRUE(PtpCache_ReadImage(&r, &data, &length));
            EXPECT_EQ(Bytes(data, data + length), old);
            free(data);
        } else {
            EXPECT_FALSE(PtpCache_ReadImage(&fresh, &data, &length));
            EXPECT_EQ(PtpCache_GetCachedImagePath(&fresh, true), nullptr);
        }
    }
    EXPECT_EQ(Names(imageDir), (std::vector<std::string>{"IMG_0004.JPG"}));
}

TEST_F(CacheLoad, FailedWriteLeavesNoTemporary) {
    Open();
    ASSERT_EQ(rmdir(imageDir.c_str()), 0);
    WriteFile(imageDir, Bytes{1}); // the image directory is now a file
    PtpObjectInfo r = Record(1, "A.JPG");
    Bytes data = Pattern(100, 1);
    EXPECT_EQ(PtpCache_AddImageToCache(&r, data.data(), 100), nullptr);
    // The record itself went to the cache directory; nothing else is left.
    EXPECT_EQ(Names(cacheDir), (std::vector<std::string>{"A.JPG.obj"}));
}

} // namespace
} // namespace cachetest
