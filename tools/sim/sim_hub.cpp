// The hub's server side: listener, accept thread, one thread per client reading
// whole relay messages, and the public API. What a request means and what it is
// answered with is sim_relay.cpp's job.
#include "sim_internal.h"

#include "sim_events.h"
#include "sim_pictures.h"
#include "sim_properties.h"
#include "sim_sharing.h"
#include "sim_storage.h"
#include "sim_vendor.h"

#include "comms/bytes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <new>

namespace {

constexpr size_t kHeaderSize = 5;
constexpr uint8_t kMsgSharePrefix = 15;
// Inner length, share mode, record kind and record length follow a prefix's header.
constexpr size_t kSharePrefixFields = 10;
// No real request comes near this; a client announcing more is treated as
// hostile and dropped rather than allowed to make the sim allocate it.
constexpr uint32_t kMaxMessageSize = 64u << 20;
// Bounds a send to a client that stopped reading, so SimHub_SendOob and
// SimHub_Stop cannot hang on it for ever.
constexpr int kSendTimeoutSeconds = 10;
constexpr int kListenBacklog = 16;

bool recv_exact(int fd, uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = recv(fd, p, n, 0);
        if (k > 0) {
            p += k;
            n -= size_t(k);
        } else if (k < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}


// Sends the pieces in order, resuming after partial sends.
bool send_pieces(int fd, iovec* iov, int n) {
    for (;;) {
        while (n > 0 && iov->iov_len == 0) {
            ++iov;
            --n;
        }
        if (n == 0) return true;
        msghdr mh{};
        mh.msg_iov = iov;
        mh.msg_iovlen = size_t(n);
        ssize_t k = sendmsg(fd, &mh, MSG_NOSIGNAL);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) return false;
        size_t done = size_t(k);
        while (n > 0 && done >= iov->iov_len) {
            done -= iov->iov_len;
            ++iov;
            --n;
        }
        if (n > 0) {
            iov->iov_base = static_cast<uint8_t*>(iov->iov_base) + done;
            iov->iov_len -= done;
        }
    }
}

// A reply's bytes, with the object data of a bulk reply in its place.
bool send_reply(int fd, const SimReply& reply) {
    if (!reply.bulk.owner) return SimSendAll(fd, reply.bytes.data(), reply.bytes.size());
    uint8_t* head = const_cast<uint8_t*>(reply.bytes.data());
    const uint8_t* data = reply.bulk.owner->data() + reply.bulk.offset;
    iovec iov[3] = {
        {head, reply.bulk_at},
        {const_cast<uint8_t*>(data), reply.bulk.len},
        {head + reply.bulk_at, reply.bytes.size() - reply.bulk_at},
    };
    return send_pieces(fd, iov, 3);
}

// Sleeps for a stalled reply, waking at once when the hub stops.
void stall(SimHub* hub, uint32_t millis) {
    std::unique_lock<std::mutex> lk(hub->lock);
    hub->stop_cv.wait_for(lk, std::chrono::milliseconds(millis), [hub] { return hub->stopping; });
}

// A share prefix is 15 + r bytes on the wire although its length field also
// counts the message it announces; that message follows with a header of its
// own and is served as usual, its result shared as the prefix asks.
bool read_share_prefix(SimHub* hub, int fd, uint32_t total, SimSharePrefix* prefix) {
    uint8_t fields[kSharePrefixFields];
    if (total < kHeaderSize + kSharePrefixFields) return false;
    if (!recv_exact(fd, fields, sizeof fields)) return false;
    ByteReader r = make_reader(fields, sizeof fields);
    read_u32(r); // inner length: two conventions exist, neither is needed here
    uint8_t mode = read_u8(r);
    uint8_t kind = read_u8(r);
    uint32_t record_len = read_u32(r);
    if (!r.ok || record_len > total - kHeaderSize - kSharePrefixFields) return false;
    std::vector<uint8_t> record(record_len);
    if (record_len > 0 && !recv_exact(fd, record.data(), record_len)) return false;
    prefix->present = true;
    prefix->mode = mode;
    prefix->kind = kind;
    prefix->record = record;
    SimRelay_NoteSharePrefix(hub, mode, kind, std::move(record));
    return true;
}

void serve_client(SimHub* hub, SimClient* client) {
    const int fd = client->fd;
    std::vector<uint8_t> msg;
    SimReply reply;
    SimSharePrefix prefix; // the one ahead of the next request, if any
    for (;;) {
        uint8_t header[kHeaderSize];
        if (!recv_exact(fd, header, sizeof header)) break;
        uint32_t total = peek_u32(header, sizeof header, 0);
        uint8_t type = header[4];
        if (total < kHeaderSize || total > kMaxMessageSize) break;
        if (type == kMsgSharePrefix) {
            if (!read_share_prefix(hub, fd, total, &prefix)) break;
            continue;
        }
        msg.resize(total);
        std::memcpy(msg.data(), header, sizeof header);
        if (!recv_exact(fd, msg.data() + kHeaderSize, total - kHeaderSize)) break;

        if (prefix.present) {
            SimSharing_Serve(hub, client, prefix, msg.data(), msg.size(), &reply);
            prefix = SimSharePrefix{};
        } else {
            SimRelay_HandleMessage(hub, msg.data(), msg.size(), &reply, client);
        }
        if (reply.stall_millis > 0) stall(hub, reply.stall_millis);
        if (reply.close) break;
        if (reply.bytes.empty() && !reply.bulk.owner) continue;
        bool sent;
        if (reply.trickle_rate || reply.close_after != UINT64_MAX) {
            sent = SimFaults_SendShaped(client, reply);
        } else {
            std::lock_guard<std::mutex> send_guard(client->send_lock);
            sent = send_reply(fd, reply);
        }
        reply.bulk = SimSlice{}; // lets a deleted object's bytes go
        if (!sent) break;
    }
    SimSharing_StopSender(client); // it sends on fd
    std::lock_guard<std::mutex> guard(hub->lock);
    SimEvents_RemoveReader(hub->camera, client->id);
    close(client->fd);
    client->fd = -1;
    client->done = true;
    --hub->stats.connections_open;
}

// Joins the threads of clients that have gone, so a long run with many
// reconnects does not pile them up.
void reap_finished_clients(SimHub* hub) {
    std::vector<std::unique_ptr<SimClient>> finished;
    {
        std::lock_guard<std::mutex> guard(hub->lock);
        auto& all = hub->clients;
        for (size_t i = 0; i < all.size();) {
            if (all[i]->done) {
                finished.push_back(std::move(all[i]));
                all.erase(all.begin() + long(i));
            } else {
                ++i;
            }
        }
    }
    for (auto& c : finished)
        c->thread.join();
}

void configure_client_socket(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    timeval tv{};
    tv.tv_sec = kSendTimeoutSeconds;
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

void accept_loop(SimHub* hub) {
    for (;;) {
        pollfd fds[2] = {{hub->listen_fd, POLLIN, 0}, {hub->wake_fd[0], POLLIN, 0}};
        int k = poll(fds, 2, -1);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0 || fds[1].revents != 0) break;
        if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0) break;
        if ((fds[0].revents & POLLIN) == 0) continue;
        int fd = accept(hub->listen_fd, nullptr, nullptr);
        if (fd < 0) continue; // the peer gave up before the accept; nothing to serve
        configure_client_socket(fd);
        reap_finished_clients(hub);

        std::lock_guard<std::mutex> guard(hub->lock);
        if (hub->stopping) {
            close(fd);
            break;
        }
        hub->clients.push_back(std::make_unique<SimClient>());
        SimClient* client = hub->clients.back().get();
        client->fd = fd;
        client->id = hub->next_client_id++;
        SimEvents_AddReader(hub->camera, client->id);
        SimSharing_StartSender(client);
        ++hub->stats.connections_accepted;
        ++hub->stats.connections_open;
        client->thread = std::thread(serve_client, hub, client);
    }
}

