// The Canon event-data parser on hand-made blocks, well-formed and malformed:
// nothing is read past a record or its block.
#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "eos/eos_models.h"
#include "eos/eos_session.h"
#include "eos/event_records.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "support/capture_script.h"
#include "support/eos_event_block.h"

namespace {

using namespace eosblock;
using scripted::Command;

// The fixed fields of an object-added record up to its name: handle at +8,
// format at +16, compressed size at +28.
Bytes object_fields(uint32_t handle, uint16_t format, uint32_t size, size_t nameAt) {
    Bytes p(nameAt - 8, 0);
    put_u32(&p[0], handle);
    put_u16(&p[8], format);
    put_u32(&p[20], size);
    return p;
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes ptp_string(const char* s) {
    ByteWriter w;
    write_ptp_string(w, s);
    return w.buf;
}

class EosEvents : public ::testing::Test {
  protected:
    void SetUp() override { canon("Canon EOS 5D Mark IV"); }
    void TearDown() override {
        PtpEos_SetListAllocator(nullptr);
        scripted::camera().responder = nullptr;
    }

    // A Canon session on the scripted transport with the model text and the
    // DeviceInfo lists given; the store and the queue start empty.
    void canon(const char* model, const std::vector<uint16_t>& props = {}) {
        connect_canon(model, {0x1008, 0x9110, 0x9127}, props);
        ASSERT_EQ(PtpSession_Vendor(), PtpVendor_Canon);
    }
    static PtpPropertyRecord* prop(uint32_t code) {
        return PtpGenericInterface_GetProperty(code, 0);
    }
};

TEST_F(EosEvents, NullOrEmptyBlockIsRefused) {
    EXPECT_EQ(PtpEos_ParseEventData(nullptr, 16), PtpResult_InvalidArgument);
    uint8_t one = 0;
    EXPECT_EQ(PtpEos_ParseEventData(&one, 0), PtpResult_InvalidArgument);
}

TEST_F(EosEvents, AllowedValuesCreateTheRecordWithItsType) {
    ASSERT_EQ(parse(Block().allowed(0xD108, {0, 1, 2, 3}).allowed(0xD104, {0, 8, 0xF8})),
              PtpResult_Ok);
    ASSERT_NE(prop(0xD108), nullptr);
    EXPECT_EQ(prop(0xD108)->dataType, kPtpTypeUint16);
    EXPECT_EQ(prop(0xD104)->dataType, kPtpTypeInt8);
    std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, 0x4006u);
    EXPECT_EQ(events[0].record, prop(0xD108));
    EXPECT_EQ(events[1].record, prop(0xD104));
}

TEST_F(EosEvents, AllowedValueCountsDecideTheListAndTheAccess) {
    struct Case {
        const char* what;
        Block block;
        uint16_t valueCount;
        uint8_t access;
        size_t events;
    } cases[] = {
        {"two values: writable", Block().allowed(0xD101, {0x30, 0x38}), 2, 1, 1},
        {"one value: read-only", Block().allowed(0xD101, {0x30}), 1, 0, 1},
        {"no values: read-only", Block().allowed(0xD101, {}), 0, 0, 1},
        {"count beyond the record: empty list, event still queued",
         Block().allowed(0xD101, {0x30, 0x38}, 3), 0, 1, 1},
        {"code without a name: no list, no event", Block().allowed(0xD1FE, {1, 2}), 0, 0, 0},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtpClearPropertyStore();
        uint32_t code = peek_u32(c.block.bytes().data(), c.block.bytes().size(), 8);
        ASSERT_EQ(parse(c.block), PtpResult_Ok);
        PtpPropertyRecord* r = prop(code);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->valueCount, c.valueCount);
        EXPECT_EQ(r->values == nullptr, c.valueCount == 0);
        EXPECT_EQ(r->access, c.access);
        EXPECT_EQ(drain().size(), c.events);
    }
}

