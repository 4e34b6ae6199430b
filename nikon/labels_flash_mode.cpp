// Flash mode (0x500C).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonFlashModeLabels[] = {
    {"Off", 2},
    {"Fill", 3},
    {"Red-Eye Reduction", 4},
    {"Slow Sync", 0x8010},
    {"Red-Eye Slow Sync", 0x8011},
    {"Rear Curtain Sync", 0x8012},
    {"", 0},
};
