// White balance (0xD109).
#include "eos/label_tables.h"

const PtpValueLabel kCanonWhiteBalanceLabels[] = {
    {"Auto", 0},
    {"Daylight", 1},
    {"Cloudy", 2},
    {"Tungsten", 3},
    {"Fluorescent", 4},
    {"Flash", 5},
    {"Custom", 6},
    {"Shade", 8},
    {"Color Temperature", 9},
    {"PC Set 1", 10},
    {"PC Set 2", 11},
    {"PC Set 3", 12},
    {"Custom 2", 15},
    {"Auto (White Priority)", 23},
    {"", 0},
};