TEST_F(EosEvents, PendingValueWaitsForItsPropertyAndTheLastOneWins) {
    ASSERT_EQ(parse(Block()
                        .value32(0xD101, 0x28)
                        .value32(0xD101, 0x30)
                        .allowed(0xD101, {0x28, 0x30, 0x38})),
              PtpResult_Ok);
    EXPECT_EQ(prop(0xD101)->currentValue, 0x30u);
    std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 2u); // the list's own event, then one for the value
    EXPECT_EQ(events[0].record, prop(0xD101));
    EXPECT_EQ(events[1].record, prop(0xD101));

    // A value whose property never appears is dropped with the block.
    ASSERT_EQ(parse(Block().value32(0xD1FE, 5)), PtpResult_Ok);
    EXPECT_EQ(prop(0xD1FE), nullptr);
    EXPECT_TRUE(drain().empty());
}

TEST_F(EosEvents, TextValuesEndAtTheirNulOrTheValue) {
    parse(Block().allowed(0xD115, {})); // "Camera Owner", a text
    struct Case {
        Bytes value;
        const char* label;
    } cases[] = {
        {text("Jane") + Bytes{0} + text("junk"), "Jane"},
        {text("Jane Doe"), "Jane Doe"}, // no NUL: the value's end ends it
        {text(std::string(80, 'x')), nullptr},
    };
    for (const Case& c : cases) {
        // Followed by a record that an unbounded text would run into.
        parse(Block().value(0xD115, c.value).record(0xC182, u32s({0x41414141})));
        std::string want = c.label ? c.label : std::string(63, 'x');
        EXPECT_EQ(std::string(prop(0xD115)->currentLabel), want);
        // The same value as the block's last bytes.
        parse(Block().value(0xD115, c.value));
        EXPECT_EQ(std::string(prop(0xD115)->currentLabel), want);
    }
}

