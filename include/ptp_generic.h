/** \file
 * The vendor-neutral camera API: transport wiring, session start, camera
 * identity and the property roles.
 *
 * One camera session per process. Unless a function says otherwise it may be
 * called from any host thread; camera traffic is serialised by the transaction
 * lock. */
#ifndef PTP_GENERIC_H
#define PTP_GENERIC_H

#include <pthread.h>
#include <stddef.h>
#include <stdint.h>

#include "ptp_events.h"
#include "ptp_properties.h"
#include "ptp_result.h"

/* --- Transport callbacks ----------------------------------------------------
 * A host may replace the relay link's PTP transport with its own. Buffers the
 * receive callback hands over must come from malloc: the library frees them. */

/** Sends one command container, followed in the same buffer by its data
 * container when the operation has a data-out phase. PtpResult_Ok when all was
 * sent. Called with the transaction lock and the link lock held. */
typedef PtpResult (*PtpTransportSendFn)(const uint8_t* buffer, uint32_t length);

/** Receives one container into a malloc'd buffer (its own length field gives
 * its size). PtpResult_RelayNoResponse means there is no container to give. */
typedef PtpResult (*PtpTransportReceiveFn)(uint8_t** buffer);

/** Takes (1) or releases (0) the transport for one transaction. A negative
 * result on taking aborts the transaction with PtpResult_Busy. */
typedef int32_t (*PtpTransportLockFn)(uint8_t acquire);

/** Reads the camera's pending event data (the relay link's own; not
 * replaceable). */
typedef PtpResult (*PtpTransportReadEventsFn)(uint8_t** data, uint32_t* length, uint8_t wait);

/** Told that events were queued; the host drains them with PopEventPtr. Called
 * on the thread that queued them, with no library lock but the event loop's
 * pause lock held. */
typedef void (*PtpEventNotifyFn)(void);

/* --- Vendors ---------------------------------------------------------------- */

/** The maker whose driver serves the session. */
typedef uint16_t PtpVendor;
enum {
    PtpVendor_Fujifilm = 12,
    PtpVendor_Canon = 13,
    PtpVendor_Sony = 14,
    PtpVendor_Nikon = 15, /**< also every camera whose maker is not recognised */
    PtpVendor_None = 255
};

/* --- DeviceInfo ---------------------------------------------------------------
 * The camera's PTP DeviceInfo data set with fixed capacities. Texts keep the
 * low byte of each UCS-2 character and are always NUL-terminated. */
#define PTP_DEVICEINFO_TEXT 320  /**< bytes of each DeviceInfo text, NUL included */
#define PTP_DEVICEINFO_CODES 320 /**< capacity of each DeviceInfo code list */

/** A list of codes of the DeviceInfo; codes past the capacity are dropped. */
typedef struct PtpCodeList {
    uint32_t count;                       /**< codes held */
    uint16_t codes[PTP_DEVICEINFO_CODES]; /**< in the camera's order */
} PtpCodeList;

/** The camera's DeviceInfo as the library last read it. */
typedef struct PtpDeviceInfo {
    uint16_t standardVersion; /**< PTP version times 100 */
    uint32_t vendorExtensionId; /**< non-zero once a DeviceInfo was stored */
    uint16_t vendorExtensionVersion;               /**< the vendor extension's version */
    char vendorExtensionDesc[PTP_DEVICEINFO_TEXT]; /**< the vendor extension's description */
    uint16_t functionalMode;                       /**< 0 standard mode */
    PtpCodeList operationsSupported;               /**< operation codes */
    PtpCodeList eventsSupported;                   /**< event codes */
    PtpCodeList devicePropertiesSupported;         /**< device property codes */
    PtpCodeList captureFormats;                    /**< object formats the camera captures */
    PtpCodeList imageFormats;                      /**< object formats it stores */
    char manufacturer[PTP_DEVICEINFO_TEXT];        /**< the maker's name */
    char model[PTP_DEVICEINFO_TEXT];               /**< the model's name */
    char deviceVersion[PTP_DEVICEINFO_TEXT];       /**< firmware version */
    char serialNumber[PTP_DEVICEINFO_TEXT];        /**< serial number */
} PtpDeviceInfo;

PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, vendorExtensionId) == 4, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, vendorExtensionDesc) == 10, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, functionalMode) == 330, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, operationsSupported) == 332, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(sizeof(PtpCodeList) == 644, "PtpCodeList layout");
PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, manufacturer) == 332 + 5 * 644, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(offsetof(PtpDeviceInfo, serialNumber) == 3552 + 3 * 320, "PtpDeviceInfo layout");
PTP_STATIC_ASSERT(sizeof(PtpDeviceInfo) == 3552 + 4 * 320, "PtpDeviceInfo layout");

/* --- Session ----------------------------------------------------------------- */

/** Installs the transport (null send/receive/lock mean the relay link's own),
 * stores the event-notify function (null allowed), resets the transaction id
 * and empties the property store. Call before StartSession; may be called again
 * at any time between sessions. */
PTP_API void PtpGenericInterface_Initialize(PtpTransportSendFn send, PtpTransportReceiveFn receive,
                                            PtpTransportLockFn lock, PtpEventNotifyFn notify);

/** Reads the DeviceInfo, detects the vendor, checks the model and lets the
 * vendor driver open the camera and load its properties. Returns PtpResult_Ok,
 * PtpResult_ConnectionLost when the link is lost while the DeviceInfo is read,
 * PtpResult_NoDeviceInfo when it cannot otherwise be read or parsed,
 * PtpResult_NotSupportedForCamera for a model the driver does not know, or the
 * driver's own failure. hostMode is used by the Nikon driver only. */
PTP_API PtpResult PtpGenericInterface_StartSession(uint8_t hostMode);

/** Reads the DeviceInfo and detects the vendor, which becomes the current one.
 * Returns the vendor, or PtpResult_NoDeviceInfo (vendor unchanged). */
PTP_API uint16_t PtpGenericInterface_GetCameraManufacturer(void);

/** The current vendor, without camera traffic. */
PTP_API uint16_t PtpGenericInterface_CameraManufacturer(void);

/** The DeviceInfo Model text (read first if no DeviceInfo is stored), or null
 * when it cannot be read. Valid until the next DeviceInfo read. */
PTP_API const char* PtpGenericInterface_GetCameraName(void);

/** The model number the vendor driver found in its model table; 0 when none. */
PTP_API uint8_t PtpGenericInterface_CameraModel(void);

/** The stored DeviceInfo SerialNumber, without camera traffic. */
PTP_API const char* PtpGenericInterface_CameraSerialNumber(void);

/** Reads the DeviceInfo and asks the current vendor's driver whether it knows
 * the model. */
PTP_API bool PtpGenericInterface_ShouldCameraBeSupported(void);

/** Nikon and Fujifilm host mode; PtpResult_NotSupportedForCamera elsewhere. */
PTP_API PtpResult PtpGenericInterface_SetConnectionHostMode(uint8_t on, uint8_t option);

/* --- Property roles -------------------------------------------------------------
 * The vendor's property code for each role, 0 when the vendor has none. Filled
 * at session start; no camera traffic. */
/** @{ */
/** The vendor's property code for the role, 0 when it has none. */
PTP_API uint32_t PtpGetAperturePropertyCode(void);
PTP_API uint32_t PtpGetShutterSpeedPropertyCode(void);
PTP_API uint32_t PtpGetIsoPropertyCode(void);
PTP_API uint32_t PtpGetImageFormatPropertyCode(void);
PTP_API uint32_t PtpGetFocusModePropertyCode(void);
PTP_API uint32_t PtpGetAutoExposurePropertyCode(void);
PTP_API uint32_t PtpGetBatteryPowerPropertyCode(void);
PTP_API uint32_t PtpGetDriveModePropertyCode(void);
PTP_API uint32_t PtpGetMeteringModePropertyCode(void);
PTP_API uint32_t PtpGetWhiteBalancePropertyCode(void);
PTP_API uint32_t PtpGetAvailableShotsPropertyCode(void);
PTP_API uint32_t PtpGetExposureCompensationPropertyCode(void);
PTP_API uint32_t PtpGetExposureBracketingPropertyCode(void);
/** @} */

#endif
