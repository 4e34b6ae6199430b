/** \file
 * Exposure steps, bracketing, HDR series and bulb exposures.
 *
 * The host plans exposure sequences in stops; cameras keep exposure values as
 * their own codes in the allowed-value lists of the property store. These calls
 * convert between stops and codes, tell how many list entries make one stop,
 * how many HDR shots fit around a property's current value and on which value
 * a series ends, compute bulb durations, and switch bracketing and bulb
 * exposures on the camera.
 *
 * Each call is passed to the connected camera's vendor. A vendor without an
 * implementation gets PtpResult_NotSupportedForCamera, false or 0 as each
 * comment says. Only SetBracketing, TurnOffBracketing, StartBulb and StopBulb
 * talk to the camera; every other call reads the property store under each
 * record's lock and may be made from any thread. */
#ifndef PTP_EXPOSURE_H
#define PTP_EXPOSURE_H

#include <stdbool.h>
#include <stdint.h>

#include "ptp_result.h"

/** The most stops GetExposureBracketingStops writes: out must hold this many. */
#define PTP_BRACKET_STOPS_MAX 16

/** The most durations CalculateBulbDuration computes in one call. */
#define PTP_BULB_DURATIONS_MAX 65536

/* --- Stops and codes ------------------------------------------------------------ */

/** The camera's code for a bracketing step of stop stops (Canon: eighths of a
 * stop, thirds and halves, negative steps as 256 minus the magnitude; a step
 * beyond the code range gives the largest code of its sign).
 * PtpResult_NotSupportedForCamera (0xFF0F) for vendors without one. */
PTP_API uint32_t PtpGenericInterface_ExposureBracketValueForStop(float stop);

/** The camera's code for an exposure compensation of stop stops (Canon: as
 * above; Fujifilm: thousandths of a stop as a 16-bit value).
 * PtpResult_NotSupportedForCamera (0xFF0F) for vendors without one. */
PTP_API uint32_t PtpGenericInterface_ExposureCompensationValueForStop(float stop);

/** Stops for a bracketing code. 0 for vendors without bracketing codes, and on
 * Nikon cameras while image bracketing (0xD0C0) is off. */
PTP_API float PtpGenericInterface_StopForExposureBracketValue(uint32_t code);

/** Stops for a compensation code (Nikon, Sony, Fujifilm: thousandths of a stop
 * as a signed 16-bit value). 0 without a vendor. */
PTP_API float PtpGenericInterface_StopForExposureCompensationValue(uint32_t code);

/** 2 when the camera steps exposure in half stops, 3 for thirds (Canon: read
 * from the compensation, bracketing and shutter-speed lists). 0 for vendors
 * without the information. */
PTP_API uint32_t PtpGenericInterface_ExposureCompensationStepSize(void);

/** The number of entries of property code's allowed-value list that make one
 * stop; 3 when the camera or the list does not tell. */
PTP_API uint32_t PtpGenericInterfaceStepsForStop(uint32_t code);

/** Stops of the index-th step of a bracketing or HDR series of stop stops per
 * step, in the camera's step size (thirds unless it steps in halves or whole
 * stops). */
PTP_API float PtpGenericInterface_GetNextBracketStep(float stop, int32_t index);

/* --- Limits ----------------------------------------------------------------------- */

/** The largest bracketing step the camera offers, in stops. Canon: computed once
 * per session from the bracketing list; 0 until the camera reports one. */
PTP_API float PtpGenericInterface_MaxExposureBracketStop(void);

/** @{ */
/** The largest and smallest exposure compensation in stops, read afresh on every
 * call. extended selects the movie compensation property on Nikon cameras. 0
 * without a vendor or a list. */
PTP_API float PtpGenericInterface_MaxExposureCompensationStop(uint8_t extended);
PTP_API float PtpGenericInterface_MinExposureCompensationStop(uint8_t extended);
/** @} */

/* --- Bracketing --------------------------------------------------------------------- */

/** Writes the stops of the frames the camera's bracketing takes for a step of
 * stop stops into out (at most PTP_BRACKET_STOPS_MAX floats) and returns their
 * number. Canon: +stop and -stop. Nikon: only while image bracketing is on, or
 * with force. 0, with out untouched, when out is null or the camera cannot
 * tell. */
PTP_API uint32_t PtpGenericInterface_GetExposureBracketingStops(float stop, float* out,
                                                                uint8_t force);

/** Bracketing may be used in the camera's current exposure mode. */
PTP_API bool PtpGenericInterface_IsExposureBracketingEnabled(void);

