#include "generic/property_store.h"

#include <cstdlib>
#include <mutex>

namespace {

struct PropertyStore {
    // Records are handed out by pointer and never move. Each record has its own
    // lock; `guard` covers the count and slot creation.
    std::mutex guard;
    PtpPropertyRecord records[kPropertyStoreCapacity] = {};
    bool lockReady[kPropertyStoreCapacity] = {};  // a slot's lock is initialised once
    uint16_t count = 0;                           // guarded by guard
};

PropertyStore g_store;

}  // namespace

#if defined(__x86_64__) && defined(__linux__)
static_assert(sizeof(PtpPropertyRecord) == 152, "PtpPropertyRecord layout");
#endif

void PtpClearPropertyStore() {
    std::lock_guard<std::mutex> held(g_store.guard);
    for (uint16_t i = 0; i < kPropertyStoreCapacity; ++i) {
        PtpPropertyRecord& record = g_store.records[i];
        bool lockable = g_store.lockReady[i];
        if (lockable) pthread_mutex_lock(&record.lock);
        record.code = 0;
        std::free(record.values);
        record.values = nullptr;
        record.valueCount = 0;
        if (lockable) pthread_mutex_unlock(&record.lock);
    }
    g_store.count = 0;
}

PtpPropertyRecord* PtpGenericInterface_GetProperty(uint32_t code, uint8_t lock) {
    PtpPropertyRecord* found = nullptr;
    {
        std::lock_guard<std::mutex> held(g_store.guard);
        for (uint16_t i = 0; i < g_store.count && !found; ++i)
            if (g_store.records[i].code == code) found = &g_store.records[i];
    }
    if (found && lock) pthread_mutex_lock(&found->lock);
    return found;
}

bool PtpGenericInterface_IsPropertySupported(uint32_t code) {
    return PtpGenericInterface_GetProperty(code, 0) != nullptr;
}
