// World clock (0xD157).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiWorldClockLabels[] = {
    {"Home", 1},
    {"Local", 2},
    {"", 0},
};
