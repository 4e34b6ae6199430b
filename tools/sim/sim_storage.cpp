// The card in the first slot and the standard storage and object operations.
// Objects are flat (no folders): every object's parent is the root. Object data
// is immutable and shared, so GetObject, GetThumb and GetPartialObject answer
// with a slice of it that the reply sends without copying.
#include "sim_storage.h"

#include "sim_events.h"
#include "sim_jpeg.h"
#include "sim_test_card.h"

#include "comms/bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <strings.h>

namespace {

constexpr uint32_t kAllStorages = 0xFFFFFFFF;
constexpr uint32_t kAllObjects = 0xFFFFFFFF; // DeleteObject: every object
constexpr uint32_t kRootParent = 0xFFFFFFFF; // GetObjectHandles: objects in the root
constexpr uint32_t kNoHandle = 0;

constexpr uint16_t kStorageRemovableRam = 0x0004;
constexpr uint16_t kFilesystemDcf = 0x0003;
constexpr uint16_t kAccessReadWrite = 0x0000;

constexpr uint16_t kFormatUndefined = 0x3000;
constexpr uint16_t kFormatJfif = 0x3808;

// The data container's 32-bit length bounds what one object can be.
constexpr size_t kMaxObjectSize = 0xFFFFFFFFu - 64;

// What every picture on the card says about when it was taken.
constexpr char kCaptureDate[] = "20261207T101500";

struct SimFormatRow {
    const char* extension;
    uint16_t format;
};

// Object formats by file name extension.
const SimFormatRow kFormats[] = {
    {".JPG", 0x3801}, {".JPEG", 0x3801}, {".TIF", 0x380D}, {".MOV", 0x300D}, {".CR2", 0xB103},
    {".CR3", 0xB108}, {".NEF", 0x3000},  {".ARW", 0xB101}, {".RAF", 0xB111},
};

uint16_t format_for_name(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return kFormatUndefined;
    for (const SimFormatRow& row : kFormats)
        if (strcasecmp(name.c_str() + dot, row.extension) == 0) return row.format;
    return kFormatUndefined;
}

void answer_slice(SimPtpAnswer* answer, const std::shared_ptr<const std::vector<uint8_t>>& owner,
                  size_t offset, size_t len) {
    answer->has_data = true;
    answer->bulk.owner = owner;
    answer->bulk.offset = offset;
    answer->bulk.len = len;
    answer->code = kPtpRespOk;
}

size_t find_index(const SimCameraState& cam, uint32_t handle) {
    for (size_t i = 0; i < cam.objects.size(); ++i)
        if (cam.objects[i].handle == handle) return i;
    return cam.objects.size();
}

uint64_t bytes_used(const SimCameraState& cam) {
    uint64_t used = 0;
    for (const SimObject& o : cam.objects)
        used += o.bytes->size();
    return used;
}

// The storage, format and parent filter of GetNumObjects and GetObjectHandles.
// Returns a response code; on OK `out` holds the handles that pass.
uint16_t select_objects(const SimCameraState& cam, const SimPtpCommand& cmd,
                        std::vector<uint32_t>* out) {
    uint32_t storage = cmd.params[0], format = cmd.params[1], parent = cmd.params[2];
    if (storage != kAllStorages && storage != 0 && storage != kStorageIdCard1)
        return kPtpRespInvalidStorageId;
    if (parent != 0 && parent != kRootParent) return kPtpRespInvalidParentObject;
    for (const SimObject& o : cam.objects)
        if (format == 0 || format == o.format) out->push_back(o.handle);
    return kPtpRespOk;
}

void raise_removed(SimCameraState& cam, uint32_t handle) {
    SimEvent e;
    e.kind = SimEvent_ObjectRemoved;
    e.handle = handle;
    SimEvents_Raise(cam, std::move(e));
}

} // namespace

std::string SimStorage_NameFromFormat(const char* format, uint32_t n) {
    char name[64];
    std::snprintf(name, sizeof name, format, unsigned(n));
    return name;
}

std::string SimStorage_PictureName(const SimCameraModel& model, uint32_t n) {
    return SimStorage_NameFromFormat(model.file_name_format, n);
}

