// The Tetherhub's SD card against the virtual Tetherhub, whose card is a real directory.
#include "comms/sd_card.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "ptp_comms.h"
#include "ptp_sdcard.h"
#include "sim_hub.h"
#include "support/raw_peer.h"
#include "unit/cache/cache_dirs.h"

namespace {

constexpr uint32_t kMiB = 1u << 20;
constexpr uint8_t kCodeGetFile = 248;

using cachetest::Exists;
using cachetest::Pattern;

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
        ASSERT_TRUE(Exists(dir));
        std::string port = std::to_string(SimHub_Port(hub));
        ASSERT_GE(ConnectToServer("127.0.0.1", port.c_str()), 0);
        SimHub_ResetStats(hub);
    }
    void TearDown() override {
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    std::string put(const std::string& name, const std::vector<uint8_t>& bytes) {
        cachetest::WriteFile(dir + "/" + name, bytes);
        return name;
    }
    void raw_reply(uint16_t result, const std::vector<uint8_t>& data,
                   SimFaultKind kind = SimFault_RawReply) {
        SimFault f;
        f.kind = kind;
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
// whole file, so the rest is asked for from where it ended. A part longer than
// asked, or empty, is a bad reply with no data, and the transfer stops there.
TEST_F(SdCard, FilesArriveInPartsAtTheirOffsets) {
    struct Part {
        uint32_t offset, length;
    };
    struct Row {
        size_t size;
        SimSdPartFault fault;
        uint32_t skip;
        std::vector<Part> parts; // empty: a bad reply at part skip + 1
    } rows[] = {
        {0, SimSdPart_None, 0, {{0, 0}}},
        {2 * kMiB - 1, SimSdPart_None, 0, {{0, 2 * kMiB - 1}}},
        {5 * kMiB, SimSdPart_None, 0, {{0, 2 * kMiB}, {2 * kMiB, 2 * kMiB}, {4 * kMiB, kMiB}}},
        {3 * kMiB, SimSdPart_Half, 0, {{0, 2 * kMiB}, {kMiB, 2 * kMiB}}},
        {1000, SimSdPart_Longer, 0, {}},
        {5 * kMiB, SimSdPart_Empty, 1, {}},
        {5 * kMiB, SimSdPart_Longer, 1, {}},
    };
    uint32_t seed = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.size << " " << row.fault << " " << row.skip);
        std::vector<uint8_t> file = Pattern(row.size, seed++);
        put("FILE.CR2", file);
        SimHub_ResetStats(hub);
        SimHub_SetSdPartFault(hub, row.fault, row.skip);
        Download d = get("FILE.CR2");
        std::vector<SimSdFileRequest> seen = SimHub_SdStats(hub).file_requests;
        if (row.parts.empty()) {
            EXPECT_EQ(d.rc, PtpResult_BadReply);
            EXPECT_TRUE(d.null);
            EXPECT_EQ(d.length, 0u);
            EXPECT_EQ(seen.size(), size_t(row.skip) + 1);
            continue;
        }
        ASSERT_EQ(d.rc, PtpResult_Ok);
        EXPECT_EQ(d.length, row.size);
        EXPECT_TRUE(d.bytes == file);
        EXPECT_EQ(d.null, row.size == 0);
        ASSERT_EQ(seen.size(), row.parts.size());
        for (size_t i = 0; i < seen.size(); ++i) {
            EXPECT_EQ(seen[i].offset, row.parts[i].offset) << i;
            EXPECT_EQ(seen[i].length, row.parts[i].length) << i;
            EXPECT_EQ(seen[i].name, "FILE.CR2");
        }
        EXPECT_EQ(SimHub_Stats(hub).share_prefixes, 0u);
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

// Names over the limit, unterminated ones (read only up to the bound) and null are
// refused before sending; the longest accepted name goes out whole.
TEST_F(SdCard, NameLimitsAreCheckedBeforeSending) {
    uint8_t byte = 0;
    uint64_t size = 0;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    struct Row {
        const char* what;
        uint8_t code;
        size_t limit;
        std::function<PtpResult(const char*)> call;
    } rows[] = {
        {"delete", 252, 199, [](const char* n) { return Comms_SD_DeleteFile(n); }},
        {"exists", 255, 199, [&](const char* n) { return Comms_SD_DoesFileExist(n, &byte); }},
        {"extracted", 249, 199,
         [&](const char* n) { return Comms_SD_GetExtractedFile(n, &data, &length, 0); }},
        {"size", 243, 255, [&](const char* n) { return Comms_SD_GetFileSize(n, &size); }},
        {"thumbnail", 242, 255,
         [&](const char* n) { return Comms_SD_GetThumbnail(n, &data, &length, &byte, 0); }},
        {"file", 243, 255,
         [&](const char* n) { return Comms_SD_GetFile(n, &data, &length, 0, nullptr); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string accepted(row.limit, 'a'), refused(row.limit + 1, 'a');
        const std::vector<char> unterminated(row.limit + 1, 'c');
        SimHub_ResetStats(hub);
        EXPECT_EQ(row.call(refused.c_str()), PtpResult_InvalidArgument);
        EXPECT_EQ(row.call(unterminated.data()), PtpResult_InvalidArgument);
        EXPECT_EQ(row.call(nullptr), PtpResult_InvalidArgument);
        EXPECT_EQ(SimHub_Stats(hub).control_requests[row.code], 0u);
        EXPECT_NE(row.call(accepted.c_str()), PtpResult_InvalidArgument); // the card has none
        EXPECT_EQ(SimHub_Stats(hub).control_requests[row.code], 1u);
        std::vector<uint8_t> payload = SimHub_Stats(hub).last_control_payload;
        std::string sent(reinterpret_cast<const char*>(payload.data()), payload.size());
        EXPECT_NE(sent.find(accepted + '\0'), std::string::npos);
    }
    EXPECT_EQ(data, nullptr);
}

TEST_F(SdCard, FormatTimeoutIsBackTo22SecondsAfterwards) {
    put("GONE.JPG", Pattern(100, 1));
    // A slow format: the long time-out holds while the hub works.
    SimHub_SetSdFormat(hub, 400, PtpResult_Ok);
    std::atomic<bool> sawLong{false};
    auto format = std::async(std::launch::async, [] { return Comms_SD_Format(); });
    while (format.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        if (Comms_ReceiveTimeout() == kFormatReceiveTimeoutSeconds) sawLong = true;
    EXPECT_EQ(format.get(), PtpResult_Ok);
    EXPECT_TRUE(sawLong.load());
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_FALSE(Exists(dir + "/GONE.JPG"));
    // A format the hub refuses leaves the card and the time-out as they were.
    put("KEPT.JPG", Pattern(100, 2));
    SimHub_SetSdFormat(hub, 0, 0x2002);
    EXPECT_EQ(Comms_SD_Format(), 0x2002);
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_TRUE(Exists(dir + "/KEPT.JPG"));
    // A link that fails during the format.
    raw_reply(0, {}, SimFault_CloseConnection);
    EXPECT_EQ(Comms_SD_Format(), PtpResult_ConnectionLost);
    EXPECT_EQ(Comms_ReceiveTimeout(), kReceiveTimeoutSeconds);
    EXPECT_EQ(SimHub_SdStats(hub).formats, 3u);
}

TEST_F(SdCard, ThumbnailReplies) {
    struct Row {
        uint16_t result;
        std::vector<uint8_t> reply;
        uint8_t mode;
        PtpResult rc;
        uint8_t first;
        std::vector<uint8_t> thumb;
    } rows[] = {
        {PtpResult_Ok, {5, 1, 2, 3}, 0, PtpResult_Ok, 5, {1, 2, 3}}, // 1 + k bytes: k of thumbnail
        {PtpResult_Ok, {8}, 0, PtpResult_Ok, 8, {}},                 // the byte alone
        {PtpResult_Ok, {}, 0, PtpResult_BadReply, 0, {}},            // not even the byte
        {PtpResult_Ok, {5, 1, 2, 3}, 0xA0, PtpResult_Ok, 5, {}},     // went to the others only
        {PtpResult_Ok, {}, 0xA0, PtpResult_Ok, 0, {}},
        {0x2009, {5, 1, 2}, 0, 0x2009, 0, {}}, // a failure hands nothing over
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rc);
        raw_reply(row.result, row.reply);
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
}

// The hub's extracted image is handed over as it comes; a success without an
// image is not an image.
TEST_F(SdCard, ExtractedImageReplies) {
    for (const std::vector<uint8_t>& reply : {std::vector<uint8_t>{0xFF, 0xD8, 7}, {}}) {
        raw_reply(PtpResult_Ok, reply);
        uint8_t* data = nullptr;
        uint32_t length = 5;
        EXPECT_EQ(Comms_SD_GetExtractedFile("A.NEF", &data, &length, 0),
                  reply.empty() ? PtpResult_BadReply : PtpResult_Ok);
        EXPECT_EQ(std::vector<uint8_t>(data, data + length), reply);
        FreeMemory(data);
    }
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
    put("B.JPG", Pattern(10, 1));
    put("A.CR2", Pattern(12345, 2));
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
    ASSERT_EQ(Comms_SD_DoesFileExist("B.JPG", &yes), PtpResult_Ok);
    EXPECT_EQ(yes, 0);
    EXPECT_EQ(Comms_SD_DeleteFile("B.JPG"), 0x2009); // the card's refusal, passed on
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

TEST_F(SdCard, SaveObjectFromCameraSendsTheRecord) {
    PtpObjectInfo record = {};
    record.handle = SimHub_ObjectHandles(hub).at(0);
    ASSERT_EQ(Comms_SD_SaveObjectFromCamera(&record), PtpResult_Ok);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&record);
    EXPECT_EQ(SimHub_Stats(hub).last_control_payload, std::vector<uint8_t>(b, b + sizeof record));
    EXPECT_EQ(Comms_SD_SaveObjectFromCamera(nullptr), PtpResult_InvalidArgument);
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
