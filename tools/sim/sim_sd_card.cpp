// The hub's own SD card: a flat directory on disk. Every name a request carries
// is checked before it is joined to the directory, and files are opened
// without following symbolic links, so no request reads or writes outside it.
#include "sim_sd_card.h"

#include "sim_internal.h"
#include "sim_jpeg.h"
#include "sim_storage.h"
#include "sim_tiff.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint16_t kSdOk = 0x2001;
constexpr uint16_t kSdIoError = 0x2002;
constexpr uint16_t kSdNoFile = 0x2009;
constexpr uint16_t kSdBadRequest = 0x201D;

constexpr size_t kMaxName = 255;
constexpr size_t kObjectRecordSize = 612;
constexpr size_t kRequestHistory = 1024;

// The name at the start of a payload: up to its NUL, which must be there.
// Empty names, names over 255 characters and names that could leave the
// directory are refused.
bool take_name(const uint8_t* p, size_t n, std::string* name) {
    const void* nul = p ? std::memchr(p, 0, n) : nullptr;
    if (!nul) return false;
    size_t len = size_t(static_cast<const uint8_t*>(nul) - p);
    name->assign(reinterpret_cast<const char*>(p), len);
    return SimSd_NameIsSafe(*name);
}

std::string path_of(const SimSdCard& sd, const std::string& name) { return sd.dir + "/" + name; }

// Opens a regular file of the card for reading; -1 when there is none.
int open_file(const SimSdCard& sd, const std::string& name, uint64_t* size) {
    int fd = open(path_of(sd, name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    *size = uint64_t(st.st_size);
    return fd;
}

// Reads up to len bytes from offset; false on a read error.
bool read_at(int fd, uint64_t offset, size_t len, std::vector<uint8_t>* out) {
    size_t at = out->size();
    out->resize(at + len);
    size_t got = 0;
    while (got < len) {
        ssize_t k = pread(fd, out->data() + at + got, len - got, off_t(offset + got));
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) return false;
        if (k == 0) break;
        got += size_t(k);
    }
    out->resize(at + got);
    return true;
}

// A whole card file; false when there is no such file or it cannot be read.
uint16_t read_file(const SimSdCard& sd, const std::string& name, std::vector<uint8_t>* out) {
    uint64_t size = 0;
    int fd = open_file(sd, name, &size);
    if (fd < 0) return kSdNoFile;
    bool ok = read_at(fd, 0, size_t(size), out);
    close(fd);
    return ok ? kSdOk : kSdIoError;
}

bool write_file(const std::string& path, const uint8_t* p, size_t n) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < n) {
        ssize_t k = write(fd, p + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) break;
        done += size_t(k);
    }
    return close(fd) == 0 && done == n;
}

