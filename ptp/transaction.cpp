#include "ptp/transaction.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "comms/ptp_transport.h"

namespace {

struct Engine {
    std::mutex transactionLock; // held for one whole transaction
    // Callbacks are installed by Initialize between sessions and read by every
    // transaction, so they are atomics.
    std::atomic<PtpTransportSendFn> send{Comms_SendPtpPacket};
    std::atomic<PtpTransportReceiveFn> receive{Comms_ReceivePtpPacket};
    std::atomic<PtpTransportLockFn> linkLock{Comms_LockRelayLink};
    // Written only in the command phase under the transaction lock, and reset
    // between sessions.
    std::atomic<uint32_t> nextId{0};

    std::mutex opsLock;
    std::vector<uint16_t> supportedOps; // guarded by opsLock
};

Engine g_engine;

} // namespace

void PtpTransaction_SetTransport(PtpTransportSendFn send, PtpTransportReceiveFn receive) {
    g_engine.send.store(send);
    g_engine.receive.store(receive);
    g_engine.nextId.store(0);
}

void PtpTransaction_SetLinkLock(PtpTransportLockFn lock) { g_engine.linkLock.store(lock); }

PtpTransportSendFn PtpTransaction_SendFn() { return g_engine.send.load(); }

void PtpTransaction_ResetTransactionId() { g_engine.nextId.store(0); }

uint32_t PtpTransaction_NextTransactionId() { return g_engine.nextId.load(); }

PtpTransportReadEventsFn PtpTransaction_ReadEventsFn() { return Comms_ReadEventData; }

void PtpTransaction_SetSupportedOperations(const uint16_t* ops, uint32_t count) {
    std::lock_guard<std::mutex> held(g_engine.opsLock);
    g_engine.supportedOps.assign(ops, ops + (ops ? count : 0));
}

bool PtpTransaction_IsAdmitted(uint16_t op) {
    if (op == kPtpOpGetDeviceInfo || op == kPtpOpOpenSession || op == kPtpOpGetNumObjects)
        return true;
    {
        std::lock_guard<std::mutex> held(g_engine.opsLock);
        for (uint16_t listed : g_engine.supportedOps)
            if (listed == op) return true;
    }
    // Some cameras leave GetObject out of their list yet serve it.
    return op == kPtpOpGetObject;
}

PtpTransactionHold::PtpTransactionHold(bool blocking)
    : transaction(g_engine.transactionLock, std::defer_lock) {
    if (blocking)
        transaction.lock();
    else if (!transaction.try_lock())
        return;
    lockFn = g_engine.linkLock.load();
    if (lockFn && lockFn(1) < 0) {
        lockFn = nullptr;
        transaction.unlock();
        return;
    }
    linked = true;
}

PtpTransactionHold::~PtpTransactionHold() {
    if (linked && lockFn) lockFn(0);
}

static void write_container(uint8_t* at, uint32_t length, uint16_t type, uint16_t code,
                            uint32_t id) {
    put_u32(at, length);
    put_u16(at + 4, type);
    put_u16(at + 6, code);
    put_u32(at + 8, id);
}

// Lays out the command container and the optional data container at buf.
// Returns the total size, or 0 when it does not fit in bufSize.
static uint32_t layout_command(uint16_t op, const uint32_t* params, uint32_t paramCount,
                               const uint8_t* data, uint32_t dataLen, uint32_t id, uint8_t* buf,
                               uint64_t bufSize) {
    uint64_t commandLen = kPtpContainerHeaderSize + 4ull * paramCount;
    uint64_t dataContainerLen = data && dataLen ? kPtpContainerHeaderSize + uint64_t(dataLen) : 0;
    uint64_t total = commandLen + dataContainerLen;
    if (total > bufSize || total > UINT32_MAX) return 0;
    write_container(buf, uint32_t(commandLen), kPtpContainerCommand, op, id);
    for (uint32_t i = 0; i < paramCount; ++i)
        put_u32(buf + 12 + 4 * i, params[i]);
    if (dataContainerLen) {
        uint8_t* at = buf + commandLen;
        write_container(at, uint32_t(dataContainerLen), kPtpContainerData, op, id);
        std::memcpy(at + kPtpContainerHeaderSize, data, dataLen);
    }
    return uint32_t(total);
}

