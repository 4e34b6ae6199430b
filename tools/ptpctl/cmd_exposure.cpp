// ptpctl bracket, hdr and bulb: exposure sequences. bracket shows the camera's
// bracketing and shoots a bracketed series (stepped by the tool itself through
// the exposure compensation on cameras without bracketing); hdr lays out a
// series of values of one property around its current value and shoots it;
// bulb holds the shutter open for a number of seconds. Each puts back what it
// changed, also after Ctrl-C.
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "interrupt.h"
#include "ptp_capabilities.h"
#include "ptp_capture.h"
#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "ptp_generic.h"
#include "ptp_names.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "ptpctl.h"

namespace {

// How long to wait for the camera to announce the pictures of one shot, and
// for a second file (RAW + JPEG) after the first.
constexpr auto kAnnounceWait = std::chrono::seconds(5);
constexpr auto kSettle = std::chrono::milliseconds(700);
// The longest bulb exposure the tool holds the shutter for.
constexpr float kLongestBulbSeconds = 3600;

using Clock = std::chrono::steady_clock;

// Handles the Tetherhub gives objects it names without one.
constexpr uint32_t kNamedOnly = 0xFFFFFFFF;

void fail(const char* what, PtpResult rc) {
    std::fprintf(stderr, "%s: %s (0x%04X)\n", what, PtpResult_Name(rc), rc);
}

// A camera still storing its last picture refuses writes for a moment, which
// the library reports as busy or as a write it could not confirm: a few tries.
constexpr int kWriteAttempts = 3;
constexpr auto kWriteRetryPause = std::chrono::milliseconds(300);

PtpResult write_setting(uint32_t code, uint32_t value, uint8_t verify) {
    PtpResult rc = PtpResult_Failed;
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        if (attempt) std::this_thread::sleep_for(kWriteRetryPause);
        rc = PtpGenericInterface_SetPropertyValue(code, value, verify);
        if (rc != PtpResult_DeviceBusy && rc != PtpResult_PropertyWriteFailed) break;
    }
    return rc;
}

