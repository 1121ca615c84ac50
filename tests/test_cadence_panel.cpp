// The cadence panel: its pictures made on the CPU, checked pixel by pixel for
// hand-worked intervals and a made-up font; then drawn in an offscreen
// context, where its lines land and the GL state it hands back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include <GL/gl.h>

#include "demo/cadence_panel.h"
#include "demo/charset.h"
#include "demo/panel_image.h"
#include "gl_test_context.h"

namespace {

using Rgba = std::vector<int>;

Rgba At(const PanelImage& image, int x, int y) {
    const uint8_t* p = image.pixels + y * image.stride + x * 4;
    return {p[0], p[1], p[2], p[3]};
}

TEST(PanelImageTest, ChartsAndTextLandOnTheirPixels) {
    // 240 columns, a slot each; 101 rows, 100 to the top's 50 ms. Intervals
    // of 30 ms sit 0.6 of the way up (row 40), the 20 ms reference 0.4 (row
    // 60); a 500 ms stall in slot 200 is pinned to the top row.
    std::vector<uint8_t> buffer(240 * 101 * 4);
    const PanelImage chart = {buffer.data(), 240, 101, 240 * 4};
    std::unique_ptr<IntervalFigures> figures(new IntervalFigures);
    ResetFigures(*figures);
    for (int i = 0; i < 240; ++i) {
        AddInterval(*figures, i == 200 ? 0.5 : 0.03);
    }
    PanelCover cover;
    ComposeChart(chart, *figures, {0, 0, 0.05, 0.02, 1, {0, 255, 0}, {9, 9, 9}, {255, 0, 0}},
                 &cover);
    const Rgba series = {0, 255, 0, 255};
    const Rgba frame = {9, 9, 9, 255};
    EXPECT_EQ(At(chart, 100, 40), series);
    EXPECT_EQ(At(chart, 100, 60), Rgba({255, 0, 0, 255}));
    EXPECT_EQ(At(chart, 100, 0), frame);
    EXPECT_EQ(At(chart, 100, 100), frame);
    EXPECT_EQ(At(chart, 0, 50), frame);
    EXPECT_EQ(At(chart, 100, 50), Rgba(4, 0));
    EXPECT_EQ(At(chart, 200, 0), series) << "the stall, over the top edge";
    EXPECT_EQ(At(chart, 200, 20), series);
    EXPECT_EQ(At(chart, 203, 20)[3], 0) << "a thin spike";
    // The cover holds every pixel drawn, in a fraction of the chart.
    int area = 0;
    std::vector<bool> covered(240 * 101);
    for (const PanelRect& r : std::vector<PanelRect>(cover.rects, cover.rects + cover.count)) {
        area += r.width * r.height;
        for (int y = r.y; y < r.y + r.height; ++y) {
            std::fill_n(covered.begin() + y * 240 + r.x, r.width, true);
        }
    }
    EXPECT_LT(area, 240 * 101 / 3);
    for (int i = 0; i < 240 * 101; ++i) {
        ASSERT_TRUE(covered[i] || buffer[i * 4 + 3] == 0) << i % 240 << ", " << i / 240;
    }

    // Two 12 x 17 cells, 'x' all white and ' ' black: the text takes the
    // 11 x 16 of a cell that Print samples, line 2 in the last tint.
    Font font;
    font.pixels = new uint8_t[24 * 17 * 4]();
    for (int y = 0; y < 17; ++y) {
        std::memset(font.pixels + y * 24 * 4, 255, 12 * 4);
    }
    font.textureWidth = 24;
    font.textureHeight = font.cellHeight = 17;
    font.cellWidth = 12;
    font.charCount = 2;
    std::strcpy(font.charset, "x ");
    std::vector<uint8_t> cellBuffer(64 * 64 * 4);
    const PanelImage cells = {cellBuffer.data(), 64, 64, 64 * 4};
    const PanelColour tints[2] = {{255, 0, 0}, {0, 255, 0}};
    const TextLayout layout = ComposeText(cells, font, "x x\n\nxx", tints, 2);
    EXPECT_EQ(layout.columns * 10 + layout.lines, 33);
    EXPECT_EQ(At(cells, 10, 5), Rgba({255, 0, 0, 255}));
    EXPECT_EQ(At(cells, 11, 5), Rgba({0, 0, 0, 255})) << "the space's black cell";
    EXPECT_EQ(At(cells, 27, 15), Rgba({255, 0, 0, 255}));
    EXPECT_EQ(At(cells, 5, 20)[3], 0) << "an empty line";
    EXPECT_EQ(At(cells, 16, 37), Rgba({0, 255, 0, 255}));
    EXPECT_EQ(At(cells, 27, 37)[3], 0) << "past the last line's end";
    // At the cells' own size, scaling copies them, with a rectangle a line.
    std::vector<uint8_t> copy(64 * 64 * 4);
    cover.count = 0;
    ScaleText(cells, layout, 11, 16, 0.0, 0.0, 11.0, 16.0, {copy.data(), 64, 64, 64 * 4}, &cover);
    EXPECT_EQ(copy, cellBuffer);
    ASSERT_EQ(cover.count, 2);
    EXPECT_EQ(cover.rects[1].y * 100 + cover.rects[1].width, 3222);
}

TEST(CadencePanelTest, DrawsItsChartsAndHandsBackTheState) {
    const int width = 320;
    const int height = 240;
    GlTestContext gl(width, height);
    ASSERT_TRUE(gl.Ready()) << SDL_GetError();
    Font font;
    ASSERT_TRUE(font.Load(TEMPOLA_SOURCE_DIR "/data/charset.tga", 256, 128, 24, 12, 17,
                          kOverlayCharset));
    // Left: every update took two nominal frames (32.3 ms at 62), 0.8 of the
    // way up a scale of 2.5 nominal frames. Right: on time (0.4 of the way),
    // with a 10-frame stall in slot 220 of 0 to 239, pinned to the top.
    std::unique_ptr<Cadence> cadence(new Cadence);
    ResetCadence(*cadence);
    for (int i = 0; i < 300; ++i) {
        AddInterval(cadence->left, 2.0 / 62.0);
        AddInterval(cadence->right, i == 280 ? 10.0 / 31.0 : 1.0 / 31.0);
        AddInterval(cadence->redraw, 0.005);
    }
    Pacer pacers[2] = {{}, {}};
    pacers[0].target = 62.0;
    pacers[1].target = 31.0;

    // Oddities of the caller's that must survive.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2.0, 3.0, -1.0, 4.0, -5.0, 5.0);
    glMatrixMode(GL_MODELVIEW);
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    glBlendFunc(GL_ONE, GL_ONE);
    GLfloat before[36];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    glGetFloatv(GL_MODELVIEW_MATRIX, before + 16);
    glGetFloatv(GL_CURRENT_COLOR, before + 32);
    const auto expectState = [&](GLboolean textured, GLboolean depth, GLboolean blend,
                                 GLuint texture) {
        GLint value[6];
        glGetIntegerv(GL_MATRIX_MODE, &value[0]);
        glGetIntegerv(GL_BLEND_SRC, &value[1]);
        glGetIntegerv(GL_BLEND_DST, &value[2]);
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value[3]);
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &value[4]);
        value[5] = glIsEnabled(GL_TEXTURE_2D) * 4 + glIsEnabled(GL_DEPTH_TEST) * 2 +
                   glIsEnabled(GL_BLEND);
        const GLint want[6] = {GL_MODELVIEW,         GL_ONE, GL_ONE, GL_MODULATE,
                               GLint(texture), textured * 4 + depth * 2 + blend};
        EXPECT_TRUE(std::equal(value, value + 6, want)) << value[3] << " " << value[5];
        GLfloat after[36];
        glGetFloatv(GL_PROJECTION_MATRIX, after);
        glGetFloatv(GL_MODELVIEW_MATRIX, after + 16);
        glGetFloatv(GL_CURRENT_COLOR, after + 32);
        EXPECT_TRUE(std::equal(after, after + 36, before));
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    };

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_BLEND);
    DrawCadencePanel(*cadence, font, pacers[0], kRuleAdaptive, pacers[1], kRuleFixed, "vsync");
    expectState(GL_TRUE, GL_TRUE, GL_FALSE, font.textureName);  // what Print leaves
    std::vector<uint8_t> pixels(width * height * 3);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    // Rows of column x in [from, to), from the top, that have the colour.
    const auto rows = [&](int x, int r, int g, int b, int from = 0, int to = height) {
        std::vector<int> found;
        for (int y = from; y < to; ++y) {
            const uint8_t* p = &pixels[((height - 1 - y) * width + x) * 3];
            if (std::abs(p[0] - r) + std::abs(p[1] - g) + std::abs(p[2] - b) < 8) {
                found.push_back(y);
            }
        }
        return found;
    };
    // The left chart: frame, series and nominal line; the redraw strip below.
    const std::vector<int> frame = rows(width / 4, 128, 128, 128);
    ASSERT_EQ(frame.size(), 4u) << "the left chart's and the redraw strip's edges";
    const double span = frame[1] - frame[0];
    const std::vector<int> green = rows(width / 4, 102, 255, 102, frame[0], frame[1]);
    ASSERT_EQ(green.size(), 1u);
    EXPECT_NEAR(green[0], frame[1] - 0.8 * span, 1.0);
    const std::vector<int> yellow = rows(width / 4, 255, 255, 51, frame[0], frame[1]);
    ASSERT_EQ(yellow.size(), 1u);
    EXPECT_NEAR(yellow[0], frame[1] - 0.4 * span, 1.0);
    EXPECT_EQ(rows(width / 4, 255, 153, 51, frame[2], frame[3]).size(), 1u);
    // The stall at the right chart's top: the edge is blue there alone.
    const int top = rows(width * 9 / 10, 128, 128, 128)[0];
    std::vector<int> blue;
    for (int x = width * 6 / 10; x < width; ++x) {
        if (!rows(x, 102, 204, 255, top, top + 1).empty()) {
            blue.push_back(x);
        }
    }
    ASSERT_EQ(blue.size(), 1u);
    EXPECT_NEAR(blue[0], 0.585 * width + 0.385 * width * 220 / 239, 1.5);

    // A font that can't print leaves every switch and the binding as found.
    Font missing;
    ResetCadence(*cadence);
    for (const GLboolean on : {GL_TRUE, GL_FALSE}) {
        for (const GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND}) {
            on ? glEnable(cap) : glDisable(cap);
        }
        DrawCadencePanel(*cadence, missing, pacers[0], kRuleFixed, {}, kRuleFixed, nullptr);
        expectState(on, on, on, font.textureName);
    }
}

}  // namespace
