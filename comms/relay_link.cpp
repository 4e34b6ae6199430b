// The TCP connection to the Tetherhub: connect and close, exact sends and
// receives with the time-outs, and whole-message receive with out-of-band
// notices handed to the delegate on threads of their own.
#include "comms/relay_link.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include "comms/bytes.h"

namespace {

constexpr int kSocketTimeoutMillis = 22000;
// Out-of-band notices each get a thread of their own; a hub that floods them
// must not make the library start threads without end, so beyond this many
// running deliveries further notices are dropped.
constexpr int kMaxOobThreads = 64;
constexpr int kNoSocket = -1;

// Bytes received past the message being read, kept for the next receive. Big
// enough for a reply's header and a small message behind it; bulk data goes
// straight to its buffer, since every byte through here is copied once more.
constexpr uint32_t kReadAheadSize = 8 * 1024;
struct ReadAhead {
    uint8_t bytes[kReadAheadSize];
    uint32_t at = 0, end = 0; // the unread bytes are [at, end)
};

struct RelayLink {
    // The socket and the flags are written by whichever thread meets the event
    // and read by all, so they are atomics rather than guarded fields.
    std::atomic<int> socket{kNoSocket};
    std::atomic<bool> everConnected{false};
    std::atomic<bool> linkLost{false};
    std::atomic<int> receiveTimeout{kReceiveTimeoutSeconds};
    std::atomic<int64_t> lastIncoming{0};
    std::atomic<PtpOobDelegateFn> oobDelegate{nullptr};
    std::atomic<int> oobThreads{0};

    std::mutex linkLock;    // one whole exchange; outer to receiveLock
    std::mutex receiveLock; // one whole-message receive
    ReadAhead ahead;        // guarded by receiveLock; emptied with each new socket
    char hostName[64] = {}; // written under linkLock
};

RelayLink g_link;

} // namespace

std::mutex& Comms_RelayLinkLock() { return g_link.linkLock; }

bool Comms_IsLinkLost() { return g_link.linkLost.load(); }
void Comms_SetLinkLost() { g_link.linkLost.store(true); }
void Comms_ClearLinkLost() { g_link.linkLost.store(false); }

void Comms_SetReceiveTimeout(int seconds) { g_link.receiveTimeout.store(seconds); }
int Comms_ReceiveTimeout() { return g_link.receiveTimeout.load(); }

PtpOobDelegateFn Comms_OobDelegate() { return g_link.oobDelegate.load(); }

void SetOOBDelegate(PtpOobDelegateFn delegate) { g_link.oobDelegate.store(delegate); }

void Comms_CloseLocked() {
    if (!g_link.everConnected.load()) return;
    int fd = g_link.socket.exchange(kNoSocket);
    if (fd != kNoSocket) {
        // Shutting down both directions wakes any thread blocked in a receive on
        // this socket before the descriptor is released; the receive lock then
        // guarantees nobody is still inside recv when it is closed.
        ::shutdown(fd, SHUT_RDWR);
        std::lock_guard<std::mutex> receiving(g_link.receiveLock);
        ::close(fd);
        g_link.ahead.at = g_link.ahead.end = 0;
    }
    std::memset(g_link.hostName, 0, sizeof g_link.hostName);
}

int32_t CloseServerConnection() {
    if (!g_link.everConnected.load()) return 1;
    int fd = g_link.socket.load();
    if (fd != kNoSocket) ::shutdown(fd, SHUT_RDWR); // wake an exchange holding the lock
    std::lock_guard<std::mutex> held(g_link.linkLock);
    Comms_CloseLocked();
    return 1;
}

int32_t ConnectToServer(const char* host, const char* port) {
    CloseServerConnection();
    if (!host || !port) return -1;

    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo* found = nullptr;
    if (getaddrinfo(host, port, &hints, &found) != 0 || !found) return -1;

    int fd = ::socket(found->ai_family, found->ai_socktype, found->ai_protocol);
    if (fd < 0) {
        freeaddrinfo(found);
        return -1;
    }
    int rc = ::connect(fd, found->ai_addr, found->ai_addrlen);
    freeaddrinfo(found);
    if (rc != 0) {
        ::close(fd);
        return -1;
    }

    Comms_AttachSocket(fd, host);
    return fd;
}

