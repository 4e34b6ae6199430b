// The hub's own SD card, a directory on disk: its state and the control codes
// that reach it (sim_hub.h describes them). Internal to the sim; the handlers
// are called with the hub lock held, like every control handler.
#pragma once

#include "sim_hub.h"
#include "sim_pictures.h"

#include "comms/bytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct SimSdCard {
    std::string dir;    // the card's directory
    bool owned = false; // made by the hub: removed with its contents at stop
    uint32_t format_delay_ms = 0;
    uint16_t format_result = 0x2001;
    uint32_t pending_stall_ms = 0; // a wait the last request asked for, taken by the relay
    SimSdPartFault part_fault = SimSdPart_None;
    uint32_t part_fault_skip = 0;
    SimSdStats stats;
};

// Sets the card up: `dir` when given, else a new temporary directory seeded
// with copies of the pictures, named as their source files (the sim's own
// picture IMG_0001.JPG). False when the directory does not exist or cannot be
// made.
bool SimSd_Open(SimSdCard& sd, const char* dir, const std::vector<SimPicture>& seed);

// True for a name that stays inside the card's directory: not empty, at most
// 255 characters, without "/", "\" or "..".
bool SimSd_NameIsSafe(const std::string& name);

// Removes a directory the hub made, with everything in it.
void SimSd_Close(SimSdCard& sd);

// The wait the last request asked for (then 0).
uint32_t SimSd_TakeStall(SimSdCard& sd);

// Control code handlers, in the relay's handler form: the reply data goes to
// `data`, the result is returned.
uint16_t SimSd_ListNames(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Thumbnail(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_FileSize(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_SetTime(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Info(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_FilePart(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Extracted(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Delete(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_SaveObject(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Exists(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_Format(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
uint16_t SimSd_TransferFlag(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data);