// The regular files of the card, in name order.
std::vector<std::string> list_names(const SimSdCard& sd) {
    std::vector<std::string> names;
    DIR* d = opendir(sd.dir.c_str());
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st;
        if (lstat(path_of(sd, name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW* ftw) {
    if (ftw->level == 0) return 0; // the directory itself stays
    return remove(path);
}

// Empties a directory, subdirectories included.
bool empty_dir(const std::string& dir) {
    return nftw(dir.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

bool SimSd_NameIsSafe(const std::string& name) {
    return !name.empty() && name.size() <= kMaxName && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find("..") == std::string::npos;
}

bool SimSd_Open(SimSdCard& sd, const char* dir, const std::vector<SimPicture>& seed) {
    if (dir) {
        struct stat st;
        if (stat(dir, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
        sd.dir = dir;
        sd.owned = false;
        return true;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tetherhub-sd-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return false;
    sd.dir = buf.data();
    sd.owned = true;
    uint32_t n = 0;
    for (const SimPicture& picture : seed) {
        ++n;
        std::string name = picture.source.empty() ? SimStorage_NameFromFormat("IMG_%04u.JPG", n)
                                                  : base_name(picture.source);
        if (!SimSd_NameIsSafe(name) || !picture.bytes) continue;
        write_file(path_of(sd, name), picture.bytes->data(), picture.bytes->size());
    }
    return true;
}

void SimSd_Close(SimSdCard& sd) {
    if (!sd.owned || sd.dir.empty()) return;
    empty_dir(sd.dir);
    rmdir(sd.dir.c_str());
    sd.dir.clear();
    sd.owned = false;
}

uint32_t SimSd_TakeStall(SimSdCard& sd) {
    uint32_t ms = sd.pending_stall_ms;
    sd.pending_stall_ms = 0;
    return ms;
}

uint16_t SimSd_ListNames(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    for (const std::string& name : list_names(hub->sd)) {
        write_bytes(data, name.data(), name.size());
        write_u8(data, 0);
    }
    return kSdOk;
}

uint16_t SimSd_Thumbnail(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    std::string name;
    if (!take_name(payload, n, &name)) return kSdBadRequest;
    std::vector<uint8_t> file;
    uint16_t rc = read_file(hub->sd, name, &file);
    if (rc != kSdOk) return rc;
    SimJpegFacts jpeg = SimJpeg_Inspect(file.data(), file.size());
    SimTiffFacts tiff = SimTiff_Inspect(file.data(), file.size());
    uint32_t orientation = jpeg.is_jpeg ? jpeg.orientation : tiff.orientation;
    size_t at = jpeg.is_jpeg ? jpeg.thumb_offset : tiff.thumb_offset;
    size_t len = jpeg.is_jpeg ? jpeg.thumb_len : tiff.thumb_len;
    write_u8(data, uint8_t(orientation));
    if (len > 0) {
        write_bytes(data, file.data() + at, len);
    } else {
        auto own = SimJpeg_SmallPicture();
        write_bytes(data, own->data(), own->size());
    }
    return kSdOk;
}

uint16_t SimSd_FileSize(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    std::string name;
    if (!take_name(payload, n, &name)) return kSdBadRequest;
    uint64_t size = 0;
    int fd = open_file(hub->sd, name, &size);
    if (fd < 0) return kSdNoFile;
    close(fd);
    write_u64(data, size);
    return kSdOk;
}

uint16_t SimSd_SetTime(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    ByteReader r = make_reader(payload, n);
    uint64_t now = read_u64(r);
    if (!r.ok) return kSdBadRequest;
    hub->sd.stats.clock = now;
    hub->sd.stats.clock_set = true;
    return kSdOk;
}

uint16_t SimSd_Info(SimHub* hub, const uint8_t*, size_t, ByteWriter& data) {
    struct statvfs fs;
    if (statvfs(hub->sd.dir.c_str(), &fs) != 0) return kSdIoError;
    write_u64(data, uint64_t(fs.f_bavail) * fs.f_frsize);
    write_u64(data, uint64_t(fs.f_blocks) * fs.f_frsize);
    return kSdOk;
}

uint16_t SimSd_FilePart(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    SimSdCard& sd = hub->sd;
    ByteReader r = make_reader(payload, n);
    uint32_t offset = read_u32(r);
    uint32_t length = read_u32(r);
    std::string name;
    if (!r.ok || !take_name(payload + r.pos, bytes_left(r), &name)) return kSdBadRequest;
    auto& history = sd.stats.file_requests;
    if (history.size() >= kRequestHistory) history.erase(history.begin());
    history.push_back(SimSdFileRequest{offset, length, name});

    SimSdPartFault fault = SimSdPart_None;
    if (sd.part_fault != SimSdPart_None) {
        if (sd.part_fault_skip > 0) {
            --sd.part_fault_skip;
        } else {
            fault = sd.part_fault;
            sd.part_fault = SimSdPart_None;
        }
    }
    if (fault == SimSdPart_Empty) return kSdOk;

    uint64_t size = 0;
    int fd = open_file(sd, name, &size);
    if (fd < 0) return kSdNoFile;
    if (offset > size) {
        close(fd);
        return kSdBadRequest;
    }
    uint64_t want = std::min<uint64_t>(length, size - offset);
    if (fault == SimSdPart_Half && want > 1) want /= 2;
    bool ok = read_at(fd, offset, size_t(want), &data.buf);
    close(fd);
    if (!ok) return kSdIoError;
    if (fault == SimSdPart_Longer) data.buf.resize(size_t(length) + 1, 0xEE);
    return kSdOk;
}

uint16_t SimSd_Extracted(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    std::string name;
    if (!take_name(payload, n, &name)) return kSdBadRequest;
    std::vector<uint8_t> file;
    uint16_t rc = read_file(hub->sd, name, &file);
    if (rc != kSdOk) return rc;
    if (SimJpeg_Inspect(file.data(), file.size()).is_jpeg) {
        data.buf.swap(file);
        return kSdOk;
    }
    SimTiffFacts tiff = SimTiff_Inspect(file.data(), file.size());
    if (tiff.preview_len == 0) return kSdIoError;
    write_bytes(data, file.data() + tiff.preview_offset, tiff.preview_len);
    return kSdOk;
}

uint16_t SimSd_Delete(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    std::string name;
    if (!take_name(payload, n, &name)) return kSdBadRequest;
    uint64_t size = 0;
    int fd = open_file(hub->sd, name, &size);
    if (fd < 0) return kSdNoFile;
    close(fd);
    return unlink(path_of(hub->sd, name).c_str()) == 0 ? kSdOk : kSdIoError;
}

uint16_t SimSd_SaveObject(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    if (n != kObjectRecordSize) return kSdBadRequest;
    ByteReader r = make_reader(payload, n);
    uint32_t handle = read_u32(r);
    const SimObject* o = SimStorage_Find(hub->camera, handle);
    if (!o || !o->bytes) return kSdNoFile;
    if (!SimSd_NameIsSafe(o->name)) return kSdBadRequest;
    bool ok = write_file(path_of(hub->sd, o->name), o->bytes->data(), o->bytes->size());
    return ok ? kSdOk : kSdIoError;
}

uint16_t SimSd_Exists(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter& data) {
    std::string name;
    if (!take_name(payload, n, &name)) return kSdBadRequest;
    uint64_t size = 0;
    int fd = open_file(hub->sd, name, &size);
    if (fd >= 0) close(fd);
    write_u8(data, fd >= 0 ? 1 : 0);
    return kSdOk;
}

uint16_t SimSd_Format(SimHub* hub, const uint8_t*, size_t, ByteWriter&) {
    SimSdCard& sd = hub->sd;
    ++sd.stats.formats;
    sd.pending_stall_ms = sd.format_delay_ms;
    if (sd.format_result != kSdOk) return sd.format_result;
    return empty_dir(sd.dir) ? kSdOk : kSdIoError;
}

uint16_t SimSd_TransferFlag(SimHub* hub, const uint8_t* payload, size_t n, ByteWriter&) {
    hub->sd.stats.transfer_flag.assign(payload, payload + n);
    return kSdOk;
}

std::string SimHub_SdCardDir(const SimHub* hub) {
    if (!hub) return std::string();
    std::lock_guard<std::mutex> guard(hub->lock);
    return hub->sd.dir;
}

void SimHub_SetSdFormat(SimHub* hub, uint32_t delay_millis, uint16_t result) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->sd.format_delay_ms = delay_millis;
    hub->sd.format_result = result;
}

void SimHub_SetSdPartFault(SimHub* hub, SimSdPartFault fault, uint32_t skip) {
    if (!hub) return;
    std::lock_guard<std::mutex> guard(hub->lock);
    hub->sd.part_fault = fault;
    hub->sd.part_fault_skip = skip;
}

SimSdStats SimHub_SdStats(const SimHub* hub) {
    if (!hub) return SimSdStats{};
    std::lock_guard<std::mutex> guard(hub->lock);
    return hub->sd.stats;
}
