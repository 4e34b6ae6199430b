// The Canon camera's session operations: remote and event modes, the full
// report of its properties that event mode starts with, its own event fetch,
// property writes and value requests, and the storing period after a shot.
#include "sim_canon.h"

#include "sim_events.h"
#include "sim_properties.h"

namespace {

constexpr uint16_t kMirrorUp = 0xD13A;

// The write's data phase: u32 length of the whole, u32 property code, then
// the value (u32, or the compound of an image format).
constexpr size_t kWriteHeaderSize = 8;
constexpr size_t kNumberWriteSize = 12;

// The camera's own event fetch ends its data with an empty record.
constexpr uint32_t kTerminatorSize = 8;
constexpr uint32_t kTerminatorType = 0;

// History kept for tests, most recent entries.
constexpr size_t kHistoryLimit = 1024;

bool storing(const SimCameraState& cam) {
    return SimCanonState::Clock::now() < SimCanon_State(cam).busy_until;
}

bool is_model_row(const SimCameraState& cam, const SimPropertyFacts* f) {
    const SimPropertyTable* t = cam.model->model_properties;
    return t && f >= t->rows && f < t->rows + t->count;
}

// Every value, then every list, then whether the camera is busy: what the
// camera sends when the host turns event reporting on.
void queue_full_report(SimCameraState& cam) {
    for (const SimPropertyState& s : cam.properties) {
        if (!is_model_row(cam, s.facts)) continue;
        SimEvent e;
        e.kind = SimEvent_PropertyChanged;
        e.code = s.facts->code;
        e.value = s.bits;
        e.text = s.text;
        e.getset = s.getset;
        SimEvents_Raise(cam, std::move(e));
    }
    for (const SimPropertyState& s : cam.properties) {
        if (!is_model_row(cam, s.facts) || (s.facts->flags & SimPropFlag_ValueOnly)) continue;
        SimEvent e;
        e.kind = SimEvent_AllowedValues;
        e.code = s.facts->code;
        SimEvents_Raise(cam, std::move(e));
    }
    SimEvent busy;
    busy.kind = SimEvent_CameraBusy;
    busy.value = storing(cam) ? 1 : 0;
    SimEvents_Raise(cam, std::move(busy));
    ++SimCanon_State(cam).reports;
}

void ok(SimPtpAnswer* answer) { answer->code = kPtpRespOk; }

} // namespace

SimCanonState& SimCanon_State(SimCameraState& cam) {
    return *static_cast<SimCanonState*>(cam.vendor_state.get());
}

const SimCanonState& SimCanon_State(const SimCameraState& cam) {
    return *static_cast<const SimCanonState*>(cam.vendor_state.get());
}

void SimCanon_Init(SimCameraState& cam) {
    auto c = std::make_shared<SimCanonState>();
    c->started = SimCanonState::Clock::now();
    c->busy_until = c->started;
    cam.vendor_state = std::move(c);
}

void SimCanon_ResetStats(SimCameraState& cam) {
    SimCanonState& c = SimCanon_State(cam);
    c.reports = 0;
    c.pictures = 0;
    c.release_millis.clear();
    c.busy_millis.clear();
    c.writes = 0;
    c.last_written_code = 0;
    c.last_written_value = 0;
    c.lens_drives.clear();
    c.last_bulb_ms = 0;
}

uint32_t SimCanon_Millis(const SimCameraState& cam) {
    auto since = SimCanonState::Clock::now() - SimCanon_State(cam).started;
    return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void SimCanon_Note(std::vector<uint32_t>& history, uint32_t value) {
    if (history.size() >= kHistoryLimit) history.erase(history.begin());
    history.push_back(value);
}

void SimCanon_Tick(SimCameraState& cam) {
    SimCanonState& c = SimCanon_State(cam);
    if (!c.busy_reported || storing(cam)) return;
    c.busy_reported = false;
    SimEvent e;
    e.kind = SimEvent_CameraBusy;
    e.value = 0;
    SimEvents_Raise(cam, std::move(e));
}

bool SimCanon_RefuseWhileStoring(SimCameraState& cam, SimPtpAnswer* answer) {
    if (!storing(cam)) return false;
    SimCanon_Note(SimCanon_State(cam).busy_millis, SimCanon_Millis(cam));
    answer->code = kPtpRespDeviceBusy;
    return true;
}

void SimCanon_SetRemoteMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimCanon_State(cam).remote_mode = cmd.params[0];
    ok(answer);
}

void SimCanon_SetEventMode(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    SimCanon_State(cam).event_mode = cmd.params[0];
    if (cmd.params[0] != 0) queue_full_report(cam);
    ok(answer);
}

void SimCanon_GetEvent(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    ByteWriter w;
    SimEvents_Take(cam, &w.buf);
    write_u32(w, kTerminatorSize);
    write_u32(w, kTerminatorType);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

void SimCanon_KeepDeviceOn(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    ok(answer);
}

// Refused while a shot is being stored (Device Busy); otherwise the answers of
// SimProperties_WriteNumber, and 0x201B for data that is short, longer than its
// own length field says, or a malformed image format.
void SimCanon_SetPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd,
                               SimPtpAnswer* answer) {
    if (SimCanon_RefuseWhileStoring(cam, answer)) return;
    ByteReader r = make_reader(cmd.data, cmd.data_len);
    uint32_t length = read_u32(r);
    uint32_t code = read_u32(r);
    if (!r.ok || length < kWriteHeaderSize || length > cmd.data_len) {
        answer->code = kPtpRespInvalidDevicePropFormat;
        return;
    }
    if (code > 0xFFFF) {
        answer->code = kPtpRespDevicePropNotSupported;
        return;
    }
    ByteReader value = make_reader(cmd.data + kWriteHeaderSize, length - kWriteHeaderSize);
    uint32_t bits = 0;
    bool well_formed = false;
    if (SimCanon_IsImageFormat(uint16_t(code))) {
        well_formed = SimCanon_ReadImageFormat(value, &bits) && bytes_left(value) == 0;
    } else {
        bits = read_u32(value);
        well_formed = value.ok && length == kNumberWriteSize;
    }
    if (!well_formed) {
        answer->code = kPtpRespInvalidDevicePropFormat;
        return;
    }
    if (SimCanon_RefuseLiveViewWrite(cam, uint16_t(code), bits, answer)) return;
    answer->code = SimProperties_WriteNumber(cam, uint16_t(code), bits);
    if (answer->code != kPtpRespOk) return;
    SimCanonState& c = SimCanon_State(cam);
    ++c.writes;
    c.last_written_code = uint16_t(code);
    c.last_written_value = SimProperties_Bits(cam, uint16_t(code), bits);
    if (code == kMirrorUp && c.last_written_value == 0) c.mirror_raised = false;
}

// The current value as data: u32 for numbers (the packed code for image
// formats), a PTP string for STR properties.
void SimCanon_RequestPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd,
                                   SimPtpAnswer* answer) {
    int i = SimProperties_FindOrRefuse(cam, cmd.params[0], answer);
    if (i < 0) return;
    const SimPropertyState& s = cam.properties[size_t(i)];
    ByteWriter w;
    if (s.facts->type == kPtpTypeStr)
        write_ptp_string(w, s.text.c_str());
    else
        write_u32(w, s.bits);
    SimCamera_AnswerData(answer, std::move(w.buf));
}
