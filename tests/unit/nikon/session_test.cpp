// The Nikon session on a scripted camera: bulk descriptions, events, property reads and writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <future>
#include <map>
#include <string>

#include "nikon/nikon_session.h"
#include "ptp_comms.h"
#include "ptp_nikon.h"
#include "ptp_objects.h"
#include "support/capture_script.h"
#include "support/raw_peer.h"
#include "support/test_data.h"

namespace {

using scripted::Bytes;
using scripted::Command;
using testdata::u32s;
using testdata::operator+;

constexpr uint8_t kD600 = 197;

Bytes u16le(uint16_t v) { return {uint8_t(v), uint8_t(v >> 8)}; }

// A DevicePropDesc of a UINT16 property with current value value, no form.
Bytes desc16(uint16_t code, uint16_t value) {
    return u16le(code) + u16le(4) + Bytes{1} + u16le(value) + u16le(value) + Bytes{0};
}

// The bulk block: each record's length, then the record.
Bytes block(std::initializer_list<Bytes> records) {
    Bytes out;
    for (const Bytes& r : records)
        out = out + u32s({uint32_t(r.size())}) + r;
    return out;
}

// A camera that keeps the values written to it and answers any ObjectInfo as a JPEG.
struct KeepingCamera {
    std::map<uint32_t, Bytes> values;
    Bytes objectInfo() const {
        ByteWriter name;
        write_ptp_string(name, "DSC_0001.JPG");
        return u32s({0x00010001}) + u16le(0x3801) + Bytes(46) + name.buf + Bytes(3);
    }
    void install() {
        scripted::camera().responder = [this](const Command& c) {
            if (c.op == 0x1016) values[c.params[0]] = c.data;
            if (c.op == 0x1015 && values.count(c.params[0]))
                return scripted::with_data(values[c.params[0]]);
            if (c.op == 0x1008) return scripted::with_data(objectInfo());
            return scripted::ok();
        };
    }
};

class NikonSession : public ::testing::Test {
  protected:
    KeepingCamera cam;
    void SetUp() override {
        scripted::connect("Nikon", {0x1008, 0x1014, 0x1015, 0x1016, 0x90C2, 0x90C8});
        PtpSession_SetModel(kD600); // a body whose colour temperature is an index
        PtpClearPropertyStore();
        cam.install();
    }
    void TearDown() override { scripted::camera().responder = nullptr; }
    PtpPropertyRecord* add(uint32_t code, uint32_t type, uint32_t value,
                           std::initializer_list<uint32_t> list = {}) {
        PtpPropertyRecord* r = scripted::set_property(code, value);
        r->dataType = type;
        if (list.size()) {
            r->values =
                static_cast<PtpValueLabel*>(std::calloc(list.size(), sizeof(PtpValueLabel)));
            r->valueCount = uint16_t(list.size());
            uint16_t i = 0;
            for (uint32_t v : list)
                r->values[i++].value = v;
        }
        return r;
    }
    uint32_t value(uint32_t code) {
        uint32_t v = 0;
        PtpReadCurrentValue(code, &v);
        return v;
    }
};

// N3, N15: only records inside the block are taken; a block storing nothing fails.
TEST_F(NikonSession, BulkBlockTakesOnlyWholeRecords) {
    Bytes huge = u32s({1000}) + Bytes(20, 0x11);                        // L past the block
    Bytes wrapping = u32s({0xFFFFFFFC}) + desc16(0x5001, 0) + Bytes(4); // 4 + L wraps
    Bytes malformed = u32s({5}) + Bytes{0x07, 0x50, 0x00, 0x00, 0x01};  // type 0
    const struct {
        const char* name;
        Bytes data;
        PtpResult result;
        uint16_t stored;
    } cases[] = {
        {"length past the block", huge, PtpResult_InvalidArgument, 0},
        {"wrapping length", wrapping, PtpResult_InvalidArgument, 0},
        {"six bytes", Bytes(6, 0), PtpResult_InvalidArgument, 0},
        {"one valid, one malformed", block({desc16(0x5001, 80)}) + malformed, PtpResult_Ok, 1},
        {"valid, then a length past the end", block({desc16(0x5001, 80)}) + huge, PtpResult_Ok, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PtpNikon_ParsePropertyDescriptionBlock(c.data.data(), uint32_t(c.data.size())),
                  c.result);
        EXPECT_EQ(PtpPropertyCount(), c.stored);
    }
    EXPECT_EQ(value(0x5001), 80u);

    // A live-view focus mode of 0 is set to 1 on the way.
    Bytes focus = block({desc16(0xD1A0, 0)});
    EXPECT_EQ(PtpNikon_ParsePropertyDescriptionBlock(focus.data(), uint32_t(focus.size())),
              PtpResult_Ok);
    EXPECT_EQ(cam.values[0xD1A0], u16le(1));
}

// N4: a control reply whose inner length does not fit the message is refused before any parse.
TEST_F(NikonSession, BulkReplyFramingIsChecked) {
    Bytes lying = u32s({12}) + Bytes{13} + u32s({5000}) + Bytes{0} + u16le(0x2001);
    const struct {
        const char* name;
        Bytes reply;
        PtpResult result;
    } cases[] = {
        {"inner length 5000", lying, PtpResult_BadReply},
        {"five bytes", Bytes{5, 0, 0, 0, 13}, PtpResult_BadReply},
        {"refused", ControlReply(0x2002, {}), PtpResult(0x2002)},
        {"good", ControlReply(0x2001, block({desc16(0x5001, 60)})), PtpResult_Ok},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RawPeer peer;
        ASSERT_TRUE(RawPeer_Connect(peer));
        auto load = std::async(std::launch::async, PtpNikon_LoadPropertyDescriptions);
        Bytes request = RawPeer_ReadMessage(peer);
        EXPECT_EQ(request.size(), 10u + 256u); // header, code, 64 codes
        EXPECT_EQ(request.size() > 9 ? request[9] : 0, 235);
        EXPECT_EQ(peek_u32(request.data(), request.size(), 10 + 4 * 9), 0x500Eu);
        RawPeer_Write(peer, c.reply);
        EXPECT_EQ(load.get(), c.result);
        CloseServerConnection();
        RawPeer_Close(peer);
    }
    EXPECT_EQ(value(0x5001), 60u);
}

// N6: ObjectAdded carries the ObjectInfo; untracked codes queue nothing; 0x500E adds 0x5010.
TEST_F(NikonSession, EventEntries) {
    add(0x500E, kPtpTypeUint16, 1);
    add(0x5010, kPtpTypeUint16, 0);
    const struct {
        const char* name;
        Bytes data;
        std::vector<uint32_t> codes;
    } cases[] = {
        {"object added", u16le(1) + u16le(0x4002) + u32s({0x1234}), {0x4002}},
        {"count above the entries", u16le(3) + u16le(0x4003) + u32s({7}) + u16le(0x4003), {0x4003}},
        {"untracked property", u16le(1) + u16le(0x4006) + u32s({0xD1BF}), {}},
        {"exposure program", u16le(1) + u16le(0x4006) + u32s({0x500E}), {0x4006, 0x4006}},
        {"count 0", u16le(0) + u16le(0x4003) + u32s({7}), {}},
    };
    cam.values[0x500E] = u16le(3);
    scripted::camera().responder = [this](const Command& c) {
        if (c.op == 0x1014) return scripted::with_data(desc16(uint16_t(c.params[0]), 3));
        return c.op == 0x1008 ? scripted::with_data(cam.objectInfo()) : scripted::ok();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PtpNikon_ParseEventData(c.data.data(), uint32_t(c.data.size())), PtpResult_Ok);
        std::vector<uint32_t> got;
        while (const PtpHostEvent* e = PopEventPtr()) {
            got.push_back(e->code);
            if (e->code == 0x4002) {
                const PtpObjectInfo* info = static_cast<const PtpObjectInfo*>(e->u.data);
                EXPECT_EQ(info->handle, 0x1234u);
                EXPECT_EQ(info->objectFormat, 0x3801);
            }
        }
        EXPECT_EQ(got, c.codes);
    }
}

