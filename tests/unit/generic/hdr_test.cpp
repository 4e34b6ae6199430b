// HDR series over the property store; record locks are free again after every call.
#include <gtest/gtest.h>

#include <pthread.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ptp_comms.h"
#include "ptp_exposure.h"
#include "support/eos_scripted_camera.h"

namespace {

using Values = std::vector<std::pair<const char*, uint32_t>>;

constexpr uint32_t kIso = 0xD103;     // Canon: brighter toward later entries
constexpr uint32_t kShutter = 0xD102; // Canon: brighter toward earlier entries

const char* const kLabels[] = {"v0", "v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8", "v9"};

// A camera of vendor, by default Canon, with an empty store.
void become(PtpVendor vendor = PtpVendor_Canon) {
    PtpClearPropertyStore();
    ScriptedCamera camera;
    if (vendor != PtpVendor_None) camera.manufacturer = scripted_maker_of(vendor);
    ASSERT_TRUE(scripted_connect(camera));
    if (vendor == PtpVendor_None) PtpSession_SetVendor(PtpVendor_None);
    PtpSession_SetModel(0);
}

// A property with ten values 100, 101, ... labelled v0, v1, ...
PtpPropertyRecord* ten_values(uint32_t code) {
    Values v;
    for (uint32_t i = 0; i < 10; ++i)
        v.push_back({kLabels[i], 100 + i});
    return scripted_property(code, 100, "v0", v);
}

// Whether another thread can take the record's lock now (the record locks are
// recursive, so the calling thread always could).
bool lock_is_free(PtpPropertyRecord* record) {
    bool free = false;
    std::thread other([&] {
        if (pthread_mutex_trylock(&record->lock) == 0) {
            free = true;
            pthread_mutex_unlock(&record->lock);
        }
    });
    other.join();
    return free;
}

TEST(HdrSteps, ShotsAroundTheCurrentValue) {
    become();
    ten_values(kIso);
    struct {
        uint32_t code;
        uint32_t value; // 100 + position
        uint32_t step;
        uint8_t mode;
        uint32_t shots;
    } cases[] = {
        {kIso, 102, 1, 0, 5}, // two on each side
        {kIso, 102, 2, 0, 3},
        {kIso, 102, 1, 2, 8}, // toward the brighter end: the current value and 7 more
        {kIso, 102, 1, 1, 3}, // toward the darker end: the current value and 2 more
        {kIso, 102, 1, 3, 1}, // modes above 2 count no steps
        {kIso, 109, 4, 1, 3},
        // A step of 0 never moves: only the current value counts.
        {kIso, 102, 0, 2, 1},
        // Steps far past the list, without wrapping around.
        {kIso, 105, 0xFFFFFFFF, 0, 1},
        {kIso, 105, 0x80000000, 2, 1},
        // Nothing to count.
        {kIso, 110, 1, 0, 0},
        {0xD101, 102, 1, 0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(c.code, c.value, c.step, c.mode),
                  c.shots)
            << std::hex << c.code << std::dec << " value " << c.value << " step " << c.step
            << " mode " << int(c.mode);
}

// Lists that cannot be counted give 0; every way out frees the record lock.
TEST(HdrSteps, LocksAreFreeAfterEveryCall) {
    become();
    PtpPropertyRecord* r = ten_values(kIso);
    // 255 entries mean "not checked", even when they are there.
    Values many;
    for (uint32_t i = 0; i < 255; ++i)
        many.push_back({"", i});
    PtpPropertyRecord* unchecked = scripted_property(kShutter, 0, "", many);
    EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(kShutter, 10, 1, 0), 0u);
    EXPECT_TRUE(lock_is_free(unchecked));
    PtpGenericInterface_GetMaxNumberOfHdrSteps(kIso, 103, 1, 0); // counted
    PtpGenericInterface_GetMaxNumberOfHdrSteps(kIso, 999, 1, 0); // value not listed
    PtpGenericInterface_GetEndHdrValue(kIso, 103, 1, 3, 0, 1);   // found
    PtpGenericInterface_GetEndHdrValue(kIso, 103, 9, 3, 0, 1);   // outside the list
    PtpGenericInterface_GetEndHdrValue(kIso, 999, 1, 3, 0, 1);   // value not listed
    EXPECT_TRUE(lock_is_free(r));
    PtpPropertyRecord* empty = scripted_property(0xD101, 0);
    EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(0xD101, 0, 1, 0), 0u);
    EXPECT_TRUE(lock_is_free(empty));
}

// Which way each vendor's lists run: toward the brighter end from position 2 gives 8 shots
// when brighter is later in the list, 3 when earlier.
TEST(HdrSteps, ListDirectionsPerVendor) {
    struct {
        PtpVendor vendor;
        uint32_t code;
        uint32_t brighterShots;
        const char* darkerEnd;
    } cases[] = {
        {PtpVendor_Canon, kIso, 8, "v3"},      {PtpVendor_Canon, kShutter, 3, "v5"},
        {PtpVendor_Canon, 0x5010, 8, "v5"},    {PtpVendor_Nikon, 0x5007, 3, "v5"},
        {PtpVendor_Nikon, 0xD0B4, 8, "v3"},    {PtpVendor_Sony, 0xD20D, 3, "v5"},
        {PtpVendor_Fujifilm, 0x500F, 8, "v3"}, {PtpVendor_None, 0x5007, 8, "v5"},
    };
    for (const auto& c : cases) {
        become(c.vendor);
        ten_values(c.code);
        SCOPED_TRACE(testing::Message() << c.vendor << " 0x" << std::hex << c.code);
        EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrSteps(c.code, 102, 1, 2), c.brighterShots);
        const char* end = PtpGenericInterface_GetEndHdrValue(c.code, 104, 1, 3, 0, 2);
        ASSERT_NE(end, nullptr);
        EXPECT_STREQ(end, c.darkerEnd);
    }
}