uint32_t SimStorage_Add(SimCameraState& cam, const char* name, const char* source,
                        std::shared_ptr<const std::vector<uint8_t>> bytes, bool announce) {
    if (!name || !*name || cam.next_handle == kAllObjects) return kNoHandle;
    if (!bytes) bytes = std::make_shared<const std::vector<uint8_t>>();
    if (bytes->size() > kMaxObjectSize) return kNoHandle;

    SimObject o;
    o.handle = cam.next_handle++;
    o.name = name;
    o.source = source ? source : "";
    o.format = format_for_name(o.name);
    o.capture_date = kCaptureDate;
    SimJpegFacts jpeg = SimJpeg_Inspect(bytes->data(), bytes->size());
    o.width = jpeg.width;
    o.height = jpeg.height;
    o.bit_depth = jpeg.bit_depth;
    o.orientation = jpeg.orientation;
    o.thumb_format = kFormatJfif;
    if (jpeg.thumb_len > 0) {
        o.thumb.owner = bytes;
        o.thumb.offset = jpeg.thumb_offset;
        o.thumb.len = jpeg.thumb_len;
        SimJpegFacts thumb = SimJpeg_Inspect(bytes->data() + jpeg.thumb_offset, jpeg.thumb_len);
        o.thumb_width = thumb.width;
        o.thumb_height = thumb.height;
    } else {
        o.thumb.owner = SimJpeg_SmallPicture();
        o.thumb.len = o.thumb.owner->size();
        o.thumb_width = kSimSmallPictureWidth;
        o.thumb_height = kSimSmallPictureHeight;
    }
    o.bytes = std::move(bytes);

    if (announce) {
        SimEvent e;
        e.kind = SimEvent_ObjectAdded;
        e.handle = o.handle;
        e.size = uint32_t(o.bytes->size());
        e.name = o.name;
        e.format = o.format;
        SimEvents_Raise(cam, std::move(e));
    }
    uint32_t handle = o.handle;
    cam.objects.push_back(std::move(o));
    return handle;
}

bool SimStorage_Remove(SimCameraState& cam, uint32_t handle) {
    size_t i = find_index(cam, handle);
    if (i == cam.objects.size()) return false;
    cam.objects.erase(cam.objects.begin() + long(i));
    raise_removed(cam, handle);
    return true;
}

const SimObject* SimStorage_Find(const SimCameraState& cam, uint32_t handle) {
    size_t i = find_index(cam, handle);
    return i == cam.objects.size() ? nullptr : &cam.objects[i];
}

const SimObject* SimStorage_FindOrRefuse(const SimCameraState& cam, uint32_t handle,
                                         SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_Find(cam, handle);
    if (!o) answer->code = kPtpRespInvalidObjectHandle;
    return o;
}

