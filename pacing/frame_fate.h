// What became of one redraw on its way to the screen: the one word for it
// everywhere above the host. The platform and the host's contract carry the
// system's word in their own enums (they cannot see the engine); the
// display's account turns it into this once.
#pragma once

#include <cstdint>

enum class FrameFate : uint8_t {
    kPending,  // the display has not said yet
    kShown,
    kDropped,  // the compositor never put it on screen (Wayland: "discarded")
    kUnknown,  // no word came, or none can come
};

// The frame log's Dropped cell: 1 dropped, 0 shown, -1 (an empty cell) not
// known; and back from a cell read in a capture.
int DroppedCell(FrameFate fate);
FrameFate FateOfDroppedCell(int cell);
