// The object cache: round trips through memory and disk, lookups, replacement, deletion.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "cache_dirs.h"

namespace cachetest {
namespace {

class ObjectCache : public CacheDirs {};

using Names_ = std::vector<std::string>;

TEST_F(ObjectCache, DisabledUntilALocationIsSet) {
    auto before = Snapshot(root);
    PtpObjectInfo r = Record(1, "IMG_0001.JPG");
    Bytes image = Pattern(100, 1);
    EXPECT_FALSE(PtpCache_AddObjectInfoToCache(&r));
    EXPECT_EQ(AddImage(r, image), nullptr);
    EXPECT_FALSE(PtpCache_AddThumbnailToCache(&r, image.data(), uint32_t(image.size())));
    EXPECT_FALSE(PtpCache_DeleteObject(&r));
    EXPECT_FALSE(PtpCache_SetCacheLocation("", imageDir.c_str()));
    EXPECT_FALSE(PtpCache_SetCacheLocation(nullptr, nullptr));
    EXPECT_FALSE(PtpCache_AddObjectInfoToCache(&r));
    EXPECT_EQ(Snapshot(root), before); // nothing beside it either: every path needs a directory
}

TEST_F(ObjectCache, RecordImageThumbnailAndExtractedRoundTripThroughDisk) {
    Open();
    PtpObjectInfo r = Record(0x10, "IMG_0001.CR2", 1700000000);
    r.orientation = 6;
    Bytes image = Pattern(300000, 3), thumb = Pattern(5000, 9), jpeg = Pattern(70000, 5);
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&r));
    EXPECT_EQ(ReadFile(InCache("IMG_0001.CR2.obj")),
              Bytes(reinterpret_cast<uint8_t*>(&r), reinterpret_cast<uint8_t*>(&r) + 612));
    EXPECT_STREQ(AddImage(r, image), InImages("IMG_0001.CR2").c_str());
    ASSERT_TRUE(PtpCache_AddThumbnailToCache(&r, thumb.data(), uint32_t(thumb.size())));
    EXPECT_STREQ(PtpCache_AddExtractedToCache(&r, nullptr, jpeg.data(), uint32_t(jpeg.size())),
                 InImages("IMG_0001.CR2.ext.jpg").c_str());
    EXPECT_EQ(ReadFile(InCache("IMG_0001.CR2.thumb")), thumb);
    // From the paths remembered in memory, then after a reload from disk.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        PtpObjectInfo out, key = Record(0x10, "");
        ASSERT_TRUE(PtpCache_GetObjectInfo(&key, &out));
        EXPECT_EQ(memcmp(&out, &r, sizeof r), 0);
        Owned a, b, c;
        ASSERT_TRUE(PtpCache_ReadImage(&key, &a.data, &a.length));
        EXPECT_EQ(a.bytes(), image);
        ASSERT_TRUE(PtpCache_ReadExtracted(&key, &b.data, &b.length));
        EXPECT_EQ(b.bytes(), jpeg);
        key.orientation = 0x1200;
        ASSERT_TRUE(PtpCache_GetThumbnail(&key, &c.data, &c.length));
        EXPECT_EQ(c.bytes(), thumb);
        EXPECT_EQ(key.orientation, 0x1206u); // the cached low byte, the rest kept
        EXPECT_STREQ(PtpCache_GetCachedImagePath(&key, false), InImages("IMG_0001.CR2").c_str());
        EXPECT_STREQ(PtpCache_GetCachedImagePath(&key, true),
                     InImages("IMG_0001.CR2.ext.jpg").c_str());
        Open();
    }
    // A modified JPEG the host put beside the image wins.
    Bytes modified = Pattern(800, 77);
    WriteFile(InImages("IMG_0001.CR2.mod.jpg"), modified);
    Open();
    PtpObjectInfo key = Record(0x10, "");
    EXPECT_STREQ(PtpCache_GetCachedImagePath(&key, true), InImages("IMG_0001.CR2.mod.jpg").c_str());
    Owned m;
    ASSERT_TRUE(PtpCache_ReadModified(&key, &m.data, &m.length));
    EXPECT_EQ(m.bytes(), modified);
}

TEST_F(ObjectCache, ReturnedPathsBelongToTheCallingThread) {
    Open();
    Bytes image = Pattern(10, 1);
    const char* mine = AddImage(Record(1, "A.JPG"), image);
    std::string other;
    std::thread([&] {
        const char* p = AddImage(Record(2, "B.JPG"), image);
        other = p ? p : "";
    }).join();
    EXPECT_STREQ(mine, InImages("A.JPG").c_str());
    EXPECT_EQ(other, InImages("B.JPG"));
}

