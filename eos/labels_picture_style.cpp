// Picture style (0xD110).
#include "eos/label_tables.h"

const PtpValueLabel kCanonPictureStyleLabels[] = {
    {"Standard", 0x81},   {"Portrait", 0x82},
    {"Landscape", 0x83},  {"Neutral", 0x84},
    {"Faithful", 0x85},   {"Black & White", 0x86},
    {"User Set 1", 0x21}, {"User Set 2", 0x22},
    {"User Set 3", 0x23}, {"", 0},
};
