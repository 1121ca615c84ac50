// Display mode, pixel format and viewport.
#include "host/host_internal.h"

namespace {

// Built once per run: a second window reuses the first one's request even if
// the colour depth changed in between.
PixelFormatRequest BaseRequest() {
    PixelFormatRequest request = {};
    request.nSize = sizeof(PixelFormatRequest);
    request.nVersion = 1;
    request.dwFlags = kPfdDrawToWindow | kPfdSupportOpenGL | kPfdDoubleBuffer;
    request.iPixelType = kPfdTypeRgba;
    return request;
}

PixelFormatRequest pixelFormat = BaseRequest();
bool pixelFormatBuilt = false;

}  // namespace

bool EnterFullscreen() {
    DisplayModeRequest request = {};
    request.size = 148;
    request.pelsWidth = static_cast<uint32_t>(clientWidth);
    request.pelsHeight = static_cast<uint32_t>(clientHeight);
    if (displaySettings.bitsPerPixel != 0) {
        request.bitsPerPel = displaySettings.bitsPerPixel;
        request.fields = kDmBitsPerPel | kDmPelsWidth | kDmPelsHeight;
    } else {
        request.fields = kDmPelsWidth | kDmPelsHeight;
    }
    return PlatChangeDisplayMode(&request);
}

void LeaveFullscreen() {
    PlatChangeDisplayMode(nullptr);
}

void SetupPixelFormat(PlatSurface* surface) {
    if (!pixelFormatBuilt) {
        pixelFormatBuilt = true;
        // Everything after the colour bits is already zero but the depth
        // buffer, which asks for as many bits as the colour depth.
        pixelFormat.cColorBits = displaySettings.bitsPerPixel;
        pixelFormat.cDepthBits = displaySettings.bitsPerPixel;
    }
    const int index = PlatChoosePixelFormat(surface, pixelFormat);
    DebugPrint("PixelFormat Selected: %d\nBPP: %d\n", index, PlatSurfaceBitsPerPixel(surface));
    PlatSetPixelFormat(surface, index, pixelFormat);
}

void ResizeViewport(int32_t width, int32_t height) {
    PlatSetViewport(0, 0, width, height == 0 ? 1 : height);
}

void ResetPixelFormatState() {
    pixelFormatBuilt = false;
    pixelFormat = BaseRequest();
}
