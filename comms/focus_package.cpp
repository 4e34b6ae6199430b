// Repeated commands: one PTP command that the Tetherhub runs count times on
// its own, so that a long focus pull is not slowed by a network round trip
// per lens move. The caller builds the command's containers; the message
// around them and the exchange are the link's.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "comms/bytes.h"
#include "comms/relay_link.h"
#include "comms/services.h"

namespace {

// Repeated command: header, u32 inner length, u16 count, u16 0, u16 75, then
// the PTP containers in what is left of a 256-byte message.
constexpr uint32_t kRepeatedHeaderSize = 15;
constexpr uint32_t kRepeatedMessageSize = kRepeatedHeaderSize + kRepeatedCommandRoom;
constexpr uint16_t kRepeatedCommandMarker = 75; // the hub's constant, placed as it wants it
// The inner length counts the containers and the six bytes before them.
constexpr uint32_t kInnerHeaderSize = 10;

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

} // namespace

PtpResult Comms_BuildRepeatedCommand(const uint8_t* containers, uint32_t containersLength,
                                     uint16_t count, uint8_t* buf, uint32_t size,
                                     uint32_t* length) {
    if (!containers || !buf || !length) return PtpResult_InvalidArgument;
    *length = 0;
    if (containersLength == 0 || size < kRepeatedHeaderSize ||
        size - kRepeatedHeaderSize < containersLength)
        return PtpResult_InvalidData;
    put_u32(buf, containersLength + kRepeatedHeaderSize);
    buf[4] = kRelayRepeatedCommand;
    put_u32(buf + 5, containersLength + kInnerHeaderSize);
    put_u16(buf + 9, count);
    put_u16(buf + 11, 0);
    put_u16(buf + 13, kRepeatedCommandMarker);
    std::memcpy(buf + kRepeatedHeaderSize, containers, containersLength);
    *length = containersLength + kRepeatedHeaderSize;
    return PtpResult_Ok;
}

PtpResult Comms_SendRepeatedCommand(const uint8_t* containers, uint32_t containersLength,
                                    uint16_t count, PtpResult* camera) {
    if (!camera) return PtpResult_InvalidArgument;
    *camera = 0;
    uint8_t message[kRepeatedMessageSize];
    uint32_t length = 0;
    PtpResult rc = Comms_BuildRepeatedCommand(containers, containersLength, count, message,
                                              sizeof message, &length);
    if (rc != PtpResult_Ok) return rc;

    // The relay link lock is held from the send until the reply is read, and
    // released on every way out.
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
    *camera = peek_u16(data.get(), m, 0);
    return PtpResult_Ok;
}
