// Moves between given points: head for one point of a short list, chosen at
// random, and choose again on arrival or every Yudousei frames.
#include <cstdlib>

#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

// One axis steps by s towards its target, or stays when it is already there;
// a step may overshoot and come back on the next frame.
int16_t Step(int16_t v, int16_t target, int16_t s) {
    if (v > target) return static_cast<int16_t>(v - s);
    if (v < target) return static_cast<int16_t>(v + s);
    return v;
}

void Put(ItiList& iti, int16_t k, int x, int y) {
    iti.x[k] = static_cast<int16_t>(x);
    iti.y[k] = static_cast<int16_t>(y);
    if (k > iti.n) iti.n = k;
}

}  // namespace

Pos UgokiClass::UgokiSiteiIti(int16_t Add, const ItiList& Iti, int16_t Yudousei) {
    if (Iti.n < 1) return {s_.KyaraX[Add], s_.KyaraY[Add]};
    // An interval of 0 never forces a re-draw (rather than dividing by it).
    const int32_t b = Yudousei > 0 ? s_.FrameCount % Yudousei : 1;
    int16_t k = CInt(s_.KyaraUgokiD[Add]);
    // A point number another rule left in the slot is never used to index
    // past the list: it is drawn afresh instead.
    const bool keep = s_.KyaraUgokiFlag[Add] != 0 && b != 0 && k >= 1 && k <= Iti.n;
    if (!keep) {
        // Also on interval frames while still travelling, so a boss never
        // settles into one long chase; the draw may repeat the point.
        k = Ransu(g_, Iti.n);
        s_.KyaraUgokiD[Add] = k;
        s_.KyaraUgokiFlag[Add] = 1;
    }
    const int16_t s = s_.KyaraSoku[Add];
    const Pos p{Step(s_.KyaraX[Add], Iti.x[k], s), Step(s_.KyaraY[Add], Iti.y[k], s)};
    if (std::abs(p.x - Iti.x[k]) < s && std::abs(p.y - Iti.y[k]) < s) s_.KyaraUgokiFlag[Add] = 0;
    return p;
}

Pos UgokiClass::UgokiSiteiItiLibrary(int16_t Kind, int16_t Add, int16_t Yudousei) {
    const int x1 = s_.KyaraAtariX1[Add];
    const int x2 = s_.KyaraAtariX2[Add];
    const int y1 = s_.KyaraAtariY1[Add];
    const int y2 = s_.KyaraAtariY2[Add];
    const int px = s_.KyaraX[slot::Molfo];
    const int py = s_.KyaraY[slot::Molfo];
    // Hit box flush with the playfield's right or bottom edge.
    const int right = 500 - x2;
    const int bottom = 500 - y2;

    ItiList iti;
    switch (Kind) {
        case 1:  // the four corners
            Put(iti, 1, 0, 0);
            Put(iti, 2, right, 0);
            Put(iti, 3, 0, bottom);
            Put(iti, 4, right, bottom);
            break;
        case 2:  // patrol along the top, or dive at the player
            Put(iti, 1, 0, 50);
            Put(iti, 2, right, 50);
            Put(iti, 3, px - x1 - 3, py - y2 + 3);
            break;
        case 3:  // the right edge, the top-left corner, or sweep at the player's height
            Put(iti, 1, right, py - y2 + 30);
            Put(iti, 2, 0, 0);
            Put(iti, 3, CInt((px - x1) - x2 / 2.0), py - y2 + 30);
            break;
        case 4:  // above the player, or anywhere along the bottom
            Put(iti, 1, s_.KyaraX[slot::Molfo], 0);
            Put(iti, 2, Ransu(g_, static_cast<int16_t>(right)), bottom);
            break;
        case 5:  // the four corners, hit box flush in each
            Put(iti, 1, -x1, -y1);
            Put(iti, 2, -x1, bottom);
            Put(iti, 3, right, -y1);
            Put(iti, 4, right, bottom);
            break;
        default:
            break;
    }
    return UgokiSiteiIti(Add, iti, Yudousei);
}

}  // namespace molfo
