// ISO on camera model id 199 (see the label overrides): native
// sensitivities 200 to 12800 with their Lo and Hi settings.
#include "nikon/label_tables.h"

const PtpValueLabel kNikonIso199Labels[] = {
    {"ISO Lo 1", 100},    {"ISO Lo 0.7", 125},   {"ISO Lo 0.5", 140},   {"ISO Lo 0.3", 160},
    {"ISO 200", 200},     {"ISO 250", 250},      {"ISO 280", 280},      {"ISO 320", 320},
    {"ISO 400", 400},     {"ISO 500", 500},      {"ISO 560", 560},      {"ISO 640", 640},
    {"ISO 800", 800},     {"ISO 1000", 1000},    {"ISO 1100", 1100},    {"ISO 1250", 1250},
    {"ISO 1600", 1600},   {"ISO 2000", 2000},    {"ISO 2200", 2200},    {"ISO 2500", 2500},
    {"ISO 3200", 3200},   {"ISO 4000", 4000},    {"ISO 4500", 4500},    {"ISO 5000", 5000},
    {"ISO 6400", 6400},   {"ISO 8000", 8000},    {"ISO 9000", 9000},    {"ISO 10000", 10000},
    {"ISO 12800", 12800}, {"ISO Hi 0.3", 16000}, {"ISO Hi 0.7", 20000}, {"ISO Hi 1", 25600},
    {"ISO Hi 2", 51200},  {"ISO Hi 3", 102400},  {"Auto", 0xFFFF},      {"", 0},
};
