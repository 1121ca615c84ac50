// The cadence panel's parts, each a picture of its own: the strip charts and
// the texts. A text is one row of kPanelTexts: whose it is, where it starts,
// the room it needs and what it says. A text may start columns in from its
// anchor's edge, to share a line with a shorter one. Adding a line to the panel adds a row
// there (one per side for a side's line) and its wording.
#pragma once

#include "demo/panel_layout.h"
#include "demo/panel_words.h"

// The charts come first, the texts being drawn over them.
enum PanelChartPart {
    kPacerChart,  // left, then right
    kSeenChart = kPacerChart + 2,
    kRedrawChart = kSeenChart + 2,
    kDisplayChart,
    kChartCount
};

struct PanelText {
    int anchor;   // a side (0 or 1) or kBottomAnchor: where it sits, and its group
    int line;     // its first line, in the anchor's lines
    int columns;  // the room it needs, in characters and lines (at most kTextLines)
    int lines;
    PanelWords words;
    int column = 0;  // where it starts, in characters from the anchor's edge
};

// In the order they are drawn, the later over the earlier. The side heads
// hold 49 characters, the redraw head 80, the display's line and the
// limit's 106, the labels 7. A side's line takes a row for each side. The
// animation error shares the side head's first line, after the longest
// rule's name, and ends within the window.
inline constexpr PanelText kPanelTexts[] = {
    {0, 0, 49, 2, SideHeadWords},
    {1, 0, 49, 2, SideHeadWords},
    {0, kSeenLine, 49, 1, SeenWords},
    {1, kSeenLine, 49, 1, SeenWords},
    {0, kPacerTopLine, 7, 13, SideScaleWords},
    {1, kPacerTopLine, 7, 13, SideScaleWords},
    {kBottomAnchor, kStatusLine, 80, 2, RedrawWords},
    {kBottomAnchor, kDisplayLine, 106, 1, DisplayWords},
    {kBottomAnchor, kRedrawTopLine, 7, 7, BottomScaleWords},
    {kBottomAnchor, kLimitLine, 106, 3, LimitWords},
    {0, 0, kAnimationColumns, 1, AnimationWords, kAnimationColumn},
    {1, 0, kAnimationColumns, 1, AnimationWords, kAnimationColumn},
};
constexpr int kPanelTextCount = sizeof kPanelTexts / sizeof kPanelTexts[0];
constexpr int kPanelPartCount = kChartCount + kPanelTextCount;
// A part's number for a row of kPanelTexts.
constexpr int TextPart(int row) {
    return kChartCount + row;
}

// In software GL every primitive costs its own setup, a character as much as
// a chart line, and every pixel a quad covers costs its fill, seen or not.
// So the panel's pictures are made on the CPU at the window's own resolution,
// as parts of one texture (its sides powers of two, as GL 1.1 wants), and
// each frame draws just the rectangles that hold what was drawn.
constexpr int kAtlasWidth = 2048;
constexpr int kAtlasHeight = 1024;

struct PanelRegion {
    int x, y, width, height;
};
// Each part's room in the texture: what it must hold in a 1920 x 1080
// panel, with a pixel or two to spare, a transparent texel apart from the
// others so that filtering a stretched panel never reads a neighbour.
const PanelRegion& PartRegion(int part);
