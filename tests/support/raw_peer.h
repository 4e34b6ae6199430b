// A loopback peer for framing tests: the test reads and writes raw bytes on one connection.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RawPeer {
    int listener = -1;
    int client = -1;
    uint16_t port = 0;
};

bool RawPeer_Listen(RawPeer& peer);
// Waits for the library's connection (after ConnectToServer).
bool RawPeer_Accept(RawPeer& peer);
// Listens, connects the library's relay link to it and accepts: false on any failure.
bool RawPeer_Connect(RawPeer& peer);
bool RawPeer_Write(RawPeer& peer, const std::vector<uint8_t>& bytes);
// Reads exactly n bytes (empty on failure or after 5 s).
std::vector<uint8_t> RawPeer_Read(RawPeer& peer, size_t n);
// Reads one whole relay message.
std::vector<uint8_t> RawPeer_ReadMessage(RawPeer& peer);
void RawPeer_CloseClient(RawPeer& peer);
void RawPeer_Close(RawPeer& peer);
std::string RawPeer_PortText(const RawPeer& peer);

// Message builders.
std::vector<uint8_t> RelayMessage(uint8_t type, const std::vector<uint8_t>& body);
std::vector<uint8_t> ControlReply(uint16_t result, const std::vector<uint8_t>& data);
