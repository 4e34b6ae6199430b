// The live-view scene: rendered as RGB rows, encoded with libjpeg, and kept
// per loop frame so the virtual camera answers frame requests at the speed of
// a copy once the loop has been seen.
#include "sim_scene.h"

#include "sim_jpeg.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

namespace {

constexpr uint32_t kMaxSide = 8192;
// The field's texture repeats every kPanPeriod pixels, the distance it pans
// in one loop, so the last frame of the loop joins the first.
constexpr uint32_t kPanStep = 4;
constexpr uint32_t kPanPeriod = kPanStep * kSimSceneLoopFrames;
constexpr uint32_t kCell = 4; // texture cell, pixels a side
// Bounds the frames kept: a handful of sizes and qualities, whole loops each.
constexpr size_t kMaxKept = 8 * kSimSceneLoopFrames;

// The frame number shows as this many squares, one per bit of the loop frame.
constexpr uint32_t kCounterBits = 6;
static_assert(1u << kCounterBits == kSimSceneLoopFrames, "one square per bit of the loop");

struct Rgb {
    uint8_t r, g, b;
};

void put(uint8_t* p, Rgb c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

uint8_t clamp8(int v) { return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); }

// A fixed pseudo-random value per texture cell, -16..15.
int cell_noise(uint32_t cx, uint32_t cy) {
    uint32_t h = cx * 0x9E3779B1u ^ (cy + 0x7F4A7C15u) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return int(h & 31) - 16;
}

void render(std::vector<uint8_t>& rgb, uint32_t w, uint32_t h, uint32_t phase) {
    const double kPi = 3.14159265358979323846;
    const uint32_t horizon = h * 11 / 20;
    // The sun goes right for half the loop and back for the other half.
    const uint32_t half = kSimSceneLoopFrames / 2;
    const uint32_t t = phase < half ? phase : kSimSceneLoopFrames - phase;
    const int sun_x = int(w * 15 / 100 + uint64_t(t) * (w * 70 / 100) / half);
    const int sun_y = int(horizon / 3);
    const int sun_r = int(h / 10 + 1);
    const int post_x =
        int(w * 7 / 10 + std::lround(std::sin(2 * kPi * phase / kSimSceneLoopFrames) * w / 20));
    const int post_w = int(w / 60 + 2);
    const uint32_t pan = phase * kPanStep;
    const uint32_t square = h / 24 + 2;
    uint8_t* px = rgb.data();
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x, px += 3) {
            Rgb c;
            if (y < horizon) {
                const int up = int(255 * y / horizon); // 0 at the top, 255 at the horizon
                c = {clamp8(40 + up / 2), clamp8(90 + up / 3), clamp8(200 + up / 6)};
                const int dx = int(x) - sun_x, dy = int(y) - sun_y;
                if (dx * dx + dy * dy <= sun_r * sun_r) c = {255, 236, 160};
            } else {
                const uint32_t depth = y - horizon;
                const int shade = int(60 * depth / (h - horizon + 1));
                const int n = cell_noise(((x + pan) % kPanPeriod) / kCell, depth / kCell);
                c = {clamp8(60 + shade / 2 + n / 2), clamp8(110 + shade + n), clamp8(40 + n / 3)};
            }
            if (int(x) >= post_x && int(x) < post_x + post_w && y > horizon / 2) c = {70, 50, 30};
            put(px, c);
        }
    }
    // The frame number along the top left, most significant bit first, a
    // white square for a one.
    for (uint32_t bit = 0; bit < kCounterBits; ++bit) {
        const uint8_t v = (phase >> (kCounterBits - 1 - bit)) & 1 ? 255 : 16;
        const uint32_t left = square / 2 + bit * square * 3 / 2;
        for (uint32_t y = square / 2; y < square / 2 + square && y < h; ++y)
            for (uint32_t x = left; x < left + square && x < w; ++x)
                put(&rgb[(size_t(y) * w + x) * 3], {v, v, v});
    }
}

struct RgbRows {
    const uint8_t* rgb;
    uint32_t w;
};

const uint8_t* rgb_row(void* ctx, uint32_t y) {
    const RgbRows* r = static_cast<const RgbRows*>(ctx);
    return r->rgb + size_t(y) * r->w * 3;
}

using Key = std::tuple<uint32_t, uint32_t, int, uint32_t>; // width, height, quality, phase

struct Kept {
    std::mutex lock;
    std::map<Key, std::shared_ptr<const std::vector<uint8_t>>> frames; // guarded by lock
};

Kept& kept() {
    static Kept k;
    return k;
}

} // namespace

std::vector<uint8_t> SimScene_LiveViewJpeg(uint32_t width, uint32_t height, uint32_t frame,
                                           int quality) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return {};
    quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    const uint32_t phase = frame % kSimSceneLoopFrames;
    const Key key{width, height, quality, phase};
    Kept& k = kept();
    {
        std::lock_guard<std::mutex> guard(k.lock);
        auto it = k.frames.find(key);
        if (it != k.frames.end()) return *it->second;
    }
    // Encoded outside the lock: two threads asking for the same new frame both
    // encode it, and both get the same bytes.
    std::vector<uint8_t> rgb(size_t(width) * height * 3);
    render(rgb, width, height, phase);
    RgbRows rows{rgb.data(), width};
    SimJpegEncode e;
    e.width = width;
    e.height = height;
    e.quality = quality;
    auto jpeg = std::make_shared<std::vector<uint8_t>>();
    if (!SimJpeg_Encode(e, rgb_row, &rows, jpeg.get())) return {};
    std::lock_guard<std::mutex> guard(k.lock);
    if (k.frames.size() >= kMaxKept) k.frames.clear();
    k.frames.emplace(key, jpeg);
    return *jpeg;
}
