// Which object format a file name or format code stands for.
#include <cstring>

#include "generic/objects.h"

namespace {

struct ExtensionFormat {
    const char* extension;
    uint16_t format;
};

// Searched in this order; the first extension found anywhere in the name wins,
// so "IMG_0001.CR2.jpg" is a JPEG.
const ExtensionFormat kExtensionFormats[] = {
    {".JPG", kPtpFormatExifJpeg}, {".CR2", kPtpFormatCr2}, {".CR3", kPtpFormatCr3},
    {".NEF", kPtpFormatNef},      {".ARW", kPtpFormatArw}, {".RAF", kPtpFormatRaf},
    {".TIF", kPtpFormatTiff},     {".MOV", kPtpFormatMov},
};

const char* const kRawExtensions[] = {".CR2", ".CR3", ".NEF", ".ARW", ".RAF"};

char ascii_upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool same_ascii(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (ascii_upper(a[i]) != ascii_upper(b[i])) return false;
    return true;
}

// ASCII case-insensitive substring test.
bool contains(const char* text, const char* part) {
    if (!text) return false;
    size_t n = std::strlen(text), m = std::strlen(part);
    for (size_t i = 0; m <= n && i <= n - m; ++i)
        if (same_ascii(text + i, part, m)) return true;
    return false;
}

bool ends_with(const char* text, const char* part) {
    size_t n = std::strlen(text), m = std::strlen(part);
    return n >= m && same_ascii(text + n - m, part, m);
}

} // namespace

uint16_t PtpGenericInterface_FormatForFileName(const char* name) {
    for (const ExtensionFormat& e : kExtensionFormats)
        if (contains(name, e.extension)) return e.format;
    return 0;
}

bool PtpGenericInterface_IsJpgFileName(const char* name) {
    return contains(name, ".jpg") || contains(name, ".jpeg");
}

// Judged by the end of the name only: "IMG_0001.CR2.jpg" is not a raw file,
// while "IMG_0001.NEF.NEF" is.
bool PtpGenericInterface_IsRawFileName(const char* name) {
    if (!name) return false;
    for (const char* extension : kRawExtensions)
        if (ends_with(name, extension)) return true;
    return false;
}

bool PtpGenericInterface_IsVideoFileName(const char* name) { return contains(name, ".mov"); }

bool PtpGenericInterface_IsJpgFormat(uint16_t format) {
    return format == kPtpFormatExifJpeg || format == kPtpFormatTiff;
}

bool PtpGenericInterface_IsRawFormat(uint16_t format) {
    switch (format) {
    case kPtpFormatArw:
    case kPtpFormatCr2:
    case kPtpFormatCr3:
    case kPtpFormatRaf:
    case kPtpFormatNef:
    case kPtpFormatUndefinedImage: return true;
    default: return false;
    }
}

bool PtpGenericInterface_IsMovieFormat(uint16_t format) {
    switch (format) {
    case kPtpFormatMov:
    case 0xB104: // the vendors' own movie formats
    case 0xB105:
    case 0xB982: return true;
    default: return false;
    }
}
