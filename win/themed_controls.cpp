// The themed common controls, for the dialogs and message boxes only (Windows
// only). The program's manifest does not ask for them, so the main window's
// own controls are the system's plain ones: made themed, the first would load
// the common controls library before the first screen, and the themed bitmap
// control copies and searches every skin it is given for transparency (36 ms
// of the start under Wine, and a part of each change of skin). Those controls are
// painted by this program's colours and skins alone and look the same either
// way; the dialogs keep the system's themed look.
#include "win/resource.h"
#include "win/win_ui.h"

namespace {

// Made once from the manifest resource that asks for the themed controls;
// null when it cannot be made, and the dialogs are then plain.
HANDLE ThemedContext() {
    static HANDLE context = [] {
        char module[MAX_PATH];
        const DWORD length = GetModuleFileNameA(TheUi().appInstance, module, sizeof module);
        if (length == 0 || length >= sizeof module) return static_cast<HANDLE>(nullptr);
        ACTCTXA request = {};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
        request.lpSource = module;
        request.lpResourceName = MAKEINTRESOURCEA(IDR_THEMED_CONTROLS);
        request.hModule = TheUi().appInstance;
        HANDLE made = CreateActCtxA(&request);
        return made == INVALID_HANDLE_VALUE ? static_cast<HANDLE>(nullptr) : made;
    }();
    return context;
}

}  // namespace

ThemedControls::ThemedControls() {
    HANDLE context = ThemedContext();
    active_ = context != nullptr && ActivateActCtx(context, &cookie_);
}

ThemedControls::~ThemedControls() {
    if (active_) DeactivateActCtx(0, cookie_);
}
