// Whole runs of the window and the command line compared byte for byte with
// transcripts recorded earlier, so that a change meant to keep behaviour shows it did.
//
// Each test runs one scenario on the fake clock in a fresh folder and compares
// its transcript with tests/reference/transcripts/<scenario>.txt. A run that
// is meant to change is recorded afresh, and the difference read before it is
// committed:
//     UPDATE_TRANSCRIPTS=1 ./reference_tests      (from the tests' run folder)
//
// Only the two harnesses below (Window, CommandLine) know how the engine is
// reached; the scenarios speak of zones, skins, devices and arguments.
#include "tests/reference/transcript.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/run_recorder.h"
#include "app/updater_state.h"
#include "app/window_seat.h"
#include "cli/command_line.h"
#include "sim/simulator.h"
#include "sim/version_stamp.h"
#include "tests/support/fake_system.h"
#include "tests/support/image_files.h"
#include "tests/support/interaction_fixture.h"
#include "tests/support/recording_library.h"
#include "tests/support/test_folder.h"
#include "ui/selection_dialog.h"
#include "update/run_names.h"

namespace {

constexpr char kHeadsetFile[] = "RX93_Headset_v1_2_ef.txt";
constexpr char kBaseFile[] = "RX93_Base_v1_1_ef.txt";
constexpr char kHeadset[] = "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93\n";
constexpr char kAdapter[] = "device adapter product=28F80108 kind=12 identity=01 reply=v1_0_RX93\n";
constexpr int32_t kSixtyFourPages = 64 * 1024;

// A firmware file whose first line carries `tag` and whose image carries the
// version reply a device running it gives.
void WriteFirmware(const std::string& name, const std::string& tag, const char* reply, int32_t byteCount) {
    std::vector<uint8_t> image = MakeImage(byteCount, 7);
    std::memcpy(image.data() + sim::kStampOffset, sim::kStampMagic, sizeof sim::kStampMagic);
    std::memset(image.data() + sim::kStampOffset + 4, 0, sim::kStampReplyBytes);
    std::memcpy(image.data() + sim::kStampOffset + 4, reply, std::strlen(reply));
    WriteImageFile(name, image, tag);
}

void WriteHeadsetFirmware(int32_t byteCount = kSixtyFourPages) {
    WriteFirmware(kHeadsetFile, "Headset_v1_2", "v1_2_RX93", byteCount);
}

// Replaces line `number` (from 1) of a firmware file.
void ReplaceLine(const std::string& name, size_t number, const std::string& text) {
    std::vector<std::string> lines;
    {
        std::ifstream in("files/" + name, std::ios::binary);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
    }
    lines.at(number - 1) = text;
    std::ofstream out("files/" + name, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << '\n';
}

// The device text as one line of the transcript.
std::string OneLine(std::string devices) {
    while (!devices.empty() && devices.back() == '\n') devices.pop_back();
    for (size_t at = devices.find('\n'); at != std::string::npos; at = devices.find('\n', at)) {
        devices.replace(at, 1, " | ");
    }
    return devices.empty() ? "nothing" : devices;
}

std::string OutcomeText(const RunOutcome& outcome) {
    std::ostringstream out;
    out << "screenMode " << outcome.screenMode << "\n"
        << "stage " << outcome.stage << " " << RunStageName(outcome.stage) << "\n"
        << "cause " << outcome.cause << " " << RunCauseName(outcome.cause) << "\n"
        << "status " << outcome.status << "\n"
        << "page " << outcome.page << "\n"
        << "pageCount " << outcome.pageCount << "\n"
        << "byteCount " << outcome.byteCount << "\n"
        << "line " << outcome.line << "\n"
        << "verifyOnly " << outcome.verifyOnly << "\n"
        << "digestChecked " << outcome.digestChecked << "\n";
    return out.str();
}

const char* ZoneName(HitZone zone) {
    static const char* const kNames[kHitZoneCount] = {
        "drag band", "Continue", "close glyph",     "minimise glyph", "firmware box", "Cancel", "Try Again",
        "Update",    "Verify",   "Done (verified)", "Done (updated)", "help link",    "Got It",
    };
    return zone >= 1 && zone <= kHitZoneCount ? kNames[zone - 1] : "?";
}

// The window: the real worker thread on the stepped clock, the test thread
// as the UI thread pressing zones and answering the selection dialog, and
// the run recorder installed as at start-up.
class Window {
   public:
    explicit Window(Transcript& transcript) : transcript_(transcript) {
        rig_.system.listInNameOrder = true;
        rig_.system.onEvent = [this](const std::string& event) {
            transcript_.NoteAt("sys", event, rig_.system.NowMicros());
        };
        rig_.controls.onRequest = [this](const std::string& request) { transcript_.Note("ctl", request); };
        rig_.Start();
        InstallRunRecorder(rig_.state, recorder_);
    }
    ~Window() {
        if (!finished_) rig_.Finish();
    }

    void Plug(const std::string& devices) {
        Act("plug " + OneLine(devices));
        rig_.Plug(devices + "trace " + kTraceFile + "\n");
    }
    void Press(HitZone zone) {
        Act(std::string("press ") + ZoneName(zone));
        rig_.Press(zone);
    }
    // Opens the selection dialog from the firmware box and selects `row`,
    // noting what the dialog showed.
    void Choose(int row) {
        Act("choose row " + std::to_string(row) + " in the selection dialog");
        rig_.window.dialogScript = [this, row](FakeSelectionDialog& dialog) {
            std::string rows;
            for (const std::string& text : dialog.rows) rows += (rows.empty() ? "\"" : ", \"") + text + "\"";
            transcript_.Note("dlg",
                             "title \"" + dialog.title + "\" prompt \"" + dialog.prompt + "\" rows [" + rows + "]");
            dialog.selected = row;
            SelectFirmware(rig_.state, dialog);
        };
        rig_.Press(ZoneFirmwareBox);
        rig_.window.dialogScript = nullptr;
        transcript_.Note("dlg", "ended with " + std::to_string(rig_.window.lastDialog.result));
    }
    void Wait(uint64_t milliseconds) {
        Act("wait " + std::to_string(milliseconds) + " ms");
        rig_.Wait(milliseconds);
    }
    // Lets the clock run a poll at a time until `skin` is up.
    void WaitFor(SkinId skin, uint64_t limitMs = 200000) {
        Act("wait for skin " + std::to_string(skin));
        for (uint64_t waited = 0; rig_.controls.Skin() != skin; waited += 100) {
            if (waited >= limitMs) {
                ADD_FAILURE() << "skin " << skin << " not up after " << limitMs << " ms";
                return;
            }
            rig_.Wait(100);
        }
    }

    // The window's state, the last run's outcome and the files; the worker
    // is then stopped outside the transcript.
    std::string Finish() {
        const UpdaterState& state = rig_.state;
        std::ostringstream window;
        window << "skin " << rig_.controls.Skin() << "\n"
               << "screenMode " << state.screenMode << "\n"
               << "deviceView " << state.deviceView << "\n"
               << "updateRequested " << int{state.updateRequested} << "\n"
               << "modeVerifyOnly " << int{state.request.modeVerifyOnly} << "\n"
               << "modeVerifyFirmwareOnly " << int{state.modeVerifyFirmwareOnly} << "\n"
               << "modeProgramFirmwareOnly " << int{state.modeProgramFirmwareOnly} << "\n";
        transcript_.Heading("window at the end");
        transcript_.Block(window.str());
        transcript_.Heading("outcome of the last run");
        transcript_.Block(OutcomeText(state.runOutcome));
        transcript_.Close();
        rig_.Finish();
        finished_ = true;
        transcript_.NoteFilesWritten();
        return transcript_.Text();
    }

   private:
    void Act(const std::string& what) { transcript_.NoteAt("act", what, rig_.system.NowMicros()); }

    Transcript& transcript_;
    RunRecorder recorder_;
    InteractionRig rig_;
    bool finished_ = false;
};

// The command line's console, noting each line as it is ended.
struct NotingConsole final : Console {
    explicit NotingConsole(Transcript& t) : transcript(t) {}

    void Out(const char* text) override { Take("out", out, outLine, text); }
    void Err(const char* text) override { Take("err", err, errLine, text); }
    bool OutIsTerminal() override { return false; }
    Answer Ask(const char* question) override {
        transcript.Note("ask", question);
        return CannotAsk;
    }
    void Take(const char* tag, std::string& all, std::string& line, const char* text) {
        all += text;
        line += text;
        for (size_t end = line.find('\n'); end != std::string::npos; end = line.find('\n')) {
            transcript.Note(tag, line.substr(0, end));
            line.erase(0, end + 1);
        }
    }
    // A line left without its newline at the end of a run.
    void EndRun() {
        if (!outLine.empty()) transcript.Note("out", outLine + " (no newline)");
        if (!errLine.empty()) transcript.Note("err", errLine + " (no newline)");
        out.clear();
        err.clear();
        outLine.clear();
        errLine.clear();
    }

    Transcript& transcript;
    std::string out, err, outLine, errLine;
};

// The command line in-process, one start of the program per Run, against
// the simulator through the recording library, on the fake clock.
class CommandLine {
   public:
    explicit CommandLine(Transcript& transcript) : transcript_(transcript), console_(transcript) {
        sim::Reset();
        sim::UseDeviceText("");
        sim::AvDllInitialize();
        recording::Clear();
        library_ = recording::Library();
        system_.listInNameOrder = true;
        system_.onEvent = [this](const std::string& event) { transcript_.NoteAt("sys", event, system_.NowMicros()); };
        env_.system = &system_;
        env_.console = &console_;
        env_.boundLibrary = &library_;
    }
    ~CommandLine() {
        recording::Clear();
        sim::AvDllShutdown();
        sim::Reset();
    }

    void Plug(const std::string& devices) {
        transcript_.NoteAt("act", "plug " + OneLine(devices), system_.NowMicros());
        sim::UseDeviceText((devices + "trace " + kTraceFile + "\n").c_str());
    }

    // One start of the program, with its exit code, its output exactly and
    // the outcome of its run.
    void Run(std::vector<const char*> args) {
        std::string command = "veltrane-cli";
        for (const char* arg : args) command += std::string(" ") + arg;
        transcript_.NoteAt("act", command, system_.NowMicros());
        args.insert(args.begin(), "veltrane-cli");
        RunOutcome outcome;
        env_.lastRun = &outcome;
        const int code = RunCommandLine(static_cast<int>(args.size()), args.data(), env_);
        const std::string out = console_.out, err = console_.err;
        console_.EndRun();
        transcript_.Heading("exit code " + std::to_string(code));
        transcript_.Heading("standard output");
        transcript_.Block(out);
        transcript_.Heading("standard error");
        transcript_.Block(err);
        transcript_.Heading("outcome of the run");
        transcript_.Block(OutcomeText(outcome));
    }

    std::string Finish() {
        transcript_.Close();
        transcript_.NoteFilesWritten();
        return transcript_.Text();
    }

   private:
    Transcript& transcript_;
    FakeSystem system_;
    NotingConsole console_;
    DeviceLibrary library_;
    CliEnvironment env_;
};

class TranscriptTest : public ::testing::Test {
   protected:
    ScopedTestFolder folder;
    Transcript transcript;  // after the folder: it names the run's folder
};

// --- The window ---

// Continue, the device found, the file chosen.
void ChooseAfterContinue(Window& window, const std::string& devices, SkinId found) {
    window.Plug(devices);
    window.Press(ZoneContinue);
    window.WaitFor(found);
    window.Choose(0);
}

void UpdateTheHeadset(Window& window) {
    ChooseAfterContinue(window, kHeadset, SkinHeadsetFound);
    window.Press(ZoneUpdate);
    window.WaitFor(SkinHeadsetUpdated);
    window.Press(ZoneDoneUpdated);
    window.WaitFor(SkinHeadsetFound);  // the new version: the device is drawn afresh
}

TEST_F(TranscriptTest, WindowUpdate) {
    WriteHeadsetFirmware();
    Window window(transcript);
    UpdateTheHeadset(window);
    ExpectTranscript("window_update", window.Finish());
}

TEST_F(TranscriptTest, WindowVerifyAfterTheUpdate) {
    WriteHeadsetFirmware();
    Window window(transcript);
    UpdateTheHeadset(window);
    transcript.LeaveOut("the update of window_update");
    window.Choose(0);
    window.Press(ZoneVerify);
    window.WaitFor(SkinHeadsetVerified);
    window.Press(ZoneDoneVerified);
    window.Wait(300);
    ExpectTranscript("window_verify", window.Finish());
}

// A run that fails or is refused ends on the failed screen; Cancel goes back.
void UpdateToFailure(Window& window, const std::string& devices) {
    ChooseAfterContinue(window, devices, SkinHeadsetFound);
    window.Press(ZoneUpdate);
    window.WaitFor(SkinHeadsetFailed);
    window.Press(ZoneCancel);
    window.Wait(300);
}

TEST_F(TranscriptTest, WindowUpdateWhoseFortiethPacketFails) {
    WriteHeadsetFirmware();
    Window window(transcript);
    UpdateToFailure(window, "device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 failpacket=40\n");
    ExpectTranscript("window_failed_packet", window.Finish());
}

TEST_F(TranscriptTest, WindowRefusedFile) {
    WriteHeadsetFirmware();
    ReplaceLine(kHeadsetFile, 3, "zz");
    Window window(transcript);
    UpdateToFailure(window, kHeadset);
    ExpectTranscript("window_refused_file", window.Finish());
}

TEST_F(TranscriptTest, WindowHeadsetSwappedBeforeTheRun) {
    WriteHeadsetFirmware();
    Window window(transcript);
    ChooseAfterContinue(window, kHeadset, SkinHeadsetFound);
    window.Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX71\n");
    window.Press(ZoneUpdate);
    window.WaitFor(SkinHeadsetFailed);
    window.Press(ZoneCancel);
    window.Wait(300);
    ExpectTranscript("window_swapped_device", window.Finish());
}

TEST_F(TranscriptTest, WindowAdapterUpdate) {
    WriteFirmware(kBaseFile, "Base_v1_1", "v1_1_RX93", 2100);
    Window window(transcript);
    ChooseAfterContinue(window, kAdapter, SkinAdapterFound);
    window.Press(ZoneUpdate);
    window.WaitFor(SkinAdapterUpdated);
    window.Press(ZoneDoneUpdated);
    window.WaitFor(SkinAdapterFound);
    ExpectTranscript("window_adapter_update", window.Finish());
}

// --- The command line ---

TEST_F(TranscriptTest, CliUpdate) {
    WriteHeadsetFirmware();
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"update", kHeadsetFile, "--yes"});
    ExpectTranscript("cli_update", cli.Finish());
}

