// Image format (0x5004) on bodies with starred JPEG qualities (a star
// favours image quality over file size).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonImageFormatStarredLabels[] = {
    {"JPG (BASIC)", 0},
    {"JPG (BASIC)*", 1},
    {"JPG (NORM)", 2},
    {"JPG (NORM)*", 3},
    {"JPG (FINE)", 4},
    {"JPG (FINE)*", 5},
    {"TIFF", 6},
    {"RAW", 7},
    {"RAW + JPG (BASIC)", 8},
    {"RAW + JPG (BASIC)*", 9},
    {"RAW + JPG (NORM)", 10},
    {"RAW + JPG (NORM)*", 11},
    {"RAW + JPG (FINE)", 12},
    {"RAW + JPG (FINE)*", 13},
    {"", 0},
};
