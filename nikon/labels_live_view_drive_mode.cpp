// Drive mode in live view (0xD1A1).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonLiveViewDriveModeLabels[] = {
    {"Single", 0},
    {"Continuous Low", 1},
    {"Continuous High", 2},
    {"", 0},
};
