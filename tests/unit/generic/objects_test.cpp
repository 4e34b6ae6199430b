// Objects: the ObjectInfo record and its parse, PTP dates, file names and
// formats, handle and storage-ID arrays, and the transfers per vendor.
#include "generic/objects.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_events.h"
#include "support/capture_script.h"
#include "support/test_data.h"

namespace {

using Bytes = std::vector<uint8_t>;

// --- ObjectInfo data sets ------------------------------------------------------------------

// A PTP string of exactly the given UCS-2 units (count byte = units.size()).
void write_units(ByteWriter& w, const std::vector<uint16_t>& units) {
    write_u8(w, uint8_t(units.size()));
    for (uint16_t u : units)
        write_u16(w, u);
}

struct InfoSet {
    bool gap = false; // 4 bytes between ThumbCompressedSize and ThumbPixWidth
    const char* name = "IMG_0001.JPG";
    const char* capture = "20240131T235959";
    const char* modified = "20240201T010203";
    const char* keywords = "tag1 tag2";
    uint16_t associationType = 0x0601;
};

Bytes object_info(const InfoSet& s) {
    ByteWriter w;
    write_u32(w, 0x00010001); // StorageID
    write_u16(w, 0x3801);
    write_u16(w, 1);
    write_u32(w, 123456);
    write_u16(w, 0x3808);
    write_u32(w, 5000);
    if (s.gap) write_u32(w, 0xDEADBEEF);
    write_u32(w, 160);
    write_u32(w, 120);
    write_u32(w, 6000);
    write_u32(w, 4000);
    write_u32(w, 24);
    write_u32(w, 0x20000000);
    write_u16(w, s.associationType);
    write_u32(w, 7);
    write_u32(w, 9);
    write_ptp_string(w, s.name);
    write_ptp_string(w, s.capture);
    write_ptp_string(w, s.modified);
    write_ptp_string(w, s.keywords);
    return w.buf;
}

// Local calendar fields of a time.
std::string local(int64_t t) {
    time_t tt = time_t(t);
    struct tm parts;
    localtime_r(&tt, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &parts);
    return text;
}

PtpObjectInfo filled(uint8_t byte) {
    PtpObjectInfo info;
    std::memset(&info, byte, sizeof info);
    return info;
}

constexpr PtpObjectInfoForm kStandard = {};
constexpr PtpObjectInfoForm kGap = {.thumbGap = 4};

PtpResult parse(PtpObjectInfo* info, const Bytes& d, const PtpObjectInfoForm& form = kStandard) {
    return PtpParseObjectInfo(info, d.empty() ? nullptr : d.data(), uint32_t(d.size()), form);
}

TEST(ObjectInfoParse, StandardLayout) {
    PtpObjectInfo info = filled(0xAB);
    ASSERT_EQ(parse(&info, object_info(InfoSet{})), PtpResult_Ok);
    EXPECT_EQ(info.handle, 0x00010001u); // the StorageID until the caller sets it
    EXPECT_EQ(info.objectFormat, 0x3801);
    EXPECT_EQ(info.protectionStatus, 1);
    EXPECT_EQ(info.compressedSize, 123456u);
    EXPECT_EQ(info.thumbFormat, 0x3808);
    EXPECT_EQ(info.thumbCompressedSize, 5000u);
    EXPECT_EQ(info.thumbWidth, 160u);
    EXPECT_EQ(info.thumbHeight, 120u);
    EXPECT_EQ(info.imageWidth, 6000u);
    EXPECT_EQ(info.imageHeight, 4000u);
    EXPECT_EQ(info.imageBitDepth, 24u);
    EXPECT_EQ(info.parentObject, 0x20000000u);
    EXPECT_EQ(info.associationType, 0x0601);
    EXPECT_EQ(info.associationDesc, 7u);
    EXPECT_EQ(info.sequenceNumber, 9u);
    EXPECT_STREQ(info.fileName, "IMG_0001.JPG");
    EXPECT_EQ(info.fileNameLength, 13);
    EXPECT_EQ(local(info.captureDate), "2024-01-31 23:59:59");
    EXPECT_EQ(local(info.modificationDate), "2024-02-01 01:02:03");
    EXPECT_STREQ(info.keywords, "tag1 tag2");
    EXPECT_EQ(info.orientation, 0u);
    EXPECT_EQ(info.flags, 0u);
    EXPECT_EQ(info.reserved1, 0u);
    EXPECT_EQ(info.reserved2, 0u);
    for (uint8_t b : info.reservedTail)
        EXPECT_EQ(b, 0);
}

TEST(ObjectInfoParse, FormsMoveTheThumbnailSizeAndEndTheDataSetEarly) {
    InfoSet gapped;
    gapped.gap = true;
    PtpObjectInfo info;
    ASSERT_EQ(parse(&info, object_info(gapped), kGap), PtpResult_Ok);
    EXPECT_EQ(info.thumbCompressedSize, 5000u);
    EXPECT_EQ(info.thumbWidth, 160u);
    EXPECT_EQ(info.sequenceNumber, 9u);
    EXPECT_EQ(local(info.captureDate), "2024-01-31 23:59:59");
    // Without the gap the same bytes read the extra word as a width.
    ASSERT_EQ(parse(&info, object_info(gapped)), PtpResult_Ok);
    EXPECT_EQ(info.thumbWidth, 0xDEADBEEFu);

    // Whatever the caller's record held (0xAA here), the bytes the form does
    // not give are zero: flags, the tail, the padding, the texts past their NUL.
    struct Case {
        PtpObjectInfoForm form;
        bool capture, modified, keywords;
        size_t zeroFrom; // offset of the first field the form does not carry
    } cases[] = {
        {kStandard, true, true, true, offsetof(PtpObjectInfo, orientation)},
        {{.end = PtpObjectInfoEnd_FileName}, false, false, false,
         offsetof(PtpObjectInfo, captureDate)},
        {{.end = PtpObjectInfoEnd_CaptureDate}, true, false, false,
         offsetof(PtpObjectInfo, modificationDate)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.form.end));
        info = filled(0xAA);
        ASSERT_EQ(parse(&info, object_info(InfoSet{}), c.form), PtpResult_Ok);
        EXPECT_STREQ(info.fileName, "IMG_0001.JPG");
        EXPECT_EQ(info.captureDate != 0, c.capture);
        EXPECT_EQ(info.modificationDate != 0, c.modified);
        EXPECT_EQ(info.keywords[0] != 0, c.keywords);
        EXPECT_EQ(info.flags, 0u);
        const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&info);
        const size_t padding[] = {14, 15, 46, 47, 318, 319};
        for (size_t at : padding)
            EXPECT_EQ(bytes[at], 0) << at;
        for (size_t at = c.zeroFrom; at < sizeof info; ++at)
            ASSERT_EQ(bytes[at], 0) << at;
        for (size_t at = offsetof(PtpObjectInfo, fileName) + 12; at < 316; ++at)
            ASSERT_EQ(bytes[at], 0) << at;
        for (size_t at = offsetof(PtpObjectInfo, keywords) + std::strlen(info.keywords); at < 596;
             ++at)
            ASSERT_EQ(bytes[at], 0) << at;
    }
}

