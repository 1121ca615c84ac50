#include "demo/cadence_panel.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include <GL/gl.h>

#include "demo/panel_image.h"

namespace {

// Text at the overlay's own size, as Print draws it at a scale of (1, 1.25):
// a character is kCharWidth of the window wide and kLine high, and lines
// follow each other kLine apart. The tick labels ride on that: a chart's
// edges sit on the middles of chosen lines of the text beside it.
constexpr float kCharWidth = 0.01f;
constexpr float kLine = 0.025f;

const PanelColour kSideColours[2] = {{102, 255, 102}, {102, 204, 255}};
const PanelColour kRedrawColour = {255, 153, 51};
const PanelColour kDisplayColour = {204, 153, 255};
const PanelColour kNominalColour = {255, 255, 51};
const PanelColour kFrameColour = {128, 128, 128};
const PanelColour kStatusColour = {217, 217, 217};

// One strip chart, in fractions of the window from its top-left corner, and
// the interval its top edge stands for.
struct Chart {
    float left, right, top, bottom;
    double topSeconds;
};

// Side charts: the band under the header lines, well above the rate lines at
// the bottom. The text at (x, kSideTextY) holds the rule's name and the
// pacer's figures (lines 0 and 1), then the seen figures (line 8). The pacer
// strip runs from line 2 to line 7, the seen strip under it, on the same
// scale, from line 9 to line 14, so that the two read against each other at
// a glance: 2.5 nominal intervals at the top puts the nominal line 0.4 of
// the way up, on lines 5 and 12, where the labels go with those of the
// edges. Room above it shows a missed frame and a half.
const float kSideTextY = 0.095f;
const float kSideX[2] = {0.03f, 0.53f};
constexpr float kSideLabelWidth = 0.055f;
constexpr float kSideWidth = 0.44f;
const int kPacerTopLine = 2;
const int kSeenLine = 8;
const int kSeenTopLine = 9;
constexpr int kStripLines = 5;
const double kSideScale = 2.5;
// Used while a side has no target yet (the state before the program starts).
const double kFallbackNominal = 1.0 / 60.0;

// Bottom strips: full width, ending above 0.81, where the scene names a
// side's rule when it is not the usual one. The redraw strip (lines 1 to 3
// of the text at kBottomTextY, whose line 0 holds its figures and line -1
// the status line) has its own scale of four mean redraw intervals (or a
// fixed 20 ms before the first), a point for the longest of every
// kRedrawGroup redraws, which keeps every hitch and a calm line in a strip
// this thin. The display's strip (lines 5 to 7, its source and figures on
// line 4) has two refresh periods at the top, the period on line 6.
const float kBottomTextY = 0.615f;
constexpr float kBottomX = 0.03f;
constexpr float kBottomLabelWidth = 0.055f;
constexpr float kBottomRight = 0.97f;
const int kRedrawTopLine = 1;
const int kDisplayLine = 4;
const int kDisplayTopLine = 5;
constexpr int kBottomStripLines = 2;
const double kRedrawScale = 4.0;
const double kRedrawFallbackTop = 0.020;
const int kRedrawGroup = 4;
const double kDisplayScale = 2.0;
// The frame limit's three lines end a line above the status line.
const int kLimitLine = -5;

// In software GL every primitive costs its own setup, a character as much as
// a chart line, and every pixel a quad covers costs its fill, seen or not,
// by the 4 x 4 blocks it touches. So the panel is made on the CPU at the
// window's own resolution, as pictures in one texture, and each frame draws
// just the rectangles that hold what was drawn, texel for pixel: with
// GL_NEAREST and GL_REPLACE, the cheapest fill there is. Making the pictures
// costs more than drawing them, so it is done now and then, a share at a
// time so that no frame takes much longer than the others (the panel would
// show its own hitches): the charts 16 times a second, when they still seem
// to run, and the texts, a group a frame, 4 times a second. People cannot
// read figures that change faster.
const double kChartSeconds = 1.0 / 16.0;
const double kTextSeconds = 1.0 / 4.0;
const int kTextGroups = 3;  // each side's, the bottom strips'

// The texture holds the panel of a window up to this size; a larger window
// gets that panel stretched.
constexpr int kPanelWidth = 1920;
constexpr int kPanelHeight = 1080;
// Power-of-two sides, as GL 1.1 wants. Its CPU copy is where the pictures
// are made; parts of it go to GL as they change.
constexpr int kAtlasWidth = 2048;
constexpr int kAtlasHeight = 1024;
uint8_t atlasPixels[kAtlasWidth * kAtlasHeight * 4];
// Text is first laid out here at the glyph picture's own size.
const int kCellsWidth = 1024;
const int kCellsHeight = 256;
uint8_t cellPixels[kCellsWidth * kCellsHeight * 4];

enum Part {
    kPacerChart,  // left, then right
    kSeenChart = kPacerChart + 2,
    kRedrawChart = kSeenChart + 2,
    kDisplayChart,
    kSideHead,  // left, then right
    kSeenHead = kSideHead + 2,
    kSideLabels = kSeenHead + 2,
    kRedrawHead = kSideLabels + 2,
    kDisplayHead,
    kBottomLabels,
    kLimitHead,
    kPartCount
};
const int kFirstText = kSideHead;

struct Region {
    int x, y, width, height;
};

// What each part must hold in a 1920 x 1080 window, in the layout's terms:
// a chart its share of the window's width and its lines of text in height,
// a text its characters and lines. The side heads hold 49 characters, the
// redraw head 80, the display's line and the limit's 106, the labels 7.
struct PartRoom {
    float widthShare;  // a chart's; 0 for a text
    int columns;       // a text's
    int lines;
};
constexpr PartRoom kSideChartRoom = {kSideWidth - kSideLabelWidth, 0, kStripLines};
constexpr PartRoom kBottomChartRoom = {kBottomRight - kBottomX - kBottomLabelWidth, 0,
                                       kBottomStripLines};
constexpr PartRoom kRooms[kPartCount] = {
    kSideChartRoom,   kSideChartRoom, kSideChartRoom, kSideChartRoom, kBottomChartRoom,
    kBottomChartRoom, {0, 49, 2},     {0, 49, 2},     {0, 49, 1},     {0, 49, 1},
    {0, 7, 13},       {0, 7, 13},     {0, 80, 2},     {0, 106, 1},    {0, 7, 7},
    {0, 106, 3},
};

constexpr int CeilPixels(float share, int size) {
    const float pixels = share * static_cast<float>(size);
    const int whole = static_cast<int>(pixels);
    return whole < pixels ? whole + 1 : whole;
}

struct Regions {
    Region part[kPartCount];
    bool fit;
};

// Each part's room in the texture, with a pixel or two to spare, a
// transparent texel apart so that filtering a stretched panel never reads a
// neighbour: on shelves, the tallest parts first.
constexpr Regions PackRegions() {
    Regions out = {};
    int order[kPartCount] = {};
    for (int i = 0; i < kPartCount; ++i) {
        const PartRoom& room = kRooms[i];
        const float width = room.widthShare > 0.0f ? room.widthShare : room.columns * kCharWidth;
        out.part[i] = {0, 0, CeilPixels(width, kPanelWidth) + 2,
                       CeilPixels(room.lines * kLine, kPanelHeight) + 2};
        order[i] = i;
    }
    for (int i = 0; i < kPartCount; ++i) {
        for (int j = i + 1; j < kPartCount; ++j) {
            if (out.part[order[j]].height > out.part[order[i]].height) {
                const int swap = order[i];
                order[i] = order[j];
                order[j] = swap;
            }
        }
    }
    int x = 1;
    int y = 1;
    int shelf = 0;
    out.fit = true;
    for (const int i : order) {
        Region& r = out.part[i];
        if (x + r.width + 1 > kAtlasWidth) {
            x = 1;
            y += shelf + 1;
            shelf = 0;
        }
        r.x = x;
        r.y = y;
        x += r.width + 1;
        shelf = shelf > r.height ? shelf : r.height;
        out.fit = out.fit && r.x + r.width < kAtlasWidth && r.y + r.height < kAtlasHeight;
    }
    return out;
}
constexpr Regions kPacked = PackRegions();
static_assert(kPacked.fit, "every part of a 1920 x 1080 panel has its room in the texture");
constexpr const Region* kRegions = kPacked.part;

struct Quad {
    float x0, y0, x1, y1;  // panel pixels, y down
    float s0, t0, s1, t1;
};

const int kTextBytes = 256;
const int kMaxQuads = kPartCount * kCoverRects;

struct PanelState {
    bool open;
    GLuint texture;
    int windowWidth;  // 0 until the first draw in this context
    int windowHeight;
    int width;  // the panel's, in pixels
    int height;
    uint64_t redrawCount;  // as of the previous draw
    double chartsAt;       // when the charts were made
    double textsAt;        // when the latest round of texts began
    int textGroupsDone;    // of that round
    // Where each part's top-left pixel goes on the panel, and what it drew.
    int partX[kPartCount];
    int partY[kPartCount];
    PanelCover covers[kPartCount];
    // The box each text's pixels keep to.
    int boxWidth[kPartCount];
    int boxHeight[kPartCount];
    // What each text part shows, and the glyph picture it came from.
    char texts[kPartCount][kTextBytes];
    const uint8_t* textFonts[kPartCount];
    int quadCount;
    int textQuadsFrom;
    Quad quads[kMaxQuads];
};

PanelState panel;

// A text's top moved onto the nearest row of the window's 4 x 4 blocks, the
// charts beside it going along: with the lines 12 pixels apart (as in a
// 480-line window) every line then shades three rows of blocks, not four.
float Snapped(float textY) {
    const float rows = textY * static_cast<float>(panel.height);
    return std::round(rows / 4.0f) * 4.0f / static_cast<float>(panel.height);
}

float LineMiddle(float textY, int line) {
    return textY + (static_cast<float>(line) + 0.5f) * kLine;
}

double Nominal(const Pacer& pacer) {
    return pacer.target > 0.0 ? 1.0 / pacer.target : kFallbackNominal;
}

// A side's pacer strip (seen false) or seen strip.
Chart SideChart(int side, bool seen, double nominal) {
    const float x = kSideX[side];
    const float y = Snapped(kSideTextY);
    const int top = seen ? kSeenTopLine : kPacerTopLine;
    return {x + kSideLabelWidth, x + kSideWidth, LineMiddle(y, top),
            LineMiddle(y, top + kStripLines), kSideScale * nominal};
}

Chart BottomChart(int topLine, double topSeconds) {
    const float y = Snapped(kBottomTextY);
    return {kBottomX + kBottomLabelWidth, kBottomRight, LineMiddle(y, topLine),
            LineMiddle(y, topLine + kBottomStripLines), topSeconds};
}

Chart RedrawChart(const IntervalFigures& redraw) {
    const double top = redraw.count > 0 ? kRedrawScale * redraw.mean : kRedrawFallbackTop;
    return BottomChart(kRedrawTopLine, top > 0.0 ? top : kRedrawFallbackTop);
}

// The display's refresh period where it says, else its mean interval
// between shown redraws, else a 60 Hz guess.
double DisplayReference(const LiveDisplay& display) {
    if (display.refreshSeconds > 0.0) {
        return display.refreshSeconds;
    }
    return display.display.count > 0 && display.display.mean > 0.0 ? display.display.mean
                                                                   : kFallbackNominal;
}

int Clamp(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}

PanelImage AtlasImage(const Region& region) {
    return {atlasPixels + (static_cast<size_t>(region.y) * kAtlasWidth + region.x) * 4,
            region.width, region.height, kAtlasWidth * 4};
}

// The top-left width x height of a part, and the cleared column and row past
// them, so that no filtering at the edges reads leftovers of a larger picture.
void Upload(const Region& region, int width, int height) {
    glTexSubImage2D(GL_TEXTURE_2D, 0, region.x, region.y, Clamp(width + 1, 1, region.width),
                    Clamp(height + 1, 1, region.height), GL_RGBA, GL_UNSIGNED_BYTE,
                    AtlasImage(region).pixels);
}

// The pixel a fraction of the window falls in; one that falls on a pixel's
// edge, give or take rounding, starts that pixel.
int PixelOf(double fraction, int size) {
    return static_cast<int>(std::floor(fraction * size + 1e-3));
}

void BuildChart(int part, const Chart& chart, const IntervalFigures& figures, double reference,
                int group, const PanelColour& colour) {
    const int left = PixelOf(chart.left, panel.width);
    const int top = PixelOf(chart.top, panel.height);
    // Both edges get their own column and row.
    const Region& region = kRegions[part];
    const int width = Clamp(PixelOf(chart.right, panel.width) - left + 1, 2, region.width);
    const int height = Clamp(PixelOf(chart.bottom, panel.height) - top + 1, 2, region.height);
    const PanelImage room = AtlasImage(region);
    ClearImage(SubImage(room, 0, 0, width + 1, height + 1));
    const ChartLook look = {left,  top,    chart.topSeconds, reference,
                            group, colour, kFrameColour,     kNominalColour};
    ComposeChart(SubImage(room, 0, 0, width, height), figures, look, &panel.covers[part]);
    Upload(region, width, height);
    panel.partX[part] = left;
    panel.partY[part] = top;
}

// A text's top-left corner at (x, y) of the window, as Print places it.
// Remade only when it reads differently: most stay the same for seconds.
void BuildText(int part, float x, float y, const char* text, const PanelColour* tints,
               int tintCount, const Font& font) {
    char* held = panel.texts[part];
    if (panel.textFonts[part] == font.pixels && std::strcmp(held, text) == 0) {
        return;
    }
    std::snprintf(held, kTextBytes, "%s", text);
    panel.textFonts[part] = font.pixels;
    int cellWidth = 0;
    int cellHeight = 0;
    TextCell(font, &cellWidth, &cellHeight);
    const PanelImage cells = {cellPixels, kCellsWidth, kCellsHeight, kCellsWidth * 4};
    const TextLayout layout = ComposeText(cells, font, text, tints, tintCount);

    const double left = x * panel.width;
    const double top = y * panel.height;
    const double charWidth = kCharWidth * panel.width;
    const double lineHeight = kLine * panel.height;
    panel.partX[part] = PixelOf(x, panel.width);
    panel.partY[part] = PixelOf(y, panel.height);
    const double offsetX = left - panel.partX[part];
    const double offsetY = top - panel.partY[part];
    // Only the previous text's box needs clearing: the rest of the room is.
    const Region& region = kRegions[part];
    const PanelImage room = AtlasImage(region);
    ClearImage(SubImage(room, 0, 0, panel.boxWidth[part], panel.boxHeight[part]));
    panel.covers[part].count = 0;
    ScaleText(cells, layout, cellWidth, cellHeight, offsetX, offsetY, charWidth, lineHeight, room,
              &panel.covers[part]);
    const double right = std::ceil(offsetX + layout.columns * charWidth);
    const double bottom = std::ceil(offsetY + layout.lines * lineHeight);
    panel.boxWidth[part] = right < region.width ? static_cast<int>(right) : region.width;
    panel.boxHeight[part] = bottom < region.height ? static_cast<int>(bottom) : region.height;
    Upload(region, panel.boxWidth[part], panel.boxHeight[part]);
}

// A stream's figures after its name, the groups three spaces apart: a gap
// that wide is left undrawn between them.
void Figures(char* text, size_t size, const char* name, const IntervalFigures& f) {
    std::snprintf(text, size, "%s%.1f fps   jitter %.2f ms   p99 %.1f", name, MeanRate(f),
                  JitterMs(f), OnePercentLow(f));
}

void BuildSideTexts(int side, const CadencePanelView& view, const Font& font) {
    const Pacer& pacer = *view.pacers[side];
    const PanelColour& colour = kSideColours[side];
    const float x = kSideX[side];
    const float y = Snapped(kSideTextY);
    char figures[96];
    Figures(figures, sizeof figures, "", side == 0 ? view.cadence->left : view.cadence->right);
    char text[kTextBytes];
    std::snprintf(text, sizeof text, "%s\n%s", PaceRuleName(view.rules[side]), figures);
    BuildText(kSideHead + side, x, y, text, &colour, 1, font);

    const IntervalFigures& seen = view.display->seen[side];
    if (!view.source.available) {
        std::snprintf(text, sizeof text, "seen: no display times");
    } else if (seen.count == 0) {
        std::snprintf(text, sizeof text, "seen: no new pose shown yet");
    } else {
        Figures(text, sizeof text, "seen ", seen);
    }
    BuildText(kSeenHead + side, x, y + kSeenLine * kLine, text, &colour, 1, font);

    // From kPacerTopLine on, for each strip: the top, the nominal line, the
    // baseline.
    const double topMs = 1000.0 * kSideScale * Nominal(pacer);
    const double nominalMs = 1000.0 * Nominal(pacer);
    std::snprintf(text, sizeof text, "%.1f\n\n\n%.1f\n\n0 ms\n\n%.1f\n\n\n%.1f\n\n0 ms", topMs,
                  nominalMs, topMs, nominalMs);
    BuildText(kSideLabels + side, x, y + kPacerTopLine * kLine, text, &colour, 1, font);
}

// A keeper's p50 and p99 in ms, or the words for none.
void Latency(char* text, size_t size, const char* name, const QuantileKeeper& keeper,
             const char* none) {
    if (keeper.count == 0)
        std::snprintf(text, size, "%s: %s", name, none);
    else
        std::snprintf(text, size, "%s p50 %.1f ms  p99 %.1f ms", name,
                      QuantileSeconds(keeper, 0.5) * 1000.0, QuantileSeconds(keeper, 0.99) * 1000.0);
}

void BuildLimitTexts(const CadencePanelView& view, float y, const Font& font) {
    char cpu[32] = "cpu: a second to go";
    if (view.cpuPercent >= 0.0)
        std::snprintf(cpu, sizeof cpu, "cpu %.0f%% of a core", view.cpuPercent);
    char wakes[96] = "wakes: none yet";
    if (view.limiter != nullptr && view.limiter->wakeLate.count > 0) {
        const QuantileKeeper& late = view.limiter->wakeLate;
        std::snprintf(wakes, sizeof wakes, "wakes late p50 %.0f us  p99 %.0f us  max %.2f ms",
                      QuantileSeconds(late, 0.5) * 1e6, QuantileSeconds(late, 0.99) * 1e6,
                      late.max * 1000.0);
    }
    char frame[64];
    char key[64];
    const char* none = view.source.available ? "none shown yet" : "no display times";
    Latency(frame, sizeof frame, "frame to screen", view.display->latency, none);
    Latency(key, sizeof key, "key to screen", view.display->input, none);
    char text[kTextBytes];
    std::snprintf(text, sizeof text, "%s\n%s   %s\n%s   %s",
                  view.limitLine != nullptr ? view.limitLine : "", cpu, wakes, frame, key);
    BuildText(kLimitHead, kBottomX, y, text, &kStatusColour, 1, font);
}

void BuildBottomTexts(const CadencePanelView& view, const Font& font) {
    const float y = Snapped(kBottomTextY);
    const PanelColour tints[2] = {kStatusColour, kRedrawColour};
    char figures[96];
    Figures(figures, sizeof figures, "redraw ", view.cadence->redraw);
    char text[kTextBytes];
    std::snprintf(text, sizeof text, "%s\n%s", view.statusLine != nullptr ? view.statusLine : "",
                  figures);
    BuildText(kRedrawHead, kBottomX, y - kLine, text, tints, 2, font);

    const LiveDisplay& display = *view.display;
    const char* source = view.source.text != nullptr ? view.source.text : "";
    if (!view.source.available) {
        std::snprintf(text, sizeof text, "display times: %s", source);
    } else {
        char rate[32] = "";
        if (display.refreshSeconds > 0.0) {
            std::snprintf(rate, sizeof rate, ", %.1f Hz", 1.0 / display.refreshSeconds);
        }
        Figures(figures, sizeof figures, "", display.display);
        std::snprintf(text, sizeof text, "display: %s%s   %s", source, rate,
                      display.display.count > 0 ? figures : "none shown yet");
    }
    BuildText(kDisplayHead, kBottomX, y + kDisplayLine * kLine, text, &kDisplayColour, 1, font);

    const double reference = DisplayReference(display);
    std::snprintf(text, sizeof text, "%.1f\n\n0 ms\n\n%.1f\n%.1f\n0 ms",
                  1000.0 * RedrawChart(view.cadence->redraw).topSeconds,
                  1000.0 * kDisplayScale * reference, 1000.0 * reference);
    const PanelColour labelTints[4] = {kRedrawColour, kRedrawColour, kRedrawColour, kDisplayColour};
    BuildText(kBottomLabels, kBottomX, y + kRedrawTopLine * kLine, text, labelTints, 4, font);
    BuildLimitTexts(view, y + kLimitLine * kLine, font);
}

// One group of texts: a side's (0, 1) or the bottom strips'.
void BuildTexts(int group, const CadencePanelView& view, const Font& font) {
    int cellWidth = 0;
    int cellHeight = 0;
    if (!TextCell(font, &cellWidth, &cellHeight)) {
        const int parts[kTextGroups][3] = {{kSideHead, kSeenHead, kSideLabels},
                                           {kSideHead + 1, kSeenHead + 1, kSideLabels + 1},
                                           {kRedrawHead, kDisplayHead, kBottomLabels}};
        if (group == 2) {
            panel.covers[kLimitHead].count = 0;
            panel.textFonts[kLimitHead] = nullptr;
        }
        for (const int part : parts[group]) {
            panel.covers[part].count = 0;
            panel.textFonts[part] = nullptr;
        }
        return;
    }
    if (group < 2) {
        BuildSideTexts(group, view, font);
    } else {
        BuildBottomTexts(view, font);
    }
}

void BuildCharts(const CadencePanelView& view) {
    for (int side = 0; side < 2; ++side) {
        const double nominal = Nominal(*view.pacers[side]);
        const IntervalFigures& pacer = side == 0 ? view.cadence->left : view.cadence->right;
        BuildChart(kPacerChart + side, SideChart(side, false, nominal), pacer, nominal, 1,
                   kSideColours[side]);
        BuildChart(kSeenChart + side, SideChart(side, true, nominal), view.display->seen[side],
                   nominal, 1, kSideColours[side]);
    }
    const IntervalFigures& redraw = view.cadence->redraw;
    BuildChart(kRedrawChart, RedrawChart(redraw), redraw, redraw.mean, kRedrawGroup, kRedrawColour);
    const double reference = DisplayReference(*view.display);
    BuildChart(kDisplayChart, BottomChart(kDisplayTopLine, kDisplayScale * reference),
               view.display->display, reference, 1, kDisplayColour);
}

// The quads of every part's cover, the charts first and the texts over them.
void PlaceQuads() {
    panel.quadCount = 0;
    for (int part = 0; part < kPartCount; ++part) {
        if (part == kFirstText) {
            panel.textQuadsFrom = panel.quadCount;
        }
        const Region& region = kRegions[part];
        const PanelCover& cover = panel.covers[part];
        for (int i = 0; i < cover.count; ++i) {
            const PanelRect& r = cover.rects[i];
            const float x = static_cast<float>(panel.partX[part] + r.x);
            const float y = static_cast<float>(panel.partY[part] + r.y);
            const float s = static_cast<float>(region.x + r.x);
            const float t = static_cast<float>(region.y + r.y);
            const float w = static_cast<float>(r.width);
            const float h = static_cast<float>(r.height);
            panel.quads[panel.quadCount++] = {x,
                                              y,
                                              x + w,
                                              y + h,
                                              s / kAtlasWidth,
                                              t / kAtlasHeight,
                                              (s + w) / kAtlasWidth,
                                              (t + h) / kAtlasHeight};
        }
    }
}

// The client's unpacking state as the CPU copy wants it, pushed.
void PushUnpacking(GLint rowLength) {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, rowLength);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
}

