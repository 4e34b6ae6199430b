// ptpctl: drive a camera through a Tetherhub from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ptp_result.h"
#include "ptpctl.h"

static void usage(FILE* out) {
    std::fputs(
        "usage: ptpctl [--hub HOST:PORT] [--camera CAMERA] COMMAND ... | help [COMMAND] | --version\n"
        "  CAMERA: canon, canon-90d, canon-r, canon-r5, nikon (D850), nikon-z6, nikon-d800,\n"
        "          nikon-d5000, sony (ILCE-7M4), sony-a6400, sony-a7r5, fuji (X-T4),\n"
        "          fuji-gfx (GFX 100)\n"
        "\n"
        "Without --hub, ptpctl starts a virtual Tetherhub with a virtual camera in-process.\n"
        "--json: JSON on stdout from info, hub, props, ls, events and capture (see help CMD).\n"
        "\n"
        "commands:\n"
        "  demo [DIR]                 a whole session: identity, settings, a picture taken\n"
        "                             and downloaded into DIR (default ptpctl-demo)\n"
        "  hub                        the Tetherhub's versions, battery, serial number, camera\n"
        "                             model and ping time\n"
        "  info                       the Tetherhub's versions, the camera's identity and the\n"
        "                             session result\n"
        "  props                      every property with its name, value, allowed values and\n"
        "                             whether it can be written\n"
        "  set CODE|NAME VALUE|LABEL  change a property\n"
        "  events [SECONDS]           follow the camera's events (default 10 s, 0: until\n"
        "                             Ctrl-C)\n"
        "  ls                         the pictures on the camera's cards\n"
        "  get HANDLE|NAME [-o FILE]  download a picture\n"
        "  download --all DIR         every picture into DIR through the object cache\n"
        "                             (DIR/.cache); pictures already there are skipped\n"
        "  capture [--af] [--download DIR]\n"
        "                             take a picture (after autofocus), list the new\n"
        "                             objects and optionally download them\n"
        "  bracket [STOP]             the camera's bracketing; with STOP (stops) a\n"
        "                             bracketed series is set and shot (stepped by ptpctl\n"
        "                             through the exposure compensation on a camera\n"
        "                             without bracketing)\n"
        "  hdr [-n SHOTS] [-s STEP] [-m MODE] [PROPERTY]\n"
        "                             an HDR series around the current value of\n"
        "                             PROPERTY (default shutter speed), shown and shot\n"
        "  bulb SECONDS               a bulb exposure with a countdown\n"
        "  focus-stack N STEP [-d DELAY_MS]\n"
        "                             N shots with the lens driven by STEP between them\n"
        "                             (DELAY_MS more before each move); Ctrl-C stops it\n"
        "  focus                      autofocus, then hold the focus found\n"
        "  drive STEPS                drive the lens by STEPS (negative: the other way)\n"
        "  liveview [-n FRAMES] [-o DIR|-]\n"
        "                             live view on, FRAMES frames (default 10) written to\n"
        "                             DIR (default .) as frame_NNN.jpg or .bmp, or to\n"
        "                             standard output as MJPEG with -o -, live view off\n"
        "  tether DIR [--exec CMD]    download each new picture as the camera takes it,\n"
        "                             running CMD FILE after each, until Ctrl-C\n"
        "  sd ls|get NAME [DEST]|rm NAME|info\n"
        "                             the Tetherhub's own SD card: list, download, delete,\n"
        "                             free space\n"
        "  panorama POSITIONS MOVE_MS [-d 0|1] [-b PROPERTY | --bulb MS] [-n SHOTS] [-s STEP]\n"
        "                             shots at POSITIONS tripod-head positions, a bracket\n"
        "                             or bulb series at each; Ctrl-C stops between steps\n"
        "  tripod move 0|1 [MS]|stop|speed N|battery\n"
        "                             the motorised head on the Tetherhub's serial port\n"
        "  receive DIR [-n COUNT]     a second client: save what the controlling client\n"
        "                             shares into DIR\n",
        out);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string command;
    std::vector<std::string> args;
    switch (Cli_Parse(argc, argv, &command, &args)) {
    case CliAction::Usage: return 2;
    case CliAction::Version: std::printf("ptpctl %s\n", PtpLibraryVersion()); return 0;
    case CliAction::Help:
        if (command.empty()) {
            usage(stdout);
        } else if (const CommandHelp* h = CommandHelp_Find(command)) {
            std::printf("usage: ptpctl %s", h->help);
        } else {
            std::printf("ptpctl: no help for \"%s\"; the commands:\n", command.c_str());
            usage(stdout);
        }
        return 0;
    case CliAction::Run: break;
    }
    if (command.empty()) {
        usage(stderr);
        return 2;
    }
    struct Entry {
        const char* name;
        int (*run)(std::vector<std::string>);
    } commands[] = {{"info", Command_Info}, {"props", Command_Props}, {"set", Command_Set},
                    {"events", Command_Events}, {"ls", Command_Ls},     {"get", Command_Get},
                    {"capture", Command_Capture},
                    {"demo", Command_Demo}, {"download", Command_Download},
                    {"bracket", Command_Bracket}, {"hdr", Command_Hdr}, {"bulb", Command_Bulb},
                    {"sd", Command_Sd},
                    {"focus-stack", Command_FocusStack}, {"focus", Command_Focus},
                    {"drive", Command_Drive}, {"liveview", Command_LiveView}, {"hub", Command_Hub},
                    {"panorama", Command_Panorama}, {"tripod", Command_Tripod},
                    {"receive", Command_Receive}, {"tether", Command_Tether}};
    for (const Entry& e : commands)
        if (command == e.name) return e.run(args);
    std::fprintf(stderr, "ptpctl: unknown command \"%s\" (see ptpctl help)\n", command.c_str());
    return 2;
}
