// The host's pixel-format and display-mode requests as the Windows API gets
// them: the host runs against the scripted platform, which records what it
// asked for, and the records go through the same conversion as the backend.
#include <cstring>

#include "host/host_internal.h"
#include "platform/headless_platform.h"
#include "platform/win32_requests.h"
#include "tests/win32/check.h"

namespace {

// One window's worth of requests, the mode switch of the create event then
// the pixel format, checked against the records the system should get.
void CheckWindow(uint8_t desktopBits, bool freshProcess, DWORD fields, BYTE descriptorBits) {
    if (freshProcess) {
        ResetHostState();
    }
    headless::Reset();
    displaySettings = {1, 640, 480, desktopBits};
    clientWidth = 640;
    clientHeight = 480;
    EnterFullscreen();
    SetupPixelFormat(PlatGetSurface(nullptr));
    const headless::Record& record = headless::GetRecord();
    CHECK(record.displayModes.size() == 1);
    CHECK(record.pixelFormats.size() == 1);
    if (record.displayModes.size() != 1 || record.pixelFormats.size() != 1) {
        return;
    }
    DEVMODEA mode;
    CHECK(ToDevMode(record.displayModes[0], &mode));
    DEVMODEA wantMode;
    std::memset(&wantMode, 0, sizeof wantMode);
    wantMode.dmSize = 148;
    wantMode.dmFields = fields;
    wantMode.dmBitsPerPel = desktopBits;
    wantMode.dmPelsWidth = 640;
    wantMode.dmPelsHeight = 480;
    CHECK(std::memcmp(&mode, &wantMode, sizeof mode) == 0);

    const PIXELFORMATDESCRIPTOR format = ToPixelFormatDescriptor(record.pixelFormats[0]);
    PIXELFORMATDESCRIPTOR wantFormat;
    std::memset(&wantFormat, 0, sizeof wantFormat);
    wantFormat.nSize = 40;
    wantFormat.nVersion = 1;
    wantFormat.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    wantFormat.iPixelType = PFD_TYPE_RGBA;
    wantFormat.iLayerType = PFD_MAIN_PLANE;
    wantFormat.cColorBits = wantFormat.cDepthBits = descriptorBits;
    CHECK(std::memcmp(&format, &wantFormat, sizeof format) == 0);
}

}  // namespace

int main() {
    CheckWindow(0, true, 0x180000, 0);  // a desktop of unknown depth: no depth asked
    CheckWindow(32, true, 0x1C0000, 32);  // bits per pixel, width and height
    // A second window on a desktop whose depth changed in between reuses
    // the first pixel format.
    CheckWindow(16, false, 0x1C0000, 32);

    DisplayModeRequest request = {148, DM_PELSWIDTH | DM_PELSHEIGHT, 0, 640, 480};
    DEVMODEA mode;
    CHECK(ToDevMode(request, &mode));
    request.size = sizeof(DEVMODEA) + 1;  // the system would read past our record
    CHECK(!ToDevMode(request, &mode));
    request.size = 0;
    CHECK(!ToDevMode(request, &mode));
    return check::Summary("requests");
}
