// The Canon model table, row by row from its own data, the edge cases of the
// model texts, and the settings an evaluation leaves for the session.
#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "eos/eos_models.h"
#include "generic/property_names.h"
#include "ptp_eos.h"
#include "support/eos_scripted_camera.h"

namespace {

size_t row_index(const PtpEosModelRow* row) { return size_t(row - kEosModelRows); }

// Model texts built from a row's own patterns: its allOf texts, plus each anyOf
// text in turn. "Canon " in front, as the cameras report.
std::vector<std::string> texts_of(const PtpEosModelRow& row) {
    std::string base = "Canon";
    for (const char* all : row.allOf)
        if (all) base += std::string(" ") + all;
    if (!row.anyOf[0]) return {base};
    std::vector<std::string> texts;
    for (const char* any : row.anyOf)
        if (any) texts.push_back(base + " " + any);
    return texts;
}

// Alternatives that an earlier row claims under the first-match rule, with a text
// of the row that wins.
struct Shadowed {
    const char* text;
    const char* winner;
};
const Shadowed kShadowed[] = {
    {"Canon 77D", "Canon 7D"},        // every "7D" is settled by the first rows
    {"Canon Kiss X50", "Canon 600D"}, // contains "Kiss X5"
    {"Canon Kiss X70", "Canon 700D"}, // contains "Kiss X7"
    {"Canon Kiss X80", "Canon 750D"}, // contains "Kiss X8"
    {"Canon Kiss X7", "Canon 700D"},  // the 100D row's; the 700D row lists it first
};

const char* shadow_winner(const std::string& text) {
    for (const Shadowed& s : kShadowed)
        if (text == s.text) return s.winner;
    return nullptr;
}

TEST(EosModelTable, EveryRowIsReachedByItsOwnTextsAndGivesItsSettings) {
    size_t shadowedSeen = 0;
    std::set<int> ids;
    for (size_t i = 0; i < kEosModelRowCount; ++i) {
        const PtpEosModelRow& row = kEosModelRows[i];
        ids.insert(row.modelId);
        for (const std::string& text : texts_of(row)) {
            SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + text);
            const PtpEosModelRow* found = PtpEos_FindModelRow(text.c_str());
            ASSERT_NE(found, nullptr);
            if (found != &row) {
                const char* winner = shadow_winner(text);
                ASSERT_NE(winner, nullptr) << "claimed by row " << row_index(found) + 1;
                ++shadowedSeen;
                EXPECT_LT(row_index(found), i);
                EXPECT_EQ(found, PtpEos_FindModelRow(winner));
                continue;
            }
            PtpEosModelSettings s = PtpEos_SettingsForModel(text.c_str());
            EXPECT_EQ(s.modelId, row.modelId);
            EXPECT_EQ(s.imageWidth, row.width);
            EXPECT_EQ(s.imageHeight, row.height);
            EXPECT_EQ(s.mirrorless, (row.flags & kEosRowMirrorless) != 0);
            EXPECT_EQ(s.movieSelect, (row.flags & kEosRowNoMovieSelect) == 0);
            EXPECT_EQ(s.touchFocus, (row.flags & kEosRowNoTouchFocus) == 0);
            EXPECT_EQ(s.supported, (row.flags & kEosRowUnsupported) == 0);
        }
        if (row.noneOf) {
            std::string excluded = texts_of(row)[0] + " " + row.noneOf;
            EXPECT_NE(PtpEos_FindModelRow(excluded.c_str()), &row) << excluded;
        }
    }
    EXPECT_EQ(shadowedSeen, sizeof kShadowed / sizeof kShadowed[0]);

    // The model numbers the other Canon rules compare against: 225 to 252, no 238.
    for (int id = 225; id <= 252; ++id)
        EXPECT_EQ(ids.count(id), id == 238 ? 0u : 1u) << id;
}

TEST(EosModelTable, LastRowTakesEverythingElseAndRefusesIt) {
    const PtpEosModelRow& last = kEosModelRows[kEosModelRowCount - 1];
    EXPECT_EQ(PtpEos_FindModelRow("Canon PowerShot SX70 HS"), &last);
    EXPECT_EQ(PtpEos_FindModelRow(""), &last);
    EXPECT_FALSE(PtpEos_SettingsForModel("Canon PowerShot SX70 HS").supported);
}

