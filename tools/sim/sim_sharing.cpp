// Passing a client's shared results on to the hub's other clients, and the
// hub's sharing switches (the wire layout is in sim_sharing.h).
#include "sim_sharing.h"

#include "sim_internal.h"

#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr size_t kHeaderSize = 5;
constexpr uint8_t kMsgPtp = 10;
constexpr uint8_t kMsgControl = 12;
constexpr uint8_t kMsgControlReply = 13;
constexpr uint8_t kMsgSharePrefix = 15;
constexpr uint16_t kContainerData = 2;
constexpr uint16_t kResultOk = 0x2001;
constexpr uint16_t kResultMalformed = 0x201D;
constexpr uint16_t kNoResponse = 0; // nothing comes in place of the data and response

constexpr uint8_t kModeOthersOnly = 0xA0;
constexpr uint8_t kModeOthersAndBack = 0xA1;
constexpr uint8_t kModeOwnData = 0xA2;
constexpr size_t kMaxNameSize = 200;
// A client that reads far slower than results are shared misses the ones
// beyond this much waiting data rather than growing the hub without bound.
constexpr size_t kMaxOutboxBytes = size_t(256) << 20;

std::vector<uint8_t> control_reply(uint16_t result, const uint8_t* data, size_t n) {
    ByteWriter w;
    write_u32(w, uint32_t(12 + n));
    write_u8(w, kMsgControlReply);
    write_u32(w, uint32_t(n + 7));
    write_u8(w, 0);
    write_u16(w, result);
    write_bytes(w, data, n);
    return std::move(w.buf);
}

// The reply's bytes with a bulk object's data in its place.
std::vector<uint8_t> whole_reply(const SimReply& reply) {
    if (!reply.bulk.owner) return reply.bytes;
    std::vector<uint8_t> all(reply.bytes.begin(), reply.bytes.begin() + long(reply.bulk_at));
    const uint8_t* data = reply.bulk.owner->data() + reply.bulk.offset;
    all.insert(all.end(), data, data + reply.bulk.len);
    all.insert(all.end(), reply.bytes.begin() + long(reply.bulk_at), reply.bytes.end());
    return all;
}

// The message of the reply that is the request's result: the data container
// of a PTP command, or a successful control reply. Empty when there is none.
std::vector<uint8_t> result_message(uint8_t request_type, const std::vector<uint8_t>& all) {
    ByteReader r = make_reader(all.data(), all.size());
    while (bytes_left(r) >= kHeaderSize) {
        const size_t at = r.pos;
        uint32_t total = read_u32(r);
        uint8_t type = read_u8(r);
        if (total < kHeaderSize || total - kHeaderSize > bytes_left(r)) break;
        ByteReader body = make_reader(all.data() + r.pos, total - kHeaderSize);
        skip(r, total - kHeaderSize);
        bool result = false;
        if (request_type == kMsgPtp && type == kMsgPtp) {
            skip(body, 4);
            result = read_u16(body) == kContainerData && body.ok;
        } else if (request_type == kMsgControl && type == kMsgControlReply) {
            skip(body, 5);
            result = read_u16(body) == kResultOk && body.ok;
        }
        if (result) return std::vector<uint8_t>(all.begin() + long(at), all.begin() + long(r.pos));
    }
    return {};
}


void sender_loop(SimClient* c) {
    for (;;) {
        std::shared_ptr<const std::vector<uint8_t>> m;
        {
            std::unique_lock<std::mutex> lk(c->outbox_lock);
            c->outbox_cv.wait(lk, [c] { return c->closing || !c->outbox.empty(); });
            if (c->closing) return;
            m = std::move(c->outbox.front());
            c->outbox.pop_front();
            c->outbox_bytes -= m->size();
        }
        std::lock_guard<std::mutex> send_guard(c->send_lock);
        if (!SimSendAll(c->fd, m->data(), m->size())) {
            std::lock_guard<std::mutex> lk(c->outbox_lock);
            c->closing = true; // the client is gone; its thread ends it
            c->outbox.clear();
            c->outbox_bytes = 0;
            return;
        }
    }
}

