// Canon EOS objects: object information, storage IDs and partial downloads
// through Canon's operations, the listing of every object with Canon's folder
// listings, and thumbnails cut to their JPEG.
//
// Listings come from the camera and are not trusted: every record must lie
// inside its reply, a folder already on the path being walked is not walked
// again, and the walk stops descending at a fixed depth.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "comms/bytes.h"
#include "eos/eos_models.h"
#include "eos/eos_objects.h"
#include "eos/eos_session.h"
#include "generic/objects.h"
#include "generic/session.h"
#include "ptp/transaction.h"

namespace {

constexpr uint32_t kRootParent = 0xFFFFFFFF;
constexpr uint32_t kAllStorages = 0xFFFFFFFF;
// The listing operations' third parameter: the most records one reply holds.
constexpr uint32_t kListingLimit = 0x200000;
// Which attribute table 0x9135 returns.
constexpr uint32_t kExtraAttributeKind = 3;
// The camera's "no attribute", passed to the host as 0.
constexpr uint32_t kNoAttribute = 0xFFFFFFFF;
// The largest thumbnail the camera is asked for.
constexpr uint32_t kThumbnailLimit = 102400;
// The 0x9170 ObjectInfo keeps 4 bytes more between ThumbCompressedSize and
// ThumbPixWidth.
constexpr PtpObjectInfoForm kObjectInfoExForm = {.thumbGap = 4};
// The 0x9101 reply keeps 12 bytes between its count and the IDs.
constexpr uint32_t kStorageIdsStart = 16;
// Downloads on mirrorless bodies come in parts of this size.
constexpr uint32_t kMirrorlessPartSize = 0x100000;
// The model whose GetObject is unreliable.
constexpr uint8_t kModelAlwaysInParts = 251;

constexpr uint32_t kFormatFolder = 0x3001;
constexpr uint32_t kFormatMov = 0x300D;
constexpr uint32_t kFormatCanonMovie1 = 0xB104;
constexpr uint32_t kFormatCanonMovie2 = 0xB105;
constexpr uint32_t kFormatCanonMovie3 = 0xB982;

// 0x9109 / 0x9170 records: u32 size (whole record), +4 handle, +8 storage,
// +12 format, +24 and +28 listing words, +36 the NUL-terminated name.
constexpr size_t kSizedNameAt = 36;
constexpr uint32_t kSizedMinRecord = 40; // the fixed fields and at least a NUL
// 0x917A records: +4 handle, +8 storage, +12 format, +44 a PTP string.
constexpr size_t kNamedStringAt = 44;
constexpr size_t kNamedMinRecord = kNamedStringAt + 1; // an empty string's count byte
// 0x9135 tables: u32 count, u32 stride, entries from 8 with the handle at +0
// and the attribute at +16.
constexpr uint32_t kExtraTableStart = 8;
constexpr uint32_t kExtraAttributeAt = 16;
constexpr uint32_t kExtraMinStride = 20;

// Folders below this depth are not walked: a camera whose folders contain
// each other under new handles would otherwise be listed without end.
constexpr int kMaxFolderDepth = 32;

constexpr size_t kNameChars = PTP_EOS_OBJECT_NAME_SIZE - 1;

// Start of a JPEG followed by a Huffman or quantisation table, and the EXIF
// Orientation tag (0x0112) as they appear in little-endian data.
constexpr uint32_t kSoiHuffman = 0xC4FFD8FF;
constexpr uint32_t kSoiQuantisation = 0xDBFFD8FF;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr size_t kOrientationValueAt = 8;
constexpr uint32_t kOrientationMinLength = 3;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

bool format_kept(uint32_t format, uint16_t filter) {
    if (filter == 0 || format == kFormatFolder) return true;
    if (filter == kFormatMov)
        return format == kFormatMov || format == kFormatCanonMovie1 ||
               format == kFormatCanonMovie2 || format == kFormatCanonMovie3;
    return format == filter;
}

// Copies the name at the reader's position up to its NUL, the end of the
// record (end) or the entry's capacity, whichever comes first.
void copy_name(ByteReader& r, size_t end, char* name) {
    size_t n = 0;
    while (r.pos < end && n < kNameChars) {
        uint8_t c = read_u8(r);
        if (c == 0) break;
        name[n++] = char(c);
    }
    name[n] = '\0';
}

PtpResult parse_sized(const uint8_t* data, uint32_t length, uint16_t filter,
                      std::vector<PtpEosObjectEntry>* out) {
    ByteReader r = make_reader(data, length);
    uint32_t count = read_u32(r);
    if (!r.ok) return PtpResult_BadReply;
    if (count > bytes_left(r) / kSizedMinRecord) return PtpResult_BadReply;
    std::vector<PtpEosObjectEntry> found;
    for (uint32_t i = 0; i < count; ++i) {
        size_t start = r.pos;
        uint32_t size = read_u32(r);
        if (!r.ok || size < kSizedMinRecord || size - 4 > bytes_left(r)) return PtpResult_BadReply;
        PtpEosObjectEntry e = {};
        e.handle = read_u32(r);
        e.storage = read_u32(r);
        e.format = read_u32(r);
        skip(r, 8);
        e.listingWord1 = read_u32(r);
        e.listingWord2 = read_u32(r);
        skip(r, kSizedNameAt - (r.pos - start));
        copy_name(r, start + size, e.fileName);
        // The next record starts size bytes after this one's start.
        if (!skip(r, size - (r.pos - start))) return PtpResult_BadReply;
        if (format_kept(e.format, filter)) found.push_back(e);
    }
    out->insert(out->end(), found.begin(), found.end());
    return PtpResult_Ok;
}

PtpResult parse_named(const uint8_t* data, uint32_t length, std::vector<PtpEosObjectEntry>* out) {
    ByteReader r = make_reader(data, length);
    uint32_t count = read_u32(r);
    if (!r.ok) return PtpResult_BadReply;
    if (count > bytes_left(r) / kNamedMinRecord) return PtpResult_BadReply;
    std::vector<PtpEosObjectEntry> found;
    for (uint32_t i = 0; i < count; ++i) {
        size_t start = r.pos;
        PtpEosObjectEntry e = {};
        skip(r, 4);
        e.handle = read_u32(r);
        e.storage = read_u32(r);
        e.format = read_u32(r);
        skip(r, kNamedStringAt - (r.pos - start));
        uint8_t units = read_u8(r);
        if (!r.ok || bytes_left(r) / 2 < units) return PtpResult_BadReply;
        size_t n = 0;
        bool ended = false;
        for (uint8_t u = 0; u < units; ++u) {
            uint16_t c = read_u16(r);
            if (c == 0) ended = true;
            if (!ended && n < kNameChars) e.fileName[n++] = char(c & 0xFF);
        }
        e.fileName[n] = '\0';
        found.push_back(e);
    }
    out->insert(out->end(), found.begin(), found.end());
    return PtpResult_Ok;
}

// Receives the data of one operation; nothing on failure.
PtpResult receive(uint16_t op, std::initializer_list<uint32_t> params, Buffer* data,
                  uint32_t* length) {
    uint8_t* raw = nullptr;
    PtpResult rc = PtpTransaction_RunDataIn(op, params, &raw, length);
    data->reset(raw);
    return rc;
}

PtpResult list_folder(uint32_t storage, uint32_t parent, uint16_t filter,
                      std::vector<PtpEosObjectEntry>* out) {
    Buffer data;
    uint32_t length = 0;
    uint16_t op;
    PtpResult rc;
    if (PtpIsOperationSupported(kEosOpListFolderNamed)) {
        op = kEosOpListFolderNamed;
        rc = receive(op, {storage, parent, kListingLimit}, &data, &length);
    } else {
        op = kEosOpGetObjectInfoEx;
        bool listed = PtpIsOperationSupported(op);
        rc = listed ? receive(op, {storage, parent, kListingLimit}, &data, &length)
                    : PtpResult(PtpResult_OperationNotSupported);
        if (!listed || rc != PtpResult_Ok) {
            op = kEosOpListFolder;
            rc = receive(op, {storage, parent, kListingLimit}, &data, &length);
        }
    }
    if (rc != PtpResult_Ok) return rc;
    if (!data || length == 0) return PtpResult_BadReply;
    return PtpEos_ParseFolderListing(op, data.get(), length, filter, out);
}

struct Walk {
    uint32_t storage;
    bool fetchExtra;
    uint16_t filter;
    std::vector<uint32_t> path; // the parents from the root to the folder being walked
};

bool on_path(const Walk& w, uint32_t handle) {
    for (uint32_t h : w.path)
        if (h == handle) return true;
    return false;
}

void fetch_extra(const Walk& w, uint32_t folder, std::vector<PtpEosObjectEntry>* entries) {
    Buffer data;
    uint32_t length = 0;
    PtpResult rc = receive(kEosOpGetExtraAttributes,
                           {w.storage, folder, kExtraAttributeKind, kListingLimit}, &data, &length);
    if (rc == PtpResult_Ok && length >= kExtraTableStart)
        PtpEos_ApplyExtraAttributes(data.get(), length, entries->data(), entries->size());
}

// Lists parent and, depth first, every folder in it. A failure anywhere fails
// the walk.
PtpResult walk_folder(Walk& w, uint32_t parent, std::vector<PtpEosObjectEntry>* out) {
    std::vector<PtpEosObjectEntry> entries;
    PtpResult rc = list_folder(w.storage, parent, w.filter, &entries);
    if (rc != PtpResult_Ok) return rc;
    w.path.push_back(parent);
    // Only the folder's own records are walked; the sub-walks' entries that are
    // appended below were walked by the recursion.
    size_t own = entries.size();
    for (size_t i = 0; i < own; ++i) {
        if (entries[i].format != kFormatFolder) continue;
        uint32_t folder = entries[i].handle;
        if (on_path(w, folder) || w.path.size() > size_t(kMaxFolderDepth)) continue;
        std::vector<PtpEosObjectEntry> inner;
        rc = walk_folder(w, folder, &inner);
        if (rc != PtpResult_Ok) {
            w.path.pop_back();
            return rc;
        }
        if (!inner.empty() && w.fetchExtra) fetch_extra(w, folder, &inner);
        entries.insert(entries.end(), inner.begin(), inner.end());
    }
    w.path.pop_back();
    out->insert(out->end(), entries.begin(), entries.end());
    return PtpResult_Ok;
}

PtpResult all_objects(PtpEosObjectEntry** entries, uint32_t* count, bool fetchExtra,
                      uint16_t filter) {
    uint32_t* rawIds = nullptr;
    uint32_t storages = 0;
    PtpResult rc = PtpGetStorageIds(&rawIds, &storages);
    std::unique_ptr<uint32_t, FreeDeleter> ids(rawIds);
    if (rc != PtpResult_Ok) return rc;

    std::vector<PtpEosObjectEntry> all;
    PtpResult firstFailure = PtpResult_Ok;
    bool anyListed = false;
    for (uint32_t s = 0; s < storages; ++s) {
        Walk w{ids.get()[s], fetchExtra, filter, {}};
        std::vector<PtpEosObjectEntry> found;
        rc = walk_folder(w, kRootParent, &found);
        if (rc != PtpResult_Ok) {
            // One card that cannot be listed does not hide the others.
            if (firstFailure == PtpResult_Ok) firstFailure = rc;
            continue;
        }
        anyListed = true;
        all.insert(all.end(), found.begin(), found.end());
    }
    // Every card failing is a failure, not an empty camera.
    if (storages > 0 && !anyListed) return firstFailure;
    if (all.empty()) return PtpResult_Ok;
    if (all.size() > UINT32_MAX / sizeof(PtpEosObjectEntry)) return PtpResult_OutOfMemory;
    void* copy = std::malloc(all.size() * sizeof(PtpEosObjectEntry));
    if (!copy) return PtpResult_OutOfMemory;
    std::memcpy(copy, all.data(), all.size() * sizeof(PtpEosObjectEntry));
    *entries = static_cast<PtpEosObjectEntry*>(copy);
    *count = uint32_t(all.size());
    return PtpResult_Ok;
}

} // namespace

