// The Fujifilm driver table. What the driver does not implement yet is null: its
// cameras get what a vendor without the operation gets.
#include "generic/driver.h"

const PtpDriver kPtpFujiDriver = {
    .vendor = PtpVendor_Fujifilm,
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
