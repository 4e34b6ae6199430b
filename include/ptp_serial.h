/** \file
 * The accessory on the Tetherhub's serial port (a motorised tripod head) and
 * the panorama sequencer that turns it between shots.
 *
 * Each accessory command is one serial frame carried in a relay message of
 * type 9; the accessory answers with a type-9 message whose first four body
 * bytes are a u32 value. A command holds the relay link lock from before its
 * frame goes out until its answer has been read, so it never interleaves with
 * control exchanges or PTP transactions. Every function may be called from any
 * thread. */
#ifndef PTP_SERIAL_H
#define PTP_SERIAL_H

#include <stdint.h>

#include "ptp_result.h"

/* --- Raw serial messages ----------------------------------------------------- */

/** Sends one type-9 message carrying the length bytes of frame. The caller
 * reads the accessory's answer with Comms_ReadSerialMessage before any other
 * exchange on the link. PtpResult_InvalidArgument for a null frame or a length
 * of 0 (nothing is sent); PtpResult_ConnectionLost when the link is lost or the
 * send fails (the connection is then closed). Borrows frame for the call. */
PTP_API PtpResult Comms_SendSerialMessage(const uint8_t* frame, uint32_t length);

/** Receives one message and takes it as the accessory's answer: *value is the
 * u32 at the start of a type-9 body. PtpResult_BadReply for any other type and
 * for a type-9 message too short to hold the value (the message is dropped);
 * PtpResult_InvalidArgument for a null value (nothing is read). */
PTP_API PtpResult Comms_ReadSerialMessage(uint32_t* value);

/* --- Accessory commands -------------------------------------------------------
 * Each returns PtpResult_Ok when the accessory answered a non-zero value,
 * PtpResult_BadReply for an answer of 0 or of the wrong kind, PtpResult_Busy
 * when the relay link lock cannot be taken (nothing is sent), or the link's
 * failure. Direction, speed and the argument of the shutter command are the
 * accessory's own units. */

/** Turns the head in direction until stopped. */
PTP_API PtpResult Serial_SendMoveTripod(uint8_t direction);

/** Turns the head in direction for durationMs milliseconds. */
PTP_API PtpResult Serial_SendMoveTripodDuration(uint8_t direction, uint32_t durationMs);

/** Stops the head. */
PTP_API PtpResult Serial_SendStopTripod(void);

/** Sets the head's speed; values above 1023 are sent as 1023. */
PTP_API PtpResult Serial_SendTripodSpeed(uint16_t speed);

/** Reads the accessory's battery value into *value (any value, 0 included, is
 * the accessory's answer). PtpResult_InvalidArgument for a null value, before
 * anything is sent. */
PTP_API PtpResult Serial_GetTripodBattery(uint32_t* value);

/** Releases the shutter through the accessory, with the accessory's argument. */
PTP_API PtpResult Serial_SendShutterCapture(uint32_t argument);

/** The accessory has no shutter-stop command: always PtpResult_Failed, with no
 * traffic. */
PTP_API PtpResult Serial_SendShutterStop(void);

/* --- Panorama ---------------------------------------------------------------- */

/** Told, on the panorama's thread with no library lock held, how many positions
 * are done. */
typedef void (*PtpPanoramaProgressFn)(uint32_t positionsDone);

/** The most shots a bracket takes at one position. */
#define PTP_PANORAMA_BRACKET_MAX 60

/** The bracket property code that asks for bulb exposures instead of a property
 * bracket. */
#define PTP_PANORAMA_BULB 0x1234u

/** Shoots a panorama on the calling thread: captures at the first position,
 * then for each further position turns the head in direction for moveMs
 * milliseconds, waits moveMs + 500 ms for it to settle and captures again. The
 * progress function (may be null) is told after each position.
 *
 * Without bracket, each capture is one shot. With bracket non-zero each is a
 * series of count shots (at most PTP_PANORAMA_BRACKET_MAX):
 *  - property bracket: propertyCode stepped through its allowed values, step
 *    list positions apart, starting from centreValue; order 0 centres the
 *    series on it, 1 steps the other way, others step forward from it;
 *  - bulb bracket (propertyCode PTP_PANORAMA_BULB): bulb exposures around
 *    centreValue milliseconds, step thirds of a stop apart.
 * interval seconds pass between two shots of a series (none when 0 or less).
 *
 * A camera that answers busy is asked again every 250 ms until it takes the
 * shot or the panorama is cancelled; a property write still busy after 50
 * attempts ends the panorama with the camera's answer.
 *
 * Returns PtpResult_Ok; PtpResult_Aborted once Serial_CancelPanorama was
 * called (checked between steps: a shot the camera accepted finishes first);
 * PtpResult_InvalidArgument for a count above the limit, a property without
 * a value list, a centre value it does not list, or a series that steps past
 * the list's ends; PtpResult_OperationNotSupported for a bulb bracket on a
 * camera without bulb; otherwise the first failing step's result (the head
 * stays where it is). */
PTP_API PtpResult Serial_DoPanorama(uint32_t positions, uint8_t direction, uint32_t moveMs,
                                    float interval, uint8_t bracket, uint32_t propertyCode,
                                    uint32_t centreValue, uint32_t step, uint16_t count,
                                    uint8_t order, PtpPanoramaProgressFn progress);

/** Asks the running panorama to stop at its next check. Any thread. */
PTP_API void Serial_CancelPanorama(void);

#endif
