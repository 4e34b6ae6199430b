// ISO on camera model ids 221, 227, 228, 230 (see the label overrides): native
// sensitivities 64 to 25600 with their Lo and Hi settings.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonIso221Labels[] = {
    {"ISO Lo 1", 32},      {"ISO Lo 0.7", 40},
    {"ISO Lo 0.3", 50},    {"ISO 64", 64},
    {"ISO 70", 70},        {"ISO 80", 80},
    {"ISO 100", 100},      {"ISO 125", 125},
    {"ISO 140", 140},      {"ISO 160", 160},
    {"ISO 200", 200},      {"ISO 250", 250},
    {"ISO 280", 280},      {"ISO 320", 320},
    {"ISO 400", 400},      {"ISO 500", 500},
    {"ISO 560", 560},      {"ISO 640", 640},
    {"ISO 800", 800},      {"ISO 1000", 1000},
    {"ISO 1100", 1100},    {"ISO 1250", 1250},
    {"ISO 1600", 1600},    {"ISO 2000", 2000},
    {"ISO 2200", 2200},    {"ISO 2500", 2500},
    {"ISO 3200", 3200},    {"ISO 4000", 4000},
    {"ISO 4500", 4500},    {"ISO 5000", 5000},
    {"ISO 6400", 6400},    {"ISO 8000", 8000},
    {"ISO 9000", 9000},    {"ISO 10000", 10000},
    {"ISO 12800", 12800},  {"ISO 16000", 16000},
    {"ISO 18000", 18000},  {"ISO 20000", 20000},
    {"ISO 25600", 25600},  {"ISO Hi 0.3", 32000},
    {"ISO Hi 0.5", 36000}, {"ISO Hi 0.7", 40000},
    {"ISO Hi 1", 51200},   {"ISO Hi 2", 102400},
    {"Auto", 0xFFFF},      {"", 0},
};
