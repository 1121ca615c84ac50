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

std::vector<std::string> appLog;
std::function<bool()> onPreInit;
std::function<bool()> onInit;
std::function<bool(int frame)> onRender;
int frames = 0;
std::vector<uint32_t> frameTimes;
std::string statusText = "status";

const AppCallbacks kTestApp = {
    [] { appLog.push_back("PreInit"); return onPreInit ? onPreInit() : true; },
    [] { appLog.push_back("GetWindowTitle"); return "OpenGL program"; },
    [] { appLog.push_back("Init"); return onInit ? onInit() : true; },
    [] {
        appLog.push_back("Render");
        frameTimes.push_back(timeMs);
        return onRender ? onRender(++frames) : true;
    },
    [] { appLog.push_back("Shutdown"); },
    [] { return statusText.c_str(); },
    [] { appLog.push_back("Q"); },
    [] { appLog.push_back("A"); },
    [] { appLog.push_back("W"); },
    [] { appLog.push_back("S"); },
    [](uint32_t key) { appLog.push_back("Key:" + std::to_string(key)); },
};

class HostTest : public ::testing::Test {
protected:
    void SetUp() override { Start(headless::Options()); }

    void Start(const headless::Options& options) {
        ResetHostState();
        headless::Reset(options);
        appLog.clear();
        frameTimes.clear();
        frames = 0;
        onPreInit = nullptr;
        onInit = nullptr;
        // Unless a test says otherwise, press Escape on the third frame.
        onRender = [](int frame) {
            if (frame == 3) {
                headless::PostKey(kKeyEscape);
            }
            return true;
        };
    }

    static const std::vector<std::string>& Calls() { return headless::GetRecord().calls; }

