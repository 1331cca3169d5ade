// Where the composed window goes in the real one: the whole picture scaled
// with its shape kept and black bars around it. By whole multiples by
// default, so every pixel of the game becomes an even square block; "fit"
// fills the window as far as the shape allows.
#pragma once

#include <algorithm>
#include <cmath>

namespace molfo {

enum class ScaleMode { Integer, Fit };

struct Placement {
    int x = 0, y = 0, w = 0, h = 0;
    // True when the picture is scaled by a whole number, so it is drawn with
    // nearest-neighbour sampling: smoothing would only blur it.
    bool sharp = true;
};

// The rectangle of an outW x outH output (in real pixels, which is what
// matters on a high-DPI screen) where a picW x picH picture is shown.
inline Placement PlacePicture(int outW, int outH, int picW, int picH, ScaleMode mode) {
    Placement p;
    if (outW <= 0 || outH <= 0 || picW <= 0 || picH <= 0) return p;
    const int whole = std::min(outW / picW, outH / picH);
    // A window smaller than the picture has no whole scale left; shrinking
    // it to fit beats cutting the playfield off.
    if (mode == ScaleMode::Integer && whole >= 1) {
        p.w = picW * whole;
        p.h = picH * whole;
    } else {
        const double scale = std::min(static_cast<double>(outW) / picW, static_cast<double>(outH) / picH);
        p.w = std::clamp(static_cast<int>(std::lround(picW * scale)), 1, outW);
        p.h = std::clamp(static_cast<int>(std::lround(picH * scale)), 1, outH);
    }
    p.sharp = p.w % picW == 0 && p.h % picH == 0 && p.w / picW == p.h / picH;
    p.x = (outW - p.w) / 2;
    p.y = (outH - p.h) / 2;
    return p;
}

// Room a window needs around its inside on a desktop: title bar, frame and
// a panel, roughly.
inline constexpr int kWindowChromeW = 16;
inline constexpr int kWindowChromeH = 64;

// The whole scale the window starts at: the largest that fits the usable
// part of the screen with its frame, at least 1.
inline int StartScale(int usableW, int usableH, int picW, int picH) {
    if (picW <= 0 || picH <= 0) return 1;
    const int n = std::min((usableW - kWindowChromeW) / picW, (usableH - kWindowChromeH) / picH);
    return std::max(n, 1);
}

}  // namespace molfo
