// Metering mode (0xD107).
#include "eos/label_tables.h"

const PtpValueLabel kCanonMeteringModeLabels[] = {
    {"Average", 0},    {"Spot", 1},         {"Center-Weighted", 2},
    {"Evaluative", 3}, {"Partial", 4},      {"Center-Weighted Average", 5},
    {"Multi-Spot", 6}, {"Not Set", 0xFFFF}, {"", 0},
};
