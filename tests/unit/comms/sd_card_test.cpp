// The Tetherhub's SD card against the virtual Tetherhub, whose card is a real
// directory: transfers in parts, name limits, the format time-out, share
// modes, thumbnails and extracted images, and hostile replies.
#include "comms/sd_card.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp_comms.h"
#include "ptp_sdcard.h"
#include "sim_hub.h"
#include "support/raw_peer.h"

namespace {

constexpr uint32_t kMiB = 1u << 20;
constexpr uint8_t kCodeGetFile = 248;

std::vector<uint8_t> pattern(size_t n, uint32_t seed) {
    std::vector<uint8_t> bytes(n);
    uint32_t x = seed;
    for (uint8_t& b : bytes) { // xorshift: a shifted or repeated part would not match
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return bytes;
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

bool exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string sample(const char* name) { return std::string(PTP_SAMPLES_DIR) + "/" + name; }

struct Download {
    PtpResult rc = 0;
    std::vector<uint8_t> bytes;
    bool null = true;
    uint32_t length = 0;
};

class SdCard : public ::testing::Test {
  protected:
    SimHub* hub = nullptr;
    std::string dir;

    void SetUp() override {
        SimOptions options;
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        dir = SimHub_SdCardDir(hub);
        ASSERT_TRUE(exists(dir));
        std::string port = std::to_string(SimHub_Port(hub));
        ASSERT_GE(ConnectToServer("127.0.0.1", port.c_str()), 0);
        SimHub_ResetStats(hub);
    }
    void TearDown() override {
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    std::string put(const std::string& name, const std::vector<uint8_t>& bytes) {
        write_file(dir + "/" + name, bytes);
        return name;
    }
    void raw_reply(uint16_t result, const std::vector<uint8_t>& data) {
        SimFault f;
        f.kind = SimFault_RawReply;
        f.bytes = ControlReply(result, data);
        SimHub_InjectFault(hub, f);
    }
    Download get(const std::string& name, uint8_t mode = 0, const PtpObjectInfo* record = nullptr) {
        Download d;
        uint8_t* data = reinterpret_cast<uint8_t*>(1); // must be overwritten
        d.length = 77;
        d.rc = Comms_SD_GetFile(name.c_str(), &data, &d.length, mode, record);
        d.null = data == nullptr;
        if (data) d.bytes.assign(data, data + d.length);
        FreeMemory(data);
        return d;
    }
    uint32_t requests(uint8_t code) { return SimHub_Stats(hub).control_requests[code]; }
};

// Files go in parts of at most 2 MiB; a part shorter than asked is not the
// whole file, so the rest is asked for from where it ended.
TEST_F(SdCard, FilesArriveInPartsAtTheirOffsets) {
    struct Part {
        uint32_t offset, length;
    };
    struct Row {
        size_t size;
        SimSdPartFault fault;
        std::vector<Part> parts;
    } rows[] = {
        {0, SimSdPart_None, {{0, 0}}},
        {1, SimSdPart_None, {{0, 1}}},
        {1000, SimSdPart_None, {{0, 1000}}},
        {2 * kMiB - 1, SimSdPart_None, {{0, 2 * kMiB - 1}}},
        {5 * kMiB, SimSdPart_None, {{0, 2 * kMiB}, {2 * kMiB, 2 * kMiB}, {4 * kMiB, kMiB}}},
        {3 * kMiB, SimSdPart_Half, {{0, 2 * kMiB}, {kMiB, 2 * kMiB}}},
    };
    uint32_t seed = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.size);
        std::vector<uint8_t> file = pattern(row.size, seed++);
        put("FILE.CR2", file);
        SimHub_ResetStats(hub);
        SimHub_SetSdPartFault(hub, row.fault, 0);
        Download d = get("FILE.CR2");
        ASSERT_EQ(d.rc, PtpResult_Ok);
        EXPECT_EQ(d.length, row.size);
        EXPECT_TRUE(d.bytes == file);
        EXPECT_EQ(d.null, row.size == 0);
        std::vector<SimSdFileRequest> seen = SimHub_SdStats(hub).file_requests;
        ASSERT_EQ(seen.size(), row.parts.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].offset, row.parts[i].offset) << i;
            EXPECT_EQ(seen[i].length, row.parts[i].length) << i;
            EXPECT_EQ(seen[i].name, "FILE.CR2");
        }
        EXPECT_EQ(SimHub_Stats(hub).share_prefixes, 0u);
    }
}

