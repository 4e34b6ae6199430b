// Metering mode (0x500B).
#include "sony/label_tables.h"

const PtpValueLabel kSonyMeteringModeLabels[] = {
    {"Center Weighted", 2},     {"Multi Spot", 3},
    {"Center Spot", 4},         {"Multi", 0x8001},
    {"Center", 0x8002},         {"Entire Screen Avg.", 0x8003},
    {"Spot: Standard", 0x8004}, {"Spot: Large", 0x8005},
    {"Highlight", 0x8006},      {"", 0},
};
