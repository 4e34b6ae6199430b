// Aspect ratio (0xD211).
#include "sony/label_tables.h"

const PtpValueLabel kSonyAspectRatioLabels[] = {
    {"3:2", 1},
    {"16:9", 2},
    {"", 0},
};
