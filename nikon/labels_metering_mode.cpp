// Metering mode (0x500B and 0xD1AF).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonMeteringModeLabels[] = {
    {"Center-Weighted", 2}, {"Matrix", 3}, {"Spot", 4}, {"Highlight-Weighted", 0x8010}, {"", 0},
};
