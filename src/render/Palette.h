// The window's own colours, those of a classic grey form: its face, and the
// light and shadows of its raised and sunken edges.
#pragma once

#include <cstdint>

#include "render/Surface.h"

namespace molfo {

inline constexpr uint32_t kFormGrey = Rgb(212, 208, 200);
inline constexpr uint32_t kEdgeLight = Rgb(255, 255, 255);
inline constexpr uint32_t kEdgeShadow = Rgb(128, 128, 128);
inline constexpr uint32_t kEdgeDarkShadow = Rgb(64, 64, 64);
inline constexpr uint32_t kInk = Rgb(0, 0, 0);

}  // namespace molfo
