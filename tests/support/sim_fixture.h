// A test fixture with fresh device records bound to the simulator in-process.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/discovery.h"
#include "device/found_devices.h"
#include "device/library_session.h"
#include "sim/simulator.h"
#include "tests/support/fake_system.h"

class SimulatorTest : public ::testing::Test {
   protected:
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText("");
        sim::AvDllInitialize();
        session.library = sim::SimulatorLibrary();
    }
    void TearDown() override {
        sim::AvDllShutdown();
        sim::Reset();
    }

    // Replaces what is plugged in; takes effect at the next listing.
    void Plug(const std::string& deviceText) { sim::UseDeviceText(deviceText.c_str()); }

    std::string VersionText(int row) const {
        char text[32];
        devices.firmwareLabel[row].versionText.Load(text, sizeof text);
        return text;
    }
    std::string ModelText(int row) const {
        char text[32];
        devices.firmwareLabel[row].modelText.Load(text, sizeof text);
        return text;
    }

    // One discovery pass; true when a found device's version text changed.
    bool Discover() { return DiscoverDevices(devices, session); }

    FakeSystem system;
    FoundDevices devices;
    LibrarySession session;
};
