// The ObjectInfo data set and the PTP date-time text.
#include <cstring>
#include <ctime>

#include "comms/bytes.h"
#include "generic/objects.h"

namespace {

// The fixed part ends with SequenceNumber; a form's thumbnail gap adds to it.
constexpr size_t kFixedPartSize = 52;

// Longest texts kept, in characters.
constexpr size_t kMaxNameChars = PTP_OBJECT_NAME_SIZE - 1;
constexpr size_t kMaxDateChars = 128;
constexpr size_t kMaxKeywordChars = PTP_OBJECT_KEYWORDS_SIZE - 1;

} // namespace

// Reads a PTP string (count byte of UCS-2 units including the terminator, then
// the units) keeping the low byte of at most maxChars characters; out has room
// for maxChars + 1. False when no string could be read: the count byte is 0 or
// missing, or the units run past the data. In the last case the reader fails,
// since nothing after the string can be located.
static bool read_ptp_text(ByteReader& r, char* out, size_t maxChars) {
    out[0] = '\0';
    uint8_t units = read_u8(r);
    if (!r.ok || units == 0) return false;
    if (bytes_left(r) / 2 < units) {
        r.ok = false;
        return false;
    }
    size_t n = 0;
    bool ended = false;
    for (uint8_t i = 0; i < units; ++i) {
        uint16_t unit = read_u16(r);
        if (unit == 0) ended = true;
        if (!ended && n < maxChars) out[n++] = char(unit & 0xFF);
    }
    out[n] = '\0';
    return true;
}

static int64_t read_ptp_date(ByteReader& r) {
    char text[kMaxDateChars + 1];
    if (!read_ptp_text(r, text, kMaxDateChars)) return 0;
    return PtpParsePtpDateTime(text);
}

PtpResult PtpParseObjectInfo(PtpObjectInfo* out, const uint8_t* data, uint32_t length,
                             const PtpObjectInfoForm& form) {
    if (!out) return PtpResult_InvalidArgument;
    const size_t fixed = kFixedPartSize + form.thumbGap;
    ByteReader r = make_reader(data, length);
    // The fixed part and the file name's count byte must be there; anything
    // shorter is not an ObjectInfo.
    if (bytes_left(r) < fixed + 1) return PtpResult_DataSetParseFailed;

    PtpObjectInfo& info = *out;
    std::memset(&info, 0, sizeof info);

    info.handle = read_u32(r); // StorageID, until the caller sets the handle
    info.objectFormat = read_u16(r);
    info.protectionStatus = read_u16(r);
    info.compressedSize = read_u32(r);
    info.thumbFormat = read_u16(r);
    info.thumbCompressedSize = read_u32(r);
    skip(r, form.thumbGap);
    info.thumbWidth = read_u32(r);
    info.thumbHeight = read_u32(r);
    info.imageWidth = read_u32(r);
    info.imageHeight = read_u32(r);
    info.imageBitDepth = read_u32(r);
    info.parentObject = read_u32(r);
    info.associationType = read_u16(r);
    info.associationDesc = read_u32(r);
    info.sequenceNumber = read_u32(r);

    if (read_ptp_text(r, info.fileName, kMaxNameChars))
        info.fileNameLength = uint16_t(std::strlen(info.fileName) + 1);

    // What follows the last field the form carries is not read.
    if (form.end >= PtpObjectInfoEnd_CaptureDate) info.captureDate = read_ptp_date(r);
    if (form.end >= PtpObjectInfoEnd_Keywords) {
        info.modificationDate = read_ptp_date(r);
        read_ptp_text(r, info.keywords, kMaxKeywordChars);
    }
    return PtpResult_Ok;
}

// Two or four decimal digits at text[at]; -1 when one is not a digit.
static int digits(const char* text, size_t at, size_t n) {
    int v = 0;
    for (size_t i = 0; i < n; ++i) {
        char c = text[at + i];
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

int64_t PtpParsePtpDateTime(const char* text) {
    if (!text) return 0;
    // The shortest form is YYYYMMDDThhmmss; tenths and a zone offset may follow
    // and are ignored, as is the character between date and time.
    size_t n = strnlen(text, 40);
    if (n < 15 || n > 39) return 0;
    int year = digits(text, 0, 4), month = digits(text, 4, 2), day = digits(text, 6, 2);
    int hour = digits(text, 9, 2), minute = digits(text, 11, 2), second = digits(text, 13, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0) return 0;
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1; // the system decides whether daylight saving applied
    time_t seconds = mktime(&t);
    if (seconds == time_t(-1)) return 0;
    return int64_t(seconds);
}
