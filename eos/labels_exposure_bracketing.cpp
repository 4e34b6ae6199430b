// Exposure bracketing (0xD1D9): the bracket step in eighths of a stop.
#include "eos/label_tables.h"

const PtpValueLabel kCanonExposureBracketingLabels[] = {
    {"Off", 0},        {"+/- 1/3", 3},    {"+/- 1/2", 4},    {"+/- 2/3", 5}, {"+/- 1", 8},
    {"+/- 1 1/3", 11}, {"+/- 1 1/2", 12}, {"+/- 1 2/3", 13}, {"+/- 2", 16},  {"+/- 2 1/3", 19},
    {"+/- 2 1/2", 20}, {"+/- 2 2/3", 21}, {"+/- 3", 24},     {"", 0},
};