// Every cut of the data set: inside the fixed part it fails and leaves the record
// untouched; after it, a text cut off by the end of the data is no text.
TEST(ObjectInfoParse, EveryTruncationFailsWholeOrParsesWithinTheData) {
    for (bool gap : {false, true}) {
        InfoSet s;
        s.gap = gap;
        Bytes d = object_info(s);
        size_t fixed = gap ? 56 : 52;
        for (size_t n = 0; n <= d.size(); ++n) {
            PtpObjectInfo info = filled(0xC3);
            PtpObjectInfo before = info;
            // An exact-size heap copy, so ASan sees a read past the data.
            PtpResult rc = parse(&info, Bytes(d.begin(), d.begin() + n), gap ? kGap : kStandard);
            if (n <= fixed) {
                EXPECT_EQ(rc, PtpResult_DataSetParseFailed) << n;
                EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0) << n;
                continue;
            }
            ASSERT_EQ(rc, PtpResult_Ok) << n;
            EXPECT_EQ(info.fileNameLength, n >= fixed + 1 + 2 * 13 ? 13 : 0) << n; // 13 units
            EXPECT_EQ(info.keywords[0] != 0, n == d.size()) << n;
        }
    }
    PtpObjectInfo info;
    EXPECT_EQ(PtpParseObjectInfo(nullptr, nullptr, 0, kStandard), PtpResult_InvalidArgument);
    EXPECT_EQ(PtpParseObjectInfo(&info, nullptr, 100, kStandard), PtpResult_DataSetParseFailed);
}

