// The Canon EOS driver table.
#include "generic/driver.h"

const PtpDriver kPtpEosDriver = {
    .vendor = PtpVendor_Canon,
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