// Around any making of pictures: the texture bound, ready for parts of the
// CPU copy, and afterwards the quads placed anew.
void BeginWork() {
    PushUnpacking(kAtlasWidth);
    glBindTexture(GL_TEXTURE_2D, panel.texture);
    // Texel for pixel, unless the window outgrew the panel.
    const bool stretched = panel.width != panel.windowWidth || panel.height != panel.windowHeight;
    const GLint filter = stretched ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void EndWork() {
    PlaceQuads();
    glPopClientAttrib();
}

void Restore(GLenum cap, GLboolean was) {
    if (was) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
}

// The state the panel changes, as it found it.
struct SavedState {
    GLint blendSource;
    GLint blendDestination;
    GLint envMode;
    bool prints;  // then Print's state is left, else all of this goes back
    GLboolean textured;
    GLboolean depthTested;
    GLboolean blended;
    GLint bound;
};

SavedState SaveState(const Font& font) {
    SavedState saved = {GL_ONE, GL_ZERO, GL_MODULATE, font.CanPrint(), GL_FALSE, GL_FALSE,
                        GL_FALSE, 0};
    glGetIntegerv(GL_BLEND_SRC, &saved.blendSource);
    glGetIntegerv(GL_BLEND_DST, &saved.blendDestination);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &saved.envMode);
    saved.textured = glIsEnabled(GL_TEXTURE_2D);
    saved.depthTested = glIsEnabled(GL_DEPTH_TEST);
    saved.blended = glIsEnabled(GL_BLEND);
    if (!saved.prints) {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &saved.bound);
    }
    return saved;
}

