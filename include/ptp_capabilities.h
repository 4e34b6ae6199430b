/** \file
 * Capability queries and value interpretation: what the connected camera can do
 * (half press, electronic level, lens zoom, mirror lock-up, movies), what its
 * current settings mean (raw or JPEG format, automatic ISO, manual exposure) and
 * property values as plain quantities (battery percent, f-number).
 *
 * Answers come from the current vendor, the camera model, the DeviceInfo and the
 * property store; no call here sends anything to the camera except
 * PtpGenericInterface_SetImageFormat. Without a detected vendor the queries answer
 * false or 0. Every call may be made from any thread; a property is read under
 * its record's lock. */
#ifndef PTP_CAPABILITIES_H
#define PTP_CAPABILITIES_H

#include <stdbool.h>
#include <stdint.h>

#include "ptp_result.h"

/* --- What the camera can do ------------------------------------------------------ */

/** The shutter button can be pressed half-way (Canon: the camera lists the
 * remote-release operation 0x9128; Sony and Fujifilm: always). */
PTP_API bool PtpGenericInterface_SupportsHalfPress(void);

/** The camera reports its electronic level (Canon: operation 0x913E listed, not
 * the 100D family; Nikon: all but the older models). */
PTP_API bool PtpGenericInterface_SupportsElectronicLevel(void);

/** The lens zoom can be driven (Canon: the EOS M50 and Kiss M, the G7 X Mark III
 * and the EOS M6 Mark II). */
PTP_API bool PtpGenericInterface_SupportsLensZoom(void);

/** Mirror lock-up can be switched (Canon: the camera lists property 0xD13A). */
PTP_API bool PtpGenericInterface_SupportsMirrorUp(void);

/** Movies can be recorded (Canon: the camera lists the movie-mode operation
 * 0x9133). */
PTP_API bool PtpGenericInterface_SupportsMovieRecording(void);

/** Mirror lock-up is switched on (Canon: 0xD13A reads 1). */
PTP_API bool PtpGenericInterface_IsMirrorModeOn(void);

/** The mirror is up now (Canon: 0xD1BF reads 2; Nikon: the driver raised it). */
PTP_API bool PtpGenericInterface_IsMirrorUp(void);

/* --- What the current settings mean --------------------------------------------- */

/** mode, a value of the exposure-program property, is manual exposure (Canon 3,
 * others 1; Nikon also a user mode 0x8050-0x8052 whose 0xD0FC reads 22). */
PTP_API bool PtpGenericInterface_IsAutoExposureModeManual(uint32_t mode);

/** ISO is set automatically by the camera. */
PTP_API bool PtpGenericInterface_IsAutoIso(void);

/** @{ */
/** The current image format is JPEG only, RAW only, or RAW plus JPEG. */
PTP_API bool PtpGenericInterface_IsImageFormatJpg(void);
PTP_API bool PtpGenericInterface_IsImageFormatRaw(void);
PTP_API bool PtpGenericInterface_IsImageFormatRawPlusJpg(void);
/** @} */

/** value, an image-format value of the camera, stands for RAW alone (Canon
 * 0x16010000, 0x16050000 and 0x16090000: RAW, Medium RAW, Small RAW). */
PTP_API bool PtpGenericInterface_IsImagePropertyRawOnly(uint32_t value);

/** value, an image-format value of the camera, includes a JPEG. */
PTP_API bool PtpGenericInterface_ImageFormatHasJpg(uint32_t value);

/** @{ */
/** The JPEG or RAW part of the current image format as a value of its own kind
 * (Canon: a one-format packed code), 0xFFFFFFFF when the current format has no
 * such part. Returns PtpResult_Ok, PtpResult_InvalidArgument for a null format,
 * PtpResult_Failed when the camera has no image-format property, or
 * PtpResult_NotSupportedForCamera. */
PTP_API PtpResult PtpGenericInterface_GetCurrentJpgFormat(uint32_t* format);
PTP_API PtpResult PtpGenericInterface_GetCurrentRawFormat(uint32_t* format);
/** @} */

/** Sets the image format from two values of the camera's image-format list, either
 * of which may be 0xFFFFFFFF for none (Canon: format first, option second; both
 * are written together as one RAW plus JPEG setting). The write is verified.
 * Returns PtpResult_Ok, PtpResult_InvalidArgument when both are none,
 * PtpResult_Failed when the camera has no image-format property, the write's
 * failure, PtpResult_NotSupportedForCamera for a vendor without image-format
 * setting, or PtpResult_OperationNotSupported without a vendor. Blocks for the
 * camera's answers. */
PTP_API PtpResult PtpGenericInterface_SetImageFormat(uint32_t format, uint32_t option);

/* --- Values as quantities ------------------------------------------------------- */

/** The name of the mounted lens, or null when the camera does not report one.
 * Canon: the label of 0xD1D8; Nikon: an empty name. The text is a copy in a
 * buffer of the calling thread, valid until this thread's next call. */
PTP_API const char* PtpGenericInterface_LensName(void);

/** The battery level in percent for a value of the battery property: Canon levels
 * 0, 1, 2, 4, 5 give 0, 50, 100, 75, 25; Nikon and Sony report percent in the low
 * byte; Fujifilm levels are mapped to 10-100. 0 when unknown. */
PTP_API uint32_t PtpGenericInterface_BatteryPercentage(uint32_t value);

/** The current f-number (5.6 for f/5.6), or 0 when the aperture is automatic,
 * unknown or not reported. */
PTP_API float PtpGenericInterface_ApertureValue(void);

#endif /* PTP_CAPABILITIES_H */
