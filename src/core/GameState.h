// The object table and every game-state variable, in one value.
//
// Names and widths follow the game's own: an Integer is int16_t, a Long
// int32_t, a Single float, a Double double. Every per-slot property is a
// parallel array indexed by slot number 0..KyaraMax.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace molfo {

// Slot ranges. The variables of the same names in GameState are set by
// GameShokika and zeroed by GameReset; code that walks a range uses these
// constants, which always hold the in-game values.
namespace slot {
inline constexpr int16_t Max = 270;            // KyaraMax
inline constexpr int Count = Max + 1;           // 271 slots, 0..270
inline constexpr int16_t Molfo = 3;             // MolfoNo
inline constexpr int16_t MolfoDanFirst = 4;
inline constexpr int16_t MolfoDanLast = 34;
inline constexpr int16_t MolfoSFirst = 35;
inline constexpr int16_t MolfoSLast = 65;
inline constexpr int16_t ZakoFirst = 66;
inline constexpr int16_t ZakoLast = 166;
inline constexpr int16_t TekidanFirst = 167;
inline constexpr int16_t TekidanLast = 217;
inline constexpr int16_t BossFirst = 218;
inline constexpr int16_t BossLast = 228;
inline constexpr int16_t ItemFirst = 229;
inline constexpr int16_t ItemLast = 259;
inline constexpr int16_t KyaraLast = 270;

constexpr bool IsMolfoDan(int s) { return s >= MolfoDanFirst && s <= MolfoDanLast; }
constexpr bool IsMolfoS(int s) { return s >= MolfoSFirst && s <= MolfoSLast; }
constexpr bool IsZako(int s) { return s >= ZakoFirst && s <= ZakoLast; }
constexpr bool IsTekidan(int s) { return s >= TekidanFirst && s <= TekidanLast; }
constexpr bool IsBoss(int s) { return s >= BossFirst && s <= BossLast; }
constexpr bool IsItem(int s) { return s >= ItemFirst && s <= ItemLast; }
}  // namespace slot

// Cell values of the collision grid below 3: they can never name a slot.
namespace cell {
inline constexpr int16_t Free = 0;
inline constexpr int16_t OuterWall = 1;
inline constexpr int16_t Border = 2;
}  // namespace cell

// The collision grid: one cell per pixel over -100..600 on both axes,
// x varying fastest.
struct CollisionGrid {
    static constexpr int Min = -100;
    static constexpr int MaxCoord = 600;
    static constexpr int Side = MaxCoord - Min + 1;  // 701

    std::array<int16_t, Side * Side> cells{};

    static constexpr bool InRange(int x, int y) {
        return x >= Min && x <= MaxCoord && y >= Min && y <= MaxCoord;
    }
    int16_t& at(int x, int y) { return cells[(y - Min) * Side + (x - Min)]; }
    int16_t at(int x, int y) const { return cells[(y - Min) * Side + (x - Min)]; }

    // Outer wall everywhere, the border band inside it, the playfield free.
    void Fill();
    void Clear() { cells.fill(0); }
};

template <typename T>
using SlotArray = std::array<T, slot::Count>;

struct GameState {
    // --- per-slot properties (26 arrays) ---
    SlotArray<int16_t> KyaraBunrui{};
    SlotArray<int16_t> KyaraShurui{};
    SlotArray<int16_t> KyaraHp{};
    SlotArray<int16_t> KyaraKougeki{};
    SlotArray<int16_t> KyaraSoku{};
    SlotArray<int16_t> KyaraTen{};
    SlotArray<int16_t> KyaraPicNo{};
    SlotArray<int16_t> KyaraPicY{};
    SlotArray<int16_t> KyaraPicX{};
    SlotArray<int16_t> KyaraHaba{};
    SlotArray<int16_t> KyaraTakasa{};
    SlotArray<int16_t> KyaraSonzai{};
    SlotArray<int16_t> KyaraAtariX1{};
    SlotArray<int16_t> KyaraAtariX2{};
    SlotArray<int16_t> KyaraAtariY1{};
    SlotArray<int16_t> KyaraAtariY2{};
    SlotArray<int16_t> KyaraX{};
    SlotArray<int16_t> KyaraY{};
    SlotArray<int16_t> KyaraKoma{};
    SlotArray<int16_t> KyaraKomaKankaku{};
    SlotArray<int16_t> KyaraUgokiFlag{};
    SlotArray<double> KyaraXD{};
    SlotArray<double> KyaraYD{};
    SlotArray<double> KyaraUgokiD{};
    SlotArray<int16_t> KyaraMuki{};
    SlotArray<int16_t> KyaraDameji{};

