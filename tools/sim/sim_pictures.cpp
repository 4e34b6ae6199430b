// Loading the card's pictures, and the RAW file a camera's shots copy, from a
// directory when the hub starts.
#include "sim_pictures.h"

#include "sim_jpeg.h"

#include "comms/bytes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

#if defined(PTP_SIM_PICTURES_DIR)
constexpr const char* kDefaultDir = PTP_SIM_PICTURES_DIR;
#elif defined(PTP_SAMPLES_DIR)
constexpr const char* kDefaultDir = PTP_SAMPLES_DIR;
#else
constexpr const char* kDefaultDir = nullptr;
#endif

// A directory of sample pictures, not a photo library: past these the rest is
// left out. A picture is held in memory and its size must fit the 32-bit
// object size; 1 GiB covers any camera's JPEG and most RAW files.
constexpr size_t kMaxPictures = 256;
constexpr long kMaxPictureBytes = 1L << 30;

bool has_suffix(const char* name, const char* suffix) {
    size_t n = std::strlen(name), k = std::strlen(suffix);
    return n > k && strcasecmp(name + n - k, suffix) == 0;
}

bool read_file(const std::string& path, std::vector<uint8_t>* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    if (ok && size > kMaxPictureBytes)
        std::fprintf(stderr, "tetherhub-sim: %s left out: %ld bytes, above the %ld MiB limit\n",
                     path.c_str(), size, kMaxPictureBytes >> 20);
    ok = ok && size > 0 && size <= kMaxPictureBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out->resize(size_t(size));
        ok = std::fread(out->data(), 1, out->size(), f) == out->size();
    }
    std::fclose(f);
    return ok;
}

// The regular files of a directory whose names end with the suffix (any case),
// in name order.
std::vector<std::string> names_with_suffix(const char* dir, const char* suffix) {
    std::vector<std::string> names;
    DIR* d = opendir(dir);
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        if (!has_suffix(e->d_name, suffix)) continue;
        std::string path = std::string(dir) + "/" + e->d_name;
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    if (names.size() > kMaxPictures) names.resize(kMaxPictures);
    return names;
}

// What stands in for a RAW file when no sample is at hand: for CR3 an ISO
// base media file (an ftyp box of brand "crx ", then an mdat box holding the
// sim's small JPEG), for the others a TIFF header with Canon's "CR" marker and
// an empty IFD.
std::vector<uint8_t> stand_in_raw(const char* extension) {
    ByteWriter w;
    if (strcasecmp(extension, ".cr3") == 0) {
        const uint8_t ftyp[] = {0, 0, 0, 24, 'f', 't', 'y', 'p', 'c', 'r', 'x', ' ',
                                0, 0, 0, 1,  'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'};
        write_bytes(w, ftyp, sizeof ftyp);
        // A box size of 0: the box runs to the end of the file.
        const uint8_t mdat[] = {0, 0, 0, 0, 'm', 'd', 'a', 't'};
        write_bytes(w, mdat, sizeof mdat);
        auto jpeg = SimJpeg_SmallPicture();
        write_bytes(w, jpeg->data(), jpeg->size());
    } else {
        const uint8_t tiff[] = {'I', 'I', 42, 0, 16, 0, 0, 0, 'C', 'R', 2,
                                0,   0,   0,  0, 0,  0, 0, 0, 0,   0,   0};
        write_bytes(w, tiff, sizeof tiff);
    }
    return std::move(w.buf);
}

std::shared_ptr<const std::vector<uint8_t>> first_with_suffix(const char* dir, const char* suffix) {
    if (!dir || !*dir) return nullptr;
    for (const std::string& name : names_with_suffix(dir, suffix)) {
        std::vector<uint8_t> bytes;
        if (read_file(std::string(dir) + "/" + name, &bytes))
            return std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    }
    return nullptr;
}

} // namespace

const char* SimPictures_DefaultDir() { return kDefaultDir; }

std::shared_ptr<const std::vector<uint8_t>> SimPictures_LoadRaw(const char* dir,
                                                                const char* extension) {
    auto raw = first_with_suffix(dir, extension);
    if (!raw) raw = first_with_suffix(kDefaultDir, extension);
    if (!raw) raw = std::make_shared<const std::vector<uint8_t>>(stand_in_raw(extension));
    return raw;
}

std::vector<SimPicture> SimPictures_Load(const char* dir) {
    std::vector<SimPicture> pictures;
    if (dir && *dir) {
        for (const std::string& name : names_with_suffix(dir, ".jpg")) {
            SimPicture p;
            p.source = std::string(dir) + "/" + name;
            std::vector<uint8_t> bytes;
            if (!read_file(p.source, &bytes)) continue;
            p.bytes = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
            pictures.push_back(std::move(p));
        }
    }
    if (pictures.empty()) {
        SimPicture p;
        p.bytes = SimJpeg_SmallPicture();
        pictures.push_back(std::move(p));
    }
    return pictures;
}
