// The host's pixel-format and display-mode requests as the Windows API gets
// them: the host runs against the scripted platform, which records what it
// asked for, and the records go through the same conversion as the backend.
#include <cstring>

#include "host/host_internal.h"
#include "platform/headless_platform.h"
#include "platform/win32_requests.h"
#include "tests/win32/check.h"

namespace {

struct Requests {
    DEVMODEA mode;
    PIXELFORMATDESCRIPTOR format;
};

// One window's worth of requests: the mode switch of the create event,
// then the pixel format.
Requests Build(uint8_t bitsPerPixel, bool freshProcess) {
    if (freshProcess) {
        ResetHostState();
    }
    headless::Reset();
    displaySettings = {1, 640, 480, bitsPerPixel};
    clientWidth = 640;
    clientHeight = 480;
    EnterFullscreen();
    SetupPixelFormat(PlatGetSurface(nullptr));
    const headless::Record& record = headless::GetRecord();
    Requests out = {};
    CHECK(record.displayModes.size() == 1 && record.pixelFormats.size() == 1);
    if (!record.displayModes.empty()) {
        CHECK(ToDevMode(record.displayModes[0], &out.mode));
    }
    if (!record.pixelFormats.empty()) {
        out.format = ToPixelFormatDescriptor(record.pixelFormats[0]);
    }
    return out;
}

void CheckDescriptor(const PIXELFORMATDESCRIPTOR& f, int bits) {
    CHECK(f.nSize == 40 && f.nVersion == 1);
    CHECK(f.dwFlags == (PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER));
    CHECK(f.dwFlags == 0x25);
    CHECK(f.iPixelType == PFD_TYPE_RGBA && f.iLayerType == PFD_MAIN_PLANE);
    CHECK(f.cColorBits == bits && f.cDepthBits == bits);
    const int others = f.cRedBits + f.cRedShift + f.cGreenBits + f.cGreenShift + f.cBlueBits +
                       f.cBlueShift + f.cAlphaBits + f.cAlphaShift + f.cAccumBits +
                       f.cAccumRedBits + f.cAccumGreenBits + f.cAccumBlueBits +
                       f.cAccumAlphaBits + f.cStencilBits + f.cAuxBuffers + f.bReserved;
    CHECK(others == 0);
    CHECK(f.dwLayerMask == 0 && f.dwVisibleMask == 0 && f.dwDamageMask == 0);
}

void CheckMode(const DEVMODEA& mode, DWORD fields, DWORD bits) {
    CHECK(mode.dmSize == 148);
    CHECK(mode.dmFields == fields);
    CHECK(mode.dmBitsPerPel == bits);
    CHECK(mode.dmPelsWidth == 640 && mode.dmPelsHeight == 480);
    // Everything else is zero: the same record with the five fields cleared.
    DEVMODEA rest = mode;
    rest.dmSize = 0;
    rest.dmFields = 0;
    rest.dmBitsPerPel = 0;
    rest.dmPelsWidth = 0;
    rest.dmPelsHeight = 0;
    DEVMODEA zero;
    std::memset(&zero, 0, sizeof zero);
    CHECK(std::memcmp(&rest, &zero, sizeof zero) == 0);
}

void DepthGiven() {
    const Requests r = Build(32, true);
    CheckMode(r.mode, DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT, 32);
    CHECK(r.mode.dmFields == 0x1C0000);
    CheckDescriptor(r.format, 32);
}

void DepthUnknown() {
    const Requests r = Build(0, true);
    CheckMode(r.mode, DM_PELSWIDTH | DM_PELSHEIGHT, 0);
    CHECK(r.mode.dmFields == 0x180000);
    CheckDescriptor(r.format, 0);
}

void SecondWindowReusesTheFirstDescriptor() {
    Build(32, true);
    // A second window on a desktop whose depth changed in between.
    const Requests second = Build(16, false);
    CheckDescriptor(second.format, 32);
    CheckMode(second.mode, DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT, 16);
}

void RecordSizesTheSystemCannotTake() {
    DEVMODEA mode;
    DisplayModeRequest request = {148, DM_PELSWIDTH | DM_PELSHEIGHT, 0, 640, 480};
    CHECK(ToDevMode(request, &mode));
    request.size = sizeof(DEVMODEA) + 1;  // the system would read past our record
    CHECK(!ToDevMode(request, &mode));
    request.size = 0;
    CHECK(!ToDevMode(request, &mode));
}

}  // namespace

int main() {
    DepthGiven();
    DepthUnknown();
    SecondWindowReusesTheFirstDescriptor();
    RecordSizesTheSystemCannotTake();
    return check::Summary("requests");
}
