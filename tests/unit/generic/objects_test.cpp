// Objects: the ObjectInfo record and its parse, PTP dates, file names and
// formats, handle and storage-ID arrays, and the transfers against a scripted
// transport, per vendor.
#include "generic/objects.h"

#include <gtest/gtest.h>

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

namespace {

using Bytes = std::vector<uint8_t>;

// --- The record -----------------------------------------------------------------------

TEST(ObjectInfoRecord, Is612BytesWithFieldsAtTheirOffsets) {
    EXPECT_EQ(sizeof(PtpObjectInfo), 612u);
    // What events and the cache do with a record: copy 612 bytes out of one.
    // ASan reports a record that is shorter than that.
    PtpObjectInfo* info = static_cast<PtpObjectInfo*>(std::calloc(1, sizeof(PtpObjectInfo)));
    ASSERT_NE(info, nullptr);
    info->handle = 0x11223344;
    info->objectFormat = 0x3801;
    info->compressedSize = 0xA0B0C0D0;
    info->imageWidth = 6000;
    info->sequenceNumber = 52;
    std::strcpy(info->fileName, "IMG_0001.JPG");
    info->fileNameLength = 13;
    info->captureDate = 0x0102030405060708;
    info->orientation = 6;
    info->flags = 0xF1A6;
    uint8_t wire[PTP_OBJECT_INFO_SIZE];
    std::memcpy(wire, info, PTP_OBJECT_INFO_SIZE);
    std::free(info);

    struct Field {
        size_t at;
        uint64_t value;
        int width;
    } fields[] = {
        {0, 0x11223344, 4},
        {4, 0x3801, 2},
        {8, 0xA0B0C0D0, 4},
        {28, 6000, 4},
        {52, 52, 4},
        {316, 13, 2},
        {320, 0x0102030405060708, 8},
        {596, 6, 4},
        {600, 0xF1A6, 4},
        {604, 0, 4},
        {608, 0, 4},
    };
    for (const Field& f : fields) {
        ByteReader r = make_reader(wire, sizeof wire);
        skip(r, f.at);
        uint64_t v = f.width == 2 ? read_u16(r) : f.width == 4 ? read_u32(r) : read_u64(r);
        EXPECT_EQ(v, f.value) << "offset " << f.at;
    }
    EXPECT_STREQ(reinterpret_cast<const char*>(wire + 60), "IMG_0001.JPG");
}

// --- ObjectInfo data sets ------------------------------------------------------------------

// A PTP string of exactly the given UCS-2 units (count byte = units.size()).
void write_units(ByteWriter& w, const std::vector<uint16_t>& units) {
    write_u8(w, uint8_t(units.size()));
    for (uint16_t u : units)
        write_u16(w, u);
}

struct InfoSet {
    bool canon9170 = false;
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
    if (s.canon9170) write_u32(w, 0xDEADBEEF); // Canon's extra word
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

TEST(ObjectInfoParse, StandardLayout) {
    Bytes d = object_info(InfoSet{});
    PtpObjectInfo info = filled(0xAB);
    ASSERT_EQ(
        PtpParseObjectInfoForVendor(&info, d.data(), uint32_t(d.size()), 0x1008, PtpVendor_Nikon),
        PtpResult_Ok);
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

TEST(ObjectInfoParse, Canon9170FieldsLieFourBytesLater) {
    InfoSet s;
    s.canon9170 = true;
    Bytes d = object_info(s);
    ASSERT_EQ(peek_u32(d.data(), d.size(), 22), 160u);
    PtpObjectInfo info;
    ASSERT_EQ(
        PtpParseObjectInfoForVendor(&info, d.data(), uint32_t(d.size()), 0x9170, PtpVendor_Canon),
        PtpResult_Ok);
    EXPECT_EQ(info.thumbCompressedSize, 5000u);
    EXPECT_EQ(info.thumbWidth, 160u);
    EXPECT_EQ(info.sequenceNumber, 9u);
    EXPECT_STREQ(info.fileName, "IMG_0001.JPG");
    EXPECT_EQ(local(info.captureDate), "2024-01-31 23:59:59");
    // The standard operation on the same bytes reads the extra word as a width.
    ASSERT_EQ(
        PtpParseObjectInfoForVendor(&info, d.data(), uint32_t(d.size()), 0x1008, PtpVendor_Canon),
        PtpResult_Ok);
    EXPECT_EQ(info.thumbWidth, 0xDEADBEEFu);
}

TEST(ObjectInfoParse, VendorsReadDifferentTails) {
    Bytes d = object_info(InfoSet{});
    struct Case {
        PtpVendor vendor;
        bool capture, modified, keywords;
        uint32_t flags; // the caller's 0x5A5A5A5A, kept or cleared
    } cases[] = {
        {PtpVendor_Canon, true, true, true, 0},
        {PtpVendor_Nikon, true, true, true, 0},
        {PtpVendor_Sony, false, false, false, 0x5A5A5A5A},
        {PtpVendor_Fujifilm, true, false, false, 0x5A5A5A5A},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.vendor);
        PtpObjectInfo info = filled(0x5A);
        ASSERT_EQ(
            PtpParseObjectInfoForVendor(&info, d.data(), uint32_t(d.size()), 0x1008, c.vendor),
            PtpResult_Ok);
        EXPECT_STREQ(info.fileName, "IMG_0001.JPG");
        EXPECT_EQ(info.captureDate != 0, c.capture);
        EXPECT_EQ(info.modificationDate != 0, c.modified);
        EXPECT_EQ(info.keywords[0] != 0, c.keywords);
        EXPECT_EQ(info.orientation, 0u);
        EXPECT_EQ(info.flags, c.flags);
    }
}

TEST(ObjectInfoParse, ShortDataFailsAndLeavesTheRecordUntouched) {
    for (uint16_t op : {uint16_t(0x1008), uint16_t(0x9170)}) {
        InfoSet s;
        s.canon9170 = op == 0x9170;
        Bytes d = object_info(s);
        size_t fixed = op == 0x9170 ? 56 : 52;
        for (size_t n = 0; n <= fixed; ++n) {
            Bytes cut(d.begin(), d.begin() + n); // exact-size heap copy for ASan
            PtpObjectInfo info = filled(0xC3);
            PtpObjectInfo before = info;
            EXPECT_EQ(PtpParseObjectInfoForVendor(&info, cut.empty() ? nullptr : cut.data(),
                                                  uint32_t(n), op, PtpVendor_Nikon),
                      PtpResult_DataSetParseFailed)
                << n;
            EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0) << n;
        }
        // The count byte of the name is enough.
        Bytes cut(d.begin(), d.begin() + fixed + 1);
        PtpObjectInfo info;
        EXPECT_EQ(PtpParseObjectInfoForVendor(&info, cut.data(), uint32_t(cut.size()), op,
                                              PtpVendor_Nikon),
                  PtpResult_Ok);
        EXPECT_EQ(info.fileNameLength, 0);
    }
    PtpObjectInfo info;
    EXPECT_EQ(PtpParseObjectInfoForVendor(nullptr, nullptr, 0, 0x1008, PtpVendor_Nikon),
              PtpResult_InvalidArgument);
    EXPECT_EQ(PtpParseObjectInfoForVendor(&info, nullptr, 100, 0x1008, PtpVendor_Nikon),
              PtpResult_DataSetParseFailed);
}

TEST(ObjectInfoParse, EveryTruncationParsesWithinTheData) {
    Bytes d = object_info(InfoSet{});
    for (size_t n = 53; n <= d.size(); ++n) {
        Bytes cut(d.begin(), d.begin() + n);
        PtpObjectInfo info;
        ASSERT_EQ(
            PtpParseObjectInfoForVendor(&info, cut.data(), uint32_t(n), 0x1008, PtpVendor_Canon),
            PtpResult_Ok)
            << n;
        // A name cut off by the end of the data is no name.
        bool whole = n >= 52 + 1 + 2 * 13; // count byte, 13 units
        EXPECT_EQ(info.fileNameLength, whole ? 13 : 0) << n;
        EXPECT_EQ(info.keywords[0] != 0, n == d.size()) << n;
    }
}

TEST(ObjectInfoParse, TextsLongerThanTheDataOrTheFieldAreCut) {
    // A name of 255 units without a terminator: 255 characters kept, the
    // field still ends in NUL.
    ByteWriter w;
    Bytes fixed = object_info(InfoSet{});
    write_bytes(w, fixed.data(), 52);
    write_units(w, std::vector<uint16_t>(255, 'A'));
    PtpObjectInfo info;
    ASSERT_EQ(PtpParseObjectInfoForVendor(&info, w.buf.data(), uint32_t(w.buf.size()), 0x1008,
                                          PtpVendor_Nikon),
              PtpResult_Ok);
    EXPECT_EQ(std::strlen(info.fileName), 255u);
    EXPECT_EQ(info.fileNameLength, 256);

    // UCS-2 characters keep their low byte; a name claiming 200 units with 10
    // present is no name, and nothing after it is read.
    ByteWriter v;
    write_bytes(v, fixed.data(), 52);
    write_units(v, {0x0141, 'b', 0});
    write_u8(v, 200);
    for (int i = 0; i < 10; ++i)
        write_u16(v, '1');
    ASSERT_EQ(PtpParseObjectInfoForVendor(&info, v.buf.data(), uint32_t(v.buf.size()), 0x1008,
                                          PtpVendor_Nikon),
              PtpResult_Ok);
    EXPECT_STREQ(info.fileName, "Ab");
    EXPECT_EQ(info.captureDate, 0);

    ByteWriter x;
    write_bytes(x, fixed.data(), 52);
    write_u8(x, 100); // the name runs past the data
    write_u16(x, 'A');
    ASSERT_EQ(PtpParseObjectInfoForVendor(&info, x.buf.data(), uint32_t(x.buf.size()), 0x1008,
                                          PtpVendor_Nikon),
              PtpResult_Ok);
    EXPECT_EQ(info.fileNameLength, 0);
    EXPECT_STREQ(info.fileName, "");
}

TEST(PtpDateTime, Examples) {
    EXPECT_EQ(local(PtpParsePtpDateTime("20240131T235959")), "2024-01-31 23:59:59");
    EXPECT_EQ(local(PtpParsePtpDateTime("20240131T235959.5+0100")), "2024-01-31 23:59:59");
    EXPECT_EQ(local(PtpParsePtpDateTime("20240131X235959")), "2024-01-31 23:59:59");
    EXPECT_EQ(local(PtpParsePtpDateTime("20240715T120000")), "2024-07-15 12:00:00");
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
        {"IMG_0001.CR2", 0xB103, false, true, false},
        {"IMG_0001.cr3", 0xB108, false, true, false},
        {"DSC_0001.NEF", 0x3000, false, true, false},
        {"DSC00001.ARW", 0xB101, false, true, false},
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
        {0x3801, true, false, false},  {0x380D, true, false, false}, {0xB101, false, true, false},
        {0xB103, false, true, false},  {0xB108, false, true, false}, {0xB111, false, true, false},
        {0x3000, false, true, false},  {0x3800, false, true, false}, {0x300D, false, false, true},
        {0xB104, false, false, true},  {0xB105, false, false, true}, {0xB982, false, false, true},
        {0x3001, false, false, false}, {0, false, false, false},
    };
    for (const Format& f : formats) {
        EXPECT_EQ(PtpGenericInterface_IsJpgFormat(f.code), f.jpg) << std::hex << f.code;
        EXPECT_EQ(PtpGenericInterface_IsRawFormat(f.code), f.raw) << std::hex << f.code;
        EXPECT_EQ(PtpGenericInterface_IsMovieFormat(f.code), f.movie) << std::hex << f.code;
    }
}