// N5, N10, N12: reads bounded by the data, Auto ISO keeps its sense, D600 kelvin labels.
TEST_F(NikonSession, ReadsAndVerifiedWrites) {
    add(0xD16A, kPtpTypeUint8, 0, {0, 1});
    add(0xD01E, kPtpTypeUint16, 0);
    add(0x5008, kPtpTypeUint32, 7);
    PtpPropertyRecord* text = add(0xD0F6, kPtpTypeString, 0);

    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD16A, 1, 1), PtpResult_Ok);
    EXPECT_EQ(value(0xD16A), 1u);

    cam.values[0xD01E] = u16le(20);
    EXPECT_TRUE(PtpNikonInterface_UpdateProperty(0xD01E));
    EXPECT_EQ(value(0xD01E), 5000u);
    EXPECT_STREQ(PtpGenericInterface_GetProperty(0xD01E, 0)->currentLabel, "5000");

    cam.values[0x5008] = {};
    EXPECT_FALSE(PtpNikonInterface_UpdateProperty(0x5008));
    cam.values[0x5008] = {1};
    EXPECT_FALSE(PtpNikonInterface_UpdateProperty(0x5008));
    EXPECT_EQ(value(0x5008), 7u);

    ByteWriter w;
    write_ptp_string(w, std::string(200, 'a').c_str());
    cam.values[0xD0F6] = w.buf;
    EXPECT_TRUE(PtpNikonInterface_UpdateProperty(0xD0F6));
    EXPECT_EQ(std::string(text->currentLabel), std::string(63, 'a'));
}

