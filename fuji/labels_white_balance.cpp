// White balance (0x5005).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiWhiteBalanceLabels[] = {
    {"Auto", 2},
    {"Daylight", 4},
    {"Incandescent", 6},
    {"Fluorescent 1", 0x8001},
    {"Fluorescent 2", 0x8002},
    {"Fluorescent 3", 0x8003},
    {"Shade", 0x8006},
    {"Color Temperature", 0x8007},
    {"Underwater", 0x8008},
    {"Custom 1", 0x8009},
    {"Custom 2", 0x800A},
    {"Custom 3", 0x800B},
    {"", 0},
};
