// Focus mode (0x500A); 1 is manual.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiFocusModeLabels[] = {
    {"Manual", 1},
    {"AF-S", 0x8001},
    {"AF-C", 0x8002},
    {"", 0},
};
