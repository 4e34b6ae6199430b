// The Fujifilm camera's row of hooks: standard operations, and its events as
// the hub's 38-byte records, until the Fujifilm sim files fill this row in.
#include "sim_events.h"
#include "sim_vendor.h"

const SimVendorHooks kSimFujifilmHooks = {.encode_events = SimEvents_EncodeHubRecords};
