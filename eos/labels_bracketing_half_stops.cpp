// The exposure-bracketing list (0xD1D9) the driver installs on bodies that send
// an empty one, for cameras set to half-stop steps: eighths of a stop.
#include "eos/event_records.h"

const PtpValueLabel kEosBracketingHalfStops[] = {
    {"Off", 0},    {"+/- 1/2", 4},    {"+/- 1", 8},  {"+/- 1 1/2", 12},
    {"+/- 2", 16}, {"+/- 2 1/2", 20}, {"+/- 3", 24}, {"", 0},
};
