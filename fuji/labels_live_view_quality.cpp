// Live view JPEG quality (0xD173).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiLiveViewQualityLabels[] = {
    {"Fine", 1},
    {"Normal", 2},
    {"Basic", 3},
    {"", 0},
};
