// A DeviceInfo data set made by hand: the one builder the tests make cameras
// and parser inputs with.
#pragma once

#include <cstdint>
#include <vector>

#include "comms/bytes.h"

struct DeviceInfoFields {
    const char* manufacturer = "Canon Inc.";
    const char* model = "Model";
    std::vector<uint16_t> operations;
    std::vector<uint16_t> properties;
    std::vector<uint16_t> events, captureFormats, imageFormats;
    const char* extension = "";           // the vendor extension text
    int texts = 4;                        // how many of the four trailing texts are written
    uint32_t operationCount = UINT32_MAX; // the count written (it may lie); max: the list's size
};

inline std::vector<uint8_t> DeviceInfoData(const DeviceInfoFields& f) {
    ByteWriter w;
    write_u16(w, 100);
    write_u32(w, 11);
    write_u16(w, 100);
    write_ptp_string(w, f.extension);
    write_u16(w, 0);
    for (const std::vector<uint16_t>* list :
         {&f.operations, &f.events, &f.properties, &f.captureFormats, &f.imageFormats}) {
        uint32_t count = uint32_t(list->size());
        if (list == &f.operations && f.operationCount != UINT32_MAX) count = f.operationCount;
        write_u32(w, count);
        for (uint16_t code : *list)
            write_u16(w, code);
    }
    const char* tail[] = {f.manufacturer, f.model, "1.0", "SN"};
    for (int i = 0; i < f.texts && i < 4; ++i)
        write_ptp_string(w, tail[i]);
    return w.buf;
}
