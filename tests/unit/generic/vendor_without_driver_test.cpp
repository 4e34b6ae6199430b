// Calls a vendor's driver leaves out answer without talking to the camera.
#include <gtest/gtest.h>

#include <functional>

#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_capabilities.h"
#include "ptp_capture.h"
#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptp_objects.h"

namespace {

int g_sent = 0;

// A link that refuses everything and counts what it was asked to send.
PtpResult refuse_send(const uint8_t*, uint32_t) {
    ++g_sent;
    return PtpResult_ConnectionLost;
}
PtpResult refuse_receive(uint8_t** out) {
    *out = nullptr;
    return PtpResult_ConnectionLost;
}

constexpr double kNS = PtpResult_NotSupportedForCamera;
constexpr double kOpNS = PtpResult_OperationNotSupported;
constexpr double kOk = PtpResult_Ok;
constexpr double kNotProp = 0x2006; // DevicePropNotSupported
constexpr double kFailed = PtpResult_Failed;
// The driver has the call and sends it: its own tests cover it.
constexpr double kHas = -1;

struct Row {
    const char* call;
    std::function<double()> run;
    double nikon, sony, fuji;
};
// The call's text, the call, and what Nikon, Sony and Fujifilm answer.
#define ROW(call, nikon, sony, fuji)                                                               \
    {                                                                                              \
#call, [&] { return double(call); }, nikon, sony, fuji                                     \
    }

// Runs a call that hands out a buffer, releasing it if one came.
double with_buffer(const std::function<PtpResult(uint8_t**, uint32_t*)>& call) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = call(&data, &length);
    FreeMemory(data);
    return rc;
}
double thumbnail() {
    return with_buffer([](uint8_t** d, uint32_t* n) {
        return PtpGenericInterface_GetThumbnail(1, d, n, nullptr);
    });
}
double handles() {
    uint32_t* handles = nullptr;
    uint32_t count = 0;
    PtpResult rc = PtpGenericInterface_GetObjectHandles(0xFFFFFFFF, 0, 0, &handles, &count);
    FreeMemory(handles);
    return rc;
}

