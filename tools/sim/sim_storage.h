// The card in the camera's first slot (storage 0x00010001): its objects and the
// storage and object operations. Callers hold the hub lock.
#pragma once

#include "sim_camera.h"

#include <memory>
#include <vector>

// Puts a file on the card and returns its handle, 0 when the name is empty or
// the file too big to describe. `source` names where it came from (may be
// null). `announce` raises ObjectAdded.
uint32_t SimStorage_Add(SimCameraState& cam, const char* name, const char* source,
                        std::shared_ptr<const std::vector<uint8_t>> bytes, bool announce);

// Stores the next of the camera's capture pictures (in turn) as picture
// number's JPEG, with an ObjectAdded event.
void SimStorage_AddNextPicture(SimCameraState& cam, uint32_t number);

// Removes an object and raises ObjectRemoved. False for an unknown handle.
bool SimStorage_Remove(SimCameraState& cam, uint32_t handle);

// The object of a handle, or null.
const SimObject* SimStorage_Find(const SimCameraState& cam, uint32_t handle);

// The object of a handle; null after answering 0x2009 Invalid Object Handle.
const SimObject* SimStorage_FindOrRefuse(const SimCameraState& cam, uint32_t handle,
                                         SimPtpAnswer* answer);

// The name the camera gives its n-th picture (n from 1), in the model's
// picture-name format or another one with a single unsigned.
std::string SimStorage_PictureName(const SimCameraModel& model, uint32_t n);
std::string SimStorage_NameFromFormat(const char* format, uint32_t n);

// The ObjectInfo data set of an object. With `extra_word` a u32 0 follows
// ThumbCompressedSize, as in Canon's own object info (every later field 4
// bytes on).
std::vector<uint8_t> SimStorage_ObjectInfoData(const SimObject& o, bool extra_word);

// Operations: GetStorageIDs 0x1004, GetStorageInfo 0x1005, GetNumObjects
// 0x1006, GetObjectHandles 0x1007, GetObjectInfo 0x1008, GetObject 0x1009,
// GetThumb 0x100A, DeleteObject 0x100B, GetPartialObject 0x101B.
void SimStorage_GetStorageIds(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetStorageInfo(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetNumObjects(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetObjectHandles(SimCameraState& cam, const SimPtpCommand& cmd,
                                 SimPtpAnswer* answer);
void SimStorage_GetObjectInfo(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetObject(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetThumb(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_DeleteObject(SimCameraState& cam, const SimPtpCommand& cmd, SimPtpAnswer* answer);
void SimStorage_GetPartialObject(SimCameraState& cam, const SimPtpCommand& cmd,
                                 SimPtpAnswer* answer);
