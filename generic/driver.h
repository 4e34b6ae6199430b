// The driver table: everything the vendor-neutral layer asks of a vendor
// driver, as one plain struct of function pointers grouped by area, plus the
// vendor's data tables.
//
// Each vendor folder defines one const PtpDriver (eos/driver.cpp,
// nikon/driver.cpp, sony/driver.cpp, fuji/driver.cpp). Session start picks one
// by vendor (PtpDriver_ForVendor, the only switch on the vendor) and every
// vendor-neutral operation calls through PtpSession_Driver().
//
// A null entry means the vendor has no such operation: the vendor-neutral
// caller gives the documented answer for it (PtpResult_NotSupportedForCamera,
// false or 0, as each operation says), written once, at the call.
//
// Before a session, and for a vendor of no driver, the session's driver is the
// plain-PTP driver: its entries are the standard PTP behaviour where the
// vendor-neutral layer has one.
//
// Every member has a default (null entries, empty tables), so a driver names
// only what it has, with designated initializers.
#pragma once

#include <cstdint>

#include "ptp_generic.h"
#include "ptp_result.h"

// --- Session: start, keep-alive, model check --------------------------------------------
struct PtpDriverSession {
};

// --- Properties: read, write, refresh, verify, vendor fix-ups ----------------------------
struct PtpDriverProperties {
};

// --- Event data -----------------------------------------------------------------------------
struct PtpDriverEvents {
};

// --- Capture: shot, half press, bulb, movie, double-shot checks --------------------------
struct PtpDriverCapture {
};

// --- Exposure steps and bracketing ------------------------------------------------------------
struct PtpDriverExposure {
};

// --- Focus: drive, modes, stacks ---------------------------------------------------------------
struct PtpDriverFocus {
};

// --- Live view: fetch, zoom, position, info ---------------------------------------------------
struct PtpDriverLiveView {
};

// --- Image formats and models ---------------------------------------------------------------
struct PtpDriverFormats {
};

// --- Capabilities -------------------------------------------------------------------------------
struct PtpDriverCapabilities {
};

// --- Objects: listing, thumbnail, preview finders -------------------------------------------
struct PtpDriverObjects {
};

// --- The vendor's data: property names and labels, property roles, models ------------------
struct PtpDriverTables {
};

struct PtpDriver {
    PtpVendor vendor = PtpVendor_None;
    PtpDriverSession session = {};
    PtpDriverProperties properties = {};
    PtpDriverEvents events = {};
    PtpDriverCapture capture = {};
    PtpDriverExposure exposure = {};
    PtpDriverFocus focus = {};
    PtpDriverLiveView liveView = {};
    PtpDriverFormats formats = {};
    PtpDriverCapabilities capabilities = {};
    PtpDriverObjects objects = {};
    PtpDriverTables tables = {};
};

// Each vendor's table, defined in its folder.
extern const PtpDriver kPtpEosDriver;
extern const PtpDriver kPtpNikonDriver;
extern const PtpDriver kPtpSonyDriver;
extern const PtpDriver kPtpFujiDriver;

// The driver for a vendor: the vendor's own, or the plain-PTP driver for
// PtpVendor_None. Never null.
const PtpDriver* PtpDriver_ForVendor(PtpVendor vendor);

// The session's driver, chosen when the session detects the vendor (or when a
// test sets the vendor). Never null; the plain-PTP driver before a session.
const PtpDriver* PtpSession_Driver();
