// Metering mode (0x500B).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiMeteringModeLabels[] = {
    {"Center Weighted", 2}, {"Multi", 3}, {"Spot", 4}, {"Average", 0x8001}, {"", 0},
};