TEST_F(EosEvents, ImageFormatValuesArePacked) {
    const uint32_t before = 0x11408000;
    struct Case {
        const char* what;
        Bytes value;
        bool applied;
        uint32_t packed;
    } cases[] = {
        {"RAW", compound({{6, 0, 4}}), true, 0x16010000},
        {"RAW + Large Fine JPEG", compound({{6, 0, 4}, {1, 0, 3}}), true, 0x26010403},
        {"Small RAW + Small None JPEG", compound({{6, 2, 4}, {1, 2, 0}}), true, 0x26090420},
        {"count 3 is ignored", compound({{6, 0, 4}, {1, 0, 3}, {1, 1, 3}}), false, before},
        {"count 0 is ignored", compound({{6, 0, 4}}, 0), false, before},
        {"shorter than its first block", compound({{6, 0, 4}}, 1, 17), true, 0},
        {"no block size at all", u32s({1}), true, 0},
        // The block size passes its check, but the compound runs past the value.
        {"two formats in one block's room", compound({{6, 0, 4}}, 2, 4), true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PtpClearPropertyStore();
        parse(Block().allowed(0xD120, {}));
        prop(0xD120)->currentValue = before;
        drain();
        // Followed by a record a read past the value would take as the second format.
        ASSERT_EQ(parse(Block().value(0xD120, c.value).record(0xC186, u32s({6, 0, 4}))),
                  PtpResult_Ok);
        EXPECT_EQ(prop(0xD120)->currentValue, c.packed);
        EXPECT_EQ(drain().size(), c.applied ? 2u : 1u);
        // And as the last record of its block.
        prop(0xD120)->currentValue = before;
        ASSERT_EQ(parse(Block().value(0xD120, c.value)), PtpResult_Ok);
        EXPECT_EQ(prop(0xD120)->currentValue, c.packed);
        drain();
    }
}

TEST_F(EosEvents, ImageFormatListsHoldPackedCodesUntilAShortOrBadEntry) {
    const Bytes raw = compound({{6, 0, 4}});
    const Bytes rawJpeg = compound({{6, 0, 4}, {1, 0, 3}});
    const Bytes cutJpeg(rawJpeg.begin(), rawJpeg.begin() + 24);
    const Bytes badCount = compound({{1, 0, 3}}, 3);
    const Bytes hugeBlock = compound({{6, 0, 4}}, 1, 0x7FFFFFF0);
    struct Case {
        const char* what;
        uint32_t code;
        uint16_t count;
        Bytes entries;
        std::vector<uint32_t> values;
    } cases[] = {
        {"two entries", 0xD120, 2, raw + rawJpeg, {0x16010000, 0x26010403}},
        {"a bad count ends the list", 0xD120, 3, raw + badCount + rawJpeg, {0x16010000}},
        {"an entry cut by the record's end", 0xD120, 2, raw + cutJpeg, {0x16010000}},
        {"only a count left", 0xD120, 2, raw + u32s({2}), {0x16010000}},
        {"other image formats too", 0xD121, 2, raw + cutJpeg, {0x16010000}},
        {"more announced than the record holds", 0xD120, 40, raw, {0x16010000}},
        {"a first block past the record reads 0", 0xD120, 2, hugeBlock + raw, {0, 0x16010000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (bool last : {false, true}) {
            PtpClearPropertyStore();
            Block b;
            b.allowed_compounds(c.code, c.count, c.entries);
            // The next record's bytes would read as a well-formed second entry.
            if (!last) b.record(0xC186, rawJpeg);
            ASSERT_EQ(parse(b), PtpResult_Ok);
            PtpPropertyRecord* r = prop(c.code);
            ASSERT_NE(r, nullptr);
            ASSERT_EQ(r->valueCount, c.values.size());
            for (size_t i = 0; i < c.values.size(); ++i)
                EXPECT_EQ(r->values[i].value, c.values[i]);
            drain();
        }
    }
    PtpClearPropertyStore();
    parse(Block().allowed_compounds(0xD120, 2, raw + rawJpeg));
    EXPECT_STREQ(prop(0xD120)->values[0].label, "RAW");
    EXPECT_STREQ(prop(0xD120)->values[1].label, "RAW + Large Fine JPEG");
}

TEST_F(EosEvents, SimpleRecordsBecomeEvents) {
    ASSERT_EQ(parse(Block()
                        .record(0xC182, u32s({0x90000001}))
                        .record(0xC186, u32s({7}))
                        .record(0xC188, u32s({8, 99}))),
              PtpResult_Ok);
    std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].code, 0x4003u);
    EXPECT_EQ(events[0].info.handle, 0x90000001u);
    EXPECT_EQ(events[0].info.fileNameLength, 0);
    EXPECT_EQ(events[1].code, 0xC186u);
    EXPECT_EQ(events[1].words[0], 7u);
    EXPECT_EQ(events[2].code, 0xC188u);
    EXPECT_EQ(events[2].words[0], 8u);

    parse(Block().busy(1));
    EXPECT_TRUE(PtpEos_IsBusy());
    parse(Block().busy(0));
    EXPECT_FALSE(PtpEos_IsBusy());
    EXPECT_TRUE(drain().empty());
}

// An object the camera cannot describe is still announced, with only its handle.
TEST_F(EosEvents, ObjectAddedWithoutItsObjectInfoIsStillAnnounced) {
    scripted::camera().responder = [](const Command& c) {
        return c.op == 0x1008 ? scripted::answer(0x2009) : scripted::ok(); // invalid handle
    };
    ASSERT_EQ(parse(Block().record(0xC181, u32s({0x22}))), PtpResult_Ok);
    std::vector<Event> events = drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 0x4002u);
    EXPECT_EQ(events[0].info.handle, 0x22u);
    EXPECT_EQ(events[0].info.objectFormat, 0);
    EXPECT_EQ(events[0].info.fileName[0], '\0');
    EXPECT_EQ(scripted::calls(), (std::vector<scripted::Call>{{0x1008, {0x22}}}));
}

TEST_F(EosEvents, ObjectAddedNamesAreBoundedByTheRecord) {
    const Bytes next = Block().record(0xC182, u32s({0x41414141})).bytes();
    struct Case {
        const char* what;
        uint32_t type;
        Bytes name;
        std::string want;
        uint16_t length;
    } cases[] = {
        {"NUL and filler", 0xC1A7, text("IMG_0001.CR3") + Bytes{0, 0, 0, 0}, "IMG_0001.CR3", 13},
        {"no NUL before the record's end", 0xC1A7, text("IMG_0002.JPG"), "IMG_0002.JPG", 13},
        {"empty", 0xC1A7, {}, "", 1},
        {"longer than the field", 0xC1A7, text(std::string(300, 'n')) + Bytes{0},
         std::string(255, 'n'), 256},
        {"PTP string past the record", 0xC1B6, Bytes{40} + text("IMG_"), "", 0},
        {"PTP string longer than the field", 0xC1B6, ptp_string(std::string(254, 'u').c_str()),
         std::string(255, 'u').substr(0, 254), 255},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        size_t nameAt = c.type == 0xC1A7 ? 44 : 48;
        Bytes payload = object_fields(0x31, 0xB108, 123456, nameAt) + c.name;
        for (bool last : {false, true}) {
            Block b;
            b.record(c.type, payload);
            if (!last) b.raw(next);
            ASSERT_EQ(parse(b), PtpResult_Ok);
            std::vector<Event> events = drain();
            ASSERT_EQ(events.size(), last ? 1u : 2u);
            const PtpObjectInfo& info = events[0].info;
            EXPECT_EQ(events[0].code, 0x4002u);
            EXPECT_EQ(info.handle, 0x31u);
            EXPECT_EQ(info.objectFormat, 0xB108);
            EXPECT_EQ(info.compressedSize, 123456u);
            EXPECT_EQ(std::string(info.fileName), c.want);
            EXPECT_EQ(info.fileNameLength, c.length);
        }
    }
}

