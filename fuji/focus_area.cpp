// The Fujifilm focus area: Focus Area (0xD395) holds the text "x,y,s", x and
// y from -19 to 19 (a magnitude of 10 or more written as 1 and its last
// digit), s the area size as one digit. The live-view position and its nudges
// move this area on the grid of Focus Points (0xD025).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "comms/bytes.h"
#include "fuji/fuji_codes.h"
#include "fuji/fuji_live_view.h"
#include "generic/property_store.h"
#include "ptp/transaction.h"
#include "ptp_generic.h"
#include "ptp_properties.h"

namespace {

constexpr uint32_t kFocusModeManual = 1;
// Bodies that move the focus area in any focus mode.
constexpr uint8_t kAnyFocusModeModels[] = {19, 24};
// In this focus metering mode the camera places the area itself.
constexpr uint32_t kMeteringNoArea = 0x8003;
constexpr PtpResult kRefusedNoArea = PtpResult(0x201C);

// Nudge directions, as the camera sees them.
constexpr uint8_t kNudgeUp = 0;
constexpr uint8_t kNudgeDown = 1;
constexpr uint8_t kNudgeLeft = 2;
constexpr uint8_t kNudgeRight = 3;

// The part of the frame the grid covers: 0.167..0.833 of the height (66.6 %),
// 0.08..0.92 of the width (84 %).
constexpr double kTop = 0.167, kBottom = 0.833, kGridHeight = 66.6;
constexpr double kLeft = 0.08, kRight = 0.92, kGridWidth = 84.0;

struct Grid {
    uint32_t focusPoints;
    int32_t rows, columns;
};
const Grid kGrids[] = {{1, 6, 12}, {2, 12, 24}, {3, 8, 12}, {4, 16, 24}};

// One field: an optional minus and a digit, or two digits meaning 10 + the second.
bool read_field(const char*& p, int32_t* out) {
    const bool negative = *p == '-';
    if (negative) ++p;
    if (*p < '0' || *p > '9') return false;
    int32_t magnitude = *p++ - '0';
    if (*p >= '0' && *p <= '9') magnitude = 10 + (*p++ - '0');
    *out = negative ? -magnitude : magnitude;
    return true;
}

void write_field(char*& p, int32_t value) {
    if (value < 0) *p++ = '-';
    const int32_t magnitude = std::abs(value);
    if (magnitude >= 10) *p++ = '1';
    *p++ = char('0' + magnitude % 10);
}

bool in_bounds(int32_t v) { return v >= -kFujiFocusAreaLimit && v <= kFujiFocusAreaLimit; }

} // namespace

bool PtpFuji_ParseFocusArea(const uint8_t* data, uint32_t length, int32_t* x, int32_t* y,
                            int32_t* s) {
    if (!x || !y || !s) return false;
    ByteReader r = make_reader(data, data ? length : 0);
    const size_t units = read_u8(r);
    // The whole string must lie inside the data the camera sent.
    if (!r.ok || bytes_left(r) / 2 < units) return false;
    char text[256];
    size_t n = 0;
    for (size_t i = 0; i < units; ++i) {
        const uint16_t unit = read_u16(r);
        if (unit == 0) break;
        text[n++] = unit < 0x80 ? char(unit) : '?';
    }
    text[n] = '\0';
    const char* p = text;
    int32_t fx = 0, fy = 0;
    if (!read_field(p, &fx) || *p++ != ',') return false;
    if (!read_field(p, &fy) || *p++ != ',') return false;
    if (*p < '0' || *p > '9') return false;
    *x = fx;
    *y = fy;
    *s = *p - '0';
    return true;
}

size_t PtpFuji_FormatFocusArea(int32_t x, int32_t y, int32_t s, char* out, size_t size) {
    if (!out || size == 0) return 0;
    out[0] = '\0';
    if (!in_bounds(x) || !in_bounds(y) || s < 0 || s > 9) return 0;
    char text[16];
    char* p = text;
    write_field(p, x);
    *p++ = ',';
    write_field(p, y);
    *p++ = ',';
    *p++ = char('0' + s);
    const size_t n = size_t(p - text);
    if (n > kFujiFocusAreaMaxText || n >= size) return 0;
    std::copy(text, p, out);
    out[n] = '\0';
    return n;
}

