#include "demo/panel_image.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

uint8_t* PixelAt(const PanelImage& image, int x, int y) {
    return image.pixels + static_cast<size_t>(y) * image.stride + static_cast<size_t>(x) * 4;
}

void Put(const PanelImage& image, int x, int y, const PanelColour& c) {
    uint8_t* p = PixelAt(image, x, y);
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
    p[3] = 255;
}

int Min(int a, int b) {
    return a < b ? a : b;
}

int Max(int a, int b) {
    return a > b ? a : b;
}

// One glyph at (x, y), tinted the way Print's texture modulation tints it, on
// its opaque cell. A glyph outside the picture leaves the cell black.
void CopyGlyph(const PanelImage& image, int x, int y, const Font& font, int glyph, int width,
               int height, const PanelColour& tint) {
    int sourceX = 0;
    int sourceY = 0;
    const bool inside = font.GlyphCell(glyph, &sourceX, &sourceY);
    for (int j = 0; j < height; ++j) {
        uint8_t* out = PixelAt(image, x, y + j);
        const uint8_t* in =
            inside
                ? font.pixels + (static_cast<size_t>(sourceY + j) * font.textureWidth + sourceX) * 4
                : nullptr;
        for (int i = 0; i < width; ++i) {
            int r = 0;
            int g = 0;
            int b = 0;
            if (in != nullptr) {
                r = in[0];
                g = in[1];
                b = in[2];
                in += 4;
            }
            out[0] = static_cast<uint8_t>(r * tint.r / 255);
            out[1] = static_cast<uint8_t>(g * tint.g / 255);
            out[2] = static_cast<uint8_t>(b * tint.b / 255);
            out[3] = 255;
            out += 4;
        }
    }
}

void VerticalRun(const PanelImage& image, int x, int y0, int y1, const PanelColour& c) {
    for (int y = Min(y0, y1); y <= Max(y0, y1); ++y) {
        Put(image, x, y, c);
    }
}

void HorizontalRun(const PanelImage& image, int y, const PanelColour& c) {
    for (int x = 0; x < image.width; ++x) {
        Put(image, x, y, c);
    }
}

void AddRect(PanelCover* cover, int x, int y, int width, int height) {
    if (cover->count < kCoverRects && width > 0 && height > 0) {
        cover->rects[cover->count++] = {x, y, width, height};
    }
}

int RowOf(const PanelImage& image, double seconds, double topSeconds) {
    double f = seconds / topSeconds;
    if (!(f <= 1.0)) {
        f = 1.0;
    } else if (f < 0.0) {
        f = 0.0;
    }
    return static_cast<int>((1.0 - f) * (image.height - 1) + 0.5);
}

// Software GL shades pixels in blocks of 4 x 4, aligned on the window, so a
// rectangle costs by the blocks it touches, however few of their pixels it
// covers; and a quad costs about as much as shading this many blocks
// (bench/quad_cost puts a rectangle at 30 to 50 blocks' worth).
const int kBlock = 4;
const long kQuadBlocks = 48;
// A gap between words wider than this many blocks is left undrawn even so,
// dearer by a quad or so a frame, so that the scene shows between the groups
// of figures as it always has.
const long kGapBlocks = 12;
// Charts are drawn this many columns wide at most.
const int kChartColumns = 2048;
// The cover weighs rectangles up to this many blocks wide: wider ones seldom
// pay.
const int kCoverSpan = 16;

// The rows of each column that need covering (none where high < low).
struct Extents {
    int low[kChartColumns];
    int high[kChartColumns];
};

void Extend(Extents* e, int x, int y0, int y1) {
    e->low[x] = Min(e->low[x], Min(y0, y1));
    e->high[x] = Max(e->high[x], Max(y0, y1));
}

class Series {
public:
    Series(const PanelImage& image, const PanelColour& colour, Extents* extents)
        : image_(image), colour_(colour), extents_(extents) {}

    void Run(int x, int y0, int y1) {
        VerticalRun(image_, x, y0, y1, colour_);
        Extend(extents_, x, y0, y1);
    }

    // From the point (x0, y0) to (x1, y1): each column takes the rows the
    // line crosses within half a pixel of its middle, so a steep stretch
    // comes out solid and one pixel wide, and a spike as thin as its
    // neighbours allow.
    void Join(int x0, int y0, int x1, int y1) {
        if (x1 <= x0) {
            Run(x1, y0, y1);
            return;
        }
        const double slope = static_cast<double>(y1 - y0) / (x1 - x0);
        for (int x = x0; x <= x1; ++x) {
            const double from = x - 0.5 > x0 ? x - 0.5 : x0;
            const double to = x + 0.5 < x1 ? x + 0.5 : x1;
            Run(x, static_cast<int>(std::lround(y0 + slope * (from - x0))),
                static_cast<int>(std::lround(y0 + slope * (to - x0))));
        }
    }

private:
    const PanelImage& image_;
    const PanelColour& colour_;
    Extents* extents_;
};

