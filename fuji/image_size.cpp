// The Fujifilm image-size table: the value of 0x5003 is a row index, the row's
// text is what the camera reports for that size. Sensors of different bodies
// share texts, so a text is looked up in the rows of the session's body.
#include <cstring>

#include "fuji/fuji_codes.h"
#include "fuji/fuji_formats.h"
#include "fuji/fuji_models.h"
#include "ptp_generic.h"

namespace {

using A = PtpFujiAspect;

// clang-format off
const PtpFujiImageSize kRows[kFujiImageSizeRows] = {
    {"2496x1664", 'S', A::R3x2},   {"2496x1408", 'S', A::R16x9},  {"1664x1664", 'S', A::R1x1},
    {"3456x2304", 'M', A::R3x2},   {"3456x1944", 'M', A::R16x9},  {"2304x2304", 'M', A::R1x1},
    {"4896x3264", 'L', A::R3x2},   {"4896x2760", 'L', A::R16x9},  {"3264x3264", 'L', A::R1x1},
    {"3008x2000", 'S', A::R3x2},   {"3008x1688", 'S', A::R16x9},  {"2000x2000", 'S', A::R1x1},
    {"4240x2832", 'M', A::R3x2},   {"4240x2384", 'M', A::R16x9},  {"2832x2832", 'M', A::R1x1},
    {"6000x4000", 'L', A::R3x2},   {"6000x3376", 'L', A::R16x9},  {"4000x4000", 'L', A::R1x1},
    {"4000x2664", 'S', A::R3x2},   {"4000x2248", 'S', A::R16x9},  {"2992x2992", 'S', A::R1x1},
    {"8256x5504", 'L', A::R3x2},   {"8256x4640", 'L', A::R16x9},  {"6192x6192", 'L', A::R1x1},
    {"4000x3000", 'S', A::R4x3},   {"4000x1480", 'S', A::R65x24}, {"3744x3000", 'S', A::R5x4},
    {"3504x3000", 'S', A::R7x6},   {"8256x6192", 'L', A::R4x3},   {"8256x3048", 'L', A::R65x24},
    {"7744x6192", 'L', A::R5x4},   {"7232x6192", 'L', A::R7x6},   {"3120x2080", 'S', A::R3x2},
    {"3120x1760", 'S', A::R16x9},  {"2080x2080", 'S', A::R1x1},   {"4416x2944", 'M', A::R3x2},
    {"4416x2488", 'M', A::R16x9},  {"2944x2944", 'M', A::R1x1},   {"6240x4160", 'L', A::R3x2},
    {"6240x3512", 'L', A::R16x9},  {"4160x4160", 'L', A::R1x1},   {"8256x5504", 'M', A::R3x2},
    {"8256x4640", 'M', A::R16x9},  {"6192x6192", 'M', A::R1x1},   {"8256x6192", 'M', A::R4x3},
    {"8256x3048", 'M', A::R65x24}, {"7744x6192", 'M', A::R5x4},   {"7232x6192", 'M', A::R7x6},
    {"11648x8736", 'L', A::R4x3},  {"11648x7768", 'L', A::R3x2},  {"11648x6552", 'L', A::R16x9},
    {"8736x8736", 'L', A::R1x1},   {"11648x4304", 'L', A::R65x24}, {"10928x8736", 'L', A::R5x4},
    {"10192x8736", 'L', A::R7x6},  {"3264x2592", 'S', A::R5x4},   {"3456x2592", 'S', A::R4x3},
    {"2592x2592", 'S', A::R1x1},   {"3888x2184", 'S', A::R16x9},  {"3888x2592", 'S', A::R3x2},
    {"4560x3648", 'M', A::R5x4},   {"4864x3648", 'M', A::R4x3},   {"3648x3648", 'M', A::R1x1},
    {"5472x3080", 'M', A::R16x9},  {"5472x3648", 'M', A::R3x2},   {"6432x5152", 'L', A::R5x4},
    {"6864x5152", 'L', A::R4x3},   {"5152x5152", 'L', A::R1x1},   {"7728x4344", 'L', A::R16x9},
    {"7728x5152", 'L', A::R3x2},
};
// clang-format on

// Which bodies may offer a row of a family list.
enum class Only : uint8_t { Any, Gfx50, LargeGfx, Wide65x24 };

struct FamilyEntry {
    uint8_t index;
    Only only = Only::Any;
};

constexpr Only G50 = Only::Gfx50;
constexpr Only GL = Only::LargeGfx;

// clang-format off
const FamilyEntry k3x2[] = {{0}, {9}, {3}, {12}, {15}, {6}, {18}, {21, G50}, {32}, {35}, {38},
                            {41, GL}, {49}, {59}, {64}, {69}};
const FamilyEntry k16x9[] = {{10}, {1}, {13}, {4}, {7}, {16}, {19}, {22, G50}, {33}, {36}, {39},
                             {42, GL}, {50}, {58}, {63}, {68}};
const FamilyEntry k1x1[] = {{2}, {11}, {5}, {14}, {8}, {17}, {20}, {23, G50}, {34}, {37}, {40},
                            {43, GL}, {51}, {57}, {62}, {67}};
const FamilyEntry k4x3[] = {{24}, {28, G50}, {44, GL}, {48}, {56}, {61}, {66}};
const FamilyEntry k65x24[] = {{25}, {29, G50}, {45, Only::Wide65x24}, {52}};
const FamilyEntry k5x4[] = {{26}, {30, G50}, {46, GL}, {53}, {55}, {60}, {65}};
const FamilyEntry k7x6[] = {{27}, {31, G50}, {47, GL}, {54}};
// clang-format on

struct Family {
    const FamilyEntry* entries;
    size_t count;
};

template <size_t N> constexpr Family family(const FamilyEntry (&e)[N]) { return {e, N}; }

// Indexed by PtpFujiAspect.
const Family kFamilies[] = {family(k3x2),   family(k16x9), family(k1x1), family(k4x3),
                            family(k65x24), family(k5x4),  family(k7x6)};

bool offered(Only only, uint8_t model) {
    switch (only) {
    case Only::Gfx50: return PtpFuji_Is50MpGfxModel(model);
    case Only::LargeGfx: return PtpFuji_IsLargeGfxModel(model);
    case Only::Wide65x24: return model == 23 || model == 33 || model == 37;
    default: return true;
    }
}

constexpr uint8_t kModelXT5 = 36; // its sizes are the rows from 55 on

} // namespace

