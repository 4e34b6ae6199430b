// ptpctl receive DIR [-n COUNT]: a second client of the Tetherhub that saves
// what the controlling client shares (images, thumbnails, live-view frames,
// SD-card files, pushed images) into DIR, until COUNT results or Ctrl-C.
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "interrupt.h"
#include "ptp_comms.h"
#include "ptp_relay.h"
#include "ptpctl.h"
#include "shared_message.h"

namespace {

std::atomic<bool> g_stop{false};
// Ctrl-C (on the interrupt watcher thread) closes the link, which ends the
// reader loop and wakes the waiter.
void stop_receiving() {
    g_stop = true;
    CloseServerConnection();
}

// A live-view frame's JPEG inside the vendor's frame data, else the whole data.
std::string frame_file(const uint8_t* d, size_t n, uint32_t number, size_t* from, size_t* to) {
    *from = 0;
    *to = n;
    for (size_t i = 0; i + 1 < n; ++i)
        if (d[i] == 0xFF && d[i + 1] == 0xD8) {
            *from = i;
            break;
        }
    for (size_t i = n; i >= *from + 2; --i)
        if (d[i - 2] == 0xFF && d[i - 1] == 0xD9) {
            *to = i;
            break;
        }
    char name[32];
    std::snprintf(name, sizeof name, "liveview_%05u.%s", number, *from < *to ? "jpg" : "bin");
    return name;
}

bool save(const std::string& path, const uint8_t* d, size_t n) {
    PartialFile f;
    if (!PartialFile_Open(f, path)) return false;
    bool ok = PartialFile_Write(f, d, n);
    return PartialFile_Finish(f, ok);
}

} // namespace

int Command_Receive(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    std::vector<std::string> positional;
    uint32_t limit = 0;
    bool bad = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-n" && i + 1 < args.size())
            bad |= !ParseNumber(args[++i], &limit);
        else
            positional.push_back(args[i]);
    }
    if (bad || positional.size() != 1) {
        std::fprintf(stderr, "usage: ptpctl receive DIR [-n COUNT]\n");
        return 2;
    }
    if (options.hub.empty())
        std::fprintf(stderr, "note: without --hub nobody else shares with this client; run "
                             "tetherhub-sim --port N and give every ptpctl --hub 127.0.0.1:N\n");
    const std::string dir = positional[0];
    if (!MakeDirectories(dir)) return 1;
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    ShareComms_SendClientName("ptpctl receive");
    PtpResult rc = Comms_ToggleSharing(1);
    if (rc != PtpResult_Ok)
        std::fprintf(stderr, "the Tetherhub did not switch sharing on: 0x%04X\n", rc);

    Interrupt_Handle(stop_receiving);
    std::printf("waiting for shared results in %s (Ctrl-C ends)\n", dir.c_str());
    std::fflush(stdout);

    uint32_t saved = 0, frames = 0;
    std::vector<uint8_t> prefixCopy; // the prefix announcing the next result
    while (!g_stop && (limit == 0 || saved < limit)) {
        std::thread reader([] { ReadSocketLoop(); });
        for (uint8_t* m; !g_stop && (limit == 0 || saved < limit) &&
                         (m = WaitForUnsolicitedMessage()) != nullptr;) {
            const uint32_t n = uint32_t(m[0] | m[1] << 8 | m[2] << 16 | uint32_t(m[3]) << 24);
            SharedPrefix p;
            const uint8_t* data = nullptr;
            size_t length = 0;
            if (SharedMessage_ParsePrefix(m, n, &p)) {
                prefixCopy.assign(m, m + n);
            } else if (!prefixCopy.empty() && SharedMessage_ResultData(m, n, &data, &length) &&
                       SharedMessage_ParsePrefix(prefixCopy.data(), prefixCopy.size(), &p)) {
                std::string name = SharedMessage_RecordName(p);
                size_t from = 0, to = length;
                if (p.kind == 0) name = frame_file(data, length, ++frames, &from, &to);
                if (name.empty()) name = "shared_" + std::to_string(saved + 1) + ".bin";
                if (save(dir + "/" + name, data + from, to - from)) {
                    ++saved;
                    std::printf("%s  %zu bytes%s\n", name.c_str(), to - from,
                                p.mode == 0xA2 ? "  (pushed)" : "");
                    std::fflush(stdout);
                }
                prefixCopy.clear();
            }
            FreeMemory(m);
        }
        CloseServerConnection(); // ends the loop when the count was reached
        reader.join();
        // The loop also ends after the link's receive time-out of a quiet
        // hub: connect again and keep watching.
        if (!g_stop && (limit == 0 || saved < limit) &&
            ConnectToServer(hub.host.c_str(), hub.port.c_str()) < 0) {
            std::fprintf(stderr, "lost the Tetherhub at %s:%s\n", hub.host.c_str(),
                         hub.port.c_str());
            break;
        }
    }
    std::printf("%u shared result%s saved in %s\n", saved, saved == 1 ? "" : "s", dir.c_str());
    CloseHub(hub);
    return 0;
}
