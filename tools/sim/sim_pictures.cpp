// Loading the card's pictures from a directory when the hub starts.
#include "sim_pictures.h"

#include "sim_jpeg.h"

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
// left out.
constexpr size_t kMaxPictures = 256;
constexpr long kMaxPictureBytes = 64L << 20;

bool has_jpg_suffix(const char* name) {
    size_t n = std::strlen(name);
    return n > 4 && strcasecmp(name + n - 4, ".jpg") == 0;
}

bool read_file(const std::string& path, std::vector<uint8_t>* out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size > 0 && size <= kMaxPictureBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        out->resize(size_t(size));
        ok = std::fread(out->data(), 1, out->size(), f) == out->size();
    }
    std::fclose(f);
    return ok;
}

std::vector<std::string> jpg_names(const char* dir) {
    std::vector<std::string> names;
    DIR* d = opendir(dir);
    if (!d) return names;
    while (dirent* e = readdir(d)) {
        if (!has_jpg_suffix(e->d_name)) continue;
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

} // namespace

const char* SimPictures_DefaultDir() { return kDefaultDir; }

std::vector<SimPicture> SimPictures_Load(const char* dir) {
    std::vector<SimPicture> pictures;
    if (dir && *dir) {
        for (const std::string& name : jpg_names(dir)) {
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
