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
    void GetFood(int16_t ItemAdd);
    void MolfoSData(int16_t Add, int16_t SPNo);
    void SpUgoki(int16_t Add);

private:
    Game& g_;
    GameState& s_;
};

void ItemMain(Game& g);

}  // namespace molfo
