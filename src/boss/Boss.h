// The five bosses: their table, pictures and behaviour.
#pragma once

#include <cstdint>
#include <string>

namespace molfo {

struct Game;
struct GameState;

class BossDataClass {
public:
    explicit BossDataClass(Game& g);
    void BossData(int16_t Add);
    void BossUgoki();
    std::string BossPicFile();

private:
    Game& g_;
    GameState& s_;
};

void BossMain(Game& g);

}  // namespace molfo
