// Focus mode in live view and for movies (0xD061 and 0xD1FA). 3 and 4 are
// the manual positions.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonLiveViewFocusModeLabels[] = {
    {"AF-S", 0}, {"AF-C", 1}, {"AF-F", 2}, {"MF (Fixed)", 3}, {"MF", 4}, {"AF-A", 5}, {"", 0},
};
