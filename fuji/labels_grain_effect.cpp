// Grain effect (0xD023).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiGrainEffectLabels[] = {
    {"Off", 1},
    {"Weak", 2},
    {"Strong", 3},
    {"", 0},
};
