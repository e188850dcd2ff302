// A fixture for runs of the update engine against the in-process simulator,
// with the recording library, recording controls and the fake clock. Runs go
// through the window's seat, so each test sees a run as the window shows it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/updater_state.h"
#include "app/window_seat.h"
#include "device/discovery.h"
#include "firmware/name_rules.h"
#include "sim/simulator.h"
#include "tests/support/fake_system.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_library.h"
#include "tests/support/test_folder.h"
#include "update/run_checks.h"
#include "update/update_sequence.h"

inline constexpr char kTestHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";
inline constexpr char kTestAdapter[] = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n";

class UpdateFixture : public ::testing::Test {
   protected:
    void SetUp() override {
        sim::Reset();
        sim::UseDeviceText(kTestHeadset);
        sim::AvDllInitialize();
        recording::Clear();
        state.session.library = recording::Library();
        state.system = &system;
        state.controls = &controls;
        state.screenMode = ScreenIdle;
    }
    void TearDown() override {
        sim::AvDllShutdown();
        sim::Reset();
    }

    // Plugs `devices` in and runs the discovery pass that precedes a run;
    // the recording then starts afresh, so packet 1 is the run's first.
    void Attach(const std::string& devices) {
        sim::UseDeviceText(devices.c_str());
        DiscoverDevices(state.devices, state.session);
        recording::Clear();
    }

    // Writes the image with its name's tag in the first line, as a firmware
    // file carries it, and chooses it for the device in row 0.
    void Choose(const std::string& name, const std::vector<uint8_t>& image) {
        char tag[kPathChars];
        FormFileTag(name.c_str(), tag, sizeof tag);
        WriteImageFile(name, image, tag);
        ChooseFirmware(state.request, state.devices, name.c_str());
    }

    // One run: update, or verify only.
    void Run(bool verifyOnly = false) {
        state.request.modeVerifyOnly = verifyOnly ? 1 : 0;
        WindowSeat seat(state);
        DeviceLockScope lock(system);
        state.runOutcome = RunUpdate(state.request, state.devices, state.session, system, seat, lock);
    }

    std::vector<uint8_t> SerialMemory(const char* device, int32_t address, int32_t count) {
        std::vector<uint8_t> bytes(static_cast<size_t>(count));
        sim::ReadSerialMemory(device, address, count, bytes.data());
        return bytes;
    }

    std::string LastLog() {
        const auto lines = controls.LogLines();
        return lines.empty() ? "" : lines.back();
    }

    ScopedTestFolder folder;
    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
};
