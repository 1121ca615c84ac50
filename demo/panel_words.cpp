#include "demo/panel_words.h"

#include <cstdio>

#include "demo/panel_scales.h"

namespace {

void Tint(PanelWording& out, const PanelColour& colour) {
    out.tints[0] = colour;
    out.tintCount = 1;
}

// A stream's figures after its name, the groups three spaces apart: a gap
// that wide is left undrawn between them.
void Figures(char* text, size_t size, const char* name, const IntervalFigures& f) {
    std::snprintf(text, size, "%s%.1f fps   jitter %.2f ms   p99 %.1f", name, MeanRate(f),
                  JitterMs(f), OnePercentLow(f));
}

// A keeper's p50 and p99 in ms, or the words for none.
void Latency(char* text, size_t size, const char* name, const QuantileKeeper& keeper,
             const char* none) {
    if (keeper.count == 0)
        std::snprintf(text, size, "%s: %s", name, none);
    else
        std::snprintf(text, size, "%s p50 %.1f ms  p99 %.1f ms", name,
                      QuantileSeconds(keeper, 0.5) * 1000.0,
                      QuantileSeconds(keeper, 0.99) * 1000.0);
}

const IntervalFigures& SideFigures(const CadencePanelView& view, int side) {
    return side == 0 ? view.cadence->left : view.cadence->right;
}

}  // namespace

void SideHeadWords(const CadencePanelView& view, int side, PanelWording& out) {
    char figures[96];
    Figures(figures, sizeof figures, "", SideFigures(view, side));
    std::snprintf(out.text, sizeof out.text, "%s\n%s", PaceRuleName(view.rules[side]), figures);
    Tint(out, kSideColours[side]);
}

void SeenWords(const CadencePanelView& view, int side, PanelWording& out) {
    const IntervalFigures& seen = view.display->seen[side];
    if (!view.source.available) {
        std::snprintf(out.text, sizeof out.text, "seen: no display times");
    } else if (seen.count == 0) {
        std::snprintf(out.text, sizeof out.text, "seen: no new pose shown yet");
    } else {
        Figures(out.text, sizeof out.text, "seen ", seen);
    }
    Tint(out, kSideColours[side]);
}

void SideScaleWords(const CadencePanelView& view, int side, PanelWording& out) {
    const double nominal = SideNominal(*view.pacers[side]);
    const double topMs = 1000.0 * SideTopSeconds(nominal);
    const double nominalMs = 1000.0 * nominal;
    std::snprintf(out.text, sizeof out.text, "%.1f\n\n\n%.1f\n\n0 ms\n\n%.1f\n\n\n%.1f\n\n0 ms",
                  topMs, nominalMs, topMs, nominalMs);
    Tint(out, kSideColours[side]);
}

void RedrawWords(const CadencePanelView& view, int, PanelWording& out) {
    char figures[96];
    Figures(figures, sizeof figures, "redraw ", view.cadence->redraw);
    std::snprintf(out.text, sizeof out.text, "%s\n%s",
                  view.statusLine != nullptr ? view.statusLine : "", figures);
    out.tints[0] = kStatusColour;
    out.tints[1] = kRedrawColour;
    out.tintCount = 2;
}

void DisplayWords(const CadencePanelView& view, int, PanelWording& out) {
    const LiveDisplay& display = *view.display;
    const char* source = view.source.text != nullptr ? view.source.text : "";
    if (!view.source.available) {
        std::snprintf(out.text, sizeof out.text, "display times: %s", source);
    } else {
        char rate[32] = "";
        if (display.refreshSeconds > 0.0) {
            std::snprintf(rate, sizeof rate, ", %.1f Hz", 1.0 / display.refreshSeconds);
        }
        char figures[96];
        Figures(figures, sizeof figures, "", display.display);
        std::snprintf(out.text, sizeof out.text, "display: %s%s   %s", source, rate,
                      display.display.count > 0 ? figures : "none shown yet");
    }
    Tint(out, kDisplayColour);
}

void BottomScaleWords(const CadencePanelView& view, int, PanelWording& out) {
    const double reference = DisplayReference(*view.display);
    std::snprintf(out.text, sizeof out.text, "%.1f\n\n0 ms\n\n%.1f\n%.1f\n0 ms",
                  1000.0 * RedrawTopSeconds(view.cadence->redraw),
                  1000.0 * DisplayTopSeconds(reference), 1000.0 * reference);
    out.tints[0] = out.tints[1] = out.tints[2] = kRedrawColour;
    out.tints[3] = kDisplayColour;
    out.tintCount = 4;
}

void LimitWords(const CadencePanelView& view, int, PanelWording& out) {
    char cpu[32] = "cpu: a second to go";
    if (view.cpuPercent >= 0.0)
        std::snprintf(cpu, sizeof cpu, "cpu %.0f%% of a core", view.cpuPercent);
    char wakes[96] = "wakes: none yet";
    if (view.limiter != nullptr && view.limiter->wakeLate.count > 0) {
        const QuantileKeeper& late = view.limiter->wakeLate;
        std::snprintf(wakes, sizeof wakes, "wakes late p50 %.0f us  p99 %.0f us  max %.2f ms",
                      QuantileSeconds(late, 0.5) * 1e6, QuantileSeconds(late, 0.99) * 1e6,
                      late.max * 1000.0);
    }
    char frame[64];
    char key[64];
    const char* none = view.source.available ? "none shown yet" : "no display times";
    Latency(frame, sizeof frame, "frame to screen", view.display->latency, none);
    Latency(key, sizeof key, "key to screen", view.display->input, none);
    std::snprintf(out.text, sizeof out.text, "%s\n%s   %s\n%s   %s",
                  view.limitLine != nullptr ? view.limitLine : "", cpu, wakes, frame, key);
    Tint(out, kStatusColour);
}

void AnimationWords(const CadencePanelView& view, int side, PanelWording& out) {
    const AnimationError& error = view.display->animation.sides[side];
    if (!view.source.available)
        std::snprintf(out.text, sizeof out.text, "anim err: no display times");
    else if (error.errors.count == 0)
        std::snprintf(out.text, sizeof out.text, "anim err: none shown yet");
    else
        std::snprintf(out.text, sizeof out.text, "anim err p50 %.1f  p99 %.1f ms",
                      AnimationErrorMs(error, 0.5), AnimationErrorMs(error, 0.99));
    Tint(out, kSideColours[side]);
}
