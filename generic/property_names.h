// Property names and value labels: the drivers' tables that turn device
// property codes and their values into the texts the property store and the host
// show. The tables are static data in the vendor directories, reached through
// the driver table; everything here is a lookup with no camera traffic and no lock.
//
// Returned texts are static, except the decimal printed for a value that has no
// label: that goes into a 128-byte buffer private to the calling thread, which the
// thread's next label lookup overwrites.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_generic.h"

// One row of a vendor property table.
struct PtpVendorPropertyInfo {
    uint32_t code;
    const char* name;
    uint32_t dataType;           // PTP data type the property should have; 0 when not stated
    const PtpValueLabel* values; // value labels, ended by a row with an empty label; or null
};

// A vendor property table. A search runs through the rows in order and ends after
// the row whose code is endCode (that row is searched too); count only bounds it.
struct PtpPropertyNameTable {
    const PtpVendorPropertyInfo* rows; // null: the vendor has no table
    size_t count;
    uint32_t endCode;
};

struct PtpDriver;

// What a label lookup needs to know about the camera besides the code and value.
struct PtpLabelContext {
    const PtpDriver* driver; // whose tables and overrides apply; never null
    uint8_t model;           // camera model id: some drivers pick tables by it
    bool mirrorless;         // the connected body has no mirror
};

// The first row for code in the table, or null.
const PtpVendorPropertyInfo* PtpNames_FindRow(const PtpPropertyNameTable& table, uint32_t code);

// The display name of code in the driver's table, or null. Static text. This is
// what the property store stores as a record's name.
const char* PtpNames_PropertyName(const PtpDriver* driver, uint32_t code);

// The value-label table of code in the driver's table (no camera overrides), or
// null when there is no row or the row has none.
const PtpValueLabel* PtpNames_ValueTable(const PtpDriver* driver, uint32_t code);

// The label of the first row of labels whose value matches, or null. labels must
// end with a row whose label is empty; that row never matches.
const char* PtpNames_FindLabel(const PtpValueLabel* labels, uint32_t value);

// The label of value for code on the camera described by context:
//   1. the text the driver prints itself (tables.printedLabel), if any;
//   2. the driver's table for this camera (tables.cameraLabels), else the code's
//      row in the driver's names table; null without a table, a row or labels;
//   3. the first row of the table whose value matches;
//   4. no such row: the value as a signed decimal, in the calling thread's buffer.
const char* PtpNames_ValueLabel(const PtpLabelContext& context, uint32_t code, uint32_t value);

// prefix and value as a signed decimal, in the calling thread's buffer: for
// drivers that print a label themselves.
const char* PtpNames_PrintValue(const char* prefix, uint32_t value);

// The context of the current session: the driver whose tables are in use, the
// model id and the mirrorless flag.
PtpLabelContext PtpNames_SessionContext();
