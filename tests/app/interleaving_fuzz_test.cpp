// A seeded, model-based interleaving fuzzer: random sequences of presses in
// every zone, dialog choices, close attempts, devices plugged, unplugged and
// swapped, and library faults, some of them while the worker is inside the
// library, against the real worker and pointer logic on the fake clock.
// After every step it checks what a person must be able to trust:
// - a device only ever holds firmware from a file that fits it;
// - a run ends passed only when every page was read back and the device
//   holds the image;
// - every screen has a way forward (a button that answers, or discovery);
// - the warning panel shows only while an operation runs.
// The program may also be killed inside a run's library call and started
// again on the devices and files as the kill left them: a unit left
// half-programmed must then be finished only with a file that fits it.
//
// INTERLEAVING_SEQUENCES and INTERLEAVING_SEED (environment) make longer or
// other runs; a failure prints the seed and the steps that led to it.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <random>
#include <sstream>
#include <thread>

#include "app/run_recorder.h"
#include "app/window_seat.h"
#include "firmware/firmware_image.h"
#include "firmware/name_rules.h"
#include "update/null_seat.h"
#include "tests/support/interaction_fixture.h"

namespace {

struct DeviceModel {
    const char* name;
    const char* line;  // the device file's settings after the name
    uint32_t productId;
    uint32_t kind;
    const char* model;
};

constexpr DeviceModel kDevices[] = {
    {"adapter", "product=28F80108 kind=12 identity=01 reply=v1_0_RX93", 0x28F80108, 12, "RX93"},
    {"headset", "product=28F80106 kind=13 identity=01 reply=v1_0_RX93", 0x28F80106, 13, "RX93"},
    {"headset71", "product=28F80106 kind=13 identity=02 reply=v1_0_RX71", 0x28F80106, 13, "RX71"},
    {"generic", "product=170D0100 kind=12 identity=03 reply=v2_0_RX71", 0x170D0100, 12, "RX71"},
};

struct FileModel {
    const char* name;
    const char* tag;
    const char* stamp;  // the version reply the image carries
    int32_t bytes;
    bool wellFormed;
};

constexpr FileModel kFiles[] = {
    {"RX93_Base_v1_1_ef.txt", "Base_v1_1", "v1_1_RX93", 1500, true},
    {"RX71_Base_v1_2_ef.txt", "Base_v1_2", "v1_2_RX71", 2100, true},
    {"RX93_Headset_v1_3_ef.txt", "Headset_v1_3", "v1_3_RX93", 1100, true},
    {"RX71_Headset_v1_4_ef.txt", "Headset_v1_4", "v1_4_RX71", 3000, true},
    {"X_Base_v2_1_ef.txt", "Base_v2_1", "v2_1_RX71", 1024, true},
    // Fits the RX93 headset by name and tag, but a lone CR breaks it.
    {"RX93_Headset_v1_5_ef.txt", "Headset_v1_5", "v1_5_RX93", 1300, false},
    // A memory word, which a plain name on the same headset keeps.
    {"RX93_Headset_24AA512_v1_6_ef.txt", "Headset_v1_6", "v1_6_RX93", 1200, true},
    // 65 and 129 pages: the last is the identity page, of which 32 bytes
    // are written. One past 192 pages cannot be addressed.
    {"RX93_Headset_v1_7_ef.txt", "Headset_v1_7", "v1_7_RX93", 64 * 1024 + 40, true},
    {"RX71_Headset_v1_8_ef.txt", "Headset_v1_8", "v1_8_RX71", 128 * 1024 + 40, true},
    {"RX93_Base_v1_9_ef.txt", "Base_v1_9", "v1_9_RX93", 192 * 1024 + 1, false},
};
constexpr int kBrokenFile = 5;

// Where a person's action may land while the worker is in the library: the
// calls of a discovery pass, and those of a run (while one is requested).
const char* const kPassEntries[] = {"AvDllListDevices", "AvDllFindDevice", "AvDllOpenDevice", "RemotePeek",
                                    "commandSendAndGetResponse", "AvDllCloseHandle"};
const char* const kRunEntries[] = {"AvDllFindDevice", "SerialMemEnterFlashMode", "commandSendAndGetResponse",
                                   "systemReset", "AvDllCloseHandle"};

// What the runs did, as the window's seat passed them on (worker thread);
// each call goes on to the program's run recorder, while it lives.
struct RunWatch : NullSeat {
    RunSeat* next = nullptr;
    std::mutex lock;
    size_t packetsAtStart = 0;
    std::string deviceAtStart;
    std::vector<std::string> violations;
    std::function<std::string()> pluggedDevice;  // the plugged device the file was chosen for, or ""
    std::function<void(const RunOutcome&, size_t, const std::string&)> onEnd;

