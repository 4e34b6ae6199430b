// The camera's compound image format, read into the library's packed code.
#include "comms/bytes.h"
#include "eos/eos_session.h"

namespace {

// Offsets in a format's block, after its block size.
constexpr size_t kKindInBlock = 4;
constexpr size_t kSizeInBlock = 8;
constexpr size_t kQualityInBlock = 12;

size_t block_at(uint32_t index) { return PtpEos_CompoundSize(index); }

} // namespace

uint32_t PtpEos_PackImageFormatCompound(const uint8_t* p, size_t len) {
    PtpEosImageFormat f{};
    f.count = peek_u32(p, len, 0);
    const size_t first = block_at(0);
    f.firstKind = peek_u32(p, len, first + kKindInBlock);
    f.firstSize = peek_u32(p, len, first + kSizeInBlock);
    f.firstQuality = peek_u32(p, len, first + kQualityInBlock);
    if (f.count >= 2) {
        const size_t second = block_at(1);
        f.secondKind = peek_u32(p, len, second + kKindInBlock);
        f.secondSize = peek_u32(p, len, second + kSizeInBlock);
        f.secondQuality = peek_u32(p, len, second + kQualityInBlock);
    }
    return PtpEos_PackImageFormat(f);
}
