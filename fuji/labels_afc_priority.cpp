// Release or focus priority in AF-C (0xD10A).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiAfcPriorityLabels[] = {
    {"Release", 1},
    {"Focus", 2},
    {"", 0},
};
