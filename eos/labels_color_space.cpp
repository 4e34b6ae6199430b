// Color space (0xD10F).
#include "eos/label_tables.h"

const PtpValueLabel kCanonColorSpaceLabels[] = {
    {"sRGB", 1},
    {"Adobe RGB", 2},
    {"", 0},
};
