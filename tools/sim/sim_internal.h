// The hub's state, shared by the server (sim_hub.cpp) and the request handler
// (sim_relay.cpp). Not part of the sim's API.
#pragma once

#include "sim_camera.h"
#include "sim_hub.h"
#include "sim_sd_card.h"
#include "sim_services.h"
#include "sim_tripod.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One accepted connection. The client's own thread is the only one that closes
// fd; others may only shut it down or send on it, and only under the hub lock,
// so the descriptor number is never reused under them.
struct SimClient {
    int fd = -1;          // written under the hub lock
    bool done = false;    // guarded by the hub lock; the thread has ended its work
    std::mutex send_lock; // one message at a time on the socket (replies and SendOob)
    std::thread thread;
    uint32_t id = 0;  // 1, 2, ... in order of connection, never reused
    std::string name; // guarded by the hub lock: what the client called itself (control 160)
    // Other clients' shared results waiting for this one, sent in order by the
    // sender thread (sim_sharing.cpp), so a client that reads slowly never
    // holds up the one that shares. The client's thread joins the sender
    // before it closes fd.
    std::mutex outbox_lock;
    std::condition_variable outbox_cv;
    std::deque<std::shared_ptr<const std::vector<uint8_t>>> outbox; // guarded by outbox_lock
    size_t outbox_bytes = 0;                                        // guarded by outbox_lock
    bool closing = false;                                           // guarded by outbox_lock
    std::thread sender;
    uint64_t reply_bytes = 0; // reply bytes sent so far; only the client's thread touches it
};

// The standing faults set by name (SimHub_ApplyFaultOption, sim_faults.cpp).
struct SimLinkFaults {
    uint64_t close_after = UINT64_MAX; // reply bytes a connection gets before it is cut
    uint32_t stall_millis = 0;
    uint32_t trickle_rate = 0;                      // bytes per second; 0: replies go out whole
    uint32_t garbage_left = 0;                      // replies still to replace with random bytes
    uint64_t garbage_state = 0x9E3779B97F4A7C15ull; // the generator's state: same bytes each run
    bool unplug = false;
    std::chrono::steady_clock::time_point unplug_at;
};

struct SimHub {
    int listen_fd = -1;
    int wake_fd[2] = {-1, -1}; // a pipe that wakes the accept thread for SimHub_Stop
    uint16_t port = 0;
    std::thread accept_thread;

    // Lock order: lock, then a client's send_lock.
    mutable std::mutex lock;
    std::condition_variable stop_cv;                 // wakes stalled replies on stop
    bool stopping = false;                           // guarded by lock
    std::vector<std::unique_ptr<SimClient>> clients; // guarded by lock
    std::deque<SimFault> faults;                     // guarded by lock
    SimStats stats;                                  // guarded by lock
    SimCameraState camera;                           // guarded by lock
    SimSdCard sd;                                    // guarded by lock
    SimServices services;                            // guarded by lock
    SimTripod tripod;                                // guarded by lock
    SimLinkFaults link_faults;                       // guarded by lock
    // Sharing (sim_sharing.cpp): the hub's switch and whether the other
    // clients may save what they receive; both guarded by lock.
    bool sharing = false;
    uint8_t clients_can_save = 1;
    uint32_t next_client_id = 1;  // guarded by lock
    SimClient* serving = nullptr; // guarded by lock: whose request is being handled
};

// What to do with one request from a client.
struct SimReply {
    std::vector<uint8_t> bytes; // whole messages to send, in order (may be empty)
    // Object data answered from the camera's stored bytes: when it has an owner,
    // these bytes go out between bytes[0, bulk_at) and bytes[bulk_at, end), so a
    // large object is sent without being copied into the reply.
    SimSlice bulk;
    size_t bulk_at = 0;
    uint32_t stall_millis = 0; // wait this long before sending
    bool close = false;        // close the connection instead of sending
    // Standing faults (SimLinkFaults): how fast the reply goes out (0: whole)
    // and the reply bytes after which the connection is cut.
    uint32_t trickle_rate = 0;
    uint64_t close_after = UINT64_MAX;
};

// Sends all n bytes, resuming after partial sends and EINTR (MSG_NOSIGNAL:
// a closed peer gives false, never SIGPIPE).
bool SimSendAll(int fd, const uint8_t* p, size_t n);

// Applies the standing faults to a reply built for the request being served:
// stall, trickle and cut as set, garbage in place of it, and the camera taken
// away once its unplug time has come. The caller holds the hub lock.
void SimFaults_Shape(SimHub* hub, SimReply* reply);

// Marks the camera gone when an unplug fault is due. The caller holds the hub lock.
void SimFaults_CheckUnplug(SimHub* hub);

// Sends a reply with its trickle rate and the client's cut-off (SimReply),
// holding the client's send_lock throughout (out-of-band and shared messages
// to that client wait for a trickled reply). False when the connection is to
// be closed.
bool SimFaults_SendShaped(SimClient* client, const SimReply& reply);

// Handles one whole message (header included) of type 5, 10 or 12, or any
// other type, which gets a control reply refusing it. Takes the hub lock.
// `from` (may be null) is the client that sent it: its events and its name.
void SimRelay_HandleMessage(SimHub* hub, const uint8_t* msg, size_t len, SimReply* reply,
                            SimClient* from = nullptr);

// Records a share prefix (type 15): mode, record kind and record bytes.
void SimRelay_NoteSharePrefix(SimHub* hub, uint8_t mode, uint8_t kind, std::vector<uint8_t> record);
