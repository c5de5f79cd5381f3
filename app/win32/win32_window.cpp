// SPDX-License-Identifier: MIT
// The Win32 adapter: forwards the window's messages to Form1, keeps its one
// wake-up on a waitable timer and shows its frame as a DIB.
#include "win32_window.h"

#include "resource.h"

#include <algorithm>
#include <cmath>
#include <windowsx.h>

namespace {

// Absent before Windows 10 1803; creation then fails with an invalid
// parameter and a plain waitable timer stands in.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

const wchar_t kClassName[] = L"Torvane";
const DWORD kStyle = WS_OVERLAPPEDWINDOW;

// Functions of Windows 10 1607 and later, looked up at run time so that the
// program still starts where they are missing (and under wine, which lacks
// some of them).
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

template <typename Fn> Fn User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    FARPROC address = user32 ? GetProcAddress(user32, name) : nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(address));
}

UINT SystemDpi()
{
    if (auto getDpiForSystem = User32Function<GetDpiForSystemFn>("GetDpiForSystem")) {
        return getDpiForSystem();
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
    if (screen) {
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? UINT(dpi) : 96;
}

// A client size in device-independent pixels as device pixels at `dpi`.
int DevicePixels(int dips, UINT dpi)
{
    return int(std::lround(dips * (dpi / 96.0)));
}

// Posted by the waker thread when the timer goes off: the move and size
// loops and the system menu's, which Windows runs while the user drags the
// window or has its menu open, dispatch posted messages as the program's
// own loop does, so the pile moves on through them.
const UINT WakeMessage = WM_APP;

} // namespace

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance)
{
    // The form's timer asks for wake-ups at 1/64 s boundaries; plain
    // waitable timers go off on the system's 15.6 ms tick, which would let a
    // wake-up slip past a boundary and drop an event. A high-resolution
    // timer goes off within about a millisecond.
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
    if (!timer_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

Win32Window::~Win32Window()
{
    if (window_) {
        DestroyWindow(window_);
    }
    for (HANDLE handle : {waker_, stop_, timer_}) {
        if (handle) {
            CloseHandle(handle);
        }
    }
}

bool Win32Window::Create(int show)
{
    // No CS_DBLCLKS: a fast second click comes as a press, and adds a ball
    // as every press does. No background brush: WM_PAINT paints every pixel
    // it is asked for.
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TORVANE));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TORVANE), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    if (!timer_ || !stop_ || !RegisterClassExW(&windowClass)) {
        return false;
    }
    // UTF-8 to UTF-16 takes no more units than bytes.
    wchar_t caption[sizeof Form1::Caption] = {};
    MultiByteToWideChar(CP_UTF8, 0, Form1::Caption, -1, caption, int(sizeof Form1::Caption));
    window_ = CreateWindowExW(0, kClassName, caption, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance_, this);
    waker_ = window_ ? CreateThread(nullptr, 0, Waker, this, 0, nullptr) : nullptr;
    if (!waker_) {
        return false;
    }
    // Sized once, hidden, for the DPI of the monitor the window landed on:
    // the start client area in its device pixels, whatever frame the
    // system drew around it.
    const UINT dpi = UINT(PixelRatio() * 96);
    RECT frame;
    GetWindowRect(window_, &frame);
    const RECT client = ClientRect();
    SetWindowPos(
        window_, nullptr, 0, 0,
        frame.right - frame.left - client.right + DevicePixels(Form1::StartClientWidth, dpi),
        frame.bottom - frame.top - client.bottom + DevicePixels(Form1::StartClientHeight, dpi),
        SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    form_.Form_Load();
    ShowWindow(window_, show);
    UpdateWindow(window_);
    return true;
}

int Win32Window::Run()
{
    // Sleeps until a message comes; at rest, minimised or hidden no
    // wake-up is set, the waker waits, and the program takes no time.
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

DWORD WINAPI Win32Window::Waker(void* self)
{
    const auto* window = static_cast<const Win32Window*>(self);
    const HANDLE handles[] = {window->stop_, window->timer_};
    while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) {
        PostMessageW(window->window_, WakeMessage, 0, 0);
    }
    return 0;
}

RECT Win32Window::ClientRect() const
{
    RECT client{};
    GetClientRect(window_, &client);
    return client;
}

// The window's DPI: its monitor's where the system scales per monitor, else
// the system's.
double Win32Window::PixelRatio() const
{
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT dpi = getDpiForWindow ? getDpiForWindow(window_) : 0;
    return (dpi ? dpi : SystemDpi()) / 96.0;
}

void Win32Window::WakeAt(std::chrono::nanoseconds at)
{
    // Relative due times are negative, in 100 ns units; at least one.
    LARGE_INTEGER due;
    due.QuadPart = -std::max<long long>(1, UnitsToWait(at, Now(), std::chrono::nanoseconds(100)));
    SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
}

void Win32Window::Repaint(std::span<const PixelRect> rects)
{
    for (const PixelRect& r : rects) {
        const RECT rect{r.left, r.top, r.right, r.bottom};
        InvalidateRect(window_, &rect, FALSE);
    }
}

