// A scripted Tetherhub for the fuzz targets of request/reply services: the
// input is the byte stream the hub sends back, written into one end of a
// socket pair whose other end becomes the relay link, with the writing side
// shut afterwards, so every receive ends in data or end-of-stream and nothing
// waits for the receive time-out. What the library sends is read and thrown
// away, so its requests never block.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "comms/relay_link.h"
#include "fuzz_support.h"

struct HubStream {
    int peer = -1;
    std::thread writer;
    std::thread reader;
};

// Reads every byte, so ASan reports a buffer shorter than its stated length.
inline void fuzz_touch(const uint8_t* p, uint32_t n) {
    volatile uint32_t sum = 0;
    for (uint32_t i = 0; i < n; ++i)
        sum = sum + p[i];
}

// Borrows p until HubStream_Close.
inline void HubStream_Open(HubStream* hub, const uint8_t* p, size_t n) {
    int sv[2];
    fuzz_check(::socketpair(AF_UNIX, SOCK_STREAM, 0, sv) == 0, "socketpair failed");
    hub->peer = sv[1];
    Comms_AttachSocket(sv[0], "fuzz");
    int peer = sv[1];
    hub->writer = std::thread([peer, p, n] {
        size_t sent = 0;
        while (sent < n) {
            ssize_t k = ::send(peer, p + sent, n - sent, MSG_NOSIGNAL);
            if (k <= 0) break; // the library closed its end
            sent += size_t(k);
        }
        ::shutdown(peer, SHUT_WR);
    });
    hub->reader = std::thread([peer] {
        uint8_t scratch[4096];
        while (::recv(peer, scratch, sizeof scratch, 0) > 0) {
        }
    });
}

inline void HubStream_Close(HubStream* hub) {
    CloseServerConnection(); // ends both threads: the peer sees end-of-stream
    hub->writer.join();
    hub->reader.join();
    ::close(hub->peer);
    hub->peer = -1;
}

// A header may announce up to 1 GiB and a card file 4 GiB, which the library
// allocates before reading; allocations beyond 64 MiB fail instead, which also
// exercises the out-of-memory paths. ASAN_OPTIONS still overrides.
#define HUB_STREAM_ASAN_OPTIONS                                                                    \
    extern "C" const char* __asan_default_options() {                                             \
        return "allocator_may_return_null=1:max_allocation_size_mb=64";                           \
    }
