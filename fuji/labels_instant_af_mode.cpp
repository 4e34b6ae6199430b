// Instant AF mode (0xD34A).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiInstantAfModeLabels[] = {
    {"AF-S", 1},
    {"AF-C", 2},
    {"", 0},
};