void close_fd(int* fd) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
}

// Why the calling thread's last SimHub_Start failed.
std::string& start_error() {
    thread_local std::string text;
    return text;
}

bool open_listener(SimHub* hub, const in_addr& addr, uint16_t port) {
    hub->listen_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (hub->listen_fd < 0) return false;
    // The standalone server is often restarted on the same port.
    int one = 1;
    setsockopt(hub->listen_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr = addr;
    sa.sin_port = htons(port);
    if (bind(hub->listen_fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) {
        char text[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &addr, text, sizeof text);
        start_error() = errno == EADDRINUSE
                            ? "port " + std::to_string(port) + " on " + text + " is in use"
                            : "cannot listen on " + std::string(text) + ":" + std::to_string(port) +
                                  ": " + std::strerror(errno);
        return false;
    }
    if (listen(hub->listen_fd, kListenBacklog) != 0) return false;
    socklen_t sa_len = sizeof sa;
    if (getsockname(hub->listen_fd, reinterpret_cast<sockaddr*>(&sa), &sa_len) != 0) return false;
    hub->port = ntohs(sa.sin_port);
    return pipe2(hub->wake_fd, O_CLOEXEC) == 0;
}

void release_fds(SimHub* hub) {
    close_fd(&hub->listen_fd);
    close_fd(&hub->wake_fd[0]);
    close_fd(&hub->wake_fd[1]);
}

} // namespace

bool SimSendAll(int fd, const uint8_t* p, size_t n) {
    while (n > 0) {
        ssize_t k = send(fd, p, n, MSG_NOSIGNAL);
        if (k > 0) {
            p += k;
            n -= size_t(k);
        } else if (k < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

std::string SimHub_StartError() { return start_error(); }

namespace {

void set_shoot_every(SimCameraState& camera, double seconds) {
    camera.shoot_every = std::chrono::milliseconds(
        seconds > 0 ? std::max<int64_t>(1, int64_t(seconds * 1000)) : 0);
    camera.next_own_shot = std::chrono::steady_clock::now() + camera.shoot_every;
}

} // namespace

void SimHub_SetShootEvery(SimHub* hub, double seconds) {
    std::lock_guard<std::mutex> held(hub->lock);
    set_shoot_every(hub->camera, seconds);
}

SimHub* SimHub_Start(const SimOptions& options) {
    const char* camera = options.camera ? options.camera : "canon";
    const char* bind_to = options.bind ? options.bind : "127.0.0.1";
    start_error().clear();
    const SimCameraModel* model = SimModels_Find(camera);
    if (!model) {
        start_error() = std::string("unknown camera '") + camera + "'";
        return nullptr;
    }
    in_addr addr{};
    if (inet_pton(AF_INET, bind_to, &addr) != 1) {
        start_error() = std::string("'") + bind_to + "' is not a numeric IPv4 address";
        return nullptr;
    }

    SimHub* hub = new (std::nothrow) SimHub;
    if (!hub) return nullptr;
    SimCamera_Init(hub->camera, model);
    const char* dir = options.pictures ? options.pictures : SimPictures_DefaultDir();
    uint32_t n = 0;
    std::vector<SimPicture> pictures = SimPictures_Load(dir);
    if (!SimSd_Open(hub->sd, options.sd_card_dir, pictures)) {
        start_error() = options.sd_card_dir
                            ? "cannot use '" + std::string(options.sd_card_dir) + "' as the SD card"
                            : std::string("cannot make the SD card's temporary directory");
        delete hub;
        return nullptr;
    }
    for (SimPicture& p : pictures) {
        hub->camera.capture_pictures.push_back(p.bytes);
        if (options.empty_card) continue;
        std::string name = SimStorage_PictureName(*model, ++n);
        SimStorage_Add(hub->camera, name.c_str(), p.source.c_str(), std::move(p.bytes), false);
    }
    hub->camera.next_file_number = n + 1;
    hub->camera.test_card = !options.pictures && !options.small_pictures;
    hub->camera.live_view_paced = options.paced_live_view;
    set_shoot_every(hub->camera, options.shoot_every_seconds);
    if (model->raw_name_format) {
        const char* dot = std::strrchr(model->raw_name_format, '.');
        hub->camera.capture_raw = SimPictures_LoadRaw(dir, dot ? dot : "");
    }
    if (!open_listener(hub, addr, options.port)) {
        if (start_error().empty())
            start_error() = std::string("cannot listen: ") + std::strerror(errno);
        release_fds(hub);
        SimSd_Close(hub->sd);
        delete hub;
        return nullptr;
    }
    try {
        hub->accept_thread = std::thread(accept_loop, hub);
    } catch (...) { // thread creation failed (std::system_error)
        start_error() = "cannot start the hub's thread";
        release_fds(hub);
        SimSd_Close(hub->sd);
        delete hub;
        return nullptr;
    }
    return hub;
}

uint16_t SimHub_Port(const SimHub* hub) { return hub ? hub->port : 0; }

void SimHub_Stop(SimHub* hub) {
    if (!hub) return;
    {
        std::lock_guard<std::mutex> guard(hub->lock);
        hub->stopping = true;
    }
    hub->stop_cv.notify_all();
    const uint8_t wake = 1;
    while (write(hub->wake_fd[1], &wake, 1) < 0 && errno == EINTR) {
    }
    hub->accept_thread.join();

    // No client can be added now. Shutting the sockets down wakes each client
    // thread out of recv; the thread itself closes its descriptor.
    {
        std::lock_guard<std::mutex> guard(hub->lock);
        for (auto& c : hub->clients)
            if (c->fd >= 0) shutdown(c->fd, SHUT_RDWR);
    }
    for (auto& c : hub->clients)
        c->thread.join();
    hub->clients.clear();
    release_fds(hub);
    SimSd_Close(hub->sd);
    delete hub;
}

void SimHub_InjectFault(SimHub* hub, const SimFault& fault) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->faults.push_back(fault);
}

void SimHub_ClearFaults(SimHub* hub) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->faults.clear();
}

uint32_t SimHub_SendOob(SimHub* hub, uint8_t type, const uint8_t* body, uint32_t n) {
    if (!hub || (n > 0 && !body) || n > kMaxMessageSize) return 0;
    ByteWriter w;
    write_u32(w, uint32_t(kHeaderSize + n));
    write_u8(w, type);
    write_bytes(w, body, n);

    uint32_t sent = 0;
    std::lock_guard<std::mutex> guard(hub->lock);
    for (auto& c : hub->clients) {
        if (c->fd < 0) continue;
        std::lock_guard<std::mutex> send_guard(c->send_lock);
        if (SimSendAll(c->fd, w.buf.data(), w.buf.size())) ++sent;
    }
    return sent;
}

void SimHub_SetDeviceInfo(SimHub* hub, const std::vector<uint8_t>& raw) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->camera.device_info_override = raw;
}

void SimHub_SetCameraAttached(SimHub* hub, bool attached) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->camera.attached = attached;
}

