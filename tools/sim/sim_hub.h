// The virtual Tetherhub: a TCP server on loopback that speaks the relay protocol
// and emulates the hub and one camera behind it. Integration tests start it
// in-process on port 0; the tetherhub-sim binary serves it standalone.
//
// The camera is a row of facts (sim_models.cpp); its PTP operations are a table
// (sim_camera.cpp). Faults are scripted ahead of the requests they hit, so
// every run of a test sees the same exchange.
//
// Threads: one accept thread and one thread per client. Every function here may
// be called from any thread while the hub runs; none may be called after
// SimHub_Stop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SimHub;

struct SimOptions {
    const char* camera = "canon";   // canon | nikon | sony | fuji
    uint16_t port = 0;              // 0: an ephemeral port, read back with SimHub_Port
    const char* bind = "127.0.0.1"; // numeric IPv4 address
};

// Starts listening and serving. Returns null when the camera name is unknown,
// the bind address is not a numeric IPv4 address, or the socket cannot be
// bound. The hub belongs to the caller, who ends it with SimHub_Stop.
SimHub* SimHub_Start(const SimOptions& options);

// The port the hub listens on (the one chosen by the system when 0 was asked).
uint16_t SimHub_Port(const SimHub* hub);

// Closes the listener and every client connection, joins all threads and frees
// the hub. Null is ignored. Must not be called from a hub thread.
void SimHub_Stop(SimHub* hub);

// Scripted faults. Each fault waits in a queue until a request it applies to
// arrives, hits `count` such requests (0 counts as 1), then leaves the queue.
// Queued faults of the same kind are used one after the other; faults of
// different kinds may hit the same request. Per request the order is: Stall,
// then CloseConnection, then RawReply or ShortHeader (which replace the whole
// reply, RawReply first), else the PTP faults; OobBeforeReply goes in front of
// whatever reply is sent.
enum SimFaultKind : int {
    SimFault_CloseConnection,   // any request: close the client socket without replying
    SimFault_Stall,             // any request: wait `millis` before replying
    SimFault_ShortHeader,       // any request: the reply is only a 5-byte header of type 13
                                // announcing `value` bytes (meant for values below 5)
    SimFault_Busy,              // PTP commands: answer with response `value` (0 means
                                // 0x2019 Device Busy; 0xA102 is the vendor busy code) and
                                // no data; the command has no effect on the camera
    SimFault_NoResponse,        // PTP commands: send the data container as usual, then in
                                // place of the response container a control reply (type 13)
                                // whose result is 0
    SimFault_NoResponseForData, // data-in PTP commands that succeed: the whole answer is one
                                // control reply whose result is 0 (no data, no response)
    SimFault_OobBeforeReply,    // any request that gets a reply: send an out-of-band notice
                                // of type `value` (0 means 16) before it; the body is
                                // `bytes`, or the 4 bytes "oob\0" when empty
    SimFault_RawReply,          // any request: the reply is exactly `bytes`
};

struct SimFault {
    SimFaultKind kind = SimFault_CloseConnection;
    uint32_t count = 1;
    uint32_t value = 0;
    uint32_t millis = 0;
    std::vector<uint8_t> bytes;
};

// Queues a fault (copied) for upcoming requests on any client.
void SimHub_InjectFault(SimHub* hub, const SimFault& fault);

// Drops every fault still queued.
void SimHub_ClearFaults(SimHub* hub);

// Sends a message of the given type with n bytes of body (borrowed for the
// call) to every connected client at once, outside any exchange. Out-of-band
// notices use types 16 and up. Returns the number of clients it was sent to.
uint32_t SimHub_SendOob(SimHub* hub, uint8_t type, const uint8_t* body, uint32_t n);

// Replaces the DeviceInfo data set that GetDeviceInfo returns with raw bytes,
// sent as given (for hostile or truncated data sets). An empty vector restores
// the one built from the camera's facts. The camera's own facts (operations it
// answers, control 215 model text) do not change.
void SimHub_SetDeviceInfo(SimHub* hub, const std::vector<uint8_t>& raw);

// What control code 16 reports: whether a camera is attached (initially true).
void SimHub_SetCameraAttached(SimHub* hub, bool attached);

// Appends bytes to the camera's pending event data. The next control request
// 130 takes all pending bytes as its reply data.
void SimHub_PushEventData(SimHub* hub, const std::vector<uint8_t>& raw);

// How many PTP commands the history in SimStats keeps (the most recent ones).
constexpr size_t kSimStatsHistory = 1024;

// Counters since SimHub_Start (or the last SimHub_ResetStats). PTP commands
// include those inside repeated-command messages (type 5), counted once per
// message.
struct SimStats {
    uint32_t connections_accepted = 0;
    uint32_t connections_open = 0;
    uint32_t control_requests[256] = {}; // by control code
    uint32_t share_prefixes = 0;
    uint32_t repeated_commands = 0; // type-5 messages
    uint32_t ptp_commands = 0;
    uint32_t pending_faults = 0; // faults still queued (not a counter)

    uint16_t last_operation = 0;
    uint32_t last_transaction_id = 0;
    std::vector<uint32_t> last_params;     // parameters of the last PTP command
    std::vector<uint8_t> last_data_out;    // data phase of the last PTP command (empty if none)
    std::vector<uint16_t> operations;      // recent operation codes, oldest first
    std::vector<uint32_t> transaction_ids; // their transaction ids, same order
    uint16_t last_repeat_count = 0;        // repeat count of the last type-5 message

    uint8_t last_control_code = 0;
    std::vector<uint8_t> last_control_payload;

    uint8_t last_share_mode = 0;
    uint8_t last_share_kind = 0;
    std::vector<uint8_t> last_share_record;
};

// A snapshot of the counters.
SimStats SimHub_Stats(const SimHub* hub);

// Zeroes the counters and history (connections_open and pending_faults stay true).
void SimHub_ResetStats(SimHub* hub);
