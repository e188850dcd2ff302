// A timed run, not a test: how long the real window takes to change skins,
// from the request to the painted screen, when the skin must be loaded and
// when it is held. Windows tree; run under Wine in a display.
#include <cstdio>

#include "app/updater_state.h"
#include "platform/system.h"
#include "win/resource.h"
#include "win/skin_cache.h"
#include "win/win_ui.h"

namespace {

UpdaterState updater;
WinUi ui;

double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void Pump(double milliseconds) {
    const double end = NowMs() + milliseconds;
    MSG message;
    while (NowMs() < end) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

// A session's screens in order (a headset found, updated and verified, an
// adapter, a failure), then every other skin once.
constexpr SkinId kSession[] = {
    SkinNoConnection,     SkinHeadsetFound,    SkinHeadsetActions,   SkinHeadsetUpdating, SkinHeadsetVerifying,
    SkinHeadsetUpdated,   SkinHeadsetFound,    SkinHeadsetActions,   SkinHeadsetVerifying, SkinHeadsetVerified,
    SkinHeadsetActions,   SkinAdapterFound,    SkinAdapterActions,   SkinAdapterUpdating, SkinAdapterVerifying,
    SkinAdapterFailed,    SkinAdapterUpdating, SkinAdapterVerifying, SkinAdapterUpdated,  SkinAdapterActions,
    SkinSeveralDevices,   SkinNoConnection,    SkinAdapterMismatch,  SkinHeadsetMismatch, SkinHeadsetFailed,
    SkinAdapterVerified,  SkinIntro,           SkinNoConnection,
};

}  // namespace

UpdaterState& TheUpdater() { return updater; }
WinUi& TheUi() { return ui; }

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    updater.system = &PlatformSystem();
    updater.controls = &WindowsControls();
    updater.windowOps = &WindowsWindowOps();
    ui.uiThreadId = GetCurrentThreadId();
    LoadStringA(instance, IDS_APP_TITLE, updater.windowTitle, sizeof updater.windowTitle);
    LoadStringA(instance, IDS_WINDOW_CLASS, updater.windowClassName, sizeof updater.windowClassName);
    RegisterMainWindowClass(instance);
    if (!BuildMainWindow(instance)) return 1;
    Pump(500);  // the worker shows the window, the fonts follow

    // Each switch as the program makes it, then, for the skins it had to
    // load, the load alone (let go and loaded again) to tell it from the paint.
    double worstLoaded = 0, worstHeld = 0, worstLoad = 0, totalLoad = 0;
    int loaded = 0, held = 0;
    for (SkinId skin : kSession) {
        const bool wasHeld = IsSkinHeld(TheSkinCache(), skin);
        const double start = NowMs();
        WindowsControls().ShowSkin(skin);
        const double took = NowMs() - start;
        Pump(300);  // a person looks at the screen; the next ones load meanwhile
        double& worst = wasHeld ? worstHeld : worstLoaded;
        if (took > worst) worst = took;
        ++(wasHeld ? held : loaded);
        if (!wasHeld) {
            const double loadStart = NowMs();
            HBITMAP copy = LoadSkinPicture(instance, skin, ui.dpi);
            const double load = NowMs() - loadStart;
            DeleteObject(copy);
            totalLoad += load;
            if (load > worstLoad) worstLoad = load;
        }
    }
    char line[400];
    std::snprintf(line, sizeof line,
                  "skin switch, request to painted screen: worst %.1f ms (%.1f ms over %d switches that loaded "
                  "the skin, %.1f ms over %d with the skin held); a load alone %.1f ms on average, worst %.1f ms; "
                  "%d skins held at the end; %d DPI\n",
                  worstLoaded > worstHeld ? worstLoaded : worstHeld, worstLoaded, loaded, worstHeld, held,
                  loaded > 0 ? totalLoad / loaded : 0.0, worstLoad, LoadedSkinCount(TheSkinCache()), ui.dpi);
    PlatformSystem().WriteStandardOutput(line);
    ExitProcess(0);
}
