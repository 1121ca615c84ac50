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
    EXPECT_EQ(At(chart, 3, 100), 0x090909ffu) << "the baseline's tick";
    EXPECT_EQ(At(chart, 100, 100), 0u) << "no baseline across";
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
    // Words apart when the gap is worth a quad, together when it is not.
    for (const auto& gap : {std::make_pair("x x", 1), std::make_pair("x   x", 2)}) {
        const TextLayout words = ComposeText(cells, font, gap.first, tints, 1);
        cover.count = 0;
        ScaleText(cells, words, 11, 16, 0.0, 0.0, 11.0, 16.0, {copy.data(), 64, 64, 64 * 4},
                  &cover);
        ASSERT_EQ(cover.count, gap.second) << gap.first;
        EXPECT_EQ(cover.rects[cover.count - 1].x + cover.rects[cover.count - 1].width,
                  words.columns * 11);
    }
}

// The font's layout is the panel's: the same glyphs in the same cells.
TEST(PanelImageTest, TextFollowsTheFontsLayout) {
    Font font;
    font.pixels = new uint8_t[24 * 17 * 4]();
    font.textureWidth = 24;
    font.textureHeight = font.cellHeight = 17;
    font.cellWidth = 12;
    font.charCount = 2;
    std::strcpy(font.charset, "ab");
    std::vector<std::vector<int>> placed;
    EXPECT_EQ(font.LayOut("ab\n?b",
                          [&](unsigned char, int glyph, int column, int line) {
                              placed.push_back({glyph, column, line});
                          }),
              2);
    EXPECT_EQ(placed, (std::vector<std::vector<int>>{{0, 0, 0}, {1, 1, 0}, {1, 0, 1}, {1, 1, 1}}))
        << "an unknown byte repeats the glyph before it";
    int x = -1;
    int y = -1;
    EXPECT_TRUE(font.GlyphCell(1, &x, &y));
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 0);
    EXPECT_FALSE(font.GlyphCell(2, &x, &y)) << "past the picture";
    EXPECT_FALSE(font.GlyphCell(-1, &x, &y));
}

// A pixel of the window, y from the top.
uint32_t WindowPixel(const std::vector<uint8_t>& pixels, int width, int height, int x, int y) {
    const uint8_t* p = &pixels[((height - 1 - y) * width + x) * 3];
    return uint32_t(p[0]) << 16 | p[1] << 8 | p[2];
}