struct ModelCase {
    const char* text;
    double width, height;
    int modelId;
    bool mirrorless, movieSelect, touchFocus, supported;
};

TEST(EosModelTable, CameraModelTexts) {
    const ModelCase cases[] = {
        // Rebel names are not EOS R bodies.
        {"Canon EOS REBEL T7i", 6000, 4000, 240, false, true, true, true},
        {"Canon EOS Rebel SL1", 5184, 3456, 235, false, true, true, true},
        {"Canon EOS 77D", 5184, 3456, 0, false, true, true, true},
        {"Canon EOS 7D Mark II", 5472, 3648, 236, false, true, true, true},
        {"Canon EOS R6m2", 5472, 3648, 230, true, true, true, true},
        {"Canon EOS R6 Mark III", 6960, 4640, 252, true, true, true, true},
        {"canon eos r5", 8192, 5464, 230, true, true, true, true},
        {"Canon EOS 5D", 5616, 3744, 0, false, true, true, false},
        {"Canon EOS 5D Mark II", 5616, 3744, 225, false, false, true, true},
        {"Canon EOS 5D Mark IV", 6720, 4480, 0, false, true, true, true},
        {"Canon EOS 5DS R", 8688, 5792, 226, false, true, true, true},
        {"Canon EOS 1000D", 3888, 2592, 0, false, true, true, false},
        {"Canon EOS-1D Mark III", 3888, 2592, 0, false, true, false, true},
        {"Canon EOS-1D X Mark III", 5472, 3648, 229, false, true, true, true},
        {"Canon EOS-1D X", 5184, 3456, 0, false, false, true, true},
        {"Canon EOS 40D", 3888, 2592, 0, false, true, false, true},
        {"Canon EOS 90D", 6940, 4640, 227, false, true, true, true},
        {"Canon EOS Kiss X7i", 5184, 3456, 237, false, true, true, true},
        {"Canon EOS M6 Mark II", 6983, 4655, 233, true, true, true, true},
        {"Canon EOS Kiss M", 6012, 4008, 231, true, true, true, true},
        {"Canon PowerShot G7 X Mark III", 5472, 3648, 232, true, true, true, true},
    };
    for (const ModelCase& c : cases) {
        SCOPED_TRACE(c.text);
        PtpEosModelSettings s = PtpEos_SettingsForModel(c.text);
        EXPECT_EQ(s.imageWidth, c.width);
        EXPECT_EQ(s.imageHeight, c.height);
        EXPECT_EQ(s.modelId, c.modelId);
        EXPECT_EQ(s.mirrorless, c.mirrorless);
        EXPECT_EQ(s.movieSelect, c.movieSelect);
        EXPECT_EQ(s.touchFocus, c.touchFocus);
        EXPECT_EQ(s.supported, c.supported);
    }
}

TEST(EosModelTable, ModelNumbersOfTheCanonFamilies) {
    // The numbers the Canon rules compare against, by family, for texts other
    // than the rows' own.
    struct {
        const char* text;
        int modelId;
    } cases[] = {
        {"Canon EOS 750D", 239},      {"Canon EOS 760D", 239},     {"Canon EOS 200D", 241},
        {"Canon EOS 250D", 242},      {"Canon EOS 850D", 243},     {"Canon EOS 650D", 244},
        {"Canon EOS REBEL SL3", 242}, {"Canon EOS Kiss X9i", 240},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PtpEos_SettingsForModel(c.text).modelId, c.modelId) << c.text;
}

TEST(EosModelTable, OnlyTheFirst255CharactersCount) {
    // 249 + 6 characters: "EOS R5" ends exactly at the limit.
    std::string inside = std::string(249, 'x') + "EOS R5";
    EXPECT_EQ(PtpEos_SettingsForModel(inside.c_str()).modelId, 230);
    // Two characters later only "EOS " lies inside: no row but the last.
    std::string beyond = std::string(251, 'x') + "EOS R5";
    EXPECT_FALSE(PtpEos_SettingsForModel(beyond.c_str()).supported);
    EXPECT_EQ(PtpEos_FindModelRow(nullptr), nullptr);
    EXPECT_FALSE(PtpEos_SettingsForModel(nullptr).supported);
}

