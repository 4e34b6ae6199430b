// The sharing table and the exports that switch image, thumbnail and live-view
// sharing. The relay link's default send consults the table through the
// lookup installed here at the first registration.
#include "relay/sharing.h"

#include <mutex>
#include <new>
#include <system_error>
#include <vector>

#include "generic/driver.h"
#include "generic/session.h"
#include "ptp/shared_transaction.h"
#include "ptp/transaction.h"
#include "ptp_relay.h"

namespace {

struct ShareEntry {
    uint32_t op = 0;
    PtpShareDescriptor descriptor;
    std::vector<uint8_t> record; // recordLength bytes, or empty
};

struct SharingTable {
    std::mutex lock;
    ShareEntry entries[kMaxShareEntries]; // guarded by lock; in registration order
    int count = 0;                        // guarded by lock
};

SharingTable g_table;

// The table lock, or an unlocked guard when the lock call fails.
std::unique_lock<std::mutex> take_table() {
    std::unique_lock<std::mutex> held(g_table.lock, std::defer_lock);
    try {
        held.lock();
    } catch (const std::system_error&) {
    }
    return held;
}

int find_locked(uint32_t op) {
    for (int i = 0; i < g_table.count; ++i)
        if (g_table.entries[i].op == op) return i;
    return -1;
}

// The descriptors of the Part's three uses; a record is an object record.
PtpShareDescriptor object_descriptor() {
    return {PTP_OBJECT_INFO_SIZE + 10, kShareModeOthersAndMe, kShareKindWholeObject,
            PTP_OBJECT_INFO_SIZE};
}
constexpr PtpShareDescriptor kLiveViewDescriptor = {10, kShareModeOthersAndMe, kShareKindNone, 0};

bool set_object_sharing(int8_t enable, const PtpObjectInfo* record, uint32_t op) {
    if (enable != 1) return PtpRelay_UnregisterShare(op);
    return PtpRelay_RegisterShare(op, object_descriptor(),
                                  reinterpret_cast<const uint8_t*>(record));
}

} // namespace

bool PtpRelay_RegisterShare(uint32_t op, const PtpShareDescriptor& descriptor,
                            const uint8_t* record) {
    // A descriptor announcing record bytes that are not there would make the
    // default send announce bytes it never sends, and the hub lose the framing.
    if (descriptor.recordLength && !record) return false;
    std::vector<uint8_t> copy;
    try {
        if (record) copy.assign(record, record + descriptor.recordLength);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::unique_lock<std::mutex> held = take_table();
    if (!held.owns_lock()) return false;
    int at = find_locked(op);
    if (at < 0) {
        if (g_table.count == kMaxShareEntries) return false;
        at = g_table.count++;
    }
    ShareEntry& e = g_table.entries[at];
    e.op = op;
    e.descriptor = descriptor;
    e.record.swap(copy);
    Comms_SetShareLookup(PtpRelay_FindShare);
    return true;
}

bool PtpRelay_UnregisterShare(uint32_t op) {
    std::unique_lock<std::mutex> held = take_table();
    if (!held.owns_lock()) return false;
    const int at = find_locked(op);
    if (at < 0) return false;
    for (int i = at; i + 1 < g_table.count; ++i)
        g_table.entries[i] = std::move(g_table.entries[i + 1]);
    g_table.entries[--g_table.count] = ShareEntry{};
    return true;
}

bool PtpRelay_FindShare(uint16_t op, CommsShareEntry* out) {
    std::unique_lock<std::mutex> held = take_table();
    if (!held.owns_lock()) return false;
    const int at = find_locked(op);
    if (at < 0) return false;
    const ShareEntry& e = g_table.entries[at];
    out->mode = e.descriptor.mode;
    out->kind = e.descriptor.kind;
    out->record = e.record;
    return true;
}

bool PtpRelayInterface_SetImageSharing(int8_t enable, const PtpObjectInfo* record) {
    return set_object_sharing(enable, record, kPtpOpGetObject);
}

bool PtpRelayInterface_SetThumbnailSharing(int8_t enable, const PtpObjectInfo* record,
                                           uint32_t operationCode) {
    return set_object_sharing(enable, record, operationCode);
}

bool PtpRelayInterface_SetLiveViewSharing(int8_t enable, uint32_t operationCode) {
    if (enable != 1) return PtpRelay_UnregisterShare(operationCode);
    return PtpRelay_RegisterShare(operationCode, kLiveViewDescriptor, nullptr);
}

bool Comms_SetLiveViewSharing(int8_t enable) {
    const PtpDriverLiveView& d = PtpSession_Driver()->liveView;
    uint16_t op = d.frameOperation;
    if (d.preferredFrameOperation && PtpIsOperationSupported(d.preferredFrameOperation))
        op = d.preferredFrameOperation;
    if (!op) return false;
    return PtpRelayInterface_SetLiveViewSharing(enable, op);
}