void SimStorage_GetStorageIds(SimCameraState&, const SimPtpCommand&, SimPtpAnswer* answer) {
    ByteWriter w;
    write_u32(w, 1);
    write_u32(w, kStorageIdCard1);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

void SimStorage_GetStorageInfo(SimCameraState& cam, const SimPtpCommand& cmd,
                               SimPtpAnswer* answer) {
    if (cmd.params[0] != kStorageIdCard1) {
        answer->code = kPtpRespInvalidStorageId;
        return;
    }
    const SimCameraModel& m = *cam.model;
    uint64_t used = bytes_used(cam);
    uint64_t free_bytes = used < m.card_capacity ? m.card_capacity - used : 0;
    uint64_t free_images = m.typical_picture_size ? free_bytes / m.typical_picture_size : 0;
    ByteWriter w;
    write_u16(w, kStorageRemovableRam);
    write_u16(w, kFilesystemDcf);
    write_u16(w, kAccessReadWrite);
    write_u64(w, m.card_capacity);
    write_u64(w, free_bytes);
    write_u32(w, free_images > 0xFFFFFFFFu ? 0xFFFFFFFFu : uint32_t(free_images));
    write_ptp_string(w, m.storage_description);
    write_ptp_string(w, m.volume_label);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

void SimStorage_GetNumObjects(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    std::vector<uint32_t> handles;
    answer->code = select_objects(cam, cmd, &handles);
    if (answer->code != kPtpRespOk) return;
    answer->params[0] = uint32_t(handles.size());
    answer->param_count = 1;
}

void SimStorage_GetObjectHandles(SimCameraState& cam, const SimPtpCommand& cmd,
                                 SimPtpAnswer* answer) {
    std::vector<uint32_t> handles;
    answer->code = select_objects(cam, cmd, &handles);
    if (answer->code != kPtpRespOk) return;
    ByteWriter w;
    write_u32(w, uint32_t(handles.size()));
    for (uint32_t h : handles)
        write_u32(w, h);
    SimCamera_AnswerData(answer, std::move(w.buf));
}

std::vector<uint8_t> SimStorage_ObjectInfoData(const SimObject& o, bool extra_word) {
    ByteWriter w;
    write_u32(w, kStorageIdCard1);
    write_u16(w, o.format);
    write_u16(w, 0); // ProtectionStatus: none
    write_u32(w, uint32_t(o.bytes->size()));
    write_u16(w, o.thumb_format);
    write_u32(w, uint32_t(o.thumb.len));
    if (extra_word) write_u32(w, 0);
    write_u32(w, o.thumb_width);
    write_u32(w, o.thumb_height);
    write_u32(w, o.width);
    write_u32(w, o.height);
    write_u32(w, o.bit_depth);
    write_u32(w, 0); // ParentObject: the root
    write_u16(w, 0); // AssociationType: not an association
    write_u32(w, 0); // AssociationDesc
    write_u32(w, 0); // SequenceNumber: not part of a sequence
    write_ptp_string(w, o.name.c_str());
    write_ptp_string(w, o.capture_date.c_str());
    write_ptp_string(w, o.capture_date.c_str()); // ModificationDate
    write_ptp_string(w, "");                     // Keywords
    return std::move(w.buf);
}

void SimStorage_GetObjectInfo(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    SimCamera_AnswerData(answer, SimStorage_ObjectInfoData(*o, false));
}

void SimStorage_GetObject(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    answer_slice(answer, o->bytes, 0, o->bytes->size());
}

void SimStorage_GetThumb(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    answer_slice(answer, o->thumb.owner, o->thumb.offset, o->thumb.len);
}

// Parameters: handle, offset, most bytes wanted (0xFFFFFFFF: to the end). An
// offset past the end is refused; at the end the data is empty. The response
// parameter is the number of bytes sent.
void SimStorage_GetPartialObject(SimCameraState& cam, const SimPtpCommand& cmd,
                                 SimPtpAnswer* answer) {
    const SimObject* o = SimStorage_FindOrRefuse(cam, cmd.params[0], answer);
    if (!o) return;
    size_t size = o->bytes->size();
    size_t offset = cmd.params[1];
    if (offset > size) {
        answer->code = kPtpRespInvalidParameter;
        return;
    }
    size_t len = std::min(size_t(cmd.params[2]), size - offset);
    answer_slice(answer, o->bytes, offset, len);
    answer->params[0] = uint32_t(len);
    answer->param_count = 1;
}

// Parameters: handle, or 0xFFFFFFFF for every object of the format in the
// second parameter (0: any). Each removal raises ObjectRemoved.
void SimStorage_DeleteObject(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer) {
    uint32_t handle = cmd.params[0];
    if (handle != kAllObjects) {
        answer->code = SimStorage_Remove(cam, handle) ? kPtpRespOk : kPtpRespInvalidObjectHandle;
        return;
    }
    uint32_t format = cmd.params[1];
    std::vector<uint32_t> doomed;
    for (const SimObject& o : cam.objects)
        if (format == 0 || format == o.format) doomed.push_back(o.handle);
    for (uint32_t h : doomed)
        SimStorage_Remove(cam, h);
    answer->code = kPtpRespOk;
}

void SimStorage_AddNextPicture(SimCameraState& cam, uint32_t number) {
    std::shared_ptr<const std::vector<uint8_t>> bytes = SimTestCard_NextShot(cam);
    if (!bytes && !cam.capture_pictures.empty()) {
        bytes = cam.capture_pictures[cam.next_source % cam.capture_pictures.size()];
        ++cam.next_source;
    }
    std::string name = SimStorage_PictureName(*cam.model, number);
    SimStorage_Add(cam, name.c_str(), nullptr, std::move(bytes), true);
}
