#include "comms/ptp_transport.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <system_error>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"

namespace {

constexpr uint32_t kContainerHeaderSize = 12;
constexpr uint32_t kSharePrefixSize = 15; // relay header, inner length, mode, kind, r

std::atomic<CommsShareLookupFn> g_shareLookup{nullptr};
thread_local int t_ownPrefix = 0; // CommsOwnSharePrefix guards alive on this thread

// The sharing entry of the command in buf, when there is one to send.
bool find_share(const uint8_t* buf, uint32_t len, CommsShareEntry* out) {
    CommsShareLookupFn lookup = g_shareLookup.load();
    if (!lookup || t_ownPrefix > 0 || len < kContainerHeaderSize) return false;
    return lookup(peek_u16(buf, len, 6), out);
}

} // namespace

void Comms_SetShareLookup(CommsShareLookupFn lookup) { g_shareLookup.store(lookup); }

CommsOwnSharePrefix::CommsOwnSharePrefix() { ++t_ownPrefix; }
CommsOwnSharePrefix::~CommsOwnSharePrefix() { --t_ownPrefix; }

PtpResult Comms_SendPtpPacket(const uint8_t* buf, uint32_t len) {
    if (!buf || len == 0 || len > UINT32_MAX - kRelayHeaderSize) return PtpResult_InvalidArgument;
    if (Comms_IsLinkLost()) return PtpResult_ConnectionLost;
    uint8_t header[kRelayHeaderSize];
    put_u32(header, len + kRelayHeaderSize);
    header[4] = kRelayPtp;
    SendPiece message[2] = {{header, kRelayHeaderSize}, {buf, len}};
    CommsShareEntry share;
    try {
        if (!find_share(buf, len, &share)) return Comms_SendPieces(message, 2);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
    // The prefix counts the message it announces; its inner length is the
    // rest of that total (the form the hub expects ahead of a PTP message).
    const uint64_t total =
        uint64_t(kSharePrefixSize) + share.record.size() + len + kRelayHeaderSize;
    if (total > UINT32_MAX) return PtpResult_InvalidArgument;
    const uint32_t r = uint32_t(share.record.size());
    uint8_t prefix[kSharePrefixSize];
    put_u32(prefix, uint32_t(total));
    prefix[4] = kRelaySharePrefix;
    put_u32(prefix + 5, uint32_t(total) - kRelayHeaderSize);
    prefix[9] = share.mode;
    prefix[10] = share.kind;
    put_u32(prefix + 11, r);
    SendPiece shared[4] = {
        {prefix, kSharePrefixSize}, {share.record.data(), r}, message[0], message[1]};
    return Comms_SendPieces(shared, 4);
}

// Checks a received message as a PTP container: Ok, or the result to report.
// head holds the message's first min(total, 17) bytes.
static PtpResult check_container_message(const uint8_t* head, uint32_t total) {
    uint8_t type = head[4];
    if (type == kRelayControlReply) {
        // The hub answers with a bare control reply when it has no container.
        return total < kControlReplyHeaderSize ? PtpResult_BadReply
               : peek_u16(head, total, 10) == 0 ? PtpResult_RelayNoResponse
                                                : PtpResult_BadReply;
    }
    if (total < kRelayHeaderSize + kContainerHeaderSize) return PtpResult_InvalidArgument;
    if (type != kRelayPtp) return PtpResult_BadReply;
    // The engine trusts the container's own length, so it must lie inside what
    // arrived.
    uint32_t containerLength = peek_u32(head, total, kRelayHeaderSize);
    if (containerLength < kContainerHeaderSize || containerLength > total - kRelayHeaderSize)
        return PtpResult_BadReply;
    return PtpResult_Ok;
}

PtpResult Comms_ReceivePtpPacket(uint8_t** buf) {
    if (!buf) return PtpResult_InvalidArgument;
    *buf = nullptr;
    uint8_t* message = nullptr;
    uint32_t total = 0;
    PtpResult rc = Comms_ReceiveMessage(&message, &total);
    if (rc != PtpResult_Ok) return rc;
    if ((rc = check_container_message(message, total)) != PtpResult_Ok) {
        std::free(message);
        return rc;
    }
    std::memmove(message, message + kRelayHeaderSize, total - kRelayHeaderSize);
    *buf = message;
    return PtpResult_Ok;
}

PtpResult Comms_ReceivePtpContainer(uint8_t* header, uint8_t** payload) {
    if (!header || !payload) return PtpResult_InvalidArgument;
    *payload = nullptr;
    uint8_t head[kRelayHeaderSize + kContainerHeaderSize];
    uint8_t* body = nullptr;
    uint32_t total = 0;
    PtpResult rc = Comms_ReceiveMessageSplit(head, sizeof head, nullptr, 0, &body, &total);
    if (rc != PtpResult_Ok) return rc;
    if ((rc = check_container_message(head, total)) != PtpResult_Ok) {
        std::free(body);
        return rc;
    }
    std::memcpy(header, head + kRelayHeaderSize, kContainerHeaderSize);
    *payload = body;
    return PtpResult_Ok;
}

int32_t Comms_LockRelayLink(uint8_t acquire) {
    // The lock spans two callback calls, so it cannot be a scoped guard here.
    if (!acquire) {
        Comms_RelayLinkLock().unlock();
        return 1;
    }
    try {
        Comms_RelayLinkLock().lock();
    } catch (const std::system_error&) {
        return -1;
    }
    return 1;
}

PtpResult Comms_ReadEventData(uint8_t** data, uint32_t* length, uint8_t wait) {
    if (!data || !length) return PtpResult_InvalidArgument;
    return Comms_SendControlMessage(kControlReadEventData, &wait, 1, data, length);
}
