// The transaction engine against a scripted transport: admission, the id
// counter, the phases, the busy retry and lock release on every path.
#include "ptp/transaction.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "support/test_data.h"

namespace {

// One scripted answer of the receive callback.
struct Answer {
    PtpResult rc = PtpResult_Ok;
    std::vector<uint8_t> container;
};

struct FakeTransport {
    std::vector<std::vector<uint8_t>> sent;
    std::deque<Answer> answers;
    PtpResult sendResult = PtpResult_Ok;
    std::vector<int> lockCalls;  // 1 take, 0 release
    int32_t lockResult = 1;
    std::chrono::milliseconds sendDelay{0};
};

FakeTransport g_fake;

PtpResult fake_send(const uint8_t* buf, uint32_t len) {
    g_fake.sent.emplace_back(buf, buf + len);
    if (g_fake.sendDelay.count()) std::this_thread::sleep_for(g_fake.sendDelay);
    return g_fake.sendResult;
}

PtpResult fake_receive(uint8_t** out) {
    *out = nullptr;
    if (g_fake.answers.empty()) return PtpResult_ConnectionLost;
    Answer a = g_fake.answers.front();
    g_fake.answers.pop_front();
    if (!a.container.empty()) *out = testdata::heap_copy(a.container).release();
    return a.rc;
}

int32_t fake_lock(uint8_t acquire) {
    g_fake.lockCalls.push_back(acquire);
    return acquire ? g_fake.lockResult : 1;
}

std::vector<uint8_t> container(uint16_t type, uint16_t code, const std::vector<uint8_t>& payload) {
    ByteWriter w;
    write_u32(w, uint32_t(12 + payload.size()));
    write_u16(w, type);
    write_u16(w, code);
    write_u32(w, 0);
    write_bytes(w, payload.data(), payload.size());
    return w.buf;
}

Answer response(uint16_t code, std::vector<uint32_t> params = {}) {
    ByteWriter w;
    for (uint32_t p : params) write_u32(w, p);
    return {PtpResult_Ok, container(3, code, w.buf)};
}

Answer data(const std::vector<uint8_t>& payload) { return {PtpResult_Ok, container(2, 0x1001, payload)}; }

class Engine : public ::testing::Test {
protected:
    void SetUp() override {
        g_fake = FakeTransport{};
        PtpTransaction_SetTransport(fake_send, fake_receive);
        PtpTransaction_SetLinkLock(fake_lock);
        const uint16_t listed[] = {0x1005, 0x9116, 0x1014};
        PtpTransaction_SetSupportedOperations(listed, 3);
    }
    PtpResult run(uint16_t op, std::vector<uint32_t> params = {}, uint8_t** in = nullptr,
                  uint32_t* inLen = nullptr, uint32_t* resp = nullptr) {
        return PtpTransaction_Execute(op, params.data(), uint32_t(params.size()), nullptr, 0, in,
                                      inLen, resp, 1);
    }
};

TEST_F(Engine, AdmitsListedOperationsAndTheAlwaysAdmittedOnes) {
    struct Case {
        uint16_t op;
        bool admitted;
    } cases[] = {{0x1001, true}, {0x1009, true},  {0x1005, true},
                 {0x9116, true}, {0x1004, false}, {0x9999, false}};
    for (const Case& c : cases) {
        g_fake.sent.clear();
        g_fake.answers = {response(0x2001)};
        EXPECT_EQ(run(c.op), c.admitted ? PtpResult_Ok : PtpResult_OperationNotSupported) << c.op;
        EXPECT_EQ(g_fake.sent.size(), c.admitted ? 1u : 0u) << c.op;
    }
    // With no list at all only the always-admitted operations pass.
    PtpTransaction_SetSupportedOperations(nullptr, 0);
    EXPECT_TRUE(PtpTransaction_IsAdmitted(0x1009));
    EXPECT_TRUE(PtpTransaction_IsAdmitted(0x1001));
    EXPECT_FALSE(PtpTransaction_IsAdmitted(0x1004));
    EXPECT_FALSE(PtpTransaction_IsAdmitted(0x1005));
}

TEST_F(Engine, CommandAndDataGoOutInOneBufferWithTheSameId) {
    PtpTransaction_ResetTransactionId();
    const uint32_t params[] = {0xD101, 7};
    const uint8_t payload[] = {0xAA, 0xBB, 0xCC};
    g_fake.answers = {response(0x2001)};
    ASSERT_EQ(PtpTransaction_Execute(0x1014, params, 2, payload, 3, nullptr, nullptr, nullptr, 1),
              PtpResult_Ok);
    ASSERT_EQ(g_fake.sent.size(), 1u);
    // The command with its two parameters, then the data container, both with id 0.
    EXPECT_EQ(g_fake.sent[0], (std::vector<uint8_t>{20, 0, 0, 0, 1, 0, 0x14, 0x10, 0, 0, 0, 0,
                                                    0x01, 0xD1, 0, 0, 7, 0, 0, 0,
                                                    15, 0, 0, 0, 2, 0, 0x14, 0x10, 0, 0, 0, 0,
                                                    0xAA, 0xBB, 0xCC}));
}

TEST_F(Engine, IdAdvancesOnlyAfterASuccessfulSend) {
    PtpTransaction_ResetTransactionId();
    g_fake.answers = {response(0x2001), response(0x2001)};
    ASSERT_EQ(run(0x1001), PtpResult_Ok);
    EXPECT_EQ(PtpTransaction_NextTransactionId(), 1u);
    g_fake.sendResult = PtpResult_ConnectionLost;
    EXPECT_EQ(run(0x1001), PtpResult_ConnectionLost);
    EXPECT_EQ(PtpTransaction_NextTransactionId(), 1u);
    std::vector<uint32_t> six(6, 1);
    g_fake.sendResult = PtpResult_Ok;
    size_t sentBefore = g_fake.sent.size();
    EXPECT_EQ(run(0x1001, six), PtpResult_InvalidData);
    EXPECT_EQ(g_fake.sent.size(), sentBefore);
    EXPECT_EQ(PtpTransaction_NextTransactionId(), 1u);
    // A failure after the command phase leaves the counter advanced.
    g_fake.answers = {{PtpResult_ConnectionLost, {}}};
    EXPECT_EQ(run(0x1001), PtpResult_ConnectionLost);
    EXPECT_EQ(PtpTransaction_NextTransactionId(), 2u);
}

// How the phases after the command end: the result, the data handed over (or
// none), and the response parameter (untouched without one).
TEST_F(Engine, ClosingPhases) {
    Answer noResponse{PtpResult_RelayNoResponse, {}}, lost{PtpResult_ConnectionLost, {}};
    Answer tiny = response(0x2001);
    put_u32(tiny.container.data(), 8); // a length under the header size
    struct Case {
        const char* what;
        bool wantsData;
        std::deque<Answer> answers;
        PtpResult rc;
        std::vector<uint8_t> data; // empty: null
        uint32_t resp;
    } cases[] = {
        {"data and a parameter", true, {data({1, 2, 3, 4, 5}), response(0x2001, {0x42})},
         PtpResult_Ok, {1, 2, 3, 4, 5}, 0x42},
        {"refusal in place of the data", true, {response(0x2002)}, 0x2002, {}, 0xDEAD},
        {"no container for the data", true, {noResponse}, PtpResult_RelayNoResponse, {}, 0xDEAD},
        {"no container for the response", false, {noResponse}, PtpResult_Ok, {}, 0xDEAD},
        {"data, no response container", true, {data({9}), noResponse}, PtpResult_Ok, {9}, 0xDEAD},
        {"data kept when the response fails", true, {data({7, 7}), lost}, PtpResult_ConnectionLost,
         {7, 7}, 0xDEAD},
        {"data where the response belongs", false, {data({1})}, PtpResult_UnexpectedContainer, {},
         0xDEAD},
        {"command where the data belongs", true, {{PtpResult_Ok, container(1, 0x1001, {})}},
         PtpResult_UnexpectedContainer, {}, 0xDEAD},
        {"length under the header", false, {tiny}, PtpResult_BadReply, {}, 0xDEAD},
        {"nothing handed over", false, {{PtpResult_Ok, {}}}, PtpResult_BadReply, {}, 0xDEAD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t* in = reinterpret_cast<uint8_t*>(this);
        uint32_t inLen = 99, resp = 0xDEAD;
        g_fake.answers = c.answers;
        EXPECT_EQ(run(0x1001, {}, c.wantsData ? &in : nullptr, c.wantsData ? &inLen : nullptr,
                      &resp),
                  c.rc);
        EXPECT_EQ(resp, c.resp);
        if (!c.wantsData) continue;
        EXPECT_EQ(in == nullptr, c.data.empty());
        EXPECT_EQ(inLen, c.data.size());
        if (in) EXPECT_EQ(std::vector<uint8_t>(in, in + inLen), c.data);
        std::free(in);
    }
}

TEST_F(Engine, LinkLockIsReleasedOnEveryPath) {
    struct Case {
        const char* what;
        PtpResult sendResult;
        std::deque<Answer> answers;
        PtpResult expected;
    } cases[] = {
        {"ok", PtpResult_Ok, {response(0x2001)}, PtpResult_Ok},
        {"send fails", PtpResult_ConnectionLost, {}, PtpResult_ConnectionLost},
        {"receive fails", PtpResult_Ok, {{PtpResult_ConnectionLost, {}}}, PtpResult_ConnectionLost},
        {"camera refuses", PtpResult_Ok, {response(0x2005)}, 0x2005},
    };
    for (Case& c : cases) {
        g_fake.lockCalls.clear();
        g_fake.sendResult = c.sendResult;
        g_fake.answers = c.answers;
        EXPECT_EQ(run(0x1001), c.expected) << c.what;
        EXPECT_EQ(g_fake.lockCalls, (std::vector<int>{1, 0})) << c.what;
    }
    // A refused link lock: Busy, nothing sent, and the transaction lock is free
    // again for the next call.
    g_fake.lockCalls.clear();
    g_fake.sent.clear();
    g_fake.lockResult = -1;
    EXPECT_EQ(run(0x1001), PtpResult_Busy);
    EXPECT_TRUE(g_fake.sent.empty());
    EXPECT_EQ(g_fake.lockCalls, (std::vector<int>{1}));
    g_fake.lockResult = 1;
    g_fake.answers = {response(0x2001)};
    EXPECT_EQ(PtpTransaction_Execute(0x1001, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr, 0),
              PtpResult_Ok);
}

// Busy (standard or Canon) is retried once after a pause; other failures are not.
TEST_F(Engine, BusyIsRetriedExactlyOnceAfterAPause) {
    struct Case {
        std::deque<Answer> answers;
        PtpResult rc;
        size_t sends;
    } cases[] = {
        {{response(0x2019), response(0x2019), response(0x2001)}, 0x2019, 2},
        {{response(0xA102), response(0xA102), response(0x2001)}, 0xA102, 2},
        {{response(0x2019), response(0x2001)}, PtpResult_Ok, 2},
        {{response(0x2002), response(0x2001)}, 0x2002, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rc);
        g_fake.sent.clear();
        g_fake.answers = c.answers;
        auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(PtpTransaction_ExecuteWithRetry(0x1001, nullptr, 0, nullptr, 0, nullptr, nullptr,
                                                  nullptr, 1),
                  c.rc);
        EXPECT_EQ(g_fake.sent.size(), c.sends);
        if (c.sends == 2)
            EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    }
}

TEST_F(Engine, NonBlockingCallDuringATransactionIsBusy) {
    g_fake.sendDelay = std::chrono::milliseconds(300);
    g_fake.answers = {response(0x2001)};
    std::thread first([] {
        PtpTransaction_Execute(0x1001, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr, 1);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(PtpTransaction_Execute(0x1001, nullptr, 0, nullptr, 0, nullptr, nullptr, nullptr, 0),
              PtpResult_Busy);
    first.join();
    EXPECT_EQ(g_fake.sent.size(), 1u);
}

TEST(BuildCommand, WritesWithoutSendingOrAdvancing) {
    PtpTransaction_ResetTransactionId();
    uint8_t buf[64];
    const uint32_t step = 0x8003;
    uint32_t n = PtpTransaction_BuildCommand(0x9155, &step, 1, nullptr, 0, buf, sizeof buf);
    ASSERT_EQ(n, 16u);
    EXPECT_EQ(peek_u16(buf, n, 6), 0x9155);
    EXPECT_EQ(peek_u32(buf, n, 12), 0x8003u);
    EXPECT_EQ(PtpTransaction_NextTransactionId(), 0u);
    const uint8_t d[4] = {1, 2, 3, 4};
    EXPECT_EQ(PtpTransaction_BuildCommand(0x9207, &step, 1, d, 4, buf, sizeof buf), 32u);
    EXPECT_EQ(PtpTransaction_BuildCommand(0x9207, &step, 1, d, 4, buf, 31), 0u); // one byte short
}

} // namespace