// Remakes the pictures that are due, with the texture bound: everything
// whenever they may show something else (a first draw in this context,
// another window size, figures that did not just move on by one redraw, a
// clock that went back), else a share a frame, on time.
void Refresh(const CadencePanelView& view, const Font& font) {
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int windowWidth = viewport[2] > 0 ? viewport[2] : 1;
    const int windowHeight = viewport[3] > 0 ? viewport[3] : 1;
    const bool resized = windowWidth != panel.windowWidth || windowHeight != panel.windowHeight;
    const bool all = resized || view.cadence->redraw.count != panel.redrawCount + 1 ||
                     frameSeconds < panel.chartsAt || frameSeconds < panel.textsAt;
    panel.redrawCount = view.cadence->redraw.count;
    if (all) {
        if (resized) {
            panel.windowWidth = windowWidth;
            panel.windowHeight = windowHeight;
            panel.width = windowWidth < kPanelWidth ? windowWidth : kPanelWidth;
            panel.height = windowHeight < kPanelHeight ? windowHeight : kPanelHeight;
            for (const uint8_t*& textFont : panel.textFonts) {
                textFont = nullptr;
            }
        }
        BeginWork();
        BuildCharts(view);
        for (int group = 0; group < kTextGroups; ++group) {
            BuildTexts(group, view, font);
        }
        EndWork();
        panel.chartsAt = frameSeconds;
        panel.textsAt = frameSeconds;
        panel.textGroupsDone = kTextGroups;
    } else if (!(frameSeconds - panel.chartsAt < kChartSeconds)) {
        BeginWork();
        BuildCharts(view);
        EndWork();
        panel.chartsAt = frameSeconds;
    } else if (panel.textGroupsDone < kTextGroups ||
               !(frameSeconds - panel.textsAt < kTextSeconds)) {
        if (panel.textGroupsDone == kTextGroups) {
            panel.textsAt = frameSeconds;
            panel.textGroupsDone = 0;
        }
        BeginWork();
        BuildTexts(panel.textGroupsDone++, view, font);
        EndWork();
    } else {
        glBindTexture(GL_TEXTURE_2D, panel.texture);
    }
}

