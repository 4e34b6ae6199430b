// File format (0xD253, newer bodies).
#include "sony/label_tables.h"

const PtpValueLabel kSonyFileFormatLabels[] = {
    {"RAW", 1},
    {"RAW + JPEG", 2},
    {"JPEG", 3},
    {"", 0},
};
