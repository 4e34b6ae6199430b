// Exposure program (0x500E). 0x8050 to 0x8052 are the user settings U1 to U3,
// whose own program 0xD0FC gives.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonExposureModeLabels[] = {
    {"M", 1},
    {"P", 2},
    {"A", 3},
    {"S", 4},
    {"Auto", 0x8010},
    {"Portrait", 0x8011},
    {"Landscape", 0x8012},
    {"Close Up", 0x8013},
    {"Sports", 0x8014},
    {"Night Portrait", 0x8015},
    {"Flash Off", 0x8016},
    {"Child", 0x8017},
    {"Scene", 0x8018},
    {"Effects", 0x8019},
    {"U1", 0x8050},
    {"U2", 0x8051},
    {"U3", 0x8052},
    {"", 0},
};