TEST_F(TranscriptTest, CliUpdateInJson) {
    WriteHeadsetFirmware();
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"update", kHeadsetFile, "--yes", "--json"});
    ExpectTranscript("cli_update_json", cli.Finish());
}

TEST_F(TranscriptTest, CliVerifyInJsonAfterTheUpdate) {
    WriteHeadsetFirmware();
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"update", kHeadsetFile, "--yes"});
    transcript.LeaveOut("the update of cli_update");
    cli.Run({"verify", kHeadsetFile, "--json"});
    ExpectTranscript("cli_verify_json", cli.Finish());
}

TEST_F(TranscriptTest, CliUpdateWhoseFortiethPacketFails) {
    WriteHeadsetFirmware();
    CommandLine cli(transcript);
    cli.Plug("device headset product=28F80106 kind=13 identity=01 reply=v1_0_RX93 failpacket=40\n");
    cli.Run({"update", kHeadsetFile, "--yes"});
    ExpectTranscript("cli_failed_packet", cli.Finish());
}

TEST_F(TranscriptTest, CliRefusedFile) {
    WriteHeadsetFirmware();
    ReplaceLine(kHeadsetFile, 3, "zz");
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"update", kHeadsetFile, "--yes"});
    ExpectTranscript("cli_refused_file", cli.Finish());
}

