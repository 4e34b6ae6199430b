// Timed capture sequences that the Tetherhub runs on its own, so that the
// intervals are not stretched by the network: a repeat block, a bracket block
// or both, described in one control request.
#include <new>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "comms/relay_link.h"
#include "comms/services.h"

namespace {

constexpr uint8_t kFlagRepeatBlock = 0x01;
constexpr uint8_t kFlagBracketBlock = 0x02;

// Bracketing bulb exposures: the hub drives the exposure time itself.
constexpr uint32_t kBulbMarker = 0x1234;

} // namespace

PtpResult Comms_BuildCaptureSequence(const CaptureSequence& seq, uint8_t focusMode,
                                     std::vector<uint8_t>* out) {
    bool bracket = seq.bracketCount > 0;
    bool repeat = seq.repeatCount > 0;
    if (!bracket && !repeat) return PtpResult_InvalidArgument;
    // The counts travel as 16 bits; a larger one would be cut to another count.
    if (seq.bracketCount > UINT16_MAX || seq.repeatCount > UINT16_MAX)
        return PtpResult_InvalidArgument;

    ByteWriter blocks;
    if (bracket) {
        write_u32(blocks, seq.bulbSeconds > 0.0f ? kBulbMarker : uint32_t(seq.propertyCode));
        write_u32(blocks, seq.centre);
        write_u32(blocks, seq.step);
        write_u16(blocks, uint16_t(seq.bracketCount));
        write_u8(blocks, seq.order);
        write_f32(blocks, seq.interval);
        write_u16(blocks, 0);
        write_u8(blocks, focusMode);
    }
    if (repeat) {
        write_u16(blocks, uint16_t(seq.repeatCount));
        write_f32(blocks, seq.repeatA2);
        write_f32(blocks, seq.repeatA3);
        write_f32(blocks, seq.bulbSeconds);
        write_u16(blocks, 0);
        write_u8(blocks, focusMode);
    }
    ByteWriter w;
    write_u8(w, uint8_t((bracket ? kFlagBracketBlock : 0) | (repeat ? kFlagRepeatBlock : 0)));
    write_u8(w, seq.a11);
    write_u32(w, uint32_t(blocks.buf.size()));
    write_bytes(w, blocks.buf.data(), blocks.buf.size());
    out->swap(w.buf);
    return PtpResult_Ok;
}

PtpResult Comms_SendCaptureSequence(const CaptureSequence& seq, uint8_t focusMode) {
    try {
        std::vector<uint8_t> payload;
        PtpResult rc = Comms_BuildCaptureSequence(seq, focusMode, &payload);
        if (rc != PtpResult_Ok) return rc;
        return Comms_ControlExchange(kControlRepeatImageCapture, payload.data(),
                                     uint32_t(payload.size()));
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}
