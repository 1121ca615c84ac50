#include "demo/panel_layout.h"

#include <cmath>

namespace {

float Snapped(float textY, int panelHeight) {
    const float rows = textY * static_cast<float>(panelHeight);
    return std::round(rows / 4.0f) * 4.0f / static_cast<float>(panelHeight);
}

float LineMiddle(float textY, int line) {
    return textY + (static_cast<float>(line) + 0.5f) * kPanelLine;
}

}  // namespace

PanelSize PanelSizeOf(int windowWidth, int windowHeight) {
    return {windowWidth < kPanelMaxWidth ? windowWidth : kPanelMaxWidth,
            windowHeight < kPanelMaxHeight ? windowHeight : kPanelMaxHeight};
}

PanelPoint PanelTextAt(int anchor, int line, int panelHeight) {
    const bool side = anchor < kBottomAnchor;
    const float y = Snapped(side ? kSideTextY : kBottomTextY, panelHeight);
    return {side ? kSideX[anchor] : kBottomX, y + line * kPanelLine};
}

PanelChart SideChart(int side, bool seen, double topSeconds, int panelHeight) {
    const float x = kSideX[side];
    const float y = Snapped(kSideTextY, panelHeight);
    const int top = seen ? kSeenTopLine : kPacerTopLine;
    return {x + kSideLabelWidth, x + kSideWidth, LineMiddle(y, top),
            LineMiddle(y, top + kStripLines), topSeconds};
}

PanelChart BottomChart(int topLine, double topSeconds, int panelHeight) {
    const float y = Snapped(kBottomTextY, panelHeight);
    return {kBottomX + kBottomLabelWidth, kBottomRight, LineMiddle(y, topLine),
            LineMiddle(y, topLine + kBottomStripLines), topSeconds};
}

int PixelOf(double fraction, int size) {
    return static_cast<int>(std::floor(fraction * size + 1e-3));
}

int ClampInt(int value, int low, int high) {
    return value < low ? low : value > high ? high : value;
}
