// Each Sony body's vendor properties beside the Sony table every body shares
// (sim_model_properties.cpp), and the all-properties data they are served in:
// u64 descriptor count, then per property u16 code, u16 type, u8 get/set,
// u8 enabled (1 settable), factory and current value, u8 form (1 range, 2
// enumeration) and the form's data. Newer bodies follow an enumeration with a
// second list (the values the camera supports at all), here the same one.
// Shutter speeds are numerator << 16 | denominator seconds, 0 is bulb; ISO
// 0xFFFFFF is automatic.
#include "sim_sony.h"

#include "sim_properties.h"
#include "sim_property_rows.h"

#include "comms/bytes.h"

namespace {

constexpr uint16_t kShutterSpeed = 0xD20D;
constexpr uint16_t kIso = 0xD21E;
constexpr uint16_t kFNumber = 0x5007;
constexpr uint8_t kFormRange = 1;
constexpr uint8_t kFormEnumeration = 2;

// clang-format off

#define TENTHS(n) (int64_t(n) << 16 | 10)
#define FRACTION(d) (int64_t(1) << 16 | (d))
// Bulb, 30" .. 1/4000, in the order the camera steps through them.
#define SONY_SHUTTER_TO_4000                                                                       \
    0, TENTHS(300), TENTHS(250), TENTHS(200), TENTHS(150), TENTHS(130), TENTHS(100), TENTHS(80),   \
    TENTHS(60), TENTHS(50), TENTHS(40), TENTHS(32), TENTHS(25), TENTHS(20), TENTHS(16),            \
    TENTHS(13), TENTHS(10), TENTHS(8), TENTHS(6), TENTHS(5), TENTHS(4), FRACTION(3), FRACTION(4),  \
    FRACTION(5), FRACTION(6), FRACTION(8), FRACTION(10), FRACTION(13), FRACTION(15),               \
    FRACTION(20), FRACTION(25), FRACTION(30), FRACTION(40), FRACTION(50), FRACTION(60),            \
    FRACTION(80), FRACTION(100), FRACTION(125), FRACTION(160), FRACTION(200), FRACTION(250),       \
    FRACTION(320), FRACTION(400), FRACTION(500), FRACTION(640), FRACTION(800), FRACTION(1000),     \
    FRACTION(1250), FRACTION(1600), FRACTION(2000), FRACTION(2500), FRACTION(3200), FRACTION(4000)
constexpr int64_t kShutterTo4000[] = {SONY_SHUTTER_TO_4000};
constexpr int64_t kShutterTo8000[] = {
    SONY_SHUTTER_TO_4000, FRACTION(5000), FRACTION(6400), FRACTION(8000)};
constexpr int64_t k125 = FRACTION(125);

constexpr int64_t kAutoIso = 0xFFFFFF;
// The APS-C body steps from automatic to ISO 50 and up in thirds to 25600.
constexpr int64_t kIsoTo25600[] = {
    kAutoIso, 50, 64, 80, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600,
    2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600};
constexpr int64_t kIsoTo51200[] = {
    kAutoIso, 100, 125, 160, 200, 250, 320, 400, 500, 640, 800, 1000, 1250, 1600, 2000, 2500,
    3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000, 20000, 25600, 32000, 40000, 51200};
// Flash compensation in thousandths of a stop, -3 .. +3 in thirds.
constexpr int64_t kFlashCompensation[] = {
    -3000, -2700, -2300, -2000, -1700, -1300, -1000, -700, -300, 0,
    300, 700, 1000, 1300, 1700, 2000, 2300, 2700, 3000};
constexpr int64_t kJpegSizes[] = {1, 2, 3};                // L, M, S
constexpr int64_t kFileFormats[] = {1, 2, 3};              // RAW, RAW + JPEG, JPEG
constexpr int64_t kCompressions[] = {1, 2, 3};             // extra fine, fine, standard

// Shared by every body: focus indication (1 none, 2 focused), Image Pending
// (0x8000 + captures waiting; below, still processing), battery, movie status.
#define SONY_COMMON_ROWS                                                                           \
    SimEnum(0xD200, kPtpTypeInt16, kRW, 0, 0, SimValues(kFlashCompensation)),                      \
    SimEnum(0xD203, kPtpTypeUint8, kRW, 1, 1, SimValues(kJpegSizes)),                              \
    SimRange(0xD213, kPtpTypeUint8, kRO, 1, 1, 1, 6, 1),                                           \
    SimRange(0xD215, kPtpTypeUint16, kRO, 0, 0, 0, 0xFFFF, 1),                                     \
    SimRange(0xD218, kPtpTypeInt8, kRO, 80, 80, -1, 100, 1),                                       \
    SimRange(0xD21D, kPtpTypeUint8, kRO, 0, 0, 0, 1, 1)

// ILCE-7M4 and ILCE-7RM5: every setting written as it is.
constexpr SimPropertyFacts kNewerRows[] = {
    SONY_COMMON_ROWS,
    SimEnum(0xD20D, kPtpTypeUint32, kRW, k125, k125, SimValues(kShutterTo8000)),
    SimEnum(0xD21E, kPtpTypeUint32, kRW, kAutoIso, 400, SimValues(kIsoTo51200)),
    SimEnum(0xD252, kPtpTypeUint8, kRW, 2, 2, SimValues(kCompressions)),
    SimEnum(0xD253, kPtpTypeUint8, kRW, 3, 3, SimValues(kFileFormats)),
    SimRange(0xD20F, kPtpTypeUint16, kRW, 5500, 5500, 2500, 9900, 100),
};

// ILCE-6400: shutter speed, ISO and aperture only step (the fixed lists the
// host builds are these); the image quality is 0x5004 of the shared table.
constexpr SimPropertyFacts kOlderRows[] = {
    SONY_COMMON_ROWS,
    SimEnum(0xD20D, kPtpTypeUint32, kRW, k125, k125, SimValues(kShutterTo4000)),
    SimEnum(0xD21E, kPtpTypeUint32, kRW, kAutoIso, 400, SimValues(kIsoTo25600)),
};

// clang-format on

size_t type_size(uint16_t type) {
    switch (type) {
    case kPtpTypeInt8:
    case kPtpTypeUint8: return 1;
    case kPtpTypeInt16:
    case kPtpTypeUint16: return 2;
    default: return 4;
    }
}

void write_value(ByteWriter& w, uint16_t type, uint32_t bits) {
    switch (type_size(type)) {
    case 1: write_u8(w, uint8_t(bits)); break;
    case 2: write_u16(w, uint16_t(bits)); break;
    default: write_u32(w, bits); break;
    }
}

void write_number(ByteWriter& w, uint16_t type, int64_t v) {
    write_value(w, type, SimProperties_Cut(type, v));
}

void write_descriptor(ByteWriter& w, const SimPropertyState& s, bool second_list) {
    const SimPropertyFacts& f = *s.facts;
    write_u16(w, f.code);
    write_u16(w, f.type);
    write_u8(w, s.getset);
    write_u8(w, s.getset ? 1 : 0);
    if (f.type == kPtpTypeStr) {
        write_ptp_string(w, f.factory_text ? f.factory_text : "");
        write_ptp_string(w, s.text.c_str());
        write_u8(w, f.form == SimForm_Enum ? kFormEnumeration : 0);
        if (f.form != SimForm_Enum) return;
        write_u16(w, uint16_t(f.texts.count));
        for (size_t i = 0; i < f.texts.count; ++i)
            write_ptp_string(w, f.texts.texts[i]);
        return;
    }
    write_number(w, f.type, f.factory);
    write_value(w, f.type, s.bits);
    switch (f.form) {
    case SimForm_None: write_u8(w, 0); break;
    case SimForm_Range:
        write_u8(w, kFormRange);
        write_number(w, f.type, f.min);
        write_number(w, f.type, f.max);
        write_number(w, f.type, f.step);
        break;
    case SimForm_Enum:
        write_u8(w, kFormEnumeration);
        for (int list = 0; list < (second_list ? 2 : 1); ++list) {
            write_u16(w, uint16_t(f.values.count));
            for (size_t i = 0; i < f.values.count; ++i)
                write_number(w, f.type, f.values.values[i]);
        }
        break;
    }
}

bool stepped(const SimCameraState& cam, uint16_t code) {
    return !SimSony_State(cam).body->normal_controls &&
           (code == kShutterSpeed || code == kIso || code == kFNumber);
}

} // namespace