PtpResult PtpEos_ParseFolderListing(uint16_t operation, const uint8_t* data, uint32_t length,
                                    uint16_t formatFilter, std::vector<PtpEosObjectEntry>* out) {
    if (!out) return PtpResult_InvalidArgument;
    if (!data || length == 0) return PtpResult_BadReply;
    if (operation == kEosOpListFolderNamed) return parse_named(data, length, out);
    return parse_sized(data, length, formatFilter, out);
}

bool PtpEos_ApplyExtraAttributes(const uint8_t* data, uint32_t length, PtpEosObjectEntry* entries,
                                 size_t count) {
    ByteReader r = make_reader(data, length);
    uint32_t rows = read_u32(r);
    uint32_t stride = read_u32(r);
    if (!r.ok || stride < kExtraMinStride) return false;
    if (uint64_t(rows) * stride > bytes_left(r)) return false;
    std::unordered_map<uint32_t, uint32_t> attributes;
    for (uint32_t i = 0; i < rows; ++i) {
        size_t row = kExtraTableStart + size_t(i) * stride;
        uint32_t handle = peek_u32(data, length, row);
        uint32_t attribute = peek_u32(data, length, row + kExtraAttributeAt);
        attributes.emplace(handle, attribute == kNoAttribute ? 0 : attribute); // first row wins
    }
    for (size_t i = 0; i < count && entries; ++i) {
        auto hit = attributes.find(entries[i].handle);
        if (hit != attributes.end()) entries[i].extra = hit->second;
    }
    return true;
}

