// Our request records turned into the records the Windows API takes.
//
// PixelFormatRequest is laid out byte for byte like PIXELFORMATDESCRIPTOR,
// so it is copied whole. DisplayModeRequest holds only the DEVMODEA fields
// the host fills; the rest of the record stays zero.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/platform.h"

#define TEMPOLA_SAME_FIELD(field)                                                                  \
    static_assert(offsetof(PixelFormatRequest, field) == offsetof(PIXELFORMATDESCRIPTOR, field) && \
                      sizeof(PixelFormatRequest::field) == sizeof(PIXELFORMATDESCRIPTOR::field),   \
                  "pixel-format field " #field " is out of place")
static_assert(sizeof(PixelFormatRequest) == sizeof(PIXELFORMATDESCRIPTOR),
              "pixel-format request and descriptor differ in size");
TEMPOLA_SAME_FIELD(nSize);
TEMPOLA_SAME_FIELD(nVersion);
TEMPOLA_SAME_FIELD(dwFlags);
TEMPOLA_SAME_FIELD(iPixelType);
TEMPOLA_SAME_FIELD(cColorBits);
TEMPOLA_SAME_FIELD(cAlphaShift);
TEMPOLA_SAME_FIELD(cAccumAlphaBits);
TEMPOLA_SAME_FIELD(cDepthBits);
TEMPOLA_SAME_FIELD(cStencilBits);
TEMPOLA_SAME_FIELD(iLayerType);
TEMPOLA_SAME_FIELD(bReserved);
TEMPOLA_SAME_FIELD(dwLayerMask);
TEMPOLA_SAME_FIELD(dwVisibleMask);
TEMPOLA_SAME_FIELD(dwDamageMask);
#undef TEMPOLA_SAME_FIELD

static_assert(kPfdDrawToWindow == PFD_DRAW_TO_WINDOW && kPfdSupportOpenGL == PFD_SUPPORT_OPENGL &&
                  kPfdDoubleBuffer == PFD_DOUBLEBUFFER && kPfdTypeRgba == PFD_TYPE_RGBA &&
                  kPfdMainPlane == PFD_MAIN_PLANE,
              "pixel-format constants differ from the system's");
static_assert(kDmBitsPerPel == DM_BITSPERPEL && kDmPelsWidth == DM_PELSWIDTH &&
                  kDmPelsHeight == DM_PELSHEIGHT,
              "display-mode field flags differ from the system's");
static_assert(kMsgCreate == WM_CREATE && kMsgDestroy == WM_DESTROY && kMsgSize == WM_SIZE &&
                  kMsgClose == WM_CLOSE && kMsgQuit == WM_QUIT && kMsgKeyDown == WM_KEYDOWN &&
                  kMsgTimer == WM_TIMER && kKeyEscape == VK_ESCAPE,
              "message identifiers differ from the system's");

// The classic display-mode record ends before the panning fields that newer
// headers add; a dmSize of 148 tells the system so.
constexpr size_t kClassicDevModeSize = 148;
static_assert(offsetof(DEVMODEA, dmPanningWidth) == kClassicDevModeSize,
              "DEVMODEA lost its classic layout");

inline PIXELFORMATDESCRIPTOR ToPixelFormatDescriptor(const PixelFormatRequest& request) {
    PIXELFORMATDESCRIPTOR descriptor;
    std::memcpy(&descriptor, &request, sizeof descriptor);
    return descriptor;
}

// False when the request claims a record size the system would read past
// our DEVMODEA with, or one too short to hold the fields we fill.
inline bool ToDevMode(const DisplayModeRequest& request, DEVMODEA* mode) {
    if (request.size < offsetof(DEVMODEA, dmPelsHeight) + sizeof(mode->dmPelsHeight) ||
        request.size > sizeof(DEVMODEA)) {
        return false;
    }
    std::memset(mode, 0, sizeof *mode);
    mode->dmSize = static_cast<WORD>(request.size);
    mode->dmFields = request.fields;
    mode->dmBitsPerPel = request.bitsPerPel;
    mode->dmPelsWidth = request.pelsWidth;
    mode->dmPelsHeight = request.pelsHeight;
    return true;
}