void Comms_AttachSocket(int fd, const char* host) {
    timeval tv{kSocketTimeoutMillis / 1000, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    // Requests are small and strictly request/reply: never hold one back.
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    std::lock_guard<std::mutex> held(g_link.linkLock);
    {
        std::lock_guard<std::mutex> receiving(g_link.receiveLock);
        g_link.ahead.at = g_link.ahead.end = 0;
    }
    g_link.socket.store(fd);
    g_link.everConnected.store(true);
    g_link.linkLost.store(false);
    std::memset(g_link.hostName, 0, sizeof g_link.hostName);
    std::strncpy(g_link.hostName, host ? host : "", sizeof g_link.hostName - 1);
}

const char* Comms_HostName() { return g_link.hostName; }

double SecondsSinceLastIncomingMessage() {
    return std::difftime(std::time(nullptr), time_t(g_link.lastIncoming.load()));
}

static PtpResult lost() {
    g_link.linkLost.store(true);
    return PtpResult_ConnectionLost;
}

PtpResult Comms_SendPieces(const SendPiece* pieces, int count) {
    constexpr int kMaxPieces = 4;
    if (!pieces || count <= 0 || count > kMaxPieces) return PtpResult_InvalidArgument;
    iovec iov[kMaxPieces];
    int n = 0;
    for (int i = 0; i < count; ++i) {
        if (pieces[i].length == 0) continue;
        if (!pieces[i].data) return PtpResult_InvalidArgument;
        iov[n].iov_base = const_cast<void*>(pieces[i].data);
        iov[n].iov_len = pieces[i].length;
        ++n;
    }
    if (n == 0) return PtpResult_InvalidArgument;
    if (g_link.linkLost.load()) return PtpResult_ConnectionLost;

    int fd = g_link.socket.load();
    int first = 0;
    while (first < n) {
        msghdr msg{};
        msg.msg_iov = iov + first;
        msg.msg_iovlen = size_t(n - first);
        ssize_t sent = ::sendmsg(fd, &msg, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return lost();
        }
        // Continue a partial send with the unsent rest.
        size_t left = size_t(sent);
        while (first < n && left >= iov[first].iov_len)
            left -= iov[first++].iov_len;
        if (first < n) {
            iov[first].iov_base = static_cast<uint8_t*>(iov[first].iov_base) + left;
            iov[first].iov_len -= left;
        }
    }
    return PtpResult_Ok;
}

PtpResult Comms_SendExact(const uint8_t* buf, uint32_t len) {
    if (!buf || len == 0) return PtpResult_InvalidArgument;
    SendPiece piece{buf, len};
    return Comms_SendPieces(&piece, 1);
}

using Clock = std::chrono::steady_clock;

// Waits until the socket is readable, at most the receive time-out and never
// past `deadline`. Ok, or ConnectionLost (flag set) on a failed or timed-out wait.
static PtpResult wait_readable(int fd, Clock::time_point deadline) {
    if (fd < 0) return lost();
    for (;;) {
        int64_t wait = int64_t(g_link.receiveTimeout.load()) * 1000;
        if (deadline != Clock::time_point::max()) {
            int64_t left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count();
            if (left <= 0) return lost();
            if (left < wait) wait = left;
        }
        pollfd p{fd, POLLIN, 0};
        int rc = ::poll(&p, 1, int(wait));
        if (rc < 0 && errno == EINTR) continue;
        if (rc <= 0 || (p.revents & POLLNVAL)) return lost();
        // Readable, or hung up / in error: recv tells which.
        return PtpResult_Ok;
    }
}

// Receives exactly len bytes, giving up (link lost) once `deadline` passes.
// Called with the receive lock held. Bytes already read ahead come first; a
// short remainder is read through the read-ahead buffer (one call takes what
// has arrived: the rest of a small message and often the reply behind it), a
// long one straight into buf.
static PtpResult receive_until(uint8_t* buf, uint32_t len, Clock::time_point deadline) {
    if (len && !buf) return PtpResult_InvalidArgument;
    ReadAhead& ahead = g_link.ahead;
    uint32_t got = ahead.end - ahead.at < len ? ahead.end - ahead.at : len;
    if (got) std::memcpy(buf, ahead.bytes + ahead.at, got);
    ahead.at += got;
    int fd = g_link.socket.load();
    bool drained = false; // the last read took all there was: wait before the next
    while (got < len) {
        if (drained) {
            PtpResult rc = wait_readable(fd, deadline);
            if (rc != PtpResult_Ok) return rc;
        }
        const bool direct = len - got >= kReadAheadSize;
        uint8_t* into = direct ? buf + got : ahead.bytes;
        const size_t want = direct ? len - got : kReadAheadSize;
        // Without waiting: on a bulk transfer data is usually there already,
        // and this saves a poll per chunk.
        ssize_t n = ::recv(fd, into, want, MSG_DONTWAIT);
        if (n == 0) return lost(); // the peer closed
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return lost();
            drained = true;
            continue;
        }
        drained = size_t(n) < want;
        if (direct) {
            got += uint32_t(n);
            continue;
        }
        const uint32_t take = uint32_t(n) < len - got ? uint32_t(n) : len - got;
        std::memcpy(buf + got, ahead.bytes, take);
        got += take;
        ahead.at = take;
        ahead.end = uint32_t(n);
    }
    g_link.lastIncoming.store(int64_t(std::time(nullptr)));
    return PtpResult_Ok;
}

