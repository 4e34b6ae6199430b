// Loading a cache directory: trusted records, trimming, interrupted writes.
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
    const size_t sizes[] = {612, 611, 613, 0, 70000};
    for (uint32_t i = 0; i < 5; ++i) {
        std::string name = "R" + std::to_string(i) + ".JPG";
        PtpObjectInfo r = Record(i + 1, name.c_str());
        Bytes bytes(sizes[i] + 1, 0);
        memcpy(bytes.data(), &r, std::min(sizes[i], sizeof r));
        bytes.pop_back();
        WriteFile(InCache(name + ".obj"), bytes);
    }
    mkdir(InCache("DIR.JPG.obj").c_str(), 0755);
    Open();
    for (uint32_t i = 0; i < 5; ++i)
        EXPECT_EQ(Has(i + 1), i == 0) << sizes[i];
    EXPECT_EQ(Names(cacheDir).size(), 6u); // files the cache does not trust are not its to delete
}

// (Record sizes are the directory load's table above.)
TEST_F(CacheLoad, LoadObjectInfoFromFile) {
    PtpObjectInfo r = Record(9, "IMG_0009.JPG");
    memset(r.fileName, 'A', sizeof r.fileName); // unterminated on disk
    WriteFile(InCache("r.obj"), &r, 611);
    PtpObjectInfo out;
    memset(&out, 0xEE, sizeof out);
    ASSERT_FALSE(PtpCache_LoadObjectInfoFromFile(InCache("r.obj").c_str(), &out));
    EXPECT_EQ(out.handle, 0xEEEEEEEEu); // untouched on failure
    WriteFile(InCache("r.obj"), &r, sizeof r);
    ASSERT_TRUE(PtpCache_LoadObjectInfoFromFile(InCache("r.obj").c_str(), &out));
    EXPECT_EQ(strlen(out.fileName), 255u); // the unterminated name is cut
    EXPECT_FALSE(PtpCache_LoadObjectInfoFromFile(InCache("missing.obj").c_str(), &out));
    EXPECT_FALSE(PtpCache_LoadObjectInfoFromFile(cacheDir.c_str(), &out));
}

TEST_F(CacheLoad, KeepsThe2001MostRecentlyAccessedRecordsAndDeletesTheRestWithTheirFiles) {
    const int total = 2500, dropped = 499;
    const time_t base = 1600000000;
    Bytes small = Pattern(16, 1);
    // Access times shuffled against creation and handle order; every fifth record
    // has a thumbnail and an image, enough to see whose files go.
    auto accessRank = [](int i) { return (i * 7919) % 2500; };
    auto WithFiles = [](int i) { return i % 5 == 0; };
    auto Name = [](int i) { return "IMG_" + std::to_string(10000 + i) + ".JPG"; };
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
        ASSERT_EQ(Has(uint32_t(i + 1)), newest) << name;
        ASSERT_EQ(Exists(InCache(name + ".obj")), newest) << name;
        ASSERT_EQ(Exists(InCache(name + ".thumb")), newest && WithFiles(i)) << name;
        ASSERT_EQ(Exists(InImages(name)), newest && WithFiles(i)) << name;
        kept += newest;
    }
    EXPECT_EQ(kept, 2001);
}

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
    ASSERT_NE(AddImage(r, old), nullptr);
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
        const bool replacing = target == &r;
        EXPECT_EQ(ReadFile(InImages(target->fileName)), replacing ? old : Bytes());
        // A reload does not take the temporary for anything and clears it.
        Open();
        EXPECT_FALSE(Exists(temporary));
        Owned got;
        EXPECT_EQ(PtpCache_ReadImage(target, &got.data, &got.length), replacing);
        EXPECT_EQ(got.bytes(), replacing ? old : Bytes());
        if (!replacing) EXPECT_EQ(PtpCache_GetCachedImagePath(&fresh, true), nullptr);
    }
    EXPECT_EQ(Names(imageDir), (std::vector<std::string>{"IMG_0004.JPG"}));
}

TEST_F(CacheLoad, FailedWriteLeavesNoTemporary) {
    Open();
    ASSERT_EQ(rmdir(imageDir.c_str()), 0);
    WriteFile(imageDir, Bytes{1}); // the image directory is now a file
    EXPECT_EQ(AddImage(Record(1, "A.JPG"), Pattern(100, 1)), nullptr);
    // The record itself went to the cache directory; nothing else is left.
    EXPECT_EQ(Names(cacheDir), (std::vector<std::string>{"A.JPG.obj"}));
}

} // namespace
} // namespace cachetest
