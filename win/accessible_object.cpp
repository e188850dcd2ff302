// The MSAA object of the main window's client area (Windows only): the
// screen read afresh at every call (ReadScreen), its items as simple
// elements numbered 1 to n in reading order. It lives as long as the
// screen reader holds it and answers on the UI thread.
#include <oleacc.h>

#include <new>

#include "app/updater_state.h"
#include "app/user_texts.h"
#include "platform/system_library_win.h"
#include "win/access.h"
#include "ui/accessible_screen.h"
#include "ui/display_scale.h"

namespace {

BSTR NewBstr(const char* text) {
    static const auto allocate = SYSTEM_FUNCTION(L"oleaut32.dll", SysAllocString);
    wchar_t wide[sizeof AccessibleScreen::description];
    if (allocate == nullptr || MultiByteToWideChar(CP_ACP, 0, text, -1, wide, sizeof wide / sizeof wide[0]) == 0) {
        return nullptr;
    }
    return allocate(wide);
}

HRESULT Answer(BSTR* out, const char* text) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (text == nullptr || text[0] == '\0') return S_FALSE;
    *out = NewBstr(text);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

void SetLong(VARIANT* out, LONG value) {
    out->vt = VT_I4;
    out->lVal = value;
}

LONG RoleOf(AccessibleRole role) {
    switch (role) {
        case RolePushButton: return ROLE_SYSTEM_PUSHBUTTON;
        case RoleLink: return ROLE_SYSTEM_LINK;
        case RoleText: return ROLE_SYSTEM_STATICTEXT;
        case RoleProgressBar: return ROLE_SYSTEM_PROGRESSBAR;
    }
    return ROLE_SYSTEM_STATICTEXT;
}

LONG StatesOf(uint32_t states) {
    LONG bits = 0;
    if (states & StateFocusable) bits |= STATE_SYSTEM_FOCUSABLE;
    if (states & StateFocused) bits |= STATE_SYSTEM_FOCUSED;
    if (states & StateUnavailable) bits |= STATE_SYSTEM_UNAVAILABLE;
    if (states & StateReadOnly) bits |= STATE_SYSTEM_READONLY;
    if (states & StateInvisible) bits |= STATE_SYSTEM_INVISIBLE;
    return bits;
}

class ScreenAccessible final : public IAccessible {
   public:
    explicit ScreenAccessible(HWND window) : window_(window) {}

    // --- IUnknown ---
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (id != __uuidof(IUnknown) && id != __uuidof(IDispatch) && id != __uuidof(IAccessible)) return E_NOINTERFACE;
        *out = static_cast<IAccessible*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // --- IDispatch: not offered; MSAA clients call the methods directly ---
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return count != nullptr ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // --- IAccessible ---
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        static const auto standard = SYSTEM_FUNCTION(L"oleacc.dll", CreateStdAccessibleObject);
        if (standard == nullptr) return S_FALSE;
        return standard(window_, OBJID_WINDOW, __uuidof(IDispatch), reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* count) override {
        if (count == nullptr) return E_POINTER;
        Read();
        *count = screen_.count;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        return Item(child) >= 0 ? S_FALSE : E_INVALIDARG;  // simple elements, no objects of their own
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* out) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        return Answer(out, item == kSelf ? screen_.name : screen_.items[item].name);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* out) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        return Answer(out, item == kSelf ? "" : screen_.items[item].value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* out) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        return Answer(out, item == kSelf ? screen_.description : "");
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* out) override {
        const int item = Item(child);
        if (out == nullptr) return E_POINTER;
        if (item == kInvalid) return E_INVALIDARG;
        SetLong(out, item == kSelf ? ROLE_SYSTEM_CLIENT : RoleOf(screen_.items[item].role));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* out) override {
        const int item = Item(child);
        if (out == nullptr) return E_POINTER;
        if (item == kInvalid) return E_INVALIDARG;
        LONG states = STATE_SYSTEM_FOCUSABLE;
        if (item == kSelf && GetFocus() == window_ && ItemOfZone(screen_, Focused()) < 0) states |= STATE_SYSTEM_FOCUSED;
        if (item != kSelf) states = StatesOf(screen_.items[item].states);
        SetLong(out, states);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* out) override { return Answer(out, ""); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, LONG* topic) override {
        if (topic != nullptr) *topic = 0;
        return Answer(file, "");
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* out) override { return Answer(out, ""); }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        if (GetFocus() != window_) return S_FALSE;
        Read();
        SetLong(out, ItemOfZone(screen_, Focused()) + 1);  // CHILDID_SELF (0) without a focused item
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* out) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        return Answer(out, Pressable(item) ? Text(TextAccessPress) : "");
    }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        if ((flags & SELFLAG_TAKEFOCUS) == 0 || item == kSelf) return S_FALSE;
        return TakeFocus(screen_.items[item].zone) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* width, LONG* height, VARIANT child) override {
        const int item = Item(child);
        if (x == nullptr || y == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        if (item == kInvalid) return E_INVALIDARG;
        RECT r = DeviceRect({0, 0, kWindowWidth, kWindowHeight});
        if (item != kSelf) r = DeviceRect(screen_.items[item].bounds);
        MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *x = r.left;
        *y = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
        const int item = Item(start);
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        if (item == kInvalid) return E_INVALIDARG;
        int to = -1;
        if (direction == NAVDIR_FIRSTCHILD && item == kSelf) to = NextVisibleItem(screen_, -1, false);
        if (direction == NAVDIR_LASTCHILD && item == kSelf) to = NextVisibleItem(screen_, screen_.count, true);
        const bool forward = direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT;
        const bool back = direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP || direction == NAVDIR_LEFT;
        if (item != kSelf && (forward || back)) to = NextVisibleItem(screen_, item, back);
        if (to < 0) return S_FALSE;
        SetLong(out, to + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* out) override {
        if (out == nullptr) return E_POINTER;
        out->vt = VT_EMPTY;
        POINT p = {x, y};
        ScreenToClient(window_, &p);
        p = {ToLayout(p.x, TheUi().dpi), ToLayout(p.y, TheUi().dpi)};
        if (p.x < 0 || p.y < 0 || p.x >= kWindowWidth || p.y >= kWindowHeight) return S_FALSE;
        Read();
        SetLong(out, ItemAt(screen_, p.x, p.y) + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const int item = Item(child);
        if (item == kInvalid) return E_INVALIDARG;
        if (!Pressable(item)) return DISP_E_MEMBERNOTFOUND;
        PostMessageA(window_, kPressZoneMessage, static_cast<WPARAM>(screen_.items[item].zone), 0);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

   private:
    static constexpr int kSelf = -1;
    static constexpr int kInvalid = -2;

    void Read() { ReadScreen(screen_); }
    HitZone Focused() const { return static_cast<HitZone>(TheUpdater().keyboard.zone); }

    // The screen read afresh; the item `child` names, kSelf or kInvalid.
    int Item(const VARIANT& child) {
        if (child.vt != VT_I4) return kInvalid;
        Read();
        if (child.lVal == CHILDID_SELF) return kSelf;
        return child.lVal >= 1 && child.lVal <= screen_.count ? static_cast<int>(child.lVal - 1) : kInvalid;
    }
    bool Pressable(int item) const {
        return item >= 0 && screen_.items[item].zone != kNoZone && (screen_.items[item].states & StateFocusable) != 0;
    }

    LONG references_ = 1;
    HWND window_;
    AccessibleScreen screen_;
};

}  // namespace

IAccessible* NewScreenAccessible(HWND window) { return new (std::nothrow) ScreenAccessible(window); }