// An orthographic view of the panel's pixels, y down, both matrices pushed;
// texels replace what is under them.
void SetUpState() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, panel.width, panel.height, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
}

// The charts over the scene; the texts opaque on their black cells, as
// Print draws them, which costs less again.
void DrawQuads() {
    for (int pass = 0; pass < 2; ++pass) {
        pass == 0 ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        glBegin(GL_QUADS);
        const int end = pass == 0 ? panel.textQuadsFrom : panel.quadCount;
        for (int i = pass == 0 ? 0 : panel.textQuadsFrom; i < end; ++i) {
            const Quad& q = panel.quads[i];
            glTexCoord2f(q.s0, q.t0);
            glVertex2f(q.x0, q.y0);
            glTexCoord2f(q.s1, q.t0);
            glVertex2f(q.x1, q.y0);
            glTexCoord2f(q.s1, q.t1);
            glVertex2f(q.x1, q.y1);
            glTexCoord2f(q.s0, q.t1);
            glVertex2f(q.x0, q.y1);
        }
        glEnd();
    }
}

void RestoreState(const SavedState& saved, const Font& font) {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, saved.envMode);
    glBlendFunc(static_cast<GLenum>(saved.blendSource), static_cast<GLenum>(saved.blendDestination));
    if (saved.prints) {
        glBindTexture(GL_TEXTURE_2D, font.textureName);
        glDisable(GL_BLEND);
        glEnable(GL_DEPTH_TEST);
    } else {
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(saved.bound));
        Restore(GL_TEXTURE_2D, saved.textured);
        Restore(GL_DEPTH_TEST, saved.depthTested);
        Restore(GL_BLEND, saved.blended);
    }
}

}  // namespace

