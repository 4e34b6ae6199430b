// Live view frame size (0xD174).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiLiveViewSizeLabels[] = {
    {"L", 1},
    {"M", 2},
    {"S", 3},
    {"", 0},
};
