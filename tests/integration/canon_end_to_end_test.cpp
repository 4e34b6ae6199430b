// A Canon camera's settings end to end against the virtual EOS 5D Mark IV over loopback.
#include <chrono>
#include <cstdint>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "hub_fixture.h"
#include "ptp_properties.h"
#include "sim_canon_hooks.h"

namespace {

constexpr uint32_t kDevicePropChanged = 0x4006;
constexpr PtpResult kDevicePropNotSupported = 0x2006;
constexpr uint16_t kControlEventData = 130;
constexpr uint16_t kCanonWriteProperty = 0x9110;

class CanonEndToEnd : public HubTest {
  protected:
    void SetUp() override {
        HubTest::SetUp();
        ASSERT_EQ(PtpGenericInterface_StartSession(0), PtpResult_Ok);
        DrainEvents(); // the first report's own change events
    }

    // The record the 8 bytes of a DevicePropChanged view point to is code's.
    static bool IsChangeOf(const TakenEvent& e, uint32_t code) {
        return e.code == kDevicePropChanged &&
               e.pointer == PtpGenericInterface_GetProperty(code, 0);
    }
};

// The store after session start, one row per kind of record; a null label is checked
// against the record's own list.
struct StoredProperty {
    uint32_t code;
    const char* name;
    uint32_t value;
    const char* label;
    uint16_t listed; // allowed values the camera reports
    uint8_t access;
    uint32_t (*role)();
};

const StoredProperty kFirstReport[] = {
    {0xD101, "Aperture", 0x30, "f5.6", 19, 1, PtpGetAperturePropertyCode},
    // The mode dial: no list, read-only.
    {0xD105, "Exposure Mode", 3, nullptr, 0, 0, PtpGetAutoExposurePropertyCode},
    {0xD107, "Metering Mode", 3, nullptr, 4, 1, PtpGetMeteringModePropertyCode},
    // Read-only once its value arrives.
    {0xD108, "Focus Mode", 0, "One Shot", 3, 0, PtpGetFocusModePropertyCode},
    // No value table: the decimal value.
    {0xD111, "Battery Power", 4, "4", 0, 0, PtpGetBatteryPowerPropertyCode},
    {0xD120, "Image Format", 0x1100C000, "Large Fine JPEG", 15, 1, PtpGetImageFormatPropertyCode},
    {0xD13A, "Mirror Up", 0, "0", 2, 1, nullptr},
    {0xD1D8, "Lens Name", 0, "EF24-70mm f/2.8L II USM", 0, 0, nullptr},
};

TEST_F(CanonEndToEnd, SessionStartFillsTheStoreFromTheFirstReport) {
    SimCanonStats camera = SimHub_CanonStats(hub);
    EXPECT_EQ(camera.remote_mode, 1u);
    EXPECT_EQ(camera.event_mode, 1u);
    EXPECT_EQ(camera.reports, 1u);

    for (const StoredProperty& want : kFirstReport) {
        SCOPED_TRACE(want.name);
        RecordCopy got = ReadProperty(want.code);
        ASSERT_TRUE(got.found);
        EXPECT_EQ(got.name, want.name);
        if (want.code != 0xD1D8) EXPECT_EQ(got.value, want.value);
        EXPECT_EQ(got.values.size(), want.listed);
        EXPECT_EQ(got.access, want.access);
        for (const auto& row : got.values)
            EXPECT_FALSE(row.second.empty()) << "value " << row.first;
        if (want.label)
            EXPECT_EQ(got.label, want.label);
        else if (const std::string* listed = got.LabelOf(got.value))
            EXPECT_EQ(got.label, *listed);
        else
            EXPECT_EQ(want.listed, 0);
        EXPECT_FALSE(got.label.empty());
        if (want.role) EXPECT_EQ(want.role(), want.code);
        EXPECT_TRUE(PtpGenericInterface_IsPropertySupported(want.code));
    }
}

struct CameraChange {
    uint16_t code;
    uint32_t value; // the camera's code, listed or not
    const char* label;
};

// Dials turned on the camera. Unlisted values are reported too: ISO 12 (48)
// is no value this camera offers.
const CameraChange kDialsTurned[] = {
    {0xD101, 0xFF, "Auto"},
    {0xD102, 0x0C, "bulb"},
    {0xD103, 48, "ISO 12"},
    {0xD104, 0xD8, "-5"},
    {0xD120, 0x26010403, "RAW + Large Fine JPEG"},
};

TEST_F(CanonEndToEnd, CameraChangesArriveThroughTheLoopAsPropChangedEvents) {
    static std::vector<PtpResult> loopErrors;
    loopErrors.clear();
    PtpGenericInterface_StartEventCheckLoop([](PtpResult rc) { loopErrors.push_back(rc); });
    for (const CameraChange& change : kDialsTurned)
        ASSERT_TRUE(SimHub_SetPropertyValue(hub, change.code, change.value));
    ASSERT_TRUE(SimHub_SetPropertyText(hub, 0xD1D8, "EF100mm f/2.8L Macro IS USM"));

    // One DevicePropChanged per change, each pointing to the changed record.
    std::set<uint32_t> unseen = {0xD1D8};
    for (const CameraChange& change : kDialsTurned)
        unseen.insert(change.code);
    std::vector<TakenEvent> taken;
    ASSERT_TRUE(WaitForEvent(
        [&](const TakenEvent& e) {
            std::erase_if(unseen, [&](uint32_t code) { return IsChangeOf(e, code); });
            return unseen.empty();
        },
        &taken));
    for (const CameraChange& change : kDialsTurned) {
        RecordCopy record = ReadProperty(change.code);
        EXPECT_EQ(record.value, change.value) << change.label;
        EXPECT_EQ(record.label, change.label);
    }
    EXPECT_EQ(ReadProperty(0xD1D8).label, "EF100mm f/2.8L Macro IS USM");

    EXPECT_GT(Notifications().load(), 0); // the host was told events were waiting
    PtpGenericInterface_StopEventCheckLoop(1);
    EXPECT_TRUE(loopErrors.empty());
}

const CameraChange kHostWrites[] = {
    {0xD102, 0x0C, "bulb"},
    {0xD103, 0, "Auto ISO"},
    {0xD120, 0x26010403, "RAW + Large Fine JPEG"},
};

TEST_F(CanonEndToEnd, VerifiedWriteComesBackInTheCameraReport) {
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    for (const CameraChange& write : kHostWrites) {
        SCOPED_TRACE(write.label);
        ASSERT_EQ(PtpGenericInterface_SetPropertyValue(write.code, write.value, 1), PtpResult_Ok);
        EXPECT_EQ(CameraValue(write.code), write.value);
        RecordCopy record = ReadProperty(write.code);
        EXPECT_EQ(record.value, write.value);
        EXPECT_EQ(record.label, write.label);
        // The camera's report of the write was queued for the host.
        std::vector<TakenEvent> taken;
        EXPECT_TRUE(
            WaitForEvent([&](const TakenEvent& e) { return IsChangeOf(e, write.code); }, &taken));
        EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0); // the write's pause has ended
    }
    EXPECT_EQ(SimHub_CanonStats(hub).writes, std::size(kHostWrites));
}

