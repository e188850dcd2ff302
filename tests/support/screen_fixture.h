// A window without a worker: the state record on a headset at version 1_4,
// its fakes, and the keyboard focus following every screen the controls are
// asked to show, as the window does after each request.
#pragma once

#include <gtest/gtest.h>

#include "app/updater_state.h"
#include "tests/support/fake_system.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_window_ops.h"
#include "ui/keyboard_focus.h"

class ScreenFixture : public ::testing::Test {
   protected:
    void SetUp() override {
        state.system = &system;
        state.controls = &controls;
        state.windowOps = &window;
        state.devices.deviceTable[0].kind = KindHeadset;
        state.devices.firmwareLabel[0].versionText.Store("1_4");
        controls.afterRequest = [this] { FollowScreen(state, controls.Skin(), controls.Visible(ControlWarningPanel)); };
    }

    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
    RecordingWindowOps window{state};
};
