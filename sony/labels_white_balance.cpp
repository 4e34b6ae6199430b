// White balance (0x5005).
#include "sony/label_tables.h"

const PtpValueLabel kSonyWhiteBalanceLabels[] = {
    {"Auto", 2},
    {"Daylight", 4},
    {"Incandescent", 6},
    {"Flash", 7},
    {"Fluorescent: Warm White", 0x8001},
    {"Fluorescent: Cool White", 0x8002},
    {"Fluorescent: Day White", 0x8003},
    {"Fluorescent: Daylight", 0x8004},
    {"Cloudy", 0x8010},
    {"Shade", 0x8011},
    {"Color Temp./Filter", 0x8012},
    {"Custom 1", 0x8020},
    {"Custom 2", 0x8021},
    {"Custom 3", 0x8022},
    {"Underwater Auto", 0x8030},
    {"", 0},
};
