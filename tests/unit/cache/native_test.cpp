// The host image API against the virtual Tetherhub: fetches, cache answers, thumbnails.
#include "cache/native.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "cache_dirs.h"
#include "comms/bytes.h"
#include "generic/session.h"
#include "integration/hub_fixture.h"
#include "ptp_cache.h"
#include "ptp_native.h"
#include "support/raw_peer.h"

namespace {

namespace fs = std::filesystem;
using cachetest::Bytes;
using cachetest::Pattern;
using cachetest::ReadFile;
using cachetest::WriteFile;

constexpr uint32_t kMiB2 = 0x200000, kMiB1 = 0x100000;
constexpr uint8_t kControlPartialObject = 65, kControlExtractedJpg = 177;
constexpr uint8_t kControlSdThumbnail = 242, kControlSdFilePart = 248;

// The pauses the fetch asked for after busy answers, instead of sleeping.
std::mutex g_pauseLock;
std::vector<uint32_t> g_pauses;
void RecordPause(uint32_t millis) {
    std::lock_guard<std::mutex> held(g_pauseLock);
    g_pauses.push_back(millis);
}

Bytes RecordBytes(const PtpObjectInfo& record) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(&record);
    return Bytes(p, p + sizeof record);
}

uint32_t ControlTotal(const SimStats& s) {
    uint32_t total = 0;
    for (uint32_t n : s.control_requests)
        total += n;
    return total;
}

PtpObjectInfo SdRecord(const char* name) {
    PtpObjectInfo record = {};
    record.handle = PTP_OBJECT_HANDLE_SD_CARD;
    std::snprintf(record.fileName, sizeof record.fileName, "%s", name);
    record.fileNameLength = uint16_t(std::strlen(name) + 1);
    return record;
}

// What one Native_GetImage or Native_GetThumbnail handed over.
struct Image {
    PtpResult rc = 0;
    Bytes bytes;
    bool null = true;
    uint8_t fetchedNow = 0xEE;
    void Take(uint8_t* data, uint32_t length) {
        null = data == nullptr;
        if (data) bytes.assign(data, data + length);
        FreeMemory(data);
    }
};

class NativeImages : public HubTest {
  protected:
    std::string root, imageDir;
    void SetUp() override {
        HubTest::SetUp();
        char pattern[] = "/tmp/ptp_native_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root = pattern;
        imageDir = root + "/images";
        fs::create_directories(root + "/cache");
        fs::create_directories(imageDir);
        ASSERT_TRUE(PtpCache_SetCacheLocation((root + "/cache").c_str(), imageDir.c_str()));
        // The Nikon driver's session start is not what these tests are about.
        PtpResult session = PtpGenericInterface_StartSession(0);
        if (std::string(camera()) != "nikon") ASSERT_EQ(session, PtpResult_Ok);
        Native_SetPauseForTest(RecordPause);
        g_pauses.clear();
    }
    void TearDown() override {
        Native_SetPauseForTest(nullptr);
        PtpCache_ResetForTest();
        std::error_code ignored;
        fs::remove_all(root, ignored);
        HubTest::TearDown();
    }
    void Fault(SimFaultKind kind, uint32_t count, const Bytes& bytes = {}) {
        SimFault fault;
        fault.kind = kind;
        fault.count = count;
        fault.bytes = bytes;
        SimHub_InjectFault(hub, fault);
    }
    // A new camera object and its record as the host gets it.
    PtpObjectInfo AddObject(const char* name, const Bytes& bytes) {
        PtpObjectInfo record = {};
        record.handle = SimHub_AddObject(hub, name, bytes);
        EXPECT_NE(record.handle, 0u);
        EXPECT_EQ(Native_GetObjectInfo(&record, 0), PtpResult_Ok);
        EXPECT_EQ(record.compressedSize, bytes.size());
        DrainEvents();
        return record;
    }
    PtpObjectInfo AddObject(uint32_t seed, uint32_t size) {
        return AddObject(("IMG_" + std::to_string(seed) + ".JPG").c_str(), Pattern(size, seed));
    }
    static Image GetImage(const PtpObjectInfo& record, uint8_t shareMode, uint8_t preferExtracted) {
        Image image;
        uint8_t* data = reinterpret_cast<uint8_t*>(&image); // must be overwritten
        uint32_t length = 12345;
        image.rc =
            Native_GetImage(&record, &data, &length, shareMode, &image.fetchedNow, preferExtracted);
        if (!data) EXPECT_EQ(length, 0u);
        image.Take(data, length);
        return image;
    }
    // The record gets the thumbnail's orientation.
    static Image GetThumbnail(PtpObjectInfo* record, uint8_t shareMode) {
        Image image;
        uint8_t* data = nullptr;
        uint32_t length = 0;
        image.rc = Native_GetThumbnail(record, &data, &length, shareMode);
        image.Take(data, length);
        return image;
    }
};

