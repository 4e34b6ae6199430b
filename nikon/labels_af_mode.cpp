// Viewfinder focus mode (0xD161). 3 and 4 are the manual positions.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonAfModeLabels[] = {
    {"AF-S", 0}, {"AF-C", 1}, {"AF-A", 2}, {"MF (Fixed)", 3}, {"MF", 4}, {"AF-F", 5}, {"", 0},
};