// Where an image lies on the window's blocks: its left and top edges' place
// within a block.
struct BlockPhase {
    int x, y;
};

int BlockOf(int pixel, int phase) {
    return (pixel + phase) / kBlock;
}

long BlocksOf(const PanelRect& r, const BlockPhase& phase) {
    const long across = BlockOf(r.x + r.width - 1, phase.x) - BlockOf(r.x, phase.x) + 1;
    const long down = BlockOf(r.y + r.height - 1, phase.y) - BlockOf(r.y, phase.y) + 1;
    return across * down;
}

// The rectangle around columns [from, to), empty columns at either end left
// out; false when they are all empty.
bool Around(const Extents& e, int from, int to, PanelRect* rect) {
    while (from < to && e.high[from] < e.low[from]) {
        ++from;
    }
    while (to > from && e.high[to - 1] < e.low[to - 1]) {
        --to;
    }
    if (from == to) {
        return false;
    }
    int low = e.low[from];
    int high = e.high[from];
    for (int x = from + 1; x < to; ++x) {
        low = Min(low, e.low[x]);
        high = Max(high, e.high[x]);
    }
    *rect = {from, low, to - from, high - low + 1};
    return true;
}

// Covers the extents of columns [0, columns) with the rectangles, one block
// column wide or more, that cost least to set up and shade. When they would
// be more than room, quads are weighed dearer until they are few enough,
// which they are at the latest with one rectangle a kCoverSpan. Returns what
// they cost, in blocks.
long CoverExtents(const Extents& e, int columns, const BlockPhase& phase, int room,
                  PanelCover* cover) {
    const int units = BlockOf(columns - 1, phase.x) + 1;
    // Unit u: columns [u * kBlock - phase.x, (u + 1) * kBlock - phase.x).
    int low[kChartColumns / kBlock + 1];
    int high[kChartColumns / kBlock + 1];
    for (int u = 0; u < units; ++u) {
        low[u] = INT32_MAX;
        high[u] = -1;
        for (int x = Max(0, u * kBlock - phase.x); x < Min(columns, (u + 1) * kBlock - phase.x);
             ++x) {
            low[u] = Min(low[u], e.low[x]);
            high[u] = Max(high[u], e.high[x]);
        }
    }
    long best[kChartColumns / kBlock + 2];
    int from[kChartColumns / kBlock + 2];
    for (long quad = kQuadBlocks;; quad *= 2) {
        best[0] = 0;
        for (int i = 1; i <= units; ++i) {
            best[i] = -1;
            int spanLow = low[i - 1];
            int spanHigh = high[i - 1];
            for (int j = i - 1; j >= Max(0, i - kCoverSpan); --j) {
                spanLow = Min(spanLow, low[j]);
                spanHigh = Max(spanHigh, high[j]);
                long cost = best[j];
                if (spanHigh >= spanLow) {
                    cost += quad + static_cast<long>(i - j) *
                                       (BlockOf(spanHigh, phase.y) - BlockOf(spanLow, phase.y) + 1);
                }
                if (best[i] < 0 || cost < best[i]) {
                    best[i] = cost;
                    from[i] = j;
                }
            }
        }
        int count = 0;
        PanelRect rect;
        for (int i = units; i > 0; i = from[i]) {
            const int x0 = Max(0, from[i] * kBlock - phase.x);
            count += Around(e, x0, Min(columns, i * kBlock - phase.x), &rect) ? 1 : 0;
        }
        if (count <= room) {
            break;
        }
    }
    long cost = 0;
    PanelRect rect;
    for (int i = units; i > 0; i = from[i]) {
        const int x0 = Max(0, from[i] * kBlock - phase.x);
        if (Around(e, x0, Min(columns, i * kBlock - phase.x), &rect)) {
            AddRect(cover, rect.x, rect.y, rect.width, rect.height);
            cost += kQuadBlocks + BlocksOf(rect, phase);
        }
    }
    return cost;
}

// Where GL_LINEAR samples a row of texels at u (in texels, 0.5 the middle of
// the first): the nearer two texels, and the weight of the second in 256ths.
struct Taps {
    int first;
    int weight;
};

Taps TapsAt(double u) {
    const double f = u - 0.5;
    const double first = std::floor(f);
    return {static_cast<int>(first), static_cast<int>((f - first) * 256.0 + 0.5)};
}

