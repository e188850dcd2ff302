// Controls for tests: keeps each control's state (visible, text, font, the
// skin on skinView) and every request in order. Safe to call from the
// worker thread while the test thread reads.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ui/controls.h"

struct RecordingControls : Controls {
    RecordingControls();

    void ShowMainWindow() override;
    void Show(ControlId control, bool visible) override;
    void SetText(ControlId control, const char* text) override;
    void Repaint(ControlId control) override;
    void SetFont(ControlId control, FontId font) override;
    void ShowSkin(SkinId skin) override;
    void CloseSelectionDialog() override;
    void AppendLogLine(const char* text) override;
    // The test thread is the UI thread, and the worker runs in lockstep with
    // it: the action runs at once, on the caller's thread.
    void RunOnUiThread(void (*action)(void*), void* context) override {
        ++uiThreadRuns;
        if (onRequest) onRequest("run on UI thread");
        action(context);
    }
    std::atomic<int> uiThreadRuns{0};  // trips to the UI thread

    // What the test reads.
    bool Visible(ControlId control) const;
    std::string Text(ControlId control) const;
    SkinId Skin() const;
    std::vector<SkinId> Skins() const;          // every skin put up, in order
    std::vector<std::string> LogLines() const;
    std::vector<std::string> Requests() const;  // e.g. "show percentText", "skin 151"
    int ShowMainWindowCount() const;
    int DialogCloseCount() const;
    void ClearHistory();

    // Called (outside the lock) when the worker sends the close request, so
    // a test can have an open dialog answer it.
    std::function<void()> onCloseSelectionDialog;
    // Called (outside the lock) after every request that changes what the
    // window shows, as the window looks at its screen after each request.
    std::function<void()> afterRequest;
    // Called with each request as Requests() spells it, as it is made, and
    // with each log line ("log <text>") and trip to the UI thread, so that a
    // transcript can interleave them with the rest of a run. Runs on the
    // caller's thread, under the controls' lock for the requests.
    std::function<void(const std::string&)> onRequest;

   private:
    struct ControlState {
        bool visible = false;
        std::string text;
        int font = -1;
    };
    void Note(const std::string& request);
    void After() const {
        if (afterRequest) afterRequest();
    }
    mutable std::mutex lock_;
    ControlState controls_[ControlCount];
    SkinId skin_ = SkinIntro;
    std::vector<SkinId> skins_;
    std::vector<std::string> log_;
    std::vector<std::string> requests_;
    int mainWindowShows_ = 0;
    int dialogCloses_ = 0;
};

const char* ControlName(ControlId control);
