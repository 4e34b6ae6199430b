// The sharing table: per PTP operation code, the share prefix that the relay
// link's default send puts ahead of every command with that code.
//
// The table lock is innermost: the default send takes it under the transaction
// and relay link locks, and nothing is called while it is held.
#pragma once

#include <cstdint>

#include "comms/ptp_transport.h"

// A share prefix's fields after its relay header: inner length (record length
// + 10), share mode, record kind, record length.
struct PtpShareDescriptor {
    uint32_t innerLength = 0;
    uint8_t mode = 0;
    uint8_t kind = 0;
    uint32_t recordLength = 0;
};

constexpr int kMaxShareEntries = 10;
constexpr uint8_t kShareModeOwnData = 0xA2; // this client's own data to the others
constexpr uint8_t kShareKindNone = 0;

// Registers op with the descriptor and a private copy of recordLength bytes of
// record, replacing the entry op already has. False, with the table unchanged,
// when the descriptor announces a record but none is given, when the table is
// full, the lock fails or the copy cannot be allocated. Borrows record.
bool PtpRelay_RegisterShare(uint32_t op, const PtpShareDescriptor& descriptor,
                            const uint8_t* record);

// Removes op's entry; false when it has none or the lock fails.
bool PtpRelay_UnregisterShare(uint32_t op);

// Copies op's entry (mode, kind and record) into *out; false when op has none.
// The default send's lookup. May throw std::bad_alloc.
bool PtpRelay_FindShare(uint16_t op, CommsShareEntry* out);