// Objects from the limit on come in parts; either way the image is stored
// whole under the object's name and the next request is answered from it.
TEST_F(NativeImages, FetchedWholeOrInPartsThenAnsweredFromTheCache) {
    struct Case {
        uint32_t size, partRequests, getObjects;
        uint32_t lastOffset, lastLength; // the last part asked for
    } cases[] = {
        {5120000, 3, 0, 2 * kMiB2, 925696},
        {5119999, 0, 1, 0, 0},
        {4096, 0, 1, 0, 0},
    };
    uint32_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        PtpObjectInfo record = AddObject(++seed, c.size);
        const Bytes bytes = Pattern(c.size, seed);
        SimHub_ResetStats(hub);
        Image image = GetImage(record, 0, 0);
        ASSERT_EQ(image.rc, PtpResult_Ok);
        EXPECT_EQ(image.fetchedNow, 1);
        EXPECT_TRUE(image.bytes == bytes);
        SimStats s = SimHub_Stats(hub);
        EXPECT_EQ(s.control_requests[kControlPartialObject], c.partRequests);
        EXPECT_EQ(uint32_t(std::count(s.operations.begin(), s.operations.end(), 0x1009)),
                  c.getObjects);
        if (c.partRequests) {
            ASSERT_EQ(s.last_control_payload.size(), 12u);
            const uint8_t* p = s.last_control_payload.data();
            EXPECT_EQ(peek_u32(p, 12, 0), record.handle);
            EXPECT_EQ(peek_u32(p, 12, 4), c.lastOffset);
            EXPECT_EQ(peek_u32(p, 12, 8), c.lastLength);
        }
        EXPECT_EQ(ReadFile(imageDir + "/" + record.fileName), bytes);
        SimHub_ResetStats(hub);
        Image again = GetImage(record, 0, 0);
        EXPECT_EQ(again.rc, PtpResult_Ok);
        EXPECT_EQ(again.fetchedNow, 0);
        EXPECT_TRUE(again.bytes == bytes);
        PtpResult rc = 0;
        uint8_t fetched = 9;
        const char* path = Native_GetImageCachePath(&record, 0, 0, &rc, &fetched);
        EXPECT_EQ(rc, PtpResult_Ok);
        EXPECT_EQ(fetched, 0);
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(fs::path(path).filename(), record.fileName);
        EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 0u);
        EXPECT_EQ(ControlTotal(SimHub_Stats(hub)), 0u);
    }
}

class MirrorlessImages : public NativeImages {
  protected:
    const char* camera() const override { return "canon-r"; }
};

TEST_F(MirrorlessImages, CanonMirrorlessUsesOneMebibyteParts) {
    PtpObjectInfo record = AddObject(9, 5120000);
    SimHub_ResetStats(hub);
    Image image = GetImage(record, 0, 0);
    ASSERT_EQ(image.rc, PtpResult_Ok);
    EXPECT_TRUE(image.bytes == Pattern(5120000, 9));
    SimStats s = SimHub_Stats(hub);
    EXPECT_EQ(s.control_requests[kControlPartialObject], 5u);
    ASSERT_EQ(s.last_control_payload.size(), 12u);
    EXPECT_EQ(peek_u32(s.last_control_payload.data(), 12, 4), 4 * kMiB1);
    EXPECT_EQ(peek_u32(s.last_control_payload.data(), 12, 8), 925696u);
}