bool parse_float(const std::string& text, float* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    float v = std::strtof(text.c_str(), &end);
    if (*end != '\0' || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

// Stops as the labels write them: 1, 0.67, 2/3, "1 1/3".
bool parse_stops(const std::string& text, float* value) {
    if (parse_float(text, value)) return true;
    int whole = 0, num = 0, den = 0, used = 0;
    const char* t = text.c_str();
    bool mixed = std::sscanf(t, "%d %d/%d%n", &whole, &num, &den, &used) == 3;
    if (!mixed) {
        whole = 0;
        if (std::sscanf(t, "%d/%d%n", &num, &den, &used) != 2) return false;
    }
    if (size_t(used) != text.size() || den <= 0 || num < 0 || whole < 0) return false;
    *value = float(whole) + float(num) / float(den);
    return true;
}

// A session with the event loop running and the start's events drained.
bool open_camera(const CommonOptions& options, HubConnection& hub) {
    if (!OpenSession(options, hub)) return false;
    while (PopEventPtr()) {
    }
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    return true;
}

void close_camera(HubConnection& hub) {
    PtpGenericInterface_StopEventCheckLoop(1);
    CloseHub(hub);
}

// The objects the camera announces within the wait.
std::vector<PtpObjectInfo> new_objects() {
    std::vector<PtpObjectInfo> added;
    auto deadline = Clock::now() + kAnnounceWait;
    while (Clock::now() < deadline) {
        while (const PtpHostEvent* e = PopEventPtr()) {
            if (e->code != 0x4002) continue;
            const PtpObjectInfo* info = nullptr;
            std::memcpy(&info, &e->u, sizeof info);
            added.push_back(*info);
            deadline = Clock::now() + kSettle;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return added;
}

void print_objects(const std::vector<PtpObjectInfo>& objects) {
    for (const PtpObjectInfo& o : objects) {
        if (o.handle == kNamedOnly)
            std::printf("  new: (waiting)   %-24s %10u bytes\n", o.fileName, o.compressedSize);
        else
            std::printf("  new: 0x%08X  %-24s %10u bytes\n", o.handle, o.fileName,
                        o.compressedSize);
    }
}

// One picture, waited for; the number of new objects, or -1 on failure. A
// capture the camera holds for the host is saved in the current directory.
int shoot() { return CaptureOnce(false, ""); }

// A property by code (decimal or 0x hex) or by its name (any case).
uint32_t find_property(const std::string& text) {
    uint32_t code = 0;
    if (ParseNumber(text, &code)) return PtpGenericInterface_GetProperty(code, 0) ? code : 0;
    const uint32_t ranges[][2] = {{0x5000, 0x50FF}, {0xD000, 0xD3FF}, {0xEE00, 0xEEFF}};
    for (const auto& range : ranges)
        for (uint32_t c = range[0]; c <= range[1]; ++c) {
            const PtpPropertyRecord* r = PtpGenericInterface_GetProperty(c, 0);
            if (r && r->name && strcasecmp(r->name, text.c_str()) == 0) return c;
        }
    return 0;
}

// A copy of a record's list and current value, taken under its lock.
struct ListCopy {
    uint32_t current = 0;
    std::string currentLabel;
    std::vector<PtpValueLabel> values;
    bool writable = false;
};

bool copy_list(uint32_t code, ListCopy* out) {
    PtpPropertyRecord* r = code ? PtpGenericInterface_GetProperty(code, 1) : nullptr;
    if (!r) return false;
    out->current = r->currentValue;
    out->currentLabel = r->currentLabel;
    out->writable = r->access != 0;
    if (r->values) out->values.assign(r->values, r->values + r->valueCount);
    PtpUnlockProperty(r);
    return true;
}

// The position of the entry labelled label that lies a whole number of steps
// from position from, nearest to it; -1 when there is none.
long position_of(const ListCopy& list, const char* label, long from, long step) {
    long best = -1;
    for (long p = 0; p < long(list.values.size()); ++p) {
        if (std::strncmp(list.values[p].label, label, PTP_LABEL_SIZE) != 0) continue;
        if ((p - from) % step != 0) continue;
        if (best < 0 || std::labs(p - from) < std::labs(best - from)) best = p;
    }
    return best;
}

// --- hdr ----------------------------------------------------------------------------------------

struct HdrOptions {
    uint32_t shots = 0; // 0: as many as fit
    uint32_t step = 0;  // 0: one stop
    uint8_t mode = 0;
    std::string property;
};

int run_series(uint32_t code, const HdrOptions& o);

// --- bracket --------------------------------------------------------------------------------

// The frames of a bracketed series the tool steps itself: the current value
// and one step either side.
constexpr uint32_t kHostBracketShots = 3;

// Cameras without in-camera bracketing: the tool shoots the series, stepping
// the exposure compensation, or the shutter speed where the exposure mode fixes
// the compensation (manual exposure).
int run_host_bracket(bool haveStop, float stop) {
    uint32_t code = PtpGetExposureCompensationPropertyCode();
    const char* through = "exposure compensation";
    ListCopy list;
    if (!copy_list(code, &list) || !list.writable || list.values.empty()) {
        code = PtpGetShutterSpeedPropertyCode();
        through = "shutter speed";
        if (!copy_list(code, &list) || !list.writable || list.values.empty()) {
            std::fprintf(stderr, "the camera has no exposure bracketing, and its exposure "
                                 "mode lets neither compensation nor shutter speed change\n");
            return 1;
        }
    }
    std::printf("no bracketing in the camera: ptpctl shoots the series itself through the %s "
                "(now %s)\n",
                through, list.currentLabel.c_str());
    if (!haveStop) return 0;
    HdrOptions o;
    o.shots = kHostBracketShots;
    long entries = std::lround(stop * float(PtpGenericInterfaceStepsForStop(code)));
    o.step = entries < 1 ? 1 : uint32_t(entries);
    return run_series(code, o);
}

int run_bracket(bool haveStop, float stop) {
    uint32_t code = PtpGetExposureBracketingPropertyCode();
    ListCopy setting;
    if (!copy_list(code, &setting)) return run_host_bracket(haveStop, stop);
    std::printf("bracketing (0x%04X): %s, %s\n", code, setting.currentLabel.c_str(),
                PtpGenericInterface_IsExposureBracketingOn() ? "on" : "off");
    const float largest = PtpGenericInterface_MaxExposureBracketStop();
    std::printf("largest step: %.2f stops\n", largest);
    if (!setting.values.empty()) {
        std::printf("steps:");
        for (const PtpValueLabel& v : setting.values)
            std::printf(" [%s]", v.label);
        std::printf("\n");
    }
    if (!haveStop) return 0;
    if (largest > 0 && stop > largest + 0.01f) {
        std::fprintf(stderr, "a step of %.2f stops is larger than the camera's largest (%.2f)\n",
                     stop, largest);
        return 2;
    }

    float stops[PTP_BRACKET_STOPS_MAX];
    uint32_t frames = PtpGenericInterface_GetExposureBracketingStops(stop, stops, 1);
    if (frames == 0) {
        std::fprintf(stderr, "the camera does not tell which frames its bracketing takes\n");
        return 1;
    }
    std::printf("series for %.2f stops: 0", stop);
    for (uint32_t i = 0; i < frames; ++i)
        std::printf(" %+.2f", stops[i]);
    std::printf("\n");
    uint32_t value = PtpGenericInterface_ExposureBracketValueForStop(stop);
    if (value == PtpResult_NotSupportedForCamera) {
        std::fprintf(stderr, "bracketing steps cannot be set on this camera\n");
        return 1;
    }
    if (!PtpGenericInterface_IsExposureBracketingEnabled()) {
        std::fprintf(stderr, "bracketing cannot be used in the camera's exposure mode\n");
        return 1;
    }
    const bool wasOn = PtpGenericInterface_IsExposureBracketingOn();
    PtpResult rc = PtpGenericInterface_SetBracketing(value);
    if (wasOn)
        Interrupt_RestoreProperty(code, setting.current, setting.currentLabel.c_str());
    else
        Interrupt_RestoreBy(PtpGenericInterface_TurnOffBracketing, "bracketing off");
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "the camera refused a bracketing step of %.2f stops: %s (0x%04X)\n",
                     stop, PtpResult_Name(rc), rc);
        return 1;
    }
    int pictures = 0;
    bool ok = true;
    for (uint32_t shot = 0; shot <= frames && ok && !Interrupt_Requested(); ++shot) {
        std::printf("shot %u of %u\n", shot + 1, frames + 1);
        int added = shoot();
        ok = added >= 0;
        if (ok) pictures += added;
    }
    std::printf("%d picture%s\n", pictures, pictures == 1 ? "" : "s");
    return ok && pictures > 0 ? 0 : 1;
}

// --- hdr ----------------------------------------------------------------------------------------

int run_hdr(const HdrOptions& o) {
    uint32_t code =
        o.property.empty() ? PtpGetShutterSpeedPropertyCode() : find_property(o.property);
    if (code == 0 || !PtpGenericInterface_GetProperty(code, 0)) {
        std::fprintf(stderr, "the camera has no property %s\n",
                     o.property.empty() ? "for the shutter speed" : o.property.c_str());
        return 1;
    }
    return run_series(code, o);
}

// Lays out the series of o through property code, shoots it and puts the
// property back.
int run_series(uint32_t code, const HdrOptions& o) {
    ListCopy list;
    if (!copy_list(code, &list)) {
        std::fprintf(stderr, "the camera has no property 0x%04X\n", code);
        return 1;
    }
    const char* name = PtpGenericInterface_StringForPropertyCode(code);
    uint32_t step = o.step ? o.step : PtpGenericInterfaceStepsForStop(code);
    uint32_t most = PtpGenericInterface_GetMaxNumberOfHdrSteps(code, list.current, step, o.mode);
    if (most == 0 || list.values.empty()) {
        std::fprintf(stderr, "%s: the current value %s is not one of a list of values\n",
                     name ? name : "property", list.currentLabel.c_str());
        return 1;
    }
    uint32_t shots = o.shots ? o.shots : most;
    if (shots > most) {
        std::printf("only %u shots fit around %s\n", most, list.currentLabel.c_str());
        shots = most;
    }
    long from = -1;
    for (long p = 0; p < long(list.values.size()) && from < 0; ++p)
        if (list.values[p].value == list.current) from = p;
    // The library names both ends; the series runs between them.
    std::string ends[2];
    for (int direction = 1; direction <= 2; ++direction) {
        const char* end = PtpGenericInterface_GetEndHdrValue(code, list.current, int32_t(step),
                                                             shots, o.mode, uint8_t(direction));
        if (!end) {
            std::fprintf(stderr, "the series of %u shots does not fit the list\n", shots);
            return 1;
        }
        ends[direction - 1] = end;
    }
    long bright = position_of(list, ends[0].c_str(), from, long(step));
    long dark = position_of(list, ends[1].c_str(), from, long(step));
    if (bright < 0 || dark < 0) {
        std::fprintf(stderr, "cannot find the ends of the series in the list\n");
        return 1;
    }
    long stride = dark >= bright ? long(step) : -long(step);
    std::vector<PtpValueLabel> series;
    for (long p = bright;; p += stride) {
        series.push_back(list.values[p]);
        if (p == dark) break;
    }
    if (series.size() != shots)
        std::printf("a series centred on the current value takes %zu shots\n", series.size());
    std::printf("%s (0x%04X), now %s; %zu shots %u entries apart, bright to dark:\n",
                name ? name : "property", code, list.currentLabel.c_str(), series.size(), step);
    for (size_t i = 0; i < series.size(); ++i)
        std::printf("  %2zu  0x%08X  %s\n", i + 1, series[i].value, series[i].label);

    Interrupt_RestoreProperty(code, list.current, list.currentLabel.c_str());
    int pictures = 0;
    bool ok = true;
    for (size_t i = 0; i < series.size() && ok && !Interrupt_Requested(); ++i) {
        PtpResult rc = write_setting(code, series[i].value, 1);
        if (rc != PtpResult_Ok) {
            std::fprintf(stderr, "setting %s failed: %s (0x%04X)\n", series[i].label,
                         PtpResult_Name(rc), rc);
            ok = false;
            break;
        }
        std::printf("shot %zu of %zu: %s\n", i + 1, series.size(), series[i].label);
        int added = shoot();
        ok = added >= 0;
        if (ok) pictures += added;
    }
    std::printf("%d picture%s\n", pictures, pictures == 1 ? "" : "s");
    return ok && pictures > 0 ? 0 : 1;
}

// --- bulb
// -----------------------------------------------------------------------------------------

// Writes the shutter speed labelled "bulb" when the camera lists one; true
// when the camera took it, with the old value in *previous.
bool switch_to_bulb(uint32_t* previous) {
    uint32_t code = PtpGetShutterSpeedPropertyCode();
    ListCopy list;
    if (!copy_list(code, &list)) return false;
    for (const PtpValueLabel& v : list.values) {
        if (strcasecmp(v.label, "bulb") != 0) continue;
        if (write_setting(code, v.value, 1) != PtpResult_Ok) return false;
        *previous = list.current;
        Interrupt_RestoreProperty(code, list.current, list.currentLabel.c_str());
        std::printf("shutter speed set to bulb (was %s)\n", list.currentLabel.c_str());
        return true;
    }
    return false;
}

// Bulb needs manual exposure on some cameras: writes the exposure mode's
// manual entry when the camera is in another mode and lets it be written;
// true when it switched, with the old mode in *previous.
bool switch_to_manual(uint32_t* previous) {
    uint32_t code = PtpGetAutoExposurePropertyCode();
    ListCopy list;
    if (!copy_list(code, &list) || !list.writable ||
        PtpGenericInterface_IsAutoExposureModeManual(list.current))
        return false;
    for (const PtpValueLabel& v : list.values) {
        if (!PtpGenericInterface_IsAutoExposureModeManual(v.value)) continue;
        if (write_setting(code, v.value, 1) != PtpResult_Ok) return false;
        *previous = list.current;
        Interrupt_RestoreProperty(code, list.current, list.currentLabel.c_str());
        std::printf("exposure mode set to %s for bulb (was %s)\n", v.label,
                    list.currentLabel.c_str());
        return true;
    }
    return false;
}

int run_bulb(float seconds) {
    if (!PtpGenericInterface_IsBulbAvailable()) {
        std::fprintf(stderr, "the camera cannot take bulb exposures\n");
        return 1;
    }
    // Each switch registers its undo; the unwinding puts the shutter speed
    // back before the mode.
    uint32_t previousMode = 0, previousShutter = 0;
    if (!PtpGenericInterface_CanStartBulb()) {
        // Mode first: a camera may reset the shutter speed when its mode changes.
        switch_to_manual(&previousMode);
        if (!PtpGenericInterface_CanStartBulb()) switch_to_bulb(&previousShutter);
    }
    if (!PtpGenericInterface_CanStartBulb()) {
        std::fprintf(stderr, "bulb needs the camera in manual exposure (M or B) with the shutter "
                             "speed at bulb, and it could not be set so\n");
        return 1;
    }
    PtpResult rc = PtpGenericInterface_StartBulb();
    if (rc != PtpResult_Ok) {
        fail("opening the shutter failed", rc);
        return 1;
    }
    const auto opened = Clock::now();
    const auto closeAt =
        opened + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<float>(seconds));
    // On a terminal the countdown rewrites one line; otherwise a line a second.
    const bool terminal = isatty(fileno(stdout));
    long shown = -1;
    for (auto now = Clock::now(); now < closeAt && !Interrupt_Requested(); now = Clock::now()) {
        long left = long(std::ceil(std::chrono::duration<float>(closeAt - now).count()));
        if (left != shown) {
            std::printf(terminal ? "\rshutter open: %ld s left " : "shutter open: %ld s left\n",
                        left);
            std::fflush(stdout);
            shown = left;
        }
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(closeAt - now).count();
        Interrupt_Sleep(wait < 100 ? int(wait) + 1 : 100);
    }
    float held = std::chrono::duration<float>(Clock::now() - opened).count();
    rc = PtpGenericInterface_StopBulb();
    std::printf(
        terminal ? "\rshutter closed after %.1f s      \n" : "shutter closed after %.1f s\n", held);
    if (rc != PtpResult_Ok) {
        fail("closing the shutter failed", rc);
        return 1;
    }
    if (Interrupt_Requested()) std::printf("interrupted: shutter closed early\n");
    std::vector<PtpObjectInfo> added = new_objects();
    print_objects(added);
    if (added.empty() && !Interrupt_Requested()) {
        std::fprintf(stderr, "the camera announced no picture\n");
        return 1;
    }
    return 0;
}

} // namespace

