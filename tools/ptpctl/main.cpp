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
        "  info     the Tetherhub's versions, the camera's identity and the session result\n",
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
    if (command == "info") return Command_Info(args);
    std::fprintf(stderr, "ptpctl: unknown command \"%s\"\n", command.c_str());
    usage(stderr);
    return 2;
}
