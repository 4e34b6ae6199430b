// ptpctl: drive a camera through a Tetherhub from the command line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "ptpctl.h"

static void usage(FILE* out) {
    std::fputs(
        "usage: ptpctl COMMAND [--hub HOST:PORT] [--camera canon|nikon|sony|fuji]\n"
        "\n"
        "Without --hub, ptpctl starts a virtual Tetherhub with a virtual camera in-process.\n"
        "\n"
        "commands:\n"
        "  demo [DIR]                 a whole session: identity, settings, a picture taken\n"
        "                             and downloaded into DIR (default ptpctl-demo)\n"
        "  info                       the Tetherhub's versions, the camera's identity and the\n"
        "                             session result\n"
        "  props                      every property with its name, value, allowed values and\n"
        "                             whether it can be written\n"
        "  set CODE|NAME VALUE|LABEL  change a property\n"
        "  events [SECONDS]           follow the camera's events (default 10 s)\n"
        "  ls                         the pictures on the camera's cards\n"
        "  get HANDLE|NAME [-o FILE]  download a picture\n"
        "  capture [--af] [--download DIR]\n"
        "                             take a picture (after autofocus), list the new\n"
        "                             objects and optionally download them\n",
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
                    {"demo", Command_Demo}};
    for (const Entry& e : commands)
        if (command == e.name) return e.run(args);
    std::fprintf(stderr, "ptpctl: unknown command \"%s\"\n", command.c_str());
    usage(stderr);
    return 2;
}
