// Presentation feedback on Wayland: when each swapped redraw reached the
// screen, or that the compositor discarded it.
//
// [X] wp_presentation bound on the program's own wl_event_queue (through a
//     proxy wrapper of the display), so SDL's dispatching is left as it is.
// [X] One feedback per swap, asked for immediately before SDL_GL_SwapWindow;
//     read without blocking after SDL has pumped its events.
// [X] The swap timed on the presentation clock the compositor names
//     (clock_id), so a display time converts onto the program's counter.
// [X] Redraws with no word within a second (a stalled compositor, a hidden
//     window) are given up as unknown, their feedback objects destroyed.
// [ ] Outputs (sync_output) are not followed: one display is assumed.
//
// Crediting: a feedback object belongs to the next commit of the surface,
// whoever makes it. It is made on this thread immediately before
// SDL_GL_SwapWindow, whose one commit is the swap's (eglSwapBuffers); SDL's
// own commits (size limits, fullscreen changes) come from calls made on this
// same thread, and none runs between the two. Each feedback object is made
// for one redraw and carries that redraw's number; its word settles only
// that redraw's entry while it waits, and is ignored once the entry has been
// given up (whose object is destroyed then, so no word comes later at all).
#include "platform/wayland_presentation.h"

#include <poll.h>
#include <time.h>

#include <cstdint>
#include <string_view>

#include <wayland-client.h>

#include "platform/presentation_ring.h"
#include "presentation-time-client-protocol.h"

