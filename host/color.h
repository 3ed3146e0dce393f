// Colour conversions of the host: how grey, four-colour and spot colours look in sRGB, and how a
// process colour is carried into another kind.
//
// Grey is ink (0 white, 1 black): sRGB 1 - g on all three channels. Four-colour is the plain
// complement r = (1 - c)(1 - k), g = (1 - m)(1 - k), b = (1 - y)(1 - k); the way back takes the
// largest channel's complement as black. A spot colour looks like its process appearance (CMYK)
// at its tint over white.
#pragma once

#include "host_types.h"

namespace flhost {

struct Rgb {
  float r, g, b;  // 0..1
};

Rgb toRgb(const HostColor& color);
// The colour of the given process kind (grey, four or three) that looks like rgb.
HostColor fromRgb(int32_t kind, Rgb rgb);
bool isProcessKind(int32_t kind);

// The blend of two path styles; fraction is the share of first (0 gives second unchanged).
// Process colours of different kinds blend in the kind of second's colour; spot colours and
// paint flags switch from second to first at fraction 0.5; widths and opacity-free stroke details
// blend linearly (details other than the width come from second).
HostPathStyle blendPathStyles(const HostPathStyle& first, const HostPathStyle& second, float fraction);

}  // namespace flhost