    void RunStarting(const RunRequest& request, const FoundDevices& devices) override {
        if (next != nullptr) next->RunStarting(request, devices);
    }
    // The checks are done and the device is about to be touched.
    void ImageLoaded(const ImageFacts& image) override {
        if (next != nullptr) next->ImageLoaded(image);
        std::lock_guard<std::mutex> guard(lock);
        packetsAtStart = recording::Packets().size();
        deviceAtStart = pluggedDevice();
    }
    void LogLine(const char* line) override {
        if (next != nullptr) next->LogLine(line);
    }
    void DeviceAboutToChange() override {
        if (next != nullptr) next->DeviceAboutToChange();
    }
    void ShowProgress(bool verifying, int32_t page, int32_t pages) override {
        if (next != nullptr) next->ShowProgress(verifying, page, pages);
    }
    void RunEnded(const RunOutcome& outcome) override {
        if (next != nullptr) next->RunEnded(outcome);
        std::lock_guard<std::mutex> guard(lock);
        onEnd(outcome, packetsAtStart, deviceAtStart);
    }
};

// Line 600 of the broken file ends in a lone CR instead of its line feed.
void BreakTheBrokenFile() {
    const std::string path = std::string("files/") + kFiles[kBrokenFile].name;
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t at = 0;
    for (int line = 0; line < 600; ++line) at = text.find('\n', at) + 1;
    text[at - 1] = '\r';
    std::ofstream(path, std::ios::binary) << text;
}

// Writes the files every sequence chooses from (once: the largest has 193
// pages) and returns their images, in the order of kFiles.
std::vector<std::vector<uint8_t>> WriteFiles() {
    std::vector<std::vector<uint8_t>> images;
    for (const FileModel& file : kFiles) {
        std::vector<uint8_t> image = MakeImage(file.bytes, static_cast<uint32_t>(file.bytes));
        std::memcpy(image.data() + sim::kStampOffset, sim::kStampMagic, sizeof sim::kStampMagic);
        std::memset(image.data() + sim::kStampOffset + 4, 0, sim::kStampReplyBytes);
        std::memcpy(image.data() + sim::kStampOffset + 4, file.stamp, std::strlen(file.stamp));
        WriteImageFile(file.name, image, file.tag);
        images.push_back(image);
    }
    BreakTheBrokenFile();
    return images;
}

class Sequence : public InteractionRig {
   public:
    Sequence(uint32_t seed, std::ostringstream& story, const std::vector<std::vector<uint8_t>>& images)
        : random_(seed), story_(story), images_(images) {}

    // Runs `steps` random steps; returns the first broken rule, or "".
    std::string Run(int steps) {
        watch_.pluggedDevice = [this] { return ChosenDevicePlugged(); };
        watch_.onEnd = [this](const RunOutcome& o, size_t first, const std::string& device) { CheckRun(o, first, device); };
        // Each sequence keeps its own history, so a seed replays alike.
        std::remove(kHistoryFileName);
        std::remove(kRunLogFileName);
        Start();
        BeginProgram();
        for (int step = 0; step < steps && !window.closed; ++step) {
            Step();
            if (killed_) StartTheProgramAgain();
            if (std::string broken = Check(); !broken.empty()) return broken;
        }
        return Settle();
    }

