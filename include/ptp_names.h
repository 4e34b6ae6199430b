/** \file
 * Property names and value labels: the texts the library shows for device
 * property codes and their values, from tables compiled into the library for
 * the connected camera's vendor. No camera traffic; no lock is taken. */
#ifndef PTP_NAMES_H
#define PTP_NAMES_H

#include <stdint.h>

#include "ptp_result.h"

/** The display name of a device property code in the current vendor's table (for
 * example "Aperture" or "Shutter Speed"), or null when the code has no row there
 * or no camera session has chosen a vendor yet.
 * The text is static: it stays valid while the library is loaded and must not be
 * freed or written. May be called from any thread. */
PTP_API const char* PtpGenericInterface_StringForPropertyCode(uint32_t code);

/** The label of a value of a device property ("f5.6", "1/250", "ISO 400"), or
 * null when the current vendor's table has no label table for code (no session,
 * no row, or a property without labels); the host then shows the number itself.
 * Vendor-specific rules come first: some labels depend on the camera model, and
 * some vendors print certain values themselves. A value the label table does not
 * list is printed as a signed decimal ("9", "-1" for 0xFFFFFFFF).
 * The text belongs to the library and must not be freed or written. A label from
 * a table is static. A printed value lies in a buffer of the calling thread, which
 * stays intact while other threads call but is rewritten by this thread's next
 * request for a label (from this function or from the library on its behalf):
 * copy it to keep it. May be called from any thread. */
PTP_API const char* PtpGenericInterface_StringForPropertyCodeValue(uint32_t code, uint32_t value);

#endif
