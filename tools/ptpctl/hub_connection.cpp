#include <netdb.h>
#include <sys/socket.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptpctl.h"
#include "sim_hub.h"

bool ParseCommonOptions(std::vector<std::string>& args, CommonOptions& options) {
    std::vector<std::string> rest;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--hub" || a == "--camera") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "ptpctl: %s needs a value\n", a.c_str());
                return false;
            }
            (a == "--hub" ? options.hub : options.camera) = args[++i];
        } else {
            rest.push_back(a);
        }
    }
    if (!options.hub.empty() && options.hub.rfind(':') == std::string::npos) {
        std::fprintf(stderr, "ptpctl: --hub wants HOST:PORT, got \"%s\"\n", options.hub.c_str());
        return false;
    }
    if (!options.hub.empty()) {
        // Checked here so a bad port reads as such, not as a refused connection.
        const std::string port = options.hub.substr(options.hub.rfind(':') + 1);
        const bool digits = !port.empty() && port.size() <= 5 &&
                            port.find_first_not_of("0123456789") == std::string::npos;
        const unsigned long number = digits ? std::strtoul(port.c_str(), nullptr, 10) : 0;
        if (number < 1 || number > 65535) {
            std::fprintf(stderr, "ptpctl: port must be 1-65535, got \"%s\"\n", port.c_str());
            return false;
        }
    }
    args = rest;
    return true;
}

static std::string lowercase_first(std::string text) {
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

void ShootOnItsOwn(HubConnection& connection, double seconds) {
    if (!connection.embedded) return;
    SimHub_SetShootEvery(connection.embedded, seconds);
    std::fprintf(stderr, "(the virtual camera takes a picture every %g s)\n", seconds);
}

bool OpenHub(const CommonOptions& options, HubConnection& connection) {
    connection.camera = options.camera;
    if (options.hub.empty()) {
        SimOptions sim;
        sim.camera = options.camera.c_str();
        connection.embedded = SimHub_Start(sim);
        if (!connection.embedded) {
            std::fprintf(stderr,
                         "cannot start the virtual Tetherhub with camera \"%s\" (see ptpctl "
                         "--help for the bodies)\n",
                         options.camera.c_str());
            return false;
        }
        connection.host = "127.0.0.1";
        connection.port = std::to_string(SimHub_Port(connection.embedded));
        // Removed by SimHub_Stop, or on a hard exit by the interrupt module.
        Interrupt_SetTemporaryFolder(SimHub_SdCardDir(connection.embedded).c_str());
    } else {
        size_t colon = options.hub.rfind(':');
        connection.host = options.hub.substr(0, colon);
        connection.port = options.hub.substr(colon + 1);
    }

    // Resolve first so a bad name and a refused connection read differently.
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int gai = getaddrinfo(connection.host.c_str(), connection.port.c_str(), &hints, &found);
    if (gai != 0) {
        std::fprintf(stderr, "cannot resolve %s:%s: %s\n", connection.host.c_str(),
                     connection.port.c_str(), lowercase_first(gai_strerror(gai)).c_str());
        CloseHub(connection);
        return false;
    }
    freeaddrinfo(found);

    errno = 0;
    if (ConnectToServer(connection.host.c_str(), connection.port.c_str()) < 0) {
        std::string why = errno ? lowercase_first(std::strerror(errno)) : "failed";
        std::fprintf(stderr, "cannot connect to %s:%s: %s\n", connection.host.c_str(),
                     connection.port.c_str(), why.c_str());
        CloseHub(connection);
        return false;
    }
    return true;
}

void CloseHub(HubConnection& connection) {
    CloseServerConnection();
    SimHub_Stop(connection.embedded);
    if (connection.embedded) Interrupt_SetTemporaryFolder(nullptr);
    connection.embedded = nullptr;
}

bool OpenSession(const CommonOptions& options, HubConnection& connection) {
    if (!OpenHub(options, connection)) return false;
    PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    PtpResult rc = PtpGenericInterface_StartSession(0);
    if (rc == PtpResult_Ok) {
        // A camera with priority modes (Fujifilm) takes writes and shots only in
        // host priority; the others answer NotSupportedForCamera.
        PtpGenericInterface_SetConnectionHostMode(1, 0);
        return true;
    }
    if (rc == PtpResult_ConnectionLost) {
        std::fprintf(stderr, "lost the link to the Tetherhub during session start\n");
        CloseHub(connection);
        return false;
    }
    uint16_t vendor = PtpGenericInterface_CameraManufacturer();
    if (vendor < PtpVendor_Fujifilm || vendor > PtpVendor_Nikon) {
        std::fprintf(stderr, "cannot identify the camera: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        CloseHub(connection);
        return false;
    }
    std::fprintf(stderr, "note: session start gave %s (0x%04X); going on with plain PTP\n",
                 PtpResult_Name(rc), rc);
    return true;
}

bool ParseNumber(const std::string& text, uint32_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long v = std::strtoul(text.c_str(), &end, 0);
    if (errno || *end || v > 0xFFFFFFFFul) return false;
    *value = uint32_t(v);
    return true;
}
