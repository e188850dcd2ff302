// Whole interactions: the real worker thread running UpdateWorker against
// the in-process simulator, on the stepped fake clock, with the test thread
// as the UI thread (pressing zones, answering dialogs). InteractionRig is
// one such setup (the interleaving fuzzer makes many); InteractionFixture
// gives one to each test.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "app/update_worker.h"
#include "app/updater_state.h"
#include "sim/simulator.h"
#include "sim/version_stamp.h"
#include "tests/support/fake_system.h"
#include "tests/support/image_files.h"
#include "tests/support/recording_controls.h"
#include "tests/support/recording_library.h"
#include "tests/support/recording_window_ops.h"
#include "tests/support/test_folder.h"
#include "ui/layout.h"
#include "ui/pointer_input.h"
#include "ui/selection_dialog.h"

inline constexpr char kFlowHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";
inline constexpr char kFlowAdapter[] = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n";

class InteractionRig {
   public:
    void Start() {
        sim::Reset();
        sim::UseDeviceText("");
        sim::AvDllInitialize();
        recording::Clear();
        Launch();
    }
    // The program started anew after it was killed: its state and screen
    // as a new process has them, the devices, files and data folder as the
    // killed one left them. (Each record is made again in its own place, so
    // the references between them stay good.)
    void StartAgain() {
        StopWorker();
        state.~UpdaterState();
        new (&state) UpdaterState();
        controls.~RecordingControls();
        new (&controls) RecordingControls();
        window.~RecordingWindowOps();
        new (&window) RecordingWindowOps(state);
        Launch();
    }
    void Launch() {
        state.session.library = recording::Library();
        state.system = &system;
        state.controls = &controls;
        state.windowOps = &window;
        controls.onCloseSelectionDialog = [this] {
            if (window.openDialog != nullptr) CancelSelection(state, *window.openDialog);
        };
        system.UseSteppedClock();
        worker = std::thread([this] { UpdateWorker(state); });
        system.RunFor(0);  // the worker is in its first pause
    }
    void Finish() {
        StopWorker();
        recording::Clear();
        sim::AvDllShutdown();
        sim::Reset();
    }

    void StopWorker() {
        if (!worker.joinable()) return;
        state.stopRequested = 1;
        system.RunFor(200);
        state.workerRelease = 1;
        system.ReleaseSleepers();
        worker.join();
    }

    void Plug(const std::string& devices) { sim::UseDeviceText(devices.c_str()); }
    void Wait(uint64_t milliseconds) { system.RunFor(milliseconds); }
    void Press(HitZone zone) {
        const ZoneBounds& z = Zone(zone);
        OnLeftButtonDown(state, (z.xMin + z.xMax) / 2, (z.yMin + z.yMax) / 2);
    }

    // A firmware file whose first line carries `tag` and whose image carries
    // the version reply a device running it gives.
    void WriteFirmware(const std::string& name, const std::string& tag, const char* reply, int32_t byteCount = 1500,
                       uint32_t seed = 7) {
        std::vector<uint8_t> image = MakeImage(byteCount, seed);
        std::memcpy(image.data() + sim::kStampOffset, sim::kStampMagic, sizeof sim::kStampMagic);
        std::memset(image.data() + sim::kStampOffset + 4, 0, sim::kStampReplyBytes);
        std::memcpy(image.data() + sim::kStampOffset + 4, reply, std::strlen(reply));
        WriteImageFile(name, image, tag);
    }

    // Opens the selection dialog from the firmware box and selects `row`.
    void ChooseRow(int row) {
        window.dialogScript = [this, row](FakeSelectionDialog& dialog) {
            dialog.selected = row;
            SelectFirmware(state, dialog);
        };
        Press(ZoneFirmwareBox);
        window.dialogScript = nullptr;
    }

    std::string VersionShown() { return controls.Text(ControlCurrentVersionText); }

    FakeSystem system;
    RecordingControls controls;
    UpdaterState state;
    RecordingWindowOps window{state};
    std::thread worker;
};

class InteractionFixture : public ::testing::Test, public InteractionRig {
   protected:
    void SetUp() override { Start(); }
    void TearDown() override { Finish(); }

    ScopedTestFolder folder;
};