TEST(VendorWithoutDriver, AnswersWithoutTalkingToTheCamera) {
    float stops[PTP_BRACKET_STOPS_MAX] = {};
    uint32_t format = 0;
    PtpObjectInfo info{};
    const Row rows[] = {
        ROW(PtpGenericInterface_StartBulb(), kOpNS, kHas, kOpNS),
        ROW(PtpGenericInterface_IsBulbMode(), 0, 0, 0),
        ROW(PtpGenericInterface_IsBulbAvailable(), 0, 1, 1),
        ROW(PtpGenericInterface_IsExposureBracketingEnabled(), 0, 0, 0),
        ROW(PtpGenericInterface_GetExposureBracketingStops(1.0f, stops, 1), 0, 0, 0),
        ROW(PtpGenericInterface_SetBracketing(8), kNotProp, 0, 0),
        ROW(PtpGenericInterface_TurnOffBracketing(), kNotProp, kNotProp, kNS),
        ROW(PtpGenericInterface_ExposureBracketValueForStop(1.0f), 3, kNS, kNS),
        ROW(PtpGenericInterface_ExposureCompensationValueForStop(1.0f), 1000, 1000, 1000),
        ROW(PtpGenericInterface_ExposureCompensationStepSize(), 3, 0, 3),
        ROW(PtpGenericInterface_GetNextBracketStep(1.0f, 3), 1, 1, 1),
        ROW(PtpGenericInterface_InitiateImageCapture(), kOpNS, kHas, kOpNS),
        ROW(PtpGenericInterface_InitiateShutterRelease(), kOk, kHas, kOk),
        ROW(PtpGenericInterface_TakeAndWaitForShotToComplete(), kOpNS, kHas, kOpNS),
        ROW(PtpGenericInterface_StartHalfPress(), kOpNS, kHas, kOpNS),
        ROW(PtpGenericInterface_StartMovieMode(), kOpNS, kNS, kOpNS),
        ROW(PtpGenericInterface_CouldDoubleShoot(), 0, 0, 0),
        // Nikon and Sony write their burst settings, which an empty store does not hold.
        ROW(PtpGenericInterface_MitigateDoubleShoot(), kNotProp, kNotProp, kNS),
        ROW(PtpGenericInterface_IsDriveModeContinuous(1), 0, 0, 0),
        ROW(PtpGenericInterface_ShouldPresentBurstPicker(0x5013, 0x8013), 0, 0, 0),
        ROW(PtpGenericInterface_ToggleLiveView(1), kNotProp, kOpNS, kOpNS),
        ROW(with_buffer(PtpGenericInterface_GetLiveViewImage), kOpNS, kHas, kNS),
        ROW(PtpGenericInterface_SetLiveViewZoomLevel(100), kNotProp, kNS, kOpNS),
        ROW(PtpGenericInterface_SetStandardLiveViewFocus(), kOk, kOk, kOk),
        ROW(PtpGenericInterface_Has200ZoomLevel(), 1, 0, 1),
        ROW(PtpGenericInterface_SupportsLiveView(), 1, 1, 1),
        ROW(PtpGenericInterface_Focus(), kOpNS, kHas, PtpResult_BadReply),
        ROW(PtpGenericInterface_StopFocus(), kOk, kHas, PtpResult_BadReply),
        ROW(PtpGenericInterface_DriveLens(1), kOpNS, kHas, PtpResult_InvalidArgument),
        ROW(PtpGenericInterface_SetFocusMode(1, 0), kOpNS, kOpNS, kOk),
        ROW(PtpGenericInterface_IsFocusStackSupported(), 1, 0, 1),
        ROW(PtpGenericInterface_DoFocusStack(3, 1), kOpNS, kFailed, kOpNS),
        // The standard operations of the others are refused by the empty list.
        ROW(PtpGenericInterface_GetObjectInfo(5, &info), kOpNS, kOpNS, kOpNS),
        ROW(handles(), kOpNS, 0, kOpNS),
        ROW(thumbnail(), kOpNS, kNS, kOpNS),
        ROW(PtpGenericInterface_DeleteObject(1, 0), kOpNS, kNS, kOpNS),
        ROW(PtpGenericInterface_GetNumStorageCards(), 1, 0, 1),
        ROW(PtpGenericInterface_GetSdAvailableShots(), 0, 0, 0),
        ROW(PtpGenericInterface_SupportsHalfPress(), 0, 1, 1),
        ROW(PtpGenericInterface_SupportsLensZoom(), 0, 0, 0),
        ROW(PtpGenericInterface_IsImageFormatRawPlusJpg(), 0, 0, 0),
        ROW(PtpGenericInterface_ImageFormatHasJpg(1), 1, 1, 0),
        ROW(PtpGenericInterface_GetCurrentJpgFormat(&format), kOk, kOk, kFailed),
        ROW(PtpGenericInterface_SetImageFormat(1, 0), kNotProp, kFailed, kFailed),
        ROW(PtpGenericInterface_SetConnectionHostMode(1, 0), kOpNS, kNS, kOpNS),
    };
    const PtpVendor vendors[] = {PtpVendor_Nikon, PtpVendor_Sony, PtpVendor_Fujifilm};
    for (PtpVendor vendor : vendors) {
        PtpGenericInterface_Initialize(refuse_send, refuse_receive, nullptr, nullptr);
        PtpSession_SetVendor(vendor);
        PtpSession_SetModel(0);
        // No operations listed: what the standard operations answer does not
        // depend on an earlier camera.
        PtpTransaction_SetSupportedOperations(nullptr, 0);
        for (const Row& row : rows) {
            SCOPED_TRACE(std::string(row.call) + " on vendor " + std::to_string(int(vendor)));
            g_sent = 0;
            double want = vendor == PtpVendor_Nikon  ? row.nikon
                          : vendor == PtpVendor_Sony ? row.sony
                                                     : row.fuji;
            if (want == kHas) continue;
            EXPECT_EQ(row.run(), want);
            EXPECT_EQ(g_sent, 0);
        }
    }
}

} // namespace
