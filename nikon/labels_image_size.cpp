// Image size (0x5003): JPEG size index.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonImageSizeLabels[] = {
    {"Large", 0},
    {"Medium", 1},
    {"Small", 2},
    {"", 0},
};
