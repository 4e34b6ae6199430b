// The driver table: everything the vendor-neutral layer asks of a vendor
// driver, as one plain struct of function pointers grouped by area, plus the
// vendor's data tables.
//
// Each vendor folder defines one const PtpDriver (eos/driver.cpp,
// nikon/driver.cpp, sony/driver.cpp, fuji/driver.cpp). Session start picks one
// by vendor (PtpDriver_ForVendor, the only switch on the vendor) and every
// vendor-neutral operation calls through PtpSession_Driver().
//
// A null entry means the vendor has no such operation: the vendor-neutral
// caller gives the documented answer for it (PtpResult_NotSupportedForCamera,
// false or 0, as each operation says), written once, at the call.
//
// Before a session, and for a vendor of no driver, the session's driver is the
// plain-PTP driver: its entries are the standard PTP behaviour where the
// vendor-neutral layer has one.
//
// Every member has a default (null entries, empty tables), so a driver names
// only what it has, with designated initializers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "generic/property_names.h"
#include "ptp_focus.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "ptp_result.h"

// --- Session: start, keep-alive, model check --------------------------------------------
struct PtpDriverSession {
    // Starts the vendor's session once the DeviceInfo is read and the model
    // accepted; hostMode as the host passed it to StartSession.
    PtpResult (*start)(uint8_t hostMode) = nullptr;
    // Keeps the camera awake. Null: nothing to send, PtpResult_Ok.
    PtpResult (*keepAlive)() = nullptr;
    // Whether the driver supports the session DeviceInfo's model; may set the
    // session's model number. Null: false.
    bool (*modelSupported)() = nullptr;
    PtpResult (*setHostMode)(uint8_t on, uint8_t option) = nullptr;
    // A failed start leaves the previous session's property roles in place.
    bool keepRolesOnFailedStart = false;
};

// --- Properties: read, write, refresh, verify, vendor fix-ups ----------------------------
enum class PtpVerifyOutcome { Verified, Failed, Skipped };

struct PtpDriverProperties {
    // Reads a description from the camera and parses it into the record.
    // Null: false (the vendor has no description read).
    bool (*fetchDescription)(PtpPropertyRecord* record) = nullptr;
    // Adjusts a freshly parsed description (camera quirks); the record's lock
    // is held. Null: the description stays as parsed.
    void (*fixupDescription)(PtpPropertyRecord* record) = nullptr;
    // The vendor's number for a text value of code. Null or false: the text's
    // index in the list is its value.
    bool (*textValue)(uint32_t code, const char* text, uint32_t* value) = nullptr;
    // A raw value the vendor stores differently from what the camera sends
    // (called with the record's lock held). Null: stored as sent.
    uint32_t (*storedValue)(uint32_t code, uint32_t value) = nullptr;
    // Whether a range description of code expands to a value list, and whether
    // its entries are labelled from the name tables. Null: expands, unlabelled.
    bool (*rangeListed)(uint32_t code) = nullptr;
    bool (*rangeLabelled)(uint32_t code) = nullptr;
    // Reads a property's raw value bytes. Out: *data belongs to the caller.
    PtpResult (*readValue)(uint32_t code, uint8_t** data, uint32_t* length) = nullptr;
    // Reads one value into the store.
    PtpResult (*refreshValue)(uint32_t code) = nullptr;
    // Reads every description again.
    PtpResult (*refreshDescription)(uint32_t code) = nullptr;
    // Reads every stored property again.
    PtpResult (*reloadAll)() = nullptr;
    // Steps a property one value up or down.
    PtpResult (*increment)(uint32_t code, uint32_t direction) = nullptr;
    // Whether code takes values the camera does not list (any value allowed).
    // Null: none does.
    bool (*unlisted)(uint32_t code) = nullptr;
    // The camera checks writes itself: no record or value list is needed.
    bool writesUnchecked = false;
    // Waits for the vendor's own event processing before a write. Null: none.
    void (*beforeWrite)() = nullptr;
    PtpResult (*write)(uint32_t code, uint32_t value) = nullptr;
    // Waits until the store shows value for code after a write. Null: Failed.
    PtpVerifyOutcome (*waitForValue)(uint32_t code, uint32_t value) = nullptr;
    // A write went through: queues the changes the camera does not report
    // itself. Null: none.
    void (*written)(uint32_t code) = nullptr;
    // Every exit of a write that reached the driver, with the result so far;
    // returns the write's result. Null: result unchanged.
    PtpResult (*finishWrite)(PtpResult result) = nullptr;
};