PtpResult PtpFuji_ReadFocusArea(int32_t* x, int32_t* y, int32_t* s) {
    if (!x || !y || !s) return PtpResult_InvalidArgument;
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc =
        PtpTransaction_RunDataIn(kPtpOpGetDevicePropValue, {kFujiPropFocusArea}, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    const bool parsed = PtpFuji_ParseFocusArea(data, length, x, y, s);
    std::free(data);
    return parsed ? PtpResult_Ok : PtpResult_Failed;
}

PtpResult PtpFuji_WriteFocusArea(int32_t x, int32_t y, int32_t s) {
    char text[16];
    // Checked before anything is sent, the focus mode included.
    if (PtpFuji_FormatFocusArea(x, y, s, text, sizeof text) == 0) return PtpResult_InvalidArgument;

    uint32_t mode = 0; // a missing Focus Mode counts as 0
    const uint8_t model = PtpGenericInterface_CameraModel();
    if (std::find(std::begin(kAnyFocusModeModels), std::end(kAnyFocusModeModels), model) ==
        std::end(kAnyFocusModeModels)) {
        PtpReadCurrentValue(kFujiPropFocusMode, &mode);
        if (mode != kFocusModeManual) {
            PtpResult rc =
                PtpGenericInterface_SetPropertyValue(kFujiPropFocusMode, kFocusModeManual, 1);
            if (rc != PtpResult_Ok) return rc;
        }
    }

    ByteWriter data;
    write_ptp_string(data, text);
    const uint32_t code = kFujiPropFocusArea;
    PtpResult rc =
        PtpTransaction_ExecuteWithRetry(kPtpOpSetDevicePropValue, &code, 1, data.buf.data(),
                                        uint32_t(data.buf.size()), nullptr, nullptr, nullptr, 1);
    // The autofocus modes (2 and up) are put back once the area has moved.
    if (rc == PtpResult_Ok && mode >= 2)
        return PtpGenericInterface_SetPropertyValue(kFujiPropFocusMode, mode, 1);
    return rc;
}

PtpResult PtpFuji_NudgeLiveViewPosition(uint8_t direction) {
    int32_t x = 0, y = 0, s = 0;
    PtpResult rc = PtpFuji_ReadFocusArea(&x, &y, &s);
    if (rc != PtpResult_Ok) return rc;
    switch (direction) {
    case kNudgeUp: ++y; break;
    case kNudgeDown: --y; break;
    case kNudgeLeft: --x; break;
    case kNudgeRight: ++x; break;
    default: break;
    }
    return PtpFuji_WriteFocusArea(x, y, s);
}

PtpResult PtpFuji_SetLiveViewPosition(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return PtpResult_InvalidArgument;
    PtpResult rc = PtpGenericInterface_RefreshPropertyValue(kFujiPropFocusPoints);
    if (rc != PtpResult_Ok) return rc;
    uint32_t points = 0, metering = 0, size = 0;
    if (!PtpReadCurrentValue(kFujiPropFocusPoints, &points) ||
        !PtpReadCurrentValue(kFujiPropFocusMeteringMode, &metering))
        return PtpResult_BadReply;
    if (metering == kMeteringNoArea) return kRefusedNoArea;
    if (!PtpReadCurrentValue(kFujiPropImageSize, &size)) return PtpResult_BadReply;
    const Grid* grid = std::find_if(std::begin(kGrids), std::end(kGrids),
                                    [&](const Grid& g) { return g.focusPoints == points; });
    if (grid == std::end(kGrids)) return PtpResult_BadReply;

    // std::round rounds halves away from zero.
    const double fy = std::clamp(1.0 - y, kTop, kBottom);
    const double fx = std::clamp(x, kLeft, kRight);
    const int32_t row = int32_t(std::round((fy - kTop) * 100.0 / (kGridHeight / grid->rows)));
    const int32_t column = int32_t(std::round((fx - kLeft) * 100.0 / (kGridWidth / grid->columns)));

    int32_t ax = 0, ay = 0, s = 0;
    rc = PtpFuji_ReadFocusArea(&ax, &ay, &s);
    if (rc != PtpResult_Ok) return rc;
    return PtpFuji_WriteFocusArea(std::min(column, grid->columns) - grid->columns / 2,
                                  std::min(row, grid->rows) - grid->rows / 2, s);
}