// Text is scaled this many pixels of a line at most.
const int kScaleWidth = 2048;

}  // namespace

PanelImage SubImage(const PanelImage& image, int x, int y, int width, int height) {
    x = Max(0, Min(x, image.width));
    y = Max(0, Min(y, image.height));
    PanelImage part = image;
    part.pixels = PixelAt(image, x, y);
    part.width = Max(0, Min(width, image.width - x));
    part.height = Max(0, Min(height, image.height - y));
    return part;
}

void ClearImage(const PanelImage& image) {
    for (int y = 0; y < image.height; ++y) {
        std::memset(PixelAt(image, 0, y), 0, static_cast<size_t>(image.width) * 4);
    }
}

bool TextCell(const Font& font, int* width, int* height) {
    // A cell's last column and row are the grid's gap, so a cell needs two.
    if (!font.CanPrint() || font.cellWidth < 2 || font.cellHeight < 2 ||
        font.textureHeight < font.cellHeight) {
        return false;
    }
    *width = font.cellWidth - 1;
    *height = font.cellHeight - 1;
    return true;
}

TextLayout ComposeText(const PanelImage& image, const Font& font, const char* text,
                       const PanelColour* tints, int tintCount) {
    TextLayout layout = {};
    int width = 0;
    int height = 0;
    if (text == nullptr || tints == nullptr || tintCount <= 0 || !TextCell(font, &width, &height)) {
        return layout;
    }
    const int fitColumns = image.width / width;
    const int fitLines = Min(image.height / height, kTextLines);
    // The font's layout, once to measure (and clear the box the text takes),
    // once to draw.
    const int lines =
        Min(font.LayOut(text,
                        [&](unsigned char c, int, int column, int line) {
                            if (line >= fitLines || column >= fitColumns) {
                                return;
                            }
                            layout.lineColumns[line] = column + 1;
                            layout.columns = Max(layout.columns, column + 1);
                            if (c == ' ') {
                                return;
                            }
                            int& count = layout.runCount[line];
                            TextRun* runs = layout.runs[line];
                            if (count > 0 && (runs[count - 1].to == column || count == kLineRuns)) {
                                runs[count - 1].to = column + 1;
                            } else {
                                runs[count++] = {column, column + 1};
                            }
                        }),
            fitLines);
    layout.lines = lines;
    ClearImage(SubImage(image, 0, 0, layout.columns * width, layout.lines * height));
    font.LayOut(text, [&](unsigned char, int glyph, int column, int line) {
        if (line < fitLines && column < fitColumns) {
            CopyGlyph(image, column * width, line * height, font, glyph, width, height,
                      tints[Min(line, tintCount - 1)]);
        }
    });
    return layout;
}