// --- Evaluation for the session ------------------------------------------------------

bool evaluate(const char* model) {
    ScriptedCamera camera;
    camera.model = model;
    EXPECT_TRUE(scripted_connect(camera)) << model;
    return PtpEos_EvaluateModel();
}

TEST(EosModelEvaluation, SettingsAreResetForEachModel) {
    EXPECT_TRUE(evaluate("Canon EOS 40D"));
    EXPECT_FALSE(PtpEos_CanTouchFocus());
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 0);
    EXPECT_FALSE(PtpNames_SessionContext().canonMirrorless);

    EXPECT_TRUE(evaluate("Canon EOS R"));
    EXPECT_TRUE(PtpEos_CanTouchFocus());
    EXPECT_TRUE(PtpEos_IsMirrorless());
    EXPECT_TRUE(PtpNames_SessionContext().canonMirrorless); // shutter code 4 reads "Auto"
    EXPECT_TRUE(PtpEos_UsesMovieSelect());
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 228);
    EXPECT_EQ(PtpEos_ImageWidth(), 6720);
    EXPECT_EQ(PtpEos_ImageHeight(), 4480);

    EXPECT_TRUE(evaluate("Canon EOS 5D Mark II"));
    EXPECT_FALSE(PtpEos_IsMirrorless());
    EXPECT_FALSE(PtpNames_SessionContext().canonMirrorless);
    EXPECT_FALSE(PtpEos_UsesMovieSelect());
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 225);

    // An unknown body clears the previous model number.
    EXPECT_FALSE(evaluate("Canon EOS D30"));
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 0);
    EXPECT_TRUE(PtpEos_UsesMovieSelect());
}

TEST(EosModelEvaluation, TheSessionModelCheckAsksTheTable) {
    ScriptedCamera camera;
    camera.model = "Canon EOS 5D";
    ASSERT_TRUE(scripted_connect(camera));
    EXPECT_FALSE(PtpIsCameraModelSupported());

    camera.model = "Canon EOS R8";
    ASSERT_TRUE(scripted_connect(camera));
    EXPECT_TRUE(PtpIsCameraModelSupported());
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 247);

    // Before the vendor is known the Canon table is asked first.
    PtpSession_SetVendor(PtpVendor_None);
    PtpSession_SetModel(0);
    EXPECT_TRUE(PtpIsCameraModelSupported());
    EXPECT_EQ(PtpGenericInterface_CameraModel(), 247);
}

TEST(EosModelEvaluation, RawFormatFollowsTheModel) {
    struct {
        const char* model;
        uint32_t format;
    } cases[] = {
        {"Canon EOS 90D", 0xB108},        {"Canon EOS-1D X Mark III", 0xB108},
        {"Canon EOS R8", 0xB108},         {"Canon EOS M50", 0xB108},
        {"Canon EOS 7D Mark II", 0xB103}, {"Canon EOS 1D X Mark II", 0xB103},
    };
    for (const auto& c : cases) {
        evaluate(c.model);
        EXPECT_EQ(PtpEosInterface_RawImageFormat(), c.format) << c.model;
    }
}

TEST(EosModelEvaluation, SettingsAreReadWhileAnotherThreadEvaluates) {
    // The event thread reads the flags (shutter labels, synthetic records) while
    // a host thread may start a session; every read sees one whole row.
    evaluate("Canon EOS 40D");
    std::atomic<bool> done{false};
    std::thread reader([&] {
        while (!done.load()) {
            PtpEosModelSettings s = PtpEos_ModelSettings();
            bool rowOfR = s.modelId == 228 && s.mirrorless && s.imageWidth == 6720;
            bool rowOf40D = s.modelId == 0 && !s.mirrorless && !s.touchFocus;
            EXPECT_TRUE(rowOfR || rowOf40D);
            uint32_t raw = PtpEosInterface_RawImageFormat();
            EXPECT_TRUE(raw == 0xB103 || raw == 0xB108);
        }
    });
    for (int i = 0; i < 100; ++i)
        evaluate(i % 2 ? "Canon EOS R" : "Canon EOS 40D");
    done.store(true);
    reader.join();
}

} // namespace
