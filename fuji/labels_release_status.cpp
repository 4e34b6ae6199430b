// Release status (0xD224).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiReleaseStatusLabels[] = {
    {"Ready", 0}, {"Busy", 1}, {"Shooting", 2}, {"Recording", 3}, {"Error", 4}, {"", 0},
};
