// The aperture list read from the lens: 0xD38D holds the lens's f-stops as a
// text of comma-separated hundredths ("280,400,560").
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "fuji/fuji_codes.h"
#include "fuji/fuji_session.h"
#include "generic/property_store.h"
#include "ptp_generic.h"

namespace {

constexpr size_t kMaxTextCharacters = 128;
constexpr uint16_t kMaxApertureRows = 30;

void* (*g_allocate)(size_t, size_t) = nullptr; // test hook; null: calloc

} // namespace

void PtpFuji_SetListAllocator(void* (*allocate)(size_t count, size_t size)) {
    g_allocate = allocate;
}

bool PtpFuji_DecodeValueText(const uint8_t* data, uint32_t length, char* out, size_t size) {
    if (!out || size == 0) return false;
    out[0] = '\0';
    ByteReader r = make_reader(data, data ? length : 0);
    const size_t units = read_u8(r);
    // The whole string must lie inside the data the camera sent.
    if (!r.ok || bytes_left(r) / 2 < units) return false;
    size_t n = 0;
    for (size_t i = 0; i < units && i < kMaxTextCharacters && n + 1 < size; ++i) {
        // The low byte is the character; a NUL there ends the text.
        const char c = char(read_u16(r) & 0xFF);
        if (c == '\0') break;
        out[n++] = c;
    }
    out[n] = '\0';
    return n > 0;
}

PtpResult PtpFuji_SetApertureList(const char* text) {
    if (!text) return PtpResult_DataSetParseFailed;
    PtpValueLabel rows[kMaxApertureRows] = {};
    uint16_t count = 0;
    for (const char* piece = text; piece && count < kMaxApertureRows;) {
        const uint32_t value = uint32_t(std::strtoul(piece, nullptr, 10));
        rows[count].value = value;
        std::snprintf(rows[count].label, sizeof rows[count].label, "%.1f", value / 100.0);
        ++count;
        piece = std::strchr(piece, ',');
        if (piece) ++piece;
    }
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kFujiPropFNumber, 1);
    if (!record) return PtpResult_Failed;
    // The new list is made first: without it the record keeps its old one.
    auto* list =
        static_cast<PtpValueLabel*>(g_allocate ? g_allocate(count, sizeof(PtpValueLabel))
                                               : std::calloc(count, sizeof(PtpValueLabel)));
    if (!list) {
        PtpUnlockProperty(record);
        return PtpResult_OutOfMemory;
    }
    std::memcpy(list, rows, count * sizeof(PtpValueLabel));
    std::free(record->values);
    record->values = list;
    record->valueCount = count;
    PtpUnlockProperty(record);
    return PtpResult_Ok;
}

PtpResult PtpFuji_RebuildApertureList() {
    PtpResult rc = PtpGenericInterface_SetPropertyValue(kFujiPropLensZoomPosition, 1, 0);
    if (rc != PtpResult_Ok) return rc;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    rc = PtpFuji_GetPropertyValueData(kFujiPropLensFStop, &data, &length);
    if (rc != PtpResult_Ok) {
        std::free(data);
        return rc;
    }
    char text[kMaxTextCharacters + 1];
    const bool decoded = PtpFuji_DecodeValueText(data, length, text, sizeof text);
    std::free(data);
    if (!decoded) return PtpResult_DataSetParseFailed;
    return PtpFuji_SetApertureList(text);
}