uint32_t PtpTransaction_BuildCommand(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                     const uint8_t* data, uint32_t dataLen, uint8_t* buf,
                                     uint32_t bufSize) {
    if (!buf || paramCount > kPtpMaxParams || (paramCount && !params)) return 0;
    return layout_command(op, params, paramCount, data, dataLen, g_engine.nextId.load(), buf,
                          bufSize);
}

PtpResult PtpTransaction_SendCommand(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                     const uint8_t* dataOut, uint32_t dataOutLen,
                                     uint32_t* transactionId) {
    if (paramCount > kPtpMaxParams) return PtpResult_InvalidData;
    if (paramCount && !params) return PtpResult_InvalidArgument;
    PtpTransportSendFn send = g_engine.send.load();
    if (!send) return PtpResult_InvalidArgument;

    // Command and data-out go out in one buffer and one send.
    uint64_t size = 2 * kPtpContainerHeaderSize + 4ull * paramCount + (dataOut ? dataOutLen : 0);
    if (size > UINT32_MAX) return PtpResult_InvalidData;
    uint8_t* buf = static_cast<uint8_t*>(std::calloc(1, size_t(size)));
    if (!buf) return PtpResult_OutOfMemory;
    uint32_t id = g_engine.nextId.load();
    uint32_t length = layout_command(op, params, paramCount, dataOut, dataOutLen, id, buf, size);
    PtpResult rc = send(buf, length);
    std::free(buf);
    if (rc != PtpResult_Ok) return rc;
    if (transactionId) *transactionId = id;
    g_engine.nextId.store(id + 1);
    return PtpResult_Ok;
}

// A received container: its header with the length field, type and code,
// checked to cover the header, and the buffer, owned here until handed on.
// From the relay link's own transport the buffer holds the payload alone (it
// reaches the caller without being moved); from a host's transport it holds
// the whole container.
struct Received {
    uint8_t head[kPtpContainerHeaderSize] = {};
    uint8_t* buf = nullptr;
    bool split = false; // buf starts with the payload
    uint32_t length = 0;
    uint16_t type = 0;
    uint16_t code = 0;
    ~Received() { std::free(buf); }
    const uint8_t* payload() const { return split ? buf : buf + kPtpContainerHeaderSize; }
};

static PtpResult receive_container(Received& c) {
    PtpTransportReceiveFn receive = g_engine.receive.load();
    if (!receive) return PtpResult_InvalidArgument;
    if (receive == Comms_ReceivePtpPacket) {
        PtpResult rc = Comms_ReceivePtpContainer(c.head, &c.buf);
        if (rc != PtpResult_Ok) return rc;
        c.split = true;
    } else {
        PtpResult rc = receive(&c.buf);
        if (rc != PtpResult_Ok) return rc;
        if (!c.buf) return PtpResult_BadReply;
        std::memcpy(c.head, c.buf, kPtpContainerHeaderSize);
    }
    c.length = peek_u32(c.head, kPtpContainerHeaderSize, 0);
    if (c.length < kPtpContainerHeaderSize) return PtpResult_BadReply;
    c.type = peek_u16(c.head, kPtpContainerHeaderSize, 4);
    c.code = peek_u16(c.head, kPtpContainerHeaderSize, 6);
    return PtpResult_Ok;
}

// The response code of a response container, with its first parameter when it
// carries one and the caller asks.
static PtpResult take_response(const Received& c, uint32_t* respParam) {
    if (c.type != kPtpContainerResponse) return PtpResult_UnexpectedContainer;
    if (respParam && c.length >= kPtpContainerHeaderSize + 4)
        *respParam = peek_u32(c.payload(), c.length - kPtpContainerHeaderSize, 0);
    return c.code;
}

