// A test fixture with a fresh UpdaterState bound to the simulator in-process.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/updater_state.h"
#include "sim/simulator.h"
#include "tests/support/fake_system.h"

class SimulatorTest : public ::testing::Test {
   protected:
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText("");
        sim::AvDllInitialize();
        state.library = sim::SimulatorLibrary();
        state.system = &system;
    }
    void TearDown() override {
        sim::AvDllShutdown();
        sim::Reset();
    }

    // Replaces what is plugged in; takes effect at the next listing.
    void Plug(const std::string& deviceText) { sim::UseDeviceText(deviceText.c_str()); }

    std::string VersionText(int row) const {
        char text[32];
        state.firmwareLabel[row].versionText.Load(text, sizeof text);
        return text;
    }
    std::string ModelText(int row) const {
        char text[32];
        state.firmwareLabel[row].modelText.Load(text, sizeof text);
        return text;
    }

    FakeSystem system;
    UpdaterState state;
};
