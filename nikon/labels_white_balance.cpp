// White balance (0x5005).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonWhiteBalanceLabels[] = {
    {"Auto", 2},
    {"Daylight", 4},
    {"Fluorescent", 5},
    {"Incandescent", 6},
    {"Flash", 7},
    {"Cloudy", 0x8010},
    {"Shade", 0x8011},
    {"Color Temperature", 0x8012},
    {"Preset", 0x8013},
    {"Natural Light Auto", 0x8016},
    {"", 0},
};
