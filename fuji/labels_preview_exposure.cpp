// Exposure and white-balance preview in manual mode (0xD359).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiPreviewExposureLabels[] = {
    {"Preview Exp./WB", 1},
    {"Preview WB", 2},
    {"Off", 3},
    {"", 0},
};
