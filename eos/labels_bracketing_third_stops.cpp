// The exposure-bracketing list (0xD1D9) the driver installs on bodies that send
// an empty one, for cameras set to third-stop steps: eighths of a stop, where 3
// and 5 stand for one and two thirds.
#include "eos/event_records.h"

const PtpValueLabel kEosBracketingThirdStops[] = {
    {"Off", 0},        {"+/- 1/3", 3},    {"+/- 2/3", 5}, {"+/- 1", 8},
    {"+/- 1 1/3", 11}, {"+/- 1 2/3", 13}, {"+/- 2", 16},  {"+/- 2 1/3", 19},
    {"+/- 2 2/3", 21}, {"+/- 3", 24},     {"", 0},
};
