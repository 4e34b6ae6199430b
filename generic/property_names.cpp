// Property names and value labels: lookups in the tables of the session's
// driver, with the driver's own labels first, and the two exports.
#include "generic/property_names.h"

#include <cstdio>

#include "generic/driver.h"
#include "generic/session.h"
#include "ptp_names.h"

namespace {

// Room for a prefix and any 32-bit value printed signed.
constexpr size_t kPrintedValueSize = 128;

// A value without a label is printed here. One buffer per thread, so a text handed
// out stays intact while other threads ask for labels.
thread_local char t_printed[kPrintedValueSize];

} // namespace

const char* PtpNames_PrintValue(const char* prefix, uint32_t value) {
    std::snprintf(t_printed, sizeof t_printed, "%s%d", prefix, static_cast<int32_t>(value));
    return t_printed;
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

namespace {

const PtpVendorPropertyInfo* find_row(const PtpDriver* driver, uint32_t code) {
    const PtpPropertyNameTable* table = driver->tables.names;
    return table ? PtpNames_FindRow(*table, code) : nullptr;
}

} // namespace

const char* PtpNames_PropertyName(const PtpDriver* driver, uint32_t code) {
    const PtpVendorPropertyInfo* row = find_row(driver, code);
    return row ? row->name : nullptr;
}

const PtpValueLabel* PtpNames_ValueTable(const PtpDriver* driver, uint32_t code) {
    const PtpVendorPropertyInfo* row = find_row(driver, code);
    return row ? row->values : nullptr;
}

const char* PtpNames_FindLabel(const PtpValueLabel* labels, uint32_t value) {
    if (!labels) return nullptr;
    for (const PtpValueLabel* row = labels; row->label[0] != '\0'; ++row)
        if (row->value == value) return row->label;
    return nullptr;
}

const char* PtpNames_ValueLabel(const PtpLabelContext& context, uint32_t code, uint32_t value) {
    const PtpDriverTables& tables = context.driver->tables;
    if (tables.printedLabel)
        if (const char* text = tables.printedLabel(code, value)) return text;
    const PtpValueLabel* labels =
        tables.cameraLabels ? tables.cameraLabels(context, code) : nullptr;
    if (!labels) labels = PtpNames_ValueTable(context.driver, code);
    if (!labels) return nullptr;
    const char* label = PtpNames_FindLabel(labels, value);
    return label ? label : PtpNames_PrintValue("", value);
}

PtpLabelContext PtpNames_SessionContext() {
    // The body's flag is the session driver's: it is known from the model check,
    // before the session start puts the driver's tables in use.
    const PtpDriverTables& session = PtpSession_Driver()->tables;
    bool mirrorless = session.mirrorless && session.mirrorless();
    return {PtpSession_PropertyTableDriver(), PtpGenericInterface_CameraModel(), mirrorless};
}

// --- Exports --------------------------------------------------------------------------

const char* PtpGenericInterface_StringForPropertyCode(uint32_t code) {
    return PtpNames_PropertyName(PtpSession_PropertyTableDriver(), code);
}

const char* PtpGenericInterface_StringForPropertyCodeValue(uint32_t code, uint32_t value) {
    return PtpNames_ValueLabel(PtpNames_SessionContext(), code, value);
}
