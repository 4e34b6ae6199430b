#include "ptp/shared_transaction.h"

#include "comms/ptp_transport.h"
#include "comms/relay_link.h"
#include "ptp/transaction.h"

namespace {

bool relay_transport(PtpTransportSendFn send, PtpTransportLockFn lock) {
    return send == Comms_SendPtpPacket && lock == Comms_LockRelayLink;
}

} // namespace

PtpResult PtpTransaction_ExecuteShared(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                       uint8_t mode, uint8_t kind, const uint8_t* record,
                                       uint32_t recordLength, uint8_t** dataIn, uint32_t* dataInLen,
                                       uint32_t* respParam) {
    if (paramCount > kPtpMaxParams) return PtpResult_InvalidData;
    if ((paramCount && !params) || (recordLength && !record)) return PtpResult_InvalidArgument;
    if (!PtpTransaction_IsAdmitted(op)) return PtpResult_OperationNotSupported;
    const bool wantData = dataIn && dataInLen;
    if (wantData) {
        *dataIn = nullptr;
        *dataInLen = 0;
    }

    PtpTransactionHold hold(/*blocking=*/true);
    if (!hold.ok()) return PtpResult_Busy;
    // The transport is checked under the hold: Initialize may swap it between
    // transactions, never inside one. A host transport runs the command unshared.
    if (relay_transport(PtpTransaction_SendFn(), hold.lockFn)) {
        // The relay message that carries the command: its 5-byte header and the
        // command container of 12 bytes and 4 per parameter.
        const uint32_t announced = kRelayHeaderSize + kPtpContainerHeaderSize + 4 * paramCount;
        PtpResult rc = Comms_SendSharePrefix(mode, kind, recordLength, record, announced);
        if (rc != PtpResult_Ok) return rc;
    }
    uint32_t id = 0;
    PtpResult rc;
    {
        CommsOwnSharePrefix own; // the prefix above is this command's only one
        rc = PtpTransaction_SendCommand(op, params, paramCount, nullptr, 0, &id);
    }
    if (rc != PtpResult_Ok) return rc;
    if (!wantData) return PtpTransaction_ReceiveResponse(id, respParam);
    rc = PtpTransaction_ReceiveData(dataIn, dataInLen, id, respParam);
    // When the data goes to the other clients only, the hub may have nothing at
    // all to give this one: that is the expected answer, not a failure.
    if (rc == PtpResult_RelayNoResponse && mode == kShareModeOthersOnly) return PtpResult_Ok;
    return rc;
}