void Win32Window::Press(UINT message, WPARAM wParam, LPARAM lParam)
{
    const int button = message == WM_LBUTTONDOWN   ? LeftButton
                       : message == WM_RBUTTONDOWN ? RightButton
                       : message == WM_MBUTTONDOWN ? MiddleButton
                                                   : ExtraButton;
    const WORD keys = GET_KEYSTATE_WPARAM(wParam);
    const int shift = (keys & MK_SHIFT ? ShiftMask : 0) | (keys & MK_CONTROL ? CtrlMask : 0) |
                      (GetKeyState(VK_MENU) < 0 ? AltMask : 0);
    // Device pixels, signed (a press can lie left of or above the client
    // area while the mouse is captured), to device-independent ones.
    const double ratio = PixelRatio();
    form_.MouseDown(button, shift, GET_X_LPARAM(lParam) / ratio, GET_Y_LPARAM(lParam) / ratio);
}

void Win32Window::Paint()
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    const RECT& want = paint.rcPaint;
    // A frame of another DPI (the window just moved to another screen) is
    // not shown: the background until the next tick, a 64th of a second
    // away, draws it anew in the new device pixels.
    const PixelFrame& frame = form_.Frame();
    const bool shown = frame.pixels && form_.FrameRatio() == PixelRatio();
    const int frameWidth = shown ? frame.width : 0;
    const int frameHeight = shown ? frame.height : 0;
    const int left = std::max<int>(want.left, 0);
    const int top = std::max<int>(want.top, 0);
    const int right = std::min<int>(want.right, frameWidth);
    const int bottom = std::min<int>(want.bottom, frameHeight);
    if (left < right && top < bottom) {
        // The frame's rows top to bottom - 1 as a top-down DIB of their own,
        // as wide as a row is long. SetDIBitsToDevice counts its source
        // origin from the DIB's bottom-left corner, top-down or not; with
        // exactly the rows to show, that origin is row 0 either way.
        // windows-check compares a screenshot with the frame to pin this.
        const int rows = bottom - top;
        const BITMAPINFO info{
            {sizeof(BITMAPINFOHEADER), LONG(frame.stride), -rows, 1, 32, BI_RGB, 0, 0, 0, 0, 0},
            {}};
        SetDIBitsToDevice(dc, left, top, DWORD(right - left), DWORD(rows), left, 0, 0, UINT(rows),
                          frame.pixels + top * frame.stride, &info, DIB_RGB_COLORS);
    }

    // Where the frame does not reach (a window grown since the last tick, or
    // no frame): the background, with the system's own brush for it.
    const RECT strips[] = {
        {std::max<LONG>(want.left, frameWidth), want.top, want.right, want.bottom},
        {want.left, std::max<LONG>(want.top, frameHeight), std::min<LONG>(want.right, frameWidth),
         want.bottom}};
    for (const RECT& strip : strips) {
        if (strip.left < strip.right && strip.top < strip.bottom) {
            FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
        }
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam)
                : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    // WM_NCDESTROY forgets the window; the default handling still needs it.
    const HWND window = window_;
    switch (message) {
    // Every button adds a ball.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN:
        Press(message, wParam, lParam);
        return message == WM_XBUTTONDOWN; // TRUE for an X button, as Windows asks
    case WM_WINDOWPOSCHANGED:
        // Shown, hidden, minimised, restored, moved or sized, as the window
        // is now; the form compares. Nothing here needs WM_SIZE or WM_MOVE.
        IsWindowVisible(window_) ? form_.Shown() : form_.Hidden();
        IsIconic(window_) ? form_.Minimised() : form_.Restored();
        form_.ClientChanged();
        return 0;
    case WM_GETDPISCALEDSIZE: {
        // The client area keeps its size in device-independent pixels on a
        // screen of another DPI; the caption and borders do not scale in
        // proportion, so the outer size is worked out for the new DPI.
        static const auto adjustForDpi =
            User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
        const UINT dpi = UINT(wParam);
        RECT rect{0, 0, DevicePixels(ClientWidth(), dpi), DevicePixels(ClientHeight(), dpi)};
        if (!adjustForDpi || !adjustForDpi(&rect, kStyle, FALSE, 0, dpi)) {
            return FALSE;
        }
        *reinterpret_cast<SIZE*>(lParam) = {rect.right - rect.left, rect.bottom - rect.top};
        return TRUE;
    }
    case WM_DPICHANGED: {
        // Also in the middle of a drag: the new size reaches the form
        // through WM_WINDOWPOSCHANGED, and Paint shows no frame of the old
        // DPI.
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
        form_.ClientChanged();
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        // WM_PAINT fills every pixel it is asked for, the background where
        // the frame does not reach: erasing first would only flicker.
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WakeMessage:
        form_.WakeUp();
        // Shows the tick's frame now rather than after every other message.
        UpdateWindow(window_);
        return 0;
    case WM_DESTROY:
        SetEvent(stop_);
        WaitForSingleObject(waker_, INFINITE);
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
