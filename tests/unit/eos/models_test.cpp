// The Canon model table: the order of its rows, its text limit, and the settings
// an evaluation of known model texts and their edge cases leaves for the session.
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

// A row placed after a broader one is never reached (some alternatives are claimed
// earlier: "77D" by "7D", "Kiss X50" by "Kiss X5").
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

// Known model texts and their edge cases, evaluated in this order: each row's
// settings replace all of the previous body's.
TEST(EosModelEvaluation, EachEvaluationReplacesTheSettings) {
    const uint32_t cr2 = 0xB103, cr3 = 0xB108;
    struct {
        const char* model;
        bool supported;
        int modelId;
        bool touchFocus, mirrorless, movieSelect;
        uint32_t rawFormat;
        double width, height;
    } cases[] = {
        {"Canon EOS 40D", true, 0, false, false, true, cr2, 3888, 2592},
        {"Canon EOS R", true, 228, true, true, true, cr3, 6720, 4480},
        {"Canon EOS REBEL T7i", true, 240, true, false, true, cr2, 6000, 4000}, // not an EOS R
        {"Canon EOS 77D", true, 0, true, false, true, cr2, 5184, 3456},         // not the 7D
        {"canon eos r5", true, 230, true, true, true, cr3, 8192, 5464},
        {"Canon EOS 5D Mark II", true, 225, true, false, false, cr2, 5616, 3744},
        {"Canon EOS 5D", false, 0, true, false, true, cr2, 5616, 3744},
        {"Canon EOS-1D X Mark III", true, 229, true, false, true, cr3, 5472, 3648},
        {"Canon EOS-1D X", true, 0, true, false, false, cr2, 5184, 3456},
        {"Canon EOS 90D", true, 227, true, false, true, cr3, 6940, 4640}, // CR3 with a mirror
        {"Canon PowerShot G7 X Mark III", true, 232, true, true, true, cr3, 5472, 3648},
        {"Canon EOS D30", false, 0, true, false, true, cr2, 3888, 2592}, // the last row
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
        EXPECT_EQ(PtpEos_ImageWidth(), c.width);
        EXPECT_EQ(PtpEos_ImageHeight(), c.height);
    }
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