namespace {

struct Feedback {
    wl_display* display = nullptr;
    wl_surface* surface = nullptr;
    wl_event_queue* queue = nullptr;
    wl_display* wrapped = nullptr;  // the display, its new objects on our queue
    wl_registry* registry = nullptr;
    wp_presentation* presentation = nullptr;
    clockid_t clock = CLOCK_MONOTONIC;
    bool running = false;
    bool used = false;  // ran for this process's window at some point
    int64_t frequency = 1;
    PresentationRing ring;
};

Feedback state;

const int64_t kGiveUpSeconds = 1;

int64_t ClockNs(clockid_t clock) {
    timespec now;
    clock_gettime(clock, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

uint64_t RedrawOf(void* data) {
    return static_cast<uint64_t>(reinterpret_cast<uintptr_t>(data));
}

void DropFeedback(void* token) {
    wp_presentation_feedback_destroy(static_cast<struct wp_presentation_feedback*>(token));
}

void OnSyncOutput(void*, struct wp_presentation_feedback*, wl_output*) {}

void OnPresented(void* data, struct wp_presentation_feedback* feedback, uint32_t secHi,
                 uint32_t secLo, uint32_t nsec, uint32_t refresh, uint32_t, uint32_t,
                 uint32_t flags) {
    static_assert(uint32_t{kPlatPresentVsync} == WP_PRESENTATION_FEEDBACK_KIND_VSYNC &&
                      uint32_t{kPlatPresentHwClock} == WP_PRESENTATION_FEEDBACK_KIND_HW_CLOCK &&
                      uint32_t{kPlatPresentHwCompletion} ==
                          WP_PRESENTATION_FEEDBACK_KIND_HW_COMPLETION &&
                      uint32_t{kPlatPresentZeroCopy} == WP_PRESENTATION_FEEDBACK_KIND_ZERO_COPY,
                  "the platform's presentation flags are the protocol's");
    const int64_t seconds = static_cast<int64_t>((static_cast<uint64_t>(secHi) << 32) | secLo);
    PresentShown(state.ring, RedrawOf(data), seconds * 1000000000 + nsec, refresh, flags);
    wp_presentation_feedback_destroy(feedback);
}

void OnDiscarded(void* data, struct wp_presentation_feedback* feedback) {
    PresentDiscarded(state.ring, RedrawOf(data));
    wp_presentation_feedback_destroy(feedback);
}

const wp_presentation_feedback_listener kFeedbackListener = {OnSyncOutput, OnPresented,
                                                             OnDiscarded};

void OnClock(void*, wp_presentation*, uint32_t clock) {
    state.clock = static_cast<clockid_t>(clock);
}

const wp_presentation_listener kPresentationListener = {OnClock};

void OnGlobal(void*, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
    if (state.presentation == nullptr &&
        std::string_view(interface) == wp_presentation_interface.name) {
        state.presentation = static_cast<wp_presentation*>(
            wl_registry_bind(registry, name, &wp_presentation_interface, 1));
        wp_presentation_add_listener(state.presentation, &kPresentationListener, nullptr);
    }
}

void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {OnGlobal, OnGlobalRemove};

void Release() {
    if (state.presentation != nullptr)
        wp_presentation_destroy(state.presentation);
    if (state.registry != nullptr)
        wl_registry_destroy(state.registry);
    if (state.wrapped != nullptr)
        wl_proxy_wrapper_destroy(state.wrapped);
    if (state.queue != nullptr)
        wl_event_queue_destroy(state.queue);
    state.presentation = nullptr;
    state.registry = nullptr;
    state.wrapped = nullptr;
    state.queue = nullptr;
    state.running = false;
}

// Whatever the socket holds for our queue, read without waiting.
void ReadWithoutBlocking() {
    if (wl_display_prepare_read_queue(state.display, state.queue) != 0) {
        wl_display_dispatch_queue_pending(state.display, state.queue);
        return;
    }
    wl_display_flush(state.display);
    pollfd fd = {wl_display_get_fd(state.display), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN) != 0)
        wl_display_read_events(state.display);
    else
        wl_display_cancel_read(state.display);
    wl_display_dispatch_queue_pending(state.display, state.queue);
}

}  // namespace

bool StartPresentationFeedback(wl_display* display, wl_surface* surface, int64_t counterFrequency) {
    StopPresentationFeedback();
    if (display == nullptr || surface == nullptr)
        return false;
    state.display = display;
    state.surface = surface;
    state.frequency = counterFrequency > 0 ? counterFrequency : 1;
    state.queue = wl_display_create_queue(display);
    state.wrapped = static_cast<wl_display*>(wl_proxy_create_wrapper(display));
    if (state.queue == nullptr || state.wrapped == nullptr) {
        Release();
        return false;
    }
    wl_proxy_set_queue(reinterpret_cast<wl_proxy*>(state.wrapped), state.queue);
    state.registry = wl_display_get_registry(state.wrapped);
    wl_registry_add_listener(state.registry, &kRegistryListener, nullptr);
    // The globals, then the clock the presentation object names at once.
    if (wl_display_roundtrip_queue(display, state.queue) < 0 || state.presentation == nullptr ||
        wl_display_roundtrip_queue(display, state.queue) < 0) {
        Release();
        return false;
    }
    StartRing(state.ring, state.frequency);
    state.running = true;
    state.used = true;
    return true;
}

bool PresentationFeedbackRunning() {
    return state.running;
}

bool PresentationFeedbackUsed() {
    return state.used;
}

void RequestPresentation(uint64_t redraw, int64_t swapCounter) {
    if (!state.running)
        return;
    // Read next to the counter the caller has just read, before the request
    // is built, so the two clocks name one moment.
    const int64_t swapClockNs = ClockNs(state.clock);
    struct wp_presentation_feedback* feedback =
        wp_presentation_feedback(state.presentation, state.surface);
    if (feedback == nullptr)
        return;
    void* data = reinterpret_cast<void*>(static_cast<uintptr_t>(redraw));
    wp_presentation_feedback_add_listener(feedback, &kFeedbackListener, data);
    void* pushedOut = OpenPresent(state.ring, redraw, swapCounter, swapClockNs, feedback);
    if (pushedOut != nullptr)
        DropFeedback(pushedOut);
}

int TakePresentationReports(PlatPresentation* out, int capacity, int64_t nowCounter) {
    if (!state.running)
        return 0;
    ReadWithoutBlocking();
    ExpirePresents(state.ring, nowCounter, kGiveUpSeconds * state.frequency, DropFeedback);
    return TakePresents(state.ring, out, capacity);
}

void StopPresentationFeedback() {
    if (state.running)
        CloseAllPresents(state.ring, DropFeedback);
    Release();
}
