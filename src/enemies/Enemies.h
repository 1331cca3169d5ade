// Stage table, small enemies and enemy bullets.
#pragma once

#include <cstdint>
#include <string>

namespace molfo {

struct Game;
struct GameState;

// What an enemy bullet's KyaraMuki can hold beyond the eight directions of
// movement/Ugoki.h (1..8, straight on).
namespace muki {
// Aimed at where the player stands when the bullet is fired.
inline constexpr int16_t Aimed = 9;
// An angle in degrees, clockwise from right, for UgokiNaname.
inline constexpr int16_t DegreesFirst = 10;
inline constexpr int16_t DegreesLast = 360;
}  // namespace muki

class SutejiClass {
public:
    explicit SutejiClass(Game& g);
    int16_t SutejiNagasa();
    std::string HaikeiPicFile();
    int16_t ZakoShurugenRitu();  // also sets ZakoRituNow
    void ToujouZakos();

private:
    Game& g_;
    GameState& s_;
};

// Fills rows of the object table: the player, the shot template and the
// small enemies; places and moves small enemies.
class KyaraDataClass {
public:
    explicit KyaraDataClass(Game& g);
    void MolfoData();
    void MolfoAData(int16_t Add);
    void ZakoShutugenBasho(int16_t Add);
    void ZakoData(int16_t Add, int16_t ZakoNo);
    void ZakoUgoki(int16_t Add);

private:
    void BashoUe(int16_t Add);
    void BashoHidari(int16_t Add);
    void BashoMigi(int16_t Add);
    void BashoShita(int16_t Add);
    void BashoSanpou(int16_t Add);
    void BashoShihou(int16_t Add);

    Game& g_;
    GameState& s_;
};

class TekiDanClass {
public:
    explicit TekiDanClass(Game& g);
    void TekidanHasha(int16_t TekiAdd, int16_t Ugoki, int16_t DanSoku);
    void TekidanData(int16_t Add);

private:
    Game& g_;
    GameState& s_;
};

// The spawn half and then the move of every live enemy.
void ZakoMain(Game& g);
// The spawn half of ZakoMain.
void ZakoShutugen(Game& g);
void TekidanUgoki(Game& g);

}  // namespace molfo
