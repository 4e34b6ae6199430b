// Live view magnification (0xD01B); 1 is none, 2 is 100 %, 3 and 5 are
// 200 % on the bodies that use them.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiLiveViewZoomLabels[] = {
    {"Off", 1},  {"100%", 2}, {"200%", 3},  {"400%", 4},   {"200%", 5}, {"300%", 6},
    {"600%", 7}, {"800%", 8}, {"1000%", 9}, {"1600%", 10}, {"", 0},
};