    // A run still in flight at the end is let finish, and checked too.
    std::string Settle() {
        system.deviceLockHeldElsewhere = false;
        for (int second = 0; second < 900 && state.updateRequested == 1 && !window.closed; ++second) {
            if (state.warningOpen == 1) Press(ZoneGotIt);
            Wait(1000);
        }
        if (state.updateRequested == 1 && !window.closed) return "a run that never ends";
        return Check();
    }

   private:
    int Pick(int n) { return static_cast<int>(random_() % static_cast<uint32_t>(n)); }

    // A program's start: its recorder, the watch, Continue.
    void BeginProgram() {
        recorder_ = std::make_unique<RunRecorder>();
        InstallRunRecorder(state, *recorder_);
        watch_.next = recorder_.get();
        state.runListener = &watch_;
        Press(ZoneContinue);
    }

    // Inside a run's library call (on the UI thread, while the worker waits
    // in the call): the program dies there. Nothing it does from now on
    // reaches a device or a file.
    void Kill() {
        story_ << " kill";
        recording::SeverCalls(true);
        watch_.next = nullptr;
        state.runRecorder = nullptr;
        killed_ = true;
    }

    // The dead program's thread is let go (its calls answer nothing), the
    // library closes what it had open, and a new program starts.
    void StartTheProgramAgain() {
        state.warningOpen = 0;
        StopWorker();  // an action still waiting on a call finds the program dead
        killed_ = false;
        recording::SeverCalls(false);
        sim::EndProcess();
        story_ << " restart";
        StartAgain();
        BeginProgram();
    }

    // --- Steps ---

    void Step() {
        const int what = Pick(17);
        if (what < 6) return PressAZone(true);
        if (what < 7) return PlugSomething();
        if (what < 10) return Inject();
        if (what < 11) return AttemptClose();
        if (what < 12) return HoldTheDevicesElsewhere();
        PassTime();
    }

    // Another program (the command line) works on the devices for a while.
    void HoldTheDevicesElsewhere() {
        story_ << " held-elsewhere";
        system.deviceLockHeldElsewhere = true;
        PassTime();
        system.deviceLockHeldElsewhere = false;
    }

    // The buttons painted on the screen that is up: a person mostly presses
    // those, and sometimes anywhere.
    std::vector<HitZone> PaintedButtons() {
        if (controls.Visible(ControlWarningPanel)) return {ZoneGotIt};
        switch (controls.Skin()) {
            case SkinIntro: return {ZoneContinue};
            case SkinAdapterFound: case SkinHeadsetFound: return {ZoneFirmwareBox};
            case SkinAdapterActions: case SkinHeadsetActions: return {ZoneUpdate, ZoneVerify, ZoneFirmwareBox};
            case SkinAdapterFailed: case SkinHeadsetFailed: case SkinAdapterMismatch: case SkinHeadsetMismatch:
                return {ZoneTryAgain, ZoneCancel};
            case SkinAdapterVerified: case SkinHeadsetVerified: return {ZoneDoneVerified};
            case SkinAdapterUpdated: case SkinHeadsetUpdated: return {ZoneDoneUpdated, ZoneHelpLink};
            default: return {ZoneDoneVerified, ZoneDoneUpdated};  // Done answers once a run has passed
        }
    }

    void PressAZone(bool mayOpenDialog) {
        const std::vector<HitZone> painted = PaintedButtons();
        HitZone zone = Pick(4) != 0 ? painted[static_cast<size_t>(Pick(static_cast<int>(painted.size())))]
                                    : static_cast<HitZone>(1 + Pick(kHitZoneCount));
        if (zone == ZoneCloseGlyph) zone = ZoneGotIt;  // closing has its own step
        if (zone == ZoneFirmwareBox && !mayOpenDialog) zone = ZoneUpdate;
        if (zone == ZoneFirmwareBox) return ChooseInTheDialog();
        const ZoneBounds& z = Zone(zone);
        story_ << " press:" << zone;
        OnLeftButtonDown(state, z.xMin + Pick(z.xMax - z.xMin + 1), z.yMin + Pick(z.yMax - z.yMin + 1));
        OnLeftButtonUp(state);
    }