// --- Event data -----------------------------------------------------------------------------
struct PtpDriverEvents {
    // Parses one block of fetched event data into the store and the event
    // queue, without notifying the host (the caller does on PtpResult_Ok).
    PtpResult (*parse)(const uint8_t* data, uint32_t length) = nullptr;
    // Applies a Tetherhub property-changed record and queues the change.
    // Null: a change without a record is queued.
    void (*hubPropertyChanged)(uint32_t code, uint32_t value, uint8_t flag) = nullptr;
    // The vendor's own work on the event thread after each poll, under the
    // pause; pass counts the polls from 1.
    void (*loopDuty)(uint32_t pass) = nullptr;
};

// --- Capture: shot, half press, bulb, movie, double-shot checks --------------------------
struct PtpDriverCapture {
    PtpResult (*initiateCapture)() = nullptr;
    // Releases the shutter after initiateCapture.
    PtpResult (*releaseShutter)() = nullptr;
    // The vendor's whole single shot. Null: initiateCapture, then on success
    // releaseShutter.
    PtpResult (*takeShot)() = nullptr;
    // initiateCapture answered Device Busy: waits until the camera has taken
    // the shot. Null: the busy answer is returned.
    PtpResult (*waitBusyCapture)() = nullptr;
    // A shot, then the wait until the camera has finished with it.
    PtpResult (*takeAndWait)() = nullptr;
    // A shot taken where the lens stands. Null: PtpTakeShot.
    PtpResult (*takeTestShot)() = nullptr;
    PtpResult (*startHalfPress)() = nullptr;
    PtpResult (*releaseHalfPress)() = nullptr;
    PtpResult (*startMovieMode)() = nullptr;
    PtpResult (*stopMovieMode)() = nullptr;
    PtpResult (*startRecordMovie)() = nullptr;
    PtpResult (*stopRecordMovie)() = nullptr;
    bool (*isDriveModeContinuous)(uint32_t value) = nullptr;
    // Whether the drive-mode property code and value make a burst the host
    // should be offered a frame count for.
    bool (*shouldPresentBurstPicker)(uint32_t code, uint32_t value) = nullptr;
    bool (*couldDoubleShoot)() = nullptr;
    PtpResult (*mitigateDoubleShoot)() = nullptr;
    PtpResult (*startBulb)() = nullptr;
    PtpResult (*stopBulb)() = nullptr;
    bool (*canStartBulb)() = nullptr;
    bool (*isBulbAvailable)() = nullptr;
    bool (*isBulbMode)() = nullptr;
    // Between two bulb exposures of a series the host paces (a panorama's): a
    // pause in ms, then the wait until the camera has handed the last image
    // over. 0 / null: none.
    uint32_t bulbSeriesPauseMs = 0;
    void (*waitImageTransfer)() = nullptr;
};

// --- Exposure steps and bracketing ------------------------------------------------------------
struct PtpDriverExposure {
    // Codes for a bracketing step / a compensation of stop stops. Null:
    // PtpResult_NotSupportedForCamera.
    uint32_t (*bracketValueForStop)(float stop) = nullptr;
    uint32_t (*compensationValueForStop)(float stop) = nullptr;
    // Stops of a bracketing / compensation code.
    float (*stopForBracketValue)(uint32_t code) = nullptr;
    float (*stopForCompensationValue)(uint32_t code) = nullptr;
    // 2 for half stops, 3 for thirds.
    uint32_t (*compensationStepSize)() = nullptr;
    // Two values of property code's list one stop apart. Null or false: the
    // list counts 3 entries per stop.
    bool (*stopApart)(uint32_t code, uint32_t* lower, uint32_t* upper) = nullptr;
    // The index-th step of a series of stop stops. Null: index steps of the
    // camera's compensation step size.
    float (*nextBracketStep)(float stop, int32_t index) = nullptr;
    float (*maxBracketStop)() = nullptr;
    // The largest (or smallest) compensation in stops; extended selects the
    // movie compensation where the vendor has one.
    float (*compensationLimit)(bool largest, uint8_t extended) = nullptr;
    int64_t (*millisecondsForShutterSpeed)(uint32_t code) = nullptr;
    // The stops of the frames the camera's bracketing takes; out is never null.
    uint32_t (*bracketingStops)(float stop, float* out, uint8_t force) = nullptr;
    bool (*isBracketingEnabled)() = nullptr;
    bool (*isCompensationEnabled)() = nullptr;
    // Null: 0, which is not OK either.
    PtpResult (*setBracketing)(uint32_t value) = nullptr;
    PtpResult (*turnOffBracketing)() = nullptr;
    // HDR: +1 or -1 list positions toward brighter exposures (when counting
    // shots) and toward darker ones (when finding a series' end). Null: +1.
    int (*hdrBrighterDirection)(uint32_t code) = nullptr;
    int (*hdrDarkerDirection)(uint32_t code) = nullptr;
    // The Tetherhub counts a capture sequence's bracket over code the other
    // way round (orders 1 and 2 exchanged). Null: no property is.
    bool (*hubOrderReversed)(uint32_t code) = nullptr;
    // The property whose value, when not 0, says the camera's bracketing is
    // on; 0: the vendor has none.
    uint32_t bracketingProperty = 0;
    // A bracket the host paces (a panorama's) steps code's value list this
    // way, +1 or -1 positions per shot. Null: +1.
    int (*hostBracketDirection)(uint32_t code) = nullptr;
    // Pauses of such a bracket in ms: before each value write but the first,
    // and between a write and its shot. 0: none.
    uint32_t hostBracketWritePauseMs = 0;
    uint32_t hostBracketSettleMs = 0;
};

