// The relay link: the one TCP connection to the Tetherhub and the framing of
// every message on it.
//
// Locks (see generic/session.h for the whole order): the relay link lock guards
// one complete exchange (a request and its reply) and is the innermost lock the
// camera layers take. The receive lock, taken inside it, makes each whole-message
// receive atomic, so the reader loop and an exchange never split one message
// between them. Neither is held while a host callback runs.
#pragma once

#include <cstdint>
#include <mutex>

#include "ptp_comms.h"

// RelayMessage framing: u32 total length (header included), u8 type, body.
constexpr uint32_t kRelayHeaderSize = 5;
constexpr uint8_t kRelayRepeatedCommand = 5;
constexpr uint8_t kRelaySerialFrame = 9;
constexpr uint8_t kRelayPtp = 10;
constexpr uint8_t kRelayControl = 12;
constexpr uint8_t kRelayControlReply = 13;
constexpr uint8_t kRelaySharePrefix = 15;

// A control reply: header, u32 reply length (= m + 7), one unexamined byte,
// u16 result, m bytes of data.
constexpr uint32_t kControlReplyHeaderSize = 12;
constexpr uint32_t kControlReplyLengthBias = 7;

// The largest message the receiver accepts. The biggest transfer the library
// asks for is one whole camera object in a single PTP data container; 1 GiB
// covers any still image or raw file by far. A header announcing more is taken
// as a broken stream: the link is marked lost rather than allocating it.
constexpr uint32_t kMaxRelayMessage = 1u << 30;

// Receive time-outs in seconds; the long one is used while the SD card formats.
// Each wait for bytes is bounded by the time-out, and a whole message by the
// time-out plus the time its announced length needs at 64 KB/s.
constexpr int kReceiveTimeoutSeconds = 22;
constexpr int kFormatReceiveTimeoutSeconds = 66;

// True for out-of-band notices (types 16-255).
inline bool Comms_IsOobType(uint8_t type) { return (type & 0xF0) != 0; }

// The relay link lock. Held for one whole exchange by the control exchanges and
// by the transaction engine's link-lock callback.
std::mutex& Comms_RelayLinkLock();

bool Comms_IsLinkLost();
void Comms_SetLinkLost();
void Comms_ClearLinkLost();

// The receive time-out in whole seconds for every later wait.
void Comms_SetReceiveTimeout(int seconds);
int Comms_ReceiveTimeout();

// Makes a connected stream socket the link (ConnectToServer does this after
// connecting; tests and fuzzers attach one end of a socket pair). Clears the
// link-lost flag.
void Comms_AttachSocket(int fd, const char* host);

// Closes the socket. The caller holds the relay link lock.
void Comms_CloseLocked();

// Sends all bytes of the given pieces, in order, continuing a partial send with
// the unsent rest. Borrows the pieces for the call only. InvalidArgument when
// there is nothing to send; ConnectionLost (and the flag set) on failure.
struct SendPiece {
    const void* data;
    uint32_t length;
};
PtpResult Comms_SendPieces(const SendPiece* pieces, int count);
PtpResult Comms_SendExact(const uint8_t* buf, uint32_t len);

// Receives exactly len bytes into buf (len may be 0).
PtpResult Comms_ReceiveExact(uint8_t* buf, uint32_t len);

// Receives the next message that is not an out-of-band notice (those go to the
// OOB delegate on threads of their own). Out: *buf holds the whole message,
// header included, allocated with malloc and owned by the caller; *len its
// total length. A message not whole by its deadline loses the link
// (ConnectionLost).
PtpResult Comms_ReceiveMessage(uint8_t** buf, uint32_t* len);

// The same, split so that bulk data lands where it is wanted without being
// moved: the message's first headLength bytes (at least the relay header; all
// of it when shorter) go to head, the rest straight to `into` when into is
// given, else to a new buffer. Out: *total is the message's length; *body
// (when into is null) is malloc'd, owned by the caller and never null on
// success. A rest longer than capacity is read (the stream stays in step) and
// refused with PtpResult_BadReply.
PtpResult Comms_ReceiveMessageSplit(uint8_t* head, uint32_t headLength, uint8_t* into,
                                    uint32_t capacity, uint8_t** body, uint32_t* total);

// Sends one control message. Called with `held` owning the relay link lock; on
// success it stays held, on failure the connection is closed and the lock
// released here, so the caller returns at once without unlocking.
PtpResult Comms_SendControlRequest(std::unique_lock<std::mutex>& held, uint8_t code,
                                   const uint8_t* payload, uint32_t n);

// Reads one message and takes it as a control reply; returns its result field.
// Out: on success with data, *data (owned by the caller) holds the m data bytes
// and *m is m; otherwise *data is null and *m is 0. When zeroIsOk, a reply
// result of 0 counts as PtpResult_Ok (shared exchanges).
PtpResult Comms_ReadControlReply(uint8_t** data, uint32_t* m, bool zeroIsOk = false);

// The same with the data received straight into `into` (borrowed), which has
// room for `capacity` bytes: a reply with more is refused (BadReply). Out: *m
// is m when the result is OK, else 0.
PtpResult Comms_ReadControlReplyInto(uint8_t* into, uint32_t capacity, uint32_t* m);

// A whole control exchange whose reply data is not wanted.
PtpResult Comms_ControlExchange(uint8_t code, const uint8_t* payload, uint32_t n);

// Sends a share prefix announcing a following message of k bytes. Called with
// the relay link lock held; a failure closes the connection.
PtpResult Comms_SendSharePrefix(uint8_t mode, uint8_t kind, uint32_t r, const uint8_t* record,
                                uint32_t k);

// A share prefix followed by a control exchange with data, under one hold of the
// relay link lock. A reply result of 0 counts as PtpResult_Ok.
PtpResult Comms_SharedControlExchange(const uint8_t* payload, uint32_t n, uint8_t code,
                                      uint8_t mode, uint8_t kind, uint32_t r, const uint8_t* record,
                                      uint8_t** data, uint32_t* m);

// The registered OOB delegate, or null.
PtpOobDelegateFn Comms_OobDelegate();
