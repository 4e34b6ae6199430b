// The Fujifilm session on a scripted camera: the registered set, host priority,
// writes and their verification, the Tetherhub's records, the aperture list.
#include <gtest/gtest.h>

#include <future>
#include <map>
#include <set>
#include <string>

#include "fuji/fuji_session.h"
#include "generic/event_fetch.h"
#include "generic/property_names.h"
#include "ptp_fuji.h"
#include "ptp_liveview.h"
#include "support/capture_script.h"

namespace {

using scripted::Bytes;
using scripted::Command;

struct Prop {
    uint16_t type;
    uint32_t value;
    std::string text; // string properties
    uint8_t access = 1;
};

Bytes text_value(const std::string& s) {
    ByteWriter w;
    write_ptp_string(w, s.c_str());
    return w.buf;
}

// A camera that describes its properties, keeps what is written and can refuse.
struct FujiCamera {
    std::map<uint32_t, Prop> props;
    std::map<uint32_t, Bytes> raw;     // 0x1015 answers that override props
    std::set<uint32_t> undescribed;    // 0x1014 refused
    std::map<uint32_t, uint16_t> fail; // 0x1016 refused with this code
    Bytes value(const Prop& p) {
        if (p.type == kPtpTypeString) return text_value(p.text);
        ByteWriter w;
        for (size_t i = 0; i < PtpDataTypeSize(p.type); ++i)
            write_u8(w, uint8_t(p.value >> (8 * i)));
        return w.buf;
    }
    scripted::Reply answer(const Command& c) {
        const uint32_t code = c.params.empty() ? 0 : c.params[0];
        auto it = props.find(code);
        if (c.op == 0x1016) {
            if (fail.count(code)) return scripted::answer(fail[code]);
            if (it != props.end() && it->second.type != kPtpTypeString) {
                uint32_t v = 0;
                PtpReadTypedValue(it->second.type, c.data.data(), c.data.size(), &v);
                it->second.value = v;
            }
        }
        if (c.op == 0x1015 && raw.count(code)) return scripted::with_data(raw[code]);
        if (it == props.end() || (c.op == 0x1014 && undescribed.count(code))) {
            return c.op == 0x1016 ? scripted::ok() : scripted::answer(0x2006);
        }
        const Prop& p = it->second;
        ByteWriter w;
        write_u16(w, uint16_t(code));
        write_u16(w, p.type);
        write_u8(w, p.access);
        Bytes v = value(p);
        if (c.op == 0x1015) return scripted::with_data(v);
        if (c.op != 0x1014) return scripted::ok();
        write_bytes(w, v.data(), v.size());
        write_bytes(w, v.data(), v.size());
        write_u8(w, 0);
        return scripted::with_data(w.buf);
    }
};

std::vector<uint32_t> g_toggles; // live-view switches of the test driver
PtpResult toggle(bool on) {
    g_toggles.push_back(on);
    PtpSession_SetLiveViewOn(on);
    return PtpResult_Ok;
}
PtpDriver g_driver; // the Fujifilm driver with a live-view switch

Bytes hub_record(uint32_t code, uint32_t value, uint8_t flag) {
    ByteWriter w;
    write_u16(w, 0x4FF1);
    write_u32(w, code);
    write_u32(w, value);
    write_u8(w, flag);
    w.buf.resize(38);
    return w.buf;
}

class FujiSession : public ::testing::Test {
  protected:
    FujiCamera cam;
    void SetUp() override {
        scripted::connect("FUJIFILM", {0x1014, 0x1015, 0x1016});
        cam.props = {{0x5007, {4, 280}},
                     {0x500D, {4, 100}},
                     {0x500E, {4, 3}},
                     {0x5010, {3, 0}},
                     {0xD201, {4, 1}},
                     {0xD20C, {4, 0}},
                     {0xD207, {4, 1}},
                     {0xD022, {2, 0}},
                     {0xD38D, {0xFFFF, 0, "280,400,560"}},
                     {0xD38E, {0xFFFF, 0, "1,5500"}}};
        cam.undescribed = {0xEEE0, 0xEEE1, 0xEEE2, 0xEEE3};
        scripted::camera().responder = [this](const Command& c) { return cam.answer(c); };
        g_driver = kPtpFujiDriver;
        g_driver.liveView.toggle = toggle;
        PtpSession_SetDriverForTest(&g_driver);
        g_toggles.clear();
        ASSERT_EQ(PtpFuji_StartSession(0), PtpResult_Ok);
    }
    void TearDown() override {
        scripted::camera().responder = nullptr;
        PtpFuji_SetListAllocator(nullptr);
        PtpSession_SetDriverForTest(nullptr);
    }
    PtpPropertyRecord* prop(uint32_t code) { return PtpGenericInterface_GetProperty(code, 0); }
    uint8_t access(uint32_t code) { return prop(code) ? prop(code)->access : 0xFF; }
};

// The registered set in its order, without what the camera cannot describe;
// the library's focus records are INT32 and read-only; media recording is set.
TEST_F(FujiSession, StartRegistersInOrder) {
    std::vector<uint32_t> codes;
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i)
        codes.push_back(PtpPropertyAt(i)->code);
    const std::vector<uint32_t> want = {0x5007, 0x500D, 0x500E, 0x5010, 0xD20C, 0xD022, 0xD38D,
                                        0xD207, 0xD38E, 0xEEE0, 0xEEE1, 0xEEE2, 0xEEE3, 0xD201};
    EXPECT_EQ(codes, want);
    EXPECT_EQ(prop(0xEEE2)->dataType, kPtpTypeInt32);
    EXPECT_EQ(access(0xEEE2), 0);
    EXPECT_EQ(cam.props[0xD20C].value, 1u);
}

