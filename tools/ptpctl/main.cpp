// ptpctl: drive a camera through a Tetherhub from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ptpctl.h"

static void usage(FILE* out) {
    std::fputs(
        "usage: ptpctl COMMAND [--hub HOST:PORT] [--camera CAMERA]\n"
        "  CAMERA: canon, canon-90d, canon-r, canon-r5, nikon (D850), nikon-z6, nikon-d800,\n"
        "          nikon-d5000, sony (ILCE-7M4), sony-a6400, sony-a7r5, fuji (X-T4),\n"
        "          fuji-gfx (GFX 100)\n"
        "\n"
        "Without --hub, ptpctl starts a virtual Tetherhub with a virtual camera in-process.\n"
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
        "  events [SECONDS]           follow the camera's events (default 10 s)\n"
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
        "  liveview [-n FRAMES] [-o DIR]\n"
        "                             live view on, FRAMES frames (default 10) written to\n"
        "                             DIR (default .) as frame_NNN.jpg or .bmp, the frame\n"
        "                             rate, live view off\n"
        "  sd ls|get NAME [DEST]|rm NAME|info\n"
        "                             the Tetherhub's own SD card: list, download, delete,\n"
        "                             free space\n",
        out);
}

int main(int argc, char** argv) {
    if (argc < 2) {
        usage(stderr);
        return 2;
    }
    std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "-h" || command == "--help" || command == "help") {
        usage(stdout);
        return 0;
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
                    {"drive", Command_Drive}, {"liveview", Command_LiveView}, {"hub", Command_Hub}};
    for (const Entry& e : commands)
        if (command == e.name) return e.run(args);
    std::fprintf(stderr, "ptpctl: unknown command \"%s\"\n", command.c_str());
    usage(stderr);
    return 2;
}
