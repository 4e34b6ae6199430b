// Names of stored full images under a custom prefix: "<prefix>_<name>" when
// the object's names are kept, else "<prefix>_<counter><extension>" with a
// counter that continues after the numbers already in the image directory.
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

#include "cache/cache_internal.h"

namespace {

// The number part of a counter name is read up to its first "." and at most
// this many characters.
constexpr size_t kCounterDigitsMax = 63;

// The decimal number at the start of text (up to the first "." or the end),
// as strtoul would read it; false when it does not start with a digit or does
// not fit a counter.
bool ParseCounter(const char* text, uint32_t* value) {
    uint64_t v = 0;
    size_t i = 0;
    for (; i < kCounterDigitsMax && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + uint64_t(text[i] - '0');
        if (v >= UINT32_MAX) return false;
    }
    if (i == 0) return false;
    *value = uint32_t(v);
    return true;
}

} // namespace

uint32_t PtpCache_ScanImageCounter(const char* directory, const char* prefix, uint32_t counter) {
    if (!directory || !directory[0] || !prefix || !prefix[0]) return counter;
    DIR* dir = opendir(directory);
    if (!dir) return counter;
    size_t prefixLength = strlen(prefix);
    while (struct dirent* item = readdir(dir)) {
        const char* name = item->d_name;
        if (strncmp(name, prefix, prefixLength) != 0 || !name[prefixLength]) continue;
        struct stat st;
        if (fstatat(dirfd(dir), name, &st, 0) != 0 || !S_ISREG(st.st_mode)) continue;
        uint32_t number = 0;
        // The character after the prefix is the separator, whatever it is.
        if (!ParseCounter(name + prefixLength + 1, &number)) continue;
        if (number + 1 > counter) counter = number + 1;
    }
    closedir(dir);
    return counter;
}

bool PtpCache_ImageFileName(char* out, size_t outSize, const char* storedName,
                            const char* originalName, const char* prefix, uint8_t keepNames,
                            uint32_t counter) {
    int n;
    if (!prefix || !prefix[0]) {
        n = snprintf(out, outSize, "%s", storedName);
    } else if (keepNames) {
        n = snprintf(out, outSize, "%s_%s", prefix, storedName);
    } else {
        const char* lastComponent = strrchr(originalName, '/');
        lastComponent = lastComponent ? lastComponent + 1 : originalName;
        const char* extension = strrchr(lastComponent, '.');
        n = snprintf(out, outSize, "%s_%u%s", prefix, unsigned(counter),
                     extension ? extension : "");
    }
    if (n < 0 || size_t(n) >= outSize) {
        if (outSize) out[0] = '\0';
        return false;
    }
    return true;
}
