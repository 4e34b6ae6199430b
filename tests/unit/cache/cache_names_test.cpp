// Untrusted object names: what they are stored under, and refused ones touch no file.
#include <gtest/gtest.h>

#include "cache_dirs.h"

namespace cachetest {
namespace {

// Dots inside a name are no component; camera names never hold folders; SD-card
// folders are flattened with '_'.
TEST(CacheNames, StoredNameOfCameraAndSdCardObjects) {
    const uint32_t sd = PTP_OBJECT_HANDLE_SD_CARD;
    struct Case {
        uint32_t handle;
        const char* name;
        const char* stored; // null: refused
    } cases[] = {
        {1, "IMG_0001.JPG", "IMG_0001.JPG"},
        {1, "..JPG", "..JPG"},
        {1, "a..b", "a..b"},
        {1, "DCIM/IMG_0001.JPG", nullptr},
        {sd, "DCIM/100CANON/IMG_1.CR2", "DCIM_100CANON_IMG_1.CR2"},
        {sd, "", nullptr}, // the other refused names are HostileNames' table
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.handle << " " << c.name);
        PtpObjectInfo r = Record(c.handle, c.name);
        char stored[PTP_OBJECT_NAME_SIZE];
        ASSERT_EQ(PtpCache_ObjectFileName(&r, stored), c.stored != nullptr);
        EXPECT_STREQ(stored, c.stored ? c.stored : "");
    }
    // A name that fills its field without a terminating NUL is no name.
    PtpObjectInfo r = Record(1, "");
    memset(r.fileName, 'a', sizeof r.fileName);
    char stored[PTP_OBJECT_NAME_SIZE];
    EXPECT_FALSE(PtpCache_ObjectFileName(&r, stored));
    r.fileName[255] = '\0';
    EXPECT_TRUE(PtpCache_ObjectFileName(&r, stored));
    EXPECT_EQ(strlen(stored), 255u);
}

TEST(CacheNames, PathsAreBoundedAndNeedADirectory) {
    char path[kCachePathSize];
    EXPECT_TRUE(PtpCache_BuildPath(path, "/c", "A.JPG", ".obj"));
    EXPECT_STREQ(path, "/c//A.JPG.obj");
    EXPECT_FALSE(PtpCache_BuildPath(path, "", "A.JPG", ".obj"));
    EXPECT_STREQ(path, "");
    EXPECT_FALSE(PtpCache_BuildPath(path, "/c", "a/b", nullptr));
    EXPECT_FALSE(PtpCache_BuildPath(path, "/c", "..", nullptr));
    // 511 characters fit the 512-byte buffer, 512 do not.
    std::string dir(kCachePathSize - 1 - 2 - 1, 'd');
    EXPECT_TRUE(PtpCache_BuildPath(path, dir.c_str(), "x", nullptr));
    EXPECT_EQ(strlen(path), kCachePathSize - 1);
    EXPECT_FALSE(PtpCache_BuildPath(path, dir.c_str(), "x", "y"));
    EXPECT_STREQ(path, "");
}

class HostileNames : public CacheDirs {};

// Every cache call with a hostile record or name fails and leaves the whole tree as it was.
TEST_F(HostileNames, TouchNothingInsideOrOutsideTheDirectories) {
    // Deep enough that a 255-character name no longer fits a path.
    std::string deep = root + "/" + std::string(240, 'd');
    ASSERT_EQ(mkdir(deep.c_str(), 0755), 0);
    ASSERT_TRUE(PtpCache_SetCacheLocation(deep.c_str(), imageDir.c_str()));
    Bytes victim = Pattern(64, 1);
    for (const char* f : {"x", "x.obj", "x.thumb", "x.ext.jpg", "passwd", "b", "b.obj"})
        WriteFile(root + "/" + f, victim);
    WriteFile(imageDir + "/b.obj", victim);
    // "": a name filling its field without a NUL; 255 characters: no longer fits a path.
    const std::string names[] = {
        "../x",  "/etc/passwd", "a\\b",    "..", "DCIM/../../x",       ".", "./x", "DCIM//x",
        "DCIM/", "DCIM/..",     "DCIM\\x", "",   std::string(255, 'n')};
    Bytes data = Pattern(5000, 3);
    for (const std::string& name : names) {
        for (uint32_t handle : {7u, PTP_OBJECT_HANDLE_SD_CARD}) {
            SCOPED_TRACE(name.substr(0, 20) + (handle == 7 ? " camera" : " sd"));
            PtpObjectInfo r = Record(handle, name.c_str());
            if (name.empty()) memset(r.fileName, 'x', sizeof r.fileName);
            auto before = Snapshot(root);
            uint8_t* out = nullptr;
            uint32_t length = 0;
            PtpObjectInfo info;
            EXPECT_FALSE(PtpCache_AddObjectInfoToCache(&r));
            EXPECT_EQ(PtpCache_AddImageToCache(&r, data.data(), uint32_t(data.size())), nullptr);
            EXPECT_EQ(PtpCache_AddExtractedToCache(&r, nullptr, data.data(), 10), nullptr);
            EXPECT_FALSE(PtpCache_AddThumbnailToCache(&r, data.data(), 10));
            EXPECT_FALSE(PtpCache_GetObjectInfo(&r, &info));
            EXPECT_FALSE(PtpCache_GetThumbnail(&r, &out, &length));
            EXPECT_FALSE(PtpCache_ReadImage(&r, &out, &length));
            EXPECT_FALSE(PtpCache_ReadExtracted(&r, &out, &length));
            EXPECT_EQ(PtpCache_GetCachedImagePath(&r, true), nullptr);
            EXPECT_FALSE(PtpCache_DeleteObject(&r));
            EXPECT_EQ(Snapshot(root), before);
        }
    }
    // A good object with a hostile name for its extracted JPEG.
    PtpObjectInfo good = Record(1, "IMG_0001.CR2");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&good));
    auto before = Snapshot(root);
    for (const char* name : {"../x", "/x", "a\\b", "..", "a/b"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(PtpCache_AddExtractedToCache(&good, name, data.data(), 10), nullptr);
    }
    EXPECT_EQ(Snapshot(root), before);
    // The same names that fit are stored, inside the directories only.
    std::string fits(200, 'n');
    PtpObjectInfo longButFits = Record(2, fits.c_str());
    EXPECT_TRUE(PtpCache_AddObjectInfoToCache(&longButFits));
    EXPECT_TRUE(Exists(deep + "//" + fits + ".obj"));
}

