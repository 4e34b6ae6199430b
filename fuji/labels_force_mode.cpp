// Force mode (0xD230).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiForceModeLabels[] = {
    {"Normal", 0},
    {"Forced", 1},
    {"", 0},
};
