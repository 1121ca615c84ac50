// The panel's GL side: the texture that holds its pictures, the parts of it
// sent as they change, and the quads drawn from it, texel for pixel with
// GL_NEAREST and GL_REPLACE, the cheapest fill there is.
#include "demo/cadence_panel.h"

#include <cmath>
#include <cstring>

#include <GL/gl.h>

#include "demo/panel_pictures.h"
#include "demo/panel_schedule.h"

namespace {

// The texture's CPU copy, where the pictures are made, and the scratch
// where text is laid out first.
uint8_t atlasPixels[kAtlasWidth * kAtlasHeight * 4];
uint8_t cellPixels[kCellsWidth * kCellsHeight * 4];

struct PanelState {
    bool open;
    GLuint texture;
    int windowWidth;  // 0 until the first draw in this context
    int windowHeight;
    PanelSchedule schedule;
    PanelPictures pictures;
};

PanelState panel;

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
// CPU copy; afterwards, the parts that changed sent and the quads placed.
void BeginWork() {
    PushUnpacking(kAtlasWidth);
    glBindTexture(GL_TEXTURE_2D, panel.texture);
    // Texel for pixel, unless the window outgrew the panel.
    const PanelSize& size = panel.pictures.size;
    const bool stretched = size.width != panel.windowWidth || size.height != panel.windowHeight;
    const GLint filter = stretched ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
}

void EndWork() {
    PanelPictures& pictures = panel.pictures;
    for (int i = 0; i < pictures.changedCount; ++i) {
        const PanelRegion& r = pictures.changed[i];
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.x, r.y, r.width, r.height, GL_RGBA, GL_UNSIGNED_BYTE,
                        atlasPixels + (static_cast<size_t>(r.y) * kAtlasWidth + r.x) * 4);
    }
    pictures.changedCount = 0;
    PlaceQuads(pictures);
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
    SavedState saved = {GL_ONE,   GL_ZERO,  GL_MODULATE, font.CanPrint(),
                        GL_FALSE, GL_FALSE, GL_FALSE,    0};
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

// Remakes the pictures that are due, and leaves the texture bound.
void Refresh(const CadencePanelView& view, const Font& font) {
    GLint viewport[4] = {0, 0, 1, 1};
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int windowWidth = viewport[2] > 0 ? viewport[2] : 1;
    const int windowHeight = viewport[3] > 0 ? viewport[3] : 1;
    const bool resized = windowWidth != panel.windowWidth || windowHeight != panel.windowHeight;
    const PanelDue due =
        NextPanelWork(panel.schedule, view.seconds, view.cadence->redraw.count, resized);
    PanelPictures& pictures = panel.pictures;
    if (due.work == PanelWork::kNothing) {
        glBindTexture(GL_TEXTURE_2D, panel.texture);
        return;
    }
    if (resized) {
        panel.windowWidth = windowWidth;
        panel.windowHeight = windowHeight;
        ResizePictures(pictures, PanelSizeOf(windowWidth, windowHeight));
    }
    BeginWork();
    if (due.work != PanelWork::kTextGroup) {
        MakeCharts(pictures, view);
    }
    if (due.work == PanelWork::kEverything) {
        for (int group = 0; group < kAnchorCount; ++group) {
            MakeTexts(pictures, group, view, font);
        }
    } else if (due.work == PanelWork::kTextGroup) {
        MakeTexts(pictures, due.group, view, font);
    }
    EndWork();
}

// An orthographic view of the panel's pixels, y down, both matrices pushed;
// texels replace what is under them.
void SetUpState() {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, panel.pictures.size.width, panel.pictures.size.height, 0.0, -1.0, 1.0);
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
    const PanelPictures& pictures = panel.pictures;
    for (int pass = 0; pass < 2; ++pass) {
        pass == 0 ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
        glBegin(GL_QUADS);
        const int end = pass == 0 ? pictures.textQuadsFrom : pictures.quadCount;
        for (int i = pass == 0 ? 0 : pictures.textQuadsFrom; i < end; ++i) {
            DrawQuad(pictures.quads[i]);
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
    glBlendFunc(static_cast<GLenum>(saved.blendSource),
                static_cast<GLenum>(saved.blendDestination));
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
    panel.pictures.atlas = atlasPixels;
    panel.pictures.cells = cellPixels;
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
    CadencePanelLoad load = {panel.open ? panel.pictures.quadCount : 0, 0};
    for (int i = 0; i < load.rectangles; ++i) {
        const GlyphQuad& q = panel.pictures.quads[i];
        load.pixels += std::lround((q.x1 - q.x0) * (q.y1 - q.y0));
    }
    return load;
}

void DrawCadencePanel(const CadencePanelView& view, Font& font) {
    if (!panel.open || view.cadence == nullptr || view.display == nullptr ||
        view.pacers[0] == nullptr || view.pacers[1] == nullptr) {
        return;
    }
    // As the header says: both matrices, the blend function, the texture
    // environment and the unpacking state go back; texturing, depth test,
    // blending and the binding end as Print leaves them, the panel being
    // text as the overlay is, or as found when the font cannot print.
    const SavedState saved = SaveState(font);
    glEnable(GL_TEXTURE_2D);
    Refresh(view, font);
    SetUpState();
    DrawQuads();
    RestoreState(saved, font);
}
