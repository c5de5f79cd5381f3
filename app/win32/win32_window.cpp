// SPDX-License-Identifier: MIT
// The Win32 adapter: forwards the window's messages to Form1, keeps its one
// wake-up on a waitable timer and shows its frame as a DIB.
#include "win32_window.h"

#include "resource.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <windowsx.h>

namespace {

// Absent before Windows 10 1803; creation then fails with an invalid
// parameter and a plain waitable timer stands in.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

const wchar_t kClassName[] = L"Torvane";
const DWORD kStyle = WS_OVERLAPPEDWINDOW;
const DWORD kExStyle = 0;

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

// The window's outer size for a client area of `width` x `height` device
// pixels at `dpi`.
SIZE OuterSize(int width, int height, UINT dpi)
{
    RECT rect{0, 0, width, height};
    static const auto adjustForDpi =
        User32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&rect, kStyle, FALSE, kExStyle, dpi)) {
        AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
    }
    return SIZE{rect.right - rect.left, rect.bottom - rect.top};
}

// COLORREF is 0x00BBGGRR; the form takes 0xRRGGBB.
std::uint32_t RgbOf(COLORREF colour)
{
    return std::uint32_t(GetRValue(colour)) << 16 | std::uint32_t(GetGValue(colour)) << 8 |
           GetBValue(colour);
}

std::wstring Wide(const char* utf8)
{
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length - 1 : 0, L'\0');
    if (length > 1) {
        MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
    }
    return wide;
}

} // namespace

Win32Window::Win32Window(HINSTANCE instance) : instance_(instance)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    frequency_ = frequency.QuadPart;
    // The form's timer asks for wake-ups at 1/64 s boundaries; SetTimer and
    // plain waitable timers wake on the system's 15.6 ms tick, which would
    // let a wake-up slip past a boundary and drop an event. A
    // high-resolution timer wakes within about a millisecond.
    timer_ = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                    TIMER_ALL_ACCESS);
    if (!timer_) {
        timer_ = CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
    }
    background_ = RgbOf(GetSysColor(COLOR_BTNFACE));
}

Win32Window::~Win32Window()
{
    if (window_) {
        DestroyWindow(window_);
    }
    if (timer_) {
        CloseHandle(timer_);
    }
}

bool Win32Window::Create(int show)
{
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    // No CS_DBLCLKS: a fast second click comes as a press, and adds a ball
    // as every press does.
    windowClass.style = 0;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_TORVANE));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_TORVANE), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // No background brush: WM_PAINT paints every pixel it is asked for.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) {
        return false;
    }

    // Sized for the system DPI first; the monitor the window lands on may
    // have another, known once the window exists.
    const UINT systemDpi = SystemDpi();
    const auto device = [](int dips, UINT dpi) { return int(std::lround(dips * (dpi / 96.0))); };
    SIZE outer = OuterSize(device(Form1::StartClientWidth, systemDpi),
                           device(Form1::StartClientHeight, systemDpi), systemDpi);
    const std::wstring caption = Wide(Form1::Caption);
    window_ = CreateWindowExW(kExStyle, kClassName, caption.c_str(), kStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, outer.cx, outer.cy, nullptr, nullptr, instance_, this);
    if (!window_) {
        return false;
    }
    dpi_ = WindowDpi();
    // The client area the form starts with, in device pixels at the
    // window's DPI, whatever frame the system drew around it.
    const int width = device(Form1::StartClientWidth, dpi_);
    const int height = device(Form1::StartClientHeight, dpi_);
    RECT client;
    GetClientRect(window_, &client);
    if (client.right != width || client.bottom != height) {
        RECT frame;
        GetWindowRect(window_, &frame);
        SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left + width - client.right,
                     frame.bottom - frame.top + height - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    loaded_ = true;
    form_.Form_Load();
    ShowWindow(window_, show);
    // WM_SHOWWINDOW is not sent for every way of showing a window.
    SetShown(IsWindowVisible(window_) != FALSE);
    UpdateWindow(window_);
    return true;
}

int Win32Window::Run()
{
    MSG message;
    for (;;) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                return int(message.wParam);
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Sleeps until a message or the timer comes; at rest, minimised or
        // hidden no wake-up is set and the program takes no time at all.
        const DWORD handles = timer_ ? 1 : 0;
        const DWORD woke = MsgWaitForMultipleObjectsEx(handles, &timer_, INFINITE, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (handles && woke == WAIT_OBJECT_0) {
            WakeIfDue();
        }
    }
}

int Win32Window::ClientWidth() const
{
    RECT client{};
    GetClientRect(window_, &client);
    return int(std::lround((client.right - client.left) / PixelRatio()));
}

int Win32Window::ClientHeight() const
{
    RECT client{};
    GetClientRect(window_, &client);
    return int(std::lround((client.bottom - client.top) / PixelRatio()));
}

double Win32Window::PixelRatio() const
{
    return dpi_ / 96.0;
}

std::chrono::nanoseconds Win32Window::Now() const
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const long long count = counter.QuadPart;
    return std::chrono::nanoseconds(count / frequency_ * 1'000'000'000 +
                                    count % frequency_ * 1'000'000'000 / frequency_);
}

