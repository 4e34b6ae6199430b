// Device properties: the DevicePropDesc data set (standard layout: code, data
// type, GetSet, factory default, current value, form flag, form), value reads
// and writes, and changes made in the camera. Values travel little-endian at the
// width of their type; STR values as PTP strings.
#include "sim_properties.h"

#include "sim_events.h"

#include "comms/bytes.h"

#include <cstring>

namespace {

// What write_ptp_string can carry.
constexpr size_t kMaxTextLength = 254;

const SimPropertyFacts& facts_of(const SimCameraState& cam, int i) {
    return *cam.properties[size_t(i)].facts;
}

bool is_text(uint16_t type) { return type == kPtpTypeStr; }

size_t type_size(uint16_t type) {
    switch (type) {
    case kPtpTypeInt8:
    case kPtpTypeUint8: return 1;
    case kPtpTypeInt16:
    case kPtpTypeUint16: return 2;
    case kPtpTypeInt32:
    case kPtpTypeUint32: return 4;
    default: return 0;
    }
}

bool is_signed(uint16_t type) {
    return type == kPtpTypeInt8 || type == kPtpTypeInt16 || type == kPtpTypeInt32;
}

// A number as it goes on the wire: cut to the type's width, zero-extended.
uint32_t cut(uint16_t type, int64_t v) {
    switch (type_size(type)) {
    case 1: return uint32_t(v) & 0xFFu;
    case 2: return uint32_t(v) & 0xFFFFu;
    default: return uint32_t(v);
    }
}

// Wire bits back to the number they stand for.
int64_t number(uint16_t type, uint32_t bits) {
    if (!is_signed(type)) return bits;
    switch (type_size(type)) {
    case 1: return int8_t(uint8_t(bits));
    case 2: return int16_t(uint16_t(bits));
    default: return int32_t(bits);
    }
}

void write_value(ByteWriter& w, uint16_t type, uint32_t bits) {
    switch (type_size(type)) {
    case 1: write_u8(w, uint8_t(bits)); break;
    case 2: write_u16(w, uint16_t(bits)); break;
    default: write_u32(w, bits); break;
    }
}

int text_index(const SimPropertyFacts& f, const std::string& text) {
    for (size_t k = 0; k < f.texts.count; ++k)
        if (text == f.texts.texts[k]) return int(k);
    return -1;
}

// The value a change event carries: the bits, or a STR value's place in its list.
uint32_t event_value(const SimPropertyFacts& f, const SimPropertyState& s) {
    if (!is_text(f.type)) return s.bits;
    int k = text_index(f, s.text);
    return k < 0 ? 0 : uint32_t(k);
}

void raise_changed(SimCameraState& cam, int i) {
    SimEvent e;
    e.kind = SimEvent_PropertyChanged;
    e.code = facts_of(cam, i).code;
    e.value = event_value(facts_of(cam, i), cam.properties[size_t(i)]);
    if (is_text(facts_of(cam, i).type)) e.text = cam.properties[size_t(i)].text;
    e.getset = cam.properties[size_t(i)].getset;
    SimEvents_Raise(cam, std::move(e));
}

// A PTP string filling the data exactly: count byte (units with the NUL), the
// UCS-2 units, the last one NUL. Units above 0xFF become '?'.
bool parse_text(const uint8_t* data, size_t n, std::string* out) {
    ByteReader r = make_reader(data, n);
    uint8_t units = read_u8(r);
    if (!r.ok || bytes_left(r) != size_t(units) * 2) return false;
    out->clear();
    for (uint8_t k = 0; k < units; ++k) {
        uint16_t u = read_u16(r);
        if (k + 1 == units) return u == 0;
        if (u == 0) return false; // a NUL before the end
        out->push_back(u <= 0xFF ? char(u) : '?');
    }
    return true; // the empty string
}

bool value_allowed(const SimPropertyFacts& f, uint32_t bits, const std::string& text) {
    if (is_text(f.type)) return f.form != SimForm_Enum || text_index(f, text) >= 0;
    switch (f.form) {
    case SimForm_Range: {
        int64_t v = number(f.type, bits);
        if (v < f.min || v > f.max) return false;
        return f.step <= 0 || (v - f.min) % f.step == 0;
    }
    case SimForm_Enum:
        for (size_t k = 0; k < f.values.count; ++k)
            if (cut(f.type, f.values.values[k]) == bits) return true;
        return false;
    case SimForm_None: return true;
    }
    return false;
}

} // namespace

