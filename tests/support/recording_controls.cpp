#include "tests/support/recording_controls.h"

#include "ui/layout.h"

const char* ControlName(ControlId control) {
    static const char* const kNames[ControlCount] = {
        "skinView",     "currentVersionText", "chosenFirmwareText", "progressText",
        "newVersionText", "percentText",      "powerCycleText",     "reasonText",
        "warningPanel",
    };
    return control >= 0 && control < ControlCount ? kNames[control] : "?";
}

RecordingControls::RecordingControls() {
    // As the window build leaves them.
    for (const ControlLayout& layout : kControlLayout) controls_[layout.id].visible = layout.initiallyVisible;
    controls_[ControlPowerCycleText].text = kPowerCycleText;
}

void RecordingControls::Note(const std::string& request) {
    requests_.push_back(request);
    if (onRequest) onRequest(request);
}

void RecordingControls::ShowMainWindow() {
    std::lock_guard<std::mutex> guard(lock_);
    ++mainWindowShows_;
    Note("show mainWindow");
}

void RecordingControls::Show(ControlId control, bool visible) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        controls_[control].visible = visible;
        Note(std::string(visible ? "show " : "hide ") + ControlName(control));
    }
    After();
}

void RecordingControls::SetText(ControlId control, const char* text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        controls_[control].text = text;
        Note(std::string("text ") + ControlName(control) + " \"" + text + "\"");
    }
    After();
}

void RecordingControls::Repaint(ControlId control) {
    std::lock_guard<std::mutex> guard(lock_);
    Note(std::string("repaint ") + ControlName(control));
}

void RecordingControls::SetFont(ControlId control, FontId font) {
    std::lock_guard<std::mutex> guard(lock_);
    controls_[control].font = font;
    Note(std::string("font ") + ControlName(control));
}

void RecordingControls::ShowSkin(SkinId skin) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        skin_ = skin;
        skins_.push_back(skin);
        Note("skin " + std::to_string(skin));
    }
    After();
}

void RecordingControls::CloseSelectionDialog() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        ++dialogCloses_;
        Note("close selectionDialog");
    }
    if (onCloseSelectionDialog) onCloseSelectionDialog();
}

void RecordingControls::AppendLogLine(const char* text) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        log_.push_back(text);
    }
    if (onRequest) onRequest(std::string("log \"") + text + "\"");
}

bool RecordingControls::Visible(ControlId control) const {
    std::lock_guard<std::mutex> guard(lock_);
    return controls_[control].visible;
}

std::string RecordingControls::Text(ControlId control) const {
    std::lock_guard<std::mutex> guard(lock_);
    return controls_[control].text;
}

SkinId RecordingControls::Skin() const {
    std::lock_guard<std::mutex> guard(lock_);
    return skin_;
}

std::vector<SkinId> RecordingControls::Skins() const {
    std::lock_guard<std::mutex> guard(lock_);
    return skins_;
}

std::vector<std::string> RecordingControls::LogLines() const {
    std::lock_guard<std::mutex> guard(lock_);
    return log_;
}

std::vector<std::string> RecordingControls::Requests() const {
    std::lock_guard<std::mutex> guard(lock_);
    return requests_;
}

int RecordingControls::ShowMainWindowCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return mainWindowShows_;
}

int RecordingControls::DialogCloseCount() const {
    std::lock_guard<std::mutex> guard(lock_);
    return dialogCloses_;
}

void RecordingControls::ClearHistory() {
    std::lock_guard<std::mutex> guard(lock_);
    skins_.clear();
    log_.clear();
    requests_.clear();
}
