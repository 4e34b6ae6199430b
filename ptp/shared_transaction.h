// One PTP transaction whose result the Tetherhub passes on to its other
// clients: the share prefix and the command go out under one hold of the
// transaction lock and the relay link lock, so the prefix announces exactly
// this command and no other transaction can pick it up.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Share modes and record kinds of a share prefix.
constexpr uint8_t kShareModeOthersOnly = 0xA0;  // the result goes to the other clients only
constexpr uint8_t kShareModeOthersAndMe = 0xA1; // to the others and back to this client
constexpr uint8_t kShareKindWholeObject = 0xB0; // object record; the data is a whole object

// Runs op with its parameters (no data-out phase) as one blocking transaction,
// preceded by a share prefix of mode and kind carrying record (recordLength
// bytes, may be 0) that announces the relay message of the command. The data-in
// phase is accepted when dataIn and dataInLen are given; *respParam receives the
// first response parameter when given.
//
// Sharing needs the relay link's own transport (send callback and link lock):
// with a host transport the prefix could not travel next to the command, so the
// transaction runs unshared. Results as PtpTransaction_Execute (no busy retry),
// plus the prefix's PtpResult_ConnectionLost; under mode 0xA0 a hub that has no
// container for this client (PtpResult_RelayNoResponse) gives PtpResult_Ok. Out: *dataIn (malloc'd,
// owned by the caller) as PtpTransaction_Execute. Borrows params and record.
PtpResult PtpTransaction_ExecuteShared(uint16_t op, const uint32_t* params, uint32_t paramCount,
                                       uint8_t mode, uint8_t kind, const uint8_t* record,
                                       uint32_t recordLength, uint8_t** dataIn, uint32_t* dataInLen,
                                       uint32_t* respParam);
