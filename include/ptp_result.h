/** \file
 * Result codes shared by every exported family, and the export macro.
 *
 * Nearly every call returns a PtpResult: a 16-bit value. PTP response codes from
 * the camera pass through unchanged (0x2001 is success, 0x2019 Device Busy);
 * codes made by the library itself lie in 0xFF00-0xFF1D. */
#ifndef PTP_RESULT_H
#define PTP_RESULT_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32)
#define PTP_EXPORT __declspec(dllexport)
#else
#define PTP_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
#define PTP_EXTERN_C extern "C"
#define PTP_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define PTP_EXTERN_C
#define PTP_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define PTP_API PTP_EXTERN_C PTP_EXPORT

/** A PTP response code from the camera or a library code (PtpResult_*). */
typedef uint16_t PtpResult;

enum {
    /** PTP response codes the library itself looks at. */
    PtpResult_Ok = 0x2001,
    PtpResult_DeviceBusy = 0x2019,
    PtpResult_VendorBusy = 0xA102,

    /** Produced by the relay transport when the Tetherhub has no container to
     * give: counts as success in place of a response container. */
    PtpResult_RelayNoResponse = 0xEE12,

    /** A capture did not complete: the camera stayed busy, or the wait for the
     * shot to finish failed. */
    PtpResult_CaptureFailed = 0xFF00,
    /** General failure: a value not found, a short file read, a failed step. */
    PtpResult_Failed = 0xFF01,
    /** A container of another type arrived where a response was expected. */
    PtpResult_UnexpectedContainer = 0xFF02,
    /** A data set returned by the camera failed to parse. */
    PtpResult_DataSetParseFailed = 0xFF06,
    /** An object too large to pass on to other clients. */
    PtpResult_ObjectTooLarge = 0xFF07,
    /** A relay reply of the wrong type, too short, or of the wrong size. */
    PtpResult_BadReply = 0xFF0A,
    /** A count, length or value out of range: too many parameters, containers
     * that do not fit, malformed data, a value not in the allowed list. */
    PtpResult_InvalidData = 0xFF0B,
    /** The vendor driver failed to write a property value. */
    PtpResult_PropertyWriteFailed = 0xFF0D,
    /** The relay link is down; every call fails with this until the next
     * successful ConnectToServer. */
    PtpResult_ConnectionLost = 0xFF0E,
    /** The function has no implementation for the connected camera's vendor. */
    PtpResult_NotSupportedForCamera = 0xFF0F,
    /** Reading the camera's DeviceInfo failed. */
    PtpResult_NoDeviceInfo = 0xFF11,
    /** An allocation failed. */
    PtpResult_OutOfMemory = 0xFF12,
    /** A lock was not obtained (a non-blocking attempt found it held). */
    PtpResult_Busy = 0xFF13,
    /** A null pointer, an empty buffer, a text or length over its limit, no
     * send callback, a PTP message shorter than 17 bytes. */
    PtpResult_InvalidArgument = 0xFF15,
    /** A running sequence was cancelled. */
    PtpResult_Aborted = 0xFF16,
    /** The camera's exposure mode forbids the change. */
    PtpResult_NotAllowedInExposureMode = 0xFF17,
    /** The camera does not list the operation or property. */
    PtpResult_OperationNotSupported = 0xFF1B,
    /** The camera's drive mode forbids the operation. */
    PtpResult_NotAllowedInDriveMode = 0xFF1D
};

/** The name of a result code ("PtpResult_Ok", "PtpResult_BadReply"), or "PTP response"
 * for a camera code the library has no name for. The text is static. Any thread. */
PTP_API const char* PtpResult_Name(PtpResult r);

/** The library's version, "MAJOR.MINOR.PATCH" as the build was configured. The text
 * is static. Any thread. */
PTP_API const char* PtpLibraryVersion(void);

#endif /* PTP_RESULT_H */
