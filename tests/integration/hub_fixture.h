// A virtual Tetherhub in-process on a loopback port, with the library connected to it.
#pragma once

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "ptp_comms.h"
#include "ptp_events.h"
#include "ptp_generic.h"
#include "ptp_liveview.h"
#include "ptp_objects.h"
#include "ptp_properties.h"
#include "sim_hub.h"

// A property record's fields, copied under the record's own lock (the event
// thread may be updating it).
struct RecordCopy {
    bool found = false;
    std::string name, label; // name: empty when the record has none
    uint32_t value = 0;
    uint8_t access = 0;
    std::vector<std::pair<uint32_t, std::string>> values; // allowed values and their labels

    // The label of v in the allowed list; null when it is not listed.
    const std::string* LabelOf(uint32_t v) const {
        for (const auto& row : values)
            if (row.first == v) return &row.second;
        return nullptr;
    }
};

inline RecordCopy ReadProperty(uint32_t code) {
    PtpPropertyRecord* record = PtpGenericInterface_GetProperty(code, 0);
    if (!record) return {};
    pthread_mutex_lock(&record->lock);
    RecordCopy copy{true, record->name ? record->name : "", record->currentLabel,
                    record->currentValue, record->access};
    for (uint16_t i = 0; record->values && i < record->valueCount; ++i)
        copy.values.emplace_back(record->values[i].value, record->values[i].label);
    pthread_mutex_unlock(&record->lock);
    return copy;
}

// An object's bytes as the library downloads them; empty when it fails.
inline std::vector<uint8_t> Download(uint32_t handle) {
    uint8_t* data = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(PtpGenericInterface_GetObject(handle, &data, &length), PtpResult_Ok);
    std::vector<uint8_t> bytes(data, data + (data ? length : 0));
    FreeMemory(data);
    return bytes;
}

// One live-view frame as the library hands it out; no buffer on a failure.
inline PtpResult FetchLiveView(std::vector<uint8_t>* frame) {
    uint8_t* buffer = nullptr;
    uint32_t length = 0;
    PtpResult rc = PtpGenericInterface_GetLiveViewImage(&buffer, &length);
    if (rc != PtpResult_Ok) EXPECT_EQ(buffer, nullptr);
    frame->assign(buffer, buffer + (buffer ? length : 0));
    FreeMemory(buffer);
    return rc;
}

// One event taken from the queue, copied out of the static view PopEventPtr
// returns (the next call overwrites it).
struct TakenEvent {
    uint32_t code = 0;
    const void* pointer = nullptr; // the view's unaligned pointer (object and property events)
    PtpObjectInfo object = {};     // 0x4002 and 0x4003: the object record pointed to
};

class HubTest : public ::testing::Test {
  protected:
    SimHub* hub = nullptr;
    std::string picturesDir; // set before SetUp: the card's pictures (empty: the build's)
    virtual const char* camera() const { return "canon"; }

    // Times the host's notify function was called since SetUp.
    static std::atomic<int>& Notifications() {
        static std::atomic<int> count{0};
        return count;
    }

    // What a host does before each session: the relay link's transport and a
    // counting notify function.
    static void InitializeLibrary() {
        PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, [] { ++Notifications(); });
    }

    void SetUp() override {
        SimOptions options;
        options.camera = camera();
        options.small_pictures = true;   // the samples: no full-size encode per body
        options.paced_live_view = false; // frames as fast as asked
        if (!picturesDir.empty()) options.pictures = picturesDir.c_str();
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_TRUE(Connect());
        InitializeLibrary();
        DrainEvents(); // left by an earlier test in this process
        Notifications() = 0;
    }
    void TearDown() override {
        PtpGenericInterface_StopEventCheckLoop(1);
        SetOOBDelegate(nullptr);
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    bool Connect() {
        return ConnectToServer("127.0.0.1", std::to_string(SimHub_Port(hub)).c_str()) >= 0;
    }

    // A second client on the hub, a plain socket, once the hub counts it;
    // -1 on failure.
    int ConnectSecondClient() {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(SimHub_Port(hub));
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
            WaitUntil([&] { return SimHub_Stats(hub).connections_open == 2; }))
            return fd;
        if (fd >= 0) close(fd);
        return -1;
    }

    // The camera's own value of code; 0xFFFFFFFF when it has none.
    uint32_t CameraValue(uint16_t code) const {
        uint32_t v = 0xFFFFFFFF;
        SimHub_GetPropertyValue(hub, code, &v);
        return v;
    }

    // Starts a session and the event loop, and drops what the start queued.
    bool StartSessionAndLoop() {
        if (PtpGenericInterface_StartSession(0) != PtpResult_Ok) return false;
        PtpGenericInterface_StartEventCheckLoop(nullptr);
        if (!SettleEventLoop()) return false;
        DrainEvents();
        return true;
    }

    // Polls cond every 5 ms until it holds or timeout passes; true when it held.
    static bool WaitUntil(const std::function<bool()>& cond,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        auto end = std::chrono::steady_clock::now() + timeout;
        while (!cond()) {
            if (std::chrono::steady_clock::now() >= end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Takes one event, or returns false when the queue is empty.
    static bool TakeEvent(TakenEvent* out) {
        PtpHostEvent* view = PopEventPtr();
        if (!view) return false;
        *out = TakenEvent{view->code};
        std::memcpy(&out->pointer, &view->u, sizeof out->pointer);
        if (out->code == 0x4002 || out->code == 0x4003)
            std::memcpy(&out->object, out->pointer, sizeof out->object);
        return true;
    }

    // Every event queued now, oldest first.
    static std::vector<TakenEvent> DrainEvents() {
        std::vector<TakenEvent> events;
        for (TakenEvent e; TakeEvent(&e);)
            events.push_back(e);
        return events;
    }

    // Takes events, appending them to *taken, until one matches or timeout
    // passes. True when one matched (it is the last in *taken).
    static bool WaitForEvent(const std::function<bool(const TakenEvent&)>& match,
                             std::vector<TakenEvent>* taken) {
        return WaitUntil([&] {
            for (TakenEvent e; TakeEvent(&e);) {
                taken->push_back(e);
                if (match(e)) return true;
            }
            return false;
        });
    }

    // After a shot: the number of events with code the loop delivers until it
    // has settled after the first of them; -1 when none came.
    int CountEventsAfterShot(uint32_t code, std::vector<TakenEvent>* taken) {
        if (!WaitForEvent([code](const TakenEvent& e) { return e.code == code; }, taken) ||
            !SettleEventLoop())
            return -1;
        for (const TakenEvent& e : DrainEvents())
            taken->push_back(e);
        int n = 0;
        for (const TakenEvent& e : *taken)
            n += e.code == code;
        return n;
    }

    // Waits until the loop has dispatched everything the camera queued (a pause
    // waits for a pass in progress). The loop must be running and not paused.
    bool SettleEventLoop() {
        if (!WaitUntil([&] { return SimHub_PendingEvents(hub) == 0; })) return false;
        PtpGenericInterface_PauseEventCheckLoop();
        return PtpGenericInterface_ResumeEventCheckLoop();
    }
};