// A part the hub answers with more bytes than asked, or with none, cannot
// fill its place: the fetch fails and hands nothing over.
TEST_F(NativeImages, BrokenPartFailsTheFetch) {
    PtpObjectInfo record = AddObject(3, 5120000);
    for (const Bytes& reply : {ControlReply(0x2001, {}), ControlReply(0x2001, Bytes(kMiB2 + 1))}) {
        SCOPED_TRACE(reply.size());
        Fault(SimFault_RawReply, 1, reply);
        uint8_t* data = nullptr;
        uint32_t length = 77;
        EXPECT_EQ(Native_FetchObject(&record, &data, &length, 0), PtpResult_BadReply);
        EXPECT_EQ(data, nullptr);
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(SimHub_Stats(hub).pending_faults, 0u);
    }
    EXPECT_TRUE(fs::is_empty(imageDir));
}

TEST_F(NativeImages, BusyCameraIsAskedFiveTimesASecondApart) {
    struct Case {
        uint32_t busyAnswers;
        PtpResult rc;
        uint32_t attempts;
    } cases[] = {{5, PtpResult_DeviceBusy, 5}, {4, PtpResult_Ok, 5}, {1, PtpResult_Ok, 2}};
    uint32_t seed = 20;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.busyAnswers);
        PtpObjectInfo record = AddObject(++seed, 3000);
        SimHub_ResetStats(hub);
        g_pauses.clear();
        Fault(SimFault_Busy, c.busyAnswers);
        Image image = GetImage(record, 0, 0);
        EXPECT_EQ(image.rc, c.rc);
        EXPECT_EQ(g_pauses, std::vector<uint32_t>(c.busyAnswers, 1000));
        std::vector<uint16_t> ops = SimHub_Stats(hub).operations;
        EXPECT_EQ(uint32_t(std::count(ops.begin(), ops.end(), 0x1009)), c.attempts);
        EXPECT_TRUE(c.rc == PtpResult_Ok ? image.bytes == Pattern(3000, seed) : image.null);
        if (c.rc != PtpResult_Ok) EXPECT_EQ(image.fetchedNow, 0);
        SimHub_ClearFaults(hub);
    }
}

// Shared with the others only (0xA0), nothing is handed over or cached; shared
// with this client too (0xA1), the GetObject carries the caller's record.
TEST_F(NativeImages, SharedFetches) {
    struct Case {
        uint32_t size;
        uint8_t mode;
        uint32_t prefixes;
    } cases[] = {
        {5120000, 0xA0, 3}, // each part shared
        {3000, 0xA0, 1},    // one shared GetObject
        {70000, 0xA1, 1},
    };
    uint32_t seed = 40;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        PtpObjectInfo record = AddObject(++seed, c.size);
        SimHub_ResetStats(hub);
        Image image = GetImage(record, c.mode, 0);
        EXPECT_EQ(image.rc, PtpResult_Ok);
        SimStats s = SimHub_Stats(hub);
        EXPECT_EQ(s.share_prefixes, c.prefixes);
        if (c.mode == 0xA0) {
            EXPECT_TRUE(image.null);
            EXPECT_EQ(PtpCache_GetCachedImagePath(&record, false), nullptr);
            EXPECT_TRUE(fs::is_empty(imageDir));
        } else {
            EXPECT_TRUE(image.bytes == Pattern(c.size, seed));
            EXPECT_EQ(s.ptp_commands, 1u);
            EXPECT_EQ(s.last_share_record, RecordBytes(record));
        }
    }
    // The next GetObject of another object goes out without a prefix.
    PtpObjectInfo other = AddObject(50, 100);
    SimHub_ResetStats(hub);
    EXPECT_EQ(GetImage(other, 0, 0).rc, PtpResult_Ok);
    EXPECT_EQ(SimHub_Stats(hub).share_prefixes, 0u);
}

