// AF area mode in live view (0xD05D).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonLiveViewAfAreaLabels[] = {
    {"Face Priority", 0}, {"Wide Area", 1},
    {"Normal Area", 2},   {"Subject Tracking", 3},
    {"Pinpoint", 4},      {"Dynamic Area", 5},
    {"Auto Area", 6},     {"Wide Area (L)", 7},
    {"Single Point", 8},  {"", 0},
};