int Command_Bracket(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    float stop = 0;
    if (args.size() == 2) { // bracket 1 1/3, unquoted
        args[0] += " " + args[1];
        args.pop_back();
    }
    if (args.size() > 1 || (args.size() == 1 && (!parse_stops(args[0], &stop) || stop <= 0))) {
        std::fprintf(stderr,
                     "usage: ptpctl bracket [STOP]   (STOP in stops, e.g. 1, 0.67 or 2/3)\n");
        return 2;
    }
    HubConnection hub;
    if (!open_camera(options, hub)) return 1;
    Interrupt_Handle(nullptr);
    Interrupt_RestoreSettings(); // what the camera changes of its own accord for a shot
    int status = Interrupt_Unwind(run_bracket(args.size() == 1, stop));
    close_camera(hub);
    return status;
}

int Command_Hdr(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    HdrOptions o;
    bool usage = false;
    for (size_t i = 0; i < args.size() && !usage; ++i) {
        const std::string& a = args[i];
        uint32_t n = 0;
        if ((a == "-n" || a == "-s" || a == "-m") && i + 1 < args.size()) {
            usage = !ParseNumber(args[++i], &n);
            if (a == "-n") o.shots = n;
            if (a == "-s") o.step = n;
            if (a == "-m") {
                usage = usage || n > 2;
                o.mode = uint8_t(n);
            }
            usage = usage || (n == 0 && a != "-m");
        } else if (a[0] != '-' && o.property.empty()) {
            o.property = a;
        } else {
            usage = true;
        }
    }
    if (usage) {
        std::fprintf(stderr, "usage: ptpctl hdr [-n SHOTS] [-s STEP] [-m MODE] [PROPERTY]\n"
                             "  SHOTS  number of pictures (default: as many as fit)\n"
                             "  STEP   list entries between pictures (default: one stop)\n"
                             "  MODE   0 around the current value, 1 darker, 2 brighter\n"
                             "  PROPERTY  code or name (default: the shutter speed)\n");
        return 2;
    }
    HubConnection hub;
    if (!open_camera(options, hub)) return 1;
    Interrupt_Handle(nullptr);
    Interrupt_RestoreSettings(); // what the camera changes of its own accord for a shot
    int status = Interrupt_Unwind(run_hdr(o));
    close_camera(hub);
    return status;
}

int Command_Bulb(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    float seconds = 0;
    if (args.size() != 1 || !parse_float(args[0], &seconds) || seconds <= 0 ||
        seconds > kLongestBulbSeconds) {
        std::fprintf(stderr, "usage: ptpctl bulb SECONDS   (more than 0, at most 3600)\n");
        return 2;
    }
    HubConnection hub;
    if (!open_camera(options, hub)) return 1;
    Interrupt_Handle(nullptr);
    Interrupt_RestoreSettings(); // what the camera changes of its own accord for a shot
    int status = Interrupt_Unwind(run_bulb(seconds));
    close_camera(hub);
    return status;
}