PtpResult PtpEosInterface_GetAllObjectsInfo(PtpEosObjectEntry** entries, uint32_t* count,
                                            bool fetchExtra, uint16_t formatFilter) {
    if (!entries || !count) return PtpResult_InvalidArgument;
    *entries = nullptr;
    *count = 0;
    try {
        return all_objects(entries, count, fetchExtra, formatFilter);
    } catch (const std::bad_alloc&) {
        return PtpResult_OutOfMemory;
    }
}

// --- Thumbnails -------------------------------------------------------------------------

PtpResult PtpEosInterface_ExtractThumbnail(uint8_t* data, uint32_t* length, uint8_t* orientation) {
    if (!data || !length || *length == 0) return PtpResult_InvalidArgument;
    const size_t len = *length;
    size_t from = 0;
    bool haveOrientation = false;
    uint8_t value = 0;
    if (orientation && len >= kOrientationMinLength) {
        // The image is searched from the tag on; no tag, no image.
        from = len;
        for (size_t i = 0; len - i >= 2; ++i) {
            if (peek_u16(data, len, i) != kOrientationTag) continue;
            from = i;
            ByteReader r = make_reader(data, len);
            if (skip(r, i + kOrientationValueAt)) {
                value = read_u8(r);
                haveOrientation = r.ok;
            }
            break;
        }
    }
    // The start of the image needs its marker and one more byte inside the data.
    size_t j = from;
    while (j < len && len - j > 4) {
        uint32_t marker = peek_u32(data, len, j);
        if (marker == kSoiHuffman || marker == kSoiQuantisation) break;
        ++j;
    }
    if (j >= len || len - j <= 4) return PtpResult_InvalidArgument;
    std::memmove(data, data + j, len - j);
    *length = uint32_t(len - j);
    if (orientation && haveOrientation) *orientation = value;
    return PtpResult_Ok;
}

