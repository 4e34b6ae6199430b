// The event-check loop against the virtual Tetherhub: its period, pauses, the
// fetch lock, and the hub's own event records.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "comms/bytes.h"
#include "generic/event_fetch.h"
#include "generic/event_queue.h"
#include "ptp_comms.h"
#include "ptp_generic.h"
#include "ptp_objects.h"
#include "sim_hub.h"

namespace {

using std::chrono::milliseconds;

std::atomic<int> g_notified{0};
std::atomic<int> g_errors{0};
std::atomic<int> g_busyErrors{0};

void on_notify() { ++g_notified; }
void on_error(PtpResult rc) {
    ++g_errors;
    if (rc == PtpResult_Busy) ++g_busyErrors;
}

class EventLoop : public ::testing::Test {
protected:
    SimHub* hub = nullptr;
    virtual const char* camera() const { return "nikon"; }
    void SetUp() override {
        g_notified = g_errors = g_busyErrors = 0;
        SimOptions options;
        options.camera = camera();
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_GE(ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()), 0);
        PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, on_notify);
        PtpGenericInterface_StartSession(0);  // detects the vendor
        while (PopEventPtr()) {
        }
        SimHub_ResetStats(hub);
    }
    void TearDown() override {
        PtpGenericInterface_StopEventCheckLoop(1);
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    uint32_t polls() { return SimHub_Stats(hub).control_requests[130]; }
};

TEST_F(EventLoop, PollsEveryHalfSecond) {
    PtpGenericInterface_StartEventCheckLoop(on_error);
    std::this_thread::sleep_for(milliseconds(1700));
    EXPECT_TRUE(PtpGenericInterface_StopEventCheckLoop(1));
    uint32_t n = polls();
    EXPECT_GE(n, 3u);  // at 0, 500, 1000 and 1500 ms
    EXPECT_LE(n, 5u);
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_EQ(polls(), n);  // stopped means no more polls
    EXPECT_EQ(g_errors.load(), 0);
}

TEST_F(EventLoop, PauseAndResume) {
    PtpGenericInterface_StartEventCheckLoop(on_error);
    std::this_thread::sleep_for(milliseconds(100));
    EXPECT_TRUE(PtpGenericInterface_PauseEventCheckLoop());
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);
    uint32_t before = polls();
    std::this_thread::sleep_for(milliseconds(1200));
    EXPECT_EQ(polls(), before);
    EXPECT_TRUE(PtpGenericInterface_ResumeEventCheckLoop());
    EXPECT_FALSE(PtpGenericInterface_ResumeEventCheckLoop());  // no pause left to end
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
    std::this_thread::sleep_for(milliseconds(700));
    EXPECT_GT(polls(), before);

    // Start while paused resumes instead of starting a second thread.
    PtpGenericInterface_PauseEventCheckLoop();
    PtpGenericInterface_StartEventCheckLoop(on_error);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);

    // A session start ends a pause left over from before.
    PtpGenericInterface_PauseEventCheckLoop();
    PtpGenericInterface_StartSession(0);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 0);
}

TEST_F(EventLoop, WorkThatPausesTheLoopRunsWhileTheHostHasPausedIt) {
    PtpGenericInterface_StartEventCheckLoop(on_error);
    PtpGenericInterface_PauseEventCheckLoop();
    // A verified write and a store reset both pause the loop themselves; with
    // the host's pause already in place neither may wait for it.
    auto work = std::async(std::launch::async, [] {
        PtpGenericInterface_SetPropertyValue(0x5007, 1, 1);
        PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, on_notify);
        return true;
    });
    ASSERT_EQ(work.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(PtpGenericInterface_IsEventLoopPaused(), 1);  // still the host's pause
    EXPECT_TRUE(PtpGenericInterface_ResumeEventCheckLoop());
}

