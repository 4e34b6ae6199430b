// Dynamic range optimizer and auto HDR (0xD201).
#include "sony/label_tables.h"

const PtpValueLabel kSonyDroLabels[] = {
    {"Off", 0x01},       {"DRO Auto", 0x1F},  {"DRO Lv1", 0x11},
    {"DRO Lv2", 0x12},   {"DRO Lv3", 0x13},   {"DRO Lv4", 0x14},
    {"DRO Lv5", 0x15},   {"HDR Auto", 0x20},  {"HDR 1.0EV", 0x21},
    {"HDR 2.0EV", 0x22}, {"HDR 3.0EV", 0x23}, {"HDR 4.0EV", 0x24},
    {"HDR 5.0EV", 0x25}, {"HDR 6.0EV", 0x26}, {"", 0},
};
