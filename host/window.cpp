// The window procedure: rendering context, display mode, client size,
// keyboard and caption.
#include "host/host_internal.h"

namespace {

PlatContext* renderContext = nullptr;

void OnCreate(PlatWindow* window) {
    PlatSurface* surface = PlatGetSurface(window);
    // The mode is switched first so that the pixel format is chosen against it.
    if (displaySettings.fullscreen) {
        EnterFullscreen();
    }
    SetupPixelFormat(surface);
    renderContext = PlatCreateContext(surface);
    PlatMakeCurrent(surface, renderContext);
    // Only when asked: otherwise the platform's default stays untouched.
    if (vsyncAsked) {
        HostSetVsync(true);
    }
    PlatReleaseSurface(window, surface);
}

void OnDestroy(PlatWindow* window) {
    // The context goes before the display mode, the settings record the
    // desktop once it is back, and the quit message comes last.
    PlatSurface* surface = PlatGetSurface(window);
    if (renderContext != nullptr && hostApp != nullptr && hostApp->ReleaseContext != nullptr) {
        hostApp->ReleaseContext();
    }
    PlatMakeCurrent(surface, nullptr);
    PlatDeleteContext(renderContext);
    renderContext = nullptr;
    PlatReleaseSurface(window, surface);
    if (displaySettings.fullscreen) {
        LeaveFullscreen();
    }
    SaveSettings();
    PlatPostQuit(0);
}

void OnKeyDown(PlatWindow* window, uintptr_t key) {
    switch (key) {
    case kKeyEscape: PlatDestroyWindow(window); break;
    case kKeyQ: hostApp->RaiseLeftTarget(); break;
    case kKeyA: hostApp->LowerLeftTarget(); break;
    case kKeyW: hostApp->RaiseRightTarget(); break;
    case kKeyS: hostApp->LowerRightTarget(); break;
    default:
        if (hostApp->KeyDown != nullptr) {
            hostApp->KeyDown(static_cast<uint32_t>(key));
        }
        break;
    }
}

}  // namespace

intptr_t WndProc(PlatWindow* window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
    case kMsgCreate: OnCreate(window); return 0;
    case kMsgDestroy: OnDestroy(window); return 0;
    case kMsgSize:
        clientWidth = static_cast<int32_t>(static_cast<uintptr_t>(lParam) & 0xFFFF);
        clientHeight = static_cast<int32_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF);
        ResizeViewport(clientWidth, clientHeight);
        return 0;
    case kMsgKeyDown: OnKeyDown(window, wParam); return 0;
    case kMsgTimer:
        if (wParam == kCaptionTimerId && hostRunning) {
            PlatSetCaption(window, hostApp->GetStatusText());
        }
        return 0;
    default: return PlatDefaultWindowProc(window, message, wParam, lParam);
    }
}
