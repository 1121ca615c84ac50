#include "demo/panel_parts.h"

namespace {

// A chart's room is its share of the window's width and its lines of text in
// height; a text's, its characters and lines.
struct PartRoom {
    float width;
    int lines;
};

constexpr PartRoom RoomOf(int part) {
    if (part < kRedrawChart) {
        return {kSideWidth - kSideLabelWidth, kStripLines};
    }
    if (part < kChartCount) {
        return {kBottomRight - kBottomX - kBottomLabelWidth, kBottomStripLines};
    }
    const PanelText& text = kPanelTexts[part - kChartCount];
    return {text.columns * kPanelCharWidth, text.lines};
}

constexpr int CeilPixels(float share, int size) {
    const float pixels = share * static_cast<float>(size);
    const int whole = static_cast<int>(pixels);
    return whole < pixels ? whole + 1 : whole;
}

struct Regions {
    PanelRegion part[kPanelPartCount];
    bool fit;
};

// On shelves, the tallest parts first.
constexpr Regions PackRegions() {
    Regions out = {};
    int order[kPanelPartCount] = {};
    for (int i = 0; i < kPanelPartCount; ++i) {
        const PartRoom room = RoomOf(i);
        out.part[i] = {0, 0, CeilPixels(room.width, kPanelMaxWidth) + 2,
                       CeilPixels(room.lines * kPanelLine, kPanelMaxHeight) + 2};
        order[i] = i;
    }
    for (int i = 0; i < kPanelPartCount; ++i) {
        for (int j = i + 1; j < kPanelPartCount; ++j) {
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
        PanelRegion& r = out.part[i];
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

constexpr bool LinesFit() {
    for (const PanelText& text : kPanelTexts) {
        if (text.lines > kTextLines) {
            return false;
        }
    }
    return true;
}
static_assert(LinesFit(), "no text has more lines than a picture of text holds");

}  // namespace

const PanelRegion& PartRegion(int part) {
    return kPacked.part[part];
}
