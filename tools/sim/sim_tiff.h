// Where the JPEG images inside a TIFF-based raw file (CR2, NEF, ARW, TIFF) lie,
// for the hub's SD card. Only the IFD chain from IFD0 and IFD0's SubIFDs are
// read, through the checked cursor; nothing outside the file is ever touched.
#pragma once

#include <cstddef>
#include <cstdint>

struct SimTiffFacts {
    bool is_tiff = false;      // "II*\0" or "MM\0*"
    uint32_t orientation = 0;  // IFD0 Orientation; 0 when absent
    size_t thumb_offset = 0;   // IFD1's JPEGInterchangeFormat
    size_t thumb_len = 0;      // 0: none
    size_t preview_offset = 0; // the largest other embedded JPEG
    size_t preview_len = 0;    // 0: none
};

SimTiffFacts SimTiff_Inspect(const uint8_t* data, size_t len);
