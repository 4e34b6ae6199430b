// Exposure compensation (0xD104) from +5 to -5 stops in thirds and halves.
// Codes are eighths of a stop; negative steps are 256 minus the magnitude.
#include "eos/label_tables.h"

const PtpValueLabel kCanonExposureCompensationLabels[] = {
    {"+5", 0x28},     {"+4 2/3", 0x25}, {"+4 1/2", 0x24}, {"+4 1/3", 0x23}, {"+4", 0x20},
    {"+3 2/3", 0x1D}, {"+3 1/2", 0x1C}, {"+3 1/3", 0x1B}, {"+3", 0x18},     {"+2 2/3", 0x15},
    {"+2 1/2", 0x14}, {"+2 1/3", 0x13}, {"+2", 0x10},     {"+1 2/3", 0x0D}, {"+1 1/2", 0x0C},
    {"+1 1/3", 0x0B}, {"+1", 0x08},     {"+2/3", 0x05},   {"+1/2", 0x04},   {"+1/3", 0x03},
    {"0", 0x00},      {"-1/3", 0xFD},   {"-1/2", 0xFC},   {"-2/3", 0xFB},   {"-1", 0xF8},
    {"-1 1/3", 0xF5}, {"-1 1/2", 0xF4}, {"-1 2/3", 0xF3}, {"-2", 0xF0},     {"-2 1/3", 0xED},
    {"-2 1/2", 0xEC}, {"-2 2/3", 0xEB}, {"-3", 0xE8},     {"-3 1/3", 0xE5}, {"-3 1/2", 0xE4},
    {"-3 2/3", 0xE3}, {"-4", 0xE0},     {"-4 1/3", 0xDD}, {"-4 1/2", 0xDC}, {"-4 2/3", 0xDB},
    {"-5", 0xD8},     {"", 0},
};
