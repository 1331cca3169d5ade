// Items paid for by score, food, and the special-attack objects they launch.
#pragma once

#include <cstdint>

namespace molfo {

struct Game;
struct GameState;

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
    // The kind-3 target: the boss first, then small enemies, then bullets;
    // 0 when nothing is live.
    int16_t SpTarget() const;

    Game& g_;
    GameState& s_;
};

// The frame step: drops an item once enough points were scored, and lets
// every item on the field fall.
void ItemMain(Game& g);

}  // namespace molfo
