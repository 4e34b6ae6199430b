// Canon object data: the folder listings (0x9109/0x9170 and 0x917A), the
// extra-attribute table, the whole recursive listing walk against a camera
// whose replies come from the input, the thumbnail cut and the CR3 preview
// finder. The first byte picks the target. Beyond the sanitizers it checks
// what callers rely on: names that end inside their field, a preview that lies
// inside the data and a cut that only shortens.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <vector>

#include "comms/bytes.h"
#include "eos/eos_objects.h"
#include "fuzz_support.h"
#include "generic/objects.h"
#include "generic/session.h"
#include "ptp/transaction.h"
#include "ptp_eos.h"

namespace {

void check_entries(const PtpEosObjectEntry* entries, size_t count) {
    for (size_t i = 0; i < count; ++i)
        fuzz_check(std::memchr(entries[i].fileName, '\0', sizeof entries[i].fileName) != nullptr,
                   "file name not terminated");
}

// A camera whose every data reply is the next chunk of the input (u16 length,
// then the bytes); once the input is used up it refuses every operation.
struct Replies {
    ByteReader input;
    std::deque<std::vector<uint8_t>> pending;
};
Replies g_replies;

std::vector<uint8_t> container(uint16_t type, uint16_t code, const uint8_t* p, size_t n) {
    ByteWriter w;
    write_u32(w, uint32_t(12 + n));
    write_u16(w, type);
    write_u16(w, code);
    write_u32(w, 0);
    write_bytes(w, p, n);
    return w.buf;
}

PtpResult fake_send(const uint8_t*, uint32_t) {
    uint16_t n = read_u16(g_replies.input);
    if (g_replies.input.ok && bytes_left(g_replies.input) >= n) {
        const uint8_t* chunk = g_replies.input.p + g_replies.input.pos;
        skip(g_replies.input, n);
        g_replies.pending.push_back(container(2, 0, chunk, n));
        g_replies.pending.push_back(container(3, PtpResult_Ok, nullptr, 0));
    } else {
        g_replies.pending.push_back(container(3, 0x2002, nullptr, 0));
    }
    return PtpResult_Ok;
}

PtpResult fake_receive(uint8_t** out) {
    *out = nullptr;
    if (g_replies.pending.empty()) return PtpResult_ConnectionLost;
    std::vector<uint8_t>& b = g_replies.pending.front();
    *out = static_cast<uint8_t*>(std::malloc(b.size()));
    if (!*out) return PtpResult_OutOfMemory;
    std::memcpy(*out, b.data(), b.size());
    g_replies.pending.pop_front();
    return PtpResult_Ok;
}

void walk(const uint8_t* data, size_t size, uint8_t options) {
    static const uint16_t kNamed[] = {0x9101, 0x917A, 0x9135};
    static const uint16_t kSized[] = {0x9101, 0x9170, 0x9109, 0x9135};
    PtpSession_SetVendor(PtpVendor_Canon);
    PtpTransaction_SetTransport(fake_send, fake_receive);
    PtpTransaction_SetLinkLock(nullptr);
    if (options & 1)
        PtpTransaction_SetSupportedOperations(kNamed, 3);
    else
        PtpTransaction_SetSupportedOperations(kSized, 4);
    g_replies.input = make_reader(data, size);
    g_replies.pending.clear();
    PtpEosObjectEntry* entries = nullptr;
    uint32_t count = 0;
    PtpResult rc = PtpEosInterface_GetAllObjectsInfo(&entries, &count, (options & 2) != 0,
                                                     (options & 4) ? 0x300D : 0);
    fuzz_check(rc == PtpResult_Ok || (entries == nullptr && count == 0), "entries after a failure");
    fuzz_check((count == 0) == (entries == nullptr), "count and buffer disagree");
    check_entries(entries, count);
    std::free(entries);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 || size > UINT32_MAX) return 0;
    const uint8_t target = data[0] % 6;
    const uint8_t options = data[1];
    const uint8_t* body = data + 2;
    const uint32_t length = uint32_t(size - 2);
    // An exact-size copy: the target may change it in place, and a read past
    // its end is caught.
    std::vector<uint8_t> copy(body, body + length);

    switch (target) {
    case 0:
    case 1: {
        std::vector<PtpEosObjectEntry> out;
        uint16_t op = target == 0 ? 0x9109 : 0x917A;
        PtpResult rc =
            PtpEos_ParseFolderListing(op, copy.data(), length, options & 1 ? 0x300D : 0, &out);
        fuzz_check(rc == PtpResult_Ok || out.empty(), "entries after a refused listing");
        check_entries(out.data(), out.size());
        break;
    }
    case 2: {
        std::vector<PtpEosObjectEntry> entries(4);
        for (uint32_t i = 0; i < 4; ++i)
            entries[i].handle = peek_u32(body, length, 8 + 24 * i);
        PtpEos_ApplyExtraAttributes(copy.data(), length, entries.data(), entries.size());
        break;
    }
    case 3: walk(body, length, options); break;
    case 4: {
        uint32_t offset = 0, previewSize = 0;
        if (PtpGenericInterface_ExtractPreviewOffset(copy.data(), length, &offset, &previewSize,
                                                     kPtpFormatCr3))
            fuzz_check(uint64_t(offset) + previewSize <= length, "preview outside the data");
        else
            fuzz_check(offset == 0 && previewSize == 0, "outputs set on failure");
        break;
    }
    default: {
        uint32_t cut = length;
        uint8_t orientation = 0;
        PtpResult rc = PtpEosInterface_ExtractThumbnail(copy.data(), &cut,
                                                        options & 1 ? &orientation : nullptr);
        if (rc == PtpResult_Ok) {
            fuzz_check(cut > 4 && cut <= length, "cut longer than the data");
            fuzz_check(copy[0] == 0xFF && copy[1] == 0xD8, "cut does not start an image");
        } else {
            fuzz_check(cut == length, "length changed on failure");
        }
        break;
    }
    }
    return 0;
}