// Queues the prefix and the result for every client but `from`.
void pass_on(SimHub* hub, SimClient* from, const SimSharePrefix& prefix,
             const std::vector<uint8_t>& result) {
    ByteWriter w;
    write_u32(w, uint32_t(15 + prefix.record.size()));
    write_u8(w, kMsgSharePrefix);
    write_u32(w, uint32_t(prefix.record.size() + 10));
    write_u8(w, prefix.mode);
    write_u8(w, prefix.kind);
    write_u32(w, uint32_t(prefix.record.size()));
    write_bytes(w, prefix.record.data(), prefix.record.size());
    write_bytes(w, result.data(), result.size());
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(w.buf));

    std::lock_guard<std::mutex> guard(hub->lock);
    if (!hub->sharing) return;
    for (auto& c : hub->clients) {
        if (c.get() == from || c->done || c->fd < 0) continue;
        std::lock_guard<std::mutex> lk(c->outbox_lock);
        if (c->closing || c->outbox_bytes + shared->size() > kMaxOutboxBytes) continue;
        c->outbox.push_back(shared);
        c->outbox_bytes += shared->size();
        c->outbox_cv.notify_one();
        ++hub->stats.shared_messages;
    }
}

} // namespace

void SimSharing_Serve(SimHub* hub, SimClient* from, const SimSharePrefix& prefix,
                      const uint8_t* msg, size_t len, SimReply* reply) {
    std::vector<uint8_t> result;
    if (prefix.mode == kModeOwnData) {
        *reply = SimReply{};
        ByteReader r = make_reader(msg, len);
        skip(r, kHeaderSize);
        read_u32(r);
        const uint8_t code = read_u8(r); // a push is a push whatever its code
        if (!r.ok || len < kHeaderSize || msg[4] != kMsgControl) {
            reply->bytes = control_reply(kResultMalformed, nullptr, 0);
            return;
        }
        {
            std::lock_guard<std::mutex> guard(hub->lock);
            ++hub->stats.control_requests[code];
            hub->stats.last_control_code = code;
        }
        result = control_reply(kResultOk, msg + r.pos, bytes_left(r));
        reply->bytes = control_reply(kResultOk, nullptr, 0);
    } else {
        SimRelay_HandleMessage(hub, msg, len, reply, from);
        if (reply->close || len < kHeaderSize) return;
        result = result_message(msg[4], whole_reply(*reply));
        if (!result.empty() && prefix.mode == kModeOthersOnly && msg[4] == kMsgPtp) {
            reply->bytes = control_reply(kNoResponse, nullptr, 0);
            reply->bulk = SimSlice{};
        }
    }
    bool to_others = prefix.mode == kModeOthersOnly || prefix.mode == kModeOthersAndBack ||
                     prefix.mode == kModeOwnData;
    if (to_others && !result.empty()) pass_on(hub, from, prefix, result);
}

bool SimSharing_StartSender(SimClient* client) {
    try {
        client->sender = std::thread(sender_loop, client);
        return true;
    } catch (...) { // std::system_error: the client simply receives no shares
        return false;
    }
}

void SimSharing_StopSender(SimClient* client) {
    {
        std::lock_guard<std::mutex> lk(client->outbox_lock);
        client->closing = true;
        client->outbox.clear();
        client->outbox_bytes = 0;
    }
    client->outbox_cv.notify_all();
    if (client->sender.joinable()) client->sender.join();
}

uint16_t SimSharing_Toggle(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    if (n < 1) return kResultMalformed;
    hub->sharing = payload[0] != 0;
    return kResultOk;
}

uint16_t SimSharing_Disable(SimHub* hub, const uint8_t*, size_t, ByteWriter&) {
    hub->sharing = false;
    return kResultOk;
}

uint16_t SimSharing_IsEnabled(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    write_u8(data, hub->sharing ? 1 : 0);
    return kResultOk;
}

uint16_t SimSharing_ClientsCanSave(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    if (n < 1) return kResultMalformed;
    hub->clients_can_save = payload[0];
    return kResultOk;
}

uint16_t SimSharing_ClientsString(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    std::string text;
    for (auto& c : hub->clients) {
        if (c->done) continue;
        if (!text.empty()) text += ';';
        text += c->name.empty() ? "client " + std::to_string(c->id) : c->name;
    }
    write_bytes(data, text.data(), text.size());
    return kResultOk;
}

uint16_t SimSharing_ClientName(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    const void* nul = n ? std::memchr(payload, 0, n) : nullptr;
    if (!nul || !hub->serving) return kResultMalformed;
    size_t len = size_t(static_cast<const uint8_t*>(nul) - payload);
    if (len >= kMaxNameSize) return kResultMalformed;
    hub->serving->name.assign(reinterpret_cast<const char*>(payload), len);
    return kResultOk;
}