// --- Focus: drive, modes, stacks ---------------------------------------------------------------
struct PtpDriverFocus {
    // One autofocus. The library's focus flag is the driver's business.
    PtpResult (*focus)() = nullptr;
    PtpResult (*stopFocus)() = nullptr;
    PtpResult (*driveLens)(int32_t steps) = nullptr;
    // Writes focus mode 0 (automatic) or 1 (manual) to the camera. Null:
    // nothing is sent.
    PtpResult (*writeFocusMode)(uint32_t mode) = nullptr;
    // The camera's own focus mode. Null or false: the library's flag answers.
    bool (*cameraFocusMode)(uint32_t* mode) = nullptr;
    bool (*isFocusAuto)() = nullptr;
    bool (*canTouchFocus)() = nullptr;
    bool (*supportsFocusChange)() = nullptr;
    bool (*isIncrementalFocusSupported)() = nullptr;
    bool (*isFocusStackSupported)() = nullptr;
    // Whether a stack keeps one exposure in exposure mode mode (the value of
    // the exposure-mode role, which the store has). Null: false.
    bool (*stackAllowsExposureMode)(uint32_t mode) = nullptr;
    // The vendor's stacking loop, called with the stack marked running and
    // bracketing turned off. Null: 0xFFFF.
    PtpResult (*focusStack)(uint32_t shots, int32_t step, uint32_t delayMs,
                            PtpFocusStackCallback callback) = nullptr;
    // Writes the PTP containers of one lens move of step into buf (size
    // bytes) for the Tetherhub to repeat; *length their size. Null: lens
    // moves cannot be packaged (PtpResult_NotSupportedForCamera).
    PtpResult (*repeatedLensMove)(int32_t step, uint8_t* buf, uint32_t size,
                                  uint32_t* length) = nullptr;
    // A packaged pull of count moves of step done as one lens drive of the
    // whole distance, for vendors whose drive takes a distance. Used instead
    // of repeatedLensMove when set.
    PtpResult (*packagedLensMove)(int32_t step, uint16_t count) = nullptr;
    // Lens steps of focus step size 1 (fine) to 3 (coarse), and what other
    // sizes become. Null: every size unchanged.
    uint16_t (*focusStepsForSize)(uint16_t stepSize) = nullptr;
};

// --- Live view: fetch, zoom, position, info ---------------------------------------------------
struct PtpDriverLiveView {
    // Switches the viewfinder output to the host (on) or back.
    PtpResult (*toggle)(bool on) = nullptr;
    // One frame. Out: *buffer is malloc'd; the caller releases it with FreeMemory.
    PtpResult (*getImage)(uint8_t** buffer, uint32_t* length) = nullptr;
    // Zoom to a level the host names (0, 100, 200); the session keeps it on success.
    PtpResult (*setZoom)(uint32_t level) = nullptr;
    // The zoom level in use; null: the level the session kept.
    uint8_t (*zoom)(uint8_t arg) = nullptr;
    // The zoom area placed at fractions of the frame.
    PtpResult (*setPosition)(double x, double y) = nullptr;
    // The zoom area of the last frame, and a new one, in the camera's
    // coordinates: what a nudge moves.
    PtpResult (*zoomPosition)(uint32_t* x, uint32_t* y) = nullptr;
    PtpResult (*setZoomPosition)(uint32_t x, uint32_t y) = nullptr;
    // The vendor's own nudge, in the direction already turned (0 up, 1 down,
    // 2 left, 3 right, others as given). Null: zoomPosition moved by 100.
    PtpResult (*nudge)(uint8_t direction) = nullptr;
    // EXIF orientation of the last frame; null: 1, upright.
    uint32_t (*orientation)() = nullptr;
    // Sets the standard live-view focus area; null: PtpResult_Ok, the vendor's
    // standard area needs no setting.
    PtpResult (*setStandardFocus)() = nullptr;
    // The camera zooms to 200.
    bool (*has200Zoom)() = nullptr;
    // The camera has live view; null: true.
    bool (*supported)() = nullptr;
    // Called after a successful session start: installs the vendor's own
    // live-view stop. Null: nothing to install.
    void (*sessionStarted)() = nullptr;
    // The operation that fetches one frame, whose answers live-view sharing
    // passes on; preferredFrameOperation instead when the camera lists it.
    // 0: the vendor's live view is not shared.
    uint16_t frameOperation = 0;
    uint16_t preferredFrameOperation = 0;
};