TEST(ObjectInfoParse, TextsLongerThanTheDataOrTheFieldAreCut) {
    Bytes fixed = object_info(InfoSet{});
    auto with_name = [&](const std::vector<uint16_t>& units, uint8_t count) {
        ByteWriter w;
        write_bytes(w, fixed.data(), 52);
        write_u8(w, count);
        for (uint16_t u : units)
            write_u16(w, u);
        return w.buf;
    };
    PtpObjectInfo info;
    // 255 units without a terminator: 255 characters kept, the field still
    // ends in NUL.
    ASSERT_EQ(parse(&info, with_name(std::vector<uint16_t>(255, 'A'), 255)), PtpResult_Ok);
    EXPECT_EQ(std::strlen(info.fileName), 255u);
    EXPECT_EQ(info.fileNameLength, 256);
    // UCS-2 characters keep their low byte; a date claiming 200 units with 10
    // present is no date.
    Bytes cut = with_name({0x0141, 'b', 0}, 3);
    cut.push_back(200);
    cut.insert(cut.end(), 20, '1');
    ASSERT_EQ(parse(&info, cut), PtpResult_Ok);
    EXPECT_STREQ(info.fileName, "Ab");
    EXPECT_EQ(info.captureDate, 0);
}

TEST(PtpDateTime, Examples) {
    EXPECT_EQ(local(PtpParsePtpDateTime("20240131T235959")), "2024-01-31 23:59:59");
    EXPECT_EQ(local(PtpParsePtpDateTime("20240131T235959.5+0100")), "2024-01-31 23:59:59");
    EXPECT_EQ(local(PtpParsePtpDateTime("20240715X120000")), "2024-07-15 12:00:00");
    const char* invalid[] = {"2024", "20240131T23595", "", "2024013xT235959", "20240131T23:959"};
    for (const char* text : invalid)
        EXPECT_EQ(PtpParsePtpDateTime(text), 0) << text;
    EXPECT_EQ(PtpParsePtpDateTime(nullptr), 0);
    std::string longest = "20240131T235959" + std::string(24, '0');
    EXPECT_NE(PtpParsePtpDateTime(longest.c_str()), 0); // 39 characters
    EXPECT_EQ(PtpParsePtpDateTime((longest + "0").c_str()), 0);
}

// --- File names and formats ------------------------------------------------------------------

TEST(FileNames, FormatsAndTests) {
    struct Case {
        const char* name;
        uint16_t format;
        bool jpg, raw, video;
    } cases[] = {
        {"IMG_0001.JPG", 0x3801, true, false, false},
        {"img_0001.jpeg", 0, true, false, false},
        {"IMG_0001.cr3", 0xB108, false, true, false},
        {"DSCF0001.raf", 0xB111, false, true, false},
        {"scan.tif", 0x380D, false, false, false},
        {"MVI_0001.MOV", 0x300D, false, false, true},
        {"IMG_0001.CR2.jpg", 0x3801, true, false, false},
        {"IMG_0001.NEF.NEF", 0x3000, false, true, false},
        {"IMG_0001.CR2x", 0xB103, false, false, false},
        {"README", 0, false, false, false},
        {"", 0, false, false, false},
        {".CR2", 0xB103, false, true, false},
        {"CR2", 0, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PtpGenericInterface_FormatForFileName(c.name), c.format) << c.name;
        EXPECT_EQ(PtpGenericInterface_IsJpgFileName(c.name), c.jpg) << c.name;
        EXPECT_EQ(PtpGenericInterface_IsRawFileName(c.name), c.raw) << c.name;
        EXPECT_EQ(PtpGenericInterface_IsVideoFileName(c.name), c.video) << c.name;
    }
    EXPECT_EQ(PtpGenericInterface_FormatForFileName(nullptr), 0);
    EXPECT_FALSE(PtpGenericInterface_IsJpgFileName(nullptr));
    EXPECT_FALSE(PtpGenericInterface_IsRawFileName(nullptr));
    EXPECT_FALSE(PtpGenericInterface_IsVideoFileName(nullptr));

    struct Format {
        uint16_t code;
        bool jpg, raw, movie;
    } formats[] = {
        {0x3801, true, false, false}, {0x380D, true, false, false},  {0xB101, false, true, false},
        {0x3000, false, true, false}, {0x3800, false, true, false},  {0x300D, false, false, true},
        {0xB982, false, false, true}, {0x3001, false, false, false}, {0, false, false, false}};
    for (const Format& f : formats) {
        EXPECT_EQ(PtpGenericInterface_IsJpgFormat(f.code), f.jpg) << std::hex << f.code;
        EXPECT_EQ(PtpGenericInterface_IsRawFormat(f.code), f.raw) << std::hex << f.code;
        EXPECT_EQ(PtpGenericInterface_IsMovieFormat(f.code), f.movie) << std::hex << f.code;
    }
}