void SimProperties_Reset(SimCameraState& cam) {
    cam.properties.clear();
    if (!cam.model) return;
    for (const SimPropertyTable* table : {cam.model->properties, cam.model->model_properties}) {
        if (!table) continue;
        for (size_t i = 0; i < table->count; ++i) {
            const SimPropertyFacts& f = table->rows[i];
            SimPropertyState s;
            s.facts = &f;
            s.getset = f.getset;
            if (is_text(f.type))
                s.text = f.current_text ? f.current_text : "";
            else
                s.bits = cut(f.type, f.current);
            cam.properties.push_back(std::move(s));
        }
    }
}

int SimProperties_Find(const SimCameraState& cam, uint16_t code) {
    for (size_t i = 0; i < cam.properties.size(); ++i)
        if (facts_of(cam, int(i)).code == code) return int(i);
    return -1;
}

int SimProperties_FindOrRefuse(const SimCameraState& cam, uint32_t code, SimPtpAnswer* answer) {
    int i = code > 0xFFFF ? -1 : SimProperties_Find(cam, uint16_t(code));
    if (i < 0) answer->code = kPtpRespDevicePropNotSupported;
    return i;
}

void SimProperties_GetDesc(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    int i = SimProperties_FindOrRefuse(cam, cmd.params[0], answer);
    if (i < 0) return;
    const SimPropertyFacts& f = facts_of(cam, i);
    const SimPropertyState& s = cam.properties[size_t(i)];
    ByteWriter w;
    write_u16(w, f.code);
    write_u16(w, f.type);
    write_u8(w, s.getset);
    if (is_text(f.type)) {
        write_ptp_string(w, f.factory_text);
        write_ptp_string(w, s.text.c_str());
    } else {
        write_value(w, f.type, cut(f.type, f.factory));
        write_value(w, f.type, s.bits);
    }
    write_u8(w, f.form);
    if (f.form == SimForm_Range && !is_text(f.type)) {
        write_value(w, f.type, cut(f.type, f.min));
        write_value(w, f.type, cut(f.type, f.max));
        write_value(w, f.type, cut(f.type, f.step));
    } else if (f.form == SimForm_Enum && is_text(f.type)) {
        write_u16(w, uint16_t(f.texts.count));
        for (size_t k = 0; k < f.texts.count; ++k)
            write_ptp_string(w, f.texts.texts[k]);
    } else if (f.form == SimForm_Enum) {
        write_u16(w, uint16_t(f.values.count));
        for (size_t k = 0; k < f.values.count; ++k)
            write_value(w, f.type, cut(f.type, f.values.values[k]));
    }
    SimCamera_AnswerData(answer, std::move(w.buf));
}

void SimProperties_GetValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    int i = SimProperties_FindOrRefuse(cam, cmd.params[0], answer);
    if (i < 0) return;
    const SimPropertyFacts& f = facts_of(cam, i);
    const SimPropertyState& s = cam.properties[size_t(i)];
    ByteWriter w;
    if (is_text(f.type))
        write_ptp_string(w, s.text.c_str());
    else
        write_value(w, f.type, s.bits);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