// A modified JPEG the host put beside the image wins over the extracted JPEG and the raw.
TEST_F(NativeImages, RawWithExtractedPreferredAsksTheHubForItsJpegAndModifiedOneWins) {
    const Bytes raw = testdata::ReadSample("CanonRaw.cr2");
    PtpObjectInfo record = AddObject("IMG_2100.CR2", raw);
    ASSERT_EQ(record.objectFormat, 0xB103);
    SimHub_ResetStats(hub);
    Image image = GetImage(record, 0, 1);
    ASSERT_EQ(image.rc, PtpResult_Ok);
    EXPECT_EQ(image.fetchedNow, 1);
    // The raw file's preview: 26 bytes at 8680 (the samples' manifest).
    ASSERT_GE(raw.size(), 8706u);
    EXPECT_EQ(image.bytes, Bytes(raw.begin() + 8680, raw.begin() + 8706));
    EXPECT_EQ(SimHub_Stats(hub).control_requests[kControlExtractedJpg], 1u);
    EXPECT_EQ(ReadFile(imageDir + "/IMG_2100.CR2.ext.jpg"), image.bytes);
    SimHub_ResetStats(hub);
    EXPECT_EQ(GetImage(record, 0, 1).bytes, image.bytes);
    const Bytes modified = {0xFF, 0xD8, 'e', 'd', 'i', 't', 0xFF, 0xD9};
    WriteFile(imageDir + "/IMG_2100.CR2.mod.jpg", modified);
    for (uint8_t prefer : {1, 0}) {
        SCOPED_TRACE(prefer);
        Image edited = GetImage(record, 0, prefer);
        EXPECT_EQ(edited.rc, PtpResult_Ok);
        EXPECT_EQ(edited.fetchedNow, 0);
        EXPECT_EQ(edited.bytes, modified);
        PtpResult rc = 0;
        const char* path = Native_GetImageCachePath(&record, prefer, 0, &rc, nullptr);
        ASSERT_NE(path, nullptr);
        EXPECT_EQ(fs::path(path).filename(), "IMG_2100.CR2.mod.jpg");
    }
    EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 0u);
    EXPECT_EQ(ControlTotal(SimHub_Stats(hub)), 0u);
}

TEST_F(NativeImages, CameraThumbnailWritesTheOrientation) {
    // The sample's EXIF orientation is 6 (the samples' manifest).
    const Bytes jpeg = testdata::ReadSample("Canon1DmkIII-orient6.jpg");
    for (uint8_t share : {0, 1}) {
        SCOPED_TRACE(share);
        PtpObjectInfo asked = AddObject(share ? "IMG_1001.JPG" : "IMG_1000.JPG", jpeg);
        const PtpObjectInfo sent = asked; // the record as it was when asked
        ASSERT_EQ(asked.orientation & 0xFF, 0u);
        SimHub_ResetStats(hub);
        Image thumb = GetThumbnail(&asked, share);
        ASSERT_EQ(thumb.rc, PtpResult_Ok);
        ASSERT_GE(thumb.bytes.size(), 4u);
        EXPECT_EQ(peek_u16(thumb.bytes.data(), 4, 0), 0xD8FF); // a JPEG
        EXPECT_EQ(asked.orientation & 0xFF, 6u);
        SimStats s = SimHub_Stats(hub);
        EXPECT_EQ(s.ptp_commands, 1u);
        EXPECT_EQ(s.last_operation, 0x910A);
        EXPECT_EQ(s.share_prefixes, share);
        if (share) EXPECT_EQ(s.last_share_record, RecordBytes(sent)); // as it was when asked
        // The cache answers next time, with the orientation.
        PtpObjectInfo fresh = sent;
        SimHub_ResetStats(hub);
        Image cached = GetThumbnail(&fresh, 0);
        EXPECT_EQ(cached.rc, PtpResult_Ok);
        EXPECT_EQ(cached.bytes, thumb.bytes);
        EXPECT_EQ(fresh.orientation & 0xFF, 6u);
        EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 0u);
    }
}