const PtpFujiImageSize* PtpFuji_ImageSizeRow(uint32_t index) {
    return index < kFujiImageSizeRows ? &kRows[index] : nullptr;
}

uint16_t PtpFuji_ImageSizeIndex(const char* text) {
    if (!text) return kFujiNoImageSize;
    uint8_t model = PtpGenericInterface_CameraModel();
    int first = 0, last = 53, step = 1;
    if (PtpFuji_IsLargeGfxModel(model)) {
        // Backward, so a text shared with the 50-megapixel rows gives the
        // large body's row; 54 is the large bodies' own 7:6 size.
        first = 54, last = 0, step = -1;
    } else if (model == kModelXT5) {
        first = 55, last = 69;
    }
    for (int i = first;; i += step) {
        if (std::strcmp(kRows[i].text, text) == 0) return uint16_t(i);
        if (i == last) break;
    }
    return kFujiNoImageSize;
}

bool PtpFuji_TextValue(uint32_t code, const char* text, uint32_t* value) {
    if (code != kFujiPropImageSize) return false;
    *value = PtpFuji_ImageSizeIndex(text);
    return true;
}

size_t PtpFuji_ImageSizeFamily(PtpFujiAspect aspect, uint8_t model, uint16_t* out, size_t size) {
    const Family& f = kFamilies[size_t(aspect)];
    size_t n = 0;
    for (size_t i = 0; i < f.count && n < size; ++i)
        if (offered(f.entries[i].only, model)) out[n++] = f.entries[i].index;
    return n;
}