TEST_F(TranscriptTest, CliDevices) {
    CommandLine cli(transcript);
    cli.Plug(std::string(kHeadset) + kAdapter);
    cli.Run({"devices"});
    ExpectTranscript("cli_devices", cli.Finish());
}

TEST_F(TranscriptTest, CliFilesAll) {
    WriteHeadsetFirmware(1500);
    WriteImageFile("RX71_Headset_v1_1_ef.txt", MakeImage(100), "Headset_v1_1");
    WriteImageFile("RX93_Headset_v1_3_ef.txt", MakeImage(100));
    WriteImageFile("RX93_Headsetv1ef.txt", MakeImage(100));
    WriteFirmware(kBaseFile, "Base_v1_1", "v1_1_RX93", 2100);
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"files", "--all"});
    ExpectTranscript("cli_files_all", cli.Finish());
}

TEST_F(TranscriptTest, CliStationForOneDevice) {
    WriteHeadsetFirmware(1500);
    WriteFirmware(kBaseFile, "Base_v1_1", "v1_1_RX93", 2100);
    CommandLine cli(transcript);
    cli.Plug(kHeadset);
    cli.Run({"station", kBaseFile, kHeadsetFile, "--count", "1"});
    ExpectTranscript("cli_station", cli.Finish());
}

}  // namespace
