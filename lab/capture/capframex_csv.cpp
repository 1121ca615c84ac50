// CapFrameX's CSV: a present monitor's 1.x columns under "//Key=Value"
// lines that say the game and the machine (the reader keeps those).
#include "lab/capture/format.h"

namespace {

int Probe(const HeaderView& h, CsvLayout* layout) {
    if (!h.preamble || kPresentMon1Format.probe(h, layout) == 0)
        return 0;
    layout->format = "CapFrameX CSV";
    return 75;
}

}  // namespace

const CsvFormat kCapFrameXCsvFormat = {Probe, nullptr};
