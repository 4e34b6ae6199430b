// Focus area (0xD22C); 0x101 to 0x104 can be placed by touch.
#include "sony/label_tables.h"

const PtpValueLabel kSonyFocusAreaLabels[] = {
    {"Wide", 1},
    {"Zone", 2},
    {"Center", 3},
    {"Flexible Spot: S", 0x101},
    {"Flexible Spot: M", 0x102},
    {"Flexible Spot: L", 0x103},
    {"Expand Flexible Spot", 0x104},
    {"", 0},
};
