// ptpctl demo: one whole session against the virtual Tetherhub (or a real one
// with --hub): identity, the main settings with their labels, a picture taken
// and downloaded, a live-view frame, and a short tethered shoot: pictures the
// camera takes on its own (the virtual one every second) downloaded as they
// arrive.
#include <cstdio>
#include <string>
#include <vector>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptpctl.h"
#include "sim_hub.h"

namespace {

// The tethered shoot: the virtual camera shoots this often, and the demo
// waits for at most this many pictures and seconds.
constexpr double kShootEverySeconds = 1;
constexpr uint32_t kTetherPictures = 3;
constexpr double kTetherSeconds = 6;

} // namespace

int Command_Demo(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    std::string directory = args.empty() ? "ptpctl-demo" : args[0];
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    if (!ShowHubAndCamera(hub)) {
        CloseHub(hub);
        return 1;
    }

    std::printf("Settings\n");
    uint32_t (*roles[])() = {PtpGetAperturePropertyCode,     PtpGetShutterSpeedPropertyCode,
                             PtpGetIsoPropertyCode,          PtpGetExposureCompensationPropertyCode,
                             PtpGetAutoExposurePropertyCode, PtpGetImageFormatPropertyCode,
                             PtpGetFocusModePropertyCode,    PtpGetWhiteBalancePropertyCode,
                             PtpGetBatteryPowerPropertyCode};
    std::vector<PtpPropertyRecord*> settings;
    for (auto role : roles)
        if (PtpPropertyRecord* r = PtpGenericInterface_GetProperty(role(), 0))
            settings.push_back(r);
    PrintProperties(settings);

    std::printf("Capture\n");
    if (!MakeDirectories(directory)) {
        CloseHub(hub);
        return 1;
    }
    while (PopEventPtr()) {
    }
    PtpGenericInterface_StartEventCheckLoop(nullptr);
    int added = CaptureOnce(/*autofocus=*/true, directory);

    std::printf("Live view\n");
    bool liveView = PtpGenericInterface_ToggleLiveView(1) == PtpResult_Ok;
    std::string frame;
    if (liveView && WriteLiveViewFrame(directory + "/liveview", &frame))
        std::printf("  one live-view frame written to %s\n", frame.c_str());
    else
        std::printf("  no live-view frame\n");
    if (liveView) PtpGenericInterface_ToggleLiveView(0);

    std::printf("Tethered shooting\n");
    if (hub.embedded) {
        // The virtual camera now shoots on its own, as a photographer would.
        SimHub_SetShootEvery(hub.embedded, kShootEverySeconds);
        std::printf("  the camera takes a picture every %.0f s; each is downloaded as it "
                    "arrives\n",
                    kShootEverySeconds);
    } else {
        std::printf("  press the shutter on the camera: pictures are downloaded for %.0f s\n",
                    kTetherSeconds);
    }
    std::fflush(stdout);
    Interrupt_Handle(nullptr);
    const std::string tether = directory + "/tether";
    int tethered =
        MakeDirectories(tether) ? Tether_Run(tether, "", kTetherPictures, kTetherSeconds) : -1;
    PtpGenericInterface_StopEventCheckLoop(1);
    CloseHub(hub);
    if (Interrupt_Requested()) return kInterruptedStatus;
    // Only the virtual camera is sure to shoot on its own.
    return added > 0 && (tethered > 0 || (!options.hub.empty() && tethered == 0)) ? 0 : 1;
}
