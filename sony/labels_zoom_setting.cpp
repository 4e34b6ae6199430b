// Zoom setting (0xD25F).
#include "sony/label_tables.h"

const PtpValueLabel kSonyZoomSettingLabels[] = {
    {"Optical Zoom Only", 1},
    {"Clear Image Zoom", 2},
    {"Digital Zoom", 3},
    {"", 0},
};
