// A screen reader's view of the running program, for the window tests: finds
// the main window, reads its accessible tree through oleacc and prints one
// line per object; or listens to the events it sends.
//
//     a11y_client tree            the window, then each child, then the focus
//     a11y_client events <ms>     focus, name and value events for <ms> milliseconds,
//                                 each with the object it names as read then
//     a11y_client press <n>       child n's default action
//     a11y_client focus <n>       child n takes the focus
//
// Lines: [event=<event>] child=<n> role=<role> name="<name>" value="<value>"
//        state=<state,...> [description="<text>"]
#include <windows.h>
#include <oleacc.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kWindowClass[] = "VELTRANEUPDATER";

const char* RoleName(LONG role) {
    switch (role) {
        case ROLE_SYSTEM_CLIENT: return "client";
        case ROLE_SYSTEM_PUSHBUTTON: return "pushbutton";
        case ROLE_SYSTEM_LINK: return "link";
        case ROLE_SYSTEM_STATICTEXT: return "text";
        case ROLE_SYSTEM_PROGRESSBAR: return "progressbar";
        default: return "other";
    }
}

void PrintText(const char* label, BSTR text) {
    char narrow[1024] = {};
    if (text != nullptr) WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    std::printf(" %s=\"%s\"", label, narrow);
    SysFreeString(text);
}

void PrintStates(LONG states) {
    const struct {
        LONG bit;
        const char* name;
    } kStates[] = {{STATE_SYSTEM_FOCUSABLE, "focusable"},
                   {STATE_SYSTEM_FOCUSED, "focused"},
                   {STATE_SYSTEM_UNAVAILABLE, "unavailable"},
                   {STATE_SYSTEM_READONLY, "readonly"},
                   {STATE_SYSTEM_INVISIBLE, "invisible"}};
    std::printf(" state=");
    bool first = true;
    for (const auto& s : kStates) {
        if ((states & s.bit) == 0) continue;
        std::printf("%s%s", first ? "" : ",", s.name);
        first = false;
    }
    if (first) std::printf("none");
}

void PrintObject(IAccessible* object, LONG id, bool withDescription) {
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = id;
    VARIANT role, state;
    VariantInit(&role);
    VariantInit(&state);
    object->get_accRole(child, &role);
    object->get_accState(child, &state);
    std::printf("child=%ld role=%s", id, role.vt == VT_I4 ? RoleName(role.lVal) : "none");
    BSTR text = nullptr;
    object->get_accName(child, &text);
    PrintText("name", text);
    text = nullptr;
    object->get_accValue(child, &text);
    PrintText("value", text);
    PrintStates(state.vt == VT_I4 ? state.lVal : 0);
    if (withDescription) {
        text = nullptr;
        object->get_accDescription(child, &text);
        PrintText("description", text);
    }
    std::printf("\n");
}

IAccessible* ClientObject(HWND window) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object)))) {
        return nullptr;
    }
    return object;
}

int Tree(IAccessible* object) {
    PrintObject(object, CHILDID_SELF, true);
    LONG count = 0;
    object->get_accChildCount(&count);
    for (LONG id = 1; id <= count; ++id) PrintObject(object, id, false);
    VARIANT focus;
    VariantInit(&focus);
    object->get_accFocus(&focus);
    std::printf("focus=%ld\n", focus.vt == VT_I4 ? focus.lVal : -1L);
    return 0;
}

HWND watched = nullptr;

// Events are only noted in the hook: reading the object is a call into the
// program, during which further events arrive.
struct Event {
    DWORD event;
    LONG child;
};
Event pending[4096];
int pendingCount = 0;

void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    if (window != watched || object != OBJID_CLIENT || pendingCount >= 4096) return;
    if (event == EVENT_OBJECT_FOCUS || event == EVENT_OBJECT_NAMECHANGE || event == EVENT_OBJECT_VALUECHANGE) {
        pending[pendingCount++] = {event, child};
    }
}

void PrintEvents(int& done) {
    while (done < pendingCount) {
        const Event e = pending[done++];
        const char* name = e.event == EVENT_OBJECT_FOCUS ? "focus" : e.event == EVENT_OBJECT_NAMECHANGE ? "name" : "value";
        IAccessible* source = nullptr;
        VARIANT id;
        VariantInit(&id);
        std::printf("event=%s ", name);
        if (SUCCEEDED(AccessibleObjectFromEvent(watched, OBJID_CLIENT, e.child, &source, &id)) && source != nullptr) {
            PrintObject(source, id.vt == VT_I4 ? id.lVal : CHILDID_SELF, false);
            source->Release();
        } else {
            std::printf("unreadable\n");
        }
        std::fflush(stdout);
    }
}

int Events(HWND window, DWORD milliseconds) {
    watched = window;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, OnEvent, process, 0,
                                         WINEVENT_OUTOFCONTEXT);
    if (hook == nullptr) return 3;
    std::printf("listening\n");
    std::fflush(stdout);
    int done = 0;
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        PrintEvents(done);
    }
    UnhookWinEvent(hook);
    return 0;
}

int Act(IAccessible* object, bool press, LONG id) {
    VARIANT child;
    child.vt = VT_I4;
    child.lVal = id;
    const HRESULT result = press ? object->accDoDefaultAction(child) : object->accSelect(SELFLAG_TAKEFOCUS, child);
    std::printf("result=0x%08lx\n", static_cast<unsigned long>(result));
    return SUCCEEDED(result) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: a11y_client tree | events <ms> | press <n> | focus <n>\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HWND window = FindWindowA(kWindowClass, nullptr);
    if (window == nullptr) {
        std::printf("no window\n");
        return 1;
    }
    const char* command = argv[1];
    if (std::strcmp(command, "events") == 0) return Events(window, argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 5000);
    IAccessible* object = ClientObject(window);
    if (object == nullptr) {
        std::printf("no accessible object\n");
        return 1;
    }
    int result = 2;
    if (std::strcmp(command, "tree") == 0) result = Tree(object);
    if (std::strcmp(command, "press") == 0 && argc > 2) result = Act(object, true, std::atol(argv[2]));
    if (std::strcmp(command, "focus") == 0 && argc > 2) result = Act(object, false, std::atol(argv[2]));
    object->Release();
    std::fflush(stdout);
    return result;
}
