// The Nikon camera's row of hooks. Its cameras answer the standard operations
// and hand over one standard PTP event container per event until the Nikon
// sim files fill this row in.
#include "sim_vendor.h"

const SimVendorHooks kSimNikonHooks = {};
