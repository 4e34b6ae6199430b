/** \file
 * Sharing with the Tetherhub's other clients: the sharing table that makes
 * chosen camera operations (images, thumbnails, live-view frames) travel to
 * the other clients as they are fetched, the Tetherhub's sharing switches and
 * client list, pushing an image to the other clients, and the conversions of
 * object records between the layouts clients exchange.
 *
 * While an operation code has an entry in the sharing table, every command
 * with that code sent through the relay link's own transport carries the
 * entry's share prefix; a host transport never does. The table holds at most
 * 10 entries. Every function may be called from any thread; the table has a
 * lock of its own, and the Tetherhub exchanges take the relay link lock. */
#ifndef PTP_RELAY_H
#define PTP_RELAY_H

#include <stdint.h>

#include "ptp_objects.h"
#include "ptp_result.h"

/* --- Sharing table -------------------------------------------------------------- */

/** enable = 1: every GetObject (0x1009) is shared (to the others and back to
 * this client) with a copy of the 612-byte record as its prefix; any other
 * value switches that off. Returns true on success; false for a null record
 * when enabling (the table is left as it was), when the table is full (10
 * entries of other codes), when the table lock fails or the copy cannot be
 * allocated, or, when disabling, when GetObject had no entry. Borrows record. */
PTP_API bool PtpRelayInterface_SetImageSharing(int8_t enable, const PtpObjectInfo* record);

/** The same for the thumbnail operation operationCode (0x100A on Nikon cameras,
 * 0x910A on the others). */
PTP_API bool PtpRelayInterface_SetThumbnailSharing(int8_t enable, const PtpObjectInfo* record,
                                                   uint32_t operationCode);

/** enable = 1: every command operationCode is shared, with no record; any other
 * value switches that off. Results as PtpRelayInterface_SetImageSharing. */
PTP_API bool PtpRelayInterface_SetLiveViewSharing(int8_t enable, uint32_t operationCode);

/** PtpRelayInterface_SetLiveViewSharing for the connected camera's live-view
 * frame operation (Canon 0x9153; Nikon 0x9428 when the camera lists it, else
 * 0x9203). Returns false and leaves the table alone for cameras whose live
 * view is not shared (Sony, Fujifilm, no session). */
PTP_API bool Comms_SetLiveViewSharing(int8_t enable);

/* --- Tetherhub sharing services ---------------------------------------------- */

/** Switches the Tetherhub's sharing (the byte is passed as given). Returns the
 * Tetherhub's result or the link's failure. */
PTP_API PtpResult Comms_ToggleSharing(uint8_t on);

/** Switches the Tetherhub's sharing off. */
PTP_API PtpResult Comms_DisableSharing(void);

/** *enabled receives the Tetherhub's sharing state. PtpResult_BadReply when the
 * answer is not exactly one byte (*enabled untouched); PtpResult_InvalidArgument
 * for a null enabled. */
PTP_API PtpResult Comms_IsSharingEnabled(uint8_t* enabled);

/** Tells the Tetherhub whether the other clients may save what they receive
 * (non-zero: yes; sent as 1 or 0). */
PTP_API PtpResult Comms_SendClientsCanSave(uint8_t canSave);

/** The Tetherhub's text listing its connected clients, NUL-terminated, or null
 * on failure or when the list is empty. Out: the text is allocated by the
 * library; the host releases it with FreeMemory. */
PTP_API char* Comms_GetClientsString(void);

/** Tells the Tetherhub this client's name. PtpResult_InvalidArgument for a null
 * name or one of more than 199 characters (200 bytes with its NUL). */
PTP_API PtpResult ShareComms_SendClientName(const char* name);

/** @{ */
/** The sharing protocol version the host keeps here (initially 0); the library
 * only stores it. */
PTP_API void ShareComms_SetVersion(uint8_t version);
PTP_API uint8_t ShareComms_Version(void);
/** @} */

/* --- Object records --------------------------------------------------------------- */

/** Converts, in place, a record a version-1 client sent into the current
 * layout: fields after offsets 14, 46, 56 and 336 move up by 2, 2, 4 and 4
 * bytes, and the orientation byte and the 8 bytes of flags and padding after
 * it are cleared. A null record is ignored. */
PTP_API void ShareComms_AdjustV1PtpObject(PtpObjectInfo* record);

/** Converts, in place, a record in the padded layout (each 32-bit field after a
 * 16-bit one aligned to 4 bytes) into the packed one: the 2 padding bytes at
 * offsets 14, 46 and 314 of the padded record go. Returns record; null for a
 * null record. */
PTP_API PtpObjectInfo* WindowsFixObjectPointer(PtpObjectInfo* record);

/* --- Pushing an image --------------------------------------------------------------- */

/** Sends the object's image to the other clients and not to this one: the
 * cached modified JPEG when there is one (this client's own data), else the
 * image from the camera or the SD card (with preferExtracted set, the JPEG the
 * Tetherhub extracts from a raw file). Returns PtpResult_Ok,
 * PtpResult_InvalidArgument for a null record or an SD-card record without a
 * name, PtpResult_ObjectTooLarge for a modified JPEG of more than 5,120,000
 * bytes (nothing is sent), PtpResult_OutOfMemory, or the failing request's
 * result. Borrows record. */
PTP_API PtpResult Native_SendImageToClients(const PtpObjectInfo* record, uint8_t preferExtracted);

#endif /* PTP_RELAY_H */