    void ChooseInTheDialog() {
        const int row = Pick(6) == 0 ? -1 : Pick(5);
        const bool waitInside = Pick(3) == 0;
        story_ << " dialog:" << row << (waitInside ? "+wait" : "");
        window.dialogScript = [this, row, waitInside](FakeSelectionDialog& dialog) {
            if (waitInside) {
                if (Pick(2) == 0) PlugSomething();
                Wait(100 + Pick(300));
            }
            if (!dialog.open) return;
            dialog.selected = row;
            if (Pick(6) == 0) return CancelSelection(state, dialog);
            SelectFirmware(state, dialog);
        };
        Press(ZoneFirmwareBox);
        window.dialogScript = nullptr;
    }

    // Devices plugged in and pulled out. A person cannot swap one device for
    // another faster than the worker polls (a device takes longer than that
    // to appear): a swap is a removal, a pause, then the new set. From inside
    // a library call, where no time can pass, a swap is only the removal.
    void PlugSomething(bool inside = false) {
        if (inside && state.updateRequested != 1 && Pick(3) == 0 && SwapModelInPlace()) return;
        const int count = Pick(6) == 0 ? 2 : (Pick(8) == 0 ? 0 : 1);
        std::vector<const DeviceModel*> next;
        for (int i = 0; i < count; ++i) {
            const DeviceModel* device = &kDevices[Pick(4)];
            if (next.empty() || next[0] != device) next.push_back(device);
        }
        std::vector<const DeviceModel*> kept;
        for (const DeviceModel* device : plugged_) {
            if (std::find(next.begin(), next.end(), device) != next.end()) kept.push_back(device);
        }
        const bool swap = kept.size() < plugged_.size() && next.size() > kept.size();
        // Nor can a device appear at the instant another was pulled out,
        // in the next call of the same pass or run.
        const bool sameInstant = inside && removedAt_ == system.MonotonicMicros();
        if (swap || (sameInstant && next.size() > kept.size())) {
            PlugSet(kept);
            if (inside) return;
            story_ << " pause";
            Wait(250);
        }
        PlugSet(next);
    }

    // Inside a discovery pass's library call (which may block for long): a
    // headset swapped for one of the other model with the same product id.
    // Not inside a run: between its look and its connection the run finds
    // the device by product id, and a swap there (a few milliseconds) goes
    // unseen without an identity check on the run's own handle. False when
    // no headset is plugged.
    bool SwapModelInPlace() {
        std::vector<const DeviceModel*> next = plugged_;
        bool swapped = false;
        for (const DeviceModel*& device : next) {
            if (device == &kDevices[1] || device == &kDevices[2]) {
                device = device == &kDevices[1] ? &kDevices[2] : &kDevices[1];
                swapped = true;
            }
        }
        if (!swapped || (next.size() == 2 && next[0] == next[1])) return false;
        story_ << " swap-model";
        PlugSet(next);
        return true;
    }

    void PlugSet(const std::vector<const DeviceModel*>& devices) {
        std::string text;
        std::string keptText;  // the lines of the devices that stay
        for (const DeviceModel* device : devices) {
            const std::string line = std::string("device ") + device->name + " " + device->line + Fault() + "\n";
            text += line;
            if (std::find(plugged_.begin(), plugged_.end(), device) != plugged_.end()) keptText += line;
        }
        const bool removed = std::count_if(plugged_.begin(), plugged_.end(), [&](const DeviceModel* device) {
                                 return std::find(devices.begin(), devices.end(), device) == devices.end();
                             }) > 0;
        if (removed) removedAt_ = system.MonotonicMicros();
        plugged_ = devices;
        story_ << " plug:[" << text << "]";
        if (removed) {
            // A device pulled out is gone at once, not only at the next listing.
            Plug(keptText);
            uint32_t productIds[kMaxListedDevices];
            sim::AvDllListDevices(0, kMaxListedDevices, nullptr, productIds);
        }
        // One plugged in is found from the program's next listing on, as a
        // new device must be enumerated first.
        Plug(text);
    }

