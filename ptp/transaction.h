// The PTP transaction engine: containers, admission against the camera's
// supported operations, the transaction lock and the busy retry.
//
// Lock order: the transaction lock is taken first, then the transport's link
// lock through the link-lock callback. A caller that holds the transaction lock
// across several phases uses the phase operations below, never the engine.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>

#include "ptp_generic.h"
#include "ptp_result.h"

// Standard operations the engine treats specially.
constexpr uint16_t kPtpOpGetDeviceInfo = 0x1001;
constexpr uint16_t kPtpOpOpenSession = 0x1002;
constexpr uint16_t kPtpOpCloseSession = 0x1003;
constexpr uint16_t kPtpOpGetStorageIds = 0x1004;
constexpr uint16_t kPtpOpGetStorageInfo = 0x1005;
constexpr uint16_t kPtpOpGetNumObjects = 0x1006;
constexpr uint16_t kPtpOpGetObject = 0x1009;
constexpr uint16_t kPtpOpInitiateCapture = 0x100E;

// Container types.
constexpr uint16_t kPtpContainerCommand = 1;
constexpr uint16_t kPtpContainerData = 2;
constexpr uint16_t kPtpContainerResponse = 3;
constexpr uint32_t kPtpContainerHeaderSize = 12;
constexpr uint32_t kPtpMaxParams = 5;

// The retry after a busy answer: once, after this pause.
constexpr int kBusyRetryMillis = 100;

inline bool PtpTransaction_IsBusy(PtpResult rc) {
    return rc == PtpResult_DeviceBusy || rc == PtpResult_VendorBusy;
}

// One whole transaction. The data-out phase runs when dataOut and dataOutLen
// are both non-zero; a data-in phase is accepted when dataIn and dataInLen are
// both given. *respParam receives the first response parameter when the
// response carries one. blocking = 0 gives PtpResult_Busy instead of waiting
// for another transaction. Out: *dataIn (malloc'd, owned by the caller) stays
// with the caller even when the response phase fails afterwards.
PtpResult PtpTransaction_Execute(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                 const uint8_t* dataOut, uint32_t dataOutLen, uint8_t** dataIn,
                                 uint32_t* dataInLen, uint32_t* respParam, uint8_t blocking);

// The same, run once more after 100 ms when the camera answers busy (0x2019 or
// 0xA102). The call every camera operation uses unless it needs one attempt.
PtpResult PtpTransaction_ExecuteWithRetry(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                          const uint8_t* dataOut, uint32_t dataOutLen,
                                          uint8_t** dataIn, uint32_t* dataInLen,
                                          uint32_t* respParam, uint8_t blocking);

// One whole blocking transaction without a data phase, with the busy retry:
// the short form for plain commands. *respParam as for the engine.
PtpResult PtpTransaction_Run(uint16_t op, std::initializer_list<uint32_t> params = {},
                             uint32_t* respParam = nullptr);

// One whole blocking transaction receiving data, with the busy retry. On
// anything but OK the data is released and *data, *length are null and 0, so a
// partial transfer never reaches a caller. Out: *data is malloc'd and owned by
// the caller.
PtpResult PtpTransaction_RunDataIn(uint16_t op, std::initializer_list<uint32_t> params,
                                   uint8_t** data, uint32_t* length);

// Phase operations, for callers that hold the transaction lock (through
// PtpTransaction_Hold) across several phases.
PtpResult PtpTransaction_SendCommand(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                     const uint8_t* dataOut, uint32_t dataOutLen,
                                     uint32_t* transactionId);
PtpResult PtpTransaction_ReceiveData(uint8_t** dataIn, uint32_t* dataInLen, uint32_t transactionId,
                                     uint32_t* respParam);
PtpResult PtpTransaction_ReceiveResponse(uint32_t transactionId, uint32_t* respParam);

// Holds the transaction lock and the transport link lock for a multi-phase
// exchange. ok() is false when either could not be taken (the engine's
// PtpResult_Busy); the destructor releases the link lock, then the transaction
// lock.
struct PtpTransactionHold {
    explicit PtpTransactionHold(bool blocking);
    ~PtpTransactionHold();
    PtpTransactionHold(const PtpTransactionHold&) = delete;
    PtpTransactionHold& operator=(const PtpTransactionHold&) = delete;
    bool ok() const { return linked; }

    std::unique_lock<std::mutex> transaction;
    PtpTransportLockFn lockFn = nullptr;
    bool linked = false;
};

// Writes a command container (and a data container when data is given) with
// the current transaction id into buf, without sending or advancing the id.
// Returns the bytes written, or 0 when they do not fit or paramCount > 5.
uint32_t PtpTransaction_BuildCommand(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                     const uint8_t* data, uint32_t dataLen, uint8_t* buf,
                                     uint32_t bufSize);

// Installs send and receive callbacks and resets the transaction id.
void PtpTransaction_SetTransport(PtpTransportSendFn send, PtpTransportReceiveFn receive);
void PtpTransaction_SetLinkLock(PtpTransportLockFn lock);
PtpTransportSendFn PtpTransaction_SendFn(); // the installed send callback
void PtpTransaction_ResetTransactionId();
uint32_t PtpTransaction_NextTransactionId();

// The camera's OperationsSupported list, consulted on admission.
void PtpTransaction_SetSupportedOperations(const uint16_t* ops, uint32_t count);

// The admission rule: GetDeviceInfo, OpenSession and GetNumObjects always;
// others when listed; GetObject even when not listed.
bool PtpTransaction_IsAdmitted(uint16_t op);

// The event read callback (always the relay link's).
PtpTransportReadEventsFn PtpTransaction_ReadEventsFn();