void ScaleText(const PanelImage& cells, const TextLayout& layout, int cellWidth, int cellHeight,
               double x, double y, double charWidth, double lineHeight, const PanelImage& target,
               PanelCover* cover) {
    if (layout.columns <= 0 || cellWidth <= 0 || cellHeight <= 0 || !(charWidth > 0.0) ||
        !(lineHeight > 0.0)) {
        return;
    }
    const int sourceWidth = Min(Min(layout.columns * cellWidth, cells.width), kScaleWidth);
    const int sourceHeight = Min(layout.lines * cellHeight, cells.height);
    const int left = Max(0, static_cast<int>(std::floor(x)));
    const int top = Max(0, static_cast<int>(std::floor(y)));
    const int right = Min(Min(target.width, left + kScaleWidth),
                          static_cast<int>(std::ceil(x + layout.columns * charWidth)));
    const int bottom =
        Min(target.height, static_cast<int>(std::ceil(y + layout.lines * lineHeight)));
    // Each column's two texels, as indices into a row with a clear texel
    // either side, so that the loops below need no edge tests.
    const double stepX = cellWidth / charWidth;
    Taps columns[kScaleWidth];
    for (int i = left; i < right; ++i) {
        Taps& taps = columns[i - left];
        taps = TapsAt((i + 0.5 - x) * stepX);
        if (taps.first < -1 || taps.first >= sourceWidth) {
            taps = {-1, 0};
        }
        taps.first += 1;
    }
    // A row between two of the text's rows, weighted in 256ths.
    static const uint8_t kClearRow[kScaleWidth * 4] = {};
    uint16_t mixed[(kScaleWidth + 2) * 4];
    std::memset(mixed, 0, 4 * sizeof mixed[0]);
    std::memset(mixed + (sourceWidth + 1) * 4, 0, 4 * sizeof mixed[0]);
    const double stepY = cellHeight / lineHeight;
    for (int j = top; j < bottom; ++j) {
        const Taps v = TapsAt((j + 0.5 - y) * stepY);
        const uint8_t* upper = kClearRow;
        const uint8_t* lower = kClearRow;
        if (v.first >= 0 && v.first < sourceHeight) {
            upper = PixelAt(cells, 0, v.first);
        }
        if (v.first + 1 >= 0 && v.first + 1 < sourceHeight) {
            lower = PixelAt(cells, 0, v.first + 1);
        }
        for (int k = 0; k < sourceWidth * 4; ++k) {
            mixed[k + 4] = static_cast<uint16_t>(upper[k] * (256 - v.weight) + lower[k] * v.weight);
        }
        uint8_t* out = PixelAt(target, left, j);
        for (int i = left; i < right; ++i, out += 4) {
            const Taps& u = columns[i - left];
            const uint16_t* a = mixed + u.first * 4;
            for (int c = 0; c < 4; ++c) {
                out[c] = static_cast<uint8_t>(
                    (a[c] * (256 - u.weight) + a[c + 4] * u.weight + 32768) >> 16);
            }
        }
    }
    // A gap between words is left out when it spans more than kGapBlocks.
    const double blockRows = std::ceil(lineHeight / kBlock);
    for (int line = 0; line < layout.lines; ++line) {
        const int lineTop = Max(top, static_cast<int>(std::floor(y + line * lineHeight)));
        const int lineBottom =
            Min(bottom, static_cast<int>(std::ceil(y + (line + 1) * lineHeight)));
        const TextRun* runs = layout.runs[line];
        for (int i = 0; i < layout.runCount[line];) {
            int j = i;
            while (j + 1 < layout.runCount[line] &&
                   (runs[j + 1].from - runs[j].to) * charWidth / kBlock * blockRows < kGapBlocks) {
                ++j;
            }
            const int runLeft =
                Max(left, static_cast<int>(std::floor(x + runs[i].from * charWidth)));
            const int runRight =
                Min(right, static_cast<int>(std::ceil(x + runs[j].to * charWidth)));
            AddRect(cover, runLeft, lineTop, runRight - runLeft, lineBottom - lineTop);
            i = j + 1;
        }
    }
}

void ComposeChart(const PanelImage& chart, const IntervalFigures& figures, const ChartLook& look,
                  PanelCover* cover) {
    cover->count = 0;
    const PanelImage image = SubImage(chart, 0, 0, kChartColumns, chart.height);
    if (image.width < 2 || image.height < 2) {
        return;
    }
    const int reference = RowOf(image, look.reference, look.topSeconds);
    const int baseline = image.height - 1;
    const int tick = Min(Max(4, image.width / 40), image.width);
    HorizontalRun(SubImage(image, 0, 0, tick, 1), 0, look.frame);
    HorizontalRun(SubImage(image, 0, baseline, tick, 1), 0, look.frame);
    VerticalRun(image, 0, 0, baseline, look.frame);
    HorizontalRun(image, reference, look.level);

    // The reference line goes with the series, which mostly keeps near it.
    Extents extents;
    for (int x = 0; x < image.width; ++x) {
        extents.low[x] = reference;
        extents.high[x] = reference;
    }
    const int n = RecentCount(figures);
    if (n >= 2) {
        // Slots stand still and the newest interval is always in the last
        // one, so a filling chart grows in from the right.
        const int first = kRecentIntervals - n;
        const int group = Max(look.group, 1);
        const int span = kRecentIntervals - 1;
        Series series(image, look.series, &extents);
        double longest = 0.0;
        bool started = false;
        int x0 = 0;
        int y0 = 0;
        for (int i = 0; i < n; ++i) {
            const double interval = RecentInterval(figures, i);
            longest = interval > longest ? interval : longest;
            const int slot = first + i;
            if ((slot + 1) % group != 0 && i != n - 1) {
                continue;
            }
            const int x = (slot * (image.width - 1) + span / 2) / span;
            const int y = RowOf(image, longest, look.topSeconds);
            if (started) {
                series.Join(x0, y0, x, y);
            } else {
                series.Run(x, y, y);
            }
            started = true;
            x0 = x;
            y0 = y;
            longest = 0.0;
        }
    }

    // The axis with its ticks in one rectangle, which shades few blocks more
    // than the axis alone; the series with the reference line.
    const BlockPhase phase = {((look.left % kBlock) + kBlock) % kBlock,
                              ((look.top % kBlock) + kBlock) % kBlock};
    AddRect(cover, 0, 0, tick, image.height);
    CoverExtents(extents, image.width, phase, kCoverRects - cover->count, cover);
}
