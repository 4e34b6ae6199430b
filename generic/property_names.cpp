// Property names and value labels: the vendor dispatch over the tables in eos/,
// nikon/, sony/ and fuji/, the model and driver overrides, and the two exports.
#include "generic/property_names.h"

#include <cstdio>

#include "eos/eos_models.h"
#include "eos/label_tables.h"
#include "fuji/label_tables.h"
#include "generic/session.h"
#include "nikon/label_tables.h"
#include "ptp_names.h"
#include "sony/label_tables.h"

namespace {

// The last code of each vendor's property table: a search stops after its row.
constexpr uint32_t kCanonTableEnd = 0xD1DD;
constexpr uint32_t kNikonTableEnd = 0xD407;
constexpr uint32_t kFujiTableEnd = 0xEEE3;
constexpr uint32_t kSonyTableEnd = 0xD2D4;

constexpr uint32_t kCanonShutterSpeed = 0xD102;
constexpr uint32_t kNikonAutoIsoValue = 0xD0B5; // the highest automatic ISO, any number

// Room for "ISO " and any 32-bit value printed signed.
constexpr size_t kPrintedValueSize = 128;

// A value without a label is printed here. One buffer per thread, so a text handed
// out stays intact while other threads ask for labels.
thread_local char t_printed[kPrintedValueSize];

const char* print_value(const char* prefix, uint32_t value) {
    std::snprintf(t_printed, sizeof t_printed, "%s%d", prefix, static_cast<int32_t>(value));
    return t_printed;
}

// The Nikon table that the camera model id puts in place of the vendor table's
// for code, or null. The first row whose models and codes both match decides; the
// lists end at their first 0, which is neither a Nikon model id nor an overridden
// code.
const PtpValueLabel* nikon_model_labels(uint8_t model, uint32_t code) {
    if (model == 0 || code == 0) return nullptr;
    for (size_t i = 0; i < kNikonLabelOverrideCount; ++i) {
        const PtpNikonLabelOverride& row = kNikonLabelOverrides[i];
        bool modelListed = false;
        for (uint8_t m : row.models) {
            if (m == 0) break;
            if (m == model) modelListed = true;
        }
        bool codeListed = false;
        for (uint32_t c : row.codes) {
            if (c == 0) break;
            if (c == code) codeListed = true;
        }
        if (modelListed && codeListed) return row.labels;
    }
    return nullptr;
}

// --- Vendor seams -------------------------------------------------------------------
// The Sony and Fujifilm drivers print some values themselves (compensation in
// stops, apertures as f-numbers, Fujifilm image sizes); a non-null text from them
// is the label. A driver plugs in by filling its arm.
const char* driver_label(PtpVendor vendor, uint32_t code, uint32_t value) {
    (void)code;
    (void)value;
    switch (vendor) {
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
    default: return nullptr;
    }
}

// The Canon driver's mirrorless flag, set by its model table.
bool canon_mirrorless() { return PtpEos_IsMirrorless(); }

} // namespace

PtpPropertyNameTable PtpNames_TableForVendor(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return {kCanonPropertyNames, kCanonPropertyNameCount, kCanonTableEnd};
    case PtpVendor_Nikon: return {kNikonPropertyNames, kNikonPropertyNameCount, kNikonTableEnd};
    case PtpVendor_Sony: return {kSonyPropertyNames, kSonyPropertyNameCount, kSonyTableEnd};
    case PtpVendor_Fujifilm: return {kFujiPropertyNames, kFujiPropertyNameCount, kFujiTableEnd};
    default: return {nullptr, 0, 0};
    }
}

const PtpVendorPropertyInfo* PtpNames_FindRow(const PtpPropertyNameTable& table, uint32_t code) {
    if (!table.rows) return nullptr;
    for (size_t i = 0; i < table.count; ++i) {
        const PtpVendorPropertyInfo& row = table.rows[i];
        if (row.code == code) return &row;
        if (row.code == table.endCode) break;
    }
    return nullptr;
}

const char* PtpNames_PropertyName(PtpVendor vendor, uint32_t code) {
    const PtpVendorPropertyInfo* row = PtpNames_FindRow(PtpNames_TableForVendor(vendor), code);
    return row ? row->name : nullptr;
}

const PtpValueLabel* PtpNames_ValueTable(PtpVendor vendor, uint32_t code) {
    const PtpVendorPropertyInfo* row = PtpNames_FindRow(PtpNames_TableForVendor(vendor), code);
    return row ? row->values : nullptr;
}

const char* PtpNames_FindLabel(const PtpValueLabel* labels, uint32_t value) {
    if (!labels) return nullptr;
    for (const PtpValueLabel* row = labels; row->label[0] != '\0'; ++row)
        if (row->value == value) return row->label;
    return nullptr;
}

const char* PtpNames_ValueLabel(const PtpLabelContext& context, uint32_t code, uint32_t value) {
    const PtpValueLabel* labels = nullptr;
    switch (context.vendor) {
    case PtpVendor_Nikon:
        if (code == kNikonAutoIsoValue) return print_value("ISO ", value);
        labels = nikon_model_labels(context.model, code);
        break;
    case PtpVendor_Canon:
        if (code == kCanonShutterSpeed && context.canonMirrorless)
            labels = kCanonShutterSpeedMirrorlessLabels;
        break;
    case PtpVendor_Sony:
    case PtpVendor_Fujifilm:
        if (const char* text = driver_label(context.vendor, code, value)) return text;
        break;
    default: break;
    }
    if (!labels) labels = PtpNames_ValueTable(context.vendor, code);
    if (!labels) return nullptr;
    const char* label = PtpNames_FindLabel(labels, value);
    return label ? label : print_value("", value);
}

PtpLabelContext PtpNames_SessionContext() {
    return {PtpSession_PropertyTableVendor(), PtpGenericInterface_CameraModel(), canon_mirrorless()};
}

// --- Exports --------------------------------------------------------------------------

const char* PtpGenericInterface_StringForPropertyCode(uint32_t code) {
    return PtpNames_PropertyName(PtpSession_PropertyTableVendor(), code);
}

const char* PtpGenericInterface_StringForPropertyCodeValue(uint32_t code, uint32_t value) {
    return PtpNames_ValueLabel(PtpNames_SessionContext(), code, value);
}
