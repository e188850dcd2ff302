// UpdaterState: the one record of everything that outlives a call, shared by
// the UI thread and the worker thread. There are no locks: every flag and
// every int that both threads touch is an individual atomic, read and written
// whole; texts that the worker rewrites while the UI may read them are
// SharedText. The remaining texts and buffers are handed from one thread to
// the other through `updateRequested` (written before it is set, read after it
// is seen) or belong to one thread only, as noted.
#pragma once

#include <atomic>
#include <cstdint>

#include "app/shared_text.h"
#include "device/device_library.h"
#include "platform/system.h"
#include "ui/window_ops.h"
#include "update/run_outcome.h"

struct Controls;
struct RunObserver;

using Flag = std::atomic<uint8_t>;       // 0 or 1; set by storing 1, tested against 1
using SharedInt = std::atomic<int32_t>;

// screenMode: which screen is up and how the last run ended.
enum ScreenMode : int32_t {
    ScreenIdle = 0,
    ScreenFailed = 1,
    ScreenPassed = 2,
    ScreenIdMismatch = 3,  // verification failed in the identity page
    ScreenIntro = 255,
};

// deviceView: which device screen the worker drew last.
enum DeviceView : int32_t {
    ViewNone = 0,  // no device, or a redraw is due
    ViewAdapter = 1,
    ViewHeadset = 2,
    ViewSeveral = 100,
};

// The kind code read from a device; any kind but KindHeadset counts as an adapter.
enum DeviceKind : uint32_t {
    KindAdapter = 12,
    KindHeadset = 13,
};

enum DialogStage : int32_t {
    DialogIdle = 0,
    DialogChoosing = 1,
};

inline constexpr int kDeviceRows = 8;
inline constexpr int kCatalogueRows = 32;
inline constexpr int kProgressChars = 365;  // the longest progress bar

// One row of deviceTable.
struct DeviceEntry {
    std::atomic<uint32_t> kind{0};
    std::atomic<int32_t> deviceIndex{0};
    std::atomic<uint32_t> productId{0};
    std::atomic<uint32_t> idPresent{0};
};

// One 64-byte row of firmwareLabel, belonging to the deviceTable row of the same number.
struct FirmwareLabel {
    SharedText<32> versionText;  // at most 3 characters, such as "1_0"
    SharedText<32> modelText;    // at most 4 characters: "RX93" or "RX71" when recognised
};

// The device a firmware file was chosen for. A run programs only that
// device: the same product id, kind and model.
struct ChosenDevice {
    uint32_t productId = 0;
    uint32_t kind = 0;
    char model[5] = {};
};

// The window procedure's drag state (UI thread only).
struct DragState {
    uint8_t dragging = 0;         // from a press in the drag band until the release
    int dragStartX = 0;           // client coordinates of that press
    int dragStartY = 0;
    ScreenPoint grabOffset{};     // cursor minus client origin, at the press
    ScreenRect savedClip{};       // the cursor confinement in force at the press
    ScreenRect dragClip{};        // the confinement computed at each move
    ScreenPoint cursorNow{};
};

// The keyboard's focus over the painted buttons, and the progress last told
// to screen readers (UI thread only).
struct KeyboardFocus {
    int32_t zone = 0;            // the focused HitZone; 0 for none
    int32_t skin = 0;            // the screen it was chosen for: the SkinId on skinView; 0 before the first
    uint8_t panel = 0;           // ... and whether the warning panel was over it
    uint8_t ringShown = 0;       // the ring shows once the keyboard has moved the focus
    int32_t progressTenth = -1;  // the tenth of the progress last announced; -1 for none
};

struct UpdaterState {
    // Seams to the outside world, set once at start-up (or by a test).
    System* system = nullptr;
    Controls* controls = nullptr;
    WindowOps* windowOps = nullptr;

    // --- Screen and operation state ---
    SharedInt screenMode{ScreenIntro};
    Flag updateRequested{0};
    Flag modeVerifyOnly{0};
    Flag modeVerifyFirmwareOnly{0};
    Flag modeProgramFirmwareOnly{0};
    Flag warningOpen{0};
    Flag firmwareChosen{0};
    SharedInt deviceView{ViewNone};
    SharedInt dialogStage{DialogIdle};

    // --- Device data, filled by discovery ---
    DeviceEntry deviceTable[kDeviceRows];
    SharedInt deviceCount{0};
    FirmwareLabel firmwareLabel[kDeviceRows];
    SharedInt activeDeviceRow{0};  // always 0

    // --- Firmware choice ---
    SharedInt selectedFileIndex{0};  // 1 + the chosen list row; 0 = nothing chosen
    char chosenFileName[kPathChars] = {};  // UI writes before updateRequested; worker reads after
    ChosenDevice chosenFor;                // written with chosenFileName, at Select
    char entryLabel[kPathChars] = {};      // UI thread only
    char catalogueNames[kCatalogueRows][kPathChars] = {};  // UI thread only
    int32_t catalogueCount = 0;                            // UI thread only

    // --- Device library and its working values (worker thread, after binding) ---
    void* libraryModule = nullptr;
    DeviceLibrary library;
    SharedInt lastStatus{0};
    DeviceQuery deviceQuery{};
    uint32_t listedProductIds[kMaxListedDevices] = {};
    int32_t listedCount = 0;
    DeviceHandle probeHandle = nullptr;
    int32_t foundIndex = 0;
    uint32_t kindValue = 0;      // the word the kind is read into; starts at 0
    int32_t memoryType = 0;      // serial-memory code of the last chosen file name

    // --- Process ---
    char windowTitle[100] = {};
    char windowClassName[100] = {};
    char helpArticle[kPathChars] = {};  // the pairing guide's address, set at start-up; empty: the page we ship

    // The text of the progress bar: written by the engine during a run and
    // emptied by the worker after it, and by the UI before setting
    // updateRequested.
    char progressBuffer[kProgressChars + 1] = {};

    DragState drag;
    KeyboardFocus keyboard;

    // --- The last run, beyond screenMode (worker thread; read by the UI only
    // after updateRequested is back at 0) ---
    RunOutcome runOutcome;
    RunObserver* runObserver = nullptr;  // set once at start-up, or null
    // Set by a front end that must end a run early (the command line's
    // Ctrl+C): the run stops at the next page boundary, failed, and the
    // device is still reset and closed. The window never sets it.
    Flag stopRunRequested{0};

    // --- Shutdown: the worker stops only at a point where it is not inside
    // the device library, so that nothing calls the library after
    // AvDllShutdown. ---
    Flag stopRequested{0};  // UI: the worker should stop at its next safe point
    Flag workerParked{0};   // worker: stopped at a safe point, no library call follows
    Flag workerRelease{0};  // UI: the library is shut down; the worker may end
};
