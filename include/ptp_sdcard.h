/** \file
 * The Tetherhub's own SD card: list, inspect, delete and download its files,
 * copy camera objects onto it, set its clock and format it.
 *
 * Every function is one or more control exchanges with the Tetherhub and may
 * be called from any host thread, but never from inside a transport callback
 * of the transaction engine. Each exchange holds the relay link lock; a large
 * download takes it once per 2 MiB part, so other requests can run between
 * parts. Buffers the library hands out are malloc'd and belong to the caller,
 * who releases them with FreeMemory; on any failure the out buffer is null and
 * nothing needs releasing.
 *
 * File names are NUL-terminated texts as the Tetherhub knows them. Delete,
 * exists and the extracted image accept names of at most 199 characters (200
 * bytes with the NUL); the transfers (file size, thumbnail, whole file) at
 * most 255 characters. A longer or unterminated name gives
 * PtpResult_InvalidArgument before anything is sent.
 *
 * Share modes (see the sharing functions): 0 the result comes to this client
 * only; 0xA0 the result goes to the Tetherhub's other clients only, so the out
 * buffer is null and the out length 0 on success; 0xA1 to the other clients
 * and to this client; 0xA2 the data comes from this client. */
#ifndef PTP_SDCARD_H
#define PTP_SDCARD_H

#include <stddef.h>
#include <stdint.h>

#include "ptp_objects.h"
#include "ptp_result.h"

/** Deletes a file from the card. PtpResult_InvalidArgument for a null or too
 * long name; otherwise the Tetherhub's result. */
PTP_API PtpResult Comms_SD_DeleteFile(const char* name);

/** Asks whether a file is on the card: *exists non-zero when it is.
 * PtpResult_InvalidArgument for null arguments or a too long name;
 * PtpResult_BadReply when the reply is not exactly one byte. */
PTP_API PtpResult Comms_SD_DoesFileExist(const char* name, uint8_t* exists);

/** Formats the card. The Tetherhub may take up to 66 seconds to answer; the
 * link's receive time-out is 22 seconds again afterwards, whatever the result. */
PTP_API PtpResult Comms_SD_Format(void);

/** The card's file-name list, in the Tetherhub's own layout, unchanged. Out:
 * *data (owned by the caller) and its *length; null and 0 when the list is
 * empty. PtpResult_InvalidArgument for null outputs. */
PTP_API PtpResult Comms_SD_GetAllFilenames(uint8_t** data, uint32_t* length);

/** The size of a file in bytes. PtpResult_InvalidArgument for null arguments or
 * a too long name; PtpResult_BadReply when the reply is not exactly 8 bytes. */
PTP_API PtpResult Comms_SD_GetFileSize(const char* name, uint64_t* size);

/** The card's two space values in the Tetherhub's order (the virtual Tetherhub
 * answers free, then total bytes). Returns 0, which is not PtpResult_Ok, when either
 * out is null; PtpResult_BadReply when the reply is not exactly 16 bytes. */
PTP_API PtpResult Comms_SD_GetInfo(uint64_t* first, uint64_t* second);

/** A file's thumbnail. The reply is one byte, handed over in *firstByte, then
 * the thumbnail, handed over in *data (owned by the caller) with its *length.
 * A reply of the byte alone gives PtpResult_Ok with a null *data and length 0;
 * a successful reply without even the byte gives PtpResult_BadReply. With a
 * non-zero share mode the request is shared with an SD-card object record;
 * under 0xA0 the thumbnail is not returned (*firstByte is the reply's byte when
 * there is one, else 0). PtpResult_InvalidArgument for null arguments or a too
 * long name. */
PTP_API PtpResult Comms_SD_GetThumbnail(const char* name, uint8_t** data, uint32_t* length,
                                        uint8_t* firstByte, uint8_t shareMode);

/** The JPEG image embedded in a raw file (for a JPEG file, the file). Out:
 * *data (owned by the caller) and *length. Shared for share modes 0xA0 and
 * 0xA1 only; under 0xA0 nothing is returned. A successful reply without data
 * gives PtpResult_BadReply. PtpResult_InvalidArgument for null arguments or a
 * too long name. */
PTP_API PtpResult Comms_SD_GetExtractedFile(const char* name, uint8_t** data, uint32_t* length,
                                            uint8_t shareMode);

/** Downloads a whole file: one request below 2 MiB, else parts of 2 MiB in
 * order. With a share mode each request is shared; a file below 2 MiB carries
 * `record` when given, else an SD-card object record for the file. Out: *data
 * (owned by the caller) holds the file and *length its size; a file of size 0
 * gives a null *data and length 0; under 0xA0 both are null and 0.
 * PtpResult_InvalidArgument for null outputs or a too long name;
 * PtpResult_InvalidData for a file of 4 GiB or more (nothing requested);
 * PtpResult_BadReply when a part is longer than asked or a successful part
 * brings no data; PtpResult_OutOfMemory; or the failing request's result. */
PTP_API PtpResult Comms_SD_GetFile(const char* name, uint8_t** data, uint32_t* length,
                                   uint8_t shareMode, const PtpObjectInfo* record);

/** Has the Tetherhub copy a camera object onto its card. The record is the
 * object's own (as from PtpGenericInterface_GetObjectInfo), sent whole.
 * PtpResult_InvalidArgument for a null record. */
PTP_API PtpResult Comms_SD_SaveObjectFromCamera(const PtpObjectInfo* record);

/** Sets the Tetherhub's clock to this machine's current time (seconds since the
 * epoch). */
PTP_API PtpResult Comms_SD_SetCurrentTime(void);

/** Sends the transfer flag with two texts of at most 63 characters each (null:
 * empty). PtpResult_InvalidArgument for a longer text. */
PTP_API PtpResult Comms_SD_SetTransferFlag(uint8_t flag, const char* first, const char* second);

#endif /* PTP_SDCARD_H */