PtpResult Comms_ReceiveExact(uint8_t* buf, uint32_t len) {
    std::lock_guard<std::mutex> receiving(g_link.receiveLock);
    return receive_until(buf, len, Clock::time_point::max());
}

// The latest a message announcing `total` bytes may finish when its receive
// began at `start`: the receive time-out plus the time the bytes need at a
// floor rate. A per-receive time-out alone lets a peer that trickles one byte
// now and then hold a call for as long as it likes.
static Clock::time_point message_deadline(Clock::time_point start, uint32_t total) {
    constexpr uint64_t kFloorBytesPerSecond = 64 * 1024;
    uint64_t millis = uint64_t(g_link.receiveTimeout.load()) * 1000 +
                      uint64_t(total) * 1000 / kFloorBytesPerSecond;
    return start + std::chrono::milliseconds(millis);
}

// Hands an out-of-band notice to the delegate on a detached thread. The
// delegate owns the buffer; when no thread can be started the notice is dropped.
static void deliver_oob(uint8_t* message) {
    PtpOobDelegateFn delegate = g_link.oobDelegate.load();
    if (!delegate) {
        std::free(message);
        return;
    }
    if (g_link.oobThreads.fetch_add(1) >= kMaxOobThreads) {
        g_link.oobThreads.fetch_sub(1);
        std::free(message);
        return;
    }
    try {
        std::thread([delegate, message] {
            delegate(message);
            g_link.oobThreads.fetch_sub(1);
        }).detach();
    } catch (...) {
        g_link.oobThreads.fetch_sub(1);
        std::free(message);
    }
}

// Receives n bytes into a new buffer after `prefix` bytes left for the caller.
// The buffer grows as the bytes arrive (large blocks grow by remapping, without
// a copy), so a header that announces far more than is sent never makes the
// library commit that much memory. Out: *out (never null on success, even for
// no bytes) is malloc'd and owned by the caller.
static PtpResult receive_grown(uint32_t prefix, uint32_t n, Clock::time_point deadline,
                               uint8_t** out) {
    constexpr uint32_t kFirstChunk = 256 * 1024;
    const uint32_t total = prefix + n; // at most kMaxRelayMessage
    uint32_t capacity = total < kFirstChunk ? total : kFirstChunk;
    uint8_t* buf = static_cast<uint8_t*>(std::malloc(capacity ? capacity : 1));
    if (!buf) {
        lost(); // the unread body would leave the stream out of step
        return PtpResult_OutOfMemory;
    }
    uint32_t got = prefix;
    while (got < total) {
        if (got == capacity) {
            capacity = total - capacity < capacity ? total : capacity * 2;
            uint8_t* grown = static_cast<uint8_t*>(std::realloc(buf, capacity));
            if (!grown) {
                std::free(buf);
                lost();
                return PtpResult_OutOfMemory;
            }
            buf = grown;
        }
        PtpResult rc = receive_until(buf + got, capacity - got, deadline);
        if (rc != PtpResult_Ok) {
            std::free(buf);
            return rc;
        }
        got = capacity;
    }
    *out = buf;
    return PtpResult_Ok;
}

