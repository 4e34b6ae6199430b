// The camera session: DeviceInfo, vendor, model number and the session flags
// the vendor-neutral layer and the drivers share.
//
// Lock order, outer first; a lock is never taken while a later one is held:
//   event-loop pause -> event fetch -> property record -> transaction -> relay link
//   -> relay receive.
// The event queue, cache, sharing-table, focus-stack and capture locks guard
// their own data only and are never held across a call into the locks above.
// No library lock is held while a host callback runs, except the event loop's
// pause lock around the notify function on the event-check thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ptp_generic.h"

// Reads the DeviceInfo (with one retry after a busy answer) and makes it the
// session's; the OperationsSupported list goes to the engine's admission.
// A null out gives EINVAL (22). Returns PtpResult_Ok, the camera's code, or 0
// when the data set does not parse.
PtpResult PtpGetDeviceInfo(PtpDeviceInfo* out);

// Parses a DeviceInfo data set into *out (cleared first). False when a
// required field is missing or a code list is longer than the record holds.
bool PtpParseDeviceInfo(const uint8_t* data, uint32_t length, PtpDeviceInfo* out);

// The vendor for a Manufacturer text.
PtpVendor PtpDetectVendor(const char* manufacturer);

// The admission rule of the engine, for callers choosing between operations.
bool PtpIsOperationSupported(uint16_t op);

// Keeps the camera awake through the session's driver.
PtpResult PtpKeepAlive();
// The plain-PTP keep-alive: GetNumObjects over all storages.
PtpResult PtpStandard_KeepAlive();

// The session driver's model check; for no vendor, whether any driver knows it.
bool PtpIsCameraModelSupported();

// Fills the property role table from the session's driver.
void PtpSetupPropertyRoles();

// Session values shared with the drivers.
PtpVendor PtpSession_Vendor();
// Sets the current vendor without a camera: for tests and fuzzers, which drive
// a vendor's parsers directly. Session start sets it otherwise.
void PtpSession_SetVendor(PtpVendor vendor);
struct PtpDriver;
// Makes driver the session's without changing the vendor, for tests that run
// the vendor-neutral layer around entries of their own. Null: the vendor's own.
void PtpSession_SetDriverForTest(const PtpDriver* driver);
void PtpSession_SetModel(uint8_t model);
const PtpDeviceInfo& PtpSession_DeviceInfo();
PtpEventNotifyFn PtpSession_NotifyFn();
// The driver whose name tables the session uses: the plain-PTP driver before a
// session (or when the vendor start failed early). Never null.
const PtpDriver* PtpSession_PropertyTableDriver();
uint32_t PtpSession_ManualFocus();
void PtpSession_SetManualFocus(uint32_t flag);
uint8_t PtpSession_LiveViewZoom();
void PtpSession_SetLiveViewZoom(uint8_t level);
// Whether live view is on: set and cleared by the drivers' live-view switches
// (and when a camera leaves live view on its own); false after session start.
bool PtpSession_LiveViewOn();
void PtpSession_SetLiveViewOn(bool on);
// The DeviceInfo Model text, copied under the DeviceInfo lock and cut to
// size - 1 characters; empty before any DeviceInfo.
void PtpSession_CopyModelText(char* out, size_t size);
// Whether the session DeviceInfo lists code among its DevicePropertiesSupported.
bool PtpIsPropertyListed(uint16_t code);
// The cached largest exposure-bracketing step in stops: kMaxBracketStopUnknown
// until a driver computes it, and again after every session start.
constexpr float kMaxBracketStopUnknown = 4294967296.0f;
float PtpSession_MaxBracketStop();
void PtpSession_SetMaxBracketStop(float stops);
// Whether the mirror is up, as the driver last saw it (set by drivers whose
// cameras report it, cleared at session start).
uint8_t PtpSession_MirrorUp();
void PtpSession_SetMirrorUp(uint8_t up);