TEST_F(SdCard, HostilePartsGiveBadReplyAndNoData) {
    struct Row {
        size_t size;
        SimSdPartFault fault;
        uint32_t skip;
    } rows[] = {
        {1000, SimSdPart_Longer, 0},     {1000, SimSdPart_Empty, 0},
        {5 * kMiB, SimSdPart_Longer, 0}, {5 * kMiB, SimSdPart_Longer, 2},
        {5 * kMiB, SimSdPart_Empty, 0},  {5 * kMiB, SimSdPart_Empty, 1},
    };
    for (const Row& row : rows) {
        put("HOSTILE.JPG", pattern(row.size, 5));
        SimHub_ResetStats(hub);
        SimHub_SetSdPartFault(hub, row.fault, row.skip);
        Download d = get("HOSTILE.JPG");
        EXPECT_EQ(d.rc, PtpResult_BadReply) << row.size << " " << row.fault << " " << row.skip;
        EXPECT_TRUE(d.null);
        EXPECT_EQ(d.length, 0u);
        // The transfer stops at the bad part.
        EXPECT_EQ(SimHub_SdStats(hub).file_requests.size(), size_t(row.skip) + 1);
    }
}

TEST_F(SdCard, FileOf4GiBIsRefusedBeforeAnyPart) {
    ByteWriter size;
    write_u64(size, uint64_t(1) << 32);
    raw_reply(PtpResult_Ok, size.buf);
    Download d = get("HUGE.MOV");
    EXPECT_EQ(d.rc, PtpResult_InvalidData);
    EXPECT_TRUE(d.null);
    EXPECT_EQ(d.length, 0u);
    EXPECT_EQ(requests(kCodeGetFile), 0u);
}

TEST_F(SdCard, OthersOnlyShareModeReturnsNothing) {
    std::vector<uint8_t> file = pattern(5 * kMiB, 13);
    put("SHARED.CR2", file);
    Download d = get("SHARED.CR2", 0xA0);
    EXPECT_EQ(d.rc, PtpResult_Ok);
    EXPECT_TRUE(d.null);
    EXPECT_EQ(d.length, 0u);

    // Each part went with a prefix carrying the card file's record.
    SimStats s = SimHub_Stats(hub);
    EXPECT_EQ(s.share_prefixes, 3u);
    EXPECT_EQ(s.last_share_mode, 0xA0);
    EXPECT_EQ(s.last_share_kind, 0xB1);
    const std::vector<uint8_t>& rec = s.last_share_record;
    ASSERT_EQ(rec.size(), 612u);
    EXPECT_EQ(peek_u32(rec.data(), rec.size(), 0), 0xFFFFFFFFu);
    EXPECT_EQ(peek_u32(rec.data(), rec.size(), 8), 5 * kMiB);
    EXPECT_EQ(peek_u32(rec.data(), rec.size(), 52), 4 * kMiB);
    EXPECT_STREQ(reinterpret_cast<const char*>(rec.data() + 60), "SHARED.CR2");
    EXPECT_EQ(peek_u16(rec.data(), rec.size(), 316), 11u); // with the NUL
}

TEST_F(SdCard, SharedSmallFileCarriesTheCallersRecord) {
    std::vector<uint8_t> file = pattern(4000, 17);
    put("IMG_0042.JPG", file);
    PtpObjectInfo mine = {};
    mine.handle = 0x1234;
    mine.compressedSize = 4000;
    Download d = get("IMG_0042.JPG", 0xA1, &mine);
    ASSERT_EQ(d.rc, PtpResult_Ok);
    EXPECT_TRUE(d.bytes == file);
    SimStats s = SimHub_Stats(hub);
    EXPECT_EQ(s.last_share_mode, 0xA1);
    EXPECT_EQ(s.last_share_kind, 0xB1);
    EXPECT_EQ(peek_u32(s.last_share_record.data(), s.last_share_record.size(), 0), 0x1234u);
}