/** The camera's bracketing setting is on (Canon 0xD1D9, Nikon 0xD0C0 not 0). */
PTP_API bool PtpGenericInterface_IsExposureBracketingOn(void);

/** Exposure compensation may be used in the camera's current exposure mode. */
PTP_API bool PtpGenericInterface_IsExposureCompensationEnabled(void);

/** Writes the bracketing property with a code of its list (Canon: verified).
 * Returns the write's result; 0 (not OK) for vendors without bracketing. */
PTP_API PtpResult PtpGenericInterface_SetBracketing(uint32_t value);

/** Switches the camera's bracketing off. PtpResult_Ok when it already was;
 * PtpResult_OperationNotSupported when the camera has no bracketing property;
 * PtpResult_NotSupportedForCamera for vendors without an implementation. */
PTP_API PtpResult PtpGenericInterface_TurnOffBracketing(void);

/* --- HDR series ----------------------------------------------------------------------- */

/** How many shots of a series that moves step entries at a time through property
 * code's allowed values fit around value: mode 0 centred on value (an odd count,
 * as many on each side), 1 toward the darker end, 2 toward the brighter end, both
 * counting value itself. A step of 0 counts value alone. 0 when the store has no
 * list for code or value is not in it. */
PTP_API uint32_t PtpGenericInterface_GetMaxNumberOfHdrSteps(uint32_t code, uint32_t value,
                                                            uint32_t step, uint8_t mode);

/** The label of the value a series of shots shots (mode as above, step entries
 * apart) ends on in direction 1 (brighter end) or 2 (darker end); the label of
 * value itself when the series does not move that way (mode equals direction).
 * Null when the store has no list for code, value is not listed, shots is 0 or
 * the end lies outside the list.
 * The text lies in a buffer of the calling thread that its next call rewrites;
 * it must not be freed. */
PTP_API const char* PtpGenericInterface_GetEndHdrValue(uint32_t code, uint32_t value, int32_t step,
                                                       uint32_t shots, uint8_t mode,
                                                       uint8_t direction);

/* --- Bulb ------------------------------------------------------------------------------ */

/** How many bulb exposures of a series fit, each stops shorter than the last
 * starting from baseMs milliseconds, before an exposure falls below 100 ms
 * (at most 100 steps): 2n + 1 for mode 0 (centred), n + 1 for mode 1; 100 for
 * mode 2. */
PTP_API uint32_t PtpGenericInterface_GetMaxNumberOfHdrBulbSteps(uint32_t baseMs, float stops,
                                                                uint32_t mode);

/** count exposure times in milliseconds, stops apart and centred on baseMs
 * (1000, 1.0, 3 gives 500, 1000, 2000); times beyond 32 bits are cut to
 * 0xFFFFFFFF. A count below 1 gives an empty buffer (not null). Null when the
 * allocation fails or count exceeds PTP_BULB_DURATIONS_MAX.
 * Out: the buffer is malloc'd; the caller releases it with FreeMemory. */
PTP_API uint32_t* PtpGenericInterface_CalculateBulbDuration(uint32_t baseMs, float stops,
                                                            int32_t count);

/** @{ */
/** Opens and closes the shutter of a bulb exposure. Canon: the bulb operations
 * 0x9125 / 0x9126, or with remote release (0x9128) a held full press and its
 * release, the event-check loop paused in between; after closing, the call
 * waits until the camera has stored the picture. Returns the camera's result;
 * PtpResult_NotSupportedForCamera for vendors without an implementation. */
PTP_API PtpResult PtpGenericInterface_StartBulb(void);
PTP_API PtpResult PtpGenericInterface_StopBulb(void);
/** @} */

/** The camera is ready for StartBulb (Canon: in bulb mode). */
PTP_API bool PtpGenericInterface_CanStartBulb(void);

/** The camera can take bulb exposures at all. */
PTP_API bool PtpGenericInterface_IsBulbAvailable(void);

/** The camera's exposure mode is bulb (Canon: mode 4, or M with the bulb shutter
 * speed). */
PTP_API bool PtpGenericInterface_IsBulbMode(void);

/** The exposure time of a shutter-speed code in milliseconds (Nikon and Sony:
 * the code is a fraction, numerator in the upper 16 bits). 0 for codes that
 * are no fixed time and for vendors without the conversion. */
PTP_API int64_t PtpGenericInterface_MillisecondsForShutterSpeed(uint32_t code);

#endif
