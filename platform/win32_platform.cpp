// The platform on the Windows API itself: USER32 for the window and its
// messages, GDI32 and WGL for the pixel format and the GL context, KERNEL32
// for the clock, the settings file and the debugger channel.
//
// [X] Every call is the system's own; the queue is the system's queue.
// [X] Swap interval through the driver's swap-control extension
//     (wglSwapIntervalEXT) when it has one; never touched unless asked.
// [X] Sleeps to a counter value on a high-resolution waitable timer; where
//     the system has none (before Windows 10 1803, Wine), Sleep at a 1 ms
//     timer period asked for once.
// [ ] No display times: the source says "not available on Windows".
// [ ] No emulation: what the system refuses is refused.
//
// Our handles are the system's: a PlatWindow* is an HWND, a PlatSurface* an
// HDC and a PlatContext* an HGLRC. Message identifiers already have the
// system's values, so messages pass through unchanged.
#include "platform/win32_requests.h"

#include <GL/gl.h>
#include <mmsystem.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace {

PlatWindowProc hostProc = nullptr;

// The last message taken, with the time and cursor position the system gave
// it, so that dispatching hands the system exactly what it queued.
MSG lastTaken = {};

HWND ToHwnd(PlatWindow* window) {
    return reinterpret_cast<HWND>(window);
}
PlatWindow* FromHwnd(HWND hwnd) {
    return reinterpret_cast<PlatWindow*>(hwnd);
}
HDC ToHdc(PlatSurface* surface) {
    return reinterpret_cast<HDC>(surface);
}
HGLRC ToHglrc(PlatContext* context) {
    return reinterpret_cast<HGLRC>(context);
}

LRESULT CALLBACK Trampoline(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hostProc == nullptr) {
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return static_cast<LRESULT>(hostProc(FromHwnd(hwnd), message, static_cast<uintptr_t>(wParam),
                                         static_cast<intptr_t>(lParam)));
}

PlatMessage FromMsg(const MSG& msg) {
    return {FromHwnd(msg.hwnd), msg.message, static_cast<uintptr_t>(msg.wParam),
            static_cast<intptr_t>(msg.lParam)};
}

bool NextMessage(PlatMessage* out, UINT removal) {
    if (out == nullptr) {
        return false;
    }
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, removal)) {
        return false;
    }
    if (removal == PM_REMOVE) {
        lastTaken = msg;
    }
    *out = FromMsg(msg);
    return true;
}

// -1 until asked: the driver's own default stays in force.
int swapInterval = -1;

bool ApplySwapInterval() {
    if (wglGetCurrentContext() == nullptr) {
        return false;
    }
    using SwapIntervalProc = BOOL(WINAPI*)(int);
    const auto proc = reinterpret_cast<SwapIntervalProc>(
        reinterpret_cast<void*>(wglGetProcAddress("wglSwapIntervalEXT")));
    return proc != nullptr && proc(swapInterval) != FALSE;
}

bool IsRegularFile(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// folder + name into buffer when it fits and names a file.
bool TryDataPath(const char* folder, const char* name, char* buffer, size_t bufferSize) {
    const int n = std::snprintf(buffer, bufferSize, "%s%s", folder, name);
    return n > 0 && static_cast<size_t>(n) < bufferSize && IsRegularFile(buffer);
}

}  // namespace

int PlatDesktopBitsPerPixel() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return 0;
    }
    const int bits = GetDeviceCaps(screen, BITSPIXEL);
    ReleaseDC(nullptr, screen);
    return bits;
}

bool PlatRegisterWindowClass(const char* className, PlatWindowProc proc) {
    if (className == nullptr || proc == nullptr) {
        return false;
    }
    WNDCLASSA windowClass = {};
    windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = Trampoline;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = className;
    if (RegisterClassA(&windowClass) == 0) {
        return false;
    }
    hostProc = proc;
    return true;
}

