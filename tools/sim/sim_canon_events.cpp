// Canon event data: a sequence of records, each u32 size (the whole record,
// header included), u32 record type, payload; little-endian throughout.
//
//   0xC189 value changed    +8 u32 property code, +12 the value: u32 for
//                           numbers, the compound for image formats, the text
//                           and a NUL for strings
//   0xC18A allowed values   +8 u32 code, +12 u32 PTP data type, +16 u32 count,
//                           +20 the values: u32 each, compounds for image formats
//   0xC18B camera busy      +8 u32 1 busy storing a shot, 0 done
//   0xC181 object added     +8 u32 handle (the host asks for the rest)
//   0xC1A7 object added     +8 handle, +12 storage, +16 u32 format, +20 parent,
//                           +28 u32 size, +44 file name and a NUL
//   0xC1B6 object added     as 0xC1A7 up to +44, then +48 the file name as a
//                           PTP string (count byte, UCS-2 units with the NUL)
//   0xC182 object removed   +8 u32 handle
#include "sim_canon.h"

#include "sim_properties.h"

namespace {

constexpr uint32_t kRecordValueChanged = 0xC189;
constexpr uint32_t kRecordAllowedValues = 0xC18A;
constexpr uint32_t kRecordCameraBusy = 0xC18B;
constexpr uint32_t kRecordObjectAdded = 0xC181;
constexpr uint32_t kRecordObjectAddedWithName = 0xC1A7;
constexpr uint32_t kRecordObjectAddedWithString = 0xC1B6;
constexpr uint32_t kRecordObjectRemoved = 0xC182;

constexpr uint16_t kFirstImageFormat = 0xD120;
constexpr uint16_t kLastImageFormat = 0xD123;

constexpr uint32_t kRootParent = 0;
constexpr uint32_t kFormatBlockSize = 16;
constexpr uint32_t kMaxFormats = 2;

// The fields of one format in a packed code, and where the second one sits.
constexpr unsigned kSecondShift = 14;
constexpr uint32_t kKindMask = 0xF, kSizeMask = 0x3F, kQualityMask = 0xF;

size_t begin_record(ByteWriter& w, uint32_t type) {
    size_t at = w.buf.size();
    write_u32(w, 0);
    write_u32(w, type);
    return at;
}

void end_record(ByteWriter& w, size_t at) { put_u32(&w.buf[at], uint32_t(w.buf.size() - at)); }

// A format of 14 bits: kind at 10, size at 4, quality at 0.
void write_format_block(ByteWriter& w, uint32_t format) {
    write_u32(w, kFormatBlockSize);
    write_u32(w, (format >> 10) & kKindMask);
    write_u32(w, (format >> 4) & kSizeMask);
    write_u32(w, format & kQualityMask);
}

const SimPropertyFacts* facts_for(const SimCameraState& cam, uint16_t code) {
    int i = SimProperties_Find(cam, code);
    return i < 0 ? nullptr : cam.properties[size_t(i)].facts;
}

void write_value_changed(ByteWriter& w, const SimCameraState& cam, const SimEvent& e) {
    const SimPropertyFacts* f = facts_for(cam, e.code);
    size_t at = begin_record(w, kRecordValueChanged);
    write_u32(w, e.code);
    if (f && f->type == kPtpTypeStr)
        write_bytes(w, e.text.c_str(), e.text.size() + 1);
    else if (SimCanon_IsImageFormat(e.code))
        SimCanon_WriteImageFormat(w, e.value);
    else
        write_u32(w, e.value);
    end_record(w, at);
}

// Numeric enumerations are listed; every other form, and STR properties, give
// an empty list.
void write_allowed_values(ByteWriter& w, const SimCameraState& cam, const SimEvent& e) {
    const SimPropertyFacts* f = facts_for(cam, e.code);
    if (!f) return;
    bool listed = f->form == SimForm_Enum && f->type != kPtpTypeStr;
    size_t count = listed ? f->values.count : 0;
    size_t at = begin_record(w, kRecordAllowedValues);
    write_u32(w, e.code);
    write_u32(w, f->type);
    write_u32(w, uint32_t(count));
    for (size_t k = 0; k < count; ++k) {
        uint32_t v = SimProperties_Cut(f->type, f->values.values[k]);
        if (SimCanon_IsImageFormat(e.code))
            SimCanon_WriteImageFormat(w, v);
        else
            write_u32(w, v);
    }
    end_record(w, at);
}

void write_handle_record(ByteWriter& w, uint32_t type, uint32_t handle) {
    size_t at = begin_record(w, type);
    write_u32(w, handle);
    end_record(w, at);
}

// The fields the two named records share, from +8 to +44.
void write_object_fields(ByteWriter& w, const SimEvent& e) {
    write_u32(w, e.handle);
    write_u32(w, kStorageIdCard1);
    write_u32(w, e.format);
    write_u32(w, kRootParent);
    write_u32(w, 0);      // +24
    write_u32(w, e.size); // +28
    for (int k = 0; k < 3; ++k)
        write_u32(w, 0); // +32, +36, +40
}

void write_object_added(ByteWriter& w, const SimCameraState& cam, const SimEvent& e) {
    uint16_t record = SimCanon_State(cam).object_record;
    uint32_t type = record ? record : cam.model->object_added_record;
    switch (type) {
    case kRecordObjectAdded: write_handle_record(w, type, e.handle); break;
    case kRecordObjectAddedWithString: {
        size_t at = begin_record(w, type);
        write_object_fields(w, e);
        write_u32(w, 0); // +44
        write_ptp_string(w, e.name.c_str());
        end_record(w, at);
        break;
    }
    default: {
        size_t at = begin_record(w, kRecordObjectAddedWithName);
        write_object_fields(w, e);
        write_bytes(w, e.name.c_str(), e.name.size() + 1);
        end_record(w, at);
        break;
    }
    }
}

} // namespace