// --- Image formats and models ---------------------------------------------------------------
struct PtpDriverFormats {
    // Whether the current image format is a JPEG only / a RAW only / RAW plus JPEG.
    bool (*isJpg)() = nullptr;
    bool (*isRaw)() = nullptr;
    bool (*isRawPlusJpg)() = nullptr;
    // Whether a value of the image-format property is RAW alone / holds a JPEG.
    bool (*isRawOnlyValue)(uint32_t value) = nullptr;
    bool (*hasJpg)(uint32_t value) = nullptr;
    // The JPEG / RAW part of the current format; format is never null.
    PtpResult (*currentJpg)(uint32_t* format) = nullptr;
    PtpResult (*currentRaw)(uint32_t* format) = nullptr;
    // Writes the image format from a first and a second format.
    PtpResult (*set)(uint32_t first, uint32_t second) = nullptr;
    // The one-format values of a kind; outputs are never null and arrive cleared.
    PtpResult (*possible)(uint32_t kind, uint32_t** formats, uint32_t* count) = nullptr;
    // Size and quality of the part of format whose kind is kind; outputs never null.
    PtpResult (*details)(uint32_t format, uint32_t kind, uint16_t* size,
                         uint8_t* quality) = nullptr;
};

// --- Capabilities -------------------------------------------------------------------------------
struct PtpDriverCapabilities {
    bool (*supportsHalfPress)() = nullptr;
    bool (*supportsElectronicLevel)() = nullptr;
    bool (*supportsLensZoom)() = nullptr;
    bool (*supportsMirrorUp)() = nullptr;
    bool (*supportsMovieRecording)() = nullptr;
    bool (*isMirrorModeOn)() = nullptr;
    bool (*isMirrorUp)() = nullptr;
    bool (*isManualMode)(uint32_t mode) = nullptr; // mode: the exposure-program value
    bool (*isAutoIso)() = nullptr;
    // The lens name, valid on the calling thread until its next call; null: no name.
    const char* (*lensName)() = nullptr;
    uint32_t (*batteryPercent)(uint32_t value) = nullptr; // value of the battery property
    // The f-number of an aperture value and its label (neither 0 nor 0xFFFF).
    float (*fNumber)(uint32_t value, const char* label) = nullptr;
    // Whether aperture, shutter speed, compensation can be set in an exposure mode.
    bool (*apertureSettable)(uint32_t mode) = nullptr;
    bool (*shutterSettable)(uint32_t mode) = nullptr;
    bool (*compensationSettable)(uint32_t mode) = nullptr;
};

