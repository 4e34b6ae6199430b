// The Nikon model sets. Each names the bodies, by the library's camera model
// number, that differ from the rest in one respect.
#include "generic/session.h"
#include "nikon/nikon_models.h"

namespace {

// clang-format off
const PtpNikonModelRange kNoElectronicLevel[] = {
    {192, 193}, {201, 201}, {203, 204}, {207, 208}, {213, 213}};
const PtpNikonModelRange kAutoIsoInSceneModesOnly[] = {
    {192, 193}, {203, 203}, {207, 208}, {213, 213}, {218, 218}};
const PtpNikonModelRange kRawQuality7[] = {{215, 217}, {219, 233}, {240, 240}};
// clang-format on

constexpr uint32_t kRawQuality = 4;
constexpr uint32_t kRawQualityNewer = 7;

template <size_t N> constexpr PtpNikonModelSet set_of(const PtpNikonModelRange (&ranges)[N]) {
    return {ranges, N};
}

} // namespace

const PtpNikonModelSet kNikonNoElectronicLevel = set_of(kNoElectronicLevel);
const PtpNikonModelSet kNikonAutoIsoInSceneModesOnly = set_of(kAutoIsoInSceneModesOnly);
const PtpNikonModelSet kNikonRawQuality7 = set_of(kRawQuality7);

bool PtpNikon_ModelIn(const PtpNikonModelSet& set, uint8_t model) {
    for (size_t i = 0; i < set.count; ++i)
        if (model >= set.ranges[i].first && model <= set.ranges[i].last) return true;
    return false;
}

bool PtpNikon_CameraIn(const PtpNikonModelSet& set) {
    return PtpNikon_ModelIn(set, PtpGenericInterface_CameraModel());
}

uint32_t PtpNikon_RawQuality() {
    return PtpNikon_CameraIn(kNikonRawQuality7) ? kRawQualityNewer : kRawQuality;
}
