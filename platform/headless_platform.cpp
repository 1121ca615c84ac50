// The scripted platform, for tests.
//
// [X] Every call the host makes, recorded in order with its arguments.
// [X] The shared message queue, fed by the test (Post, PostKey) and by the
//     host; a clock that only the test moves.
// [X] Failures on request: window class, window creation, profile writes.
//     Nothing else ever fails.
// [~] Pixel format: returns the index the test set; context, surface and
//     display mode are tokens that only get recorded.
// [ ] No GL: nothing is drawn; viewport and swap interval are only recorded.
// [X] Display times, made up by the test (SetDisplayTimes, Present), or by
//     a display it models (SetCompositor).
#include "platform/headless_platform.h"

#include "platform/message_queue.h"

struct PlatWindow {
    PlatWindowProc proc;
    std::string caption;
    bool alive;
};
struct PlatSurface {
    int bitsPerPixel;
};
struct PlatContext {
    int id;
};

namespace headless {
namespace {

Options options;
Record record;
MessageQueue queue;
int64_t counter = 0;
PlatWindow window = {nullptr, "", false};
PlatSurface surface = {32};
PlatContext context = {1};
PlatWindowProc registeredProc = nullptr;
bool displayTimes = false;
std::vector<uint64_t> swapped;
std::vector<PlatPresentation> presented;
const Compositor* compositor = nullptr;

void Log(const std::string& call) {
    record.calls.push_back(call);
}

}  // namespace

void Reset(const Options& o) {
    options = o;
    record = Record();
    queue = MessageQueue();
    counter = 0;
    window = {nullptr, "", false};
    surface = {o.desktopBitsPerPixel};
    registeredProc = nullptr;
    displayTimes = false;
    swapped.clear();
    presented.clear();
    compositor = nullptr;
}

void SetCompositor(const Compositor* c) {
    compositor = c;
}

void SetDisplayTimes(bool available) {
    displayTimes = available;
}

const std::vector<uint64_t>& SwappedRedraws() {
    return swapped;
}

void Present(const PlatPresentation& report) {
    presented.push_back(report);
}

const Record& GetRecord() {
    return record;
}

void Post(uint32_t message, uintptr_t wParam, intptr_t lParam) {
    QueuePost(queue, {&window, message, wParam, lParam});
}

void PostKey(uint32_t virtualKey) {
    Post(kMsgKeyDown, virtualKey, 0);
}

void SetCounter(int64_t c) {
    counter = c;
}

int64_t Counter() {
    return counter;
}

void AdvanceMs(int64_t ms) {
    counter += ms * options.counterFrequency / 1000;
}

PlatWindow* Window() {
    return window.alive ? &window : nullptr;
}

}  // namespace headless

using namespace headless;

int PlatDesktopBitsPerPixel() {
    Log("DesktopBitsPerPixel");
    return options.desktopBitsPerPixel;
}

bool PlatRegisterWindowClass(const char* className, PlatWindowProc proc) {
    Log(std::string("RegisterWindowClass:") + className);
    if (options.failRegisterClass) {
        return false;
    }
    registeredProc = proc;
    return true;
}

PlatWindow* PlatCreateWindow(const char* className, const char* caption, bool popup, int x, int y,
                             int width, int height) {
    Log(std::string("CreateWindow:") + className + (popup ? ":popup" : ":windowed") + ":" +
        std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(width) + "x" +
        std::to_string(height));
    if (registeredProc == nullptr) {
        return nullptr;
    }
    window = {registeredProc, caption, true};
    record.captions.push_back(caption);
    window.proc(&window, kMsgCreate, 0, 0);
    // As a native window that cannot be made after all: the create event,
    // with its mode switch, has already run.
    if (options.failCreateWindow) {
        window.alive = false;
        return nullptr;
    }
    // As on the desktop, the first size message follows creation.
    window.proc(&window, kMsgSize, 0,
                static_cast<intptr_t>((static_cast<uint32_t>(height) << 16) |
                                      static_cast<uint32_t>(width)));
    return &window;
}

void PlatShowWindow(PlatWindow*) {
    Log("ShowWindow");
}

void PlatDestroyWindow(PlatWindow* w) {
    Log("DestroyWindow");
    if (w == nullptr || !w->alive) {
        return;
    }
    w->proc(w, kMsgDestroy, 0, 0);
    w->alive = false;
    QueueStopTimer(queue);
}

void PlatSetCaption(PlatWindow* w, const char* text) {
    Log(std::string("Caption:") + text);
    w->caption = text;
    record.captions.push_back(text);
}

void PlatStartTimer(PlatWindow*, uint32_t id, uint32_t periodMs) {
    Log("StartTimer:" + std::to_string(id) + "," + std::to_string(periodMs));
    QueueStartTimer(queue, id, static_cast<int64_t>(periodMs) * options.counterFrequency / 1000,
                    counter);
}

