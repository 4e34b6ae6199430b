// Movie servo AF (0xD179).
#include "eos/label_tables.h"

const PtpValueLabel kCanonMovieServoAfLabels[] = {
    {"Off", 0},
    {"On", 1},
    {"", 0},
};
