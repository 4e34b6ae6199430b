// The vendor-neutral property write around the Sony and Fujifilm writes: what
// a skipped verification returns, and live view switched on again after a
// Fujifilm write that had to stop it, on every way out. A stand-in answers for
// the driver's own write.
#include <gtest/gtest.h>

#include "fuji/live_view_restart.h"
#include "generic/property_store.h"
#include "generic/property_vendor.h"
#include "generic/session.h"
#include "ptp_events.h"
#include "ptp_liveview.h"
#include "sony/property_controls.h"

namespace {

constexpr uint32_t kExposureProgram = 0x500E;
constexpr uint32_t kAperture = 0x5007;

PtpResult writeResult = PtpResult_Ok;
bool stopsLiveView = false;
int writes = 0;

PtpResult stand_in_write(PtpVendor, uint32_t, uint32_t) {
    ++writes;
    if (stopsLiveView) PtpFuji_SetRestartLiveView();
    return writeResult;
}

class PropertyWrite : public ::testing::Test {
  protected:
    void SetUp() override {
        reset();
        PropertyVendor_SetStandInWriteForTest(stand_in_write);
    }
    void TearDown() override {
        PropertyVendor_SetStandInWriteForTest(nullptr);
        reset();
    }
    static void reset() {
        PtpSession_SetVendor(PtpVendor_None);
        PtpClearPropertyStore();
        PtpSony_SetNormalPropertyControls(false);
        PtpFuji_TakeRestartLiveView();
        while (PopEventPtr()) {
        }
        writeResult = PtpResult_Ok;
        stopsLiveView = false;
        writes = 0;
    }
};

// A verification that is skipped leaves the write's own result: Device Busy
// stays Device Busy instead of turning into OK.
TEST_F(PropertyWrite, SonySkippedVerificationKeepsTheWriteResult) {
    PtpSession_SetVendor(PtpVendor_Sony);
    ASSERT_NE(PtpAddPropertyRecord(kExposureProgram, false, false), nullptr);
    ASSERT_NE(PtpAddPropertyRecord(kAperture, false, false), nullptr);
    struct Case {
        bool normalControls;
        uint32_t code, value;
        PtpResult written, expected;
    } cases[] = {
        // older bodies: never verified
        {false, kAperture, 0x118, PtpResult_DeviceBusy, PtpResult_DeviceBusy},
        {false, kAperture, 0x118, PtpResult_Ok, PtpResult_Ok},
        // exposure programs above 0x7804F are not reported back
        {true, kExposureProgram, 0x78050, PtpResult_DeviceBusy, PtpResult_DeviceBusy},
        {true, kExposureProgram, 0x78050, PtpResult_Ok, PtpResult_Ok},
        // otherwise the value must be seen; without the Sony wait it is not
        {true, kExposureProgram, 0x7804F, PtpResult_Ok, PtpResult_PropertyWriteFailed},
        {true, kAperture, 0x118, PtpResult_DeviceBusy, PtpResult_PropertyWriteFailed},
        // a failed write is returned as it is
        {true, kAperture, 0x118, 0x2005, 0x2005},
    };
    for (const Case& c : cases) {
        PtpSony_SetNormalPropertyControls(c.normalControls);
        writeResult = c.written;
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(c.code, c.value, 1), c.expected)
            << std::hex << c.code << " " << c.value << " written " << c.written;
    }
    writeResult = PtpResult_DeviceBusy;
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(kAperture, 0x118, 0), PtpResult_DeviceBusy);
}

// Live view the Fujifilm write stopped is switched on again whichever way the
// write ends; a failure of the write or its verification is what the caller
// sees, else the restart's result.
TEST_F(PropertyWrite, FujifilmRestartsLiveViewOnEveryExit) {
    PtpSession_SetVendor(PtpVendor_Fujifilm);
    stopsLiveView = true;
    // What switching live view on answers here, with no Fujifilm driver.
    const PtpResult restart = PtpGenericInterface_ToggleLiveView(1);
    ASSERT_NE(restart, PtpResult_Ok);

    struct Case {
        PtpResult written;
        uint8_t verify;
        PtpResult expected;
    } cases[] = {
        {0x2005, 0, 0x2005},                               // failed write
        {0x2005, 1, 0x2005},                               // failed write, verified call
        {PtpResult_Ok, 1, PtpResult_PropertyWriteFailed},  // failed verification
        {PtpResult_DeviceBusy, 0, PtpResult_DeviceBusy},   // busy, not verified
        {PtpResult_Ok, 0, restart},                        // success: the restart's result
    };
    for (const Case& c : cases) {
        writeResult = c.written;
        EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD001, 2, c.verify), c.expected)
            << "written " << std::hex << c.written << " verify " << int(c.verify);
        EXPECT_FALSE(PtpFuji_TakeRestartLiveView()) << "live view left off after " << c.written;
    }
    EXPECT_EQ(writes, 5);

    // A write that did not stop live view does not switch it on.
    stopsLiveView = false;
    writeResult = PtpResult_Ok;
    EXPECT_EQ(PtpGenericInterface_SetPropertyValue(0xD001, 2, 0), PtpResult_Ok);
}

} // namespace
