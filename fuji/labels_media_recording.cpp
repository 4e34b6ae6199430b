// Where pictures are saved (0xD20C).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiMediaRecordingLabels[] = {
    {"PC", 1}, {"Card", 2}, {"PC + Card", 3}, {"PC RAW + Card JPEG", 4}, {"", 0},
};
