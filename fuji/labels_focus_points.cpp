// Focus point grid (0xD025): 1 is 7 x 13 points, 2 is 13 x 25, 3 is 9 x 13
// and 4 is 17 x 25.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiFocusPointsLabels[] = {
    {"91 Points", 1}, {"325 Points", 2}, {"117 Points", 3}, {"425 Points", 4}, {"", 0},
};