TEST(HdrEnd, ValueASeriesEndsOn) {
    become();
    ten_values(kShutter); // Canon: darker toward later entries
    struct {
        uint32_t code;
        uint32_t value;
        int32_t step;
        uint32_t shots;
        uint8_t mode;
        uint8_t direction; // 1 the brighter end, 2 the darker end
        const char* label; // null: none
    } cases[] = {
        {kShutter, 104, 1, 3, 0, 1, "v3"}, // centred: one each side
        {kShutter, 104, 2, 5, 0, 2, "v8"},
        {kShutter, 104, 1, 4, 0, 2, "v5"}, // (4 - 1) / 2 + 1 = 2 per side
        {kShutter, 102, 2, 4, 1, 2, "v8"}, // one-sided: all four that way
        {kShutter, 104, -1, 3, 0, 2, "v3"},
        {kShutter, 104, 1, 1, 0, 2, "v4"},
        {kShutter, 104, 3, 5, 0, 2, nullptr}, // past the end
        {kShutter, 104, 5, 3, 0, 1, nullptr}, // before the start
        {kShutter, 104, INT32_MIN, UINT32_MAX, 1, 2, nullptr},
        {kShutter, 104, 1, 0, 1, 2, nullptr}, // no shots
        {kShutter, 999, 1, 3, 0, 2, nullptr}, // not listed
        {0xD101, 104, 1, 3, 0, 2, nullptr},   // no record
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " step " << c.step << " shots " << c.shots);
        const char* end = PtpGenericInterface_GetEndHdrValue(c.code, c.value, c.step, c.shots,
                                                             c.mode, c.direction);
        if (!c.label) {
            EXPECT_EQ(end, nullptr);
        } else {
            ASSERT_NE(end, nullptr);
            EXPECT_STREQ(end, c.label);
        }
    }
}

TEST(HdrEnd, LabelBelongsToTheCallingThread) {
    become();
    PtpPropertyRecord* r = ten_values(kShutter);
    const char* mine = PtpGenericInterface_GetEndHdrValue(kShutter, 104, 1, 3, 0, 2);
    ASSERT_NE(mine, nullptr);
    ASSERT_STREQ(mine, "v5");
    std::string theirs;
    std::thread other([&] {
        const char* t = PtpGenericInterface_GetEndHdrValue(kShutter, 101, 1, 3, 0, 2);
        if (t) theirs = t;
    });
    other.join();
    EXPECT_EQ(theirs, "v2");
    // A copy: neither another thread's call nor a new label in the store changes it.
    std::snprintf(r->values[5].label, sizeof r->values[5].label, "changed");
    EXPECT_STREQ(mine, "v5");
}

// --- Bulb series -------------------------------------------------------------------------------

TEST(HdrBulb, StepsThatStayAbove100Milliseconds) {
    struct {
        uint32_t baseMs;
        float stops;
        uint32_t mode;
        uint32_t steps;
    } cases[] = {
        {400, 1.0f, 1, 3}, // 200 and 100 still allowed; 50 not
        {400, 1.0f, 2, 100},  {50, 1.0f, 0, 1},
        {1000, 2.0f, 1, 2},   // 1000 -> 500 -> 250; 250 -> 125 -> 63
        {1000, 0.5f, 1, 9},   // 750 563 423 318 239 180 135 102, then 77
        {1000, 0.0f, 1, 101}, // never shorter: at most 100 steps
        {1000, 3.0f, 0, 3},   // 1000 -> 500 -> 250 -> 125: one step; then 63 -> 32 -> 16
    };
    for (const auto& c : cases)
        EXPECT_EQ(PtpGenericInterface_GetMaxNumberOfHdrBulbSteps(c.baseMs, c.stops, c.mode),
                  c.steps)
            << c.baseMs << " " << c.stops << " " << c.mode;
}

TEST(HdrBulb, Durations) {
    struct {
        uint32_t baseMs;
        float stops;
        std::vector<uint32_t> durations;
    } cases[] = {
        {1000, 1.0f, {500, 1000, 2000}},
        {100, 1.0f, {100}},
        {1000, 0.5f, {500, 707, 1000, 1414, 2000}},
        {0xFFFFFFFF, 10.0f, {4194304, 0xFFFFFFFF, 0xFFFFFFFF}},
    };
    for (const auto& c : cases) {
        uint32_t* d = PtpGenericInterface_CalculateBulbDuration(c.baseMs, c.stops,
                                                                int32_t(c.durations.size()));
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(std::vector<uint32_t>(d, d + c.durations.size()), c.durations) << c.baseMs;
        FreeMemory(d);
    }
    // An empty series is an empty buffer, freed like any other; a series
    // longer than the limit is refused.
    for (int32_t count : {0, -1, INT32_MIN}) {
        uint32_t* d = PtpGenericInterface_CalculateBulbDuration(1000, 1.0f, count);
        EXPECT_NE(d, nullptr) << count;
        FreeMemory(d);
    }
    EXPECT_EQ(PtpGenericInterface_CalculateBulbDuration(1000, 1.0f, PTP_BULB_DURATIONS_MAX + 1),
              nullptr);
    uint32_t* most = PtpGenericInterface_CalculateBulbDuration(1000, 0.0f, PTP_BULB_DURATIONS_MAX);
    ASSERT_NE(most, nullptr);
    EXPECT_EQ(most[PTP_BULB_DURATIONS_MAX - 1], 1000u);
    FreeMemory(most);
}

} // namespace
