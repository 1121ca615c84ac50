// What the cadence panel's texts say, and in which colours, from what it is
// shown. No GL and no font: each text is a string with a tint a line.
#pragma once

#include <cstddef>

#include "demo/cadence_panel.h"
#include "demo/panel_image.h"

constexpr PanelColour kSideColours[2] = {{102, 255, 102}, {102, 204, 255}};
constexpr PanelColour kRedrawColour = {255, 153, 51};
constexpr PanelColour kDisplayColour = {204, 153, 255};
constexpr PanelColour kNominalColour = {255, 255, 51};
constexpr PanelColour kFrameColour = {128, 128, 128};
constexpr PanelColour kStatusColour = {217, 217, 217};

constexpr int kPanelTextBytes = 256;
constexpr int kPanelTints = 4;
struct PanelWording {
    char text[kPanelTextBytes];
    // Line i is tinted tints[i], the last tint going on for the lines after it.
    PanelColour tints[kPanelTints];
    int tintCount;
};

// One text's wording; side is 0 or 1 for a side's text, kBottomAnchor for the
// bottom strips'.
using PanelWords = void (*)(const CadencePanelView& view, int side, PanelWording& out);

// A side's rule's name over its pacer's figures.
void SideHeadWords(const CadencePanelView& view, int side, PanelWording& out);
// The intervals at which the display showed a side's new poses.
void SeenWords(const CadencePanelView& view, int side, PanelWording& out);
// Beside a side's two strips: each one's top, nominal line and baseline.
void SideScaleWords(const CadencePanelView& view, int side, PanelWording& out);
// The status line over the redraws' figures.
void RedrawWords(const CadencePanelView& view, int side, PanelWording& out);
// Where display times come from, the refresh rate and the display's figures.
void DisplayWords(const CadencePanelView& view, int side, PanelWording& out);
// Beside the redraw and display strips: their tops, reference and baselines.
void BottomScaleWords(const CadencePanelView& view, int side, PanelWording& out);
// A side's animation error: how far its poses moved against how far the
// display moved between showing them. It shares the head's first line:
// it starts kAnimationColumn in (two past the longest rule's name) and holds
// kAnimationColumns characters.
constexpr int kAnimationColumn = 16;
constexpr int kAnimationColumns = 31;
void AnimationWords(const CadencePanelView& view, int side, PanelWording& out);
// The frame limit, what its waits cost and the latencies to the screen.
void LimitWords(const CadencePanelView& view, int side, PanelWording& out);
