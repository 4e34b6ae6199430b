// The pictures a virtual camera takes of its own: a test card at the body's
// full pixel size (colour bars, the camera's name, a band with the time and a
// frame counter, a textured field), as a baseline JPEG that opens with an EXIF
// block naming the camera: IFD0 Make, Model, Orientation 1, DateTime and
// ImageDescription "Frame NNNNNN"; an Exif IFD with DateTimeOriginal and the
// pixel size; IFD1 a 160-pixel-wide JPEG thumbnail.
//
// A card is encoded once per process per (camera, size) with a restart marker
// after every row of MCUs: the first shot costs about 0.5 s for 30 to 45
// megapixels and 1.5 s for 100, and each later one a copy of it in which the
// rows holding the time and counter are encoded again and spliced in (20 to 60
// ms) and the EXIF's time and counter fields are rewritten in place. Any
// thread may call.
#pragma once

#include "sim_camera.h"

#include <cstdint>
#include <ctime>
#include <memory>
#include <vector>

// The card of `model` at width x height (at least 64 x 64, at most 65000 a
// side; else null) showing frame `counter` taken at `when` (local time).
std::shared_ptr<const std::vector<uint8_t>> SimTestCard_Picture(const SimCameraModel& model,
                                                                uint32_t width, uint32_t height,
                                                                uint32_t counter, std::time_t when);

// The JPEG of the camera's next shot when it makes its own pictures
// (SimCameraState::test_card): the card at the model's pixel size with the next
// frame counter and the current time. Null when it copies given pictures.
std::shared_ptr<const std::vector<uint8_t>> SimTestCard_NextShot(SimCameraState& cam);