    std::string Fault() {
        switch (Pick(16)) {
            case 0: return " failpacket=" + std::to_string(1 + Pick(300));
            case 1: case 7: return " fail=reset";
            case 2: return " fail=rom";
            case 3: return " unplugafter=" + std::to_string(1 + Pick(300));
            case 4: return " packetstatus=1";
            case 5: return " fail=find";
            case 6: return " failpage=" + std::to_string(Pick(3));
            default: return "";
        }
    }

    // What a person does while the worker is inside a library call: one to
    // three things at once (a device plugged and a button pressed, say).
    void Inject() {
        const bool running = state.updateRequested == 1;
        const char* entry = running ? kRunEntries[Pick(static_cast<int>(std::size(kRunEntries)))]
                                    : kPassEntries[Pick(static_cast<int>(std::size(kPassEntries)))];
        std::vector<int> actions(static_cast<size_t>(1 + Pick(3)));
        for (int& action : actions) action = Pick(7);
        story_ << " inject:" << entry;
        recording::BeforeNextCall(entry, [this, actions] { system.OnTestThread([this, actions] { Act(actions); }); });
        PassTime();
    }

    // On the UI thread, as a person's actions arrive (presses may come
    // while the selection dialog is open, as an accessibility tool's do).
    void Act(const std::vector<int>& actions) {
        for (int action : actions) {
            if (killed_ && action != 1) continue;  // a dead program answers no press
            story_ << "/" << action;
            switch (action) {
                case 0: PressAZone(false); break;
                case 1: PlugSomething(true); break;
                case 2: if (state.updateRequested == 1) window.SendCloseRequest(); break;
                case 3: Press(ZoneVerify); break;
                case 4: if (state.updateRequested == 1 && !killed_) Kill(); break;
                default: Press(ZoneUpdate); break;
            }
        }
    }

    // Mostly during a run, where the warning answers; a close that goes
    // through ends the sequence.
    void AttemptClose() {
        if (state.updateRequested != 1 && Pick(10) != 0) return PassTime();
        story_ << " close";
        window.SendCloseRequest();
        if (window.closed && closedWhileRunning_ == false && state.updateRequested == 1) closedWhileRunning_ = true;
    }

    void PassTime() {
        const uint64_t ms = Pick(3) == 0 ? 6000 + Pick(12000) : 50 + Pick(900);
        story_ << " wait:" << ms;
        Wait(ms);
    }

    // --- Rules ---

    // The plugged device the run is about to write: the one of the chosen
    // product id and kind, or of those the one that reports the chosen
    // model. A device's model can change under the run's feet (a generic
    // adapter reset by a pass into the RX93 file it holds): the rule that
    // matters then is that the file fits it, which CheckHeldFirmware sees.
    std::string ChosenDevicePlugged() {
        const ChosenDevice& chosen = state.request.chosenFor;
        std::vector<const DeviceModel*> candidates;
        for (const DeviceModel* device : plugged_) {
            if (device->productId == chosen.productId && device->kind == chosen.kind) candidates.push_back(device);
        }
        if (candidates.size() == 1) return candidates[0]->name;
        for (const DeviceModel* device : candidates) {
            if (ModelReported(*device) == chosen.model) return device->name;
        }
        return "";
    }

    std::string ModelReported(const DeviceModel& device) {
        sim::DeviceStatus status{};
        if (!sim::InspectDevice(device.name, status) || status.reply[0] != 'v') return device.model;
        return std::string(reinterpret_cast<const char*>(status.reply) + 5, 4);
    }