// --- Handle and storage-ID arrays -----------------------------------------------------------

using testdata::u32s;

TEST(HandleArrays, CountsMustFitTheData) {
    struct Case {
        const char* what;
        Bytes data;
        PtpResult rc;
        std::vector<uint32_t> handles;
    } cases[] = {
        {"three handles", u32s({3, 0x11, 0x22, 0x33}), PtpResult_Ok, {0x11, 0x22, 0x33}},
        {"zero objects", u32s({0}), PtpResult_Ok, {}},
        {"zero with trailing bytes", u32s({0, 5}), PtpResult_Ok, {}},
        {"no data", {}, PtpResult_Ok, {}},
        {"shorter than a count", {2, 0, 0}, PtpResult_Ok, {}},
        {"one handle missing", u32s({3, 0x11, 0x22}), PtpResult_DataSetParseFailed, {}},
        {"a handle cut short", {1, 0, 0, 0, 0x11, 0}, PtpResult_DataSetParseFailed, {}},
        {"count wraps 4 * count", u32s({0x40000001, 0x11}), PtpResult_DataSetParseFailed, {}},
        {"huge count", u32s({0xFFFFFFFF, 1, 2}), PtpResult_DataSetParseFailed, {}}};
    for (const Case& c : cases) {
        uint32_t* handles = reinterpret_cast<uint32_t*>(0x1);
        uint32_t count = 99;
        uint8_t* data = c.data.empty() ? nullptr : testdata::heap_copy(c.data).release();
        EXPECT_EQ(PtpTakeHandleArray(data, uint32_t(c.data.size()), &handles, &count), c.rc)
            << c.what;
        ASSERT_EQ(count, c.handles.size()) << c.what;
        if (c.handles.empty()) {
            EXPECT_EQ(handles, nullptr) << c.what;
        } else {
            ASSERT_NE(handles, nullptr);
            EXPECT_EQ(std::vector<uint32_t>(handles, handles + count), c.handles) << c.what;
        }
        std::free(handles);
    }
}

// --- Transfers against the scripted camera --------------------------------------------------

using namespace scripted;

std::deque<Reply> g_replies;

// The camera answers the next commands with replies, in order.
void script(std::vector<Reply> replies) {
    g_replies.assign(replies.begin(), replies.end());
    camera().responder = [](const Command&) {
        if (g_replies.empty()) return answer(0x2002);
        Reply r = g_replies.front();
        g_replies.pop_front();
        return r;
    };
}

class Transfers : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_TRUE(g_replies.empty()) << "unused replies";
        camera().responder = nullptr;
    }
};

TEST_F(Transfers, GetObjectInfoPicksTheOperationAndSetsTheHandle) {
    InfoSet canon;
    canon.gap = true;
    connect("Canon Inc.", {0x1008, 0x9170});
    script({with_data(object_info(canon))});
    PtpObjectInfo info;
    ASSERT_EQ(PtpGenericInterface_GetObjectInfo(0x90000001, &info), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x9170, {0x90000001}}}));
    EXPECT_EQ(info.handle, 0x90000001u);
    EXPECT_EQ(info.thumbWidth, 160u);
    EXPECT_EQ(info.orientation, 0u);

    // Without 0x9170 the standard operation and layout.
    connect("Canon Inc.", {0x1008});
    script({with_data(object_info(InfoSet{}))});
    ASSERT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x1008, {5}}}));
    EXPECT_EQ(info.thumbWidth, 160u);

    // Not listed at all: nothing is sent.
    connect("Nikon", {});
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_OperationNotSupported);
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, nullptr), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetObjectInfoFailuresLeaveTheRecord) {
    connect("Nikon", {0x1008});
    script({with_data(Bytes(40, 0)), answer(0x2009)}); // a short set, Invalid ObjectHandle
    PtpObjectInfo info = filled(0x77);
    PtpObjectInfo before = info;
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_DataSetParseFailed);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), 0x2009);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);
}

