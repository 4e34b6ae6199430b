// Focus step sizes 1 (fine) to 3 (coarse) in each vendor's lens steps.
#include "comms/services.h"
#include "generic/session.h"
#include "ptp_properties.h"

namespace {

struct FocusStepRow {
    PtpVendor vendor;
    bool gfx; // Fujifilm rows only: the GFX models move in finer steps
    uint16_t steps[3];
};

static const FocusStepRow kFocusSteps[] = {
    {PtpVendor_Canon, false, {1, 10, 25}},     {PtpVendor_Nikon, false, {15, 75, 375}},
    {PtpVendor_Sony, false, {2, 5, 7}},        {PtpVendor_Fujifilm, true, {20, 125, 500}},
    {PtpVendor_Fujifilm, false, {6, 50, 140}},
};

// A Nikon whose property 0xD0E2 reads 0 drives its lens at the slower speed,
// so each step size needs 2.5 times the steps.
constexpr uint32_t kNikonLensDriveSpeed = 0xD0E2;

bool nikon_slow_drive() {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(kNikonLensDriveSpeed, 1);
    if (!record) return false;
    bool slow = record->currentValue == 0;
    PtpUnlockProperty(record);
    return slow;
}

} // namespace

uint16_t Comms_ConvertFocusStepsFor(PtpVendor vendor, bool gfx, bool nikonSlowDrive,
                                    uint16_t stepSize) {
    const FocusStepRow* row = nullptr;
    for (const FocusStepRow& r : kFocusSteps)
        if (r.vendor == vendor && (vendor != PtpVendor_Fujifilm || r.gfx == gfx)) row = &r;
    if (!row) return stepSize; // no camera session
    uint32_t steps = stepSize >= 1 && stepSize <= 3 ? row->steps[stepSize - 1] : stepSize;
    if (vendor == PtpVendor_Nikon && nikonSlowDrive) {
        steps = steps * 5 / 2;
        if (steps > UINT16_MAX) steps = UINT16_MAX;
    }
    return uint16_t(steps);
}

uint16_t Comms_ConvertFocusSteps(uint16_t stepSize) {
    PtpVendor vendor = PtpSession_Vendor();
    // Fujifilm GFX models are told apart by the Fujifilm driver's model table,
    // which the library does not have yet: every Fujifilm takes the other row.
    bool gfx = false;
    bool slow = vendor == PtpVendor_Nikon && nikon_slow_drive();
    return Comms_ConvertFocusStepsFor(vendor, gfx, slow, stepSize);
}