TEST_F(SdCard, NameLimitsAreCheckedBeforeSending) {
    const std::string ok199(199, 'a'), long200(200, 'a'), ok255(255, 'b'), long256(256, 'b');
    // Unterminated names: the library must stop reading at its bound.
    char open200[200], open256[256];
    std::memset(open200, 'c', sizeof open200);
    std::memset(open256, 'd', sizeof open256);

    uint8_t byte = 0;
    uint64_t size = 0;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    struct Row {
        const char* what;
        uint8_t code;
        std::function<PtpResult(const char*)> call;
        const char* accepted;
        const char* refused;
        const char* unterminated;
    } rows[] = {
        {"delete", 252, [](const char* n) { return Comms_SD_DeleteFile(n); }, ok199.c_str(),
         long200.c_str(), open200},
        {"exists", 255, [&](const char* n) { return Comms_SD_DoesFileExist(n, &byte); },
         ok199.c_str(), long200.c_str(), open200},
        {"extracted", 249,
         [&](const char* n) { return Comms_SD_GetExtractedFile(n, &data, &length, 0); },
         ok199.c_str(), long200.c_str(), open200},
        {"size", 243, [&](const char* n) { return Comms_SD_GetFileSize(n, &size); }, ok255.c_str(),
         long256.c_str(), open256},
        {"thumbnail", 242,
         [&](const char* n) { return Comms_SD_GetThumbnail(n, &data, &length, &byte, 0); },
         ok255.c_str(), long256.c_str(), open256},
        {"file", 243,
         [&](const char* n) { return Comms_SD_GetFile(n, &data, &length, 0, nullptr); },
         ok255.c_str(), long256.c_str(), open256},
    };
    for (const Row& row : rows) {
        SimHub_ResetStats(hub);
        EXPECT_EQ(row.call(row.refused), PtpResult_InvalidArgument) << row.what;
        EXPECT_EQ(row.call(row.unterminated), PtpResult_InvalidArgument) << row.what;
        EXPECT_EQ(row.call(nullptr), PtpResult_InvalidArgument) << row.what;
        EXPECT_EQ(SimHub_Stats(hub).control_requests[row.code], 0u) << row.what;
        // The longest accepted name goes out whole; the card has no such file.
        PtpResult rc = row.call(row.accepted);
        EXPECT_NE(rc, PtpResult_InvalidArgument) << row.what;
        EXPECT_EQ(SimHub_Stats(hub).control_requests[row.code], 1u) << row.what;
        std::vector<uint8_t> payload = SimHub_Stats(hub).last_control_payload;
        std::string sent(reinterpret_cast<const char*>(payload.data()), payload.size());
        EXPECT_NE(sent.find(std::string(row.accepted) + '\0'), std::string::npos) << row.what;
    }
    EXPECT_EQ(data, nullptr);
}