// N11: a refresh of an unchanged camera keeps the composite image format and the kelvin.
TEST_F(NikonSession, RefreshAllKeepsCompositeAndKelvin) {
    add(0x5004, kPtpTypeUint16, 0x00010007);
    add(0x5003, kPtpTypeUint8, 1);
    add(0xD01E, kPtpTypeUint16, 5000);
    cam.values = {{0x5004, u16le(7)}, {0x5003, {1}}, {0xD01E, u16le(20)}};
    EXPECT_EQ(PtpReloadAllProperties(), PtpResult_Ok);
    EXPECT_EQ(value(0x5004), 0x00010007u);
    EXPECT_EQ(value(0xD01E), 5000u);
}

// Write data phases: a string sends its label, Auto ISO the camera's sense, D600 kelvin an index.
TEST_F(NikonSession, WriteDataPhases) {
    PtpPropertyRecord* text = add(0xD0F6, kPtpTypeString, 0, {0, 1});
    std::snprintf(text->values[1].label, sizeof text->values[1].label, "%s", "123456789");
    add(0xD16A, kPtpTypeUint8, 0, {0, 1});
    add(0xD01E, kPtpTypeUint16, 5000);
    const struct {
        uint32_t code, value;
        Bytes sent;
    } cases[] = {
        {0xD16A, 1, {0}},
        {0xD16A, 0, {1}},
        {0xD01E, 5000, u16le(20)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PtpNikon_SetPropertyValue(c.code, c.value), PtpResult_Ok) << c.code;
        EXPECT_EQ(cam.values[c.code], c.sent) << c.code;
    }
    EXPECT_EQ(PtpNikon_SetPropertyValue(0xD0F6, 1), PtpResult_Ok);
    ASSERT_EQ(cam.values[0xD0F6].size(), 21u);
    EXPECT_EQ(cam.values[0xD0F6][0], 10);
    EXPECT_EQ(cam.values[0xD0F6][17], '9');
}

// N16: a refused write leaves the record unlocked for the event thread.
TEST_F(NikonSession, RefusedWriteReleasesTheRecord) {
    PtpPropertyRecord* text = add(0xD0F6, kPtpTypeString, 0);
    EXPECT_EQ(PtpNikon_SetPropertyValue(0xD0F6, 3), PtpResult_InvalidData);
    auto locked = std::async(std::launch::async, [text] {
        PtpLockProperty(text);
        PtpUnlockProperty(text);
    });
    EXPECT_EQ(locked.wait_for(std::chrono::seconds(1)), std::future_status::ready);
}

TEST(NikonKelvin, IndexMidpointsOnTheD600) {
    PtpSession_SetModel(kD600);
    const struct {
        uint32_t kelvin, index;
    } cases[] = {{5000, 20}, {2529, 0}, {2530, 1}, {12000, 20}, {10000, 30}};
    for (const auto& c : cases)
        EXPECT_EQ(PtpNikon_IndexFromKelvin(c.kelvin), c.index) << c.kelvin;
    EXPECT_EQ(PtpNikon_KelvinFromIndex(31), 5000u);
    PtpSession_SetModel(0);
}

} // namespace
