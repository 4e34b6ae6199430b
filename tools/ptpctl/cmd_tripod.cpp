// ptpctl tripod move DIRECTION [MS] | stop | speed N | battery: the motorised
// head on the Tetherhub's serial port.
#include <cstdio>
#include <string>
#include <vector>

#include "ptp_serial.h"
#include "ptpctl.h"

int Command_Tripod(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    const std::string what = args.empty() ? "" : args[0];
    uint32_t a = 0, b = 0;
    bool ok = (what == "stop" || what == "battery") && args.size() == 1;
    ok |= what == "speed" && args.size() == 2 && ParseNumber(args[1], &a) && a >= 1 && a <= 1023;
    ok |= what == "move" && (args.size() == 2 || args.size() == 3) && ParseNumber(args[1], &a) &&
          a <= 1 && (args.size() == 2 || ParseNumber(args[2], &b));
    if (!ok) {
        std::fprintf(stderr, "usage: ptpctl tripod move 0|1 [MS] | stop | speed 1..1023 | "
                             "battery\n");
        return 2;
    }
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    PtpResult rc = PtpResult_Ok;
    uint32_t battery = 0;
    if (what == "stop")
        rc = Serial_SendStopTripod();
    else if (what == "battery")
        rc = Serial_GetTripodBattery(&battery);
    else if (what == "speed")
        rc = Serial_SendTripodSpeed(uint16_t(a));
    else if (args.size() == 3)
        rc = Serial_SendMoveTripodDuration(uint8_t(a), b);
    else
        rc = Serial_SendMoveTripod(uint8_t(a));
    CloseHub(hub);
    if (rc != PtpResult_Ok) {
        std::fprintf(stderr, "tripod %s failed: %s (0x%04X)%s\n", what.c_str(), PtpResult_Name(rc),
                     rc, rc == PtpResult_BadReply ? ": the head refused it" : "");
        return 1;
    }
    if (what == "battery")
        std::printf("tripod battery: %u%%\n", battery);
    else if (what == "move")
        std::printf("tripod turning %s%s\n", a ? "right" : "left",
                    args.size() == 3 ? (" for " + args[2] + " ms").c_str() : " until stopped");
    else
        std::printf("tripod %s: done\n", what.c_str());
    return 0;
}