// --- Handle and storage-ID arrays -----------------------------------------------------------

uint8_t* heap(const Bytes& b) {
    uint8_t* p = static_cast<uint8_t*>(std::malloc(b.empty() ? 1 : b.size()));
    if (!b.empty()) std::memcpy(p, b.data(), b.size());
    return p;
}

Bytes u32s(std::initializer_list<uint32_t> values) {
    ByteWriter w;
    for (uint32_t v : values)
        write_u32(w, v);
    return w.buf;
}

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
        {"huge count", u32s({0xFFFFFFFF, 1, 2}), PtpResult_DataSetParseFailed, {}},
    };
    for (const Case& c : cases) {
        uint32_t* handles = reinterpret_cast<uint32_t*>(0x1);
        uint32_t count = 99;
        uint8_t* data = c.data.empty() ? nullptr : heap(c.data);
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

TEST(HandleArrays, Canon9101StorageIdsStartAtByte16) {
    uint32_t* ids = nullptr;
    uint32_t count = 0;
    Bytes canon = u32s({2, 0xAAAA, 0xBBBB, 0xCCCC, 0x00010001, 0x00020001});
    ASSERT_EQ(PtpTakeStorageIdArray(heap(canon), uint32_t(canon.size()), 0x9101, &ids, &count),
              PtpResult_Ok);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(ids[0], 0x00010001u);
    EXPECT_EQ(ids[1], 0x00020001u);
    std::free(ids);

    // The same count with the IDs missing.
    Bytes cut = u32s({2, 0xAAAA, 0xBBBB, 0xCCCC, 0x00010001});
    EXPECT_EQ(PtpTakeStorageIdArray(heap(cut), uint32_t(cut.size()), 0x9101, &ids, &count),
              PtpResult_DataSetParseFailed);
    EXPECT_EQ(ids, nullptr);
    EXPECT_EQ(count, 0u);

    Bytes standard = u32s({1, 0x00010001});
    ASSERT_EQ(
        PtpTakeStorageIdArray(heap(standard), uint32_t(standard.size()), 0x1004, &ids, &count),
        PtpResult_Ok);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ids[0], 0x00010001u);
    std::free(ids);
}