const SimPropertyTable kSimSonyNewerProperties = SimTable(kNewerRows);
const SimPropertyTable kSimSonyOlderProperties = SimTable(kOlderRows);

std::vector<uint8_t> SimSony_AllPropertiesData(const SimCameraState& cam) {
    ByteWriter w;
    write_u64(w, cam.properties.size());
    const bool second = SimSony_State(cam).body->normal_controls;
    for (const SimPropertyState& s : cam.properties)
        write_descriptor(w, s, second);
    return std::move(w.buf);
}

void SimSony_GetAllProperties(SimCameraState& cam, const SimPtpCommand&, SimPtpAnswer* answer) {
    SimCamera_AnswerData(answer, SimSony_AllPropertiesData(cam));
}

// The value is 4 bytes whatever the type (8 for the magnifier), cut to the type.
void SimSony_SetProperty(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    const uint32_t code = cmd.params[0];
    if (code > 0xFFFF || SimProperties_Find(cam, uint16_t(code)) < 0) {
        answer->code = kPtpRespDevicePropNotSupported;
        return;
    }
    if (stepped(cam, uint16_t(code))) {
        answer->code = kPtpRespAccessDenied;
        return;
    }
    ByteReader r = make_reader(cmd.data, cmd.data_len);
    uint32_t value = cmd.data_len >= 4 ? read_u32(r) : cmd.data_len >= 2 ? read_u16(r) : read_u8(r);
    answer->code = r.ok ? SimProperties_WriteNumber(cam, uint16_t(code), value)
                        : kPtpRespInvalidDevicePropFormat;
}

void SimSony_GetPropertyValue(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    int i = SimProperties_FindOrRefuse(cam, cmd.params[0], answer);
    if (i < 0) return;
    const SimPropertyState& s = cam.properties[size_t(i)];
    ByteWriter w;
    if (s.facts->type == kPtpTypeStr)
        write_ptp_string(w, s.text.c_str());
    else
        write_value(w, s.facts->type, s.bits);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

uint16_t SimSony_StepProperty(SimCameraState& cam, uint16_t code, int32_t steps) {
    int i = SimProperties_Find(cam, code);
    if (i < 0) return kPtpRespDevicePropNotSupported;
    const SimPropertyState& s = cam.properties[size_t(i)];
    const SimPropertyFacts& f = *s.facts;
    if (f.form != SimForm_Enum || f.type == kPtpTypeStr || f.values.count == 0)
        return kPtpRespInvalidDevicePropFormat;
    if (!s.getset) return kPtpRespAccessDenied;
    int64_t at = 0;
    for (size_t k = 0; k < f.values.count; ++k)
        if (SimProperties_Cut(f.type, f.values.values[k]) == s.bits) at = int64_t(k);
    at += steps;
    if (at < 0) at = 0;
    if (at >= int64_t(f.values.count)) at = int64_t(f.values.count) - 1;
    SimProperties_SetFromCamera(cam, code, SimProperties_Cut(f.type, f.values.values[at]));
    return kPtpRespOk;
}
