// The host against the scripted platform: start-up order, failures, the loop,
// the window procedure and the frame clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/host_internal.h"
#include "platform/headless_platform.h"

namespace {

using Strings = std::vector<std::string>;

// What the test application does, set afresh for each run.
struct Script {
    std::function<bool()> onPreInit = [] { return true; };
    std::function<bool()> onInit = [] { return true; };
    std::function<void(int frame)> onFrame = [](int) {};
    std::function<bool(int frame)> renderResult = [](int) { return true; };
    int lastFrame = 3;  // Escape is pressed on this frame
    int frames = 0;
} script;
Strings appLog;
std::vector<uint32_t> frameTimes;
std::string statusText = "status";

bool Render() {
    appLog.push_back("Render");
    frameTimes.push_back(timeMs);
    script.onFrame(++script.frames);
    if (script.frames == script.lastFrame) {
        headless::PostKey(kKeyEscape);
    }
    return script.renderResult(script.frames);
}

const AppCallbacks kTestApp = {
    [] {
        appLog.push_back("PreInit");
        return script.onPreInit();
    },
    [] {
        appLog.push_back("GetWindowTitle");
        return "OpenGL program";
    },
    [] {
        appLog.push_back("Init");
        return script.onInit();
    },
    Render,
    [] { appLog.push_back("Shutdown"); },
    [] { return statusText.c_str(); },
    [] { appLog.push_back("Q"); },
    [] { appLog.push_back("A"); },
    [] { appLog.push_back("W"); },
    [] { appLog.push_back("S"); },
    [](uint32_t key) { appLog.push_back("Key:" + std::to_string(key)); },
};

const Strings& Calls() {
    return headless::GetRecord().calls;
}

// True when the calls contain `expected` in this order (others may sit between).
bool CallsInOrder(const Strings& expected) {
    auto at = Calls().begin();
    for (const std::string& e : expected) {
        at = std::find(at, Calls().end(), e);
        if (at == Calls().end()) {
            return false;
        }
        ++at;
    }
    return true;
}

// How many calls start with `prefix`.
long Count(const std::string& prefix) {
    return std::count_if(Calls().begin(), Calls().end(),
                         [&](const std::string& c) { return c.rfind(prefix, 0) == 0; });
}

long AppCount(const char* call) {
    return std::count(appLog.begin(), appLog.end(), call);
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { Start(headless::Options()); }

    void Start(const headless::Options& options) {
        ResetHostState();
        headless::Reset(options);
        appLog.clear();
        frameTimes.clear();
        script = Script();
    }
};

// GL objects can only be given up while their context is current: the hook
// comes before the context goes, Shutdown after.
TEST_F(HostTest, ReleaseContextComesWhileTheContextIsCurrent) {
    static long contextGoneCalls = -1;
    AppCallbacks app = kTestApp;
    app.ReleaseContext = [] {
        appLog.push_back("ReleaseContext");
        contextGoneCalls = Count("MakeCurrent:none") + Count("DeleteContext");
    };
    EXPECT_EQ(HostMain("", app), 0);
    EXPECT_EQ(contextGoneCalls, 0);
    EXPECT_EQ(AppCount("ReleaseContext"), 1);
    ASSERT_GE(appLog.size(), 2u);
    EXPECT_EQ(appLog[appLog.size() - 2], "ReleaseContext");
    EXPECT_EQ(appLog.back(), "Shutdown");
    EXPECT_EQ(Count("DeleteContext"), 1);
}

TEST_F(HostTest, RunsStartUpLoopAndShutdownInOrder) {
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(appLog, (Strings{"PreInit", "GetWindowTitle", "Init", "Render", "Render", "Render",
                               "Shutdown"}));
    EXPECT_TRUE(CallsInOrder({"DesktopBitsPerPixel",
                              "RegisterWindowClass:Vektorum_Class",
                              "CreateWindow:Vektorum_Class:popup:0,0,640x480",
                              "ChangeDisplayMode",
                              "ChoosePixelFormat",
                              "DebugOutput",
                              "SetPixelFormat:7",
                              "CreateContext",
                              "MakeCurrent",
                              "Viewport:640x480",
                              "ShowWindow",
                              "StartTimer:123,500",
                              "Swap",
                              "DestroyWindow",
                              "MakeCurrent:none",
                              "DeleteContext",
                              "RestoreDisplayMode",
                              "WriteProfile:Fullscreen=1",
                              "WriteProfile:Width=640",
                              "WriteProfile:Height=480",
                              "WriteProfile:BitsPerPixel=32",
                              "PostQuit:0"}));
    const headless::Record& r = headless::GetRecord();
    EXPECT_EQ(r.swaps, 3);
    EXPECT_EQ(r.debugOutput, "PixelFormat Selected: 7\nBPP: 32\n");
    EXPECT_EQ(r.captions, Strings{"OpenGL program"});
    for (const headless::ProfileWrite& w : r.profileWrites) {
        EXPECT_EQ(w.section, "Settings");
        EXPECT_EQ(w.fileName, "Vektorum.INI");
    }
}

TEST_F(HostTest, BuildsDisplayModeAndPixelFormatRequestsOnce) {
    PixelFormatRequest expected = {};
    expected.nSize = 40;
    expected.nVersion = 1;
    expected.dwFlags = 0x25;
    expected.cColorBits = expected.cDepthBits = 32;
    // The second window in the same process is on a desktop of unknown
    // depth: the mode request leaves the depth out, the pixel-format request
    // is the first one again, and the settings record the new depth.
    for (int depth : {32, 0}) {
        headless::Options options;
        options.desktopBitsPerPixel = depth;
        headless::Reset(options);
        script.frames = 0;
        ASSERT_EQ(HostMain("", kTestApp), 0);
        const headless::Record& r = headless::GetRecord();
        const DisplayModeRequest mode = {148, depth ? 0x1C0000u : 0x180000u, uint32_t(depth), 640,
                                         480};
        ASSERT_EQ(r.displayModes.size(), 2u);  // the switch and the restore
        EXPECT_EQ(std::memcmp(&r.displayModes[0], &mode, sizeof mode), 0);
        ASSERT_EQ(r.pixelFormats.size(), 1u);
        EXPECT_EQ(std::memcmp(&r.pixelFormats[0], &expected, sizeof expected), 0);
        EXPECT_EQ(r.profileWrites.back().value, std::to_string(depth));
    }
}

TEST_F(HostTest, CommandLineAsksForAWindow) {
    // Both switches present: the more specific one wins wherever it stands.
    for (const char* line : {"-fullscreen=0", "-fullscreen=0 -fullscreen"}) {
        Start(headless::Options());
        ASSERT_EQ(HostMain(line, kTestApp), 0);
        EXPECT_EQ(Count("CreateWindow:Vektorum_Class:windowed:0,0,640x480"), 1) << line;
        EXPECT_TRUE(headless::GetRecord().displayModes.empty()) << line;
        EXPECT_EQ(headless::GetRecord().profileWrites[0].value, "0") << line;
    }
}

TEST_F(HostTest, StartUpFailuresShowAMessageAndExitOne) {
    const struct {
        std::string name;
        const char* text;
        const char* caption;
        bool owned;
        const char* lastAppCall;
        bool modeSwitched;  // the create event ran before the failure
    } failures[] = {
        {"PreInit", "App returned false on PreInit(), we shouldn't really continue.", "Error",
         false, "PreInit", false},
        {"RegisterClass", "Error creating the window class, right before creating the window.",
         "Fatal Blow", false, "PreInit", false},
        {"CreateWindow", "App failed to create the rendering window.", "Fatal Blow", false,
         "GetWindowTitle", true},
        {"Init", "App failed to initialize.", "Fatal Blow", true, "Init", true},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.name);
        headless::Options options;
        options.failRegisterClass = f.name == "RegisterClass";
        options.failCreateWindow = f.name == "CreateWindow";
        Start(options);
        script.onPreInit = [&] { return f.name != "PreInit"; };
        script.onInit = [&] { return f.name != "Init"; };
        testing::internal::CaptureStderr();
        EXPECT_EQ(HostMain("", kTestApp), 1);
        const std::string err = testing::internal::GetCapturedStderr();
        const headless::Record& r = headless::GetRecord();
        ASSERT_EQ(r.errorBoxes.size(), 1u);
        EXPECT_EQ(r.errorBoxes[0].text, f.text);
        EXPECT_EQ(r.errorBoxes[0].caption, f.caption);
        EXPECT_EQ(r.errorBoxes[0].owned, f.owned);
        EXPECT_NE(err.find(f.text), std::string::npos) << "the reason also goes to standard error";
        EXPECT_EQ(appLog.back(), f.lastAppCall);
        EXPECT_EQ(AppCount("Render"), 0);
        EXPECT_EQ(AppCount("Shutdown"), 0);
        // Whatever failed, a switched display mode is given back.
        EXPECT_EQ(Count("ChangeDisplayMode"), f.modeSwitched ? 1 : 0);
        EXPECT_EQ(Count("RestoreDisplayMode"), Count("ChangeDisplayMode"));
    }
}

