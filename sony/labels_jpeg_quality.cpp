// JPEG compression (0xD252, newer bodies).
#include "sony/label_tables.h"

const PtpValueLabel kSonyJpegQualityLabels[] = {
    {"X-FINE", 1}, {"FINE", 2}, {"STD", 3}, {"LIGHT", 4}, {"", 0},
};
