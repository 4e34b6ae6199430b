// Still capture mode (0x5013). 2, 0x8010, 0x8018 and 0x8019 shoot
// continuously; 0x8012 raises the mirror first.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonCaptureModeLabels[] = {
    {"Single Frame", 1},
    {"Continuous High", 2},
    {"Timelapse", 3},
    {"Continuous Low", 0x8010},
    {"Self-Timer", 0x8011},
    {"Mirror Up", 0x8012},
    {"Remote", 0x8013},
    {"Quick Response Remote", 0x8014},
    {"Delayed Remote", 0x8015},
    {"Quiet Shutter", 0x8016},
    {"Interval Timer", 0x8017},
    {"Continuous Quiet", 0x8018},
    {"Continuous High Extended", 0x8019},
    {"High-Speed Capture C30", 0x801A},
    {"High-Speed Capture C120", 0x801B},
    {"High-Speed Capture C60", 0x801C},
    {"", 0},
};
