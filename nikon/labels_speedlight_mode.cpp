// Flash mode of a mounted speedlight (0xD125).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonSpeedlightModeLabels[] = {
    {"TTL", 0},
    {"TTL BL", 1},
    {"Auto Aperture", 2},
    {"Non-TTL Auto", 3},
    {"Distance Priority Manual", 4},
    {"Manual", 5},
    {"Repeating Flash", 6},
    {"FP TTL", 7},
    {"FP TTL BL", 8},
    {"FP Auto Aperture", 9},
    {"FP Non-TTL Auto", 10},
    {"FP Distance Priority Manual", 11},
    {"FP Manual", 12},
    {"Off", 13},
    {"", 0},
};