// F6: the library's records are skipped by the refresh, so host priority
// reaches every property after them; the exposure-mode rules follow the mode.
TEST_F(FujiSession, HostPriorityFollowsEveryProperty) {
    const struct {
        uint8_t on;
        uint32_t priority;
        uint8_t drive, aperture, shutter, compensation;
    } cases[] = {{1, 2, 1, 1, 0, 1}, {0, 1, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.on));
        EXPECT_EQ(PtpGenericInterface_SetConnectionHostMode(c.on, 0), PtpResult_Ok);
        EXPECT_EQ(cam.props[0xD207].value, c.priority);
        EXPECT_EQ(PtpFuji_RefreshAllProperties(), PtpResult_Ok);
        EXPECT_EQ(access(0xD201), c.drive);
        EXPECT_EQ(access(0x5007), c.aperture);
        EXPECT_EQ(access(0x500D), c.shutter);
        EXPECT_EQ(access(0x5010), c.compensation);
    }
}

// F7: verification compares the bytes the write sent; F8: signed compensation labels.
TEST_F(FujiSession, WritesVerifyTheSentBytesAndLabelsAreSigned) {
    const struct {
        uint32_t code, value, stored;
        size_t bytes;
    } writes[] = {{0x5010, 0xFFFFFC18, 0xFC18, 2}, {0xD022, 0x102, 0x02, 1}};
    for (const auto& w : writes) {
        SCOPED_TRACE(w.code);
        scripted::clear_sent();
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(w.code, w.value, 1), PtpResult_Ok);
        EXPECT_EQ(scripted::sent().front().data.size(), w.bytes);
        EXPECT_EQ(prop(w.code)->currentValue, w.stored);
    }
    const struct {
        uint32_t code, value;
        const char* label;
    } labels[] = {{0x5010, 0xFC18, "-1.0"}, {0x5010, 333, "0.3"}, {0x5007, 280, "2.8"}};
    for (const auto& l : labels)
        EXPECT_STREQ(PtpNames_ValueLabel({&kPtpFujiDriver, 0, false}, l.code, l.value), l.label);
    // A text goes as a PTP string: count 10, nine characters and the NUL.
    EXPECT_EQ(PtpFuji_WriteStringProperty(0xD38E, "3456x2304"), PtpResult_Ok);
    EXPECT_EQ(scripted::sent().back().data.size(), 21u);
    EXPECT_EQ(PtpFuji_WriteStringProperty(0xD38E, ""), PtpResult_InvalidArgument);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0x1234, 1, 0), PtpResult_OperationNotSupported);
}

