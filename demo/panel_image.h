// The cadence panel's pictures, made on the CPU: text from the font's glyph
// picture and strip charts, as RGBA that the panel hands to GL as one texture
// a few times a second, with the few rectangles that hold what was drawn. No
// GL in here, so the pictures can be checked pixel by pixel without a context.
#pragma once

#include <cstdint>

#include "gfx/font.h"
#include "pacing/figures.h"

struct PanelColour {
    uint8_t r, g, b;
};

// Part of a buffer of RGBA pixels, premultiplied by alpha (drawn with
// GL_ONE, GL_ONE_MINUS_SRC_ALPHA), top row first.
struct PanelImage {
    uint8_t* pixels;  // the top-left pixel
    int width;
    int height;
    int stride;  // bytes from one row to the next
};

// The part of image from (x, y) on, at most width x height.
PanelImage SubImage(const PanelImage& image, int x, int y, int width, int height);
void ClearImage(const PanelImage& image);

struct PanelRect {
    int x, y, width, height;
};

// Rectangles that between them hold every pixel a picture has drawn, and as
// little else as is worth it: software GL shades what a quad covers in blocks
// of 4 x 4 pixels, and sets up each quad, at a cost either way; what lies
// outside costs nothing.
constexpr int kCoverRects = 96;
struct PanelCover {
    int count;
    PanelRect rects[kCoverRects];
};

// The pixels one character takes in the glyph picture: the part of a cell
// Font::Print samples, one column and one row short of the cell. False when
// the font has no glyph picture to copy from.
bool TextCell(const Font& font, int* width, int* height);

constexpr int kTextLines = 16;
constexpr int kLineRuns = 8;
// Columns [from, to) of a line that hold no space.
struct TextRun {
    int from, to;
};
struct TextLayout {
    int columns;  // of the longest line
    int lines;
    int lineColumns[kTextLines];
    // Each line's words, the last run taking in the rest when there are more.
    int runCount[kTextLines];
    TextRun runs[kTextLines][kLineRuns];
};

// Lays text out by the font's own layout (Font::LayOut, as Print draws it),
// at the glyph picture's own size, one TextCell a character from the
// top-left corner, and copies the glyphs Print would choose. Line i is tinted tints[i], the last
// tint going on for the lines after it. Each character's cell is opaque, black where the glyph is
// not, as Print draws with blending off. The box the text takes is cleared
// first, and what does not fit in image (or past kTextLines) is cut. Nothing
// without a glyph picture.
TextLayout ComposeText(const PanelImage& image, const Font& font, const char* text,
                       const PanelColour* tints, int tintCount);

// Shrinks or stretches text made by ComposeText (cells of cellWidth x
// cellHeight) onto target, its top-left corner at (x, y) in target pixels and
// every character charWidth x lineHeight pixels, filtering as GL_LINEAR does
// Print's quads, so that it reads just as Print's text at that size. Writes
// the whole box the text takes (up to 2048 pixels across), clear where it is
// clear, and nothing outside it. Adds to cover a rectangle for each line's
// words, apart where the gap between them is wide enough to be worth a quad
// of its own, so the scene shows between them.
void ScaleText(const PanelImage& cells, const TextLayout& layout, int cellWidth, int cellHeight,
               double x, double y, double charWidth, double lineHeight, const PanelImage& target,
               PanelCover* cover);

struct ChartLook {
    int left, top;      // where the image lies on the window: its cover keeps to blocks
    double topSeconds;  // the interval the top row stands for
    double reference;   // an interval marked by a line across
    int group;          // intervals per point: each point the longest of them
    PanelColour series;
    PanelColour frame;  // the axis and its ticks
    PanelColour level;  // the reference line
};

// A strip chart filling image: the axis with ticks at its top and bottom
// (the whole top edge and baseline would cost a row of blocks each, every
// frame, for what the ticks and their labels say), the reference line, and
// the kept intervals oldest first, the newest in the right-hand column,
// consecutive points joined by vertical runs so that a single long interval
// shows as a spike. Intervals past the top are pinned to the top row. At most 2048
// columns wide. Draws over what is there: clear first. Sets cover to what it
// drew.
void ComposeChart(const PanelImage& image, const IntervalFigures& figures, const ChartLook& look,
                  PanelCover* cover);