    CollisionGrid ChousaMap{};

    // --- flow ---
    int16_t InGame = 0;
    int16_t ShuryoFlag = 0;
    int16_t GameOverFlag = 0;
    int32_t FrameCount = 0;
    int32_t FrameStartTick = 0;
    int32_t FrameNowTick = 0;

    // --- slot bounds as variables (see namespace slot) ---
    int16_t KyaraMax = 0;
    int16_t MolfoNo = 0;
    int16_t MolfoDanFirst = 0, MolfoDanLast = 0;
    int16_t MolfoSFirst = 0, MolfoSLast = 0;
    int16_t ZakoFirst = 0, ZakoLast = 0;
    int16_t TekidanFirst = 0, TekidanLast = 0;
    int16_t BossFirst = 0, BossLast = 0;
    int16_t ItemFirst = 0, ItemLast = 0;
    int16_t KyaraLast = 0;

    // --- stage ---
    int16_t SutejiNo = 0;
    int16_t SutejiMax = 0;
    int16_t EndingSuteji = 0;
    int16_t SutejiNagasa = 0;
    int16_t ZakoRitu = 0;
    int16_t ZakoRituNow = 0;
    std::array<int16_t, 13> ToujouZako{};  // entries 1..ToujouZakoSu
    int16_t ToujouZakoSu = 0;
    int16_t BossToujou = 0;
    int16_t SutejiKuria = 0;

    // --- score and HUD memory ---
    int16_t GoukeiTen = 0;
    int16_t ShownHp = 0, ShownTen = 0, ShownBossHp = 0, ShownItemKosu = 0;
    float BossHpRitu = 0.0f;
    int16_t ItemTen = 0;
    int16_t TenMae = 0;

    // --- items ---
    std::array<int16_t, 13> ShutugenItemRitu{};  // 1..12
    int16_t ShutugenItemGoukei = 0;
    std::array<int16_t, 7> ItemKosu{};  // 1..6
    int16_t TukauItemFirst = 0, TukauItemLast = 0;
    int16_t FoodFirst = 0, FoodLast = 0;
    int16_t TukauItemNo = 0;
    // Both widened from 16 bits: they receive FrameCount, and a boss fight
    // may pass 32767 frames; the key guards compare them with FrameCount.
    int32_t ItemChangeFrame = 0;
    int32_t ItemUseFrame = 0;
    int16_t HantenCount = 0;

    // --- the background's scroll ---
    // The row of the stage's picture at the top of the playfield, and its
    // whole part. Only the drawing step moves it, half a pixel a frame;
    // nothing resets it, so it runs on from the title into play and from
    // game to game. The state hash and the recordings carry it.
    double HaikeiYD = 0.0;
    int16_t HaikeiY = 0;

    // --- file tables, index 0 unused ---
    std::array<std::string, 13> KyokuFile{};
    std::array<std::string, 17> KoukaonFile{};

    // Adds points to the score; the score stops at 32767 instead of wrapping.
    void AddScore(int points);
};

// Zeroes the 26 per-slot arrays.
void ClearSlots(GameState& s);

// The file names of the songs and effects, index 0 empty.
extern const std::array<const char*, 13> kKyokuFileNames;
extern const std::array<const char*, 17> kKoukaonFileNames;

}  // namespace molfo
