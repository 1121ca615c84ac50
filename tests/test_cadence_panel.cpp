// The cadence panel against an offscreen context: where its lines land for
// hand-worked intervals, what it leaves untouched, and the GL state it hands
// back.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <GL/gl.h>

#include "demo/cadence_panel.h"
#include "demo/charset.h"
#include "gl_test_context.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Colours by their look: series green (left), blue (right) and orange
// (redraw), reference levels yellow, frames grey. Titles and labels share
// their series' colour, so the searches below keep right of and under them.
struct Pixel {
    int r, g, b;
    bool Green() const { return g > 200 && r < 150 && b < 150; }
    bool Blue() const { return b > 200 && r < 150; }
    bool Orange() const { return r > 200 && g > 100 && g < 200 && b < 100; }
    bool Yellow() const { return r > 200 && g > 200 && b < 100; }
    bool Grey() const { return r > 60 && r == g && g == b; }
};

class CadencePanelTest : public ::testing::Test {
protected:
    CadencePanelTest() : gl(kWidth, kHeight), cadence(new Cadence) {}

    void SetUp() override {
        ASSERT_TRUE(gl.Ready()) << SDL_GetError();
        ResetCadence(*cadence);
        left.target = 62.0;
        right.target = 31.0;
    }

    // Draws the panel over black and reads it back, top row first.
    void Draw() {
        ASSERT_TRUE(font.Load(TEMPOLA_SOURCE_DIR "/data/charset.tga", 256, 128, 24, 12, 17,
                              kOverlayCharset));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        DrawCadencePanel(*cadence, font, left, kRuleAdaptive, right, kRuleFixed, "vsync: no");
        pixels.resize(kWidth * kHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    }

    Pixel At(int x, int y) const {
        const uint8_t* p = &pixels[((kHeight - 1 - y) * kWidth + x) * 3];
        return {p[0], p[1], p[2]};
    }

    // Rows of column x in [fromY, toY), from the top, whose pixel passes.
    std::vector<int> Rows(int x, int fromY, int toY, bool (Pixel::*test)() const) const {
        std::vector<int> rows;
        for (int y = fromY; y < toY; ++y) {
            if ((At(x, y).*test)()) {
                rows.push_back(y);
            }
        }
        return rows;
    }

    // The highest row of the colour in columns [fromX, toX).
    int Highest(int fromX, int toX, int fromY, int toY, bool (Pixel::*test)() const,
                int* column) const {
        int highest = kHeight;
        for (int x = fromX; x < toX; ++x) {
            const std::vector<int> rows = Rows(x, fromY, toY, test);
            if (!rows.empty() && rows[0] < highest) {
                highest = rows[0];
                *column = x;
            }
        }
        return highest;
    }

    int Lit(int fromY, int toY) const {
        return static_cast<int>(std::count_if(&pixels[(kHeight - toY) * kWidth * 3],
                                              &pixels[(kHeight - fromY) * kWidth * 3],
                                              [](uint8_t v) { return v != 0; }));
    }

    GlTestContext gl;
    std::unique_ptr<Cadence> cadence;  // too big for the stack
    Font font;
    Pacer left{};
    Pacer right{};
    std::vector<uint8_t> pixels;
};

TEST_F(CadencePanelTest, ChartsPlaceIntervalsOnTheirScalesAndKeepToTheirBands) {
    // Left: every update took two nominal frames (32.3 ms at 62), 0.8 of the
    // way up a scale of 2.5 nominal frames. Right: 120 updates so far, on time
    // (32.3 ms at 31, 0.4 of the way up), with a 10-frame stall 19 updates
    // before the newest, which sits at the right edge: slot 220 of 0 to 239,
    // pinned to the top. Redraws: 5 ms and one of 20.1 ms, a mean of 5.05 ms:
    // 0.248 and 0.995 of the way up a scale of four mean intervals.
    for (int i = 0; i < 300; ++i) {
        AddInterval(cadence->left, 2.0 / 62.0);
        if (i < 120) {
            AddInterval(cadence->right, i == 100 ? 10.0 / 31.0 : 1.0 / 31.0);
        }
        AddInterval(cadence->redraw, i == 270 ? 0.0201 : 0.005);
    }
    Draw();

    const int below = kHeight * 15 / 100;  // under the title lines
    const int mid = kHeight / 2;
    const int x[2] = {kWidth / 4, kWidth * 9 / 10};
    bool (Pixel::*const colour[2])() const = {&Pixel::Green, &Pixel::Blue};
    const double level[2] = {0.8, 0.4};
    for (int side = 0; side < 2; ++side) {
        SCOPED_TRACE(side);
        const std::vector<int> frame = Rows(x[side], below, mid, &Pixel::Grey);
        ASSERT_EQ(frame.size(), 2u) << "a top edge and a baseline";
        const int top = frame[0];
        const double height = frame[1] - top;
        EXPECT_GT(height, kHeight / 6);
        const std::vector<int> series = Rows(x[side], below, mid, colour[side]);
        ASSERT_EQ(series.size(), 1u);
        EXPECT_NEAR(series[0], frame[1] - level[side] * height, 1.0);
        // The nominal line shows where the series doesn't cover it.
        const std::vector<int> nominal = Rows(x[side], below, mid, &Pixel::Yellow);
        EXPECT_EQ(nominal.size(), side == 0 ? 1u : 0u);
        if (side == 0) {
            EXPECT_NEAR(nominal[0], frame[1] - 0.4 * height, 1.0);
        }
    }
    int edge[2] = {kWidth, 0};
    const int top = Rows(x[1], below, mid, &Pixel::Grey)[0];
    for (int c = kWidth / 2; c < kWidth; ++c) {
        if (At(c, top).Grey()) {
            edge[0] = std::min(edge[0], c);
            edge[1] = std::max(edge[1], c);
        }
    }
    int stallAt = 0;
    EXPECT_NEAR(Highest(edge[0] + 1, edge[1] + 1, below, mid, &Pixel::Blue, &stallAt), top, 1.0);
    EXPECT_NEAR(stallAt, edge[0] + (edge[1] - edge[0]) * 220.0 / 239.0, 1.5);

    // Redraw strip: between the middle and the rule line at 0.81.
    const int low = kHeight * 6 / 10;
    const int high = kHeight * 81 / 100;
    const std::vector<int> frame = Rows(kWidth / 2, low, high, &Pixel::Grey);
    ASSERT_EQ(frame.size(), 2u);
    const double height = frame[1] - frame[0];
    const std::vector<int> series = Rows(kWidth / 2, low, high, &Pixel::Orange);
    ASSERT_EQ(series.size(), 1u);
    EXPECT_NEAR(series[0], frame[1] - 0.248 * height, 1.0);
    int column = 0;
    EXPECT_NEAR(Highest(kWidth / 10, kWidth, frame[0], high, &Pixel::Orange, &column),
                frame[1] - 0.995 * height, 1.0) << "the lone long redraw";

    // Text beside the charts; nothing over the header, the middle of the
    // window or the rule and rate lines at the bottom.
    EXPECT_GT(Lit(kHeight * 9 / 100, below), 100);
    EXPECT_EQ(Lit(0, kHeight * 85 / 1000), 0);
    EXPECT_EQ(Lit(kHeight * 45 / 100, kHeight * 68 / 100), 0);
    EXPECT_EQ(Lit(high, kHeight), 0);
}

TEST_F(CadencePanelTest, HandsBackTheStateItFound) {
    for (int i = 0; i < 10; ++i) {
        AddInterval(cadence->left, 0.016);
        AddInterval(cadence->redraw, 0.004);
    }
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2.0, 3.0, -1.0, 4.0, -5.0, 5.0);
    glPushMatrix();
    glTranslatef(0.5f, 0.0f, 0.0f);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glRotatef(30.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    glBlendFunc(GL_ONE, GL_ONE);
    GLfloat before[3][16];
    glGetFloatv(GL_CURRENT_COLOR, before[2]);
    glGetFloatv(GL_PROJECTION_MATRIX, before[0]);
    glGetFloatv(GL_MODELVIEW_MATRIX, before[1]);
    const auto expectAsBefore = [&]() {
        GLint value[5];
        const GLenum names[5] = {GL_PROJECTION_STACK_DEPTH, GL_MODELVIEW_STACK_DEPTH,
                                 GL_MATRIX_MODE, GL_BLEND_SRC, GL_BLEND_DST};
        const GLint want[5] = {2, 2, GL_MODELVIEW, GL_ONE, GL_ONE};
        for (int i = 0; i < 5; ++i) {
            glGetIntegerv(names[i], &value[i]);
            EXPECT_EQ(value[i], want[i]) << i;
        }
        GLfloat after[3][16];
        glGetFloatv(GL_PROJECTION_MATRIX, after[0]);
        glGetFloatv(GL_MODELVIEW_MATRIX, after[1]);
        glGetFloatv(GL_CURRENT_COLOR, after[2]);
        for (int m = 0; m < 3; ++m) {
            EXPECT_TRUE(std::equal(after[m], after[m] + (m < 2 ? 16 : 4), before[m])) << m;
        }
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    };

    // As the scene calls it, after the overlay: what Font::Print leaves, which
    // the panel's own Prints leave again; the font's scale as it was.
    ASSERT_TRUE(font.Load(TEMPOLA_SOURCE_DIR "/data/charset.tga", 256, 128, 24, 12, 17,
                          kOverlayCharset));
    font.SetScale(2.0f, 3.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBindTexture(GL_TEXTURE_2D, 0);
    DrawCadencePanel(*cadence, font, left, kRuleScheduled, right, kRuleEveryRedraw, nullptr);
    expectAsBefore();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), font.textureName);
    EXPECT_EQ(font.scaleX, 2.0f);
    EXPECT_EQ(font.scaleY, 3.0f);

    // A font that can't print leaves every switch as found, either way; and
    // neither empty figures nor a side without a target upset the drawing.
    Font missing;
    ResetCadence(*cadence);
    right.target = 0.0;
    const GLenum caps[3] = {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND};
    for (const bool on : {true, false}) {
        for (const GLenum cap : caps) {
            on ? glEnable(cap) : glDisable(cap);
        }
        DrawCadencePanel(*cadence, missing, left, kRuleAdaptive, right, kRuleFixed, "status");
        expectAsBefore();
        for (const GLenum cap : caps) {
            EXPECT_EQ(glIsEnabled(cap), on ? GL_TRUE : GL_FALSE) << cap;
        }
    }
}

}  // namespace