    // True when the calls contain `expected` in this order (others may sit between).
    static bool CallsInOrder(const std::vector<std::string>& expected) {
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

    static size_t Index(const std::string& call) {
        return static_cast<size_t>(std::find(Calls().begin(), Calls().end(), call) - Calls().begin());
    }
};

TEST_F(HostTest, RunsStartUpLoopAndShutdownInOrder) {
    EXPECT_EQ(HostMain("", kTestApp), 0);

    EXPECT_EQ(appLog, (std::vector<std::string>{"PreInit", "GetWindowTitle", "Init", "Render", "Render",
                                                "Render", "Shutdown"}));
    EXPECT_TRUE(CallsInOrder({"DesktopBitsPerPixel", "RegisterWindowClass:Vektorum_Class",
                              "CreateWindow:Vektorum_Class:popup:0,0,640x480", "ChangeDisplayMode",
                              "ChoosePixelFormat", "DebugOutput", "SetPixelFormat:7", "CreateContext",
                              "MakeCurrent", "Viewport:640x480", "ShowWindow", "StartTimer:123,500",
                              "Swap", "DestroyWindow", "MakeCurrent:none", "DeleteContext",
                              "RestoreDisplayMode", "WriteProfile:Fullscreen=1", "WriteProfile:Width=640",
                              "WriteProfile:Height=480", "WriteProfile:BitsPerPixel=32", "PostQuit:0"}));

    const headless::Record& r = headless::GetRecord();
    EXPECT_EQ(r.swaps, 3);
    EXPECT_EQ(r.debugOutput, "PixelFormat Selected: 7\nBPP: 32\n");
    ASSERT_EQ(r.captions.size(), 1u);
    EXPECT_EQ(r.captions[0], "OpenGL program");
    for (const headless::ProfileWrite& w : r.profileWrites) {
        EXPECT_EQ(w.section, "Settings");
        EXPECT_EQ(w.fileName, "Vektorum.INI");
    }
}

TEST_F(HostTest, BuildsDisplayModeAndPixelFormatRequestsOnce) {
    ASSERT_EQ(HostMain("", kTestApp), 0);
    const headless::Record& r = headless::GetRecord();
    ASSERT_EQ(r.displayModes.size(), 2u);
    const DisplayModeRequest& mode = r.displayModes[0];
    EXPECT_EQ(mode.size, 148u);
    EXPECT_EQ(mode.fields, 0x1C0000u);
    EXPECT_EQ(mode.bitsPerPel, 32u);
    EXPECT_EQ(mode.pelsWidth * 10000 + mode.pelsHeight, 640u * 10000 + 480u);
    EXPECT_EQ(r.displayModes[1].size, 0u);  // the restore
    PixelFormatRequest expected = {};
    expected.nSize = 40;
    expected.nVersion = 1;
    expected.dwFlags = 0x25;
    expected.cColorBits = 32;
    expected.cDepthBits = 32;
    ASSERT_EQ(r.pixelFormats.size(), 1u);
    EXPECT_EQ(std::memcmp(&r.pixelFormats[0], &expected, sizeof expected), 0);

    // A second window in the same process on a desktop of unknown depth: the
    // mode request leaves the depth out, the pixel-format request is the
    // first one again, and the settings record the new depth.
    headless::Options noDepth;
    noDepth.desktopBitsPerPixel = 0;
    headless::Reset(noDepth);
    frames = 0;
    ASSERT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(r.displayModes[0].fields, 0x180000u);
    EXPECT_EQ(r.displayModes[0].bitsPerPel, 0u);
    ASSERT_EQ(r.pixelFormats.size(), 1u);
    EXPECT_EQ(std::memcmp(&r.pixelFormats[0], &expected, sizeof expected), 0);
    EXPECT_EQ(r.debugOutput, "PixelFormat Selected: 7\nBPP: 0\n");
    EXPECT_EQ(r.profileWrites.back().value, "0");
}

TEST_F(HostTest, CommandLineChoosesWindowedOrFullscreen) {
    ASSERT_EQ(HostMain("-fullscreen=0", kTestApp), 0);
    EXPECT_TRUE(CallsInOrder({"CreateWindow:Vektorum_Class:windowed:0,0,640x480"}));
    EXPECT_TRUE(headless::GetRecord().displayModes.empty());
    EXPECT_EQ(headless::GetRecord().profileWrites[0].value, "0");

    Start(headless::Options());
    ASSERT_EQ(HostMain("-x -fullscreen -y", kTestApp), 0);
    EXPECT_TRUE(CallsInOrder({"CreateWindow:Vektorum_Class:popup:0,0,640x480"}));
    EXPECT_EQ(headless::GetRecord().profileWrites[0].value, "1");

    // Both present: the more specific switch wins wherever it stands.
    Start(headless::Options());
    ASSERT_EQ(HostMain("-fullscreen=0 -fullscreen", kTestApp), 0);
    EXPECT_EQ(headless::GetRecord().profileWrites[0].value, "0");
}

struct StartupFailure {
    const char* name;
    const char* text;
    const char* caption;
    bool owned;
    const char* lastAppCall;
    bool modeSwitched;  // the create event ran before the failure
};

class StartupFailureTest : public HostTest, public ::testing::WithParamInterface<StartupFailure> {};

TEST_P(StartupFailureTest, ShowsMessageAndExitsWithFailure) {
    const StartupFailure& f = GetParam();
    headless::Options options;
    options.failRegisterClass = std::string(f.name) == "RegisterClass";
    options.failCreateWindow = std::string(f.name) == "CreateWindow";
    Start(options);
    if (std::string(f.name) == "PreInit") {
        onPreInit = [] { return false; };
    }
    if (std::string(f.name) == "Init") {
        onInit = [] { return false; };
    }

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
    EXPECT_EQ(std::count(appLog.begin(), appLog.end(), "Render"), 0);
    EXPECT_EQ(std::count(appLog.begin(), appLog.end(), "Shutdown"), 0);
    // Whatever failed, a switched display mode is given back.
    const auto changes = std::count(Calls().begin(), Calls().end(), "ChangeDisplayMode");
    const auto restores = std::count(Calls().begin(), Calls().end(), "RestoreDisplayMode");
    EXPECT_EQ(changes, f.modeSwitched ? 1 : 0);
    EXPECT_EQ(restores, changes);
}

INSTANTIATE_TEST_SUITE_P(
    AllFailures, StartupFailureTest,
    ::testing::Values(
        StartupFailure{"PreInit", "App returned false on PreInit(), we shouldn't really continue.", "Error",
                       false, "PreInit", false},
        StartupFailure{"RegisterClass", "Error creating the window class, right before creating the window.",
                       "Fatal Blow", false, "PreInit", false},
        StartupFailure{"CreateWindow", "App failed to create the rendering window.", "Fatal Blow", false,
                       "GetWindowTitle", true},
        StartupFailure{"Init", "App failed to initialize.", "Fatal Blow", true, "Init", true}),
    [](const ::testing::TestParamInfo<StartupFailure>& info) { return std::string(info.param.name); });

TEST_F(HostTest, FalseRenderDestroysThenSwapsThenShutsDown) {
    onRender = [](int frame) { return frame != 2; };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(std::count(appLog.begin(), appLog.end(), "Render"), 2);
    EXPECT_EQ(appLog.back(), "Shutdown");
    EXPECT_TRUE(CallsInOrder({"Swap", "DestroyWindow", "DeleteContext", "PostQuit:0", "Swap"}));
    EXPECT_EQ(headless::GetRecord().swaps, 2);
}

TEST_F(HostTest, QuitSeenAtFirstPeekSkipsTheLoop) {
    onInit = [] {
        PlatPostQuit(0);
        return true;
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(appLog, (std::vector<std::string>{"PreInit", "GetWindowTitle", "Init", "Shutdown"}));
    EXPECT_EQ(headless::GetRecord().swaps, 0);
}

TEST_F(HostTest, WindowCloseTakesTheEscapePath) {
    onRender = [](int frame) {
        if (frame == 1) {
            headless::Post(kMsgClose);
        }
        return true;
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    EXPECT_TRUE(CallsInOrder({"DefaultWindowProc:16", "DestroyWindow", "DeleteContext", "RestoreDisplayMode",
                              "WriteProfile:BitsPerPixel=32", "PostQuit:0"}));
    EXPECT_EQ(appLog.back(), "Shutdown");
}

TEST_F(HostTest, KeyTableCallsTheTargetOperations) {
    onRender = [](int frame) {
        if (frame == 1) {
            const uint32_t keys[] = {kKeyQ, kKeyQ, kKeyA, kKeyW, kKeyS, 'X', 'q', kKeyEscape};
            for (uint32_t key : keys) {
                headless::PostKey(key);
            }
        }
        return true;
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    // Other keys go to the application's own key callback; Escape never does.
    EXPECT_EQ(appLog, (std::vector<std::string>{"PreInit", "GetWindowTitle", "Init", "Render", "Q", "Q", "A",
                                                "W", "S", "Key:88", "Key:113", "Shutdown"}));
    // No key is passed on to the default procedure.
    EXPECT_EQ(std::count_if(Calls().begin(), Calls().end(),
                            [](const std::string& c) { return c.rfind("DefaultWindowProc", 0) == 0; }),
              0);
}

TEST_F(HostTest, ResizeFollowsClientSizeAndKeepsViewportHeightAboveZero) {
    onRender = [](int frame) {
        if (frame == 1) {
            headless::Post(kMsgSize, 0, 800);  // 800 x 0
        }
        if (frame == 2) {
            EXPECT_EQ(clientWidth, 800);
            EXPECT_EQ(clientHeight, 0);
            headless::Post(kMsgSize, 0, (600 << 16) | 0xFFFF);
        }
        if (frame == 3) {
            EXPECT_EQ(clientWidth, 0xFFFF);
            EXPECT_EQ(clientHeight, 600);
            headless::PostKey(kKeyEscape);
        }
        return true;
    };
    EXPECT_EQ(HostMain("-fullscreen=0", kTestApp), 0);
    const auto& v = headless::GetRecord().viewports;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[1].width, 800);
    EXPECT_EQ(v[1].height, 1);
    // The settings record the start-up size, not the client size.
    EXPECT_TRUE(CallsInOrder({"WriteProfile:Width=640", "WriteProfile:Height=480"}));
}

TEST_F(HostTest, CaptionTimerShowsStatusOnlyWhileRunning) {
    // The timer arrives only for identifier 123 while the loop runs.
    hostRunning = 0;
    headless::Reset();
    statusText = "-=[ FPS:60 ]=-";
    EXPECT_EQ(WndProc(nullptr, kMsgTimer, kCaptionTimerId, 0), 0);
    EXPECT_TRUE(headless::GetRecord().captions.empty());

    Start(headless::Options());
    onRender = [](int frame) {
        headless::AdvanceMs(100);  // ten frames a second
        if (frame == 3) {
            // Another timer is not ours.
            headless::Post(kMsgTimer, 7);
        }
        if (frame == 12) {
            headless::PostKey(kKeyEscape);
        }
        return true;
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    const auto& captions = headless::GetRecord().captions;
    // 1.2 s of frames: the 500 ms timer fired twice.
    ASSERT_EQ(captions.size(), 3u);
    EXPECT_EQ(captions[1], "-=[ FPS:60 ]=-");
    ASSERT_LT(Index("Caption:-=[ FPS:60 ]=-"), Calls().size());
    EXPECT_GT(Index("Caption:-=[ FPS:60 ]=-"), Index("StartTimer:123,500"));
}

TEST_F(HostTest, FrameClockCountsMillisecondsAndWrapsAt32Bits) {
    headless::Options ns;
    ns.counterFrequency = 1000000000;  // a nanosecond counter
    Start(ns);
    headless::SetCounter(5000);
    onRender = [](int frame) {
        const int64_t msPerTick = 1000000;
        switch (frame) {
        case 1: headless::SetCounter(5000 + 1234 * msPerTick + 999999); break;
        // 2^32 + 5 ms after the start: about 49.7 days on.
        case 2: headless::SetCounter(5000 + ((int64_t{1} << 32) + 5) * msPerTick); break;
        // 200 days: the product with 1000 would overflow 64 bits.
        case 3: headless::SetCounter(5000 + int64_t{200} * 86400 * 1000 * msPerTick + 7 * msPerTick); break;
        default: headless::PostKey(kKeyEscape); break;
        }
        return true;
    };
    EXPECT_EQ(HostMain("", kTestApp), 0);
    ASSERT_GE(frameTimes.size(), 4u);
    EXPECT_EQ(frameTimes[0], 0u);
    EXPECT_EQ(frameTimes[1], 1234u);
    EXPECT_EQ(frameTimes[2], 5u);
    EXPECT_EQ(frameTimes[3], static_cast<uint32_t>(int64_t{200} * 86400 * 1000 + 7));

    EXPECT_EQ(ElapsedMilliseconds(2999, 0, 3000), 999);
    EXPECT_EQ(ElapsedMilliseconds(3, 0, 3000), 1);
    EXPECT_EQ(ElapsedMilliseconds(100, 0, 0), 0);
}

TEST_F(HostTest, UnwritableSettingsNeitherStopNorFailTheRun) {
    headless::Options refusing;
    refusing.failProfileWrite = true;
    Start(refusing);
    EXPECT_EQ(HostMain("-fullscreen=0", kTestApp), 0);
    EXPECT_EQ(std::count(appLog.begin(), appLog.end(), "Render"), 3);
    EXPECT_TRUE(headless::GetRecord().profileWrites.empty());
    EXPECT_TRUE(CallsInOrder({"WriteProfile:BitsPerPixel=32", "PostQuit:0"}));
}

TEST_F(HostTest, SwapIntervalIsSetOnlyWhenVsyncIsAsked) {
    ASSERT_EQ(HostMain("", kTestApp), 0);
    EXPECT_EQ(Index("SwapInterval:1"), Calls().size());
    EXPECT_EQ(Index("SwapInterval:0"), Calls().size());

    headless::Options refusing;
    refusing.swapIntervalTaken = false;
    for (bool taken : {true, false}) {
        Start(taken ? headless::Options() : refusing);
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