TEST_F(Transfers, FujifilmOrientationComesFromTheAssociationType) {
    struct Case {
        uint16_t association;
        uint32_t orientation;
    } cases[] = {{0x0001, 1}, {0x0607, 8}, {0x0301, 3}, {0x0807, 6}, {0x0000, 0}, {0x0602, 0}};
    connect("FUJIFILM", {0x1008});
    for (const Case& c : cases) {
        InfoSet s;
        s.associationType = c.association;
        script({with_data(object_info(s))});
        PtpObjectInfo info = filled(0);
        ASSERT_EQ(PtpGenericInterface_GetObjectInfo(1, &info), PtpResult_Ok);
        EXPECT_EQ(info.orientation, c.orientation) << std::hex << c.association;
        EXPECT_EQ(info.modificationDate, 0);
    }
}

TEST_F(Transfers, GetObjectHandles) {
    connect("Nikon", {0x1007});
    script({with_data(u32s({2, 0x101, 0x102})), answer(0x2008), with_data(u32s({1, 0x101}))});
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles(0x00010001, 0x3801, 0, &handles, &count),
              PtpResult_Ok);
    EXPECT_EQ(std::vector<uint32_t>(handles, handles + count),
              (std::vector<uint32_t>{0x101, 0x102}));
    std::free(handles);
    // The camera's refusal passes through.
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(7, 0, 0, &handles, &count), 0x2008);
    EXPECT_EQ(handles, nullptr);
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(7, 0, 0, nullptr, &count),
              PtpResult_InvalidArgument);
    // GetObjectHandles2 lists all storages.
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles2(&handles, &count), PtpResult_Ok);
    EXPECT_EQ(count, 1u);
    std::free(handles);
    EXPECT_EQ(calls(), std::vector<Call>({{0x1007, {0x00010001, 0x3801, 0}},
                                          {0x1007, {7, 0, 0}},
                                          {0x1007, {0xFFFFFFFF, 0, 0}}}));
}

TEST_F(Transfers, CanonWithoutRemoteReleaseReturnsToRemoteModeAfterListing) {
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    for (bool remoteRelease : {false, true}) {
        connect("Canon Inc.", remoteRelease ? std::vector<uint16_t>{0x1007, 0x9114, 0x9128}
                                            : std::vector<uint16_t>{0x1007, 0x9114});
        script(remoteRelease ? std::vector<Reply>{with_data(u32s({0}))}
                             : std::vector<Reply>{with_data(u32s({0})), ok()});
        ASSERT_EQ(PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count),
                  PtpResult_Ok);
        std::vector<Call> want = {{0x1007, {0xFFFFFFFF, 0, 0}}};
        if (!remoteRelease) want.push_back({0x9114, {1}});
        EXPECT_EQ(calls(), want) << remoteRelease;
    }
}

TEST_F(Transfers, StorageCardsAndIds) {
    connect("Nikon", {0x1004});
    // A count the data does not hold counts as no answer.
    script({with_data(u32s({2, 0x00010001, 0x00020001})), answer(0x2002), with_data(u32s({1000}))});
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 2u);
    EXPECT_EQ(sent()[0].op, 0x1004);
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);

    // Not listed: one card assumed, nothing sent.
    connect("Nikon", {});
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);
    EXPECT_TRUE(sent().empty());

    // Canon's own operation when listed, with its IDs from byte 16; they must
    // all be there too.
    connect("Canon Inc.", {0x1004, 0x9101});
    script({with_data(u32s({1, 0, 0, 0, 0x00010001})), with_data(u32s({2, 0, 0, 0, 0x00010001}))});
    uint32_t* ids = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PtpGetStorageIds(&ids, &count), PtpResult_Ok);
    EXPECT_EQ(sent()[0].op, 0x9101);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ids[0], 0x00010001u);
    std::free(ids);
    EXPECT_EQ(PtpGetStorageIds(&ids, &count), PtpResult_DataSetParseFailed);
    EXPECT_EQ(ids, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(PtpGetStorageIds(nullptr, &count), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetObjectNeverHandsOutAPartialTransfer) {
    connect("Nikon", {});
    // The second transfer's data arrives but its response says it failed.
    Reply incomplete = with_data({1, 2});
    incomplete.code = 0x2007; // Incomplete Transfer
    script({with_data({1, 2, 3}), incomplete});
    uint8_t* d = reinterpret_cast<uint8_t*>(0x1);
    uint32_t n = 9;
    ASSERT_EQ(PtpGenericInterface_GetObject(0x42, &d, &n), PtpResult_Ok); // admitted unlisted
    EXPECT_EQ(calls(), std::vector<Call>({{0x1009, {0x42}}}));
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(d[2], 3);
    std::free(d);
    EXPECT_EQ(PtpGenericInterface_GetObject(0x42, &d, &n), 0x2007);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(PtpGenericInterface_GetObject(0x42, nullptr, &n), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetPartialObjectPerVendor) {
    struct Case {
        const char* maker;
        std::vector<uint16_t> ops;
        Call sent;
    } cases[] = {{"Canon Inc.", {0x9172, 0x912C, 0x101B}, {0x9172, {7, 100, 50, 0}}},
                 {"Canon Inc.", {0x912C, 0x101B}, {0x912C, {7, 100, 50, 0}}},
                 {"Canon Inc.", {0x101B}, {0x101B, {7, 100, 50}}},
                 {"Nikon", {0x101B, 0x9172}, {0x101B, {7, 100, 50}}}};
    uint8_t* d = nullptr;
    uint32_t n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maker);
        connect(c.maker, c.ops);
        script({with_data({9, 9})});
        ASSERT_EQ(PtpGenericInterface_GetPartialObject(7, 100, 50, &d, &n), PtpResult_Ok);
        EXPECT_EQ(calls(), std::vector<Call>({c.sent}));
        EXPECT_EQ(n, 2u);
        std::free(d);
    }
    connect_nobody();
    EXPECT_EQ(PtpGenericInterface_GetPartialObject(7, 0, 1, &d, &n),
              PtpResult_NotSupportedForCamera);
    EXPECT_TRUE(sent().empty());
}

