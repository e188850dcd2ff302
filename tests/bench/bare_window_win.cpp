// A timed run's yardstick, not part of the program: the barest Win32 window
// of the program's size, so start-up time and memory can be compared with
// what the platform itself costs.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace {

LRESULT CALLBACK BareWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = BareWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = "BAREWINDOW";
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, "BAREWINDOW", "Bare Window", WS_POPUP | WS_MINIMIZEBOX, 283, 109, 800, 550,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 0;
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) != 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
