// Focus mode (0xD108).
#include "eos/label_tables.h"

const PtpValueLabel kCanonFocusModeLabels[] = {
    {"One Shot", 0}, {"AI Servo", 1}, {"AI Focus", 2}, {"MF", 3}, {"", 0},
};
