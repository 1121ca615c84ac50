#include "demo/panel_pictures.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "demo/panel_scales.h"

namespace {

PanelImage AtlasImage(const PanelPictures& pictures, const PanelRegion& region) {
    return {pictures.atlas + (static_cast<size_t>(region.y) * kAtlasWidth + region.x) * 4,
            region.width, region.height, kAtlasWidth * 4};
}

// The top-left width x height of a part, and the cleared column and row past
// them, so that no filtering at the edges reads leftovers of a larger picture.
void NoteChanged(PanelPictures& pictures, const PanelRegion& region, int width, int height) {
    if (pictures.changedCount < kPanelPartCount) {
        pictures.changed[pictures.changedCount++] = {region.x, region.y,
                                                     ClampInt(width + 1, 1, region.width),
                                                     ClampInt(height + 1, 1, region.height)};
    }
}

void MakeChart(PanelPictures& pictures, int part, const PanelChart& chart,
               const IntervalFigures& figures, double reference, int group,
               const PanelColour& colour) {
    const PanelSize& size = pictures.size;
    const int left = PixelOf(chart.left, size.width);
    const int top = PixelOf(chart.top, size.height);
    // Both edges get their own column and row.
    const PanelRegion& region = PartRegion(part);
    const int width = ClampInt(PixelOf(chart.right, size.width) - left + 1, 2, region.width);
    const int height = ClampInt(PixelOf(chart.bottom, size.height) - top + 1, 2, region.height);
    const PanelImage room = AtlasImage(pictures, region);
    ClearImage(SubImage(room, 0, 0, width + 1, height + 1));
    const ChartLook look = {left,  top,    chart.topSeconds, reference,
                            group, colour, kFrameColour,     kNominalColour};
    ComposeChart(SubImage(room, 0, 0, width, height), figures, look, &pictures.covers[part]);
    NoteChanged(pictures, region, width, height);
    pictures.partX[part] = left;
    pictures.partY[part] = top;
}

// A text's top-left corner at (x, y) of the window, as Print places it.
// Remade only when it reads differently: most stay the same for seconds.
void MakeText(PanelPictures& pictures, int part, PanelPoint at, const PanelWording& words,
              const Font& font) {
    char* held = pictures.texts[part];
    if (pictures.textFonts[part] == font.pixels && std::strcmp(held, words.text) == 0) {
        return;
    }
    std::snprintf(held, kPanelTextBytes, "%s", words.text);
    pictures.textFonts[part] = font.pixels;
    int cellWidth = 0;
    int cellHeight = 0;
    TextCell(font, &cellWidth, &cellHeight);
    const PanelImage cells = {pictures.cells, kCellsWidth, kCellsHeight, kCellsWidth * 4};
    const TextLayout layout = ComposeText(cells, font, words.text, words.tints, words.tintCount);

    const PanelSize& size = pictures.size;
    const double left = at.x * size.width;
    const double top = at.y * size.height;
    const double charWidth = kPanelCharWidth * size.width;
    const double lineHeight = kPanelLine * size.height;
    pictures.partX[part] = PixelOf(at.x, size.width);
    pictures.partY[part] = PixelOf(at.y, size.height);
    const double offsetX = left - pictures.partX[part];
    const double offsetY = top - pictures.partY[part];
    // Only the previous text's box needs clearing: the rest of the room is.
    const PanelRegion& region = PartRegion(part);
    const PanelImage room = AtlasImage(pictures, region);
    ClearImage(SubImage(room, 0, 0, pictures.boxWidth[part], pictures.boxHeight[part]));
    pictures.covers[part].count = 0;
    ScaleText(cells, layout, cellWidth, cellHeight, offsetX, offsetY, charWidth, lineHeight, room,
              &pictures.covers[part]);
    const double right = std::ceil(offsetX + layout.columns * charWidth);
    const double bottom = std::ceil(offsetY + layout.lines * lineHeight);
    pictures.boxWidth[part] = right < region.width ? static_cast<int>(right) : region.width;
    pictures.boxHeight[part] = bottom < region.height ? static_cast<int>(bottom) : region.height;
    NoteChanged(pictures, region, pictures.boxWidth[part], pictures.boxHeight[part]);
}

}  // namespace

void ResizePictures(PanelPictures& pictures, PanelSize size) {
    pictures.size = size;
    for (const uint8_t*& textFont : pictures.textFonts) {
        textFont = nullptr;
    }
}

void MakeCharts(PanelPictures& pictures, const CadencePanelView& view) {
    const int height = pictures.size.height;
    for (int side = 0; side < 2; ++side) {
        const double nominal = SideNominal(*view.pacers[side]);
        const double top = SideTopSeconds(nominal);
        const IntervalFigures& pacer = side == 0 ? view.cadence->left : view.cadence->right;
        MakeChart(pictures, kPacerChart + side, SideChart(side, false, top, height), pacer, nominal,
                  1, kSideColours[side]);
        MakeChart(pictures, kSeenChart + side, SideChart(side, true, top, height),
                  view.display->seen[side], nominal, 1, kSideColours[side]);
    }
    const IntervalFigures& redraw = view.cadence->redraw;
    MakeChart(pictures, kRedrawChart, BottomChart(kRedrawTopLine, RedrawTopSeconds(redraw), height),
              redraw, redraw.mean, kRedrawGroup, kRedrawColour);
    const double reference = DisplayReference(*view.display);
    MakeChart(pictures, kDisplayChart,
              BottomChart(kDisplayTopLine, DisplayTopSeconds(reference), height),
              view.display->display, reference, 1, kDisplayColour);
}

void MakeTexts(PanelPictures& pictures, int group, const CadencePanelView& view, const Font& font) {
    int cellWidth = 0;
    int cellHeight = 0;
    const bool prints = TextCell(font, &cellWidth, &cellHeight);
    PanelWording words;
    for (int row = 0; row < kPanelTextCount; ++row) {
        const PanelText& text = kPanelTexts[row];
        if (text.anchor != group) {
            continue;
        }
        const int part = TextPart(row);
        if (!prints) {
            pictures.covers[part].count = 0;
            pictures.textFonts[part] = nullptr;
            continue;
        }
        text.words(view, text.anchor, words);
        PanelPoint at = PanelTextAt(text.anchor, text.line, pictures.size.height);
        at.x += static_cast<float>(text.column) * kPanelCharWidth;
        MakeText(pictures, part, at, words, font);
    }
}

void PlaceQuads(PanelPictures& pictures) {
    pictures.quadCount = 0;
    for (int part = 0; part < kPanelPartCount; ++part) {
        if (part == kChartCount) {
            pictures.textQuadsFrom = pictures.quadCount;
        }
        const PanelRegion& region = PartRegion(part);
        const PanelCover& cover = pictures.covers[part];
        for (int i = 0; i < cover.count; ++i) {
            const PanelRect& r = cover.rects[i];
            const float x = static_cast<float>(pictures.partX[part] + r.x);
            const float y = static_cast<float>(pictures.partY[part] + r.y);
            const float s = static_cast<float>(region.x + r.x);
            const float t = static_cast<float>(region.y + r.y);
            const float w = static_cast<float>(r.width);
            const float h = static_cast<float>(r.height);
            pictures.quads[pictures.quadCount++] = {s / kAtlasWidth, (s + w) / kAtlasWidth,
                                                    t / kAtlasHeight, (t + h) / kAtlasHeight,
                                                    x, x + w, y, y + h};
        }
    }
}
