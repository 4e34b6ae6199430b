// tetherhub-sim: the virtual Tetherhub as a standalone server.
//   tetherhub-sim [--port N] [--camera CAMERA] [--bind ADDR] [--pictures DIR]
//                 [--sd-card DIR] [--shoot-every SECONDS] [--fault KIND[:ARG]]...
// CAMERA: canon (EOS 5D Mark IV), canon-90d, canon-r, canon-r5, nikon (D850), nikon-z6,
// nikon-d800, nikon-d5000, sony (ILCE-7M4), sony-a6400, sony-a7r5, fuji (X-T4),
// fuji-gfx (GFX 100).
// --fault (repeatable) makes the hub misbehave on purpose (sim_hub.h lists the
// kinds); a malformed one is refused before the hub starts, with exit 2.
// Serves until SIGINT or SIGTERM.
#include "sim_hub.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <pthread.h>

namespace {

void usage(FILE* out) {
    std::fprintf(out,
                 "usage: tetherhub-sim [--port N] [--camera CAMERA] [--bind ADDR] "
                 "[--pictures DIR] [--sd-card DIR] [--shoot-every SECONDS]\n"
                 "                     [--fault KIND[:ARG]]...\n"
                 "  CAMERA: canon (EOS 5D Mark IV), canon-90d, canon-r, canon-r5, "
                 "nikon (D850), nikon-z6, nikon-d800, nikon-d5000,\n"
                 "          sony (ILCE-7M4), sony-a6400, sony-a7r5, fuji (X-T4), "
                 "fuji-gfx (GFX 100)\n"
                 "  --shoot-every SECONDS: the camera takes a picture on its own this often\n"
                 "%s",
                 kSimFaultOptionHelp);
}

bool parse_port(const char* text, uint16_t* port) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 65535) return false;
    *port = uint16_t(v);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::vector<SimFaultOption> faults;
    for (int i = 1; i < argc; i += 2) {
        const char* arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            usage(stdout);
            return 0;
        }
        if (!value) {
            usage(stderr);
            return 2;
        }
        if (std::strcmp(arg, "--port") == 0) {
            if (!parse_port(value, &options.port)) {
                std::fprintf(stderr, "tetherhub-sim: bad port '%s'\n", value);
                return 2;
            }
        } else if (std::strcmp(arg, "--camera") == 0) {
            options.camera = value;
        } else if (std::strcmp(arg, "--bind") == 0) {
            options.bind = value;
        } else if (std::strcmp(arg, "--pictures") == 0) {
            options.pictures = value;
        } else if (std::strcmp(arg, "--shoot-every") == 0) {
            char* end = nullptr;
            options.shoot_every_seconds = std::strtod(value, &end);
            if (!*value || *end || !(options.shoot_every_seconds > 0) ||
                options.shoot_every_seconds > 86400) {
                std::fprintf(stderr, "tetherhub-sim: bad interval '%s' (seconds, above 0)\n",
                             value);
                return 2;
            }
        } else if (std::strcmp(arg, "--fault") == 0) {
            SimFaultOption fault;
            std::string why;
            if (!SimFaultOption_Parse(value, &fault, &why)) {
                std::fprintf(stderr, "tetherhub-sim: bad --fault '%s': %s\n", value, why.c_str());
                return 2;
            }
            faults.push_back(fault);
        } else if (std::strcmp(arg, "--sd-card") == 0) {
            options.sd_card_dir = value; // the hub's SD card: this directory's files
        } else {
            usage(stderr);
            return 2;
        }
    }

    // Block the stop signals before any thread starts, so every hub thread
    // inherits the mask and only sigwait below sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    SimHub* hub = SimHub_Start(options);
    if (!hub) {
        const std::string why = SimHub_StartError();
        std::fprintf(stderr, "tetherhub-sim: %s\n", why.c_str());
        if (why.rfind("unknown camera", 0) == 0) usage(stderr); // lists the cameras
        return 1;
    }
    for (const SimFaultOption& fault : faults)
        SimHub_ApplyFaultOption(hub, fault);
    const unsigned objects = unsigned(SimHub_ObjectCount(hub));
    std::printf("tetherhub-sim listening on %s:%u (camera: %s, %u object%s on the card%s)\n",
                options.bind, unsigned(SimHub_Port(hub)), options.camera, objects,
                objects == 1 ? "" : "s", faults.empty() ? "" : ", faults set");
    std::fflush(stdout);

    int sig = 0;
    while (sigwait(&stop_signals, &sig) != 0) {
    }
    SimHub_Stop(hub);
    return 0;
}