TEST_F(CanonEndToEnd, WriteOutsideTheAllowedValuesSendsNothing) {
    struct Refused {
        const char* why;
        uint32_t code;
        uint32_t value;
    };
    const Refused refused[] = {
        // (Other unlisted values are the unit tests'.)
        {"aperture code the lens does not offer", 0xD101, 0x09},
        {"property the camera does not report", 0xD1C5, 0},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.why);
        SimHub_ResetStats(hub);
        for (uint8_t verify : {0, 1})
            EXPECT_EQ(PtpGenericInterface_SetPropertyValue(r.code, r.value, verify),
                      kDevicePropNotSupported);
        SimStats stats = SimHub_Stats(hub);
        EXPECT_EQ(stats.ptp_commands, 0u);
        EXPECT_EQ(stats.control_requests[kControlEventData], 0u);
    }
    EXPECT_EQ(ReadProperty(0xD101).value, 0x30u);
    EXPECT_EQ(SimHub_CanonStats(hub).writes, 0u);
}

// The camera never reports the value written: the Canon verification fetches
// the camera's events five times, 100 ms apart, and gives up.
TEST_F(CanonEndToEnd, WriteTheCameraNeverReportsFailsAfterFiveFetches) {
    struct Unseen {
        const char* why;
        uint32_t code;
        uint32_t value;
        int busyAnswers;   // Device Busy for the write and the engine's retry
        uint32_t sent;     // 0x9110 commands
        uint32_t inCamera; // the value the camera ends up with
    };
    const Unseen cases[] = {
        // Busy twice: the write never reaches the camera.
        {"camera busy", 0xD101, 0x38, 2, 2, 0x30},
        // Metering is one byte: 0x104 passes the check as 4 (evaluative is 3,
        // partial 4), the camera stores 4 and reports 4, never 0x104.
        {"value wider than the property", 0xD107, 0x104, 0, 1, 4},
    };
    for (const Unseen& c : cases) {
        SCOPED_TRACE(c.why);
        SimHub_ResetStats(hub);
        if (c.busyAnswers)
            SimHub_InjectFault(hub, {.kind = SimFault_Busy, .count = uint32_t(c.busyAnswers)});
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(c.code, c.value, 1),
                  PtpResult_PropertyWriteFailed);
        auto took = std::chrono::steady_clock::now() - start;
        EXPECT_GE(took, std::chrono::milliseconds(5 * 100));

        SimStats stats = SimHub_Stats(hub);
        EXPECT_EQ(stats.control_requests[kControlEventData], 5u);
        EXPECT_EQ(stats.ptp_commands, c.sent);
        for (uint16_t op : stats.operations)
            EXPECT_EQ(op, kCanonWriteProperty);
        EXPECT_EQ(CameraValue(uint16_t(c.code)), c.inCamera);
        EXPECT_EQ(ReadProperty(c.code).value, c.inCamera); // the store shows the camera's value
    }
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
}

} // namespace
