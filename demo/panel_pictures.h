// The cadence panel's pictures in the CPU copy of its texture: each part
// made in its region, the rectangles that hold what it drew, the quads that
// put those on the panel, and the parts of the copy that changed and must
// go to GL. No GL in here.
#pragma once

#include <cstdint>

#include "demo/panel_parts.h"
#include "gfx/font.h"

// Text is first laid out here at the glyph picture's own size.
constexpr int kCellsWidth = 1024;
constexpr int kCellsHeight = 256;

constexpr int kPanelMaxQuads = kPanelPartCount * kCoverRects;

struct PanelPictures {
    // Owned by the caller: kAtlasWidth x kAtlasHeight RGBA, the texture's
    // copy, cleared before first use; and kCellsWidth x kCellsHeight RGBA.
    uint8_t* atlas;
    uint8_t* cells;
    PanelSize size;
    // Where each part's top-left pixel goes on the panel, and what it drew.
    int partX[kPanelPartCount];
    int partY[kPanelPartCount];
    PanelCover covers[kPanelPartCount];
    // The box each text's pixels keep to.
    int boxWidth[kPanelPartCount];
    int boxHeight[kPanelPartCount];
    // What each text shows, and the glyph picture it came from.
    char texts[kPanelPartCount][kPanelTextBytes];
    const uint8_t* textFonts[kPanelPartCount];
    // Rectangles of the copy made anew since they were last taken.
    PanelRegion changed[kPanelPartCount];
    int changedCount;
    int quadCount;
    int textQuadsFrom;
    // On the panel in its pixels, y down.
    GlyphQuad quads[kPanelMaxQuads];
};

// A panel of another size: every text is made anew.
void ResizePictures(PanelPictures& pictures, PanelSize size);
void MakeCharts(PanelPictures& pictures, const CadencePanelView& view);
// One group of texts (the kPanelTexts of that anchor). Those whose words did
// not change since they were made stay as they are. Without a glyph picture
// in font, the group shows nothing.
void MakeTexts(PanelPictures& pictures, int group, const CadencePanelView& view, const Font& font);
// The quads of every part's cover, the charts first and the texts over them.
void PlaceQuads(PanelPictures& pictures);
