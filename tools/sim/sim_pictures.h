// The pictures on the card when the hub starts: the *.jpg files of a directory,
// in name order, or the sim's own small JPEG when there are none.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct SimPicture {
    std::string source; // the path read, or empty for the sim's own picture
    std::shared_ptr<const std::vector<uint8_t>> bytes;
};

// The directory used when none is given: the build's sample pictures, or null.
const char* SimPictures_DefaultDir();

// Reads the *.jpg files (any case) of `dir`. A missing or unreadable directory,
// or one without JPEG files, gives the sim's own small picture.
std::vector<SimPicture> SimPictures_Load(const char* dir);

// The RAW file a camera's shots copy: the first file of `dir` whose name ends
// with `extension` (such as ".cr3", any case), else the first such file of the
// default directory, else a small stand-in of the sim's own with the format's
// signature (never null).
std::shared_ptr<const std::vector<uint8_t>> SimPictures_LoadRaw(const char* dir,
                                                                const char* extension);
