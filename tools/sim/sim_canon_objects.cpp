// The Canon camera's own object operations: its storage list, folder listings,
// object info, thumbnails and partial reads. The card is flat: the root folder
// holds every object and there are no sub-folders.
//
// Folder listing (0x9109, and 0x9170 with three parameters): u32 number of
// records, then per object: u32 record size, +4 handle, +8 storage, +12 u32
// format, +16 u32 parent (0: the root), +20 u32 0, +24 u32 size in bytes, +28
// u32 capture time (seconds since 1970, UTC), +32 u32 0, +36 the file name and
// a NUL, padded with zeros to a multiple of four bytes.
//
// Thumbnail (0x910A): a small JPEG file with EXIF: SOI, then an APP1 segment
// whose TIFF block has IFD0 with the Orientation tag and IFD1 pointing at the
// thumbnail, a baseline JPEG that starts FF D8 FF DB and ends the data.
#include "sim_canon.h"

#include "sim_jpeg.h"
#include "sim_storage.h"

namespace {

constexpr uint32_t kAllStorages = 0xFFFFFFFF;
constexpr uint32_t kRootFolder = 0xFFFFFFFF;
constexpr uint32_t kRootParent = 0;

// 2026-12-07 10:15:00 UTC, the capture date every object reports.
constexpr uint32_t kCaptureTime = 1796638500;

// The JPEG and TIFF pieces of a thumbnail file.
constexpr uint8_t kMarker = 0xFF;
constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kApp1 = 0xE1;
constexpr uint8_t kFirstApp = 0xE0, kLastApp = 0xEF;
constexpr uint8_t kDqt = 0xDB, kDht = 0xC4;
constexpr uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint16_t kTiffMagic = 42;
constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagThumbOffset = 0x0201;
constexpr uint16_t kTagThumbLength = 0x0202;
constexpr uint16_t kTiffShort = 3, kTiffLong = 4;
constexpr uint32_t kIfd0At = 8;
constexpr uint32_t kIfd1At = kIfd0At + 2 + 12 + 4;
constexpr uint32_t kThumbAt = kIfd1At + 2 + 2 * 12 + 4;
constexpr size_t kMaxSegment = 0xFFFF;
constexpr uint32_t kTopLeft = 1; // orientation of a picture without one

// Objects of a 0x9109 or 0x9170 listing: the root of the card holds them all.
uint16_t list_root(const SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    uint32_t storage = cmd.params[0], parent = cmd.params[1];
    if (storage != kStorageIdCard1 && storage != kAllStorages) return kPtpRespInvalidStorageId;
    if (parent != kRootFolder) return kPtpRespInvalidParentObject;
    ByteWriter w;
    write_u32(w, uint32_t(cam.objects.size()));
    for (const SimObject& o : cam.objects) {
        size_t at = w.buf.size();
        write_u32(w, 0);
        write_u32(w, o.handle);
        write_u32(w, kStorageIdCard1);
        write_u32(w, o.format);
        write_u32(w, kRootParent);
        write_u32(w, 0);
        write_u32(w, uint32_t(o.bytes->size()));
        write_u32(w, kCaptureTime);
        write_u32(w, 0);
        write_bytes(w, o.name.c_str(), o.name.size() + 1);
        while ((w.buf.size() - at) % 4 != 0)
            write_u8(w, 0);
        put_u32(&w.buf[at], uint32_t(w.buf.size() - at));
    }
    SimCamera_AnswerData(answer, std::move(w.buf));
    return kPtpRespOk;
}

// A JPEG without the APPn segments after its SOI, so it begins with its
// tables; empty when the data is not such a JPEG.
std::vector<uint8_t> bare_jpeg(const uint8_t* data, size_t len) {
    ByteReader r = make_reader(data, len);
    if (read_u8(r) != kMarker || read_u8(r) != kSoi) return {};
    for (;;) {
        ByteReader probe = r;
        uint8_t marker = read_u8(probe);
        uint8_t kind = read_u8(probe);
        if (!probe.ok || marker != kMarker) return {};
        if (kind < kFirstApp || kind > kLastApp) {
            if (kind != kDqt && kind != kDht) return {};
            break;
        }
        uint16_t seg = read_u16_be(probe); // itself included
        if (!probe.ok || seg < 2 || !skip(probe, seg - 2u)) return {};
        r = probe;
    }
    std::vector<uint8_t> out = {kMarker, kSoi};
    out.insert(out.end(), r.p + r.pos, r.p + r.len);
    return out;
}

std::vector<uint8_t> thumbnail_jpeg(const SimObject& o) {
    std::vector<uint8_t> jpeg;
    if (o.thumb.owner) jpeg = bare_jpeg(o.thumb.owner->data() + o.thumb.offset, o.thumb.len);
    if (jpeg.empty()) {
        auto small = SimJpeg_SmallPicture();
        jpeg = bare_jpeg(small->data(), small->size());
    }
    return jpeg;
}

void write_ifd_entry(ByteWriter& w, uint16_t tag, uint16_t type, uint32_t value) {
    write_u16(w, tag);
    write_u16(w, type);
    write_u32(w, 1);
    write_u32(w, value); // a SHORT's value in the first two bytes, little-endian
}

std::vector<uint8_t> thumbnail_file(const SimObject& o) {
    std::vector<uint8_t> jpeg = thumbnail_jpeg(o);
    if (jpeg.size() > kMaxSegment - kThumbAt - 16) {
        auto small = SimJpeg_SmallPicture();
        jpeg = bare_jpeg(small->data(), small->size());
    }
    uint32_t pad = 0;
    size_t segment = 2 + sizeof kExifHeader + kThumbAt + jpeg.size();
    // The segment length is the only field before the Orientation tag; a host
    // that looks for the tag's bytes must not find them there first.
    if ((segment >> 8) == (kTagOrientation & 0xFF) && (segment & 0xFF) == (kTagOrientation >> 8))
        pad = 1;
    segment += pad;

    ByteWriter w;
    write_u8(w, kMarker);
    write_u8(w, kSoi);
    write_u8(w, kMarker);
    write_u8(w, kApp1);
    write_u8(w, uint8_t(segment >> 8));
    write_u8(w, uint8_t(segment));
    write_bytes(w, kExifHeader, sizeof kExifHeader);
    write_u8(w, 'I');
    write_u8(w, 'I');
    write_u16(w, kTiffMagic);
    write_u32(w, kIfd0At);
    write_u16(w, 1);
    write_ifd_entry(w, kTagOrientation, kTiffShort, o.orientation ? o.orientation : kTopLeft);
    write_u32(w, kIfd1At);
    write_u16(w, 2);
    write_ifd_entry(w, kTagThumbOffset, kTiffLong, kThumbAt + pad);
    write_ifd_entry(w, kTagThumbLength, kTiffLong, uint32_t(jpeg.size()));
    write_u32(w, 0);
    for (uint32_t k = 0; k < pad; ++k)
        write_u8(w, 0);
    write_bytes(w, jpeg.data(), jpeg.size());
    return std::move(w.buf);
}

} // namespace