bool SimCanon_IsImageFormat(uint16_t code) {
    return code >= kFirstImageFormat && code <= kLastImageFormat;
}

// The count is written as packed, so a test can make the camera report one the
// host must refuse; at most two blocks follow it.
void SimCanon_WriteImageFormat(ByteWriter& w, uint32_t packed) {
    uint32_t count = packed >> 28;
    write_u32(w, count);
    if (count >= 1) write_format_block(w, (packed >> kSecondShift) & 0x3FFF);
    if (count >= 2) write_format_block(w, packed & 0x3FFF);
}

bool SimCanon_ReadImageFormat(ByteReader& r, uint32_t* packed) {
    uint32_t count = read_u32(r);
    if (!r.ok || count < 1 || count > kMaxFormats) return false;
    uint32_t code = count << 28;
    for (uint32_t k = 0; k < count; ++k) {
        uint32_t block = read_u32(r);
        uint32_t kind = read_u32(r);
        uint32_t size = read_u32(r);
        uint32_t quality = read_u32(r);
        if (!r.ok || block != kFormatBlockSize || kind > kKindMask || size > kSizeMask ||
            quality > kQualityMask)
            return false;
        uint32_t format = kind << 10 | size << 4 | quality;
        code |= k == 0 ? format << kSecondShift : format;
    }
    *packed = code;
    return true;
}

void SimCanonEvents_Encode(const SimCameraState& cam, const std::deque<SimEvent>& events,
                           ByteWriter& out) {
    for (const SimEvent& e : events) {
        switch (e.kind) {
        case SimEvent_PropertyChanged: write_value_changed(out, cam, e); break;
        case SimEvent_AllowedValues: write_allowed_values(out, cam, e); break;
        case SimEvent_CameraBusy: {
            size_t at = begin_record(out, kRecordCameraBusy);
            write_u32(out, e.value);
            end_record(out, at);
            break;
        }
        case SimEvent_ObjectAdded: write_object_added(out, cam, e); break;
        case SimEvent_ObjectRemoved:
            write_handle_record(out, kRecordObjectRemoved, e.handle);
            break;
        case SimEvent_Raw: write_bytes(out, e.raw.data(), e.raw.size()); break;
        }
    }
}
