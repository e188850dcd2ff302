// The accessible description of the screen shown.
#include "ui/accessible_screen.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "app/updater_state.h"
#include "app/user_texts.h"
#include "ui/zone_state.h"

namespace {

// Appends `text` to the terminated string in out[0..size), cut at its end.
void Append(char* out, size_t size, const char* text) {
    size_t length = std::strlen(out);
    for (; *text != '\0' && length + 1 < size; ++text) out[length++] = *text;
    out[length] = '\0';
}

// Copies `text` with every run of spaces and line breaks made one space and
// none at either end: the power-cycle notice's indent and break are layout.
void CopyWords(char* out, size_t size, const char* text) {
    size_t length = 0;
    bool gap = false;
    for (; *text != '\0' && length + 1 < size; ++text) {
        if (std::isspace(static_cast<unsigned char>(*text))) {
            gap = length > 0;
            continue;
        }
        if (gap && length + 2 < size) out[length++] = ' ';
        gap = false;
        out[length++] = *text;
    }
    out[length] = '\0';
}

PixelRect ZoneRect(HitZone zone) {
    const ZoneBounds& z = Zone(zone);
    return {z.xMin, z.yMin, z.xMax - z.xMin + 1, z.yMax - z.yMin + 1};
}

bool IsGlyph(HitZone zone) { return zone == ZoneMinimiseGlyph || zone == ZoneCloseGlyph; }

const char* ButtonLabel(const ScreenWords& words, HitZone zone) {
    if (zone == ZoneMinimiseGlyph) return Text(TextAccessMinimise);
    if (zone == ZoneCloseGlyph) return Text(TextAccessClose);
    for (const ScreenButton& button : words.buttons) {
        if (button.zone == zone) return button.label;
    }
    return "";
}

// Places `item` by reading order: top to bottom, then left to right, after
// any item already at the same place. The items and their places are the
// same on every screen, so every item's index is too.
void Insert(AccessibleScreen& out, const AccessibleItem& item) {
    if (out.count >= kAccessibleItems) return;
    int at = out.count;
    while (at > 0) {
        const AccessibleItem& before = out.items[at - 1];
        const bool earlier = before.bounds.y < item.bounds.y ||
                             (before.bounds.y == item.bounds.y && before.bounds.x <= item.bounds.x);
        if (earlier) break;
        out.items[at] = before;
        --at;
    }
    out.items[at] = item;
    ++out.count;
}

AccessibleItem ZoneItem(const UpdaterState& state, const ScreenFacts& facts, const ScreenWords& words, HitZone zone) {
    HitZone painted[kMaxScreenZones];
    const int count = PaintedZones(facts.skin, facts.panel, painted);
    bool shown = false;
    for (int i = 0; i < count; ++i) shown = shown || painted[i] == zone;
    AccessibleItem item;
    item.role = zone == ZoneHelpLink ? RoleLink : RolePushButton;
    item.zone = zone;
    item.bounds = ZoneRect(zone);
    if (!shown) {
        item.states = StateInvisible;
        return item;
    }
    const bool live = ZoneAnswers(state, zone);
    item.states = live ? StateFocusable : StateUnavailable;
    if (live && facts.windowFocused && state.keyboard.zone == zone) item.states |= StateFocused;
    CopyWords(item.name, sizeof item.name, ButtonLabel(words, zone));
    return item;
}

// The labels over the skin and the bar, shown where the screen shows them:
// a label with text, the bar on the screens with a progress track, and
// nothing under the warning panel.
void AddControls(const ScreenFacts& facts, const ScreenWords& words, AccessibleScreen& out) {
    for (const ControlLayout& layout : kControlLayout) {
        if (layout.kind == KindBitmap) continue;
        const ControlFacts& control = facts.controls[layout.id];
        AccessibleItem item;
        item.control = layout.id;
        item.bounds = layout.rect;
        item.states = StateReadOnly;
        if (layout.id == ControlProgressText) {
            item.role = RoleProgressBar;
            if (words.progressTrack && !facts.panel) {
                const ControlFacts& percent = facts.controls[ControlPercentText];
                CopyWords(item.name, sizeof item.name, words.headline);
                CopyWords(item.value, sizeof item.value,
                          percent.visible && percent.text[0] != '\0' ? percent.text : "0 %");
            }
        } else if (control.visible && !facts.panel) {
            CopyWords(item.name, sizeof item.name, control.text);
        }
        if (item.name[0] == '\0') item.states |= StateInvisible;
        Insert(out, item);
    }
}

void AddZones(const UpdaterState& state, const ScreenFacts& facts, const ScreenWords& words, AccessibleScreen& out) {
    for (int zone = ZoneDragBand + 1; zone <= kHitZoneCount; ++zone) {
        if (!IsGlyph(static_cast<HitZone>(zone))) Insert(out, ZoneItem(state, facts, words, static_cast<HitZone>(zone)));
    }
    for (HitZone glyph : kTitleGlyphZones) {
        if (out.count < kAccessibleItems) out.items[out.count++] = ZoneItem(state, facts, words, glyph);
    }
}

// The body lines joined, each followed by the text of the control that
// continues it on screen ("Connected, with firmware v." then "1_0").
void Describe(const ScreenFacts& facts, const ScreenWords& words, AccessibleScreen& out) {
    for (const ScreenLine& line : words.lines) {
        if (line.text == nullptr) continue;
        if (out.description[0] != '\0') Append(out.description, sizeof out.description, " ");
        Append(out.description, sizeof out.description, line.text);
        const ControlFacts& control = facts.controls[line.continuedBy];
        if (line.continuedBy != ControlSkinView && control.visible) {
            char shown[kPathChars];
            CopyWords(shown, sizeof shown, control.text);
            Append(out.description, sizeof out.description, shown);
        }
    }
}

}  // namespace