// --- Objects: listing, thumbnail, preview finders -------------------------------------------
struct PtpDriverObjects {
    // One object's information, out->handle set to handle. generic/objects.h
    // has the standard operation for drivers that use it.
    PtpResult (*getInfo)(uint32_t handle, PtpObjectInfo* out) = nullptr;
    // GetObjectHandles; outputs never null and arrive cleared. Null: 0, which
    // is not PtpResult_Ok, without camera traffic (the vendor lists otherwise).
    PtpResult (*getHandles)(uint32_t storage, uint16_t format, uint16_t association,
                            uint32_t** handles, uint32_t* count) = nullptr;
    // Every object's handle; null: getHandles of all storages.
    PtpResult (*getAllHandles)(uint32_t** handles, uint32_t* count) = nullptr;
    // The storage IDs; outputs never null and arrive cleared. Null: no
    // storage, so GetNumStorageCards answers 0.
    PtpResult (*getStorageIds)(uint32_t** ids, uint32_t* count) = nullptr;
    // Part of an object; outputs never null and arrive cleared.
    PtpResult (*getPartial)(uint32_t handle, uint32_t offset, uint32_t length, uint8_t** data,
                            uint32_t* outLength) = nullptr;
    // A thumbnail; outputs never null and arrive cleared, orientation may be
    // null. A non-null share passes the data on to the other clients as it
    // travels, with that record as its prefix.
    PtpResult (*getThumbnail)(uint32_t handle, const PtpObjectInfo* share, uint8_t** data,
                              uint32_t* length, uint8_t* orientation) = nullptr;
    // The thumbnail reports the image's orientation.
    bool thumbnailOrientation = false;
    // A fixed handle under which the camera hands out every new capture in
    // turn, so it names no one object: the cache tells its objects apart by
    // file name as well. 0: none.
    uint32_t captureHandle = 0;
    // DeleteObject.
    PtpResult (*deleteObject)(uint32_t handle, uint32_t second) = nullptr;
    // Shots left on the card; null: 0.
    uint32_t (*availableShots)() = nullptr;
    // Fills in what the vendor's object information leaves out; true when the
    // record changed. Null: nothing to fill.
    bool (*completeInfo)(PtpObjectInfo* record) = nullptr;
    // Part size of large downloads; null or 0: the standard 2 MiB.
    uint32_t (*partSize)() = nullptr;
    // The model's GetObject is unreliable: every object comes in parts.
    bool (*alwaysInParts)() = nullptr;
    // Finds the preview JPEG in a file of one of the vendor's own formats, as
    // an offset and size that the caller checks against the data. Asked of
    // every driver, with or without a session (a host inspects files from any
    // camera). False: not the vendor's format, or no preview found.
    bool (*findPreview)(uint16_t format, const uint8_t* data, uint32_t length, uint64_t* offset,
                        uint32_t* size) = nullptr;
};

// --- The vendor's data: property names and labels, property roles, models ------------------
// The property that plays each role (the PtpGet*PropertyCode exports); 0 for none.
struct PtpPropertyRoles {
    uint32_t aperture = 0;
    uint32_t shutterSpeed = 0;
    uint32_t iso = 0;
    uint32_t imageFormat = 0;
    uint32_t focusMode = 0;
    uint32_t autoExposure = 0;
    uint32_t batteryPower = 0;
    uint32_t driveMode = 0;
    uint32_t meteringMode = 0;
    uint32_t whiteBalance = 0;
    uint32_t availableShots = 0;
    uint32_t exposureCompensation = 0;
    uint32_t exposureBracketing = 0;
};

struct PtpDriverTables {
    // Pointers, so that every driver table is constant-initialized.
    const PtpPropertyNameTable* names = nullptr; // property names and value labels
    const PtpPropertyRoles* roles = nullptr;     // null: no property has a role
    // Fills in the roles that depend on the camera, at session start.
    void (*cameraRoles)(PtpPropertyRoles* roles) = nullptr;
    // A label the driver prints itself, or null (the tables decide).
    const char* (*printedLabel)(uint32_t code, uint32_t value) = nullptr;
    // A value-label table replacing the names table's for code on this camera,
    // or null.
    const PtpValueLabel* (*cameraLabels)(const PtpLabelContext& camera, uint32_t code) = nullptr;
    // Whether the connected body is mirrorless. Null: false.
    bool (*mirrorless)() = nullptr;
};

struct PtpDriver {
    PtpVendor vendor = PtpVendor_None;
    PtpDriverSession session = {};
    PtpDriverProperties properties = {};
    PtpDriverEvents events = {};
    PtpDriverCapture capture = {};
    PtpDriverExposure exposure = {};
    PtpDriverFocus focus = {};
    PtpDriverLiveView liveView = {};
    PtpDriverFormats formats = {};
    PtpDriverCapabilities capabilities = {};
    PtpDriverObjects objects = {};
    PtpDriverTables tables = {};
};

// Each vendor's table, defined in its folder.
extern const PtpDriver kPtpEosDriver;
extern const PtpDriver kPtpNikonDriver;
extern const PtpDriver kPtpSonyDriver;
extern const PtpDriver kPtpFujiDriver;

// Every vendor's driver, for questions that do not depend on the session
// (which driver knows a model, which one reads a file format).
constexpr size_t kPtpDriverCount = 4;
extern const PtpDriver* const kPtpDrivers[kPtpDriverCount];

// The driver for a vendor: the vendor's own, or the plain-PTP driver for
// PtpVendor_None. Never null.
const PtpDriver* PtpDriver_ForVendor(PtpVendor vendor);

// The session's driver, chosen when the session detects the vendor (or when a
// test sets the vendor). Never null; the plain-PTP driver before a session.
const PtpDriver* PtpSession_Driver();