// Receives the relay header of the next message into header and checks its
// length. Out: *total and the message's deadline.
static PtpResult receive_header(uint8_t* header, uint32_t* total, Clock::time_point* deadline) {
    if (g_link.linkLost.load()) return PtpResult_ConnectionLost;
    const Clock::time_point start = Clock::now();
    if (receive_until(header, kRelayHeaderSize, message_deadline(start, 0)) != PtpResult_Ok)
        return lost();
    *total = peek_u32(header, kRelayHeaderSize, 0);
    if (*total < kRelayHeaderSize) return PtpResult_BadReply;
    // A length beyond anything the library asks for means the stream is out
    // of step (or hostile): give the link up instead of allocating it.
    if (*total > kMaxRelayMessage) return lost();
    *deadline = message_deadline(start, *total);
    return PtpResult_Ok;
}

// Receives an out-of-band notice whose header is read and hands it on.
static PtpResult pass_oob(const uint8_t* header, uint32_t total, Clock::time_point deadline) {
    uint8_t* message = nullptr;
    PtpResult rc = receive_grown(kRelayHeaderSize, total - kRelayHeaderSize, deadline, &message);
    if (rc != PtpResult_Ok) return rc;
    std::memcpy(message, header, kRelayHeaderSize);
    deliver_oob(message);
    return PtpResult_Ok;
}

PtpResult Comms_ReceiveMessageSplit(uint8_t* head, uint32_t headLength, uint8_t* into,
                                    uint32_t capacity, uint8_t** body, uint32_t* total) {
    if (body) *body = nullptr;
    if (total) *total = 0;
    if (!head || headLength < kRelayHeaderSize || !total || (!into && !body))
        return PtpResult_InvalidArgument;
    std::lock_guard<std::mutex> receiving(g_link.receiveLock);
    for (;;) {
        uint32_t length = 0;
        Clock::time_point deadline;
        PtpResult rc = receive_header(head, &length, &deadline);
        if (rc != PtpResult_Ok) return rc;
        if (Comms_IsOobType(head[4])) {
            if ((rc = pass_oob(head, length, deadline)) != PtpResult_Ok) return rc;
            continue;
        }
        const uint32_t headBytes = length < headLength ? length : headLength;
        rc = receive_until(head + kRelayHeaderSize, headBytes - kRelayHeaderSize, deadline);
        if (rc != PtpResult_Ok) return rc;
        const uint32_t rest = length - headBytes;
        *total = length;
        if (into && rest <= capacity) return receive_until(into, rest, deadline);
        uint8_t* buf = nullptr;
        if ((rc = receive_grown(0, rest, deadline, &buf)) != PtpResult_Ok) return rc;
        if (into) { // more than the caller's room: read to keep in step, then refused
            std::free(buf);
            return PtpResult_BadReply;
        }
        *body = buf;
        return PtpResult_Ok;
    }
}

PtpResult Comms_ReceiveMessage(uint8_t** buf, uint32_t* len) {
    if (!buf || !len) return PtpResult_InvalidArgument;
    *buf = nullptr;
    *len = 0;
    std::lock_guard<std::mutex> receiving(g_link.receiveLock);
    for (;;) {
        uint8_t header[kRelayHeaderSize];
        uint32_t total = 0;
        Clock::time_point deadline;
        PtpResult rc = receive_header(header, &total, &deadline);
        if (rc != PtpResult_Ok) return rc;
        if (Comms_IsOobType(header[4])) {
            if ((rc = pass_oob(header, total, deadline)) != PtpResult_Ok) return rc;
            continue;
        }
        uint8_t* message = nullptr;
        rc = receive_grown(kRelayHeaderSize, total - kRelayHeaderSize, deadline, &message);
        if (rc != PtpResult_Ok) return rc;
        std::memcpy(message, header, kRelayHeaderSize);
        *buf = message;
        *len = total;
        return PtpResult_Ok;
    }
}
