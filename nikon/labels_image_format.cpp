// Image format (0x5004): quality codes of the bodies without starred JPEG
// qualities.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonImageFormatLabels[] = {
    {"JPG (BASIC)", 0},
    {"JPG (NORM)", 1},
    {"JPG (FINE)", 2},
    {"TIFF", 3},
    {"RAW", 4},
    {"RAW + JPG (BASIC)", 5},
    {"RAW + JPG (NORM)", 6},
    {"RAW + JPG (FINE)", 7},
    {"", 0},
};
