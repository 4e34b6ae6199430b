// The Canon model table: the order of its rows, the settings of known model
// texts and their edge cases, and the settings an evaluation leaves for the session.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "eos/eos_models.h"
#include "generic/property_names.h"
#include "ptp_eos.h"
#include "support/eos_scripted_camera.h"

namespace {

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

// The order of the rows decides: a row placed after a broader one is never
// reached. Every row must be the first match of at least one of its own texts
// (some alternatives are claimed earlier: "77D" by "7D", "Kiss X50" by "Kiss X5").
// Settings are checked against the independent table below, not the rows.
TEST(EosModelTable, EveryRowIsReachedByItsOwnTexts) {
    for (size_t i = 0; i < kEosModelRowCount; ++i) {
        const PtpEosModelRow& row = kEosModelRows[i];
        bool reached = false;
        for (const std::string& text : texts_of(row))
            reached = reached || PtpEos_FindModelRow(text.c_str()) == &row;
        EXPECT_TRUE(reached) << "row " << i + 1 << ": " << texts_of(row)[0];
        if (row.noneOf) {
            std::string excluded = texts_of(row)[0] + " " + row.noneOf;
            EXPECT_NE(PtpEos_FindModelRow(excluded.c_str()), &row) << excluded;
        }
    }
    // The last row takes everything else and refuses it.
    EXPECT_EQ(PtpEos_FindModelRow("Canon PowerShot SX70 HS"),
              &kEosModelRows[kEosModelRowCount - 1]);
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
        {"Canon EOS 77D", 5184, 3456, 0, false, true, true, true},
        {"Canon EOS R6m2", 5472, 3648, 230, true, true, true, true},
        {"Canon EOS R6 Mark III", 6960, 4640, 252, true, true, true, true},
        {"canon eos r5", 8192, 5464, 230, true, true, true, true},
        {"Canon EOS 5D", 5616, 3744, 0, false, true, true, false},
        {"Canon EOS 5D Mark II", 5616, 3744, 225, false, false, true, true},
        {"Canon EOS 1000D", 3888, 2592, 0, false, true, true, false},
        {"Canon EOS-1D Mark III", 3888, 2592, 0, false, true, false, true},
        {"Canon EOS-1D X Mark III", 5472, 3648, 229, false, true, true, true},
        {"Canon EOS-1D X", 5184, 3456, 0, false, false, true, true},
        {"Canon EOS 40D", 3888, 2592, 0, false, true, false, true},
        {"Canon EOS 90D", 6940, 4640, 227, false, true, true, true},
        {"Canon EOS M6 Mark II", 6983, 4655, 233, true, true, true, true},
        {"Canon PowerShot G7 X Mark III", 5472, 3648, 232, true, true, true, true},
        {"Canon EOS 760D", 6000, 4000, 239, false, true, true, true},
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

TEST(EosModelEvaluation, EachEvaluationReplacesTheSettings) {
    // In this order: each row's settings replace all of the previous body's.
    struct {
        const char* model;
        bool supported;
        int modelId;
        bool touchFocus, mirrorless, movieSelect;
        uint32_t rawFormat;
    } cases[] = {
        {"Canon EOS 40D", true, 0, false, false, true, 0xB103},
        {"Canon EOS R", true, 228, true, true, true, 0xB108},
        {"Canon EOS 5D Mark II", true, 225, true, false, false, 0xB103},
        {"Canon EOS 90D", true, 227, true, false, true, 0xB108}, // CR3 with a mirror
        {"Canon EOS-1D X Mark III", true, 229, true, false, true, 0xB108},
        {"Canon EOS D30", false, 0, true, false, true, 0xB103}, // unknown: clears the number
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.model);
        EXPECT_EQ(evaluate(c.model), c.supported);
        EXPECT_EQ(PtpGenericInterface_CameraModel(), c.modelId);
        EXPECT_EQ(PtpEos_CanTouchFocus(), c.touchFocus);
        EXPECT_EQ(PtpEos_IsMirrorless(), c.mirrorless);
        // The names module reads the flag too: shutter code 4 reads "Auto" without a mirror.
        EXPECT_EQ(PtpNames_SessionContext().mirrorless, c.mirrorless);
        EXPECT_EQ(PtpEos_UsesMovieSelect(), c.movieSelect);
        EXPECT_EQ(PtpEosInterface_RawImageFormat(), c.rawFormat);
    }
    EXPECT_EQ(PtpEos_ImageWidth(), 3888); // the D30 falls to the last row
    EXPECT_EQ(PtpEos_ImageHeight(), 2592);
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
