// The Sony session on a scripted camera: the all-properties data, re-reads,
// writes and stepping, and the Tetherhub's property-change records.
#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <map>
#include <thread>

#include "generic/event_fetch.h"
#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "sony/property_controls.h"
#include "sony/sony_models.h"
#include "sony/sony_session.h"
#include "support/capture_script.h"
#include "support/raw_peer.h"
#include "support/test_data.h"

namespace {

using scripted::Bytes;
using scripted::Command;
using testdata::operator+;

enum Form : uint8_t { kNone = 0, kRange = 1, kEnum = 2 };

// One extended descriptor: the list is min, max, step for a range.
struct Desc {
    uint16_t type = 6;
    uint32_t value = 0;
    Form form = kNone;
    std::vector<uint32_t> list;
};

Bytes typed(uint16_t type, uint32_t v) {
    Bytes out = testdata::u32s({v});
    out.resize(PtpDataTypeSize(type));
    return out;
}

Bytes encode(uint16_t code, const Desc& d) {
    Bytes out = {uint8_t(code), uint8_t(code >> 8), uint8_t(d.type), uint8_t(d.type >> 8), 1, 1};
    out = out + typed(d.type, d.value) + typed(d.type, d.value) + Bytes{d.form};
    if (d.form == kEnum) out = out + Bytes{uint8_t(d.list.size()), uint8_t(d.list.size() >> 8)};
    for (uint32_t v : d.list)
        out = out + typed(d.type, v);
    return out;
}

// A Sony body: 0x9209 serves its descriptors, 0x9205 writes, 0x9207 steps.
struct FakeSony {
    std::mutex lock;
    std::map<uint16_t, Desc> props;
    std::optional<scripted::Reply> allReply; // overrides the 0x9209 answer
    std::map<uint16_t, uint32_t> reported;   // what a write of code reads back as
    Bytes all() {
        Bytes out(8, 0);
        for (auto& [code, d] : props)
            out = out + encode(code, d);
        return out + Bytes(8, 0); // the search needs 11 bytes from a descriptor's start
    }
    scripted::Reply respond(const Command& c) {
        std::lock_guard<std::mutex> held(lock);
        uint16_t code = c.params.empty() ? 0 : uint16_t(c.params[0]);
        uint32_t data = peek_u32(c.data.data(), c.data.size(), 0);
        if (c.op == kSonyOpGetAllProperties)
            return allReply ? *allReply : scripted::with_data(all());
        if (c.op == kSonyOpSetPropertyValue && props.count(code))
            props[code].value = reported.count(code) ? reported[code] : data;
        if (c.op == 0x9207 && props.count(code)) {
            Desc& d = props[code];
            auto at = std::find(d.list.begin(), d.list.end(), d.value) - d.list.begin();
            at = std::clamp<long>(at + int32_t(data), 0, long(d.list.size()) - 1);
            d.value = d.list[size_t(at)];
        }
        return scripted::ok();
    }
};

std::vector<uint32_t> iota(uint32_t n, uint32_t base = 0) {
    std::vector<uint32_t> v(n);
    for (uint32_t i = 0; i < n; ++i)
        v[i] = base + i;
    return v;
}

constexpr uint32_t k125 = 1u << 16 | 125, k250 = 1u << 16 | 250;

Bytes hub_record(uint32_t code, uint32_t value) {
    Bytes r(38, 0);
    put_u16(r.data(), 0x4FF1);
    put_u32(r.data() + 2, code);
    put_u32(r.data() + 6, value);
    r[10] = 1;
    return r;
}

class SonySession : public ::testing::Test {
  protected:
    FakeSony cam;
    void SetUp() override {
        scripted::connect("Sony Corporation", {0x9204, 0x9205, 0x9207, 0x9209});
        scripted::camera().responder = [this](const Command& c) { return cam.respond(c); };
    }
    void TearDown() override { scripted::camera().responder = nullptr; }
    PtpResult start(uint8_t model, bool normal) {
        PtpSession_SetModel(model);
        PtpSony_SetNormalPropertyControls(normal);
        return PtpSony_StartSession(0);
    }
    uint32_t value(uint32_t code) {
        uint32_t v = 0xDEADBEEF;
        PtpReadCurrentValue(code, &v);
        return v;
    }
    uint16_t count(uint32_t code) {
        PtpPropertyRecord* r = PtpGenericInterface_GetProperty(code, 0);
        return r ? r->valueCount : 0xFFFF;
    }
    int drain() {
        int n = 0;
        while (PopEventPtr())
            ++n;
        return n;
    }
};

// S1, S2, S4, S5: session start over good, short, failed and partial data.
TEST_F(SonySession, StartFromAllPropertiesData) {
    const struct {
        const char* name;
        uint8_t model;
        bool normal;
        std::optional<scripted::Reply> reply;
        PtpResult result;
        uint16_t stored;
    } cases[] = {
        {"7M4, whole data", kSonyModel7M4, true, {}, PtpResult_Ok, 4},
        {"7M4, 5 bytes", kSonyModel7M4, true, scripted::with_data(Bytes(5, 1)), PtpResult_Ok, 1},
        {"A99V, 0x9209 fails", kSonyModelA99V, false, scripted::answer(0x2002), 0x2002, 0},
        {"A99V, whole data", kSonyModelA99V, false, {}, PtpResult_Ok, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cam.props = {{0x5004, {.type = 2, .value = 0x13, .form = kEnum, .list = {0x10, 0x13}}},
                     {0x5013, {.type = 4, .value = 299, .form = kEnum, .list = iota(300)}},
                     {0xD20D, {.value = k125, .form = kRange, .list = {0, 1, 1}}}};
        cam.allReply = c.reply;
        EXPECT_EQ(start(c.model, c.normal), c.result);
        EXPECT_EQ(PtpPropertyCount(), c.stored);
        if (c.stored < 3) continue;
        // The whole u16 count, every value; 0x5004 without 0xD203 leaves bits 16-23 zero.
        ASSERT_EQ(count(0x5013), 300);
        EXPECT_EQ(PtpGenericInterface_GetProperty(0x5013, 0)->values[299].value, 299u);
        EXPECT_EQ(value(0x5004), 0x13u);
        // Older bodies: the fixed shutter list, none for the absent aperture and ISO.
        EXPECT_EQ(count(0xD20D), c.normal ? kValueListUnchecked : 56);
        EXPECT_EQ(PtpGenericInterface_IsPropertySupported(0xD2DC), c.normal);
    }
}

// S1, S7, S14: a re-read parses nothing it did not get whole.
TEST_F(SonySession, RefreshProperty) {
    const Bytes whole = Bytes(8, 0) + encode(0xD20D, {.value = k250});
    auto cut = [&](size_t n) {
        return scripted::with_data(Bytes(whole.begin(), whole.begin() + 8 + n));
    };
    const struct {
        const char* name;
        uint32_t code;
        std::optional<scripted::Reply> reply;
        PtpResult result;
    } cases[] = {
        {"5 bytes", 0xD20D, scripted::with_data(Bytes(5, 0xD2)), kSonyPropertyNotFound},
        {"0x9209 fails", 0xD20D, scripted::answer(0x2019), 0x2019},
        {"descriptor of 8 bytes", 0xD20D, cut(8), kSonyPropertyNotFound},
        {"descriptor cut before its value", 0xD20D, cut(12), PtpResult_InvalidArgument},
        {"aperture range on an older body", 0x5007, {}, PtpResult_Ok},
    };
    cam.props = {{0x5007, {.type = 4, .value = 400, .form = kEnum, .list = {400}}},
                 {0xD20D, {.value = k125}}};
    ASSERT_EQ(start(kSonyModelA99V, false), PtpResult_Ok);
    cam.props[0x5007] = {.type = 4, .value = 560, .form = kRange, .list = {100, 4500, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        cam.allReply = c.reply;
        EXPECT_EQ(PtpSony_RefreshProperty(c.code, true), c.result);
        EXPECT_EQ(value(0xD20D), k125);
        EXPECT_EQ(count(0x5007), 34); // the fixed list stays
    }
    EXPECT_EQ(value(0x5007), 560u);
}

// S9, S17 and stepping: writes confirmed at the record's width, stepped writes
// counted atomically, steps sent as the body takes them.
TEST_F(SonySession, WritesAndStepping) {
    cam.props = {{0x5010, {.type = 3, .value = 0, .form = kEnum, .list = {0xFC18, 0, 1000}}}};
    cam.reported[0x5010] = 0xFC18; // the camera reports -1000 as INT16
    ASSERT_EQ(start(kSonyModel7M4, true), PtpResult_Ok);
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(
                  0x5010, PtpGenericInterface_ExposureCompensationValueForStop(-1.0f), 1),
              PtpResult_Ok);

    const struct {
        uint8_t model;
        std::vector<uint32_t> steps; // 0x9207 step counts sent
    } cases[] = {{kSonyModelA99V, {3}}, {kSonyModel7M3, {1, 1, 1}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.model));
        cam.props = {
            {0xD20D,
             {.value = k125, .form = kEnum, .list = {k125, 1u << 16 | 160, 1u << 16 | 200, k250}}},
            {0x500B, {.type = 4, .value = 1, .form = kEnum, .list = iota(8)}},
            {0x5013, {.type = 4, .value = 0x8337}}};
        ASSERT_EQ(start(c.model, false), PtpResult_Ok);
        // A bulb request in a bracketing drive mode never reaches the camera.
        scripted::clear_sent();
        EXPECT_EQ(PtpSony_SetPropertyValue(0xD20D, 0), PtpResult_NotAllowedInExposureMode);
        EXPECT_TRUE(scripted::sent().empty());

        std::vector<std::thread> writers;
        for (int t = 0; t < 8 && c.model == kSonyModelA99V; ++t)
            writers.emplace_back([] {
                for (int i = 0; i < 10000; ++i)
                    PtpGenericInterface_SetPropertyValue(0x500B, 2, 0);
            });
        for (auto& w : writers)
            w.join();
        EXPECT_EQ(PtpSony_WaitingWriters(), 0);

        scripted::clear_sent();
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD20D, k250, 1), PtpResult_Ok);
        std::vector<uint32_t> steps;
        for (const Command& cmd : scripted::sent())
            if (cmd.op == 0x9207) steps.push_back(peek_u32(cmd.data.data(), cmd.data.size(), 0));
        EXPECT_EQ(steps, c.steps);
    }
}

