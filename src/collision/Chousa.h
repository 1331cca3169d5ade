// The collision sweep: every move of every object goes through ChousaMain,
// which finds what the mover's new hit-box outline touches in the grid,
// applies the results, commits or refuses the move and clears what died.
#pragma once

#include <array>
#include <cstdint>

#include "core/GameState.h"

namespace molfo {

struct Game;

class ChousaClass {
public:
    explicit ChousaClass(Game& g);

    void ChousaMain(int16_t Add, int16_t Bx, int16_t By);
    // Erases the slot's outline and clears every property but KyaraShurui.
    void KyaraShokika(int16_t Add);

private:
    void AtariBunki(int16_t Add, int16_t Found);
    void MolfoDameji(int16_t Src);
    void ZakoDameji(int16_t E, int16_t A);
    void MolfoSDameji(int16_t M, int16_t A);
    void BossDameji(int16_t P, int16_t A);
    void ItemGet(int16_t I);
    void RinkakuKesu(int16_t Add, int16_t X, int16_t Y);
    void RinkakuIdou(int16_t Add, int16_t X, int16_t Y, int16_t Bx, int16_t By);
    // Marks a slot for removal at the end of the sweep.
    void Kesu(int16_t k) {
        KesuFlag[k] = 1;
        kesuAny_ = true;
    }
    void MolfoAtari(int16_t Add, int16_t Found);
    void MolfoDanAtari(int16_t Add, int16_t Found);
    void MolfoSAtari(int16_t Add, int16_t Found);
    void ZakoAtari(int16_t Add, int16_t Found);
    void TekidanAtari(int16_t Add, int16_t Found);
    void BossAtari(int16_t Add, int16_t Found);
    void ItemAtari(int16_t Add, int16_t Found);
    void Koukaon(int n);

    Game& g_;
    GameState& s_;
    // Fresh for every sweep; kept in the object so a sweep allocates nothing.
    std::array<int16_t, slot::Count> KesuFlag{};
    // A slot is handled in this sweep when its mark is the sweep's number:
    // a new sweep clears every mark by taking the next number.
    std::array<uint32_t, slot::Count> ChousaZumi{};
    uint32_t sweep_ = 0;
    int16_t TomaruFlag = 0;
    // Some KesuFlag is set: lets a sweep with no removals skip clearing
    // them and the slot walk of its last step.
    bool kesuAny_ = false;
};

}  // namespace molfo