// --- Transfers against a scripted transport ---------------------------------------------------

struct Answer {
    PtpResult rc = PtpResult_Ok;
    Bytes container;
};

struct FakeCamera {
    std::deque<Answer> answers;
    std::vector<scripted::Call> sent;
};

FakeCamera g_camera;

PtpResult camera_send(const uint8_t* buf, uint32_t len) {
    ByteReader r = make_reader(buf, len);
    uint32_t length = read_u32(r);
    read_u16(r);
    scripted::Call s;
    s.op = read_u16(r);
    read_u32(r);
    for (uint32_t i = 12; i + 4 <= length && r.ok; i += 4)
        s.params.push_back(read_u32(r));
    g_camera.sent.push_back(s);
    return PtpResult_Ok;
}

PtpResult camera_receive(uint8_t** out) {
    *out = nullptr;
    if (g_camera.answers.empty()) return PtpResult_ConnectionLost;
    Answer a = g_camera.answers.front();
    g_camera.answers.pop_front();
    if (!a.container.empty()) *out = heap(a.container);
    return a.rc;
}

Answer response(uint16_t code) { return {PtpResult_Ok, scripted::container(3, code, {}, {})}; }
Answer data(const Bytes& payload) { return {PtpResult_Ok, scripted::container(2, 0, {}, payload)}; }

