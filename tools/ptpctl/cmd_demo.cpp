// ptpctl demo: one whole session against the virtual Tetherhub (or a real one
// with --hub): identity, the main settings with their labels, a picture taken
// and downloaded.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptpctl.h"

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
    uint32_t (*roles[])() = {PtpGetAperturePropertyCode,    PtpGetShutterSpeedPropertyCode,
                             PtpGetIsoPropertyCode,         PtpGetExposureCompensationPropertyCode,
                             PtpGetAutoExposurePropertyCode, PtpGetImageFormatPropertyCode,
                             PtpGetFocusModePropertyCode,   PtpGetWhiteBalancePropertyCode,
                             PtpGetBatteryPowerPropertyCode};
    for (auto role : roles)
        if (PtpPropertyRecord* r = PtpGenericInterface_GetProperty(role(), 0)) PrintProperty(r);

    std::printf("Capture\n");
    ::mkdir(directory.c_str(), 0755);
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
    PtpGenericInterface_StopEventCheckLoop(1);
    CloseHub(hub);
    return added > 0 ? 0 : 1;
}
