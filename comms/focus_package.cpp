// Packaged focus steps: the lens moved many times by one request, so that a
// long focus pull is not slowed by a network round trip per step. Canon
// cameras get a repeated PTP command that the Tetherhub runs itself.
#include <cstdlib>
#include <memory>
#include <mutex>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "comms/services.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_focus.h"

namespace {

constexpr uint16_t kCanonOpDriveLens = 0x9155;
constexpr uint16_t kSonyOpControlDevice = 0x9207;
constexpr uint32_t kSonyPropFocusDrive = 0xD2D1;

// Canon steps: the low 15 bits count the distance, bit 15 drives towards the
// nearest distance.
constexpr uint32_t kLensTowardsNear = 0x8000;
constexpr int32_t kLensMaxSteps = 0x7FFF;

// The Tetherhub repeats one command at most this many times per request.
constexpr uint16_t kCanonMaxRepeat = 300;

// Repeated command: header, u32 inner length, u16 count, u16 0, u16 75, then
// the PTP containers in what is left of a 256-byte message.
constexpr uint32_t kRepeatedHeaderSize = 15;
constexpr uint32_t kRepeatedMessageSize = 256;
constexpr uint16_t kRepeatedCommandMarker = 75; // the hub's constant, placed as it wants it

// Library focus mode 1: focus is held by the library (manual).
constexpr uint32_t kFocusModeManual = 1;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// One repeated lens drive of count moves. The relay link lock is held from
// the send until the reply is read, and released on every way out.
PtpResult send_package(PtpVendor vendor, int32_t step, uint16_t count) {
    uint8_t message[kRepeatedMessageSize];
    uint32_t length = 0;
    PtpResult rc =
        Comms_BuildRepeatedCommand(vendor, step, count, message, sizeof message, &length);
    if (rc != PtpResult_Ok) return rc;

    uint8_t* raw = nullptr;
    uint32_t m = 0;
    {
        std::lock_guard<std::mutex> held(Comms_RelayLinkLock());
        if (Comms_SendExact(message, length) != PtpResult_Ok) return PtpResult_ConnectionLost;
        rc = Comms_ReadControlReply(&raw, &m);
    }
    std::unique_ptr<uint8_t, FreeDeleter> data(raw);
    if (rc != PtpResult_Ok || m == 0) return rc;
    if (m != 2) return PtpResult_BadReply;
    PtpResult camera = peek_u16(data.get(), m, 0);
    // The lens was moved from the host: autofocus would undo it.
    if (camera == PtpResult_Ok) PtpGenericInterface_SetFocusMode(kFocusModeManual, 1);
    return camera;
}

} // namespace

bool Comms_LensStepParameter(int32_t step, uint32_t* parameter) {
    if (step > kLensMaxSteps || step < -kLensMaxSteps) return false;
    *parameter = step < 0 ? kLensTowardsNear + uint32_t(-step) : uint32_t(step);
    return true;
}

PtpResult Comms_BuildRepeatedCommand(PtpVendor vendor, int32_t step, uint16_t count, uint8_t* buf,
                                     uint32_t size, uint32_t* length) {
    if (!buf || !length) return PtpResult_InvalidArgument;
    *length = 0;
    if (vendor != PtpVendor_Canon && vendor != PtpVendor_Sony)
        return PtpResult_NotSupportedForCamera;
    uint32_t parameter = 0;
    if (!Comms_LensStepParameter(step, &parameter)) return PtpResult_InvalidArgument;
    if (size < kRepeatedHeaderSize) return PtpResult_InvalidData;

    uint8_t* containers = buf + kRepeatedHeaderSize;
    uint32_t room = size - kRepeatedHeaderSize;
    uint32_t written = 0;
    if (vendor == PtpVendor_Canon) {
        written = PtpTransaction_BuildCommand(kCanonOpDriveLens, &parameter, 1, nullptr, 0,
                                              containers, room);
    } else {
        uint8_t value[4];
        put_u32(value, parameter);
        written = PtpTransaction_BuildCommand(kSonyOpControlDevice, &kSonyPropFocusDrive, 1, value,
                                              sizeof value, containers, room);
    }
    if (written == 0) return PtpResult_InvalidData;

    put_u32(buf, written + kRepeatedHeaderSize);
    buf[4] = kRelayRepeatedCommand;
    put_u32(buf + 5, written + 10);
    put_u16(buf + 9, count);
    put_u16(buf + 11, 0);
    put_u16(buf + 13, kRepeatedCommandMarker);
    *length = written + kRepeatedHeaderSize;
    return PtpResult_Ok;
}

uint16_t Comms_SonyFocusDriveValue(int32_t step, uint16_t count) {
    // Computed wide and held to the 16-bit range, so a long pull drives as far
    // as it can in its own direction instead of wrapping round to the other.
    int64_t value = -(int64_t(step) * int64_t(count));
    if (value > INT16_MAX) value = INT16_MAX;
    if (value < INT16_MIN) value = INT16_MIN;
    return uint16_t(int16_t(value));
}

PtpResult Comms_SendPackagedFocusChange(int32_t step, uint16_t count) {
    switch (PtpSession_Vendor()) {
    case PtpVendor_Canon: {
        while (count > kCanonMaxRepeat && PtpSession_Vendor() == PtpVendor_Canon) {
            PtpResult rc = send_package(PtpVendor_Canon, step, kCanonMaxRepeat);
            if (rc != PtpResult_Ok) return rc;
            count = uint16_t(count - kCanonMaxRepeat);
        }
        if (count == 0) return PtpResult_Ok;
        return send_package(PtpVendor_Canon, step, count);
    }
    case PtpVendor_Nikon:
        // The Nikon driver's lens drive (direction 2 for a negative step, else
        // the step; count times), then the same switch to manual focus. Not
        // available until the Nikon driver exists.
        return PtpResult_NotSupportedForCamera;
    case PtpVendor_Sony: {
        // The Sony driver's focus drive with this value. Not available until
        // the Sony driver exists.
        uint16_t value = Comms_SonyFocusDriveValue(step, count);
        (void)value;
        return PtpResult_NotSupportedForCamera;
    }
    case PtpVendor_Fujifilm:
        // The Fujifilm driver's focus drive with step x count. Not available
        // until the Fujifilm driver exists.
        return PtpResult_NotSupportedForCamera;
    default: return PtpResult_NotSupportedForCamera;
    }
}
