// Color space (0xD00A).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiColorSpaceLabels[] = {
    {"sRGB", 1},
    {"Adobe RGB", 2},
    {"", 0},
};
