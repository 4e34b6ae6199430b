// Faults by name: the parser of tetherhub-sim's --fault values, and the
// standing faults they set (stall, trickle, cut, garbage, unplug) applied to
// each reply. busy and drop-event reuse the scripted busy fault and the event
// queue's own drop.
#include "sim_internal.h"

#include "comms/bytes.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr uint8_t kMsgPtp = 10;
constexpr size_t kHeaderSize = 5;
// A garbage reply's body: 12 to 75 random bytes, so it may look like the
// header of a PTP container but never holds a valid one for the request.
constexpr uint32_t kGarbageMin = 12;
constexpr uint32_t kGarbageSpread = 64;
// A trickled reply goes out in pieces about this often.
constexpr uint32_t kTricklePiecesPerSecond = 20;

enum ArgRule : uint8_t { Arg_Required, Arg_Optional };

struct FaultRow {
    const char* name;
    SimFaultOptionKind kind;
    ArgRule rule;
    uint32_t min, max, default_value;
    const char* unit; // for the error line
};

const FaultRow kFaultRows[] = {
    {"close", SimFaultOption_Close, Arg_Required, 0, UINT32_MAX, 0, "bytes"},
    {"stall", SimFaultOption_Stall, Arg_Required, 1, 600000, 0, "milliseconds"},
    {"trickle", SimFaultOption_Trickle, Arg_Required, 1, 1000000000, 0, "bytes per second"},
    {"garbage", SimFaultOption_Garbage, Arg_Optional, 1, 1000000, 1, "replies"},
    {"busy", SimFaultOption_Busy, Arg_Required, 1, 1000000, 0, "commands"},
    {"unplug", SimFaultOption_Unplug, Arg_Required, 0, 86400, 0, "seconds"},
    {"drop-event", SimFaultOption_DropEvent, Arg_Required, 1, UINT32_MAX, 0, "events"},
};

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// Decimal digits only: no sign, no spaces, no hex.
bool parse_u32(const char* text, uint32_t* out) {
    if (!*text) return false;
    uint64_t v = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + uint64_t(*p - '0');
        if (v > UINT32_MAX) return false;
    }
    *out = uint32_t(v);
    return true;
}

uint64_t next_random(uint64_t* state) { // xorshift64
    uint64_t x = *state;
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return *state = x;
}


} // namespace

const char kSimFaultOptionHelp[] =
    "  --fault KIND[:ARG]  misbehave on purpose (repeatable):\n"
    "    close:N         cut each connection once it has been sent N bytes of replies\n"
    "    stall:MS        every reply waits MS milliseconds\n"
    "    trickle:RATE    every reply goes out at RATE bytes per second\n"
    "    garbage[:N]     the next N replies (default 1) are random bytes\n"
    "    busy:N          the next N PTP commands are answered Device Busy (0x2019)\n"
    "    unplug:SECONDS  after SECONDS the camera is gone: PTP commands and event polls\n"
    "                    are refused (0x2002), the hub reports no camera attached\n"
    "    drop-event:N    the Nth camera event is never reported\n";

bool SimFaultOption_Parse(const char* text, SimFaultOption* out, std::string* error) {
    if (!text || !out) return fail(error, "no fault given");
    const char* colon = std::strchr(text, ':');
    const size_t name_len = colon ? size_t(colon - text) : std::strlen(text);
    for (const FaultRow& row : kFaultRows) {
        if (std::strlen(row.name) != name_len || std::strncmp(row.name, text, name_len) != 0)
            continue;
        uint32_t v = row.default_value;
        if (!colon && row.rule == Arg_Required)
            return fail(error, std::string("needs :N (") + row.unit + ")");
        if (colon && (!parse_u32(colon + 1, &v) || v < row.min || v > row.max))
            return fail(error, std::string(row.unit) + " from " + std::to_string(row.min) + " to " +
                                   std::to_string(row.max));
        out->kind = row.kind;
        out->value = v;
        return true;
    }
    return fail(error, "unknown kind (close, stall, trickle, garbage, busy, unplug, drop-event)");
}

