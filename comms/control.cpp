// Control exchanges with the Tetherhub itself: control messages, their replies
// and share prefixes. Every exchange holds the relay link lock from before its
// first send until its reply is read, so the reply belongs to the sender.
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "comms/relay_link.h"

namespace {

constexpr uint32_t kControlHeaderSize = 10; // relay header, control length, code
constexpr uint32_t kSharePrefixHeaderSize = 15;

} // namespace

PtpResult Comms_SendControlRequest(std::unique_lock<std::mutex>& held, uint8_t code,
                                   const uint8_t* payload, uint32_t n) {
    if (Comms_IsLinkLost()) {
        Comms_CloseLocked();
        held.unlock();
        return PtpResult_ConnectionLost;
    }
    if ((n && !payload) || n > UINT32_MAX - kControlHeaderSize) {
        held.unlock();
        return PtpResult_InvalidArgument;
    }
    uint8_t header[kControlHeaderSize];
    put_u32(header, n + kControlHeaderSize);
    header[4] = kRelayControl;
    put_u32(header + 5, n + 5);
    header[9] = code;
    SendPiece pieces[2] = {{header, kControlHeaderSize}, {payload, n}};
    if (Comms_SendPieces(pieces, 2) != PtpResult_Ok) {
        Comms_SetLinkLost();
        Comms_CloseLocked();
        held.unlock();
        return PtpResult_ConnectionLost;
    }
    return PtpResult_Ok;
}

PtpResult Comms_ReadControlReply(uint8_t** data, uint32_t* m, bool zeroIsOk) {
    if (data) *data = nullptr;
    if (m) *m = 0;
    uint8_t* message = nullptr;
    uint32_t total = 0;
    PtpResult rc = Comms_ReceiveMessage(&message, &total);
    if (rc != PtpResult_Ok) return rc;

    // The reply length must cover its own fixed fields and lie inside the
    // message; otherwise the data length would run past the buffer.
    uint32_t replyLength = peek_u32(message, total, 5);
    if (message[4] != kRelayControlReply || total < kControlReplyHeaderSize ||
        replyLength < kControlReplyLengthBias || replyLength > total - kRelayHeaderSize) {
        std::free(message);
        return PtpResult_BadReply;
    }
    PtpResult result = peek_u16(message, total, 10);
    if (zeroIsOk && result == 0) result = PtpResult_Ok;
    uint32_t length = replyLength - kControlReplyLengthBias;
    if (length == 0 || result != PtpResult_Ok || !data || !m) {
        std::free(message);
        return result;
    }
    std::memmove(message, message + kControlReplyHeaderSize, length);
    *data = message;
    *m = length;
    return result;
}

PtpResult Comms_ReadControlReplyInto(uint8_t* into, uint32_t capacity, uint32_t* m) {
    if (m) *m = 0;
    if (!into || !m) return PtpResult_InvalidArgument;
    uint8_t head[kControlReplyHeaderSize];
    uint32_t total = 0;
    PtpResult rc = Comms_ReceiveMessageSplit(head, sizeof head, into, capacity, nullptr, &total);
    if (rc != PtpResult_Ok) return rc;
    uint32_t replyLength = peek_u32(head, total, 5);
    if (head[4] != kRelayControlReply || total < kControlReplyHeaderSize ||
        replyLength < kControlReplyLengthBias || replyLength > total - kRelayHeaderSize)
        return PtpResult_BadReply;
    PtpResult result = peek_u16(head, total, 10);
    if (result == PtpResult_Ok) *m = replyLength - kControlReplyLengthBias;
    return result;
}

PtpResult Comms_ControlExchange(uint8_t code, const uint8_t* payload, uint32_t n) {
    std::unique_lock<std::mutex> held(Comms_RelayLinkLock());
    PtpResult rc = Comms_SendControlRequest(held, code, payload, n);
    if (rc != PtpResult_Ok) return rc; // the lock was released there
    return Comms_ReadControlReply(nullptr, nullptr);
}

PtpResult Comms_SendControlMessage(uint8_t code, const uint8_t* payload, uint32_t n, uint8_t** data,
                                   uint32_t* m) {
    if (data) *data = nullptr;
    if (m) *m = 0;
    std::unique_lock<std::mutex> held(Comms_RelayLinkLock());
    PtpResult rc = Comms_SendControlRequest(held, code, payload, n);
    if (rc != PtpResult_Ok) return rc;
    return Comms_ReadControlReply(data, m);
}

PtpResult Comms_SendSharePrefix(uint8_t mode, uint8_t kind, uint32_t r, const uint8_t* record,
                                uint32_t k) {
    uint64_t total = uint64_t(kSharePrefixHeaderSize) + r + k;
    if ((r && !record) || total > UINT32_MAX) return PtpResult_InvalidArgument;
    if (Comms_IsLinkLost()) {
        Comms_CloseLocked();
        return PtpResult_ConnectionLost;
    }
    uint8_t header[kSharePrefixHeaderSize];
    put_u32(header, uint32_t(total));
    header[4] = kRelaySharePrefix;
    put_u32(header + 5, r + 10); // inner length of a prefix announcing a control message
    header[9] = mode;
    header[10] = kind;
    put_u32(header + 11, r);
    SendPiece pieces[2] = {{header, kSharePrefixHeaderSize}, {record, r}};
    if (Comms_SendPieces(pieces, 2) != PtpResult_Ok) {
        Comms_SetLinkLost();
        Comms_CloseLocked();
        return PtpResult_ConnectionLost;
    }
    return PtpResult_Ok;
}

PtpResult Comms_SharedControlExchange(const uint8_t* payload, uint32_t n, uint8_t code,
                                      uint8_t mode, uint8_t kind, uint32_t r, const uint8_t* record,
                                      uint8_t** data, uint32_t* m) {
    if (data) *data = nullptr;
    if (m) *m = 0;
    if (n > UINT32_MAX - 10) return PtpResult_InvalidArgument;
    std::unique_lock<std::mutex> held(Comms_RelayLinkLock());
    PtpResult rc = Comms_SendSharePrefix(mode, kind, r, record, n + 10);
    if (rc != PtpResult_Ok) return rc;
    rc = Comms_SendControlRequest(held, code, payload, n);
    if (rc != PtpResult_Ok) return rc;
    return Comms_ReadControlReply(data, m, /*zeroIsOk=*/true);
}
