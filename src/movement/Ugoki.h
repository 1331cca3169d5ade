// Movement rules shared by enemies, bullets, the boss and special attacks.
// A rule computes a slot's next position and returns it; the caller hands it
// to the collision sweep, which moves the slot.
#pragma once

#include <array>
#include <cstdint>

namespace molfo {

struct Game;
struct GameState;

struct Pos {
    int16_t x = 0;
    int16_t y = 0;
    bool operator==(const Pos&) const = default;
};

// Point lists of a route, points 1..n (element 0 unused).
struct ItiList {
    std::array<int16_t, 5> x{};
    std::array<int16_t, 5> y{};
    int16_t n = 0;
};

// Direction codes of UgokiChokusen: the eight ways clockwise from straight
// up. They are also the first codes an enemy bullet's KyaraMuki can hold
// (the others are in enemies/Enemies.h).
namespace muki {
inline constexpr int16_t Up = 1;
inline constexpr int16_t UpRight = 2;
inline constexpr int16_t Right = 3;
inline constexpr int16_t DownRight = 4;
inline constexpr int16_t Down = 5;
inline constexpr int16_t DownLeft = 6;
inline constexpr int16_t Left = 7;
inline constexpr int16_t UpLeft = 8;
}  // namespace muki

// Nearest integer, an exact half to the even neighbour, as a 16-bit value.
int16_t CInt(double v);

class UgokiClass {
public:
    explicit UgokiClass(Game& g);

    // Straight: KyaraSoku pixels in one of the eight directions (muki::).
    Pos UgokiChokusen(int16_t Add, int16_t Muki);
    // Slanted: KyaraSoku pixels a frame at Kakudo degrees, clockwise from right.
    Pos UgokiNaname(int16_t Add, int16_t Kakudo);
    // Homing: turns YudouK degrees a frame towards slot TAdd, then moves on.
    Pos UgokiYudou2(int16_t TAdd, int16_t Add, double YudouK);
    // Aimed: heads for where slot TAdd stood at the first call, straight on.
    Pos UgokiChokusenYudou(int16_t TAdd, int16_t Add);
    // Given points: heads for one point of the list, drawn at random, and
    // draws again on arrival or every Yudousei frames.
    Pos UgokiSiteiIti(int16_t Add, const ItiList& Iti, int16_t Yudousei);
    // Given points from the boss routes' catalogue: Kind 1..5 picks the list.
    Pos UgokiSiteiItiLibrary(int16_t Kind, int16_t Add, int16_t Yudousei);

private:
    Game& g_;
    GameState& s_;
};

}  // namespace molfo