// S8, S16: change records update the store under the records' locks.
TEST_F(SonySession, ChangeRecords) {
    cam.props = {{0xD253, {.type = 2, .value = 3}},
                 {0xD252, {.type = 2, .value = 2}},
                 {0xD203, {.type = 2, .value = 1}},
                 {0x5013, {.type = 4, .value = 1, .form = kEnum, .list = iota(20, 7)}}};
    ASSERT_EQ(start(kSonyModel7M4, true), PtpResult_Ok);
    EXPECT_EQ(value(0xD253), 0x10203u);
    drain();
    Bytes rec = hub_record(0xD252, 1);
    EXPECT_EQ(PtpDispatchEventData(rec.data(), uint32_t(rec.size())), PtpResult_Ok);
    EXPECT_EQ(value(0xD253), 0x10103u);
    PtpHostEvent* e = PopEventPtr();
    ASSERT_NE(e, nullptr);
    PtpPropertyRecord* holder = nullptr;
    std::memcpy(&holder, &e->u.data, sizeof holder);
    EXPECT_EQ(holder, PtpGenericInterface_GetProperty(0xD253, 0));
    drain();

    // A host reads 0x5013's list under its lock while markers re-parse it.
    std::atomic<bool> done{false};
    auto reader = std::async(std::launch::async, [&] {
        int bad = 0;
        while (!done) {
            PtpPropertyRecord* r = PtpGenericInterface_GetProperty(0x5013, 1);
            uint16_t n = r->valueCount;
            for (uint16_t i = 0; i < n; ++i)
                bad += r->values[i].value != r->values[0].value + i;
            bad += n != 20 && n != 30;
            PtpUnlockProperty(r);
        }
        return bad;
    });
    Bytes marker = hub_record(0x12345678, 0);
    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard<std::mutex> held(cam.lock);
            cam.props[0x5013].list = iota(i % 2 ? 20 : 30, 7);
        }
        PtpDispatchEventData(marker.data(), uint32_t(marker.size()));
    }
    done = true;
    EXPECT_EQ(reader.get(), 0);
    EXPECT_GT(drain(), 0);
}

