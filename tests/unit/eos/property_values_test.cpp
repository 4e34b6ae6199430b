// Canon property writes, reads and refresh; event data comes through the virtual Tetherhub.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "eos/eos_session.h"
#include "generic/property_store.h"
#include "generic/session.h"
#include "ptp_comms.h"
#include "sim_hub.h"
#include "support/capture_script.h"
#include "support/eos_event_block.h"

namespace {

using namespace eosblock;
using scripted::Call;
using scripted::Command;

const std::vector<uint16_t> kOps = {0x9110, 0x9114, 0x9115, 0x911D, 0x9127};

class EosProperties : public ::testing::Test {
  protected:
    SimHub* hub = nullptr;

    void SetUp() override {
        SimOptions options;
        options.camera = "canon";
        options.empty_card = true;
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
        canon(kOps);
    }
    void TearDown() override {
        PtpGenericInterface_StopEventCheckLoop(1);
        scripted::camera().responder = nullptr;
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    Bytes info;
    // PTP goes to the scripted camera; event data still comes from the hub.
    void canon(const std::vector<uint16_t>& ops, const std::vector<uint16_t>& props = {}) {
        info = connect_canon("Canon EOS 5D Mark IV", ops, props);
    }
    void respond(scripted::Responder r) { answer_with(info, std::move(r)); }
    void push(const Block& block) { SimHub_PushEventData(hub, block.bytes()); }
    uint32_t fetches() { return SimHub_Stats(hub).control_requests[130]; }
    static PtpPropertyRecord* prop(uint32_t code) {
        return PtpGenericInterface_GetProperty(code, 0);
    }
};

TEST_F(EosProperties, WritesSendTheValueOrItsCompound) {
    struct Case {
        uint32_t code;
        uint32_t value;
        Bytes data;
    } cases[] = {
        {0xD101, 0x30, u32s({12, 0xD101, 0x30})},
        {0xD1B0, 0xFFFFFFFF, u32s({12, 0xD1B0, 0xFFFFFFFF})},
        // "RAW + Large Fine JPEG"
        {0xD120, 0x26010403, u32s({44, 0xD120, 2, 16, 6, 0, 4, 16, 1, 0, 3})},
        // "S3 Normal JPEG"
        {0xD121, 0x11408000, u32s({28, 0xD121, 1, 16, 1, 16, 2})},
        // Packed codes without one or two formats are refused unsent.
        {0xD120, 0x36010403, {}},
        {0xD120, 0x06010000, {}},
        {0xD120, 0xFFFFFFFF, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        scripted::clear_sent();
        EXPECT_EQ(PtpEos_WritePropertyValue(c.code, c.value),
                  c.data.empty() ? PtpResult_InvalidArgument : PtpResult_Ok);
        std::vector<Command> sent = scripted::sent();
        ASSERT_EQ(sent.size(), c.data.empty() ? 0u : 1u);
        if (c.data.empty()) continue;
        EXPECT_EQ(sent[0].op, 0x9110);
        EXPECT_TRUE(sent[0].params.empty());
        EXPECT_EQ(sent[0].data, c.data);
    }
}

TEST_F(EosProperties, RequestReadsTheValueBytes) {
    respond([](const Command& c) {
        return c.params.at(0) == 0xD101 ? scripted::with_data({0x30, 0, 0, 0})
                                        : scripted::answer(0x200A);
    });
    uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_EQ(PtpEos_RequestPropertyValue(0xD101, &data, &length), PtpResult_Ok);
    EXPECT_EQ(Bytes(data, data + length), (Bytes{0x30, 0, 0, 0}));
    std::free(data);
    std::vector<Call> want = {{0x9127, {0xD101}}};
    EXPECT_EQ(scripted::calls(), want);

    EXPECT_EQ(PtpEos_RequestPropertyValue(0xD102, &data, &length), 0x200A);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(PtpEos_RequestPropertyValue(0xD101, nullptr, &length), PtpResult_InvalidArgument);
}

TEST_F(EosProperties, GenericRefreshReachesTheDriver) {
    ASSERT_EQ(parse(Block().allowed(0xD101, {0x28, 0x30})), PtpResult_Ok);
    respond([](const Command& c) {
        return c.op == 0x9127 ? scripted::with_data({0x30, 0, 0, 0}) : scripted::ok();
    });
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyValue(0xD101), PtpResult_Ok);
    EXPECT_EQ(prop(0xD101)->currentValue, 0x30u);
}

TEST_F(EosProperties, StartSessionRunsTheCanonSequenceAndStopsAtTheFirstFailure) {
    const Call remote{0x9114, {1}}, events{0x9115, {1}}, everything{0x913D, {0x1FFF}};
    struct Case {
        const char* what;
        bool listsAll;
        uint16_t failing;
        PtpResult expected;
        std::vector<Call> calls;
        uint32_t fetches;
    } cases[] = {
        {"all succeed", true, 0, PtpResult_Ok, {remote, events, everything}, 2},
        {"0x913D not listed", false, 0, PtpResult_Ok, {remote, events}, 2},
        {"remote mode refused", true, 0x9114, 0x2003, {remote}, 0},
        {"0x913D refused", true, 0x913D, 0x2003, {remote, events, everything}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint16_t> ops = kOps;
        if (c.listsAll) ops.push_back(0x913D);
        canon(ops);
        uint16_t failing = c.failing;
        respond([failing](const Command& cmd) {
            return cmd.op == failing ? scripted::answer(0x2003) : scripted::ok();
        });
        uint32_t before = fetches();
        EXPECT_EQ(PtpEos_StartSession(0), c.expected);
        EXPECT_EQ(scripted::calls(), c.calls);
        EXPECT_EQ(fetches() - before, c.fetches);
    }
}

TEST_F(EosProperties, RefreshAsksForTheReportThenParsesIt) {
    push(Block().allowed(0xD103, {0x48, 0x50}));
    EXPECT_EQ(PtpGenericInterface_RefreshPropertyDescription(0), PtpResult_Ok);
    std::vector<Call> want = {{0x9115, {1}}};
    EXPECT_EQ(scripted::calls(), want);
    ASSERT_NE(prop(0xD103), nullptr);
    EXPECT_EQ(prop(0xD103)->valueCount, 2);

    // The reload of every property is the same refresh.
    push(Block().value32(0xD103, 0x50));
    EXPECT_EQ(PtpReloadAllProperties(), PtpResult_Ok);
    EXPECT_EQ(prop(0xD103)->currentValue, 0x50u);

    // A refused request fetches nothing.
    respond([](const Command&) { return scripted::answer(0x2002); });
    uint32_t before = fetches();
    EXPECT_EQ(PtpEos_RefreshAllProperties(), 0x2002);
    EXPECT_EQ(fetches(), before);
}

} // namespace
