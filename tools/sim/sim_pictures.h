// The pictures on the card when the hub starts: the *.jpg files of a directory,
// in name order, or the sim's own small JPEG when there are none.
#pragma once

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
