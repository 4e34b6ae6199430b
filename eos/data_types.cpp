// The PTP data type of each Canon property, set when its allowed values arrive:
// the camera's event data does not say, so the driver decides by code.
#include "eos/eos_session.h"
#include "generic/property_store.h"

namespace {

struct EosTypeRange {
    uint16_t first;
    uint16_t last; // inclusive
    uint16_t type;
};

const EosTypeRange kEosDataTypes[] = {
    {0xD101, 0xD103, kPtpTypeUint16}, {0xD105, 0xD106, kPtpTypeUint16},
    {0xD108, 0xD108, kPtpTypeUint16}, {0xD10F, 0xD10F, kPtpTypeUint16},
    {0xD111, 0xD112, kPtpTypeUint16}, {0xD119, 0xD11A, kPtpTypeUint16},
    {0xD11D, 0xD11D, kPtpTypeUint16}, {0xD138, 0xD138, kPtpTypeUint16},
    {0xD1A9, 0xD1A9, kPtpTypeUint16}, {0xD1B0, 0xD1B1, kPtpTypeUint16},
    {0xD1D2, 0xD1D3, kPtpTypeUint16}, {0xD1D9, 0xD1D9, kPtpTypeUint16},

    {0xD104, 0xD104, kPtpTypeInt8},

    {0xD107, 0xD107, kPtpTypeUint8},  {0xD109, 0xD109, kPtpTypeUint8},
    {0xD110, 0xD110, kPtpTypeUint8},  {0xD130, 0xD133, kPtpTypeUint8},
    {0xD140, 0xD145, kPtpTypeUint8},  {0xD150, 0xD155, kPtpTypeUint8},
    {0xD160, 0xD162, kPtpTypeUint8},  {0xD170, 0xD172, kPtpTypeUint8},
    {0xD179, 0xD179, kPtpTypeUint8},  {0xD17F, 0xD192, kPtpTypeUint8},
    {0xD199, 0xD199, kPtpTypeUint8},  {0xD1A1, 0xD1A2, kPtpTypeUint8},
    {0xD1A4, 0xD1A7, kPtpTypeUint8},  {0xD1AD, 0xD1AD, kPtpTypeUint8},
    {0xD1D5, 0xD1D7, kPtpTypeUint8},  {0xD1DA, 0xD1DB, kPtpTypeUint8},

    {0xD10B, 0xD10C, kPtpTypeInt16},

    {0xD115, 0xD115, kPtpTypeString}, {0xD1AF, 0xD1AF, kPtpTypeString},
    {0xD1D0, 0xD1D1, kPtpTypeString}, {0xD1D8, 0xD1D8, kPtpTypeString},
};

} // namespace

uint32_t PtpEos_DataTypeForProperty(uint32_t code) {
    for (const EosTypeRange& row : kEosDataTypes)
        if (code >= row.first && code <= row.last) return row.type;
    return kPtpTypeUint32;
}
