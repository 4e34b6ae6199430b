// Focus mode (0x500A); 1 is manual.
#include "sony/label_tables.h"

const PtpValueLabel kSonyFocusModeLabels[] = {
    {"MF", 1},       {"AF-S", 2},      {"AF Macro", 3},          {"AF-C", 0x8004}, {"AF-A", 0x8005},
    {"DMF", 0x8006}, {"AF-D", 0x8009}, {"Preset Focus", 0x800A}, {"", 0},
};