void SimHub_PushEventData(SimHub* hub, const std::vector<uint8_t>& raw) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    SimEvents_PushRaw(hub->camera, raw);
}

size_t SimHub_PendingEvents(const SimHub* hub) {
    if (!hub) return 0;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimEvents_Pending(hub->camera);
}

bool SimHub_SetPropertyValue(SimHub* hub, uint16_t code, uint32_t value) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimProperties_SetFromCamera(hub->camera, code, value);
}

bool SimHub_GetPropertyValue(const SimHub* hub, uint16_t code, uint32_t* value) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimProperties_Value(hub->camera, code, value);
}

bool SimHub_SetPropertyText(SimHub* hub, uint16_t code, const char* text) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimProperties_SetTextFromCamera(hub->camera, code, text);
}

bool SimHub_GetPropertyText(const SimHub* hub, uint16_t code, std::string* text) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimProperties_Text(hub->camera, code, text);
}

bool SimHub_SetPropertyAccess(SimHub* hub, uint16_t code, bool writable) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimProperties_SetAccess(hub->camera, code, writable);
}

uint32_t SimHub_AddObject(SimHub* hub, const char* name, std::vector<uint8_t> bytes) {
    if (!hub) return 0;
    // The shared buffer is made before taking the lock; it moves the bytes in.
    auto shared = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimStorage_Add(hub->camera, name, nullptr, std::move(shared), true);
}

