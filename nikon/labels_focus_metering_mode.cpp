// Focus area mode (0x501C).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonFocusMeteringModeLabels[] = {
    {"Center Spot", 1},       {"Multi Spot", 2},
    {"Single Point", 0x8010}, {"Auto Area", 0x8011},
    {"3D Tracking", 0x8012},  {"Dynamic Area", 0x8013},
    {"Group Area", 0x8014},   {"", 0},
};
