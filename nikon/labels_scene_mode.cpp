// Scene mode (0xD0F9).
#include "nikon/label_tables.h"

const PtpValueLabel kNikonSceneModeLabels[] = {
    {"Night Landscape", 0}, {"Party/Indoor", 1}, {"Beach/Snow", 2},  {"Sunset", 3},
    {"Dusk/Dawn", 4},       {"Pet Portrait", 5}, {"Candlelight", 6}, {"Blossom", 7},
    {"Autumn Colors", 8},   {"Food", 9},         {"Silhouette", 10}, {"", 0},
};
