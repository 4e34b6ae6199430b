// The Sony driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"

const PtpDriver kPtpSonyDriver = {
    .vendor = PtpVendor_Sony,
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