TEST_F(ObjectCache, SdCardNamesAreFoundByCaseInsensitivePrefix) {
    Open();
    PtpObjectInfo stored = SdRecord("dcim/img_0001");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&stored));
    struct Case {
        const char* key;
        bool found;
    } cases[] = {{"DCIM/IMG_0001.JPG", true},
                 {"dcim/img_0001", true},
                 {"DCIM/IMG_0002.JPG", false},
                 {"DCIM/IMG_000", false},
                 {"", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        PtpObjectInfo key = SdRecord(c.key), out;
        ASSERT_EQ(PtpCache_GetObjectInfo(&key, &out), c.found);
        if (c.found) EXPECT_STREQ(out.fileName, "dcim/img_0001");
    }
    // A camera object of the same name is another object.
    PtpObjectInfo camera = Record(5, "DCIM/IMG_0001.JPG"), out;
    EXPECT_FALSE(PtpCache_GetObjectInfo(&camera, &out));
}

// A record stored again under another name or handle is found under the new
// one only, and a handle deleted and added again is found again.
TEST_F(ObjectCache, LookupsFollowRenamesAndReAddedHandles) {
    Open();
    PtpObjectInfo shortName = SdRecord("dcim/img_0001"), longName = SdRecord("DCIM/IMG_0001.JPG");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&shortName));
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&longName)); // found by prefix, renamed
    PtpObjectInfo out;
    EXPECT_FALSE(PtpCache_GetObjectInfo(&shortName, &out));
    ASSERT_TRUE(PtpCache_GetObjectInfo(&longName, &out));
    EXPECT_STREQ(out.fileName, "DCIM/IMG_0001.JPG");

    PtpObjectInfo a = Record(5, "A.JPG");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&a));
    ASSERT_TRUE(PtpCache_DeleteObject(&a));
    EXPECT_FALSE(Has(5));
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&a));
    EXPECT_TRUE(Has(5));
}

TEST_F(ObjectCache, SdCardFoldersAreStoredFlatInTheDirectories) {
    Open();
    PtpObjectInfo r = SdRecord("DCIM/100CANON/IMG_0001.JPG");
    Bytes image = Pattern(1000, 2);
    EXPECT_STREQ(AddImage(r, image), InImages("DCIM_100CANON_IMG_0001.JPG").c_str());
    ASSERT_TRUE(PtpCache_AddThumbnailToCache(&r, image.data(), 100));
    EXPECT_EQ(Names(cacheDir),
              (Names_{"DCIM_100CANON_IMG_0001.JPG.obj", "DCIM_100CANON_IMG_0001.JPG.thumb"}));
    EXPECT_EQ(Names(imageDir), (Names_{"DCIM_100CANON_IMG_0001.JPG"}));
    EXPECT_EQ(ReadFile(InImages("DCIM_100CANON_IMG_0001.JPG")), image);
    // The record keeps its real name and is found by it after a reload.
    Open();
    PtpObjectInfo out;
    ASSERT_TRUE(PtpCache_GetObjectInfo(&r, &out));
    EXPECT_STREQ(out.fileName, "DCIM/100CANON/IMG_0001.JPG");
    ASSERT_TRUE(PtpCache_DeleteObject(&r));
    EXPECT_TRUE(Names(cacheDir).empty());
    EXPECT_TRUE(Names(imageDir).empty());
}

// A record for a cached handle replaces the entry with its files when it has a
// new capture date; the same date, or none, keeps them.
TEST_F(ObjectCache, NewCaptureDateReplacesTheEntryAndItsFiles) {
    Open();
    PtpObjectInfo first = Record(5, "IMG_0005.JPG", 1000);
    Bytes image = Pattern(4000, 1);
    ASSERT_NE(AddImage(first, image), nullptr);
    ASSERT_TRUE(PtpCache_AddThumbnailToCache(&first, image.data(), 300));
    for (int64_t date : {1000, 0, 2000}) {
        SCOPED_TRACE(date);
        PtpObjectInfo again = Record(5, "IMG_0005.JPG", date);
        ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&again));
        EXPECT_EQ(Exists(InImages("IMG_0005.JPG")), date != 2000);
        EXPECT_EQ(Exists(InCache("IMG_0005.JPG.thumb")), date != 2000);
    }
    PtpObjectInfo second = Record(5, "IMG_0005.JPG", 2000), out;
    ASSERT_TRUE(PtpCache_GetObjectInfo(&second, &out));
    EXPECT_EQ(out.captureDate, 2000);
    Owned t, i;
    EXPECT_FALSE(PtpCache_GetThumbnail(&second, &t.data, &t.length));
    EXPECT_FALSE(PtpCache_ReadImage(&second, &i.data, &i.length));
    EXPECT_TRUE(PtpCache_LoadObjectInfoFromFile(InCache("IMG_0005.JPG.obj").c_str(), &out));
    EXPECT_EQ(out.captureDate, 2000);
}

