// The driver selection: the one place that switches on the vendor. Session
// start (and a test that sets the vendor) picks the driver here; everything
// after calls through the session's driver.
#include "generic/driver.h"

namespace {

// No vendor: plain PTP where the vendor-neutral layer has a standard answer,
// nulls elsewhere.
const PtpDriver kPlainDriver = {
    .vendor = PtpVendor_None,
    .session = {},
    .properties = {},
    .events = {},
    .capture = {},
    .exposure = {},
    .focus = {},
    .liveView = {},
    .formats = {},
    .capabilities = {},
    .objects = {},
    .tables = {},
};

} // namespace

const PtpDriver* PtpDriver_ForVendor(PtpVendor vendor) {
    switch (vendor) {
    case PtpVendor_Canon: return &kPtpEosDriver;
    case PtpVendor_Nikon: return &kPtpNikonDriver;
    case PtpVendor_Sony: return &kPtpSonyDriver;
    case PtpVendor_Fujifilm: return &kPtpFujiDriver;
    default: return &kPlainDriver;
    }
}
