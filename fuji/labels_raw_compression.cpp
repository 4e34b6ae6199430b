// RAW compression (0xD022); 2 is compressed RAW.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiRawCompressionLabels[] = {
    {"Uncompressed", 1},
    {"Compressed", 2},
    {"", 0},
};
