// Priority mode (0xD207): 2 while the host controls the camera.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiPriorityModeLabels[] = {
    {"Camera", 1},
    {"PC", 2},
    {"", 0},
};