TEST_F(SdCard, FormatTimeoutIsBackTo22SecondsAfterwards) {
    put("GONE.JPG", pattern(100, 1));
    // A slow format: the long time-out holds while the hub works.
    SimHub_SetSdFormat(hub, 400, PtpResult_Ok);
    std::atomic<bool> sawLong{false};
    auto format = std::async(std::launch::async, [] { return Comms_SD_Format(); });
    while (format.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        if (Comms_ReceiveTimeout() == kFormatReceiveTimeoutSeconds) sawLong = true;
    EXPECT_EQ(format.get(), PtpResult_Ok);
    EXPECT_TRUE(sawLong.load());
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_FALSE(exists(dir + "/GONE.JPG"));

    // A format the hub refuses leaves the card and the time-out as they were.
    put("KEPT.JPG", pattern(100, 2));
    SimHub_SetSdFormat(hub, 0, 0x2002);
    EXPECT_EQ(Comms_SD_Format(), 0x2002);
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_TRUE(exists(dir + "/KEPT.JPG"));

    // A link that fails during the format.
    SimFault close;
    close.kind = SimFault_CloseConnection;
    SimHub_InjectFault(hub, close);
    EXPECT_EQ(Comms_SD_Format(), PtpResult_ConnectionLost);
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_EQ(SimHub_SdStats(hub).formats, 3u);
}

// Facts of the sample files from the manifest beside them.
TEST_F(SdCard, ThumbnailIsTheOrientationByteThenTheThumbnail) {
    struct Row {
        const char* file;
        uint8_t orientation;
        size_t offset, length;
    } rows[] = {
        {"Canon1DmkIII-orient6.jpg", 6, 8060, 28},
        {"Sony-orient3.jpg", 3, 2498, 28},
        {"CanonRaw.cr2", 1, 8620, 28},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> file = read_file(sample(row.file));
        ASSERT_FALSE(file.empty()) << row.file;
        put(row.file, file);
        uint8_t* data = nullptr;
        uint32_t length = 0;
        uint8_t first = 0xEE;
        ASSERT_EQ(Comms_SD_GetThumbnail(row.file, &data, &length, &first, 0), PtpResult_Ok);
        EXPECT_EQ(first, row.orientation) << row.file;
        ASSERT_EQ(length, row.length) << row.file;
        EXPECT_EQ(0, std::memcmp(data, file.data() + row.offset, length)) << row.file;
        FreeMemory(data);
    }
}

TEST_F(SdCard, ThumbnailReplies) {
    struct Row {
        std::vector<uint8_t> reply;
        uint8_t mode;
        PtpResult rc;
        uint8_t first;
        std::vector<uint8_t> thumb;
    } rows[] = {
        {{5, 1, 2, 3}, 0, PtpResult_Ok, 5, {1, 2, 3}}, // 1 + k bytes: k of thumbnail
        {{8}, 0, PtpResult_Ok, 8, {}},                 // the byte alone
        {{}, 0, PtpResult_BadReply, 0, {}},            // not even the byte
        {{5, 1, 2, 3}, 0xA0, PtpResult_Ok, 5, {}},     // went to the others only
        {{}, 0xA0, PtpResult_Ok, 0, {}},
    };
    for (const Row& row : rows) {
        raw_reply(PtpResult_Ok, row.reply);
        uint8_t* data = reinterpret_cast<uint8_t*>(1);
        uint32_t length = 99;
        uint8_t first = 0xEE;
        EXPECT_EQ(Comms_SD_GetThumbnail("A.JPG", &data, &length, &first, row.mode), row.rc);
        EXPECT_EQ(first, row.first);
        ASSERT_EQ(length, row.thumb.size());
        EXPECT_EQ(data == nullptr, row.thumb.empty());
        if (data) EXPECT_EQ(std::vector<uint8_t>(data, data + length), row.thumb);
        FreeMemory(data);
    }
    // Failures hand nothing over.
    raw_reply(0x2009, {5, 1, 2});
    uint8_t* data = nullptr;
    uint32_t length = 0;
    uint8_t first = 0;
    EXPECT_EQ(Comms_SD_GetThumbnail("A.JPG", &data, &length, &first, 0), 0x2009);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
}

TEST_F(SdCard, ExtractedImage) {
    struct Row {
        const char* file;
        size_t offset, length; // 0, 0: the whole file
    } rows[] = {
        {"Nikon.nef", 1120, 29},    // JpgFromRaw
        {"CanonRaw.cr2", 8680, 26}, // the preview
        {"Nikon.jpg", 0, 0},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> file = read_file(sample(row.file));
        put(row.file, file);
        uint8_t* data = nullptr;
        uint32_t length = 0;
        ASSERT_EQ(Comms_SD_GetExtractedFile(row.file, &data, &length, 0), PtpResult_Ok) << row.file;
        std::vector<uint8_t> want =
            row.length ? std::vector<uint8_t>(file.begin() + long(row.offset),
                                              file.begin() + long(row.offset + row.length))
                       : file;
        EXPECT_EQ(std::vector<uint8_t>(data, data + length), want) << row.file;
        FreeMemory(data);
    }
    // Shared with the others only: nothing comes back.
    uint8_t* data = nullptr;
    uint32_t length = 5;
    EXPECT_EQ(Comms_SD_GetExtractedFile("Nikon.jpg", &data, &length, 0xA0), PtpResult_Ok);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(SimHub_Stats(hub).last_share_kind, 0xB0);
    // A success without an image is not an image.
    raw_reply(PtpResult_Ok, {});
    EXPECT_EQ(Comms_SD_GetExtractedFile("Nikon.jpg", &data, &length, 0), PtpResult_BadReply);
    EXPECT_EQ(data, nullptr);
}

TEST_F(SdCard, FixedSizeRepliesOfTheWrongSize) {
    uint64_t size = 0, a = 0, b = 0;
    uint8_t yes = 0;
    raw_reply(PtpResult_Ok, {1, 2, 3, 4});
    EXPECT_EQ(Comms_SD_GetFileSize("X", &size), PtpResult_BadReply);
    raw_reply(PtpResult_Ok, std::vector<uint8_t>(15));
    EXPECT_EQ(Comms_SD_GetInfo(&a, &b), PtpResult_BadReply);
    raw_reply(PtpResult_Ok, {1, 1});
    EXPECT_EQ(Comms_SD_DoesFileExist("X", &yes), PtpResult_BadReply);
    EXPECT_EQ(Comms_SD_GetInfo(nullptr, &b), 0);
}

TEST_F(SdCard, CardRequests) {
    put("B.JPG", pattern(10, 1));
    put("A.CR2", pattern(12345, 2));

    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(Comms_SD_GetAllFilenames(&data, &length), PtpResult_Ok);
    std::string list(reinterpret_cast<const char*>(data), length);
    FreeMemory(data);
    EXPECT_NE(list.find(std::string("A.CR2\0B.JPG\0", 12)), std::string::npos);

    uint64_t size = 0;
    ASSERT_EQ(Comms_SD_GetFileSize("A.CR2", &size), PtpResult_Ok);
    EXPECT_EQ(size, 12345u);

    uint8_t yes = 9;
    ASSERT_EQ(Comms_SD_DoesFileExist("B.JPG", &yes), PtpResult_Ok);
    EXPECT_EQ(yes, 1);
    ASSERT_EQ(Comms_SD_DeleteFile("B.JPG"), PtpResult_Ok);
    EXPECT_FALSE(exists(dir + "/B.JPG"));
    ASSERT_EQ(Comms_SD_DoesFileExist("B.JPG", &yes), PtpResult_Ok);
    EXPECT_EQ(yes, 0);
    EXPECT_EQ(Comms_SD_DeleteFile("B.JPG"), 0x2009);

    uint64_t freeBytes = 0, total = 0;
    ASSERT_EQ(Comms_SD_GetInfo(&freeBytes, &total), PtpResult_Ok);
    EXPECT_GT(total, 0u);
    EXPECT_LE(freeBytes, total);

    uint64_t before = uint64_t(time(nullptr));
    ASSERT_EQ(Comms_SD_SetCurrentTime(), PtpResult_Ok);
    SimSdStats s = SimHub_SdStats(hub);
    EXPECT_TRUE(s.clock_set);
    EXPECT_GE(s.clock, before);
    EXPECT_LE(s.clock, uint64_t(time(nullptr)));
}

TEST_F(SdCard, TransferFlagPayload) {
    const std::string text63(63, 't'), text64(64, 't');
    ASSERT_EQ(Comms_SD_SetTransferFlag(3, "first", text63.c_str()), PtpResult_Ok);
    std::vector<uint8_t> p = SimHub_SdStats(hub).transfer_flag;
    ASSERT_EQ(p.size(), 129u);
    EXPECT_EQ(p[0], 3);
    EXPECT_STREQ(reinterpret_cast<const char*>(&p[1]), "first");
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 6, p.begin() + 65), std::vector<uint8_t>(59, 0));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&p[65]), 63), text63);
    EXPECT_EQ(p[128], 0);

    ASSERT_EQ(Comms_SD_SetTransferFlag(1, nullptr, nullptr), PtpResult_Ok);
    p = SimHub_SdStats(hub).transfer_flag;
    EXPECT_EQ(std::vector<uint8_t>(p.begin() + 1, p.end()), std::vector<uint8_t>(128, 0));

    SimHub_ResetStats(hub);
    EXPECT_EQ(Comms_SD_SetTransferFlag(1, text64.c_str(), nullptr), PtpResult_InvalidArgument);
    EXPECT_EQ(Comms_SD_SetTransferFlag(1, nullptr, text64.c_str()), PtpResult_InvalidArgument);
    EXPECT_EQ(SimHub_Stats(hub).control_requests[178], 0u);
}

