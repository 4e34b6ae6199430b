// ptpctl sd: the Tetherhub's own SD card: list it, download a file (with a
// progress bar for large ones), delete a file, show its space.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "comms/bytes.h"
#include "progress.h"
#include "ptp_comms.h"
#include "ptp_sdcard.h"
#include "ptpctl.h"

namespace {

// The Tetherhub's file request (code 248): u32 offset, u32 length, the name.
constexpr uint8_t kCodeFilePart = 248;
// Files this large or larger are fetched part by part with a progress bar;
// smaller ones in one call.
constexpr uint64_t kPartSize = 2u << 20;

void usage() { std::fprintf(stderr, "usage: ptpctl sd ls | get NAME [DEST] | rm NAME | info\n"); }

void report(const char* what, PtpResult rc) {
    std::fprintf(stderr, "%s failed: %s (0x%04X)\n", what, PtpResult_Name(rc), rc);
}

// The names in the Tetherhub's list, taken as texts separated by NUL bytes or
// line ends.
std::vector<std::string> split_names(const uint8_t* data, uint32_t length) {
    std::vector<std::string> names;
    std::string name;
    for (uint32_t i = 0; i < length; ++i) {
        char c = char(data[i]);
        if (c == '\0' || c == '\n' || c == '\r') {
            if (!name.empty()) names.push_back(name);
            name.clear();
        } else {
            name += c;
        }
    }
    if (!name.empty()) names.push_back(name);
    return names;
}

int list_card() {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = Comms_SD_GetAllFilenames(&data, &length);
    if (rc != PtpResult_Ok) {
        report("listing the SD card", rc);
        return 1;
    }
    std::vector<std::string> names = split_names(data, length);
    FreeMemory(data);
    for (const std::string& name : names) {
        uint64_t size = 0;
        if (Comms_SD_GetFileSize(name.c_str(), &size) == PtpResult_Ok)
            std::printf("%12llu  %s\n", static_cast<unsigned long long>(size), name.c_str());
        else
            std::printf("%12s  %s\n", "?", name.c_str());
    }
    std::printf("%zu file%s\n", names.size(), names.size() == 1 ? "" : "s");
    return 0;
}

bool write_all(FILE* out, const uint8_t* data, size_t n) {
    return n == 0 || std::fwrite(data, 1, n, out) == n;
}

// Fetches a large file part by part into out, drawing the progress bar.
bool fetch_in_parts(const std::string& name, uint64_t size, FILE* out) {
    Progress progress = Progress_Start(size);
    bool ok = true;
    for (uint64_t done = 0; ok && done < size;) {
        uint32_t want = uint32_t(size - done < kPartSize ? size - done : kPartSize);
        ByteWriter request;
        write_u32(request, uint32_t(done));
        write_u32(request, want);
        write_bytes(request, name.c_str(), name.size() + 1);
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = Comms_SendControlMessage(kCodeFilePart, request.buf.data(),
                                                uint32_t(request.buf.size()), &data, &length);
        if (rc != PtpResult_Ok || length == 0 || length > want) {
            Progress_Finish(progress);
            std::fprintf(stderr, "download failed at %llu: %s (0x%04X)\n",
                         static_cast<unsigned long long>(done),
                         rc == PtpResult_Ok ? "PtpResult_BadReply" : PtpResult_Name(rc),
                         rc == PtpResult_Ok ? unsigned(PtpResult_BadReply) : unsigned(rc));
            ok = false;
        } else {
            ok = write_all(out, data, length);
            done += length;
            Progress_Update(progress, done);
        }
        FreeMemory(data);
    }
    Progress_Finish(progress);
    return ok;
}

bool is_directory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int get_file(const std::string& name, std::string dest) {
    if (dest.empty())
        dest = SafeFileName(name.c_str());
    else if (is_directory(dest))
        dest.append("/").append(SafeFileName(name.c_str()));
    uint64_t size = 0;
    PtpResult rc = Comms_SD_GetFileSize(name.c_str(), &size);
    if (rc != PtpResult_Ok) {
        report(("reading the size of " + name).c_str(), rc);
        return 1;
    }
    if (size > 0xFFFFFFFFull) {
        std::fprintf(stderr, "%s is too large to download (%llu bytes)\n", name.c_str(),
                     static_cast<unsigned long long>(size));
        return 1;
    }

    // The download goes to a file beside the destination that takes its name
    // only when complete, so a failure leaves no file and an existing one as
    // it was.
    std::string partial = dest + ".part";
    FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", partial.c_str());
        return 1;
    }
    bool ok;
    if (size < kPartSize) {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        rc = Comms_SD_GetFile(name.c_str(), &data, &length, 0, nullptr);
        if (rc != PtpResult_Ok) report("download", rc);
        ok = rc == PtpResult_Ok && write_all(out, data, length);
        size = length;
        FreeMemory(data);
    } else {
        ok = fetch_in_parts(name, size, out);
    }
    if (std::fclose(out) != 0) ok = false;
    if (ok && std::rename(partial.c_str(), dest.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s\n", dest.c_str());
        ok = false;
    }
    if (!ok) {
        std::remove(partial.c_str());
        return 1;
    }
    std::printf("%s: %llu bytes\n", dest.c_str(), static_cast<unsigned long long>(size));
    return 0;
}

int remove_file(const std::string& name) {
    PtpResult rc = Comms_SD_DeleteFile(name.c_str());
    if (rc != PtpResult_Ok) {
        report(("deleting " + name).c_str(), rc);
        return 1;
    }
    std::printf("deleted %s\n", name.c_str());
    return 0;
}

int show_info() {
    uint64_t freeBytes = 0, total = 0;
    PtpResult rc = Comms_SD_GetInfo(&freeBytes, &total);
    if (rc != PtpResult_Ok) {
        report("reading the SD card's space", rc);
        return 1;
    }
    std::printf("free   %.1f MB\ntotal  %.1f MB\n", double(freeBytes) / 1e6, double(total) / 1e6);
    return 0;
}

} // namespace

int Command_Sd(std::vector<std::string> args) {
    CommonOptions options;
    if (!ParseCommonOptions(args, options)) return 2;
    if (args.empty()) {
        usage();
        return 2;
    }
    const std::string& verb = args[0];
    bool valid = (verb == "ls" && args.size() == 1) || (verb == "info" && args.size() == 1) ||
                 (verb == "rm" && args.size() == 2) ||
                 (verb == "get" && (args.size() == 2 || args.size() == 3));
    if (!valid) {
        usage();
        return 2;
    }
    // The card is the Tetherhub's own: no camera session is needed.
    HubConnection hub;
    if (!OpenHub(options, hub)) return 1;
    int status;
    if (verb == "ls")
        status = list_card();
    else if (verb == "info")
        status = show_info();
    else if (verb == "rm")
        status = remove_file(args[1]);
    else
        status = get_file(args[1], args.size() == 3 ? args[2] : std::string());
    CloseHub(hub);
    return status;
}
