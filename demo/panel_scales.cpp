#include "demo/panel_scales.h"

namespace {

const double kFallbackNominal = 1.0 / 60.0;
const double kSideScale = 2.5;
const double kRedrawScale = 4.0;
const double kRedrawFallbackTop = 0.020;
const double kDisplayScale = 2.0;

}  // namespace

double SideNominal(const Pacer& pacer) {
    return pacer.target > 0.0 ? 1.0 / pacer.target : kFallbackNominal;
}

double SideTopSeconds(double nominal) {
    return kSideScale * nominal;
}

double RedrawTopSeconds(const IntervalFigures& redraw) {
    const double top = redraw.count > 0 ? kRedrawScale * redraw.mean : kRedrawFallbackTop;
    return top > 0.0 ? top : kRedrawFallbackTop;
}

double DisplayReference(const LiveDisplay& display) {
    if (display.refreshSeconds > 0.0) {
        return display.refreshSeconds;
    }
    return display.display.count > 0 && display.display.mean > 0.0 ? display.display.mean
                                                                   : kFallbackNominal;
}

double DisplayTopSeconds(double reference) {
    return kDisplayScale * reference;
}
