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

// A pixel as 0xRRGGBBAA.
uint32_t At(const PanelImage& image, int x, int y) {
    const uint8_t* p = image.pixels + y * image.stride + x * 4;
    return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

TEST(PanelImageTest, ChartsAndTextLandOnTheirPixels) {
    // 240 columns, a slot each; 101 rows, 100 to the top's 50 ms. Intervals
    // of 30 ms sit 0.6 of the way up (row 40), the 20 ms reference 0.4 (row
    // 60); a 500 ms stall in slot 200 is pinned to the top row, thinly.
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
    EXPECT_EQ(At(chart, 100, 40), 0x00ff00ffu);
    EXPECT_EQ(At(chart, 100, 60), 0xff0000ffu);
    EXPECT_EQ(At(chart, 0, 50), 0x090909ffu);
    EXPECT_EQ(At(chart, 100, 50), 0u);
    EXPECT_EQ(At(chart, 200, 0), 0x00ff00ffu) << "the stall, over the top edge";
    EXPECT_EQ(At(chart, 203, 20), 0u) << "a thin spike";
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
    EXPECT_EQ(layout.columns, 3);
    EXPECT_EQ(layout.lines, 3);
    EXPECT_EQ(At(cells, 10, 15), 0xff0000ffu);
    EXPECT_EQ(At(cells, 11, 5), 0x000000ffu) << "the space's black cell";
    EXPECT_EQ(At(cells, 5, 20), 0u) << "an empty line";
    EXPECT_EQ(At(cells, 16, 37), 0x00ff00ffu);
    EXPECT_EQ(At(cells, 27, 37), 0u) << "past the last line's end";
    // At the cells' own size, scaling copies them, with a rectangle a line.
    std::vector<uint8_t> copy(64 * 64 * 4);
    cover.count = 0;
    ScaleText(cells, layout, 11, 16, 0.0, 0.0, 11.0, 16.0, {copy.data(), 64, 64, 64 * 4}, &cover);
    EXPECT_EQ(copy, cellBuffer);
    ASSERT_EQ(cover.count, 2);
    EXPECT_EQ(cover.rects[1].y, 32);
    EXPECT_EQ(cover.rects[1].width, 22);
}

TEST(CadencePanelTest, DrawsItsChartsAndHandsBackTheState) {
    GlTestContext gl(320, 240);
    ASSERT_TRUE(gl.Ready()) << SDL_GetError();
    Font font;
    ASSERT_TRUE(
        font.Load(TEMPOLA_SOURCE_DIR "/data/charset.tga", 256, 128, 24, 12, 17, kOverlayCharset));
    // Left: every update took two nominal frames (32.3 ms at 62), 0.8 of the
    // way up a scale of 2.5 nominal frames; redraws of 5 ms.
    std::unique_ptr<Cadence> cadence(new Cadence);
    ResetCadence(*cadence);
    for (int i = 0; i < 300; ++i) {
        AddInterval(cadence->left, 2.0 / 62.0);
        AddInterval(cadence->redraw, 0.005);
    }
    Pacer left = {};
    left.target = 62.0;

    // The caller's matrices, colour, blend function and texture environment
    // survive; the switches and the binding end as Print leaves them, or as
    // found when the font can't print.
    glMatrixMode(GL_PROJECTION);
    glOrtho(-2.0, 3.0, -1.0, 4.0, -5.0, 5.0);
    glMatrixMode(GL_MODELVIEW);
    glColor4f(0.25f, 0.5f, 0.75f, 0.5f);
    glBlendFunc(GL_ONE, GL_ONE);
    const auto state = []() {
        GLfloat floats[36];
        glGetFloatv(GL_PROJECTION_MATRIX, floats);
        glGetFloatv(GL_MODELVIEW_MATRIX, floats + 16);
        glGetFloatv(GL_CURRENT_COLOR, floats + 32);
        std::vector<double> s(floats, floats + 36);
        GLint value = 0;
        for (const GLenum name :
             {GL_MATRIX_MODE, GL_BLEND_SRC, GL_BLEND_DST, GL_TEXTURE_BINDING_2D}) {
            glGetIntegerv(name, &value);
            s.push_back(value);
        }
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
        s.push_back(value);
        s.push_back(glIsEnabled(GL_TEXTURE_2D) * 4 + glIsEnabled(GL_DEPTH_TEST) * 2 +
                    glIsEnabled(GL_BLEND));
        s.push_back(glGetError());
        return s;
    };
    std::vector<double> want = state();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    DrawCadencePanel(*cadence, font, left, kRuleAdaptive, {}, kRuleFixed, "vsync");
    want[39] = font.textureName;
    want[41] = 6;  // texturing and depth test on, blending off
    EXPECT_EQ(state(), want);

    // Down the left chart: its top edge, the series, its baseline, then the
    // redraw strip's edges around its series.
    std::vector<uint8_t> pixels(320 * 240 * 3);
    glReadPixels(0, 0, 320, 240, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<std::pair<int, uint32_t>> column;
    for (int y = 0; y < 240; ++y) {
        const uint8_t* p = &pixels[((239 - y) * 320 + 80) * 3];
        const uint32_t rgb = uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
        if (rgb == 0x808080 || rgb == 0x66ff66 || rgb == 0xff9933) {
            column.push_back({y, rgb});
        }
    }
    ASSERT_EQ(column.size(), 6u);
    const int top = column[0].first;
    const int base = column[2].first;
    EXPECT_EQ(column[1], std::make_pair(int(std::lround(base - 0.8 * (base - top))), 0x66ff66u));
    EXPECT_EQ(column[4].second, 0xff9933u);

    // Neither empty figures nor a side without a target upset the drawing.
    Font missing;
    ResetCadence(*cadence);
    for (const bool on : {true, false}) {
        for (const GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND}) {
            on ? glEnable(cap) : glDisable(cap);
        }
        DrawCadencePanel(*cadence, missing, left, kRuleFixed, {}, kRuleFixed, nullptr);
        want[41] = on ? 7 : 0;
        EXPECT_EQ(state(), want) << on;
    }
}

}  // namespace
