// Focus mode (0x500A).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonFocusModeLabels[] = {
    {"Manual", 1}, {"Automatic", 2}, {"AF-S", 0x8010}, {"AF-C", 0x8011}, {"AF-A", 0x8012}, {"", 0},
};