// Data, then OK.
void answer_data(const Bytes& payload) {
    g_camera.answers.push_back(data(payload));
    g_camera.answers.push_back(response(PtpResult_Ok));
}

class Transfers : public ::testing::Test {
  protected:
    void SetUp() override {
        g_camera = FakeCamera{};
        PtpTransaction_SetTransport(camera_send, camera_receive);
        PtpTransaction_SetLinkLock(nullptr);
        while (PopEventPtr()) {
        }
    }
    void TearDown() override { EXPECT_TRUE(g_camera.answers.empty()) << "unused answers"; }

    // Makes the session's vendor the one of manufacturer, listing ops.
    void become(const char* manufacturer, std::vector<uint16_t> ops) {
        answer_data(scripted::device_info(manufacturer, {}));
        PtpGenericInterface_GetCameraManufacturer();
        PtpTransaction_SetSupportedOperations(ops.data(), uint32_t(ops.size()));
        g_camera.sent.clear();
    }
    // A session without a vendor: the DeviceInfo read fails.
    void become_nobody() {
        g_camera.answers.push_back({PtpResult_ConnectionLost, {}});
        PtpGenericInterface_StartSession(0);
        g_camera.sent.clear();
    }
};

TEST_F(Transfers, GetObjectInfoPicksTheOperationAndSetsTheHandle) {
    InfoSet canon;
    canon.canon9170 = true;
    become("Canon Inc.", {0x1008, 0x9170});
    answer_data(object_info(canon));
    PtpObjectInfo info;
    ASSERT_EQ(PtpGenericInterface_GetObjectInfo(0x90000001, &info), PtpResult_Ok);
    ASSERT_EQ(g_camera.sent.size(), 1u);
    EXPECT_EQ(g_camera.sent[0].op, 0x9170);
    EXPECT_EQ(g_camera.sent[0].params, std::vector<uint32_t>{0x90000001});
    EXPECT_EQ(info.handle, 0x90000001u);
    EXPECT_EQ(info.thumbWidth, 160u);
    EXPECT_EQ(info.orientation, 0u);

    // Without 0x9170 the standard operation and layout.
    become("Canon Inc.", {0x1008});
    answer_data(object_info(InfoSet{}));
    ASSERT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].op, 0x1008);
    EXPECT_EQ(info.thumbWidth, 160u);

    // Not listed at all: nothing is sent.
    become("Nikon", {});
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_OperationNotSupported);
    EXPECT_TRUE(g_camera.sent.empty());
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, nullptr), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetObjectInfoFailuresLeaveTheRecord) {
    become("Nikon", {0x1008});
    Bytes shortSet(40, 0);
    answer_data(shortSet);
    PtpObjectInfo info = filled(0x77);
    PtpObjectInfo before = info;
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_DataSetParseFailed);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);

    g_camera.answers.push_back(response(0x2009)); // Invalid ObjectHandle
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), 0x2009);
    EXPECT_EQ(std::memcmp(&info, &before, sizeof info), 0);

    // Busy once: sent again.
    g_camera.sent.clear();
    g_camera.answers.push_back(response(0x2019));
    answer_data(object_info(InfoSet{}));
    EXPECT_EQ(PtpGenericInterface_GetObjectInfo(5, &info), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent.size(), 2u);
}

