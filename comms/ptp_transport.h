// The relay link's PTP transport: the default callbacks of the transaction
// engine. PTP containers travel in RelayMessages of type 10.
#pragma once

#include <cstdint>

#include "ptp_result.h"

// Sends the command (and data-out) containers in one type-10 message. Borrows
// buf for the call only. Called with the relay link lock held.
PtpResult Comms_SendPtpPacket(const uint8_t* buf, uint32_t len);

// Receives one container. Out: *buf, owned by the caller, holds the container
// (header removed); its length field is checked against the bytes received.
// A control reply of result 0 gives PtpResult_RelayNoResponse.
PtpResult Comms_ReceivePtpPacket(uint8_t** buf);

// Takes (1) or releases (0) the relay link lock for one transaction: 1 on
// success, -1 when the lock cannot be taken.
int32_t Comms_LockRelayLink(uint8_t acquire);

// Asks the Tetherhub for the camera's pending event data (control code 130).
// Out: *data (owned by the caller) and *length, or null and 0 when none.
PtpResult Comms_ReadEventData(uint8_t** data, uint32_t* length, uint8_t wait);