PtpResult PtpEos_GetThumbnail(uint32_t handle, const PtpObjectInfo* share, uint8_t** data,
                              uint32_t* length, uint8_t* orientation) {
    PtpResult rc =
        PtpObjects_RunThumbnail(kEosOpGetThumbEx, {handle, kThumbnailLimit}, share, data, length);
    Buffer thumb(*data);
    *data = nullptr;
    if (rc == PtpResult_Ok && (!thumb || *length == 0)) rc = PtpResult_BadReply;
    if (rc == PtpResult_Ok) rc = PtpEosInterface_ExtractThumbnail(thumb.get(), length, orientation);
    if (rc != PtpResult_Ok) {
        *length = 0;
        return rc;
    }
    *data = thumb.release();
    return PtpResult_Ok;
}

// --- Object information, storages, downloads ----------------------------------------------

PtpResult PtpEos_GetObjectInfo(uint32_t handle, PtpObjectInfo* out) {
    if (PtpIsOperationSupported(kEosOpGetObjectInfoEx))
        return PtpObjects_GetObjectInfo(kEosOpGetObjectInfoEx, handle, kObjectInfoExForm, out);
    return PtpObjects_GetStandardObjectInfo(handle, out);
}

PtpResult PtpEos_GetObjectHandles(uint32_t storage, uint16_t format, uint16_t association,
                                  uint32_t** handles, uint32_t* count) {
    PtpResult rc = PtpObjects_GetStandardHandles(storage, format, association, handles, count);
    if (!PtpIsOperationSupported(kEosOpRemoteReleaseOn)) PtpEos_SetRemoteMode(1);
    return rc;
}