void Win32Window::WakeAt(std::chrono::nanoseconds at)
{
    wakePending_ = true;
    wakeAt_ = at;
    ArmTimer(at - Now());
}

void Win32Window::CancelWake()
{
    wakePending_ = false;
    if (timer_) {
        CancelWaitableTimer(timer_);
    } else if (window_) {
        KillTimer(window_, 1);
    }
}

void Win32Window::ArmTimer(std::chrono::nanoseconds delay)
{
    if (timer_) {
        // Relative due times are negative, in 100 ns units, rounded up so
        // that the timer never goes off early.
        LARGE_INTEGER due;
        due.QuadPart = -std::max<long long>(1, (delay.count() + 99) / 100);
        SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, FALSE);
    } else if (window_) {
        const long long ms =
            std::max<long long>(USER_TIMER_MINIMUM, (delay.count() + 999'999) / 1'000'000);
        SetTimer(window_, 1, UINT(std::min<long long>(ms, USER_TIMER_MAXIMUM)), nullptr);
    }
}

void Win32Window::WakeIfDue()
{
    if (!wakePending_) {
        return;
    }
    const auto now = Now();
    if (now < wakeAt_) {
        ArmTimer(wakeAt_ - now);
        return;
    }
    wakePending_ = false;
    if (!timer_) {
        KillTimer(window_, 1);
    }
    form_.WakeUp();
    // Shows the tick's frame now rather than after every other message.
    UpdateWindow(window_);
}

void Win32Window::Repaint(std::span<const PixelRect> rects)
{
    for (const PixelRect& r : rects) {
        const RECT rect{r.left, r.top, r.right, r.bottom};
        InvalidateRect(window_, &rect, FALSE);
    }
}

UINT Win32Window::WindowDpi() const
{
    static const auto getDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    UINT dpi = getDpiForWindow ? getDpiForWindow(window_) : 0;
    return dpi ? dpi : SystemDpi();
}

void Win32Window::SetShown(bool shown)
{
    if (shown == shown_) {
        return;
    }
    shown_ = shown;
    if (shown) {
        form_.Shown();
    } else {
        form_.Hidden();
    }
}

void Win32Window::Press(int button, WPARAM wParam, LPARAM lParam)
{
    if (!loaded_) {
        return;
    }
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
    const PixelFrame& frame = form_.Frame();
    const int frameWidth = frame.pixels ? frame.width : 0;
    const int frameHeight = frame.pixels ? frame.height : 0;

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
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = LONG(frame.stride);
        info.bmiHeader.biHeight = -rows;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, left, top, DWORD(right - left), DWORD(rows), left, 0, 0, UINT(rows),
                          frame.pixels + top * frame.stride, &info, DIB_RGB_COLORS);
    }

    // Where the frame does not reach (a window grown since the last tick, or
    // no frame yet): the background. Most paints, those of a tick, have no
    // such strip and make no brush.
    const RECT strips[] = {
        {std::max<LONG>(want.left, frameWidth), want.top, want.right, want.bottom},
        {want.left, std::max<LONG>(want.top, frameHeight), std::min<LONG>(want.right, frameWidth),
         want.bottom}};
    HBRUSH brush = nullptr;
    for (const RECT& strip : strips) {
        if (strip.left < strip.right && strip.top < strip.bottom) {
            if (!brush) {
                brush = CreateSolidBrush(
                    RGB(background_ >> 16 & 0xFF, background_ >> 8 & 0xFF, background_ & 0xFF));
            }
            FillRect(dc, &strip, brush);
        }
    }
    if (brush) {
        DeleteObject(brush);
    }
    EndPaint(window_, &paint);
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        auto* self = static_cast<Win32Window*>(create->lpCreateParams);
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
    // Every button adds a ball; a double-click's second press too, should
    // the class ever ask for double-clicks.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Press(LeftButton, wParam, lParam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        Press(RightButton, wParam, lParam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
        Press(MiddleButton, wParam, lParam);
        return 0;
    case WM_XBUTTONDOWN:
    case WM_XBUTTONDBLCLK:
        Press(ExtraButton, wParam, lParam);
        return TRUE;
    case WM_SIZE:
        if (!loaded_) {
            break;
        }
        // The form keeps whether it is minimised; restoring and resizing
        // each only end a rest.
        if (wParam == SIZE_MINIMIZED) {
            form_.Minimised();
        } else {
            form_.Restored();
            form_.Resized();
        }
        return 0;
    case WM_SHOWWINDOW:
        if (loaded_) {
            SetShown(wParam != FALSE);
        }
        break;
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wParam);
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window_, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        if (loaded_) {
            form_.PixelRatioChanged();
        }
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }
    case WM_SYSCOLORCHANGE:
        background_ = RgbOf(GetSysColor(COLOR_BTNFACE));
        if (loaded_) {
            form_.BackgroundChanged();
        }
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        // WM_PAINT fills every pixel it is asked for, the background where
        // the frame does not reach: erasing first would only flicker.
        return 1;
    case WM_PAINT:
        Paint();
        return 0;
    case WM_TIMER:
        if (wParam == 1) {
            WakeIfDue();
        }
        return 0;
    case WM_DESTROY:
        CancelWake();
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
