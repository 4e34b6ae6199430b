// Date format (0xD352).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiDateTimeFormatLabels[] = {
    {"YYYY.MM.DD", 1},
    {"MM/DD/YYYY", 2},
    {"DD.MM.YYYY", 3},
    {"", 0},
};
