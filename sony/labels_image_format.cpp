// Image format (0x5004, older bodies): bit 4 is RAW, the low four bits the
// JPEG quality.
#include "sony/label_tables.h"

const PtpValueLabel kSonyImageFormatLabels[] = {
    {"JPG (LIGHT)", 0x01},
    {"JPG (STD)", 0x02},
    {"JPG (FINE)", 0x03},
    {"JPG (X-FINE)", 0x04},
    {"RAW", 0x10},
    {"RAW + JPG (STD)", 0x12},
    {"RAW + JPG (FINE)", 0x13},
    {"RAW + JPG (X-FINE)", 0x14},
    {"", 0},
};
