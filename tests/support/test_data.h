// Test data: files on disk (the build's camera samples in the unit tests),
// 32-bit word arrays and exact-size heap copies.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "comms/bytes.h"

namespace testdata {

using Bytes = std::vector<uint8_t>;

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

#ifdef PTP_SAMPLES_DIR
inline std::string SamplePath(const std::string& name) {
    return std::string(PTP_SAMPLES_DIR) + "/" + name;
}
inline Bytes ReadSample(const std::string& name) { return ReadFile(SamplePath(name)); }
#endif

inline Bytes u32s(std::initializer_list<uint32_t> values) {
    ByteWriter w;
    for (uint32_t v : values)
        write_u32(w, v);
    return w.buf;
}

inline Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// An exact-size heap copy, so that ASan sees any read past the data.
using HeapCopy = std::unique_ptr<uint8_t, void (*)(void*)>;
inline HeapCopy heap_copy(const Bytes& data) {
    HeapCopy copy(static_cast<uint8_t*>(std::malloc(data.empty() ? 1 : data.size())), std::free);
    if (!data.empty()) std::memcpy(copy.get(), data.data(), data.size());
    return copy;
}

} // namespace testdata