TEST_F(HostTest, FalseRenderDestroysThenSwapsThenShutsDown) {
    script.renderResult = [](int frame) { return frame != 2; };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(AppCount("Render"), 2);
    EXPECT_EQ(appLog.back(), "Shutdown");
    EXPECT_TRUE(CallsInOrder({"Swap", "DestroyWindow", "DeleteContext", "PostQuit:0", "Swap"}));
    EXPECT_EQ(headless::GetRecord().swaps, 2);
}

TEST_F(HostTest, KeyTableCallsTheTargetOperations) {
    script.lastFrame = 1;
    script.onFrame = [](int) {
        const uint32_t keys[] = {kKeyQ, kKeyQ, kKeyA, kKeyW, kKeyS, 'X', 'q'};
        for (uint32_t key : keys) {
            headless::PostKey(key);
        }
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    // Other keys go to the application's own key callback; Escape never does.
    EXPECT_EQ(appLog, (Strings{"PreInit", "GetWindowTitle", "Init", "Render", "Q", "Q", "A", "W",
                               "S", "Key:88", "Key:113", "Shutdown"}));
    EXPECT_EQ(Count("DefaultWindowProc"), 0);  // no key is passed on
}

TEST_F(HostTest, ResizeFollowsClientSizeAndKeepsViewportHeightAboveZero) {
    script.onFrame = [](int frame) {
        if (frame == 1) {
            headless::Post(kMsgSize, 0, 800);  // 800 x 0
        }
    };
    EXPECT_EQ(HostMain("-fullscreen=0", kTestApp), 0);
    EXPECT_EQ(clientWidth, 800);
    EXPECT_EQ(clientHeight, 0);
    const auto& v = headless::GetRecord().viewports;
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1].width, 800);
    EXPECT_EQ(v[1].height, 1);
    // The settings record the start-up size, not the client size.
    EXPECT_TRUE(CallsInOrder({"WriteProfile:Width=640", "WriteProfile:Height=480"}));
}