TEST_F(Transfers, FujifilmOrientationComesFromTheAssociationType) {
    struct Case {
        uint16_t association;
        uint32_t orientation;
    } cases[] = {{0x0001, 1}, {0x0007, 1}, {0x0601, 8}, {0x0607, 8}, {0x0301, 3},
                 {0x0307, 3}, {0x0801, 6}, {0x0807, 6}, {0x0000, 0}, {0x0602, 0}};
    become("FUJIFILM", {0x1008});
    for (const Case& c : cases) {
        InfoSet s;
        s.associationType = c.association;
        answer_data(object_info(s));
        PtpObjectInfo info = filled(0);
        ASSERT_EQ(PtpGenericInterface_GetObjectInfo(1, &info), PtpResult_Ok);
        EXPECT_EQ(info.orientation, c.orientation) << std::hex << c.association;
        EXPECT_EQ(info.modificationDate, 0);
    }
    // Other vendors keep 0.
    become("Nikon", {0x1008});
    answer_data(object_info(InfoSet{}));
    PtpObjectInfo info;
    ASSERT_EQ(PtpGenericInterface_GetObjectInfo(1, &info), PtpResult_Ok);
    EXPECT_EQ(info.orientation, 0u);
}

TEST_F(Transfers, GetObjectHandles) {
    become("Nikon", {0x1007});
    uint32_t* handles = nullptr;
    uint32_t count = 0;

    answer_data(u32s({2, 0x101, 0x102}));
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles(0x00010001, 0x3801, 0, &handles, &count),
              PtpResult_Ok);
    ASSERT_EQ(g_camera.sent.size(), 1u);
    EXPECT_EQ(g_camera.sent[0].op, 0x1007);
    EXPECT_EQ(g_camera.sent[0].params, (std::vector<uint32_t>{0x00010001, 0x3801, 0}));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(handles[0], 0x101u);
    EXPECT_EQ(handles[1], 0x102u);
    std::free(handles);

    // Zero objects: OK, count 0, no array.
    answer_data(u32s({0}));
    handles = reinterpret_cast<uint32_t*>(0x1);
    count = 7;
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count),
              PtpResult_Ok);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(handles, nullptr);

    // The camera's refusal passes through.
    g_camera.answers.push_back(response(0x2008));
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(7, 0, 0, &handles, &count), 0x2008);
    EXPECT_EQ(handles, nullptr);
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(7, 0, 0, nullptr, &count),
              PtpResult_InvalidArgument);

    // GetObjectHandles2 lists all storages.
    g_camera.sent.clear();
    answer_data(u32s({1, 0x101}));
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles2(&handles, &count), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].params, (std::vector<uint32_t>{0xFFFFFFFF, 0, 0}));
    EXPECT_EQ(count, 1u);
    std::free(handles);
}

