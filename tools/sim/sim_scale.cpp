// Loading the virtual camera for benchmarks at scale (sim_scale.h).
#include "sim_scale.h"

#include "sim_internal.h"
#include "sim_properties.h"
#include "sim_storage.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <mutex>

namespace {

constexpr uint16_t kFirstFilledCode = 0xE000;
constexpr uint32_t kMostFilled = 0x1000; // codes 0xE000..0xEFFF

const int64_t kFilledValues[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// The models the filled cameras follow: a copy of the camera's model whose own
// table is the model's rows followed by the filled ones. They are never freed
// or moved (deques keep their elements in place), since a camera points into
// them for as long as it runs.
std::mutex g_models_lock;
std::deque<std::vector<SimPropertyFacts>> g_rows; // guarded by g_models_lock
std::deque<SimPropertyTable> g_tables;            // guarded by g_models_lock
std::deque<SimCameraModel> g_models;              // guarded by g_models_lock

} // namespace

uint32_t SimHub_FillCard(SimHub* hub, uint32_t count, const std::vector<uint8_t>& bytes) {
    if (!hub) return 0;
    // One buffer shared by every copy: 10,000 objects cost one picture.
    auto shared = std::make_shared<const std::vector<uint8_t>>(bytes);
    std::lock_guard<std::mutex> guard(hub->lock);
    SimCameraState& cam = hub->camera;
    cam.objects.reserve(cam.objects.size() + count);
    for (uint32_t i = 0; i < count; ++i) {
        std::string name = SimStorage_PictureName(*cam.model, cam.next_file_number++);
        if (!SimStorage_Add(cam, name.c_str(), nullptr, shared, /*announce=*/false)) break;
    }
    return uint32_t(cam.objects.size());
}

uint32_t SimHub_FillProperties(SimHub* hub, uint32_t total) {
    if (!hub) return 0;
    std::lock_guard<std::mutex> guard(hub->lock);
    SimCameraState& cam = hub->camera;
    const SimPropertyTable* own = cam.model->model_properties;
    const size_t present = own ? own->count : 0;
    if (present >= total) return uint32_t(present);
    uint32_t wanted = uint32_t(std::min<size_t>(total - present, kMostFilled));

    std::lock_guard<std::mutex> models(g_models_lock);
    std::vector<SimPropertyFacts> rows;
    if (own) rows.assign(own->rows, own->rows + own->count);
    for (uint32_t i = 0; i < wanted; ++i) {
        SimPropertyFacts f{};
        f.code = uint16_t(kFirstFilledCode + i);
        // UINT32, the type every vendor's encoding of the sim carries.
        f.type = kPtpTypeUint32;
        f.getset = 1;
        f.form = SimForm_Enum;
        f.current = int64_t(i % 16);
        f.values = SimValues(kFilledValues);
        rows.push_back(f);
    }
    g_rows.push_back(std::move(rows));
    g_tables.push_back(SimPropertyTable{g_rows.back().data(), g_rows.back().size()});
    g_models.push_back(*cam.model);
    g_models.back().model_properties = &g_tables.back();
    cam.model = &g_models.back();
    SimProperties_Reset(cam);
    return uint32_t(g_tables.back().count);
}
