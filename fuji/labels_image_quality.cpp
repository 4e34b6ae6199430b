// Image quality (0xD018).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiImageQualityLabels[] = {
    {"RAW", 1},          {"FINE", 2},       {"NORMAL", 3},           {"RAW + FINE", 4},
    {"RAW + NORMAL", 5}, {"SUPER FINE", 6}, {"RAW + SUPER FINE", 7}, {"", 0},
};
