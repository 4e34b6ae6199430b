// Sharing between the hub's clients. A share prefix (type 15) travels just
// ahead of a request; when the hub's sharing is on, the request's result goes
// to every other connected client as two unsolicited messages, back to back:
//   1. the prefix, framed on its own: u32 total (15 + r), u8 15, u32 inner
//      length (r + 10), u8 share mode, u8 record kind, u32 r, r record bytes;
//   2. the result, byte for byte as the requester receives it: the type-10
//      data container of a PTP command, or the type-13 control reply of a
//      hub request (SD-card files, parts, extracted JPEGs).
// Only successful results travel. Mode 0xA0 gives the requester of a PTP
// command a control reply of result 0 in place of its data and response (the
// data went to the others only); 0xA1 answers it as usual; 0xA2 is a push of
// the client's own data (a control message whose payload is a JPEG): the hub
// answers it with 0x2001 and no data, and the others receive the payload in a
// control reply of result 0x2001. With sharing off prefixes are read and
// ignored.
//
// Control codes: 112 sharing on (payload byte non-zero) or off; 210 off; 209
// the state as one byte; 129 whether the others may save (stored); 144 the
// connected clients' names separated by ';' (text without a NUL; an unnamed
// client is "client N"); 160 this client's name (NUL-terminated).
#pragma once

#include "comms/bytes.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SimHub;
struct SimClient;
struct SimReply;

struct SimSharePrefix {
    bool present = false;
    uint8_t mode = 0;
    uint8_t kind = 0;
    std::vector<uint8_t> record;
};

// Serves one request (whole message) that came after a share prefix.
void SimSharing_Serve(SimHub* hub, SimClient* from, const SimSharePrefix& prefix,
                      const uint8_t* msg, size_t len, SimReply* reply);

// The client's sender thread, started after accept (false when it cannot be)
// and stopped before its socket closes.
bool SimSharing_StartSender(SimClient* client);
void SimSharing_StopSender(SimClient* client);

// Control handlers (the hub lock is held).
uint16_t SimSharing_Toggle(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSharing_Disable(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSharing_IsEnabled(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSharing_ClientsCanSave(SimHub* hub, const uint8_t* payload, size_t n,
                                   ByteWriter& data);
uint16_t SimSharing_ClientsString(SimHub* hub, const uint8_t* payload, size_t n,
                                  ByteWriter& data);
uint16_t SimSharing_ClientName(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