// Without capture dates: a new handle for a cached name replaces the old entry,
// and a reused handle naming another file is another object.
TEST_F(ObjectCache, HandlesAndNamesThatNoLongerMatch) {
    Open();
    Bytes image = Pattern(4000, 1);
    ASSERT_NE(AddImage(Record(5, "IMG_0005.JPG"), image), nullptr);
    PtpObjectInfo renumbered = Record(9, "IMG_0005.JPG");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&renumbered));
    EXPECT_FALSE(Has(5)); // its files are gone, so is the entry
    EXPECT_TRUE(Has(9));
    EXPECT_FALSE(Exists(InImages("IMG_0005.JPG")));

    ASSERT_NE(AddImage(Record(7, "A.JPG"), image), nullptr);
    PtpObjectInfo b = Record(7, "B.JPG"), out;
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&b));
    ASSERT_TRUE(PtpCache_GetObjectInfo(&b, &out));
    EXPECT_STREQ(out.fileName, "B.JPG");
    Owned i;
    EXPECT_FALSE(PtpCache_ReadImage(&b, &i.data, &i.length)); // A's image is not B's
    EXPECT_EQ(Names(cacheDir), (Names_{"B.JPG.obj", "IMG_0005.JPG.obj"}));
    EXPECT_TRUE(Names(imageDir).empty());
}

// An image or thumbnail whose file went behind the cache's back is not found;
// the image is forgotten and can be stored again.
TEST_F(ObjectCache, FilesThatVanishedAreNotFound) {
    Open();
    PtpObjectInfo r = Record(3, "IMG_0003.JPG");
    Bytes data = Pattern(300, 2);
    ASSERT_NE(AddImage(r, data), nullptr);
    ASSERT_EQ(unlink(InImages("IMG_0003.JPG").c_str()), 0);
    Owned i;
    EXPECT_FALSE(PtpCache_ReadImage(&r, &i.data, &i.length));
    EXPECT_EQ(PtpCache_GetCachedImagePath(&r, false), nullptr);
    ASSERT_NE(AddImage(r, data), nullptr);
    ASSERT_TRUE(PtpCache_ReadImage(&r, &i.data, &i.length));
    EXPECT_EQ(i.bytes(), data);

    ASSERT_TRUE(PtpCache_AddThumbnailToCache(&r, data.data(), uint32_t(data.size())));
    ASSERT_EQ(unlink(InCache("IMG_0003.JPG.thumb").c_str()), 0);
    uint8_t* thumb = reinterpret_cast<uint8_t*>(&r); // must come back cleared
    uint32_t length = 99;
    EXPECT_FALSE(PtpCache_GetThumbnail(&r, &thumb, &length));
    EXPECT_EQ(thumb, nullptr);
    EXPECT_EQ(length, 0u);
    // An empty thumbnail file counts as none too.
    WriteFile(InCache("IMG_0003.JPG.thumb"), Bytes());
    EXPECT_FALSE(PtpCache_GetThumbnail(&r, &thumb, &length));
}

TEST_F(ObjectCache, ThumbnailWithANewOrientationStoresTheRecordFirst) {
    Open();
    PtpObjectInfo r = Record(3, "IMG_0003.JPG");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&r));
    r.orientation = 8;
    Bytes thumb = Pattern(300, 2);
    ASSERT_TRUE(PtpCache_AddThumbnailToCache(&r, thumb.data(), uint32_t(thumb.size())));
    PtpObjectInfo out;
    ASSERT_TRUE(PtpCache_LoadObjectInfoFromFile(InCache("IMG_0003.JPG.obj").c_str(), &out));
    EXPECT_EQ(out.orientation, 8u);
    Owned t;
    PtpObjectInfo asker = Record(3, "IMG_0003.JPG");
    ASSERT_TRUE(PtpCache_GetThumbnail(&asker, &t.data, &t.length));
    EXPECT_EQ(asker.orientation, 8u);
}

