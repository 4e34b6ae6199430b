// Self-timer delay (0x5012) in milliseconds.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiTimerDelayLabels[] = {
    {"Off", 0},
    {"2 Sec", 2000},
    {"10 Sec", 10000},
    {"", 0},
};
