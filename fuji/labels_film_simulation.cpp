// Film simulation (0xD001).
#include "fuji/label_tables.h"

const PtpValueLabel kFujiFilmSimulationLabels[] = {
    {"PROVIA/Standard", 1},
    {"Velvia/Vivid", 2},
    {"ASTIA/Soft", 3},
    {"PRO Neg. Hi", 4},
    {"PRO Neg. Std", 5},
    {"Monochrome", 6},
    {"Monochrome + Ye Filter", 7},
    {"Monochrome + R Filter", 8},
    {"Monochrome + G Filter", 9},
    {"Sepia", 10},
    {"Classic Chrome", 11},
    {"ACROS", 12},
    {"ACROS + Ye Filter", 13},
    {"ACROS + R Filter", 14},
    {"ACROS + G Filter", 15},
    {"", 0},
};