TEST_F(SdCard, SaveObjectFromCameraCopiesIt) {
    std::vector<uint32_t> handles = SimHub_ObjectHandles(hub);
    ASSERT_FALSE(handles.empty());
    SimObjectFacts facts;
    ASSERT_TRUE(SimHub_GetObjectFacts(hub, handles[0], &facts));
    PtpObjectInfo record = {};
    record.handle = handles[0];
    ASSERT_EQ(Comms_SD_SaveObjectFromCamera(&record), PtpResult_Ok);
    EXPECT_EQ(read_file(dir + "/" + facts.name), *facts.bytes);
    EXPECT_EQ(Comms_SD_SaveObjectFromCamera(nullptr), PtpResult_InvalidArgument);
}

// The virtual card never lets a name reach outside its directory.
TEST_F(SdCard, HostileNamesStayInsideTheCard) {
    std::string outside = dir + "/../" + "outside-" + std::to_string(SimHub_Port(hub));
    write_file(outside, {1, 2, 3});
    const char* names[] = {"../outside", "a/b", "..\\x", "..", "/etc/passwd", ""};
    for (const char* name : names) {
        EXPECT_EQ(Comms_SD_DeleteFile(name), 0x201D) << name;
        uint64_t size = 0;
        EXPECT_EQ(Comms_SD_GetFileSize(name, &size), 0x201D) << name;
    }
    std::string escaping = "../outside-" + std::to_string(SimHub_Port(hub));
    Download d = get(escaping);
    EXPECT_EQ(d.rc, 0x201D);
    EXPECT_TRUE(exists(outside));
    std::remove(outside.c_str());
}

TEST(SdCardRecord, StandsForTheFile) {
    PtpObjectInfo r;
    std::memset(&r, 0x55, sizeof r);
    ASSERT_EQ(Comms_SD_MakeObjectRecord("IMG_0001.CR3", 7000000, 4194304, true, &r), PtpResult_Ok);
    // Handle, size, offset, name and its length with the NUL; every other byte 0.
    std::vector<uint8_t> want(sizeof r, 0);
    put_u32(want.data(), 0xFFFFFFFFu);
    put_u32(want.data() + 8, 7000000);
    put_u32(want.data() + 52, 4194304);
    std::memcpy(want.data() + 60, "IMG_0001.CR3", 12);
    put_u16(want.data() + 316, 13);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&r);
    EXPECT_EQ(std::vector<uint8_t>(b, b + sizeof r), want);

    ASSERT_EQ(Comms_SD_MakeObjectRecord("IMG_0001.CR3", 0, 0, false, &r), PtpResult_Ok);
    EXPECT_EQ(r.fileNameLength, 12u);
    std::string tooLong(256, 'x');
    EXPECT_EQ(Comms_SD_MakeObjectRecord(tooLong.c_str(), 0, 0, true, &r),
              PtpResult_InvalidArgument);
}

} // namespace