TEST_F(Transfers, GetThumbnail) {
    connect("Nikon", {0x100A});
    script({with_data({0xFF, 0xD8})});
    uint8_t* d = nullptr;
    uint32_t n = 0;
    uint8_t orientation = 0x77;
    ASSERT_EQ(PtpGenericInterface_GetThumbnail(3, &d, &n, &orientation), PtpResult_Ok);
    EXPECT_EQ(calls(), std::vector<Call>({{0x100A, {3}}}));
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(orientation, 0x77);
    std::free(d);
    EXPECT_EQ(PtpGenericInterface_GetThumbnail(3, nullptr, &n, nullptr), PtpResult_InvalidArgument);
}

TEST_F(Transfers, DeleteObjectPerVendor) {
    struct Case {
        const char* maker;
        std::vector<uint32_t> params;
    } cases[] = {{"FUJIFILM", {9}}, {"Canon Inc.", {9, 0x3801}}};
    for (const Case& c : cases) {
        connect(c.maker, {0x100B});
        EXPECT_EQ(PtpGenericInterface_DeleteObject(9, 0x3801), PtpResult_Ok);
        EXPECT_EQ(calls(), std::vector<Call>({{0x100B, c.params}})) << c.maker;
        EXPECT_EQ(PopEventPtr(), nullptr);
    }
    // Nikon: a failed delete queues nothing; a good one queues ObjectRemoved
    // with a 612-byte record holding only the handle.
    connect("Nikon", {0x100B});
    script({answer(0x2012), ok()}); // Partial Deletion
    EXPECT_EQ(PtpGenericInterface_DeleteObject(9, 0), 0x2012);
    EXPECT_EQ(PopEventPtr(), nullptr);
    EXPECT_EQ(PtpGenericInterface_DeleteObject(0x0BADF00D, 0), PtpResult_Ok);
    PtpHostEvent* e = PopEventPtr();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->code, 0x4003u);
    const void* payload;
    std::memcpy(&payload, &e->u.data, sizeof payload);
    uint8_t record[PTP_OBJECT_INFO_SIZE];
    std::memcpy(record, payload, sizeof record);
    EXPECT_EQ(peek_u32(record, sizeof record, 0), 0x0BADF00Du);
    for (size_t i = 4; i < sizeof record; ++i)
        ASSERT_EQ(record[i], 0) << i;
}

TEST_F(Transfers, SdAvailableShotsComeFromTheRoleProperty) {
    connect("Nikon", {});
    EXPECT_EQ(PtpGenericInterface_GetSdAvailableShots(), 0u); // the store lacks it
    uint32_t code = PtpGetAvailableShotsPropertyCode();
    ASSERT_NE(code, 0u);
    PtpPropertyRecord* record = PtpAddPropertyRecord(code, false, false);
    ASSERT_NE(record, nullptr);
    record->currentValue = 321;
    EXPECT_EQ(PtpGenericInterface_GetSdAvailableShots(), 321u);
    EXPECT_TRUE(sent().empty());
    PtpClearPropertyStore();
}

} // namespace