void DescribeScreen(const UpdaterState& state, const ScreenFacts& facts, AccessibleScreen& out) {
    out = AccessibleScreen{};
    const ScreenWords& words = WordsOf(facts.panel ? SkinWarning : facts.skin);
    CopyWords(out.name, sizeof out.name, words.headline);
    Describe(facts, words, out);
    AddControls(facts, words, out);
    AddZones(state, facts, words, out);
}

int ItemOfZone(const AccessibleScreen& screen, HitZone zone) {
    for (int i = 0; i < screen.count; ++i) {
        if (screen.items[i].zone == zone && zone != kNoZone) return i;
    }
    return -1;
}

int ItemOfControl(const AccessibleScreen& screen, ControlId control) {
    for (int i = 0; i < screen.count; ++i) {
        if (screen.items[i].zone == kNoZone && screen.items[i].control == control) return i;
    }
    return -1;
}

int ItemAt(const AccessibleScreen& screen, int x, int y) {
    for (int i = screen.count - 1; i >= 0; --i) {
        if (screen.items[i].states & StateInvisible) continue;
        const PixelRect& r = screen.items[i].bounds;
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height) return i;
    }
    return -1;
}

int NextVisibleItem(const AccessibleScreen& screen, int from, bool backwards) {
    for (int i = from + (backwards ? -1 : 1); i >= 0 && i < screen.count; i += backwards ? -1 : 1) {
        if ((screen.items[i].states & StateInvisible) == 0) return i;
    }
    return -1;
}

bool ProgressTenthChanged(UpdaterState& state, bool shown, const char* percentText) {
    if (!shown || percentText == nullptr || !std::isdigit(static_cast<unsigned char>(percentText[0]))) return false;
    const long percent = std::strtol(percentText, nullptr, 10);
    const int tenth = static_cast<int>(percent > 100 ? 10 : percent / 10);
    if (tenth == state.keyboard.progressTenth) return false;
    state.keyboard.progressTenth = tenth;
    return true;
}