PtpResult PtpEos_GetAllObjectHandles(uint32_t** handles, uint32_t* count) {
    if (!PtpIsOperationSupported(kEosOpListFolder))
        return PtpEos_GetObjectHandles(kAllStorages, 0, 0, handles, count);
    PtpEosObjectEntry* entries = nullptr;
    uint32_t n = 0;
    PtpResult rc = PtpEosInterface_GetAllObjectsInfo(&entries, &n, false, 0);
    if (rc != PtpResult_Ok || n == 0) {
        std::free(entries);
        return rc;
    }
    uint32_t* list = static_cast<uint32_t*>(std::malloc(size_t(n) * sizeof(uint32_t)));
    if (list)
        for (uint32_t i = 0; i < n; ++i)
            list[i] = entries[i].handle;
    std::free(entries);
    if (!list) return PtpResult_OutOfMemory;
    *handles = list;
    *count = n;
    return PtpResult_Ok;
}

PtpResult PtpEos_GetStorageIds(uint32_t** ids, uint32_t* count) {
    if (!PtpIsOperationSupported(kEosOpGetStorageIds))
        return PtpObjects_GetStandardStorageIds(ids, count);
    uint8_t* data = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpTransaction_RunDataIn(kEosOpGetStorageIds, {}, &data, &length);
    if (rc != PtpResult_Ok) return rc;
    return PtpTakeIdArray(data, length, kStorageIdsStart, ids, count);
}

PtpResult PtpEos_GetPartialObject(uint32_t handle, uint32_t offset, uint32_t length, uint8_t** data,
                                  uint32_t* outLength) {
    for (uint16_t op : {kEosOpGetPartialObject, kEosOpGetPartialObjectOld})
        if (PtpIsOperationSupported(op))
            return PtpTransaction_RunDataIn(op, {handle, offset, length, 0}, data, outLength);
    return PtpObjects_GetStandardPartialObject(handle, offset, length, data, outLength);
}

uint32_t PtpEos_DownloadPartSize() { return PtpEos_IsMirrorless() ? kMirrorlessPartSize : 0; }

bool PtpEos_DownloadsInParts() { return PtpGenericInterface_CameraModel() == kModelAlwaysInParts; }
