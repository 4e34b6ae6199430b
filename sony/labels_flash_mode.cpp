// Flash mode (0x500C).
#include "sony/label_tables.h"

const PtpValueLabel kSonyFlashModeLabels[] = {
    {"Auto", 1}, {"Off", 2}, {"Fill", 3}, {"Rear Sync", 0x8003}, {"Slow Sync", 0x8032}, {"", 0},
};