TEST_F(NativeImages, RefusedArguments) {
    PtpObjectInfo record = {};
    uint8_t* data = nullptr;
    uint32_t length = 5;
    uint8_t fetched = 7;
    EXPECT_EQ(Native_GetImage(nullptr, &data, &length, 0, &fetched, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(fetched, 0);
    EXPECT_EQ(Native_GetImage(&record, nullptr, &length, 0, nullptr, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(Native_GetThumbnail(&record, nullptr, &length, 0), PtpResult_InvalidArgument);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(Native_GetObjectInfo(nullptr, 0), PtpResult_InvalidArgument);
    record.handle = PTP_OBJECT_HANDLE_SD_CARD;
    EXPECT_EQ(Native_GetObjectInfo(&record, 0), PtpResult_InvalidArgument);
    // An SD-card record without a name names nothing.
    EXPECT_EQ(Native_GetImage(&record, &data, &length, 0, nullptr, 0), PtpResult_InvalidArgument);
    PtpResult rc = 0;
    record.handle = 1;
    record.compressedSize = 5120001;
    EXPECT_EQ(Native_GetShareImageCachePath(&record, &rc, &fetched, 1), nullptr);
    EXPECT_EQ(rc, PtpResult_InvalidData);
    EXPECT_EQ(SimHub_Stats(hub).share_prefixes, 0u);
    // An SD-card name filling all 256 bytes without a NUL is cut, never read past.
    record = {};
    record.handle = PTP_OBJECT_HANDLE_SD_CARD;
    std::memset(record.fileName, 'A', sizeof record.fileName);
    std::memset(record.keywords, 'B', sizeof record.keywords);
    for (const Image& image : {GetImage(record, 0, 0), GetThumbnail(&record, 0)}) {
        EXPECT_NE(image.rc, PtpResult_Ok);
        EXPECT_TRUE(image.null);
    }
}

TEST_F(NativeImages, SdCardFileThroughGetImage) {
    Bytes bytes = Pattern(3 * kMiB1, 70);
    WriteFile(SimHub_SdCardDir(hub) + "/SD_0001.JPG", bytes);
    SimHub_ResetStats(hub);
    Image image = GetImage(SdRecord("SD_0001.JPG"), 0, 0);
    ASSERT_EQ(image.rc, PtpResult_Ok);
    EXPECT_EQ(image.fetchedNow, 1);
    EXPECT_TRUE(image.bytes == bytes);
    EXPECT_GE(SimHub_Stats(hub).control_requests[kControlSdFilePart], 1u);
    EXPECT_EQ(SimHub_Stats(hub).ptp_commands, 0u);
    // A file the card does not have: the card's answer, nothing handed over.
    Image missing = GetImage(SdRecord("NONE.JPG"), 0, 0);
    EXPECT_NE(missing.rc, PtpResult_Ok);
    EXPECT_TRUE(missing.null);
}

TEST_F(NativeImages, SdCardThumbnailWritesTheOrientation) {
    fs::copy_file(testdata::SamplePath("Canon1DmkIII-orient6.jpg"),
                  SimHub_SdCardDir(hub) + "/SD_0002.JPG");
    // The sample's EXIF thumbnail: 28 bytes at 8060 (the samples' manifest).
    Bytes file = testdata::ReadSample("Canon1DmkIII-orient6.jpg");
    ASSERT_GE(file.size(), 8088u);
    // First from the card, then from the cache.
    for (uint32_t requests : {1u, 0u}) {
        SCOPED_TRACE(requests);
        PtpObjectInfo record = SdRecord("SD_0002.JPG");
        SimHub_ResetStats(hub);
        Image image = GetThumbnail(&record, 0);
        ASSERT_EQ(image.rc, PtpResult_Ok);
        EXPECT_EQ(image.bytes, Bytes(file.begin() + 8060, file.begin() + 8088));
        EXPECT_EQ(record.orientation & 0xFF, 6u);
        EXPECT_EQ(SimHub_Stats(hub).control_requests[kControlSdThumbnail], requests);
        EXPECT_EQ(ControlTotal(SimHub_Stats(hub)), requests);
    }
}

} // namespace

class NikonImages : public NativeImages {
  protected:
    const char* camera() const override { return "nikon"; }
};

// Nikon object information carries no orientation: the hub is asked for it,
// but only for objects above 2048 bytes.
TEST_F(NikonImages, OrientationIsAskedOnlyForRealImages) {
    ASSERT_EQ(PtpSession_Vendor(), PtpVendor_Nikon);
    constexpr uint8_t kControlOrientation = 227;
    for (uint32_t size : {1000u, 2048u, 2049u}) {
        SCOPED_TRACE(size);
        PtpObjectInfo record = {};
        record.handle = SimHub_AddObject(hub, ("DSC_" + std::to_string(size) + ".JPG").c_str(),
                                         Pattern(size, size));
        SimHub_ResetStats(hub);
        ASSERT_EQ(Native_GetObjectInfo(&record, 0), PtpResult_Ok);
        EXPECT_EQ(SimHub_Stats(hub).control_requests[kControlOrientation], size > 2048 ? 1u : 0u);
    }
}
