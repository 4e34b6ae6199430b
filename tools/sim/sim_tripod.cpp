// The virtual tripod head: serial frames in, type-9 answers out, and a turn
// that takes its time (its position is computed from the clock when asked).
#include "sim_tripod.h"

#include "sim_internal.h"

#include "comms/bytes.h"

#include <algorithm>

namespace {

constexpr uint8_t kMsgSerial = 9;
constexpr size_t kHeaderSize = 5;
constexpr uint32_t kFrameBaseSize = 9;

constexpr uint8_t kCmdShutter = 3;
constexpr uint8_t kCmdMove = 4;
constexpr uint8_t kCmdBattery = 5;
constexpr uint8_t kCmdStop = 10;
constexpr uint8_t kCmdSpeed = 11;

constexpr uint16_t kMaxSpeed = 1023;
constexpr double kDegreesPerSecondAtMax = 30;
constexpr uint32_t kRefused = 0;
constexpr uint32_t kTaken = 1;

using Clock = std::chrono::steady_clock;

// Milliseconds the current move has turned so far.
uint64_t turned_ms(const SimTripod& h, Clock::time_point now) {
    if (!h.moving) return 0;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - h.move_start).count();
    return std::min<uint64_t>(uint64_t(std::max<int64_t>(ms, 0)), h.move_ms);
}

double position_at(const SimTripod& h, Clock::time_point now) {
    double rate = kDegreesPerSecondAtMax * h.speed / kMaxSpeed;
    return h.position + h.direction * rate * double(turned_ms(h, now)) / 1000.0;
}

// Ends the move in progress where the head stands now.
void settle(SimTripod& h, Clock::time_point now) {
    if (!h.moving) return;
    h.position = position_at(h, now);
    h.moved_ms += turned_ms(h, now);
    h.moving = false;
}

uint32_t battery(const SimTripod& h, Clock::time_point now) {
    uint64_t ms = h.moved_ms + turned_ms(h, now);
    uint64_t used = (ms + 999) / 1000;
    return used >= 99 ? 1 : uint32_t(100 - used);
}

uint32_t run(SimTripod& h, uint8_t command, uint32_t argument, ByteReader& extra, uint32_t length) {
    const Clock::time_point now = Clock::now();
    switch (command) {
    case kCmdShutter:
        if (length != kFrameBaseSize) return kRefused;
        ++h.shutter_releases;
        return kTaken;
    case kCmdMove: {
        uint8_t direction = read_u8(extra);
        if (length != kFrameBaseSize + 1 || direction > 1) return kRefused;
        settle(h, now);
        h.moving = true;
        h.direction = direction == 1 ? 1 : -1;
        h.move_ms = argument;
        h.move_start = now;
        ++h.moves;
        return kTaken;
    }
    case kCmdBattery:
        if (length != kFrameBaseSize) return kRefused;
        return battery(h, now);
    case kCmdStop:
        if (length != kFrameBaseSize) return kRefused;
        settle(h, now);
        ++h.stops;
        return kTaken;
    case kCmdSpeed: {
        uint16_t speed = read_u16(extra);
        if (length != kFrameBaseSize + 2 || speed == 0 || speed > kMaxSpeed) return kRefused;
        if (h.moving) { // the rest of the move turns at the new rate
            uint32_t left = h.move_ms - uint32_t(turned_ms(h, now));
            settle(h, now);
            h.moving = true;
            h.move_ms = left;
            h.move_start = now;
        }
        h.speed = speed;
        return kTaken;
    }
    default: return kRefused;
    }
}

} // namespace

void SimTripod_Handle(SimTripod& h, const uint8_t* msg, size_t len, std::vector<uint8_t>* answer) {
    if (h.silent) return;
    ++h.frames;
    ByteReader r = make_reader(msg, len);
    skip(r, kHeaderSize);
    uint32_t length = read_u32(r);
    uint8_t command = read_u8(r);
    uint32_t argument = read_u32(r);
    uint32_t value = kRefused;
    // The frame's own length must be what the message carries.
    if (r.ok && len - kHeaderSize == length) value = run(h, command, argument, r, length);
    if (value == kRefused && command != kCmdBattery) ++h.refused;
    ByteWriter w;
    write_u32(w, uint32_t(kHeaderSize + 4));
    write_u8(w, kMsgSerial);
    write_u32(w, value);
    answer->insert(answer->end(), w.buf.begin(), w.buf.end());
}

SimTripodFacts SimHub_TripodFacts(const SimHub* hub) {
    SimTripodFacts f;
    if (!hub) return f;
    std::lock_guard<std::mutex> guard(hub->lock);
    const SimTripod& h = hub->tripod;
    const Clock::time_point now = Clock::now();
    f.position = position_at(h, now);
    f.speed = h.speed;
    f.battery = battery(h, now);
    f.moving = h.moving && turned_ms(h, now) < h.move_ms;
    f.frames = h.frames;
    f.moves = h.moves;
    f.stops = h.stops;
    f.shutter_releases = h.shutter_releases;
    f.refused = h.refused;
    return f;
}

void SimHub_SetTripodSilent(SimHub* hub, bool silent) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->tripod.silent = silent;
}