bool SimHub_RemoveObject(SimHub* hub, uint32_t handle) {
    if (!hub) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    return SimStorage_Remove(hub->camera, handle);
}

uint32_t SimHub_ObjectCount(const SimHub* hub) {
    if (!hub) return 0;
    std::lock_guard<std::mutex> guard(hub->lock);
    return uint32_t(hub->camera.objects.size());
}

std::vector<uint32_t> SimHub_ObjectHandles(const SimHub* hub) {
    std::vector<uint32_t> handles;
    if (!hub) return handles;
    std::lock_guard<std::mutex> guard(hub->lock);
    for (const SimObject& o : hub->camera.objects)
        handles.push_back(o.handle);
    return handles;
}

bool SimHub_GetObjectFacts(const SimHub* hub, uint32_t handle, SimObjectFacts* out) {
    if (!hub || !out) return false;
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimObject* o = SimStorage_Find(hub->camera, handle);
    if (!o) return false;
    out->handle = o->handle;
    out->name = o->name;
    out->source = o->source;
    out->format = o->format;
    out->width = o->width;
    out->height = o->height;
    out->bytes = o->bytes;
    const uint8_t* thumb = o->thumb.owner->data() + o->thumb.offset;
    out->thumb.assign(thumb, thumb + o->thumb.len);
    return true;
}

const char* SimHub_DefaultPictures() { return SimPictures_DefaultDir(); }

SimStats SimHub_Stats(const SimHub* hub) {
    if (!hub) return SimStats{};
    std::lock_guard<std::mutex> guard(hub->lock);
    SimStats s = hub->stats;
    s.pending_faults = uint32_t(hub->faults.size());
    s.events_raised = hub->camera.events_raised;
    s.events_dropped = hub->camera.events_dropped;
    return s;
}

void SimHub_ResetStats(SimHub* hub) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    uint32_t open = hub->stats.connections_open;
    hub->stats = SimStats{};
    hub->sd.stats = SimSdStats{};
    hub->services.stats = SimServiceStats{};
    hub->stats.connections_open = open;
    hub->camera.events_raised = 0;
    hub->camera.events_dropped = 0;
    if (hub->camera.vendor->reset_stats) hub->camera.vendor->reset_stats(hub->camera);
}
