// Eye AF (0xD024).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiEyeAfModeLabels[] = {
    {"Off", 1}, {"Auto", 2}, {"Right Eye Priority", 3}, {"Left Eye Priority", 4}, {"", 0},
};
