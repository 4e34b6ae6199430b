// Fuzzes the conversion of GetObjectHandles and storage-ID replies into plain
// arrays. The first byte picks the reply (object handles, GetStorageIDs or
// Canon's 0x9101 storage IDs); the rest is the reply, handed over in a heap
// buffer as the transaction engine hands it. Beyond the sanitizers it checks
// that an array is only handed out when the data holds every entry, and that
// the entries are the reply's values in order.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "comms/bytes.h"
#include "fuzz_support.h"
#include "generic/objects.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size - 1 > UINT32_MAX) return 0;
    const uint8_t kind = data[0] % 3;
    const uint32_t length = uint32_t(size - 1);
    uint8_t* reply = nullptr;
    if (length) {
        reply = static_cast<uint8_t*>(std::malloc(length));
        if (!reply) return 0;
        std::memcpy(reply, data + 1, length);
    }

    uint32_t* values = reinterpret_cast<uint32_t*>(uintptr_t(1)); // must be overwritten
    uint32_t count = 0xDEAD;
    uint32_t first = 4;
    PtpResult rc;
    if (kind == 0) {
        rc = PtpTakeHandleArray(reply, length, &values, &count);
    } else {
        first = kind == 1 ? 4 : 16; // the standard and Canon's storage-ID replies
        rc = PtpTakeIdArray(reply, length, first, &values, &count);
    }

    fuzz_check(rc == PtpResult_Ok || rc == PtpResult_DataSetParseFailed, "unexpected result");
    fuzz_check((count == 0) == (values == nullptr), "count and array disagree");
    if (rc != PtpResult_Ok) fuzz_check(count == 0, "an array after a failure");
    if (values) {
        fuzz_check(uint64_t(first) + 4 * uint64_t(count) <= length, "more entries than the data");
        for (uint32_t i = 0; i < count; ++i)
            fuzz_check(values[i] == peek_u32(data + 1, length, first + 4 * size_t(i)),
                       "entry differs from the reply");
        std::free(values);
    }
    return 0;
}
