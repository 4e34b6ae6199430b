// Names of stored images under a custom prefix: kept object names, or a
// counter continuing after the numbers already in the image directory.
#include <gtest/gtest.h>

#include "cache_dirs.h"

namespace cachetest {
namespace {

class ImageCounter : public CacheDirs {
  protected:
    std::string Store(uint32_t handle, const char* name) {
        const char* p = AddImage(Record(handle, name), Pattern(10, handle));
        return p ? std::string(p).substr(imageDir.size() + 2) : std::string("(null)");
    }
};

TEST_F(ImageCounter, CounterContinuesAfterTheHighestNumberInTheImageDirectory) {
    // A kept name counts as nothing, "od_99" is no number, a directory no file.
    for (const char* f :
         {"Trip_7.jpg", "Trip_12.CR2", "Trip_IMG_0001.JPG", "Tripod_99.jpg", "Other_50.jpg"})
        WriteFile(InImages(f), Bytes{1});
    mkdir(InImages("Trip_80.dir").c_str(), 0755);
    Open();
    PtpCache_SetCacheCustomPrefix("Trip", 0);
    EXPECT_EQ(Store(1, "IMG_0001.JPG"), "Trip_13.JPG");
    EXPECT_EQ(Store(2, "IMG_0002.CR2"), "Trip_14.CR2");
    EXPECT_EQ(Store(3, "NOEXT"), "Trip_15");
    EXPECT_EQ(Store(PTP_OBJECT_HANDLE_SD_CARD, "DCIM.X/IMG_9.NEF"), "Trip_16.NEF");
    // A counter image is remembered by its entry, also when stored again.
    PtpObjectInfo key = Record(1, "");
    EXPECT_STREQ(PtpCache_GetCachedImagePath(&key, false), InImages("Trip_13.JPG").c_str());
}

TEST_F(ImageCounter, PrefixSetBeforeTheLocationStillCountsTheDirectory) {
    WriteFile(InImages("Trip_12.CR2"), Bytes{1});
    PtpCache_SetCacheCustomPrefix("Trip", 0);
    Open();
    EXPECT_EQ(Store(1, "IMG_0001.JPG"), "Trip_13.JPG");
    // Changing the image directory counts the new one.
    std::string other = root + "/other";
    ASSERT_EQ(mkdir(other.c_str(), 0755), 0);
    WriteFile(other + "/Trip_40.jpg", Bytes{1});
    PtpCache_SetOptionalImageDirectory(other.c_str());
    EXPECT_STREQ(AddImage(Record(2, "IMG_0002.JPG"), Pattern(10, 1)),
                 (other + "//Trip_41.JPG").c_str());
}

TEST_F(ImageCounter, CounterNeverOverwritesAnImageItDidNotCount) {
    Open();
    PtpCache_SetCacheCustomPrefix("Trip", 0);
    WriteFile(InImages("Trip_1.JPG"), Bytes{42}); // appeared after the scan
    EXPECT_EQ(Store(1, "IMG_0001.JPG"), "Trip_2.JPG");
    EXPECT_EQ(ReadFile(InImages("Trip_1.JPG")), Bytes{42});
}

TEST_F(ImageCounter, KeepNamesAndNoPrefix) {
    Open();
    PtpCache_SetCacheCustomPrefix("Trip", 1);
    EXPECT_EQ(Store(1, "IMG_0001.JPG"), "Trip_IMG_0001.JPG");
    EXPECT_EQ(Store(PTP_OBJECT_HANDLE_SD_CARD, "DCIM/IMG_0002.JPG"), "Trip_DCIM_IMG_0002.JPG");
    // Kept names are found again after a reload.
    Open();
    PtpObjectInfo key = Record(1, "");
    EXPECT_STREQ(PtpCache_GetCachedImagePath(&key, false), InImages("Trip_IMG_0001.JPG").c_str());
    PtpCache_SetCacheCustomPrefix(nullptr, 0);
    EXPECT_EQ(Store(3, "IMG_0003.JPG"), "IMG_0003.JPG");
    PtpCache_SetCacheCustomPrefix("", 1);
    EXPECT_EQ(Store(4, "IMG_0004.JPG"), "IMG_0004.JPG");
}

TEST(ImageCounterScan, NumbersUpToTheFirstDot) {
    char dirTemplate[] = "/tmp/ptpcount-XXXXXX";
    ASSERT_NE(mkdtemp(dirTemplate), nullptr);
    std::string dir = dirTemplate;
    struct Case {
        const char* file;
        uint32_t counter; // from 1
    } cases[] = {
        {"Trip-7.jpg", 8}, // any one separator
        {"Trip_0.jpg", 1},
        {"Trip_.jpg", 1},
        {"Trip_5", 6},
        {"trip_9.jpg", 1},          // case-sensitive prefix
        {"Trip_4294967295.jpg", 1}, // does not fit a counter
        {"Trip_4294967294.jpg", 4294967295u},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteFile(dir + "/" + c.file, Bytes{1});
        EXPECT_EQ(PtpCache_ScanImageCounter(dir.c_str(), "Trip", 1), c.counter);
        unlink((dir + "/" + c.file).c_str());
    }
    RemoveTree(dir);
}

} // namespace
} // namespace cachetest
