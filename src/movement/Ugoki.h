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

// Nearest integer, an exact half to the even neighbour, as a 16-bit value.
int16_t CInt(double v);

class UgokiClass {
public:
    explicit UgokiClass(Game& g);

    Pos UgokiChokusen(int16_t Add, int16_t Muki);
    Pos UgokiNaname(int16_t Add, int16_t Kakudo);
    Pos UgokiYudou2(int16_t TAdd, int16_t Add, double YudouK);
    Pos UgokiChokusenYudou(int16_t TAdd, int16_t Add);
    Pos UgokiSiteiIti(int16_t Add, const ItiList& Iti, int16_t Yudousei);
    Pos UgokiSiteiItiLibrary(int16_t Kind, int16_t Add, int16_t Yudousei);

private:
    Game& g_;
    GameState& s_;
};

}  // namespace molfo
