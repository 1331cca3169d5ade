// Items paid for by score, food, and the special-attack objects they launch.
#pragma once

#include <cstdint>

namespace molfo {

struct Game;
struct GameState;

// Special-attack kinds, the KyaraShurui of a special-attack slot: the usable
// item of the same number launches it. Item 6, the bomb, launches nothing.
namespace sp {
inline constexpr int16_t Kurosu = 1;      // four shots, up, right, down and left
inline constexpr int16_t RingBariya = 2;  // a ring that circles the player
inline constexpr int16_t Supaku = 3;      // a shot that homes in on the boss, an enemy or a bullet
inline constexpr int16_t Faiya = 4;       // a big shot rising from beside the player
inline constexpr int16_t Supairaru = 5;   // a spiral widening round the player
inline constexpr int16_t Bom = 6;         // the bomb's item kind
}  // namespace sp

class ItemClass {
public:
    explicit ItemClass(Game& g);
    void ShutugenItemShokika();
    int16_t ShutugenItem();
    void ItemData(int16_t Add, int16_t ShuruiNo);
    void ItemShutugenBasho(int16_t Add);
    void MolfoSData(int16_t Add, int16_t SPNo);
    void SpUgoki(int16_t Add);

private:
    int16_t Ransu(int16_t N);
    // The homing shot's (Supaku's) target: the boss first, then small enemies, then bullets;
    // 0 when nothing is live.
    int16_t SpTarget() const;

    Game& g_;
    GameState& s_;
};

// The frame step: drops an item once enough points were scored, and lets
// every item on the field fall.
void ItemMain(Game& g);

}  // namespace molfo
