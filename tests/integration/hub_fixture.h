// A virtual Tetherhub started in-process on an ephemeral loopback port, with
// the library connected to it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "ptp_comms.h"
#include "ptp_generic.h"
#include "sim_hub.h"

class HubTest : public ::testing::Test {
protected:
    SimHub* hub = nullptr;
    virtual const char* camera() const { return "canon"; }

    void SetUp() override {
        SimOptions options;
        options.camera = camera();
        hub = SimHub_Start(options);
        ASSERT_NE(hub, nullptr);
        ASSERT_TRUE(Connect());
        PtpGenericInterface_Initialize(nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        SetOOBDelegate(nullptr);
        CloseServerConnection();
        SimHub_Stop(hub);
    }
    bool Connect() { return ConnectToServer("127.0.0.1", Port().c_str()) >= 0; }
    std::string Port() const { return std::to_string(SimHub_Port(hub)); }
    void Inject(SimFaultKind kind, uint32_t value = 0, uint32_t count = 1) {
        SimFault fault;
        fault.kind = kind;
        fault.value = value;
        fault.count = count;
        SimHub_InjectFault(hub, fault);
    }
};