// Refusals, in order: unknown property 0x200A; read-only 0x200F; no data, data
// of the wrong size or a malformed string 0x201B; a value outside the form
// 0x201C. A stored value raises DevicePropChanged, even when it is unchanged.
void SimProperties_SetValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    int i = SimProperties_FindOrRefuse(cam, cmd.params[0], answer);
    if (i < 0) return;
    const SimPropertyFacts& f = facts_of(cam, i);
    SimPropertyState& s = cam.properties[size_t(i)];
    if (s.getset == 0) {
        answer->code = kPtpRespAccessDenied;
        return;
    }
    uint32_t bits = 0;
    std::string text;
    if (is_text(f.type)) {
        if (!cmd.data || !parse_text(cmd.data, cmd.data_len, &text)) {
            answer->code = kPtpRespInvalidDevicePropFormat;
            return;
        }
    } else {
        size_t size = type_size(f.type);
        if (!cmd.data || cmd.data_len != size) {
            answer->code = kPtpRespInvalidDevicePropFormat;
            return;
        }
        for (size_t k = 0; k < size; ++k)
            bits |= uint32_t(cmd.data[k]) << (8 * k);
    }
    if (!value_allowed(f, bits, text)) {
        answer->code = kPtpRespInvalidDevicePropValue;
        return;
    }
    s.bits = bits;
    s.text.swap(text);
    raise_changed(cam, i);
    answer->code = kPtpRespOk;
}

uint16_t SimProperties_WriteNumber(SimCameraState& cam, uint16_t code, uint32_t value) {
    int i = SimProperties_Find(cam, code);
    if (i < 0) return kPtpRespDevicePropNotSupported;
    const SimPropertyFacts& f = facts_of(cam, i);
    SimPropertyState& s = cam.properties[size_t(i)];
    if (s.getset == 0) return kPtpRespAccessDenied;
    if (is_text(f.type)) return kPtpRespInvalidDevicePropFormat;
    uint32_t bits = cut(f.type, int64_t(value));
    if (!value_allowed(f, bits, std::string())) return kPtpRespInvalidDevicePropValue;
    s.bits = bits;
    raise_changed(cam, i);
    return kPtpRespOk;
}

uint32_t SimProperties_Bits(const SimCameraState& cam, uint16_t code, uint32_t fallback) {
    int i = SimProperties_Find(cam, code);
    if (i < 0 || is_text(facts_of(cam, i).type)) return fallback;
    return cam.properties[size_t(i)].bits;
}

uint32_t SimProperties_Cut(uint16_t type, int64_t value) { return cut(type, value); }

bool SimProperties_SetFromCamera(SimCameraState& cam, uint16_t code, uint32_t value) {
    int i = SimProperties_Find(cam, code);
    if (i < 0) return false;
    const SimPropertyFacts& f = facts_of(cam, i);
    SimPropertyState& s = cam.properties[size_t(i)];
    if (is_text(f.type)) {
        if (f.form != SimForm_Enum || value >= f.texts.count) return false;
        s.text = f.texts.texts[value];
    } else {
        s.bits = cut(f.type, int64_t(value));
    }
    raise_changed(cam, i);
    return true;
}

bool SimProperties_SetTextFromCamera(SimCameraState& cam, uint16_t code, const char* text) {
    int i = SimProperties_Find(cam, code);
    if (i < 0 || !is_text(facts_of(cam, i).type)) return false;
    std::string t = text ? text : "";
    if (t.size() > kMaxTextLength) t.resize(kMaxTextLength);
    cam.properties[size_t(i)].text.swap(t);
    raise_changed(cam, i);
    return true;
}

bool SimProperties_Value(const SimCameraState& cam, uint16_t code, uint32_t* value) {
    int i = SimProperties_Find(cam, code);
    if (i < 0 || !value) return false;
    *value = event_value(facts_of(cam, i), cam.properties[size_t(i)]);
    return true;
}

bool SimProperties_Text(const SimCameraState& cam, uint16_t code, std::string* text) {
    int i = SimProperties_Find(cam, code);
    if (i < 0 || !text || !is_text(facts_of(cam, i).type)) return false;
    *text = cam.properties[size_t(i)].text;
    return true;
}

bool SimProperties_SetAccess(SimCameraState& cam, uint16_t code, bool writable) {
    int i = SimProperties_Find(cam, code);
    if (i < 0) return false;
    cam.properties[size_t(i)].getset = writable ? 1 : 0;
    raise_changed(cam, i);
    return true;
}
