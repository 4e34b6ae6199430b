// Framing guideline (0xD106).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiGridViewLabels[] = {
    {"9 Grid", 1},
    {"24 Grid", 2},
    {"HD Framing", 3},
    {"", 0},
};