void SimHub_ApplyFaultOption(SimHub* hub, const SimFaultOption& fault) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    SimLinkFaults& f = hub->link_faults;
    switch (fault.kind) {
    case SimFaultOption_Close: f.close_after = fault.value; break;
    case SimFaultOption_Stall: f.stall_millis = fault.value; break;
    case SimFaultOption_Trickle: f.trickle_rate = fault.value; break;
    case SimFaultOption_Garbage:
        f.garbage_left =
            uint32_t(std::min<uint64_t>(UINT32_MAX, uint64_t(f.garbage_left) + fault.value));
        break;
    case SimFaultOption_Busy: {
        SimFault busy;
        busy.kind = SimFault_Busy;
        busy.count = fault.value;
        hub->faults.push_back(busy);
        break;
    }
    case SimFaultOption_Unplug:
        f.unplug = true;
        f.unplug_at = std::chrono::steady_clock::now() + std::chrono::seconds(fault.value);
        break;
    case SimFaultOption_DropEvent:
        hub->camera.drop_events.push_back(hub->camera.events_counted + fault.value);
        break;
    }
}

void SimFaults_CheckUnplug(SimHub* hub) {
    SimLinkFaults& f = hub->link_faults;
    if (!f.unplug || std::chrono::steady_clock::now() < f.unplug_at) return;
    hub->camera.unplugged = true;
    hub->camera.attached = false;
}

void SimFaults_Shape(SimHub* hub, SimReply* reply) {
    SimLinkFaults& f = hub->link_faults;
    reply->stall_millis += f.stall_millis;
    reply->trickle_rate = f.trickle_rate;
    reply->close_after = f.close_after;
    if (f.garbage_left == 0 || (reply->bytes.empty() && !reply->bulk.owner)) return;
    --f.garbage_left;
    const uint32_t n = kGarbageMin + uint32_t(next_random(&f.garbage_state) % kGarbageSpread);
    ByteWriter w;
    write_u32(w, uint32_t(kHeaderSize + n));
    write_u8(w, kMsgPtp);
    for (uint32_t i = 0; i < n; ++i)
        write_u8(w, uint8_t(next_random(&f.garbage_state)));
    reply->bytes.swap(w.buf);
    reply->bulk = SimSlice{};
    reply->bulk_at = 0;
}

bool SimFaults_SendShaped(SimClient* client, const SimReply& reply) {
    const uint8_t* data = reply.bulk.owner ? reply.bulk.owner->data() + reply.bulk.offset : nullptr;
    const size_t at = reply.bulk.owner ? reply.bulk_at : reply.bytes.size();
    struct Piece {
        const uint8_t* p;
        size_t n;
    } pieces[3] = {{reply.bytes.data(), at},
                   {data, reply.bulk.owner ? reply.bulk.len : 0},
                   {reply.bytes.data() + at, reply.bytes.size() - at}};
    const size_t step = reply.trickle_rate
                            ? std::max<size_t>(1, reply.trickle_rate / kTricklePiecesPerSecond)
                            : SIZE_MAX;
    // The whole reply holds the socket, so nothing else is sent inside it; the
    // hub lock is not taken here (its order is before send_lock). SimHub_Stop
    // shuts the socket down, which ends the next send at once.
    std::lock_guard<std::mutex> send_guard(client->send_lock);
    for (const Piece& piece : pieces) {
        for (size_t done = 0; done < piece.n;) {
            const uint64_t room = reply.close_after > client->reply_bytes
                                      ? reply.close_after - client->reply_bytes
                                      : 0;
            if (room == 0) return false;
            size_t n = std::min<size_t>(
                {piece.n - done, step, size_t(std::min<uint64_t>(room, SIZE_MAX))});
            if (!SimSendAll(client->fd, piece.p + done, n)) return false;
            done += n;
            client->reply_bytes += n;
            if (reply.trickle_rate)
                std::this_thread::sleep_for(
                    std::chrono::milliseconds(uint64_t(n) * 1000 / reply.trickle_rate));
        }
    }
    return client->reply_bytes < reply.close_after;
}