TEST_F(Transfers, CanonWithoutRemoteReleaseReturnsToRemoteModeAfterListing) {
    become("Canon Inc.", {0x1007, 0x9114});
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    answer_data(u32s({0}));
    g_camera.answers.push_back(response(PtpResult_Ok));
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count),
              PtpResult_Ok);
    ASSERT_EQ(g_camera.sent.size(), 2u);
    EXPECT_EQ(g_camera.sent[1].op, 0x9114);
    EXPECT_EQ(g_camera.sent[1].params, std::vector<uint32_t>{1});

    become("Canon Inc.", {0x1007, 0x9114, 0x9128});
    answer_data(u32s({0}));
    ASSERT_EQ(PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count),
              PtpResult_Ok);
    EXPECT_EQ(g_camera.sent.size(), 1u);
}

TEST_F(Transfers, SonyIsNotListedHere) {
    become("Sony Corporation", {0x1007, 0x1004, 0x100A, 0x100B});
    uint32_t* handles = reinterpret_cast<uint32_t*>(0x1);
    uint32_t count = 5;
    EXPECT_EQ(PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count), 0);
    EXPECT_EQ(handles, nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 0u);
    EXPECT_EQ(PtpGenericInterface_DeleteObject(1, 0), PtpResult_NotSupportedForCamera);
    uint8_t* d = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(PtpGenericInterface_GetThumbnail(1, &d, &n, nullptr),
              PtpResult_NotSupportedForCamera);
    EXPECT_EQ(PtpGenericInterface_GetSdAvailableShots(), 0u);
    EXPECT_TRUE(g_camera.sent.empty());
}

TEST_F(Transfers, ListObjectHandlesForTheDrivers) {
    become("FUJIFILM", {0x1007});
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    EXPECT_EQ(PtpListObjectHandles(nullptr, &count), PtpResult_InvalidArgument);
    EXPECT_EQ(PtpListObjectHandles(&handles, nullptr), PtpResult_InvalidArgument);
    answer_data(u32s({1, 0x55}));
    ASSERT_EQ(PtpListObjectHandles(&handles, &count), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].params, (std::vector<uint32_t>{0xFFFFFFFF, 0, 0}));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(handles[0], 0x55u);
    std::free(handles);

    become("Nikon", {0x1007});
    EXPECT_EQ(PtpListObjectHandles(&handles, &count), PtpResult_NotSupportedForCamera);
    EXPECT_TRUE(g_camera.sent.empty());
}