std::vector<uint8_t> ReadWindow(int width, int height) {
    std::vector<uint8_t> pixels(width * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// The rows of column x holding colour, top first.
std::vector<int> RowsOf(const std::vector<uint8_t>& pixels, int x, uint32_t colour) {
    std::vector<int> rows;
    for (int y = 0; y < 240; ++y) {
        if (WindowPixel(pixels, 320, 240, x, y) == colour) {
            rows.push_back(y);
        }
    }
    return rows;
}

struct PanelData {
    PanelData() : cadence(new Cadence), display(new LiveDisplay()) {
        ResetCadence(*cadence);
        ResetFigures(display->seen[0]);
        ResetFigures(display->seen[1]);
        ResetFigures(display->display);
        left.target = 62.0;
    }
    CadencePanelView View(const char* status) const {
        return {cadence.get(),
                display.get(),
                {false, "none", "not available here"},
                {&left, &right},
                {kRuleAdaptive, kRuleFixed},
                status,
                "limit off",
                nullptr,
                -1.0,
                0.0};
    }
    std::unique_ptr<Cadence> cadence;
    std::unique_ptr<LiveDisplay> display;
    Pacer left = {};
    Pacer right = {};
};

TEST(CadencePanelTest, DrawsItsChartsAndHandsBackTheState) {
    GlTestContext gl(320, 240);
    ASSERT_TRUE(gl.Ready()) << SDL_GetError();
    Font font;
    ASSERT_TRUE(
        font.Load(TEMPOLA_SOURCE_DIR "/data/charset.tga", 256, 128, 24, 12, 17, kOverlayCharset));
    OpenCadencePanel();
    // Left: every update took two nominal frames (32.3 ms at 62), 0.8 of the
    // way up a scale of 2.5 nominal frames; redraws of 5 ms; nothing seen.
    PanelData data;
    for (int i = 0; i < 300; ++i) {
        AddInterval(data.cadence->left, 2.0 / 62.0);
        AddInterval(data.cadence->redraw, 0.005);
    }

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
        for (const GLenum name : {GL_MATRIX_MODE, GL_BLEND_SRC, GL_BLEND_DST, GL_TEXTURE_BINDING_2D,
                                  GL_UNPACK_ROW_LENGTH, GL_UNPACK_ALIGNMENT}) {
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
    DrawCadencePanel(data.View("vsync"), font);
    want[39] = font.textureName;
    want[43] = 6;  // texturing and depth test on, blending off
    EXPECT_EQ(state(), want);

    // The ticks by the axis mark the edges of the four strips: the left
    // side's pacer and seen strips, the redraw and display strips. The pacer
    // strip's series sits 0.8 of the way up; the seen strip, with nothing
    // seen, stays empty; the redraw series lies within its strip.
    const std::vector<uint8_t> pixels = ReadWindow(320, 240);
    const std::vector<int> edges = RowsOf(pixels, 29, 0x808080);
    ASSERT_EQ(edges.size(), 8u);
    const std::vector<int> series = RowsOf(pixels, 80, 0x66ff66);
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series[0], int(std::lround(edges[1] - 0.8 * (edges[1] - edges[0]))));
    for (const int row : series) {
        EXPECT_FALSE(row > edges[2] && row <= edges[3]) << "nothing in the seen strip";
    }
    const std::vector<int> redraw = RowsOf(pixels, 80, 0xff9933);
    ASSERT_FALSE(redraw.empty());
    EXPECT_GE(redraw.front(), edges[4]);
    EXPECT_LE(redraw.back(), edges[5]);

    // Neither empty figures nor a side without a target upset the drawing.
    Font missing;
    ResetCadence(*data.cadence);
    data.left.target = 0.0;
    for (const bool on : {true, false}) {
        for (const GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND}) {
            on ? glEnable(cap) : glDisable(cap);
        }
        DrawCadencePanel(data.View(nullptr), missing);
        want[43] = on ? 7 : 0;
        EXPECT_EQ(state(), want) << on;
    }
    CloseCadencePanel();
    font.DeleteTexture();
}

// The panel's texture lives as long as its context: made by Open, gone with
// Close, nothing drawn between, and made anew in a new context without
// asking the old name anything.
TEST(CadencePanelTest, OwnsItsTextureForTheContextsLifetime) {
    PanelData data;
    for (int i = 0; i < 300; ++i) {
        AddInterval(data.cadence->left, 2.0 / 62.0);
    }
    Font font;
    const auto leftSeries = [] { return RowsOf(ReadWindow(320, 240), 80, 0x66ff66).size(); };
    for (int context = 0; context < 2; ++context) {
        GlTestContext gl(320, 240);
        ASSERT_TRUE(gl.Ready()) << SDL_GetError();
        OpenCadencePanel();
        ASSERT_TRUE(CadencePanelOpen());
        glClear(GL_COLOR_BUFFER_BIT);
        DrawCadencePanel(data.View(nullptr), font);
        EXPECT_EQ(leftSeries(), 1u) << context;
        if (context == 0) {
            continue;  // the context goes without a word: the next Open starts over
        }
        CloseCadencePanel();
        EXPECT_FALSE(CadencePanelOpen());
        for (GLuint name = 1; name < 64; ++name) {
            EXPECT_FALSE(glIsTexture(name)) << "texture " << name << " left";
        }
        glClear(GL_COLOR_BUFFER_BIT);
        DrawCadencePanel(data.View(nullptr), font);
        EXPECT_EQ(leftSeries(), 0u) << "a closed panel draws nothing";
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }
}

}  // namespace
