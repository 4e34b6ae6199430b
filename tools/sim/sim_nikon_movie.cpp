// The Nikon camera's movie recording: 0x920A starts it in live view (on bodies
// with a live-view selector, 0xD1A6, only while it is set to movie), 0x920B
// stops it, and the camera then stores a MOV file announced by ObjectAdded.
// Ending live view stops a recording the same way.
//
// The file is a small QuickTime movie: ftyp, mdat (a little data per second
// recorded) and moov with the movie header giving its duration.
#include "sim_nikon.h"

#include "sim_properties.h"
#include "sim_storage.h"

#include <memory>

namespace {

constexpr uint16_t kRespNotInLiveView = 0xA00B;
// The camera is in the wrong state for the request (photo selector, already
// recording, or not recording).
constexpr uint16_t kRespWrongState = 0xA004;
constexpr uint16_t kPropLiveViewSelector = 0xD1A6;
constexpr uint32_t kSelectorMovie = 1;

constexpr uint32_t kLastFileNumber = 9999; // picture numbers run 0001 to 9999
constexpr uint32_t kTimescale = 1000;      // the movie header counts milliseconds
constexpr size_t kDataPerSecond = 16384;
constexpr size_t kMinData = 1024;

void write_be32(ByteWriter& w, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        write_u8(w, uint8_t(v >> shift));
}

void box(ByteWriter& w, const char* type, const ByteWriter& body) {
    write_be32(w, uint32_t(8 + body.buf.size()));
    write_bytes(w, type, 4);
    write_bytes(w, body.buf.data(), body.buf.size());
}

std::vector<uint8_t> movie_file(uint32_t millis) {
    ByteWriter out, ftyp, mdat, mvhd, moov;
    write_bytes(ftyp, "qt  ", 4);
    write_be32(ftyp, 0x200);
    write_bytes(ftyp, "qt  ", 4);
    box(out, "ftyp", ftyp);

    const size_t data = kMinData + kDataPerSecond * millis / 1000;
    for (size_t i = 0; i < data; ++i)
        write_u8(mdat, uint8_t(i * 7));
    box(out, "mdat", mdat);

    write_be32(mvhd, 0); // version and flags
    write_be32(mvhd, 0); // creation time
    write_be32(mvhd, 0); // modification time
    write_be32(mvhd, kTimescale);
    write_be32(mvhd, millis);
    write_be32(mvhd, 0x00010000);         // rate 1.0
    write_u8(mvhd, 1), write_u8(mvhd, 0); // volume 1.0
    for (int i = 0; i < 10; ++i)
        write_u8(mvhd, 0);
    const uint32_t identity[9] = {0x00010000, 0, 0, 0, 0x00010000, 0, 0, 0, 0x40000000};
    for (uint32_t v : identity)
        write_be32(mvhd, v);
    for (int i = 0; i < 6; ++i) // preview, poster, selection and current times
        write_be32(mvhd, 0);
    write_be32(mvhd, 1); // next track id
    box(moov, "mvhd", mvhd);
    box(out, "moov", moov);
    return std::move(out.buf);
}

} // namespace

void SimNikon_StartMovie(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimNikonState& n = SimNikon_State(cam);
    const bool selector = SimProperties_Find(cam, kPropLiveViewSelector) >= 0;
    if (!n.live_view) {
        answer->code = kRespNotInLiveView;
    } else if (n.recording ||
               (selector && SimProperties_Bits(cam, kPropLiveViewSelector, 0) != kSelectorMovie)) {
        answer->code = kRespWrongState;
    } else {
        n.recording = true;
        n.recording_since = SimNikonState::Clock::now();
        answer->code = kPtpRespOk;
    }
}

void SimNikon_StopMovie(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    if (!SimNikon_State(cam).recording) {
        answer->code = kRespWrongState;
        return;
    }
    SimNikon_EndRecording(cam);
    answer->code = kPtpRespOk;
}

void SimNikon_EndRecording(SimCameraState& cam) {
    SimNikonState& n = SimNikon_State(cam);
    if (!n.recording) return;
    n.recording = false;
    const auto took = SimNikonState::Clock::now() - n.recording_since;
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    const uint32_t number = cam.next_file_number;
    cam.next_file_number = number >= kLastFileNumber ? 1 : number + 1;
    const std::string name = SimStorage_NameFromFormat("DSC_%04u.MOV", number);
    SimStorage_Add(cam, name.c_str(), nullptr,
                   std::make_shared<const std::vector<uint8_t>>(movie_file(uint32_t(millis))),
                   true);
}
