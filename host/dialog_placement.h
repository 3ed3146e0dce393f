// Where the host puts a dialog: always wholly on its screen, whatever rectangle the plug-in asks
// for. The plug-in may hand over any four 32-bit numbers (a record's saved bounds have no control
// in the dialog), so the arithmetic is done in 64 bits.
#pragma once

#include <cstdint>

#include "host_types.h"

namespace flhost {

// The screen the host's dialogs are shown on, in pixels, y down.
inline constexpr HostIntRect kDialogScreen{0, 0, 1920, 1080};

// The width and height of a rectangle, negative when it is inverted; exact for any rectangle.
inline int64_t rectWidth(const HostIntRect& r) { return int64_t{r.right} - r.left; }
inline int64_t rectHeight(const HostIntRect& r) { return int64_t{r.bottom} - r.top; }

// The rectangle a dialog asked to be `wanted` gets: its size (an inverted side counts as 0), cut
// to the screen's, moved the least that puts it wholly on the screen.
HostIntRect placeOnScreen(const HostIntRect& wanted, const HostIntRect& screen = kDialogScreen);

}  // namespace flhost
