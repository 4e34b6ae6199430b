// Accessory commands: one serial frame out in a type-9 relay message, the
// accessory's type-9 answer back, both under one hold of the relay link lock.
#include "serial/serial_link.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "ptp_serial.h"

namespace {

struct SerialLink {
    // Swapped by tests only; read at the start of each command.
    std::atomic<PtpTransportLockFn> linkLock{Comms_LockRelayLink};
};

SerialLink g_serial;

// Holds the link lock for one command. The lock function's own failure answer
// is not trusted to be negative: anything but a positive answer is a refusal,
// and a refused lock is never released.
struct LinkHold {
    explicit LinkHold(PtpTransportLockFn lock) : fn(lock), held(lock && lock(1) > 0) {}
    ~LinkHold() {
        if (held) fn(0);
    }
    LinkHold(const LinkHold&) = delete;
    LinkHold& operator=(const LinkHold&) = delete;
    PtpTransportLockFn fn;
    bool held;
};

// Sends one type-9 message; the caller holds the relay link lock. A link that
// is lost, or a send that fails, closes the connection.
PtpResult send_locked(const uint8_t* frame, uint32_t length) {
    if (!frame || length == 0 || length > kMaxRelayMessage - kRelayHeaderSize)
        return PtpResult_InvalidArgument;
    if (Comms_IsLinkLost()) {
        Comms_CloseLocked();
        return PtpResult_ConnectionLost;
    }
    uint8_t header[kRelayHeaderSize];
    put_u32(header, length + kRelayHeaderSize);
    header[4] = kRelaySerialFrame;
    SendPiece pieces[2] = {{header, kRelayHeaderSize}, {frame, length}};
    if (Comms_SendPieces(pieces, 2) == PtpResult_Ok) return PtpResult_Ok;
    Comms_SetLinkLost();
    Comms_CloseLocked();
    return PtpResult_ConnectionLost;
}

// One command: the frame out, the answer back. *answer receives the
// accessory's value on PtpResult_Ok.
PtpResult exchange(uint8_t command, uint32_t argument, const uint8_t* extra, uint32_t extraLength,
                   uint32_t* answer) {
    uint8_t frame[kSerialFrameMaxSize];
    const uint32_t length = kSerialFrameBaseSize + extraLength;
    put_u32(frame, length);
    frame[4] = command;
    put_u32(frame + 5, argument);
    for (uint32_t i = 0; i < extraLength; ++i)
        frame[kSerialFrameBaseSize + i] = extra[i];

    LinkHold hold(g_serial.linkLock.load());
    if (!hold.held) return PtpResult_Busy;
    PtpResult rc = send_locked(frame, length);
    if (rc != PtpResult_Ok) return rc;
    return Comms_ReadSerialMessage(answer);
}

// A command whose answer only says whether the accessory took it: 0 is a
// refusal.
PtpResult command(uint8_t code, uint32_t argument, const uint8_t* extra = nullptr,
                  uint32_t extraLength = 0) {
    uint32_t answer = 0;
    PtpResult rc = exchange(code, argument, extra, extraLength, &answer);
    if (rc != PtpResult_Ok) return rc;
    return answer != 0 ? PtpResult_Ok : PtpResult_BadReply;
}

} // namespace

void PtpSerial_SetLinkLock(PtpTransportLockFn lock) {
    g_serial.linkLock.store(lock ? lock : Comms_LockRelayLink);
}

PtpResult PtpSerial_ParseAnswer(const uint8_t* message, uint32_t length, uint32_t* value) {
    if (!message || !value) return PtpResult_InvalidArgument;
    ByteReader r = make_reader(message, length);
    skip(r, 4);
    const uint8_t type = read_u8(r);
    const uint32_t answer = read_u32(r);
    if (!r.ok || type != kRelaySerialFrame) return PtpResult_BadReply;
    *value = answer;
    return PtpResult_Ok;
}

PtpResult Comms_SendSerialMessage(const uint8_t* frame, uint32_t length) {
    if (!frame || length == 0) return PtpResult_InvalidArgument;
    std::lock_guard<std::mutex> held(Comms_RelayLinkLock());
    return send_locked(frame, length);
}

PtpResult Comms_ReadSerialMessage(uint32_t* value) {
    if (!value) return PtpResult_InvalidArgument;
    uint8_t* message = nullptr;
    uint32_t length = 0;
    PtpResult rc = Comms_ReceiveMessage(&message, &length);
    if (rc != PtpResult_Ok) return rc;
    rc = PtpSerial_ParseAnswer(message, length, value);
    std::free(message);
    return rc;
}

PtpResult Serial_SendMoveTripod(uint8_t direction) {
    return Serial_SendMoveTripodDuration(direction, kSerialMoveUntilStopped);
}

PtpResult Serial_SendMoveTripodDuration(uint8_t direction, uint32_t durationMs) {
    return command(kSerialMoveDuration, durationMs, &direction, 1);
}

PtpResult Serial_SendStopTripod() { return command(kSerialStop, 0); }

PtpResult Serial_SendTripodSpeed(uint16_t speed) {
    uint8_t extra[2];
    put_u16(extra, speed > kSerialMaxSpeed ? kSerialMaxSpeed : speed);
    return command(kSerialSpeed, 0, extra, 2);
}

PtpResult Serial_GetTripodBattery(uint32_t* value) {
    // Refused before the frame goes out: an answer nobody reads would stay in
    // the stream and become the next exchange's reply.
    if (!value) return PtpResult_InvalidArgument;
    return exchange(kSerialBattery, 0, nullptr, 0, value);
}

PtpResult Serial_SendShutterCapture(uint32_t argument) {
    return command(kSerialShutterCapture, argument);
}

PtpResult Serial_SendShutterStop() { return PtpResult_Failed; }
