// Off and on: the switches 0xD01D, 0xD020, 0xD027, 0xD112, 0xD322, 0xD323,
// 0xD34B, 0xD34D and 0xD355.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiOffOnLabels[] = {
    {"Off", 0},
    {"On", 1},
    {"", 0},
};