PlatWindow* PlatCreateWindow(const char* className, const char* caption, bool popup, int x, int y,
                             int width, int height) {
    if (className == nullptr || hostProc == nullptr) {
        return nullptr;
    }
    const DWORD style =
        popup ? WS_POPUP : (WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    if (!popup) {
        x = CW_USEDEFAULT;
        y = CW_USEDEFAULT;
    }
    // The create message reaches the host's procedure from inside this call.
    HWND hwnd = CreateWindowExA(0, className, caption != nullptr ? caption : "", style, x, y, width,
                                height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    return FromHwnd(hwnd);
}

void PlatShowWindow(PlatWindow* window) {
    if (window == nullptr) {
        return;
    }
    ShowWindow(ToHwnd(window), SW_SHOW);
    UpdateWindow(ToHwnd(window));
}

void PlatDestroyWindow(PlatWindow* window) {
    if (window != nullptr) {
        DestroyWindow(ToHwnd(window));
    }
}

void PlatSetCaption(PlatWindow* window, const char* text) {
    if (window != nullptr && text != nullptr) {
        SetWindowTextA(ToHwnd(window), text);
    }
}

void PlatStartTimer(PlatWindow* window, uint32_t id, uint32_t periodMs) {
    if (window != nullptr) {
        SetTimer(ToHwnd(window), id, periodMs, nullptr);
    }
}

intptr_t PlatDefaultWindowProc(PlatWindow* window, uint32_t message, uintptr_t wParam,
                               intptr_t lParam) {
    return static_cast<intptr_t>(DefWindowProcA(
        ToHwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

bool PlatPeekMessage(PlatMessage* out) {
    return NextMessage(out, PM_NOREMOVE);
}

bool PlatTakeMessage(PlatMessage* out) {
    return NextMessage(out, PM_REMOVE);
}

void PlatDispatchMessage(const PlatMessage& message) {
    MSG msg = lastTaken;
    const PlatMessage taken = FromMsg(lastTaken);
    if (taken.window != message.window || taken.message != message.message ||
        taken.wParam != message.wParam || taken.lParam != message.lParam) {
        // Not the message just taken: build it afresh.
        msg = {};
        msg.hwnd = ToHwnd(message.window);
        msg.message = message.message;
        msg.wParam = static_cast<WPARAM>(message.wParam);
        msg.lParam = static_cast<LPARAM>(message.lParam);
        msg.time = GetMessageTime();
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

void PlatPostQuit(int exitCode) {
    PostQuitMessage(exitCode);
}

int64_t PlatCounterFrequency() {
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency)) {
        return 0;
    }
    return frequency.QuadPart;
}

int64_t PlatCounter() {
    LARGE_INTEGER counter;
    if (!QueryPerformanceCounter(&counter)) {
        return 0;
    }
    return counter.QuadPart;
}

void PlatSleepUntil(int64_t deadline) {
    // The flag's value; older headers lack the name.
    constexpr DWORD kHighResolutionTimer = 0x00000002;
    static HANDLE timer = nullptr;
    static bool chosen = false;
    if (!chosen) {
        chosen = true;
        timer = CreateWaitableTimerExW(nullptr, nullptr, kHighResolutionTimer, TIMER_ALL_ACCESS);
        if (timer == nullptr)
            timeBeginPeriod(1);
    }
    const int64_t frequency = PlatCounterFrequency();
    const int64_t left = deadline - PlatCounter();
    if (frequency <= 0 || left <= 0)
        return;
    // In 100 ns units, whole seconds and the rest apart so that a far
    // deadline cannot overflow.
    const int64_t units = (left / frequency) * 10000000 + (left % frequency) * 10000000 / frequency;
    if (timer != nullptr) {
        LARGE_INTEGER due;
        due.QuadPart = -units;  // negative: relative to now
        if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
            WaitForSingleObject(timer, INFINITE);
            return;
        }
    }
    // Sleep rounds up to the timer period: the whole milliseconds only.
    const int64_t ms = units / 10000;
    if (ms > 0)
        Sleep(static_cast<DWORD>(ms > 0x7fffffff ? 0x7fffffff : ms));
}

PlatSurface* PlatGetSurface(PlatWindow* window) {
    // GetDC(NULL) would hand out the whole screen.
    if (window == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<PlatSurface*>(GetDC(ToHwnd(window)));
}

void PlatReleaseSurface(PlatWindow* window, PlatSurface* surface) {
    if (window != nullptr && surface != nullptr) {
        ReleaseDC(ToHwnd(window), ToHdc(surface));
    }
}

int PlatSurfaceBitsPerPixel(PlatSurface* surface) {
    if (surface == nullptr) {
        return 0;
    }
    return GetDeviceCaps(ToHdc(surface), BITSPIXEL);
}

int PlatChoosePixelFormat(PlatSurface* surface, const PixelFormatRequest& request) {
    if (surface == nullptr) {
        return 0;
    }
    const PIXELFORMATDESCRIPTOR descriptor = ToPixelFormatDescriptor(request);
    return ChoosePixelFormat(ToHdc(surface), &descriptor);
}

bool PlatSetPixelFormat(PlatSurface* surface, int index, const PixelFormatRequest& request) {
    if (surface == nullptr) {
        return false;
    }
    const PIXELFORMATDESCRIPTOR descriptor = ToPixelFormatDescriptor(request);
    return SetPixelFormat(ToHdc(surface), index, &descriptor) != FALSE;
}

PlatContext* PlatCreateContext(PlatSurface* surface) {
    if (surface == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<PlatContext*>(wglCreateContext(ToHdc(surface)));
}

bool PlatMakeCurrent(PlatSurface* surface, PlatContext* context) {
    if (wglMakeCurrent(ToHdc(surface), ToHglrc(context)) == FALSE) {
        return false;
    }
    if (context != nullptr && swapInterval >= 0) {
        ApplySwapInterval();
    }
    return true;
}

bool PlatSetSwapInterval(int interval) {
    swapInterval = interval;
    return ApplySwapInterval();
}

bool PlatDeleteContext(PlatContext* context) {
    if (context == nullptr) {
        return false;
    }
    return wglDeleteContext(ToHglrc(context)) != FALSE;
}

double PlatRefreshRate() {
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    // 0 and 1 stand for the hardware's default rate, which the system does not name.
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode) || mode.dmDisplayFrequency <= 1)
        return 0.0;
    return static_cast<double>(mode.dmDisplayFrequency);
}

PlatDisplayTimes PlatDisplayTimesSource() {
    // No compositor word on presents is asked for here.
    return PlatDisplayTimes{false, "none", "not available on Windows"};
}

int PlatTakePresentations(PlatPresentation*, int) {
    return 0;
}

void PlatSwapBuffers(PlatSurface* surface, uint64_t) {
    if (surface != nullptr) {
        SwapBuffers(ToHdc(surface));
    }
}

void PlatSetViewport(int x, int y, int width, int height) {
    if (wglGetCurrentContext() != nullptr) {
        glViewport(x, y, width, height);
    }
}

bool PlatChangeDisplayMode(const DisplayModeRequest* request) {
    if (request == nullptr) {
        return ChangeDisplaySettingsA(nullptr, 0) == DISP_CHANGE_SUCCESSFUL;
    }
    DEVMODEA mode;
    if (!ToDevMode(*request, &mode)) {
        return false;
    }
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void PlatErrorBox(PlatWindow* owner, const char* text, const char* caption) {
    MessageBoxA(ToHwnd(owner), text, caption, MB_ICONERROR | MB_OK);
}

bool PlatWriteProfileString(const char* section, const char* key, const char* value,
                            const char* fileName) {
    // A null section, key or value would delete rather than write.
    if (section == nullptr || key == nullptr || value == nullptr || fileName == nullptr) {
        return false;
    }
    return WritePrivateProfileStringA(section, key, value, fileName) != FALSE;
}

void PlatDebugOutput(const char* text) {
    if (text != nullptr) {
        OutputDebugStringA(text);
    }
}

const char* PlatFindDataFile(const char* fileName, char* buffer, size_t bufferSize) {
    if (fileName == nullptr || IsRegularFile(fileName) || buffer == nullptr || bufferSize == 0) {
        return fileName;
    }
    // The exe's folder, with its trailing backslash. A path the call had to
    // cut short is no use.
    char folder[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return fileName;
    }
    folder[n] = '\0';
    char* slash = std::strrchr(folder, '\\');
    char* other = std::strrchr(folder, '/');
    if (other != nullptr && (slash == nullptr || other > slash)) {
        slash = other;
    }
    if (slash == nullptr) {
        return fileName;
    }
    slash[1] = '\0';

    char dataFolder[MAX_PATH + 8];
    std::snprintf(dataFolder, sizeof dataFolder, "%sdata\\", folder);
    if (TryDataPath(dataFolder, fileName, buffer, bufferSize) ||
        TryDataPath(folder, fileName, buffer, bufferSize)) {
        return buffer;
    }
    return fileName;
}