// A write stops live view and starts it again, whether it succeeds or fails.
TEST_F(FujiSession, WriteRestartsLiveViewOnEveryExit) {
    cam.fail[0x500D] = 0x2005;
    const struct {
        uint32_t code;
        PtpResult result;
    } cases[] = {{0x5007, PtpResult_Ok}, {0x500D, PtpResult(0x2005)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        PtpSession_SetLiveViewOn(true);
        g_toggles.clear();
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(c.code, 400, 0), c.result);
        EXPECT_EQ(g_toggles, (std::vector<uint32_t>{0, 1}));
    }
}

// The Tetherhub's records: access follows the exposure-mode rules and host
// priority, and a new exposure mode re-reads the settings it governs.
TEST_F(FujiSession, HubRecordsFollowTheExposureMode) {
    const struct {
        uint8_t host;
        uint32_t code, value;
        uint8_t flag, access;
    } cases[] = {
        {0, 0x5007, 400, 1, 0}, {1, 0x5007, 560, 0, 1}, {1, 0x500D, 200, 1, 0},
        {1, 0xD201, 2, 0, 0},   {1, 0xD201, 3, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        PtpFuji_SetConnectionHostMode(c.host, 0);
        Bytes record = hub_record(c.code, c.value, c.flag);
        EXPECT_EQ(PtpDispatchEventData(record.data(), uint32_t(record.size())), PtpResult_Ok);
        EXPECT_EQ(prop(c.code)->currentValue, c.value);
        EXPECT_EQ(access(c.code), c.access);
    }
    Bytes mode = hub_record(0x500E, 4, 1);
    PtpDispatchEventData(mode.data(), uint32_t(mode.size()));
    EXPECT_EQ(access(0x500D), 1);
    EXPECT_EQ(access(0x5007), 0);
}

// F1: the lens text is read only inside its data; the list is built from it.
TEST_F(FujiSession, ApertureListFromTheLens) {
    const struct {
        const char* name;
        Bytes raw;
        PtpResult result;
    } cases[] = {
        {"count past the data", {128, '2', 0}, PtpResult_DataSetParseFailed},
        {"no data", {}, PtpResult_DataSetParseFailed},
        {"empty text", {0}, PtpResult_DataSetParseFailed},
        {"NUL in the low byte", {2, 0, 0x31, '2', 0}, PtpResult_DataSetParseFailed},
        {"three stops", text_value("280,400,560"), PtpResult_Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cam.raw[0xD38D] = c.raw;
        EXPECT_EQ(PtpFuji_RebuildApertureList(), c.result);
    }
    PtpPropertyRecord* r = prop(0x5007);
    ASSERT_EQ(r->valueCount, 3);
    EXPECT_EQ(r->values[2].value, 560u);
    EXPECT_STREQ(r->values[1].label, "4.0");
    uint16_t focal = 0;
    EXPECT_EQ(PtpFujiInterface_GetLensFocalLength(&focal), PtpResult_Ok);
    EXPECT_EQ(focal, 55);
}

// F16: a list that cannot be allocated leaves the old one and the lock free.
TEST_F(FujiSession, ApertureListAllocationFailureKeepsTheOldList) {
    ASSERT_EQ(PtpFuji_SetApertureList("280,400"), PtpResult_Ok);
    PtpFuji_SetListAllocator([](size_t, size_t) -> void* { return nullptr; });
    EXPECT_EQ(PtpFuji_SetApertureList("280,400,560"), PtpResult_OutOfMemory);
    PtpPropertyRecord* r = prop(0x5007);
    EXPECT_EQ(r->valueCount, 2);
    EXPECT_EQ(r->values[1].value, 400u);
    auto other = std::async(std::launch::async, [r] {
        bool locked = PtpLockProperty(r);
        PtpUnlockProperty(r);
        return locked;
    });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(1)), std::future_status::ready);
    EXPECT_TRUE(other.get());
}

} // namespace
