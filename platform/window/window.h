// The window services the program calls: window class, window, message queue,
// key state and debug output, under their Win32 names, over SDL2.
//
// Implemented: [x] one window class and its windows (SDL windows, 640 x 480)
//              [x] a thread message queue fed from SDL events: WM_KEYDOWN /
//                  WM_KEYUP with virtual-key codes, WM_CLOSE (close box),
//                  WM_DESTROY (window gone), WM_QUIT (PostQuitMessage)
//              [x] GetAsyncKeyState: held now, or pressed since the last query;
//                  F4 and F5 whatever window has the focus, where the display
//                  offers that (X11 with XInput 2.1)
//              [x] screen saver kept off, text input / IME windows off
// Not implemented: menus, child windows, more than one window class, window
// extra bytes, icons and cursors beyond the stock ones.
#pragma once

#include "platform/types.h"

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

// Class styles
constexpr UINT CS_VREDRAW = 0x0001;
constexpr UINT CS_HREDRAW = 0x0002;
constexpr UINT CS_CLASSDC = 0x0040;

// Window styles
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOW = 5;

constexpr UINT PM_NOREMOVE = 0x0000;
constexpr UINT PM_REMOVE = 0x0001;

// Messages
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_IME_SETCONTEXT = 0x0281;

// WM_SYSCOMMAND requests
constexpr WPARAM SC_SCREENSAVE = 0xF140;
constexpr WPARAM SC_MONITORPOWER = 0xF170;

// Virtual-key codes
constexpr int VK_BACK = 0x08;
constexpr int VK_TAB = 0x09;
constexpr int VK_RETURN = 0x0D;
constexpr int VK_ESCAPE = 0x1B;
constexpr int VK_SPACE = 0x20;
constexpr int VK_LEFT = 0x25;
constexpr int VK_UP = 0x26;
constexpr int VK_RIGHT = 0x27;
constexpr int VK_DOWN = 0x28;
constexpr int VK_F1 = 0x70;
constexpr int VK_F2 = 0x71;
constexpr int VK_F3 = 0x72;
constexpr int VK_F4 = 0x73;
constexpr int VK_F5 = 0x74;
constexpr int VK_F6 = 0x75;
constexpr int VK_F7 = 0x76;
constexpr int VK_F8 = 0x77;
constexpr int VK_F9 = 0x78;
constexpr int VK_F10 = 0x79;
constexpr int VK_F11 = 0x7A;
constexpr int VK_F12 = 0x7B;
constexpr int VK_OEM_PERIOD = 0xBE;  // '.'
constexpr int VK_OEM_4 = 0xDB;       // '[' on a US keyboard
constexpr int VK_OEM_6 = 0xDD;       // ']' on a US keyboard

// Stock resources
constexpr int BLACK_BRUSH = 4;
inline const char* const IDI_APPLICATION = "IDI_APPLICATION";
inline const char* const IDC_ARROW = "IDC_ARROW";

HMODULE GetModuleHandleA(const char* moduleName);
HICON LoadIconA(HINSTANCE instance, const char* name);
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
HGDIOBJ GetStockObject(int object);

// Returns 0 on failure (also when a class of that name is already registered).
ATOM RegisterClassExA(const WNDCLASSEXA* windowClass);

// Returns nullptr on failure; GetPlatformErrorText() then says why.
HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style,
                     int x, int y, int width, int height, HWND parent, HMENU menu,
                     HINSTANCE instance, void* param);
BOOL ShowWindow(HWND window, int command);
BOOL UpdateWindow(HWND window);
int ShowCursor(BOOL show);

BOOL PeekMessageA(MSG* msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Non-zero when the key is held now or was pressed since the previous query
// of the same key (the "pressed since" latch is cleared by the query). F4 and
// F5 are read from the whole display on X11, so they act while another
// window has the focus; other keys only reach the program's own window.
SHORT GetAsyncKeyState(int virtualKey);

// Debug output: standard error, with a "[debug] " tag.
void OutputDebugStringA(const char* text);

// >> platform extras (no Win32 counterpart)

// The last failure of the window layer (SDL's error text), or "".
const char* GetPlatformErrorText();

// Feeds a key transition into the key state, as the event pump does.
// Tests drive the key state through this.
void FeedKeyEvent(int virtualKey, bool down);

// Forgets all key state (held keys and latches).
void ResetKeyState();
