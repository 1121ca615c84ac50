// Where the cadence panel's parts lie on the window, in fractions of it from
// its top-left corner, and in the panel's pixels. No GL: the same numbers
// place the pictures and check them.
#pragma once

// Text at the overlay's own size, as Print draws it at a scale of (1, 1.25):
// a character is kPanelCharWidth of the window wide and kPanelLine high, and
// lines follow each other kPanelLine apart. The tick labels ride on that: a
// chart's edges sit on the middles of chosen lines of the text beside it.
constexpr float kPanelCharWidth = 0.01f;
constexpr float kPanelLine = 0.025f;

// The panel is made at the window's own resolution up to this size; a
// larger window gets that panel stretched.
constexpr int kPanelMaxWidth = 1920;
constexpr int kPanelMaxHeight = 1080;
struct PanelSize {
    int width, height;
};
PanelSize PanelSizeOf(int windowWidth, int windowHeight);

// Side texts: the band under the header lines, well above the rate lines at
// the bottom. Each side's text holds the rule's name and the pacer's figures
// (lines 0 and 1), then the seen figures (line 8). The pacer strip runs from
// line 2 to line 7, the seen strip under it, on the same scale, from line 9
// to line 14, so that the two read against each other at a glance, the
// nominal line on lines 5 and 12, where the labels go with those of the edges.
constexpr float kSideTextY = 0.095f;
constexpr float kSideX[2] = {0.03f, 0.53f};
constexpr float kSideLabelWidth = 0.055f;
constexpr float kSideWidth = 0.44f;
constexpr int kPacerTopLine = 2;
constexpr int kSeenLine = 8;
constexpr int kSeenTopLine = 9;
constexpr int kStripLines = 5;

// Bottom strips: full width, ending above 0.81, where the scene names a
// side's rule when it is not the usual one. The redraw strip (lines 1 to 3
// of the bottom text, whose line 0 holds its figures and line -1 the status
// line) has a point for the longest of every kRedrawGroup redraws, which
// keeps every hitch and a calm line in a strip this thin. The display's
// strip (lines 5 to 7, its source and figures on line 4) has its reference
// on line 6. The frame limit's three lines end a line above the status line.
constexpr float kBottomTextY = 0.615f;
constexpr float kBottomX = 0.03f;
constexpr float kBottomLabelWidth = 0.055f;
constexpr float kBottomRight = 0.97f;
constexpr int kStatusLine = -1;
constexpr int kRedrawTopLine = 1;
constexpr int kDisplayLine = 4;
constexpr int kDisplayTopLine = 5;
constexpr int kBottomStripLines = 2;
constexpr int kRedrawGroup = 4;
constexpr int kLimitLine = -5;

// Whose text a line belongs to: a side's (0 left, 1 right) or the bottom
// strips'. Each is also a group of texts remade together.
constexpr int kBottomAnchor = 2;
constexpr int kAnchorCount = 3;

struct PanelPoint {
    float x, y;
};
// The top-left corner of an anchor's line, for a panel height in pixels.
// A text's top moves onto the nearest row of the window's 4 x 4 blocks, the
// charts beside it going along: with the lines 12 pixels apart (as in a
// 480-line window) every line then shades three rows of blocks, not four.
PanelPoint PanelTextAt(int anchor, int line, int panelHeight);

// One strip chart, in fractions of the window, and the interval its top
// edge stands for.
struct PanelChart {
    float left, right, top, bottom;
    double topSeconds;
};
PanelChart SideChart(int side, bool seen, double topSeconds, int panelHeight);
PanelChart BottomChart(int topLine, double topSeconds, int panelHeight);

// The pixel a fraction of the window falls in; one that falls on a pixel's
// edge, give or take rounding, starts that pixel.
int PixelOf(double fraction, int size);
int ClampInt(int value, int low, int high);
