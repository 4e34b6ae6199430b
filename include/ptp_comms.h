/** \file
 * The relay link: the one TCP connection to the Tetherhub, its control
 * exchanges and the process-wide utilities exported beside it.
 *
 * Every function may be called from any thread. Exchanges are serialised by the
 * relay link lock, so two threads never interleave a request and its reply.
 * Buffers the library hands out belong to the caller, who releases them with
 * FreeMemory. */
#ifndef PTP_COMMS_H
#define PTP_COMMS_H

#include <stddef.h>
#include <stdint.h>

#include "ptp_objects.h"
#include "ptp_result.h"

/** Receives out-of-band notices (relay message types 16-255) on a short-lived
 * thread of its own. The message, header included, belongs to the delegate,
 * which releases it with FreeMemory. */
typedef void (*PtpOobDelegateFn)(uint8_t* message);

/** Opens the connection to the Tetherhub at host:port (IPv4, TCP), closing any
 * previous one first. Returns the socket handle, or -1 when the name does not
 * resolve or the connection fails. Clears the link-lost state on success. */
PTP_API int32_t ConnectToServer(const char* host, const char* port);

/** Closes the connection. Always returns 1; does nothing before the first
 * connection. Threads blocked in a receive on the link wake with
 * PtpResult_ConnectionLost. */
PTP_API int32_t CloseServerConnection(void);

/** The host name given to the last successful ConnectToServer; empty when not
 * connected. The text is static and overwritten by the next connect. */
PTP_API const char* Comms_HostName(void);

/** Seconds since the last complete receive from the Tetherhub (since the epoch
 * when nothing was ever received). */
PTP_API double SecondsSinceLastIncomingMessage(void);

/** Releases a buffer the library handed out. Null is ignored. */
PTP_API void FreeMemory(void* buffer);

/** A diagnostic hook that does nothing; kept for hosts that call it. */
PTP_API void LogWindows(const char* text);

/** Opens path with the fopen mode text and keeps it as the library's log file,
 * replacing any earlier one. Returns true when the file was opened. */
PTP_API bool SetLogFile(const char* path, const char* mode);

/** Registers the delegate for out-of-band notices; null unregisters it. With no
 * delegate, notices are dropped. */
PTP_API void SetOOBDelegate(PtpOobDelegateFn delegate);

/* --- Reader loop and unsolicited messages ------------------------------------ */

/** Told (with no arguments) that WaitForUnsolicitedMessage is about to hand over
 * a PTP message (type 10) that is not a live-view frame. Runs on the waiting
 * thread, with no library lock held. */
typedef void (*PtpIncomingDelegateFn)(void);

/** Receives every incoming message that is not an out-of-band notice and posts
 * it, one at a time, to the mailbox that WaitForUnsolicitedMessage empties.
 * When the mailbox is still full, waits up to one second for a waiter to take
 * it; after that the new message replaces (and releases) the old one. Runs
 * until a receive fails: it then closes the connection, wakes a waiter with
 * null and returns 0. The host calls it on a thread of its own; the library
 * does not keep it from taking replies meant for request/reply exchanges. */
PTP_API int32_t ReadSocketLoop(void);

/** Blocks until the reader loop posts a message, which is returned (the whole
 * relay message, header included; the caller releases it with FreeMemory), or
 * until the loop ends, which returns null (once per end of the loop). Calls
 * the incoming delegate before returning a PTP message that is not a live-view
 * frame. Any thread except the incoming delegate's. */
PTP_API uint8_t* WaitForUnsolicitedMessage(void);

/** Registers the incoming delegate; null unregisters it. */
PTP_API void SetIncomingOobDelegate(PtpIncomingDelegateFn delegate);

/** One control exchange with the Tetherhub: sends control code `code` with n
 * bytes of payload and reads the reply. Returns the reply's result (0x2001 on
 * success), PtpResult_ConnectionLost or PtpResult_BadReply. On success with
 * reply data, *data is a buffer of *m bytes owned by the caller; otherwise
 * *data is null and *m is 0. data and m may be null when the reply data is not
 * wanted. */
PTP_API PtpResult Comms_SendControlMessage(uint8_t code, const uint8_t* payload, uint32_t n,
                                           uint8_t** data, uint32_t* m);

/* --- Tetherhub services --------------------------------------------------- */

/** Asks whether a camera is attached (*connected non-zero). Clears the link-lost
 * state first, so it also probes a link that failed. PtpResult_BadReply when
 * the reply is not exactly one byte. */
PTP_API PtpResult Comms_IsCameraConnected(uint8_t* connected);

/** The Tetherhub's serial number bytes, unchanged; *data belongs to the caller. */
PTP_API PtpResult Comms_GetTetherhubSerialNumber(uint8_t** data, uint32_t* length);

/** The Tetherhub's hardware version byte. PtpResult_BadReply when the reply is
 * not exactly one byte. */
PTP_API PtpResult Comms_HardwareVersion(uint8_t* version);

/** The Tetherhub's platform version; 2.0 when the hub does not know the request,
 * 0.0 on any other failure. */
PTP_API float Comms_PlatformVersion(void);

/** The camera model text as the Tetherhub reports it (at most 255 characters),
 * or null on failure. The text belongs to the calling thread and is
 * overwritten by that thread's next call. */
PTP_API const char* Comms_CameraModel(void);

/** A control exchange with no payload and no data; the hub's result. */
PTP_API PtpResult Comms_ServerPing(void);

