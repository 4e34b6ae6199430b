// The vendor arms of the property store: one dispatch point per operation, so
// a driver plugs in by filling its case. A vendor whose driver is not built
// yet answers PtpResult_NotSupportedForCamera (or false).
#pragma once

#include <cstdint>

#include "ptp_generic.h"

// Reads a property's raw value bytes. Out: *data belongs to the caller.
PtpResult PropertyVendor_ReadValue(PtpVendor vendor, uint32_t code, uint8_t** data,
                                   uint32_t* length);

// Writes a value through the vendor driver. No vendor: 0xFFFF.
PtpResult PropertyVendor_Write(PtpVendor vendor, uint32_t code, uint32_t value);

enum class VerifyOutcome { Verified, Failed, Skipped };

// Waits until the store shows value for code after a write.
VerifyOutcome PropertyVendor_WaitForValue(PtpVendor vendor, uint32_t code, uint32_t value);

// Reads a description in the vendor's own way; false when the vendor has none
// (the store then uses GetDevicePropDesc).
bool PropertyVendor_HasOwnDescriptionRead(PtpVendor vendor);
bool PropertyVendor_FetchDescription(PtpVendor vendor, PtpPropertyRecord* record);

// Adjusts a freshly parsed description (camera quirks). Called with the
// record's lock held.
void PropertyVendor_FixupDescription(PtpVendor vendor, PtpPropertyRecord* record);

// The vendor's number for a text value of code (Fujifilm image sizes), or
// false when the text's index is the value.
bool PropertyVendor_TextValue(PtpVendor vendor, uint32_t code, const char* text, uint32_t* value);

PtpResult PropertyVendor_RefreshDescription(PtpVendor vendor, uint32_t code);
PtpResult PropertyVendor_RefreshValue(PtpVendor vendor, uint32_t code, bool* handled);
PtpResult PropertyVendor_ReloadAll(PtpVendor vendor, bool* handled);
PtpResult PropertyVendor_Increment(PtpVendor vendor, uint32_t code, uint32_t direction);

// Waits for the vendor's own event processing to be idle before a write.
void PropertyVendor_BeforeWrite(PtpVendor vendor);

// Every exit of a write that reached the driver ends here with the write's
// result so far. When the driver stopped live view for the write (Fujifilm),
// it is switched on again; a failed write or verification keeps its result,
// a successful one takes the restart's. Otherwise returns result.
PtpResult PropertyVendor_AfterWrite(PtpVendor vendor, PtpResult result);

// Tests run the vendor-neutral write around a vendor whose driver the library
// does not have yet: the stand-in answers for that driver's write. Null
// removes it.
using PropertyVendorWriteFn = PtpResult (*)(PtpVendor vendor, uint32_t code, uint32_t value);
void PropertyVendor_SetStandInWriteForTest(PropertyVendorWriteFn write);
