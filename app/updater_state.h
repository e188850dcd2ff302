// UpdaterState: the window's one record of everything that outlives a call,
// shared by its UI thread and its worker thread. It holds the engine's
// records (the devices found, the library session, what a run is asked to
// do) beside the window's own fields. There are no locks: every flag and
// every int that both threads touch is an individual atomic, read and written
// whole; texts that the worker rewrites while the UI may read them are
// SharedText. The remaining texts and buffers are handed from one thread to
// the other through `updateRequested` (written before it is set, read after it
// is seen) or belong to one thread only, as noted.
#pragma once

#include <atomic>
#include <cstdint>

#include "device/found_devices.h"
#include "device/library_session.h"
#include "device/shared_values.h"
#include "firmware/catalogue.h"
#include "platform/system.h"
#include "ui/window_ops.h"
#include "update/run_outcome.h"
#include "update/run_request.h"

struct Controls;
struct RunRecorder;
struct RunSeat;

// deviceView: which device screen the worker drew last.
enum DeviceView : int32_t {
    ViewNone = 0,  // no device, or a redraw is due
    ViewAdapter = 1,
    ViewHeadset = 2,
    ViewSeveral = 100,
};

enum DialogStage : int32_t {
    DialogIdle = 0,
    DialogChoosing = 1,
};

inline constexpr int kProgressChars = 365;  // the longest progress bar

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
    SharedInt screenMode{ScreenIntro};  // a ScreenMode: which screen is up and how the last run ended
    Flag updateRequested{0};
    Flag modeVerifyFirmwareOnly{0};
    Flag modeProgramFirmwareOnly{0};
    Flag warningOpen{0};
    Flag firmwareChosen{0};
    Flag recordingAsked{0};  // UI: a recording is open; the worker puts the recorder in at its next safe point
    SharedInt deviceView{ViewNone};
    SharedInt dialogStage{DialogIdle};

    // --- The engine's records ---
    FoundDevices devices;    // filled by discovery on the worker
    LibrarySession session;  // bound at start-up; the worker's after that
    // What the next run is asked to do. The UI writes the file, the device
    // it was chosen for and modeVerifyOnly before it sets updateRequested;
    // the worker reads them only after.
    RunRequest request;

    // --- Firmware choice ---
    SharedInt selectedFileIndex{0};  // 1 + the chosen list row; 0 = nothing chosen
    char entryLabel[kPathChars] = {};      // UI thread only
    char catalogueNames[kCatalogueRows][kPathChars] = {};  // UI thread only
    int32_t catalogueCount = 0;                            // UI thread only

    // --- Process ---
    char windowTitle[100] = {};
    char windowClassName[100] = {};
    char helpArticle[kPathChars] = {};  // the pairing guide's address, set at start-up; empty: the page we ship

    // The text of the progress bar: written by the window's seat during a
    // run and emptied by the worker after it, and by the UI before setting
    // updateRequested.
    char progressBuffer[kProgressChars + 1] = {};

    DragState drag;
    KeyboardFocus keyboard;

    // --- The last run, beyond screenMode (worker thread; read by the UI only
    // after updateRequested is back at 0) ---
    RunOutcome runOutcome;
    // Where the window's seat passes each call of a run on: the run
    // recorder, set once at start-up, or a test's own seat; null for none.
    RunSeat* runListener = nullptr;
    // The recorder, told what the worker found after each run; null for none.
    RunRecorder* runRecorder = nullptr;

    // --- Shutdown: the worker stops only at a point where it is not inside
    // the device library, so that nothing calls the library after
    // AvDllShutdown. ---
    Flag stopRequested{0};  // UI: the worker should stop at its next safe point
    Flag workerParked{0};   // worker: stopped at a safe point, no library call follows
    Flag workerRelease{0};  // UI: the library is shut down; the worker may end

    // --- The session ends anyway (log-off, shutdown) during a run: Windows
    // ends the process once the window has answered, so the run stops at its
    // next page, the device is reset and closed without the pauses, and the
    // UI waits, bounded, until the run is recorded. ---
    Flag sessionEnding{0};  // UI: from WM_ENDSESSION on; the worker takes up no new run
    Flag runUnrecorded{0};  // worker: from taking up a requested run until its record is written
};
