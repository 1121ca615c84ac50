// The host's display-mode request as the Windows API gets it: the host runs
// against the scripted platform, which records what it asked for, and the
// record goes through the same conversion as the backend. (The pixel-format
// request is copied whole; its layout is checked where it is converted.)
#include <cstring>

#include "host/host_internal.h"
#include "platform/headless_platform.h"
#include "platform/win32_requests.h"
#include "tests/win32/check.h"

int main() {
    ResetHostState();
    headless::Reset();
    displaySettings = {1, 640, 480, 32};
    clientWidth = 640;
    clientHeight = 480;
    EnterFullscreen();
    const headless::Record& record = headless::GetRecord();
    DEVMODEA mode, want;
    std::memset(&want, 0, sizeof want);
    want.dmSize = 148;
    want.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    want.dmBitsPerPel = 32;
    want.dmPelsWidth = 640;
    want.dmPelsHeight = 480;
    CHECK(record.displayModes.size() == 1 && ToDevMode(record.displayModes[0], &mode) &&
          std::memcmp(&mode, &want, sizeof mode) == 0);

    // A record size the system would read past our record with, or one too
    // short for the fields we fill, is refused.
    DisplayModeRequest request = {148, DM_PELSWIDTH | DM_PELSHEIGHT, 0, 640, 480};
    request.size = sizeof(DEVMODEA) + 1;
    CHECK(!ToDevMode(request, &mode));
    request.size = 0;
    CHECK(!ToDevMode(request, &mode));
    return check::Summary("requests");
}
