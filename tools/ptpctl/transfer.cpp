// Downloading one object to a file, shared by get and capture.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "interrupt.h"
#include "progress.h"
#include "ptp_comms.h"
#include "ptp_objects.h"
#include "ptpctl.h"

namespace {

// Objects larger than this are fetched in parts, with a progress bar.
constexpr uint32_t kWholeObjectLimit = 4u << 20;
constexpr uint32_t kPartSize = 1u << 20;

} // namespace

std::string SafeFileName(const char* cameraName) {
    // The camera's name is only a default file name: keep its last part.
    std::string name = cameraName ? cameraName : "";
    size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    if (name.empty() || name == "." || name == "..") name = "object.bin";
    return name;
}

namespace {

std::string directory_of(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool MakeDirectories(const std::string& directory) {
    for (size_t at = 1; at <= directory.size(); ++at) {
        if (at < directory.size() && directory[at] != '/') continue;
        const std::string part = directory.substr(0, at);
        struct stat st {};
        if (::mkdir(part.c_str(), 0755) == 0 ||
            (errno == EEXIST && ::stat(part.c_str(), &st) == 0 && S_ISDIR(st.st_mode)))
            continue;
        if (errno == EEXIST) errno = ENOTDIR;
        std::fprintf(stderr, "cannot create %s: %s\n", part.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

bool PartialFile_Open(PartialFile& f, const std::string& path) {
    f.path = path;
    const std::string directory = directory_of(path);
    if (!MakeDirectories(directory)) return false;
    std::string name = path.substr(path.find_last_of('/') + 1);
    std::string temp = directory + "/." + name + ".XXXXXX";
    int fd = ::mkstemp(&temp[0]);
    if (fd < 0 || !(f.file = ::fdopen(fd, "wb"))) {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temp.c_str());
        }
        return false;
    }
    ::fchmod(fd, 0644);
    f.partial = temp;
    Interrupt_SetPartialFile(temp.c_str()); // removed if Ctrl-C ends the tool while it is open
    return true;
}

bool PartialFile_Write(PartialFile& f, const uint8_t* data, size_t length) {
    if (f.error) return false;
    if (length && std::fwrite(data, 1, length, f.file) != length) f.error = errno ? errno : EIO;
    return f.error == 0;
}

bool PartialFile_Finish(PartialFile& f, bool ok) {
    if (!f.file) return false;
    if (std::fflush(f.file) != 0 && !f.error) f.error = errno;
    if (std::fclose(f.file) != 0 && !f.error) f.error = errno;
    f.file = nullptr;
    Interrupt_SetPartialFile(nullptr);
    if (ok && f.error)
        std::fprintf(stderr, "cannot write %s: %s\n", f.path.c_str(), std::strerror(f.error));
    ok = ok && !f.error;
    if (ok && std::rename(f.partial.c_str(), f.path.c_str()) != 0) {
        std::fprintf(stderr, "cannot write %s: %s\n", f.path.c_str(), std::strerror(errno));
        ok = false;
    }
    if (!ok) ::unlink(f.partial.c_str()); // an existing file under the final name stays whole
    return ok;
}

bool DownloadObject(const PtpObjectInfo& info, const std::string& path) {
    PartialFile out;
    if (!PartialFile_Open(out, path)) return false;
    bool ok = true;
    if (info.compressedSize <= kWholeObjectLimit) {
        uint8_t* data = nullptr;
        uint32_t length = 0;
        PtpResult rc = PtpGenericInterface_GetObject(info.handle, &data, &length);
        ok = rc == PtpResult_Ok && PartialFile_Write(out, data, length);
        if (rc != PtpResult_Ok)
            std::fprintf(stderr, "download failed: %s (0x%04X)\n", PtpResult_Name(rc), rc);
        FreeMemory(data);
    } else {
        Progress progress = Progress_Start(info.compressedSize);
        for (uint32_t offset = 0; ok && offset < info.compressedSize;) {
            uint32_t want =
                info.compressedSize - offset < kPartSize ? info.compressedSize - offset : kPartSize;
            uint8_t* data = nullptr;
            uint32_t length = 0;
            PtpResult rc =
                PtpGenericInterface_GetPartialObject(info.handle, offset, want, &data, &length);
            if (rc != PtpResult_Ok || length == 0 || length > want) {
                std::fprintf(stderr, "\ndownload failed at %u: %s (0x%04X)\n", offset,
                             PtpResult_Name(rc), rc);
                ok = false;
            } else {
                ok = PartialFile_Write(out, data, length);
                offset += length;
                Progress_Update(progress, offset);
            }
            FreeMemory(data);
        }
        Progress_Finish(progress);
    }
    return PartialFile_Finish(out, ok);
}
