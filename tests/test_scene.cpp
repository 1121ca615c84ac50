// The demonstration's callbacks against an offscreen context: what the
// overlay says, and that a rotor holds still between its pacer's updates.
// (Running without the pictures is checked on the real window, scene_test.sh.)
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include <GL/gl.h>

#include "demo/pacing.h"
#include "demo/scene.h"
#include "gl_test_context.h"

namespace {

constexpr int kWidth = 160;
constexpr int kHeight = 120;

class SceneTest : public ::testing::Test {
protected:
    SceneTest() : gl(kWidth, kHeight) {}

    void SetUp() override {
        ASSERT_TRUE(gl.Ready()) << SDL_GetError();
        ResetPacing();
        timeMs = 0;
        clientWidth = kWidth;
        clientHeight = kHeight;
        char cwd[1024];
        ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
        oldDir = cwd;
        ASSERT_EQ(chdir(TEMPOLA_SOURCE_DIR "/data"), 0);
        ASSERT_TRUE(DemoCallbacks().Init());
    }
    void TearDown() override {
        DemoCallbacks().Shutdown();
        ASSERT_EQ(chdir(oldDir.c_str()), 0);
    }

    // Renders one frame at the given time and reads the picture back.
    std::vector<uint8_t> FrameAt(uint32_t ms) {
        timeMs = ms;
        EXPECT_TRUE(DemoCallbacks().Render());
        std::vector<uint8_t> pixels(kWidth * kHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    static std::vector<std::string> Overlay() {
        OverlayLine lines[kOverlayLineCount];
        GetOverlayLines(lines);
        std::vector<std::string> texts;
        for (const OverlayLine& line : lines) {
            char text[128];
            // Formats come from the scene's own constant table.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
            if (line.hasValue) {
                std::snprintf(text, sizeof text, line.format, line.value);
            } else {
                std::snprintf(text, sizeof text, line.format);
            }
#pragma GCC diagnostic pop
            texts.push_back(text);
        }
        return texts;
    }

    GlTestContext gl;
    std::string oldDir;
};

TEST_F(SceneTest, OverlayShowsTargetsAndMeasuredRates) {
    std::vector<std::string> texts = Overlay();
    EXPECT_EQ(texts[0], "Tempola v" TEMPOLA_VERSION);
    EXPECT_EQ(texts[2], "Current FPS : 0.0");
    EXPECT_EQ(texts[3], "Target FPS  : 62.0");
    EXPECT_EQ(texts[4], "Use 'Q' and 'A' to change target FPS");
    EXPECT_EQ(texts[6], "Target FPS  : 31.0");
    EXPECT_EQ(texts[7], "Use 'W' and 'S' to change target FPS");

    // Frames every 16 ms: the right side (31 a second) updates on frames 1,
    // 3, 5 and so on, so its 20th update is frame 39: one 16 ms step and
    // nineteen 32 ms steps, a mean of 32.8.
    for (uint32_t frame = 1; frame <= 38; ++frame) {
        FrameAt(frame * 16);
    }
    EXPECT_EQ(Overlay()[5], "Current FPS : 0.0");
    FrameAt(39 * 16);
    EXPECT_EQ(Overlay()[5], "Current FPS : 32.8");

    // A key press shows in the very next frame.
    for (int i = 0; i < 4; ++i) {
        RaiseLeftTarget();
    }
    LowerRightTarget();
    FrameAt(40 * 16);
    EXPECT_EQ(Overlay()[3], "Target FPS  : 64.0");
    EXPECT_EQ(Overlay()[6], "Target FPS  : 30.5");
}

TEST_F(SceneTest, RotorsHoldStillBetweenUpdatesAndMoveAtThem) {
    FrameAt(1000);
    // Both pacers updated at 1000 ms; the left is due again ~16 ms later,
    // the right ~31 ms later.
    const std::vector<uint8_t> a = FrameAt(1001);
    EXPECT_EQ(FrameAt(1005), a);
    EXPECT_NE(FrameAt(1040), a);

    // The frame leaves the model-view matrix as it found it: the identity.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    for (int i = 0; i < 16; ++i) {
        EXPECT_FLOAT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
