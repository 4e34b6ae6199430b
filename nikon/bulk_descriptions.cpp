// The bulk property descriptions: the Tetherhub reads the descriptions of the
// tracked properties in one go (control 235) and returns them as one block of
// {u32 L, L bytes of DevicePropDesc} records.
#include <cstdlib>
#include <iterator>

#include "comms/bytes.h"
#include "comms/control_codes.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "nikon/nikon_codes.h"
#include "nikon/nikon_session.h"
#include "ptp_comms.h"
#include "ptp_focus.h"
#include "ptp_properties.h"

namespace {

// The properties the Tetherhub reads, in request order; 0x5003 is read apart.
constexpr uint32_t kTracked[] = {
    0x5001, 0x5004, 0x5005, 0x5007, 0x5008, 0xD161, 0x500A, 0x500B, 0x500C, 0x500E, 0x500F,
    0x5010, 0x5013, 0x5018, 0x501C, 0xD0F9, 0xD100, 0xD0FC, 0xD1F1, 0xD108, 0xD0C0, 0xD10B,
    0xD0C1, 0xD057, 0xD056, 0xD1A3, 0xD078, 0xD048, 0xD049, 0xD1A0, 0xD1A6, 0xD1F0, 0xD1A8,
    0xD1A9, 0xD1AA, 0xD1AB, 0xD1AF, 0xD1A1, 0xD1A2, 0xD1B4, 0xD061, 0xD20D, 0xD0B4, 0xD0B5,
    0xD0B6, 0xD054, 0xD16A, 0xD1F7, 0xD1B1, 0xD01E, 0xD0C2, 0xD032, 0xD1BD, 0xD1F8, 0xD1FA,
    0xD05D, 0xD120, 0xD121, 0xD122, 0xD124, 0xD125, 0xD126, 0xD0E2, 0xD0F6};
static_assert(std::size(kTracked) == 64, "the Tetherhub reads 64 descriptions");

// A record holds at least the code, the type and the access byte.
constexpr uint32_t kMinRecord = 5;

// Stores one record's description; false when it does not parse.
bool store_record(const uint8_t* desc, uint32_t length) {
    const uint16_t code = peek_u16(desc, length, 0);
    PtpPropertyRecord* record = PtpAddPropertyRecord(code, true, true);
    if (!record) return false;
    std::free(record->values);
    record->values = nullptr;
    record->valueCount = 0;
    bool parsed = PtpParsePropertyDescription(record, desc, length);
    PtpUnlockProperty(record);
    if (!parsed) PtpDiscardLastPropertyRecord(record);
    return parsed;
}

} // namespace

bool PtpNikon_IsTrackedProperty(uint32_t code) {
    if (code == kNikonPropImageSize) return true;
    for (uint32_t c : kTracked)
        if (c == code) return true;
    return false;
}

PtpResult PtpNikon_LoadPropertyDescriptions() {
    ByteWriter request;
    for (uint32_t code : kTracked)
        write_u32(request, code);
    uint8_t* block = nullptr;
    uint32_t length = 0;
    // The control exchange checks the reply's framing: its inner length must
    // lie within the message, so the block never runs past what arrived.
    PtpResult rc = Comms_SendControlMessage(kControlNikonPropertyDescriptions, request.buf.data(),
                                            uint32_t(request.buf.size()), &block, &length);
    if (rc != PtpResult_Ok) {
        std::free(block);
        return rc;
    }
    rc = PtpNikon_ParsePropertyDescriptionBlock(block, length);
    std::free(block);
    PtpSetupPropertyRoles();
    return rc;
}

PtpResult PtpNikon_ParsePropertyDescriptionBlock(const uint8_t* data, uint32_t length) {
    if (!data || length < 4) return PtpResult_InvalidArgument;
    PtpClearPropertyStore();
    ByteReader r = make_reader(data, length);
    uint32_t stored = 0;
    bool full = false;
    // A record is taken only when its length covers the fixed fields and lies
    // inside the block; any other length ends the walk, keeping what came before.
    while (bytes_left(r) >= 4 + kMinRecord) {
        const uint32_t size = read_u32(r);
        if (size < kMinRecord || size > bytes_left(r)) break;
        const uint8_t* desc = r.p + r.pos;
        if (PtpPropertyCount() >= kPropertyStoreCapacity) {
            full = true;
            break;
        }
        if (store_record(desc, size)) ++stored;
        skip(r, size);
    }
    if (stored == 0) return PtpResult_InvalidArgument;

    uint32_t focus = 0;
    if (PtpReadCurrentValue(kNikonPropLiveViewFocusMode, &focus) && focus == 0)
        PtpGenericInterface_SetPropertyValue(kNikonPropLiveViewFocusMode, 1, 0);

    if (PtpPropertyRecord* size = PtpAddPropertyRecord(kNikonPropImageSize, false, true)) {
        if (!PtpFetchPropertyDescription(size)) PtpDiscardLastPropertyRecord(size);
    }
    PtpNikon_ComposeImageFormat();
    PtpSession_SetManualFocus(PtpGenericInterface_IsFocusAuto() ? 0 : 1);
    return full ? PtpResult_OutOfMemory : PtpResult_Ok;
}
