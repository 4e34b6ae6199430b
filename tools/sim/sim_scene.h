// What the virtual cameras' sensors see in live view: a small outdoor scene
// (a sky that darkens towards the top, a horizon, a textured field that pans,
// a sun that drifts across, a post that sways and a block of squares showing
// the frame number in binary) rendered at the live-view size and encoded as a
// baseline JPEG, as a camera's live-view encoder sends it: SOI, then the
// quantisation and Huffman tables, no APP segments.
//
// The motion repeats every kSimSceneLoopFrames frames, and each encoded frame
// of the loop is kept per (size, quality), so after the first loop a frame
// costs a copy instead of an encode. Any thread may call.
#pragma once

#include <cstdint>
#include <vector>

constexpr uint32_t kSimSceneLoopFrames = 64;

// The scene at `frame` (consecutive frames differ; frame and frame +
// kSimSceneLoopFrames are the same picture), width x height pixels, YCbCr
// 4:2:0, libjpeg quality 1..100. Empty when the size is 0 or above 8192 on a
// side, or the encoder fails.
std::vector<uint8_t> SimScene_LiveViewJpeg(uint32_t width, uint32_t height, uint32_t frame,
                                           int quality);