TEST_F(HostTest, CaptionTimerShowsStatusOnlyWhileRunning) {
    hostRunning = 0;
    statusText = "-=[ FPS:60 ]=-";
    EXPECT_EQ(WndProc(nullptr, kMsgTimer, kCaptionTimerId, 0), 0);
    EXPECT_TRUE(headless::GetRecord().captions.empty());
    script.lastFrame = 12;
    script.onFrame = [](int frame) {
        headless::AdvanceMs(100);  // ten frames a second
        if (frame == 3) {
            headless::Post(kMsgTimer, 7);  // another timer is not ours
        }
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    // 1.2 s of frames: the 500 ms timer fired twice.
    EXPECT_EQ(headless::GetRecord().captions,
              (Strings{"OpenGL program", "-=[ FPS:60 ]=-", "-=[ FPS:60 ]=-"}));
    EXPECT_TRUE(CallsInOrder({"StartTimer:123,500", "Caption:-=[ FPS:60 ]=-"}));
}

TEST_F(HostTest, FrameClockCountsMillisecondsAndWrapsAt32Bits) {
    headless::Options ns;
    ns.counterFrequency = 1000000000;  // a nanosecond counter
    Start(ns);
    headless::SetCounter(5000);
    // 1234.999999 ms; 2^32 + 5 ms (about 49.7 days); 200 days, where the
    // product with 1000 would overflow 64 bits.
    const int64_t ms = 1000000;
    static const int64_t counters[] = {5000 + 1234 * ms + 999999,
                                       5000 + ((int64_t{1} << 32) + 5) * ms,
                                       5000 + (int64_t{200} * 86400 * 1000 + 7) * ms};
    script.lastFrame = 4;
    script.onFrame = [](int frame) {
        if (frame < 4) {
            headless::SetCounter(counters[frame - 1]);
        }
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(frameTimes,
              (std::vector<uint32_t>{0, 1234, 5, uint32_t(int64_t{200} * 86400 * 1000 + 7)}));
    EXPECT_EQ(ElapsedMilliseconds(100, 0, 0), 0);  // a counter of no frequency
}

TEST_F(HostTest, UnwritableSettingsNeitherStopNorFailTheRun) {
    headless::Options refusing;
    refusing.failProfileWrite = true;
    Start(refusing);
    EXPECT_EQ(HostMain("-fullscreen=0", kTestApp), 0);
    EXPECT_EQ(AppCount("Render"), 3);
    EXPECT_TRUE(headless::GetRecord().profileWrites.empty());
    EXPECT_TRUE(CallsInOrder({"WriteProfile:BitsPerPixel=32", "PostQuit:0"}));
}

TEST_F(HostTest, SwapIntervalIsSetOnlyWhenVsyncIsAsked) {
    ASSERT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(Count("SwapInterval"), 0);
    for (bool taken : {true, false}) {
        headless::Options options;
        options.swapIntervalTaken = taken;
        Start(options);
        vsyncAsked = true;
        ASSERT_EQ(HostMain("", kTestApp), 0);
        EXPECT_TRUE(CallsInOrder({"CreateContext", "MakeCurrent", "SwapInterval:1", "ShowWindow"}));
        EXPECT_TRUE(vsyncAsked);
        EXPECT_EQ(vsyncTaken, taken);
    }
    EXPECT_FALSE(HostSetVsync(false));
    EXPECT_FALSE(vsyncAsked);
}

}  // namespace

namespace {

// The frame as the host runs it, each step with the clock it saw and the
// swaps made so far: a wait hook moves the clock on, as a sleep would.
struct Step {
    std::string name;
    double clock;
    int swaps;
};
std::vector<Step> steps;
void Note(const char* name, double clock) {
    steps.push_back({name, clock, headless::GetRecord().swaps});
}

}  // namespace

// The wait before the frame comes before the frame clock is read, the wait
// before the swap after Render and before the swap is timed; sleeping to a
// time moves the scripted counter there, once, and no further.
TEST_F(HostTest, FrameWaitsComeBeforeTheClockAndBeforeTheSwap) {
    steps.clear();
    AppCallbacks app = kTestApp;
    app.Render = [] {
        Note("Render", frameSeconds);
        return Render();
    };
    app.BeforeFrame = [] {
        Note("BeforeFrame", HostClockSeconds());
        HostSleepUntil(HostClockSeconds() + 0.004);
    };
    app.BeforeSwap = [] {
        Note("BeforeSwap", HostClockSeconds());
        HostSleepUntil(HostClockSeconds() + 0.0025);
    };
    EXPECT_EQ(HostMain("", app), 0);
    ASSERT_EQ(steps.size(), 9u);
    for (int frame = 0; frame < 3; ++frame) {
        const Step* s = &steps[frame * 3];
        EXPECT_EQ(s[0].name, "BeforeFrame");
        EXPECT_EQ(s[1].name, "Render");
        EXPECT_EQ(s[2].name, "BeforeSwap");
        // Render sees the clock after the wait (to the next whole tick of
        // the 1 MHz counter); nothing swapped in between.
        EXPECT_NEAR(s[1].clock - s[0].clock, 0.004, 1.000001e-6) << frame;
        EXPECT_EQ(s[0].swaps, frame);
        EXPECT_EQ(s[2].swaps, frame);
    }
    // The swap is timed after the wait before it.
    EXPECT_NEAR(swapSeconds - steps[8].clock, 0.0025, 1.000001e-6);
    EXPECT_EQ(headless::GetRecord().sleeps, 6);
}

TEST_F(HostTest, SleepingToATimeAlreadyPastOrOutOfReachMovesNothing) {
    headless::Options late;
    late.wakeLateTicks = 90;  // us, on the 1 MHz scripted counter
    Start(late);
    static std::vector<double> woke;
    woke.clear();
    AppCallbacks app = kTestApp;
    app.BeforeFrame = [] {
        const double now = HostClockSeconds();
        HostSleepUntil(now - 1.0);  // past: at once
        woke.push_back(HostClockSeconds() - now);
        HostSleepUntil(1e300);  // beyond the counter: not a time at all
        woke.push_back(HostClockSeconds() - now);
        HostSleepUntil(now + 0.0001);  // 100 us on, woken 90 us late
        woke.push_back(HostClockSeconds() - now);
    };
    EXPECT_EQ(HostMain("", app), 0);
    ASSERT_EQ(woke.size(), 9u);
    EXPECT_EQ(woke[0], 0.0);
    EXPECT_EQ(woke[1], 0.0);
    EXPECT_NEAR(woke[2], 0.00019, 1e-9);
    // The third frame began 2 x 190 us on; a time beyond the counter never
    // reached the platform.
    EXPECT_EQ(headless::GetRecord().lastSleepUntil, 480);
    EXPECT_EQ(headless::GetRecord().sleeps, 6);
}
