// The virtual tripod head on the hub's serial port. Each frame from a client
// arrives in a relay message of type 9 (u32 frame length, u8 command, u32
// argument, extra bytes) and the head answers with a type-9 message whose body
// is one u32:
//    3 shutter release (u32 argument): counted; answers 1.
//    4 move (u32 milliseconds, u8 direction 0 or 1): starts turning and answers
//      1 at once; the head turns for that long (0x0FFFFFFF: until stopped), a
//      new move or a stop ending the one in progress.
//    5 battery: answers the charge in percent (100 at start, one less for each
//      started second of turning, never below 1).
//   10 stop: ends a move; answers 1.
//   11 speed (u16, 1..1023): the turning rate; answers 1.
// A frame of a length other than its command's, an unknown command, a
// direction other than 0 or 1, or a speed of 0 or above 1023 is refused with
// 0. Position is in degrees, growing with direction 1, at speed / 1023 * 30
// degrees per second.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

struct SimHub;

struct SimTripod {
    double position = 0;   // degrees where the current move started (or where it stands)
    uint16_t speed = 512;  // 1..1023
    bool moving = false;
    int direction = 1;     // +1 or -1 while moving
    uint32_t move_ms = 0;  // the current move's length
    std::chrono::steady_clock::time_point move_start;
    uint64_t moved_ms = 0; // all turning so far, for the battery
    bool silent = false;   // the head stopped answering
    uint32_t frames = 0, moves = 0, stops = 0, shutter_releases = 0, refused = 0;
};

// Handles one type-9 message (header included). Appends the answer, a whole
// relay message, to *answer unless the head is silent. The caller holds the hub
// lock.
void SimTripod_Handle(SimTripod& head, const uint8_t* msg, size_t len, std::vector<uint8_t>* answer);

// What the head is doing now.
struct SimTripodFacts {
    double position = 0; // degrees, the turn in progress included
    uint16_t speed = 0;
    uint32_t battery = 0;
    bool moving = false;
    uint32_t frames = 0, moves = 0, stops = 0, shutter_releases = 0, refused = 0;
};
SimTripodFacts SimHub_TripodFacts(const SimHub* hub);

// A head that stops answering (true) or answers again (false). Frames sent to a
// silent head are lost: they have no effect.
void SimHub_SetTripodSilent(SimHub* hub, bool silent);
