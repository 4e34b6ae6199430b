// Drive mode (0xD106). The continuous modes are 1, 4, 5 and 0x14 to 0x16.
#include "eos/label_tables.h"

const PtpValueLabel kCanonDriveModeLabels[] = {
    {"Single", 0x00},
    {"Continuous", 0x01},
    {"Video", 0x02},
    {"High Speed Continuous", 0x04},
    {"Low Speed Continuous", 0x05},
    {"Silent Single", 0x06},
    {"Self-Timer Continuous", 0x07},
    {"Self-Timer 10s", 0x10},
    {"Self-Timer 2s", 0x11},
    {"Remote Control", 0x13},
    {"Silent Continuous", 0x14},
    {"Silent High Speed Continuous", 0x15},
    {"Silent Low Speed Continuous", 0x16},
    {"", 0},
};