// u32 count, three words of no use to the host, then the IDs from byte 16.
void SimCanon_GetStorageIds(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    ByteWriter w;
    write_u32(w, 1);
    for (int k = 0; k < 3; ++k)
        write_u32(w, 0);
    write_u32(w, kStorageIdCard1);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

// Parameters: storage (or 0xFFFFFFFF), parent folder (0xFFFFFFFF: the root),
// and a size the host can take, which the sim never reaches.
void SimCanon_ListObjects(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    answer->code = list_root(cam, cmd, answer);
}

// 0x9170 is a listing when it comes with a folder, and the object info of a
// handle (ObjectInfo with a word after ThumbCompressedSize) otherwise.
void SimCanon_ListOrDescribe(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    if (cmd.param_count >= 2) {
        answer->code = list_root(cam, cmd, answer);
        return;
    }
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    SimCamera_AnswerData(answer, SimStorage_ObjectInfoData(*o, true));
}

// Parameters: handle, most bytes wanted (0: no limit).
void SimCanon_GetThumbnail(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    std::vector<uint8_t> file = thumbnail_file(*o);
    if (cmd.params[1] != 0 && file.size() > cmd.params[1]) file.resize(cmd.params[1]);
    SimCamera_AnswerData(answer, std::move(file));
}

// Parameters: handle, offset, most bytes wanted, and the offset's upper 32 bits
// (which no object on the card needs).
void SimCanon_GetPartialObject(SimCameraState& cam, const SimPtpCommand& cmd,
                               SimPtpAnswer* answer) {
    if (cmd.params[3] != 0 && SimStorage_Find(cam, cmd.params[0])) {
        answer->code = kPtpRespInvalidParameter;
        return;
    }
    SimStorage_GetPartialObject(cam, cmd, answer);
}