void OpenCadencePanel() {
    // Whatever was held went with the context it was made in.
    std::memset(&panel, 0, sizeof panel);
    std::memset(atlasPixels, 0, sizeof atlasPixels);
    GLint wasBound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &wasBound);
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    PushUnpacking(0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, kAtlasWidth, kAtlasHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 atlasPixels);
    glPopClientAttrib();
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(wasBound));
    panel.texture = name;
    panel.open = true;
}

void CloseCadencePanel() {
    if (panel.open && panel.texture != 0) {
        glDeleteTextures(1, &panel.texture);
    }
    panel.texture = 0;
    panel.open = false;
}

bool CadencePanelOpen() {
    return panel.open;
}

CadencePanelLoad CadencePanelDrawn() {
    CadencePanelLoad load = {panel.open ? panel.quadCount : 0, 0};
    for (int i = 0; i < load.rectangles; ++i) {
        const Quad& q = panel.quads[i];
        load.pixels += std::lround((q.x1 - q.x0) * (q.y1 - q.y0));
    }
    return load;
}

void DrawCadencePanel(const CadencePanelView& view, Font& font) {
    if (!panel.open || view.cadence == nullptr || view.display == nullptr ||
        view.pacers[0] == nullptr || view.pacers[1] == nullptr) {
        return;
    }
    // As the header says: all it changes goes back, but for what Print
    // leaves, which the panel leaves as the overlay's text would.
    const SavedState saved = SaveState(font);
    glEnable(GL_TEXTURE_2D);
    Refresh(view, font);
    SetUpState();
    DrawQuads();
    RestoreState(saved, font);
}
