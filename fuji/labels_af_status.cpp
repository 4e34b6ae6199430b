// Autofocus status (0xD209).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiAfStatusLabels[] = {
    {"Idle", 0}, {"Focusing", 1}, {"In Focus", 2}, {"Failed", 3}, {"", 0},
};