TEST_F(ObjectCache, DeleteRemovesExactlyTheEntryTheLookupFindsWithAllItsFiles) {
    Open();
    Bytes data = Pattern(50, 1);
    const char* names[] = {"A.JPG", "B.JPG", "C.JPG"};
    for (uint32_t i = 0; i < 3; ++i) {
        PtpObjectInfo r = Record(i + 1, names[i]);
        ASSERT_NE(AddImage(r, data), nullptr);
        ASSERT_TRUE(PtpCache_AddThumbnailToCache(&r, data.data(), 50));
        ASSERT_NE(PtpCache_AddExtractedToCache(&r, nullptr, data.data(), 50), nullptr);
    }
    // Files the host keeps beside the cache's own.
    WriteFile(InImages("C.JPG.mod.jpg"), data);
    WriteFile(InCache("C.JPG.edit"), data);
    WriteFile(InCache("C.JPG.small"), data);

    PtpObjectInfo tail = Record(3, "");
    ASSERT_TRUE(PtpCache_DeleteObject(&tail));
    EXPECT_FALSE(PtpCache_DeleteObject(&tail));
    for (const char* f : {"C.JPG.obj", "C.JPG.thumb", "C.JPG.edit", "C.JPG.small"})
        EXPECT_FALSE(Exists(InCache(f))) << f;
    for (const char* f : {"C.JPG", "C.JPG.ext.jpg", "C.JPG.mod.jpg"})
        EXPECT_FALSE(Exists(InImages(f))) << f;
    // The list stays whole after losing its tail and then its head, also after a reload.
    PtpObjectInfo d = Record(4, "D.JPG"), head = Record(1, "");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&d));
    ASSERT_TRUE(PtpCache_DeleteObject(&head));
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t h : {1u, 2u, 3u, 4u})
            EXPECT_EQ(Has(h), h % 2 == 0) << h << " pass " << pass;
        Open();
    }
    EXPECT_EQ(Names(cacheDir), (Names_{"B.JPG.obj", "B.JPG.thumb", "D.JPG.obj"}));
}

TEST_F(ObjectCache, SdCardDeletionMatchesTheKeysNameCaseSensitively) {
    Open();
    PtpObjectInfo a = SdRecord("a1.jpg"), b = SdRecord("a2.jpg");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&a));
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&b));
    struct Case {
        const char* key;
        const char* gone; // null: nothing deleted
    } cases[] = {
        {"", nullptr},        {"A2", nullptr},     {"a2.jpg.x", nullptr},
        {"a2", "a2.jpg.obj"}, {"a", "a1.jpg.obj"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        PtpObjectInfo key = SdRecord(c.key);
        Names_ before = Names(cacheDir);
        EXPECT_EQ(PtpCache_DeleteObject(&key), c.gone != nullptr);
        if (c.gone) before.erase(std::find(before.begin(), before.end(), c.gone));
        EXPECT_EQ(Names(cacheDir), before);
    }
}

TEST_F(ObjectCache, WipeForgetsEntriesButKeepsFilesAndTheCacheEnabled) {
    Open();
    PtpObjectInfo r = Record(1, "A.JPG");
    ASSERT_TRUE(PtpCache_AddObjectInfoToCache(&r));
    PtpCache_WipeCacheMemory();
    EXPECT_FALSE(Has(1));
    EXPECT_TRUE(Exists(InCache("A.JPG.obj")));
    EXPECT_NE(AddImage(r, Pattern(10, 1)), nullptr);
}

TEST_F(ObjectCache, NullAndEmptyArgumentsAreRefused) {
    Open();
    PtpObjectInfo r = Record(1, "A.JPG"), out, unnamed = Record(1, "");
    Bytes image = Pattern(10, 1);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    EXPECT_FALSE(PtpCache_AddObjectInfoToCache(nullptr));
    EXPECT_EQ(PtpCache_AddImageToCache(nullptr, image.data(), 10), nullptr);
    EXPECT_EQ(PtpCache_AddImageToCache(&r, nullptr, 10), nullptr);
    EXPECT_EQ(PtpCache_AddImageToCache(&r, image.data(), 0), nullptr);
    EXPECT_EQ(PtpCache_AddExtractedToCache(&r, nullptr, image.data(), 0), nullptr);
    EXPECT_FALSE(PtpCache_AddThumbnailToCache(&r, nullptr, 10));
    EXPECT_FALSE(PtpCache_DeleteObject(nullptr));
    EXPECT_FALSE(PtpCache_GetObjectInfo(nullptr, &out));
    EXPECT_FALSE(PtpCache_GetObjectInfo(&r, nullptr));
    EXPECT_FALSE(PtpCache_GetThumbnail(nullptr, &data, &length));
    EXPECT_FALSE(PtpCache_ReadImage(nullptr, &data, &length));
    EXPECT_FALSE(PtpCache_LoadObjectInfoFromFile(nullptr, &out));
    EXPECT_EQ(PtpCache_GetCachedImagePath(nullptr, true), nullptr);
    EXPECT_FALSE(PtpCache_AddObjectInfoToCache(&unnamed));
    EXPECT_TRUE(Names(cacheDir).empty());
    EXPECT_TRUE(Names(imageDir).empty());
}

} // namespace
} // namespace cachetest