// S10: one more fetch after a batch that changed the exposure mode, applied
// after the whole batch, and never a second one from its own batch.
TEST_F(SonySession, ExposureModeChangeFetchesOnce) {
    cam.props = {{0x500E, {.type = 4, .value = 1}}, {0x5007, {.type = 4, .value = 0}}};
    ASSERT_EQ(start(kSonyModelA99V, false), PtpResult_Ok);
    for (uint32_t again : {0u, 1u}) {
        SCOPED_TRACE(again);
        RawPeer peer;
        ASSERT_TRUE(RawPeer_Connect(peer));
        auto fetch = std::async(std::launch::async, [] { return PtpFetchEventsOnce(true, false); });
        // The second time the follow-up's batch changes the mode again.
        const Bytes batches[] = {hub_record(0x500E, 10 + again) + hub_record(0x5007, 1),
                                 hub_record(0x5007, 2) + hub_record(0x500E, 10 + 5 * again)};
        for (const Bytes& b : batches) {
            EXPECT_FALSE(RawPeer_ReadMessage(peer).empty());
            RawPeer_Write(peer, ControlReply(0x2001, b));
        }
        ASSERT_EQ(fetch.wait_for(std::chrono::seconds(2)), std::future_status::ready);
        EXPECT_EQ(fetch.get(), PtpResult_Ok);
        EXPECT_EQ(value(0x5007), 2u);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
}

} // namespace