TEST_F(Transfers, StorageCardsAndIds) {
    become("Nikon", {0x1004});
    answer_data(u32s({2, 0x00010001, 0x00020001}));
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 2u);
    EXPECT_EQ(g_camera.sent[0].op, 0x1004);

    answer_data({});
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 0u);

    g_camera.answers.push_back(response(0x2002));
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);

    // A count the data does not hold counts as no answer.
    answer_data(u32s({1000}));
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);

    // Not listed: one card assumed, nothing sent.
    become("Nikon", {});
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);
    EXPECT_TRUE(g_camera.sent.empty());

    // Canon's own operation when listed, with its IDs from byte 16.
    become("Canon Inc.", {0x1004, 0x9101});
    answer_data(u32s({1, 0, 0, 0, 0x00010001}));
    uint32_t* ids = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(PtpGetStorageIds(&ids, &count), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].op, 0x9101);
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(ids[0], 0x00010001u);
    std::free(ids);
    answer_data(u32s({1, 0, 0, 0, 0x00010001}));
    EXPECT_EQ(PtpGenericInterface_GetNumStorageCards(), 1u);
    EXPECT_EQ(PtpGetStorageIds(nullptr, &count), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetObjectNeverHandsOutAPartialTransfer) {
    become("Nikon", {});
    uint8_t* d = reinterpret_cast<uint8_t*>(0x1);
    uint32_t n = 9;
    answer_data({1, 2, 3});
    ASSERT_EQ(PtpGenericInterface_GetObject(0x42, &d, &n), PtpResult_Ok); // admitted unlisted
    EXPECT_EQ(g_camera.sent[0].op, 0x1009);
    EXPECT_EQ(g_camera.sent[0].params, std::vector<uint32_t>{0x42});
    ASSERT_EQ(n, 3u);
    EXPECT_EQ(d[2], 3);
    std::free(d);

    // The data arrived but the response says the transfer failed.
    g_camera.answers.push_back(data({1, 2}));
    g_camera.answers.push_back(response(0x2007)); // Incomplete Transfer
    EXPECT_EQ(PtpGenericInterface_GetObject(0x42, &d, &n), 0x2007);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(n, 0u);
    g_camera.answers.push_back(data({1, 2}));
    g_camera.answers.push_back({PtpResult_ConnectionLost, {}});
    EXPECT_EQ(PtpGenericInterface_GetObject(0x42, &d, &n), PtpResult_ConnectionLost);
    EXPECT_EQ(d, nullptr);
    EXPECT_EQ(PtpGenericInterface_GetObject(0x42, nullptr, &n), PtpResult_InvalidArgument);
}

TEST_F(Transfers, GetPartialObjectPerVendor) {
    struct Case {
        const char* maker;
        std::vector<uint16_t> ops;
        uint16_t op;
        std::vector<uint32_t> params;
    } cases[] = {
        {"Canon Inc.", {0x9172, 0x912C, 0x101B}, 0x9172, {7, 100, 50, 0}},
        {"Canon Inc.", {0x912C, 0x101B}, 0x912C, {7, 100, 50, 0}},
        {"Canon Inc.", {0x101B}, 0x101B, {7, 100, 50}},
        {"Nikon", {0x101B, 0x9172}, 0x101B, {7, 100, 50}},
        {"FUJIFILM", {0x101B}, 0x101B, {7, 100, 50}},
        {"Sony Corporation", {0x101B}, 0x101B, {7, 100, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.maker);
        become(c.maker, c.ops);
        answer_data({9, 9});
        uint8_t* d = nullptr;
        uint32_t n = 0;
        ASSERT_EQ(PtpGenericInterface_GetPartialObject(7, 100, 50, &d, &n), PtpResult_Ok);
        ASSERT_EQ(g_camera.sent.size(), 1u);
        EXPECT_EQ(g_camera.sent[0].op, c.op);
        EXPECT_EQ(g_camera.sent[0].params, c.params);
        EXPECT_EQ(n, 2u);
        std::free(d);
    }
    become_nobody();
    uint8_t* d = nullptr;
    uint32_t n = 0;
    EXPECT_EQ(PtpGenericInterface_GetPartialObject(7, 0, 1, &d, &n),
              PtpResult_NotSupportedForCamera);
    EXPECT_TRUE(g_camera.sent.empty());
}

TEST_F(Transfers, GetThumbnail) {
    become("Nikon", {0x100A});
    answer_data({0xFF, 0xD8});
    uint8_t* d = nullptr;
    uint32_t n = 0;
    uint8_t orientation = 0x77;
    ASSERT_EQ(PtpGenericInterface_GetThumbnail(3, &d, &n, &orientation), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].op, 0x100A);
    EXPECT_EQ(g_camera.sent[0].params, std::vector<uint32_t>{3});
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(orientation, 0x77);
    std::free(d);
    EXPECT_EQ(PtpGenericInterface_GetThumbnail(3, nullptr, &n, nullptr), PtpResult_InvalidArgument);
}