TEST_F(EventLoop, StopWhilePausedAndRestart) {
    EXPECT_TRUE(PtpGenericInterface_StopEventCheckLoop(1));  // no thread: fine
    PtpGenericInterface_StartEventCheckLoop(on_error);
    PtpGenericInterface_PauseEventCheckLoop();
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(PtpGenericInterface_StopEventCheckLoop(0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, milliseconds(100));
    EXPECT_TRUE(PtpGenericInterface_StopEventCheckLoop(1));
    PtpGenericInterface_ResumeEventCheckLoop();
    uint32_t n = polls();
    PtpGenericInterface_StartEventCheckLoop(on_error);  // joins the old thread first
    std::this_thread::sleep_for(milliseconds(200));
    EXPECT_GT(polls(), n);
}

TEST_F(EventLoop, SkipsAPassQuietlyWhileAHostThreadFetches) {
    // The host's fetch stalls in the hub for 1.2 s while holding the fetch
    // lock; the loop's passes in that time are skipped without an error.
    SimFault stall;
    stall.kind = SimFault_Stall;
    stall.millis = 1200;
    SimHub_InjectFault(hub, stall);
    auto host = std::async(std::launch::async, [] { return PtpFetchEventsOnce(true, false); });
    std::this_thread::sleep_for(milliseconds(100));
    PtpGenericInterface_StartEventCheckLoop(on_error);
    EXPECT_EQ(host.get(), PtpResult_Ok);
    EXPECT_EQ(polls(), 1u);  // only the host's fetch reached the hub so far
    EXPECT_EQ(g_errors.load(), 0);
    std::this_thread::sleep_for(milliseconds(600));
    EXPECT_GE(polls(), 2u);
}

TEST_F(EventLoop, ReportsFailedPollsOnEveryPass) {
    PtpGenericInterface_StartEventCheckLoop(on_error);
    std::this_thread::sleep_for(milliseconds(100));
    SimFault close;
    close.kind = SimFault_CloseConnection;
    SimHub_InjectFault(hub, close);
    std::this_thread::sleep_for(milliseconds(1200));
    EXPECT_GE(g_errors.load(), 2);
    EXPECT_EQ(g_busyErrors.load(), 0);
}

std::vector<uint8_t> hub_record(uint16_t kind, uint32_t a, const char* name, uint32_t b = 0) {
    std::vector<uint8_t> r(38, 0);
    put_u16(r.data(), kind);
    put_u32(r.data() + 2, a);
    if (name) std::memcpy(r.data() + 6, name, std::min<size_t>(std::strlen(name), 32));
    else put_u32(r.data() + 6, b);
    return r;
}

class HubRecords : public EventLoop {
    const char* camera() const override { return "sony"; }
};

TEST_F(HubRecords, ObjectAndPropertyRecordsBecomeEventsInOrder) {
    std::vector<uint8_t> data = hub_record(0x4FF0, 1234, "DSC00001.JPG");
    std::vector<uint8_t> prop = hub_record(0x4FF1, 0x5007, nullptr, 400);
    std::vector<uint8_t> unknown = hub_record(0x1234, 0, nullptr);
    // A name filling all 32 bytes, with no NUL.
    std::vector<uint8_t> longName = hub_record(0x4FF0, 7, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012.ARW");
    for (auto* r : {&prop, &unknown, &longName}) data.insert(data.end(), r->begin(), r->end());
    SimHub_PushEventData(hub, data);
    ASSERT_EQ(PtpFetchEventsOnce(true, false), PtpResult_Ok);
    EXPECT_EQ(g_notified.load(), 1);  // once per block

    PtpHostEvent* e = PopEventPtr();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->code, 0x4002u);
    const PtpObjectInfo* info;
    std::memcpy(&info, &e->u, sizeof info);
    EXPECT_EQ(info->handle, 0xFFFFFFFFu);
    EXPECT_EQ(info->objectFormat, 0x3801);
    EXPECT_EQ(info->compressedSize, 1234u);
    EXPECT_EQ(info->thumbFormat, 1);
    EXPECT_STREQ(info->fileName, "DSC00001.JPG");

    e = PopEventPtr();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->code, 0x4006u);

    e = PopEventPtr();
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->code, 0x4002u);
    std::memcpy(&info, &e->u, sizeof info);
    EXPECT_EQ(std::strlen(info->fileName), 32u);
    EXPECT_EQ(PopEventPtr(), nullptr);
}

TEST_F(HubRecords, OnlyWholeRecordsCount) {
    struct Case {
        size_t bytes;
        int events;
    } cases[] = {{37, 0}, {38, 1}, {75, 1}, {76, 2}};
    for (const Case& c : cases) {
        std::vector<uint8_t> two = hub_record(0x4FF0, 1, "A.JPG");
        std::vector<uint8_t> second = hub_record(0x4FF0, 2, "B.JPG");
        two.insert(two.end(), second.begin(), second.end());
        g_notified = 0;
        EXPECT_EQ(PtpDispatchEventData(two.data(), uint32_t(c.bytes)), PtpResult_Ok);
        EXPECT_EQ(g_notified.load(), 1) << c.bytes;
        int n = 0;
        while (PopEventPtr()) ++n;
        EXPECT_EQ(n, c.events) << c.bytes;
    }
}

}  // namespace
