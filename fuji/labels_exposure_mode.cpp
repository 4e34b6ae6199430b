// Exposure mode (0x500E).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiExposureModeLabels[] = {
    {"Manual", 1}, {"Program", 2}, {"Aperture Priority", 3}, {"Shutter Priority", 4}, {"", 0},
};