PtpResult PtpTransaction_ReceiveResponse(uint32_t, uint32_t* respParam) {
    Received c;
    PtpResult rc = receive_container(c);
    if (rc == PtpResult_RelayNoResponse) return PtpResult_Ok;
    if (rc != PtpResult_Ok) return rc;
    return take_response(c, respParam);
}

PtpResult PtpTransaction_ReceiveData(uint8_t** dataIn, uint32_t* dataInLen, uint32_t transactionId,
                                     uint32_t* respParam) {
    if (!dataIn || !dataInLen) return PtpResult_InvalidArgument;
    *dataIn = nullptr;
    *dataInLen = 0;
    Received c;
    PtpResult rc = receive_container(c);
    if (rc != PtpResult_Ok) return rc;

    if (c.type == kPtpContainerResponse) {
        // The camera refused (or had nothing): no data phase at all.
        return take_response(c, respParam);
    }
    if (c.type != kPtpContainerData) return PtpResult_UnexpectedContainer;

    // Hand the data over in place (moved to the start of the buffer when a
    // host's transport left the header in front of it).
    uint32_t length = c.length - kPtpContainerHeaderSize;
    if (!c.split) std::memmove(c.buf, c.buf + kPtpContainerHeaderSize, length);
    *dataIn = c.buf;
    *dataInLen = length;
    c.buf = nullptr;
    return PtpTransaction_ReceiveResponse(transactionId, respParam);
}

PtpResult PtpTransaction_Execute(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                 const uint8_t* dataOut, uint32_t dataOutLen, uint8_t** dataIn,
                                 uint32_t* dataInLen, uint32_t* respParam, uint8_t blocking) {
    if (!PtpTransaction_IsAdmitted(op)) return PtpResult_OperationNotSupported;
    PtpTransactionHold hold(blocking != 0);
    if (!hold.ok()) return PtpResult_Busy;

    uint32_t id = 0;
    const uint8_t* out = dataOut && dataOutLen ? dataOut : nullptr;
    PtpResult rc =
        PtpTransaction_SendCommand(op, params, paramCount, out, out ? dataOutLen : 0, &id);
    if (rc != PtpResult_Ok) return rc;
    if (dataIn && dataInLen) return PtpTransaction_ReceiveData(dataIn, dataInLen, id, respParam);
    return PtpTransaction_ReceiveResponse(id, respParam);
}

PtpResult PtpTransaction_ExecuteWithRetry(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                          const uint8_t* dataOut, uint32_t dataOutLen,
                                          uint8_t** dataIn, uint32_t* dataInLen,
                                          uint32_t* respParam, uint8_t blocking) {
    PtpResult rc = PtpTransaction_Execute(op, params, paramCount, dataOut, dataOutLen, dataIn,
                                          dataInLen, respParam, blocking);
    if (!PtpTransaction_IsBusy(rc)) return rc;
    if (dataIn && *dataIn) { // data before a busy response is not this attempt's result
        std::free(*dataIn);
        *dataIn = nullptr;
        if (dataInLen) *dataInLen = 0;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kBusyRetryMillis));
    return PtpTransaction_Execute(op, params, paramCount, dataOut, dataOutLen, dataIn, dataInLen,
                                  respParam, blocking);
}

PtpResult PtpTransaction_Run(uint16_t op, std::initializer_list<uint32_t> params,
                             uint32_t* respParam) {
    return PtpTransaction_ExecuteWithRetry(op, params.begin(), uint32_t(params.size()), nullptr, 0,
                                           nullptr, nullptr, respParam, 1);
}

PtpResult PtpTransaction_RunDataIn(uint16_t op, std::initializer_list<uint32_t> params,
                                   uint8_t** data, uint32_t* length) {
    *data = nullptr;
    *length = 0;
    PtpResult rc = PtpTransaction_ExecuteWithRetry(op, params.begin(), uint32_t(params.size()),
                                                   nullptr, 0, data, length, nullptr, 1);
    if (rc != PtpResult_Ok) {
        std::free(*data);
        *data = nullptr;
        *length = 0;
    }
    return rc;
}
