// ISO (0x500F): sensitivities as numbers; values with the top bit set are the
// automatic settings.
#include "fuji/label_tables.h"

const PtpValueLabel kFujiIsoLabels[] = {
    {"Auto", 0xFFFFFFFF},   {"Auto 1", 0xFFFFFFFE},
    {"Auto 2", 0xFFFFFFFD}, {"Auto 3", 0xFFFFFFFC},
    {"ISO 40", 40},         {"ISO 50", 50},
    {"ISO 64", 64},         {"ISO 80", 80},
    {"ISO 100", 100},       {"ISO 125", 125},
    {"ISO 160", 160},       {"ISO 200", 200},
    {"ISO 250", 250},       {"ISO 320", 320},
    {"ISO 400", 400},       {"ISO 500", 500},
    {"ISO 640", 640},       {"ISO 800", 800},
    {"ISO 1000", 1000},     {"ISO 1250", 1250},
    {"ISO 1600", 1600},     {"ISO 2000", 2000},
    {"ISO 2500", 2500},     {"ISO 3200", 3200},
    {"ISO 4000", 4000},     {"ISO 5000", 5000},
    {"ISO 6400", 6400},     {"ISO 8000", 8000},
    {"ISO 10000", 10000},   {"ISO 12800", 12800},
    {"ISO 16000", 16000},   {"ISO 20000", 20000},
    {"ISO 25600", 25600},   {"ISO 32000", 32000},
    {"ISO 40000", 40000},   {"ISO 51200", 51200},
    {"ISO 64000", 64000},   {"ISO 80000", 80000},
    {"ISO 102400", 102400}, {"ISO 128000", 128000},
    {"ISO 160000", 160000}, {"ISO 204800", 204800},
    {"ISO 256000", 256000}, {"ISO 320000", 320000},
    {"ISO 409600", 409600}, {"", 0},
};
