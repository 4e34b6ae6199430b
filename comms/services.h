// The Tetherhub services' internals shared by their files and their tests:
// share-prefix values, the capture sequence description and the repeated PTP
// command.
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
    uint8_t order = 0;        // a9, as the hub counts it for the property
    float interval = 0;       // a10
    uint8_t a11 = 0;
};

// Writes the capture sequence description (payload of control 211) for a
// camera whose library focus mode is focusMode. InvalidArgument when neither
// block is present or a count does not fit its 16 bits.
PtpResult Comms_BuildCaptureSequence(const CaptureSequence& seq, uint8_t focusMode,
                                     std::vector<uint8_t>* out);

// Builds the description and hands it to the hub: the hub's result,
// PtpResult_OutOfMemory, or Comms_BuildCaptureSequence's refusal (nothing sent).
PtpResult Comms_SendCaptureSequence(const CaptureSequence& seq, uint8_t focusMode);

// The room for the PTP containers in one repeated-command message.
constexpr uint32_t kRepeatedCommandRoom = 241;

// Builds a repeated-command message (relay type 5) in buf: the camera runs the
// command in containers (a command container and its data container, if any)
// count times. Out: *length, the message's size. InvalidData when the
// containers are empty or do not fit size. Borrows containers for the call.
PtpResult Comms_BuildRepeatedCommand(const uint8_t* containers, uint32_t containersLength,
                                     uint16_t count, uint8_t* buf, uint32_t size, uint32_t* length);

// Sends one repeated command and reads the hub's reply, holding the relay link
// lock in between. Out: *camera, the camera's response code when the hub
// passes one on, else 0. Returns the hub's result, PtpResult_ConnectionLost
// when the send fails, PtpResult_BadReply for a reply that is neither empty
// nor 2 bytes. Not from a transport callback.
PtpResult Comms_SendRepeatedCommand(const uint8_t* containers, uint32_t containersLength,
                                    uint16_t count, PtpResult* camera);
