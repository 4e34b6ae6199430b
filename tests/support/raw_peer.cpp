#include "support/raw_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "comms/bytes.h"
#include "ptp_comms.h"

bool RawPeer_Listen(RawPeer& peer) {
    peer.listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (peer.listener < 0) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(peer.listener, reinterpret_cast<sockaddr*>(&addr), len) != 0) return false;
    if (::listen(peer.listener, 1) != 0) return false;
    ::getsockname(peer.listener, reinterpret_cast<sockaddr*>(&addr), &len);
    peer.port = ntohs(addr.sin_port);
    return true;
}

bool RawPeer_Accept(RawPeer& peer) {
    pollfd p{peer.listener, POLLIN, 0};
    if (::poll(&p, 1, 5000) != 1) return false;
    peer.client = ::accept(peer.listener, nullptr, nullptr);
    return peer.client >= 0;
}

bool RawPeer_Connect(RawPeer& peer) {
    return RawPeer_Listen(peer) &&
           ConnectToServer("127.0.0.1", RawPeer_PortText(peer).c_str()) >= 0 &&
           RawPeer_Accept(peer);
}

bool RawPeer_Write(RawPeer& peer, const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(peer.client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return false;
        sent += size_t(n);
    }
    return true;
}

std::vector<uint8_t> RawPeer_Read(RawPeer& peer, size_t n) {
    std::vector<uint8_t> out(n);
    size_t got = 0;
    while (got < n) {
        pollfd p{peer.client, POLLIN, 0};
        if (::poll(&p, 1, 5000) != 1) return {};
        ssize_t r = ::recv(peer.client, out.data() + got, n - got, 0);
        if (r <= 0) return {};
        got += size_t(r);
    }
    return out;
}

std::vector<uint8_t> RawPeer_ReadMessage(RawPeer& peer) {
    std::vector<uint8_t> header = RawPeer_Read(peer, 5);
    if (header.size() != 5) return {};
    uint32_t total = peek_u32(header.data(), 5, 0);
    if (total < 5) return header;
    std::vector<uint8_t> body = RawPeer_Read(peer, total - 5);
    if (body.size() != total - 5) return {};
    header.insert(header.end(), body.begin(), body.end());
    return header;
}

void RawPeer_CloseClient(RawPeer& peer) {
    if (peer.client >= 0) ::close(peer.client);
    peer.client = -1;
}

void RawPeer_Close(RawPeer& peer) {
    RawPeer_CloseClient(peer);
    if (peer.listener >= 0) ::close(peer.listener);
    peer.listener = -1;
}

std::string RawPeer_PortText(const RawPeer& peer) { return std::to_string(peer.port); }

std::vector<uint8_t> RelayMessage(uint8_t type, const std::vector<uint8_t>& body) {
    ByteWriter w;
    write_u32(w, uint32_t(body.size() + 5));
    write_u8(w, type);
    write_bytes(w, body.data(), body.size());
    return w.buf;
}

std::vector<uint8_t> ControlReply(uint16_t result, const std::vector<uint8_t>& data) {
    ByteWriter w;
    write_u32(w, uint32_t(data.size() + 7));
    write_u8(w, 0);
    write_u16(w, result);
    write_bytes(w, data.data(), data.size());
    return RelayMessage(13, w.buf);
}