    const FileModel* FileOfStamp(const uint8_t* stamp) {
        for (const FileModel& file : kFiles) {
            if (std::strncmp(reinterpret_cast<const char*>(stamp), file.stamp, std::strlen(file.stamp)) == 0) return &file;
        }
        return nullptr;
    }

    std::string CheckHeldFirmware() {
        for (const DeviceModel& device : kDevices) {
            uint8_t stamp[4 + sim::kStampReplyBytes] = {};
            if (!sim::ReadSerialMemory(device.name, sim::kStampOffset, sizeof stamp, stamp)) continue;
            if (std::memcmp(stamp, sim::kStampMagic, 4) != 0) continue;
            const FileModel* file = FileOfStamp(stamp + 4);
            if (file == nullptr) return std::string(device.name) + " holds an image of no known file";
            if (!file->wellFormed) return std::string(device.name) + " holds the malformed " + file->name;
            if (!FileFitsDevice(file->name, device.kind, device.productId, device.model)) {
                return std::string(device.name) + " holds " + file->name + ", which does not fit it";
            }
        }
        return "";
    }

    // On the worker thread, at the end of each run.
    void CheckRun(const RunOutcome& outcome, size_t firstPacket, const std::string& device) {
        if (outcome.screenMode != ScreenPassed) return;
        const auto packets = recording::Packets();
        size_t reads = 0;
        for (size_t i = firstPacket; i < packets.size(); ++i) reads += packets[i][5] == 0x81 ? 1 : 0;
        const int32_t pages = outcome.pageCount;
        const size_t expected = static_cast<size_t>(pages) * 64 - (pages == 65 || pages == 129 ? 62 : 0);
        if (pages == 0 || reads != expected) {
            watch_.violations.push_back("passed after " + std::to_string(reads) + " reads of " + std::to_string(expected));
        }
        const FileModel* file = nullptr;
        for (size_t i = 0; i < std::size(kFiles); ++i) {
            if (std::strcmp(kFiles[i].name, state.request.chosenFileName) == 0) file = &kFiles[i];
        }
        if (file == nullptr || device.empty()) {
            watch_.violations.push_back("passed without one known device and file");
            return;
        }
        const std::vector<uint8_t>& image = images_[static_cast<size_t>(file - kFiles)];
        // Of an identity page only its first two chunks are written.
        const size_t written = pages == 65 || pages == 129 ? (static_cast<size_t>(pages) - 1) * 1024 + 32 : image.size();
        std::vector<uint8_t> held(std::min(written, image.size()));
        sim::ReadSerialMemory(device.c_str(), 0, static_cast<int32_t>(held.size()), held.data());
        if (!std::equal(held.begin(), held.end(), image.begin())) {
            watch_.violations.push_back("passed, but " + device + " does not hold " + file->name);
        }
    }

    std::string CheckWayForward() {
        const int32_t mode = state.screenMode;
        const bool program = state.modeProgramFirmwareOnly == 1;
        const bool verify = state.modeVerifyFirmwareOnly == 1;
        if (controls.Visible(ControlWarningPanel) && state.updateRequested != 1) return "the warning panel without a run";
        if (controls.Visible(ControlWarningPanel) && state.warningOpen != 1) return "a warning panel GOT IT does not close";
        if (state.updateRequested == 1) return "";  // the run goes on
        switch (controls.Skin()) {
            case SkinIntro: return mode == ScreenIntro ? "" : "the intro without Continue";
            case SkinNoConnection: case SkinAdapterFound: case SkinHeadsetFound: case SkinSeveralDevices:
            case SkinAdapterActions: case SkinHeadsetActions:
                return mode == ScreenIdle ? "" : "a device screen without discovery";
            case SkinAdapterVerified: case SkinHeadsetVerified:
                return mode == ScreenPassed && verify ? "" : "a verified screen whose Done is dead";
            case SkinAdapterUpdated: case SkinHeadsetUpdated:
                return mode == ScreenPassed && program ? "" : "an updated screen whose Done is dead";
            case SkinAdapterFailed: case SkinHeadsetFailed: case SkinAdapterMismatch: case SkinHeadsetMismatch:
                return (mode == ScreenFailed || mode == ScreenIdMismatch) && (program || verify)
                           ? "" : "a failed screen whose Try Again and Cancel are dead";
            default: return "an operation's screen after the operation";
        }
    }