// Each block holds removal records for handles 1, 2, ... around the record
// under test; the handles that come out tell where the walk went.
TEST_F(EosEvents, WalkStopsAtRecordsThatDoNotFit) {
    auto removed = [](uint32_t h) { return Block().record(0xC182, u32s({h})).bytes(); };
    const Bytes r1 = removed(1), r3 = removed(3);
    const Bytes namedWithoutName = Block().record(0xC1A7, Bytes(32, 0)).bytes();
    struct Case {
        const char* what;
        Bytes block;
        std::vector<uint32_t> handles;
    } cases[] = {
        {"last record ends at the block's end", r1 + removed(2), {1, 2}},
        {"size 0 ends the walk", r1 + u32s({0, 0xC182, 9}) + r3, {1}},
        {"size below the header", r1 + u32s({4, 0xC182}) + r3, {1}},
        {"size past the block by one", r1 + u32s({13, 0xC182, 5}), {1}},
        {"header cut short", r1 + Bytes{12, 0, 0, 0, 0x82}, {1}},
        {"removal without its handle", r1 + u32s({8, 0xC182}) + r3, {1}},
        {"allowed values without their count", r1 + u32s({16, 0xC18A, 0xD101, 0}) + r3, {1}},
        {"named object without its name field", r1 + namedWithoutName + r3, {1}},
        {"status without its flags", r1 + u32s({12, 0xC1A5, 6}) + r3, {1}},
        {"value without its code", r1 + u32s({8, 0xC189}) + r3, {1}},
        {"unknown types are skipped", r1 + u32s({8, 0x1234}) + r3, {1, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parse(c.block), PtpResult_Ok);
        std::vector<uint32_t> handles;
        for (const Event& e : drain()) {
            EXPECT_EQ(e.code, 0x4003u);
            handles.push_back(e.info.handle);
        }
        EXPECT_EQ(handles, c.handles);
    }
}

TEST_F(EosEvents, MoreMissingPropertiesThanThePendingListHoldsAreDropped) {
    Block b;
    b.value32(0xD101, 0x30); // first: kept
    for (uint32_t i = 0; i < kEosPendingCapacity - 1; ++i)
        b.value32(0xE000 + i, i);
    b.value32(0xD102, 0x60); // beyond the capacity: dropped
    b.value32(0xD101, 0x38); // an existing entry is still overwritten
    b.allowed(0xD101, {0x30, 0x38}).allowed(0xD102, {0x58, 0x60}).busy(1);
    ASSERT_EQ(parse(b), PtpResult_Ok);
    EXPECT_EQ(prop(0xD101)->currentValue, 0x38u);
    EXPECT_NE(prop(0xD102)->currentValue, 0x60u);
    EXPECT_TRUE(PtpEos_IsBusy()); // the rest of the block was parsed
    EXPECT_EQ(drain().size(), 3u);
}

TEST_F(EosEvents, FullStoreStopsTheParseAndReportsIt) {
    for (uint32_t i = 0; i < kPropertyStoreCapacity; ++i)
        ASSERT_NE(PtpAddPropertyRecord(0xE000 + i, false, false), nullptr);
    EXPECT_EQ(parse(Block().record(0xC182, u32s({1})).allowed(0xD101, {1, 2}).busy(1)),
              PtpResult_Failed);
    EXPECT_EQ(prop(0xD101), nullptr);
    EXPECT_FALSE(PtpEos_IsBusy());
    EXPECT_EQ(drain().size(), 1u); // what came before stays queued
}

void* failing_allocator(size_t) { return nullptr; }

TEST_F(EosEvents, ListAllocationFailureLeavesAnEmptyUnlockedRecordAndStops) {
    parse(Block().allowed(0xD101, {0x28})); // exists, with a list
    drain();
    PtpEos_SetListAllocator(failing_allocator);
    EXPECT_EQ(parse(Block().allowed(0xD101, {0x28, 0x30}).busy(1)), PtpResult_OutOfMemory);
    PtpEos_SetListAllocator(nullptr);
    PtpPropertyRecord* r = prop(0xD101);
    EXPECT_EQ(r->valueCount, 0);
    EXPECT_EQ(r->values, nullptr);
    EXPECT_FALSE(PtpEos_IsBusy());
    EXPECT_TRUE(drain().empty());
    // Another thread can take the record: its lock was released.
    auto other = std::async(std::launch::async, [r] {
        bool free = pthread_mutex_trylock(&r->lock) == 0;
        if (free) pthread_mutex_unlock(&r->lock);
        return free;
    });
    EXPECT_TRUE(other.get());
}

TEST_F(EosEvents, SingleValueApertureOnNewerBodiesZeroesTheValue) {
    for (const char* model : {"Canon EOS R7", "Canon EOS 5D Mark IV"}) {
        SCOPED_TRACE(model);
        canon(model);
        parse(Block().allowed(0xD101, {0x30, 0x38}).value32(0xD101, 0x38));
        parse(Block().allowed(0xD101, {0x38}));
        EXPECT_EQ(prop(0xD101)->currentValue, std::string(model) == "Canon EOS R7" ? 0u : 0x38u);
    }
}

TEST_F(EosEvents, EmptyBracketingListOfModel230IsReplacedInBracketingModes) {
    struct Case {
        const char* what;
        const char* model;
        uint32_t exposureMode;
        std::vector<uint32_t> compensation;
        size_t rows;
    } cases[] = {
        {"half stops", "Canon EOS R5", 3, {0xF8, 0xFC, 0, 4, 8}, 7},
        {"third stops", "Canon EOS R6", 1, {0xF8, 0xFB, 0, 3, 5, 8}, 10},
        {"bulb mode", "Canon EOS R5", 4, {0, 4}, 0},
        {"another body", "Canon EOS R7", 3, {0, 4}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(c.model);
        uint32_t mode = PtpEos_ExposureModePropertyCode();
        parse(Block()
                  .allowed(mode, {0, 1, 2, 3, 4})
                  .value32(mode, c.exposureMode)
                  .allowed(0xD104, c.compensation));
        drain();
        ASSERT_EQ(parse(Block().allowed(0xD1D9, {})), PtpResult_Ok);
        PtpPropertyRecord* r = prop(0xD1D9);
        ASSERT_EQ(r->valueCount, c.rows);
        EXPECT_EQ(r->access, c.rows ? 1 : 0);
        EXPECT_EQ(drain().size(), 1u);
        if (c.rows) EXPECT_EQ(r->values[c.rows - 1].value, 24u);          // "+/- 3"
        if (c.rows) EXPECT_EQ(r->values[2].value, c.rows == 7 ? 8u : 5u); // 1 or 2/3
    }
}

TEST_F(EosEvents, UndescribedFocusModeAndViewfinderGetRecordsOfTheirOwn) {
    struct Case {
        const char* what;
        const char* model;
        std::vector<uint16_t> listed;
        uint32_t code;
        bool made;
    } cases[] = {
        {"mirrorless focus mode", "Canon EOS R5", {}, 0xD108, true},
        {"model 227 focus mode", "Canon EOS 90D", {}, 0xD108, true},
        {"focus mode the camera lists", "Canon EOS R5", {0xD108}, 0xD108, false},
        {"body with a mirror", "Canon EOS 5D Mark IV", {}, 0xD108, false},
        {"viewfinder on model 250", "Canon EOS R1", {}, 0xD1B0, true},
        {"viewfinder the camera lists", "Canon EOS R1", {0xD1B0}, 0xD1B0, false},
        {"viewfinder on another body", "Canon EOS R5", {}, 0xD1B0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(c.model, c.listed);
        ASSERT_EQ(parse(Block().value32(c.code, 0x00050002)), PtpResult_Ok);
        EXPECT_TRUE(drain().empty());
        PtpPropertyRecord* r = prop(c.code);
        ASSERT_EQ(r != nullptr, c.made);
        if (!r) continue;
        EXPECT_EQ(r->dataType, kPtpTypeUint16);
        EXPECT_EQ(r->currentValue, 2u); // the first 16 bits
        ASSERT_EQ(r->valueCount, 4);
        EXPECT_EQ(r->values[3].value, 3u);
        if (c.code == 0xD108) {
            EXPECT_STREQ(r->currentLabel, "AI Focus");
            EXPECT_STREQ(r->values[0].label, "One Shot");
            EXPECT_EQ(r->access, 0);
        } else {
            EXPECT_STREQ(r->values[1].label, "1");
            EXPECT_EQ(r->access, 1);
        }
    }
}

// Status payloads hold P[i] = 0x40 + i from byte 8 on, so each expected value
// names the byte it must come from.
TEST_F(EosEvents, CameraStatusFieldsFollowTheFlagsAndTheBody) {
    const char *k5D4 = "Canon EOS 5D Mark IV", *kRP = "Canon EOS RP", *kR7 = "Canon EOS R7";
    struct Case {
        const char* what;
        const char* model;
        uint32_t flags;
        uint32_t stated;
        std::vector<std::pair<size_t, uint8_t>> bytes; // overrides of P
        std::vector<std::pair<uint32_t, uint32_t>> events;
    } cases[] = {
        {"shots, battery, card", k5D4, 0xE, 40, {}, {{2, 0x4D}, {4, 0x52}, {8, 0x56}}},
        {"two extra bytes", k5D4, 0x3, 40, {}, {{2, 0x4F}}},
        {"group 2 layout", kRP, 0x6, 40, {}, {{2, 0x4D}, {4, 0x56}}},
        {"group 2 without shots", kRP, 0x2, 40, {{8, 0}}, {{2, 0}}},
        {"group 1 layout", kR7, 0x2, 40, {}, {{2, 0x4F}}},
        {"model 232 layout", "Canon G7 X Mark III", 0x6, 40, {}, {{2, 0x4D}, {4, 0x56}}},
        {"exposure level", k5D4, 0x40, 40, {}, {{64, 0x4A}}},
        {"exposure level hidden", k5D4, 0x40, 40, {{9, 0}}, {}},
        {"bracketing level",
         kR7,
         0x200,
         40,
         {{10, 0}, {11, 0x18}, {12, 0}, {13, 0x77}},
         {{64, uint32_t(-4)}}},
        {"bracketing level off the table", kR7, 0x200, 40, {{10, 5}, {11, 0}, {12, 0}}, {{64, 0}}},
        {"bracketing level on another body", "Canon EOS R5", 0x200, 40, {}, {}},
        {"stated length past the record", k5D4, 0xE, 41, {}, {}},
        {"stated length below 6", k5D4, 0xE, 5, {}, {}},
        {"shots beyond the stated length", k5D4, 0x2, 12, {}, {}},
        {"card beyond the stated length", k5D4, 0xE, 20, {}, {{2, 0x4D}, {4, 0x52}}},
        {"level beyond the stated length", k5D4, 0x40, 10, {}, {}},
        {"bracketing word beyond the stated length", kR7, 0x200, 13, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        canon(c.model);
        Bytes payload(40);
        for (size_t i = 8; i < payload.size(); ++i)
            payload[i] = uint8_t(0x40 + i);
        for (auto [at, v] : c.bytes)
            payload[at] = v;
        put_u32(&payload[0], c.stated);
        put_u32(&payload[4], c.flags);
        for (bool last : {false, true}) {
            Block b;
            b.record(0xC1A5, payload);
            if (!last) b.record(0xC186, u32s({0xFFFFFFFF}));
            ASSERT_EQ(parse(b), PtpResult_Ok);
            std::vector<std::pair<uint32_t, uint32_t>> got;
            for (const Event& e : drain())
                if (e.code == 0xC1A5) got.push_back({e.status[0], e.status[1]});
            EXPECT_EQ(got, c.events);
        }
    }
}

} // namespace
