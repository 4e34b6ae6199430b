// Parsing the PTP DeviceInfo data set into its fixed-capacity record.
#include <cstring>

#include "comms/bytes.h"
#include "generic/session.h"

// A PTP string: a count byte N (UCS-2 units, NUL included), then N units. Only
// the low byte of each unit is kept. A string longer than the data left is not
// copied and consumes nothing; false when not even the count byte is there.
static bool read_text(ByteReader& r, char (&out)[PTP_DEVICEINFO_TEXT]) {
    std::memset(out, 0, sizeof out);
    if (bytes_left(r) < 1) return false;
    size_t units = r.p[r.pos];
    if (2 * units + 1 > bytes_left(r)) return true;
    skip(r, 1);
    for (size_t i = 0; i < units; ++i) {
        uint16_t unit = read_u16(r);
        if (i < sizeof out - 1) out[i] = char(unit & 0xFF);
    }
    out[sizeof out - 1] = '\0';
    return true;
}

static bool read_codes(ByteReader& r, PtpCodeList& list) {
    uint32_t count = read_u32(r);
    if (!r.ok || count > PTP_DEVICEINFO_CODES || bytes_left(r) / 2 < count) return false;
    list.count = count;
    for (uint32_t i = 0; i < count; ++i)
        list.codes[i] = read_u16(r);
    return r.ok;
}

bool PtpParseDeviceInfo(const uint8_t* data, uint32_t length, PtpDeviceInfo* out) {
    if (!out) return false;
    std::memset(out, 0, sizeof *out);
    ByteReader r = make_reader(data, length);
    out->standardVersion = read_u16(r);
    out->vendorExtensionId = read_u32(r);
    out->vendorExtensionVersion = read_u16(r);
    if (!r.ok) return false;
    read_text(r, out->vendorExtensionDesc);
    out->functionalMode = read_u16(r);
    if (!r.ok) return false;
    PtpCodeList* lists[] = {&out->operationsSupported, &out->eventsSupported,
                            &out->devicePropertiesSupported, &out->captureFormats,
                            &out->imageFormats};
    for (PtpCodeList* list : lists)
        if (!read_codes(r, *list)) return false;
    // The trailing texts are optional: a data set may end before any of them.
    char(*texts[])[PTP_DEVICEINFO_TEXT] = {&out->manufacturer, &out->model, &out->deviceVersion,
                                           &out->serialNumber};
    for (auto* text : texts)
        if (!read_text(r, *text)) break;
    return true;
}