    std::string Check() {
        if (std::string broken = CheckHeldFirmware(); !broken.empty()) return broken;
        {
            std::lock_guard<std::mutex> guard(watch_.lock);
            if (!watch_.violations.empty()) return watch_.violations.front();
        }
        if (closedWhileRunning_) return "the window closed during a run";
        return CheckWayForward();
    }

    std::mt19937 random_;
    std::ostringstream& story_;
    RunWatch watch_;
    std::vector<const DeviceModel*> plugged_;
    uint64_t removedAt_ = UINT64_MAX;  // the fake time of the last removal
    const std::vector<std::vector<uint8_t>>& images_;
    bool closedWhileRunning_ = false;
    std::unique_ptr<RunRecorder> recorder_;
    bool killed_ = false;
};

// A sequence that stalls (the rig or the program waiting for itself) ends
// the test program with its seed, rather than hanging the suite.
class StallGuard {
   public:
    explicit StallGuard(std::chrono::seconds limit) : limit_(limit), thread_([this] { Watch(); }) {}
    ~StallGuard() {
        {
            std::lock_guard<std::mutex> guard(lock_);
            stopped_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    void Begin(uint32_t seed) {
        std::lock_guard<std::mutex> guard(lock_);
        seed_ = seed;
        began_ = std::chrono::steady_clock::now();
    }

   private:
    void Watch() {
        std::unique_lock<std::mutex> guard(lock_);
        while (!changed_.wait_for(guard, std::chrono::seconds(1), [this] { return stopped_; })) {
            if (std::chrono::steady_clock::now() - began_ < limit_) continue;
            std::fprintf(stderr, "seed %u stalled: no end after %lld s\n", seed_, static_cast<long long>(limit_.count()));
            std::fflush(stderr);
            std::_Exit(1);
        }
    }
    const std::chrono::seconds limit_;
    std::mutex lock_;
    std::condition_variable changed_;
    bool stopped_ = false;
    uint32_t seed_ = 0;
    std::chrono::steady_clock::time_point began_ = std::chrono::steady_clock::now();
    std::thread thread_;
};

// As many sequences as the tests' time allows: fewer under Wine and the
// sanitizers, where each costs several times as much.
#if defined(_WIN32) || defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr uint32_t kDefaultSequences = 150;
#else
constexpr uint32_t kDefaultSequences = 500;
#endif

uint32_t EnvironmentNumber(const char* name, uint32_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : fallback;
}

TEST(InterleavingFuzzTest, EverySequenceKeepsTheRules) {
    ScopedTestFolder folder;
    const uint32_t sequences = EnvironmentNumber("INTERLEAVING_SEQUENCES", kDefaultSequences);
    const uint32_t firstSeed = EnvironmentNumber("INTERLEAVING_SEED", 20261209);
    StallGuard stalls(std::chrono::seconds(60));
    const std::vector<std::vector<uint8_t>> images = WriteFiles();
    for (uint32_t n = 0; n < sequences; ++n) {
        const uint32_t seed = firstSeed + n;
        stalls.Begin(seed);
        std::ostringstream story;
        std::string broken;
        {
            Sequence sequence(seed, story, images);
            broken = sequence.Run(40);
            recording::Clear();              // no action left to fire
            sequence.state.warningOpen = 0;  // GOT IT, so a run held by the warning can end
            sequence.Finish();
        }
        ASSERT_EQ(broken, "") << "seed " << seed << ":" << story.str();
        ASSERT_EQ(FirmwareImagesHeld(), 0) << "seed " << seed;
    }
}

}  // namespace
