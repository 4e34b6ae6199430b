// Exposure program of the user settings U1 to U3 (0xD0FC).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonUserModeLabels[] = {
    {"Auto", 18}, {"P", 19}, {"S", 20}, {"A", 21}, {"M", 22}, {"", 0},
};
