// The Canon model table: tried top to bottom against the camera's Model text, the
// first matching row decides. Order matters: every name with "7D" (also "77D") is
// settled by the first two rows, every "6D" by the next two, "R6 Mark III" comes
// before "EOS R6", "EOS R100" before "EOS R10" before "EOS R1", and so on.
#include "eos/eos_models.h"

namespace {

constexpr uint8_t M = kEosRowMirrorless;
constexpr uint8_t NoMovieSelect = kEosRowNoMovieSelect;
constexpr uint8_t NoTouchFocus = kEosRowNoTouchFocus;
constexpr uint8_t Unsupported = kEosRowUnsupported;

} // namespace

// clang-format off
// Columns: all of, any of, none of, width x height, model number, flags.
const PtpEosModelRow kEosModelRows[] = {
    {{"7D", "II"}, {}, nullptr, 5472, 3648, 236, 0},
    {{"7D"}, {}, nullptr, 5184, 3456, 0, 0},
    {{"6D", "II"}, {}, nullptr, 6420, 4160, 0, 0},
    {{"6D"}, {}, nullptr, 5472, 3648, 0, 0},
    {{"5DS"}, {}, nullptr, 8688, 5792, 226, 0},
    {{"EOS R100"}, {}, nullptr, 6000, 4000, 249, M},
    {{"EOS R50"}, {}, nullptr, 6000, 4000, 248, M},
    {{"R6 Mark III"}, {}, nullptr, 6960, 4640, 252, M},
    {{"EOS R6"}, {}, nullptr, 5472, 3648, 230, M},
    {{"EOS R5m2"}, {}, nullptr, 8192, 5464, 251, M},
    {{"EOS R5"}, {}, nullptr, 8192, 5464, 230, M},
    {{"EOS R10"}, {}, nullptr, 6000, 4000, 246, M},
    {{"EOS R1"}, {}, nullptr, 6000, 4000, 250, M},
    {{"EOS R8"}, {}, nullptr, 6000, 4000, 247, M},
    {{"EOS R7"}, {}, nullptr, 6960, 4640, 245, M},
    {{"EOS R3"}, {}, nullptr, 6000, 4000, 234, M},
    {{"EOS RP"}, {}, nullptr, 6240, 4160, 228, M},
    {{"EOS R"}, {}, "EOS REBEL", 6720, 4480, 228, M},
    {{"5D", "IV"}, {}, nullptr, 6720, 4480, 0, 0},
    {{"5D", "III"}, {}, nullptr, 5760, 3840, 0, 0},
    {{"5D", "II"}, {}, nullptr, 5616, 3744, 225, NoMovieSelect},
    {{"5D"}, {}, nullptr, 5616, 3744, 0, Unsupported},
    {{"1D X", "III"}, {}, nullptr, 5472, 3648, 229, 0},
    {{"1D X", "II"}, {}, nullptr, 5472, 3648, 0, 0},
    {{"1D X"}, {}, nullptr, 5184, 3456, 0, NoMovieSelect},
    {{"1DS", "III"}, {}, nullptr, 5616, 3744, 0, NoTouchFocus},
    {{"1D", "III"}, {}, nullptr, 3888, 2592, 0, NoTouchFocus},
    {{"1D", "IV"}, {}, nullptr, 4896, 3264, 0, NoMovieSelect},
    {{}, {"650D", "T4I", "Kiss X6"}, nullptr, 5184, 3456, 244, 0},
    {{}, {"700D", "T5I", "Kiss X7"}, nullptr, 5184, 3456, 237, 0},
    {{}, {"750D", "T6I", "Kiss X8", "760D", "T6S"}, nullptr, 6000, 4000, 239, 0},
    {{}, {"800D", "T7I", "Kiss X9I"}, nullptr, 6000, 4000, 240, 0},
    {{}, {"850D", "T8I", "Kiss X10I"}, nullptr, 6000, 4000, 243, 0},
    {{}, {"600D", "T3I", "Kiss X5"}, nullptr, 5184, 3456, 0, 0},
    {{}, {"1100D", "T3", "Kiss X50", "1200D", "T5", "Kiss X70"}, nullptr, 4272, 2848, 0, 0},
    {{}, {"1300D", "T6", "Kiss X80"}, nullptr, 5184, 3456, 0, 0},
    {{}, {"2000D", "T7", "Kiss X90"}, nullptr, 6000, 4000, 0, 0},
    {{}, {"550D", "T2I", "Kiss X4"}, nullptr, 5184, 3456, 0, 0},
    {{}, {"500D", "T1I", "Kiss X3"}, nullptr, 4752, 3168, 0, 0},
    {{}, {"450D", "XSI", "Kiss X2"}, nullptr, 4272, 2848, 0, NoTouchFocus},
    {{}, {"1000D", "XS"}, nullptr, 3888, 2592, 0, Unsupported},
    {{}, {"100D", "SL1", "Kiss X7"}, nullptr, 5184, 3456, 235, 0},
    {{"80D"}, {}, nullptr, 6000, 4000, 0, 0},
    {{"90D"}, {}, nullptr, 6940, 4640, 227, 0},
    {{}, {"200D", "SL2", "Kiss X9"}, nullptr, 6000, 4000, 241, 0},
    {{}, {"250D", "SL3", "Kiss 10"}, nullptr, 6000, 4000, 242, 0},
    {{}, {"77D", "9000D"}, nullptr, 6000, 4000, 0, 0},
    {{"70D"}, {}, nullptr, 5472, 3648, 0, 0},
    {{"60D"}, {}, nullptr, 5184, 3456, 0, 0},
    {{"50D"}, {}, nullptr, 4752, 3168, 0, 0},
    {{"40D"}, {}, nullptr, 3888, 2592, 0, NoTouchFocus},
    {{}, {"1DC", "1D C"}, nullptr, 5184, 3456, 0, NoMovieSelect},
    {{"EOS M6", "II"}, {}, nullptr, 6983, 4655, 233, M},
    {{}, {"EOS M50", "EOS Kiss M"}, nullptr, 6012, 4008, 231, M},
    {{"G7 X Mark III"}, {}, nullptr, 5472, 3648, 232, M},
    {{}, {}, nullptr, 3888, 2592, 0, Unsupported},
};
// clang-format on

const size_t kEosModelRowCount = sizeof kEosModelRows / sizeof kEosModelRows[0];
