// The relay link's PTP transport: the default callbacks of the transaction
// engine. PTP containers travel in RelayMessages of type 10.
#pragma once

#include <cstdint>
#include <vector>

#include "ptp_result.h"

// Sends the command (and data-out) containers in one type-10 message. When the
// share lookup knows the command's operation code, a share prefix carrying its
// entry goes out first, in the same send. Borrows buf for the call only. Called
// with the relay link lock held. PtpResult_OutOfMemory when the entry cannot be
// copied (nothing sent).
PtpResult Comms_SendPtpPacket(const uint8_t* buf, uint32_t len);

// The share prefix the default send puts ahead of a command: mode, record kind
// and the record (may be empty).
struct CommsShareEntry {
    uint8_t mode = 0;
    uint8_t kind = 0;
    std::vector<uint8_t> record;
};
// Fills *out with the sharing entry of op and returns true, or returns false
// when op has none. May throw std::bad_alloc.
using CommsShareLookupFn = bool (*)(uint16_t op, CommsShareEntry* out);
// Installs the lookup the default send consults (null: none). The sharing
// table installs it; comms/ knows nothing above itself.
void Comms_SetShareLookup(CommsShareLookupFn lookup);

// While one lives, default sends on the calling thread skip the lookup: the
// caller sends its own share prefix ahead of the command, and a second one
// would announce a message that never follows.
struct CommsOwnSharePrefix {
    CommsOwnSharePrefix();
    ~CommsOwnSharePrefix();
    CommsOwnSharePrefix(const CommsOwnSharePrefix&) = delete;
    CommsOwnSharePrefix& operator=(const CommsOwnSharePrefix&) = delete;
};

// Receives one container. Out: *buf, owned by the caller, holds the container
// (header removed); its length field is checked against the bytes received.
// A control reply of result 0 gives PtpResult_RelayNoResponse.
PtpResult Comms_ReceivePtpPacket(uint8_t** buf);

// The same checks, with the container's 12-byte header copied to header and
// its payload left at the start of a buffer of its own, so a large data phase
// reaches the caller without being moved. Out: *payload (malloc'd, owned by the
// caller, never null on success) holds at least the container's length less
// its header.
PtpResult Comms_ReceivePtpContainer(uint8_t* header, uint8_t** payload);

// Takes (1) or releases (0) the relay link lock for one transaction: 1 on
// success, -1 when the lock cannot be taken.
int32_t Comms_LockRelayLink(uint8_t acquire);

// Asks the Tetherhub for the camera's pending event data (control code 130).
// Out: *data (owned by the caller) and *length, or null and 0 when none.
PtpResult Comms_ReadEventData(uint8_t** data, uint32_t* length, uint8_t wait);