TEST_F(Transfers, DeleteObjectPerVendor) {
    become("FUJIFILM", {0x100B});
    g_camera.answers.push_back(response(PtpResult_Ok));
    EXPECT_EQ(PtpGenericInterface_DeleteObject(9, 0x3801), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].params, std::vector<uint32_t>{9});
    EXPECT_EQ(PopEventPtr(), nullptr);

    become("Canon Inc.", {0x100B});
    g_camera.answers.push_back(response(PtpResult_Ok));
    EXPECT_EQ(PtpGenericInterface_DeleteObject(9, 0x3801), PtpResult_Ok);
    EXPECT_EQ(g_camera.sent[0].params, (std::vector<uint32_t>{9, 0x3801}));
    EXPECT_EQ(PopEventPtr(), nullptr);

    // Nikon: a failed delete queues nothing; a good one queues ObjectRemoved
    // with a 612-byte record holding only the handle.
    become("Nikon", {0x100B});
    g_camera.answers.push_back(response(0x2012)); // Partial Deletion
    EXPECT_EQ(PtpGenericInterface_DeleteObject(9, 0), 0x2012);
    EXPECT_EQ(PopEventPtr(), nullptr);
    g_camera.answers.push_back(response(PtpResult_Ok));
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
    become("Nikon", {});
    PtpSetupPropertyRoles();
    PtpClearPropertyStore();
    EXPECT_EQ(PtpGenericInterface_GetSdAvailableShots(), 0u); // the store lacks it
    uint32_t code = PtpGetAvailableShotsPropertyCode();
    ASSERT_NE(code, 0u);
    PtpPropertyRecord* record = PtpAddPropertyRecord(code, false, false);
    ASSERT_NE(record, nullptr);
    record->currentValue = 321;
    EXPECT_EQ(PtpGenericInterface_GetSdAvailableShots(), 321u);
    EXPECT_TRUE(g_camera.sent.empty());
    PtpClearPropertyStore();
}

TEST_F(Transfers, FormatQueriesWithoutADriver) {
    become("Nikon", {});
    uint32_t* formats = nullptr;
    uint32_t count = 0;
    uint16_t size = 0;
    uint8_t compression = 0;
    EXPECT_EQ(PtpGenericInterface_GetPossibleImageFormats(1, nullptr, &count),
              PtpResult_InvalidArgument);
    EXPECT_EQ(PtpGenericInterface_GetImageFormatDetails(1, 1, &size, nullptr),
              PtpResult_InvalidArgument);
    become("Sony Corporation", {});
    EXPECT_EQ(PtpGenericInterface_GetImageFormatDetails(1, 1, &size, &compression),
              PtpResult_NotSupportedForCamera);
    become_nobody();
    EXPECT_EQ(PtpGenericInterface_GetPossibleImageFormats(1, &formats, &count),
              PtpResult_NotSupportedForCamera);
    EXPECT_EQ(formats, nullptr);
    EXPECT_EQ(count, 0u);
}

} // namespace
