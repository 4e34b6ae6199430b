// Fuzzes the Canon event-data parser with a block as the Tetherhub hands it
// over. The first input byte picks the body (its model rules change how status
// records and allowed-value lists are read); a few properties are described
// first so that value records find records to apply to, as in a session. Beyond
// the sanitizers it checks what the host relies on afterwards: every record's
// labels end inside their fields and its list matches its count.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "comms/bytes.h"
#include "eos/eos_session.h"
#include "fuzz_support.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_events.h"

namespace {

// Bodies whose rules differ: none, the status groups, model 230's bracketing
// list, model 232's status layout, the viewfinder bodies.
const uint8_t kModels[] = {0, 227, 228, 229, 230, 232, 234, 245, 250, 252};

// Allowed values for a few properties, the image format among them.
std::vector<uint8_t> seed_block() {
    ByteWriter w;
    auto allowed = [&w](uint32_t code, std::initializer_list<uint32_t> values) {
        write_u32(w, uint32_t(20 + 4 * values.size()));
        write_u32(w, 0xC18A);
        write_u32(w, code);
        write_u32(w, 3);
        write_u16(w, uint16_t(values.size()));
        write_u16(w, 0);
        for (uint32_t v : values)
            write_u32(w, v);
    };
    allowed(0xD101, {0x28, 0x30, 0x38});
    allowed(0xD105, {0, 1, 2, 3, 4});
    allowed(0xD104, {0xF8, 0, 8});
    allowed(0xD115, {});
    allowed(0xD120, {});
    return w.buf;
}

void check_store() {
    for (uint16_t i = 0; i < PtpPropertyCount(); ++i) {
        PtpPropertyRecord* r = PtpPropertyAt(i);
        if (!r) break;
        PtpRecordHold hold(r);
        fuzz_check(std::memchr(r->currentLabel, '\0', sizeof r->currentLabel),
                   "current label unterminated");
        fuzz_check((r->values == nullptr) == (r->valueCount == 0), "list and count disagree");
        for (uint16_t v = 0; v < r->valueCount; ++v)
            fuzz_check(std::memchr(r->values[v].label, '\0', sizeof r->values[v].label),
                       "value label unterminated");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > UINT32_MAX) return 0;
    PtpSession_SetVendor(PtpVendor_Canon);
    PtpSession_SetModel(kModels[data[0] % sizeof kModels]);
    PtpClearPropertyStore();

    static const std::vector<uint8_t> seed = seed_block();
    PtpEos_ParseEventData(seed.data(), uint32_t(seed.size()));

    // The block in a buffer of its own size, so a read past it is reported.
    size_t length = size - 1;
    uint8_t* block = static_cast<uint8_t*>(std::malloc(length ? length : 1));
    if (length) std::memcpy(block, data + 1, length);
    PtpEos_ParseEventData(block, uint32_t(length));
    std::free(block);

    check_store();
    while (PopEventPtr()) {
    }
    return 0;
}