TEST_F(HostileNames, RecordsWithHostileNamesPlantedOnDiskAreNotLoaded) {
    Bytes victim = Pattern(64, 1);
    WriteFile(root + "/x.obj", victim);
    WriteFile(root + "/x.thumb", victim);
    // A record saying "../x" under a file name that looks harmless, and one
    // whose file name differs from the record's own.
    PtpObjectInfo hostile = Record(PTP_OBJECT_HANDLE_SD_CARD, "../x");
    WriteFile(InCache("x.obj"), &hostile, sizeof hostile);
    PtpObjectInfo other = Record(3, "OTHER.JPG");
    WriteFile(InCache("MINE.JPG.obj"), &other, sizeof other);
    Open();
    auto before = Snapshot(root);
    PtpObjectInfo out;
    EXPECT_FALSE(PtpCache_GetObjectInfo(&hostile, &out));
    EXPECT_FALSE(PtpCache_GetObjectInfo(&other, &out));
    EXPECT_FALSE(PtpCache_DeleteObject(&hostile));
    EXPECT_FALSE(PtpCache_DeleteObject(&other));
    EXPECT_EQ(Snapshot(root), before);
}

TEST_F(HostileNames, OverlongSettingsAreNotShortened) {
    std::string longDir(kCacheDirectoryMax + 1, 'c');
    EXPECT_FALSE(PtpCache_SetCacheLocation(longDir.c_str(), nullptr));
    std::string longImages = imageDir + std::string(kImageDirectoryMax, 'i');
    EXPECT_FALSE(PtpCache_SetCacheLocation(cacheDir.c_str(), longImages.c_str()));
    PtpObjectInfo r = Record(1, "A.JPG");
    EXPECT_FALSE(PtpCache_AddObjectInfoToCache(&r));
    // An image directory over its limit is ignored: images stay where they were.
    Open();
    PtpCache_SetOptionalImageDirectory(longImages.c_str());
    EXPECT_STREQ(AddImage(r, Pattern(10, 1)), InImages("A.JPG").c_str());
    // A prefix over its limit is ignored too.
    PtpCache_SetCacheCustomPrefix(std::string(kCachePrefixMax + 1, 'p').c_str(), 1);
    EXPECT_STREQ(AddImage(Record(2, "B.JPG"), Pattern(10, 1)), InImages("B.JPG").c_str());
}

} // namespace
} // namespace cachetest
