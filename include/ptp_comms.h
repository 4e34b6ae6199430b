/* The relay link: the one TCP connection to the Tetherhub, its control
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

#include "ptp_result.h"

/* Receives out-of-band notices (relay message types 16-255) on a short-lived
 * thread of its own. The message, header included, belongs to the delegate,
 * which releases it with FreeMemory. */
typedef void (*PtpOobDelegateFn)(uint8_t* message);

/* Opens the connection to the Tetherhub at host:port (IPv4, TCP), closing any
 * previous one first. Returns the socket handle, or -1 when the name does not
 * resolve or the connection fails. Clears the link-lost state on success. */
PTP_API int32_t ConnectToServer(const char* host, const char* port);

/* Closes the connection. Always returns 1; does nothing before the first
 * connection. Threads blocked in a receive on the link wake with
 * PtpResult_ConnectionLost. */
PTP_API int32_t CloseServerConnection(void);

/* The host name given to the last successful ConnectToServer; empty when not
 * connected. The text is static and overwritten by the next connect. */
PTP_API const char* Comms_HostName(void);

/* Seconds since the last complete receive from the Tetherhub (since the epoch
 * when nothing was ever received). */
PTP_API double SecondsSinceLastIncomingMessage(void);

/* Releases a buffer the library handed out. Null is ignored. */
PTP_API void FreeMemory(void* buffer);

/* A diagnostic hook that does nothing; kept for hosts that call it. */
PTP_API void LogWindows(const char* text);

/* Opens path with the fopen mode text and keeps it as the library's log file,
 * replacing any earlier one. Returns true when the file was opened. */
PTP_API bool SetLogFile(const char* path, const char* mode);

/* Registers the delegate for out-of-band notices; null unregisters it. With no
 * delegate, notices are dropped. */
PTP_API void SetOOBDelegate(PtpOobDelegateFn delegate);

/* One control exchange with the Tetherhub: sends control code `code` with n
 * bytes of payload and reads the reply. Returns the reply's result (0x2001 on
 * success), PtpResult_ConnectionLost or PtpResult_BadReply. On success with
 * reply data, *data is a buffer of *m bytes owned by the caller; otherwise
 * *data is null and *m is 0. data and m may be null when the reply data is not
 * wanted. */
PTP_API PtpResult Comms_SendControlMessage(uint8_t code, const uint8_t* payload, uint32_t n,
                                           uint8_t** data, uint32_t* m);

/* --- Tetherhub services --------------------------------------------------- */

/* Asks whether a camera is attached (*connected non-zero). Clears the link-lost
 * state first, so it also probes a link that failed. PtpResult_BadReply when
 * the reply is not exactly one byte. */
PTP_API PtpResult Comms_IsCameraConnected(uint8_t* connected);

/* The Tetherhub's serial number bytes, unchanged; *data belongs to the caller. */
PTP_API PtpResult Comms_GetTetherhubSerialNumber(uint8_t** data, uint32_t* length);

/* The Tetherhub's hardware version byte. PtpResult_BadReply when the reply is
 * not exactly one byte. */
PTP_API PtpResult Comms_HardwareVersion(uint8_t* version);

/* The Tetherhub's platform version; 2.0 when the hub does not know the request,
 * 0.0 on any other failure. */
PTP_API float Comms_PlatformVersion(void);

/* The camera model text as the Tetherhub reports it (at most 255 characters),
 * or null on failure. The text is static and overwritten by the next call. */
PTP_API const char* Comms_CameraModel(void);

/* A control exchange with no payload and no data; the hub's result. */
PTP_API PtpResult Comms_ServerPing(void);

#endif
