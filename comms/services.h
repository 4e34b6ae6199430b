// The Tetherhub services' internals shared by their files and their tests:
// share-prefix values, the capture sequence description, the repeated PTP
// command and the focus step conversions.
#pragma once

#include <cstdint>
#include <vector>

#include "ptp_comms.h"
#include "ptp_generic.h"

// Share modes and record kinds of a share prefix.
constexpr uint8_t kShareOthersOnly = 0xA0;
constexpr uint8_t kShareOthersAndMe = 0xA1;
constexpr uint8_t kShareRecordNone = 0;
constexpr uint8_t kShareRecordObject = 0xB0;     // object record; the data is a whole object
constexpr uint8_t kShareRecordObjectPart = 0xB1; // object record; the data is part of it
constexpr uint8_t kShareRecordFileName = 0xB2;   // NUL-terminated file name

// The arguments of Comms_SendRepeatImageCapture, by meaning.
struct CaptureSequence {
    int32_t repeatCount = 0; // a1: the repeat block is present when > 0
    float repeatA2 = 0, repeatA3 = 0;
    float bulbSeconds = 0;    // a4: > 0 turns the bracket's property into the bulb marker
    int32_t propertyCode = 0; // a5
    uint32_t centre = 0;      // a6
    uint32_t step = 0;        // a7
    int32_t bracketCount = 0; // a8: the bracket block is present when > 0
    uint8_t order = 0;        // a9
    float interval = 0;       // a10
    uint8_t a11 = 0;
};

// Writes the capture sequence description (payload of control 211) for a
// camera of vendor whose library focus mode is focusMode. InvalidArgument when
// neither block is present or a count does not fit its 16 bits.
PtpResult Comms_BuildCaptureSequence(const CaptureSequence& seq, PtpVendor vendor,
                                     uint8_t focusMode, std::vector<uint8_t>* out);

// The lens-drive parameter of a signed step: the step itself, or 0x8000 - step
// for a negative one (-1 gives 0x8001). Steps beyond 32767 either way do not
// fit the 15 bits of distance: false.
bool Comms_LensStepParameter(int32_t step, uint32_t* parameter);

// Builds a repeated PTP command message (relay type 5) in buf: the camera runs
// the lens drive count times. Canon: 0x9155 with the step parameter; Sony:
// 0x9207 with 0xD2D1 and the step parameter as a 4-byte data phase. Out:
// *length, the message's size. NotSupportedForCamera for other vendors,
// InvalidArgument for a step out of range, InvalidData when it does not fit.
PtpResult Comms_BuildRepeatedCommand(PtpVendor vendor, int32_t step, uint16_t count, uint8_t* buf,
                                     uint32_t size, uint32_t* length);

// The Sony focus drive value of step x count moves: -(step x count), held to
// the 16-bit range before it is cut to 16 bits.
uint16_t Comms_SonyFocusDriveValue(int32_t step, uint16_t count);

// The step conversion for a given camera: gfx for Fujifilm GFX models,
// nikonSlowDrive when a Nikon's property 0xD0E2 exists and reads 0.
uint16_t Comms_ConvertFocusStepsFor(PtpVendor vendor, bool gfx, bool nikonSlowDrive,
                                    uint16_t stepSize);