/** The Tetherhub's battery record: its fields are the hub's and are passed on
 * unchanged, in order. */
typedef struct PtpHubBatteryInfo {
    uint8_t block1[16]; /**< first block */
    uint8_t block2[16]; /**< second block */
    uint8_t field8[8];  /**< an 8-byte field */
    uint8_t field4[4];  /**< a 4-byte field */
} PtpHubBatteryInfo;
PTP_STATIC_ASSERT(sizeof(PtpHubBatteryInfo) == 44, "PtpHubBatteryInfo size");

/** Reads the battery record into *out. PtpResult_Ok when the hub sent exactly
 * 44 bytes; 0 (and *out untouched) for a reply of another size; otherwise the
 * exchange's failure. Null out: PtpResult_InvalidArgument. */
PTP_API PtpResult Comms_GetTetherhubBatteryInfo(PtpHubBatteryInfo* out);

/* Share modes of the shared variants below: 0 not shared, 0xA0 the result
 * goes to the Tetherhub's other clients only, 0xA1 to them and to this client. */

/** Reads length bytes from offset of the object that record describes: a camera
 * object by handle, or with handle PTP_OBJECT_HANDLE_SD_CARD the file on the
 * Tetherhub's SD card named by record->fileName. With a share mode the hub also
 * passes the bytes on to its other clients. On PtpResult_Ok, *data holds
 * *dataLength bytes (at most length; null and 0 when the hub sent none).
 * PtpResult_InvalidArgument for null arguments or a file name without a NUL in
 * its 256 bytes; PtpResult_BadReply when the hub sends more than asked.
 * Out: *data belongs to the caller (FreeMemory). */
PTP_API PtpResult Comms_GetPartialObject(const PtpObjectInfo* record, uint32_t offset,
                                         uint32_t length, uint8_t** data, uint32_t* dataLength,
                                         uint8_t shareMode);

/** The JPEG image the Tetherhub extracts from the camera object (the preview
 * inside a raw file, or the JPEG itself). Share modes 0xA0 and 0xA1 pass it on
 * to the other clients too. Out: *data belongs to the caller (FreeMemory). */
PTP_API PtpResult Comms_GetExtractedJpgObject(const PtpObjectInfo* record, uint8_t** data,
                                              uint32_t* length, uint8_t shareMode);

/** The EXIF orientation of a camera object as the Tetherhub reads it.
 * PtpResult_BadReply when the reply is not exactly one byte. */
PTP_API PtpResult Comms_GetObjectOrientation(uint32_t handle, uint8_t* orientation);

/** One live-view frame buffer fetched by the Tetherhub; with a share mode it
 * also goes to the other clients. Out: *data belongs to the caller. */
PTP_API PtpResult Comms_GetLiveViewBuffer(uint8_t** data, uint32_t* length, uint8_t shareMode);

/** Asks the Tetherhub to end a Fujifilm camera's live view; returns the
 * camera's PTP response code, PtpResult_BadReply when the hub does not send
 * exactly those 2 bytes. */
PTP_API PtpResult Comms_SendFujiStopLiveView(void);

/** Cancels the capture sequence the Tetherhub is waiting to run. */
PTP_API PtpResult Comms_CancelDelayMessage(void);

/** Tells the Tetherhub whether to leave out Fujifilm raw files (non-zero: skip). */
PTP_API PtpResult Comms_SetSkipFujiRaws(uint8_t skip);

/** Switches the Tetherhub's reading of the camera's USB interrupt endpoint. */
PTP_API PtpResult Comms_ToggleUsbInterruptRead(uint8_t on);

/** Sends the firmware file at path to the Tetherhub in one request; the hub's
 * result. PtpResult_InvalidArgument when the file cannot be opened, is empty
 * or too large for one message; PtpResult_OutOfMemory; PtpResult_Failed when
 * it cannot be read whole. */
PTP_API PtpResult Comms_UpdateFirmware(const char* path);

/** Hands a timed capture sequence to the Tetherhub, which runs it on its own: a
 * repeat block when a1 (repeat count, at most 65535) > 0 with a2, a3, a4; a
 * bracket block when a8 (bracket count, at most 65535) > 0 with property code
 * a5 (the bulb marker when a4 > 0), centre a6, step a7, order a9 and interval
 * a10; a11 is passed on. PtpResult_InvalidArgument, with nothing sent, when
 * neither block is present or a count is over 65535. */
PTP_API PtpResult Comms_SendRepeatImageCapture(int32_t a1, float a2, float a3, float a4, int32_t a5,
                                               uint32_t a6, uint32_t a7, int32_t a8, uint8_t a9,
                                               float a10, uint8_t a11);

/** Moves the lens count times by step (signed; negative towards the nearest
 * distance) without a network round trip per move: Canon cameras through one
 * repeated command per 300 moves. On success the library's focus mode becomes
 * manual (with a change event). Count 0 sends nothing and gives PtpResult_Ok.
 * PtpResult_NotSupportedForCamera without a session or for a vendor the
 * library cannot drive this way; PtpResult_InvalidArgument for a step beyond
 * 32767 in either direction. Any thread, but not from a transport callback
 * (the relay link lock is taken here). */
PTP_API PtpResult Comms_SendPackagedFocusChange(int32_t step, uint16_t count);

/** The vendor's lens step count for focus step size 1 (fine) to 3 (coarse);
 * other sizes, and every size without a camera session, come back unchanged. */
PTP_API uint16_t Comms_ConvertFocusSteps(uint16_t stepSize);

#endif