intptr_t PlatDefaultWindowProc(PlatWindow* w, uint32_t message, uintptr_t, intptr_t) {
    Log("DefaultWindowProc:" + std::to_string(message));
    if (message == kMsgClose) {
        PlatDestroyWindow(w);
    }
    return 0;
}

bool NextQueuedMessage(PlatMessage* out, bool take) {
    return QueueNext(queue, out, take, counter, window.alive ? &window : nullptr);
}

void PlatDispatchMessage(const PlatMessage& m) {
    if (m.window != nullptr && m.window->alive) {
        m.window->proc(m.window, m.message, m.wParam, m.lParam);
    }
}

void PlatPostQuit(int exitCode) {
    Log("PostQuit:" + std::to_string(exitCode));
    QueuePostQuit(queue, exitCode);
}

int64_t PlatCounterFrequency() {
    return options.counterFrequency;
}

int64_t PlatCounter() {
    const int64_t now = counter;
    counter += options.ticksPerRead;
    return now;
}

// The scripted clock has nobody else to move it: a sleep moves it to the
// deadline itself, so a test sees exactly when the program meant to wake.
// Counted rather than logged: the allocation test runs the limiter on this
// backend, and a logged call would allocate.
void PlatSleepUntil(int64_t deadline) {
    ++record.sleeps;
    record.lastSleepUntil = deadline;
    if (deadline > counter)
        counter = deadline + options.wakeLateTicks;
}

PlatSurface* PlatGetSurface(PlatWindow*) {
    return &surface;
}

void PlatReleaseSurface(PlatWindow*, PlatSurface*) {}

int PlatSurfaceBitsPerPixel(PlatSurface* s) {
    return s->bitsPerPixel;
}

int PlatChoosePixelFormat(PlatSurface*, const PixelFormatRequest& request) {
    Log("ChoosePixelFormat");
    record.pixelFormats.push_back(request);
    return options.chosenPixelFormat;
}

bool PlatSetPixelFormat(PlatSurface*, int index, const PixelFormatRequest&) {
    Log("SetPixelFormat:" + std::to_string(index));
    return true;
}

PlatContext* PlatCreateContext(PlatSurface*) {
    Log("CreateContext");
    return &context;
}

bool PlatMakeCurrent(PlatSurface*, PlatContext* c) {
    Log(c != nullptr ? "MakeCurrent" : "MakeCurrent:none");
    return true;
}

bool PlatDeleteContext(PlatContext* c) {
    Log(c != nullptr ? "DeleteContext" : "DeleteContext:none");
    return c != nullptr;
}

void PlatSwapBuffers(PlatSurface*, uint64_t redraw) {
    Log("Swap");
    ++record.swaps;
    if (displayTimes) {
        swapped.push_back(redraw);
        if (compositor != nullptr)
            compositor->swapped(redraw, counter);
    }
}

PlatDisplayTimes PlatDisplayTimesSource() {
    return displayTimes ? PlatDisplayTimes{true, "scripted", "scripted presentation times"}
                        : PlatDisplayTimes{false, "none", "not available in the scripted platform"};
}

double PlatRefreshRate() {
    return options.refreshRate;
}

int PlatTakePresentations(PlatPresentation* out, int capacity) {
    if (compositor != nullptr)
        return compositor->take(out, capacity, counter);
    int n = 0;
    while (n < capacity && !presented.empty()) {
        out[n++] = presented.front();
        presented.erase(presented.begin());
    }
    return n;
}

bool PlatSetSwapInterval(int interval) {
    Log("SwapInterval:" + std::to_string(interval));
    return options.swapIntervalTaken;
}

void PlatSetViewport(int x, int y, int width, int height) {
    Log("Viewport:" + std::to_string(width) + "x" + std::to_string(height));
    record.viewports.push_back({x, y, width, height});
}

bool PlatChangeDisplayMode(const DisplayModeRequest* request) {
    Log(request != nullptr ? "ChangeDisplayMode" : "RestoreDisplayMode");
    record.displayModes.push_back(request != nullptr ? *request : DisplayModeRequest{});
    return true;
}

void PlatErrorBox(PlatWindow* owner, const char* text, const char* caption) {
    Log(std::string("ErrorBox:") + caption);
    record.errorBoxes.push_back({owner != nullptr, text, caption});
}

bool PlatWriteProfileString(const char* section, const char* key, const char* value,
                            const char* fileName) {
    Log(std::string("WriteProfile:") + key + "=" + value);
    if (options.failProfileWrite) {
        return false;
    }
    record.profileWrites.push_back({section, key, value, fileName});
    return true;
}

void PlatDebugOutput(const char* text) {
    Log("DebugOutput");
    record.debugOutput += text;
}

const char* PlatFindDataFile(const char* fileName, char*, size_t) {
    return fileName;
}
