// JPEG image size (0xD203).
#include "sony/label_tables.h"

const PtpValueLabel kSonyImageSizeLabels[] = {
    {"L", 1},
    {"M", 2},
    {"S", 3},
    {"", 0},
};
