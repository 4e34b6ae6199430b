// Reset settings (0xD17F).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiResetSettingsLabels[] = {
    {"Cancel", 0},
    {"Reset", 1},
    {"", 0},
};
