// Focus area mode (0x501C and the per-orientation 0xD02A to 0xD02D).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiFocusMeteringModeLabels[] = {
    {"Single Point", 0x8001}, {"Zone", 0x8002}, {"Wide/Tracking", 0x8003}, {"All", 0x8004}, {"", 0},
};
