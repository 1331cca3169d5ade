// The item kinds: their drop weights, sprites, hit boxes and what food
// restores. Items drop and fall in items/; the pick-up in collision/ eats
// the food, so the table lives below both.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/GameState.h"

namespace molfo {

struct ItemRow {
    int16_t weight;  // drop weight out of the total of all kinds
    int16_t picX, picY, haba, takasa;
    int16_t atariX1, atariX2, atariY1, atariY2;
    int16_t food;  // hit points an eaten item restores; 0 for usable items
};

// Kinds 1..12 (row 0 unused). Kinds 1..6 are stocked for special attacks,
// 7..12 are food, eaten on pick-up. The sprites are on sheet 4.
// Columns: weight, KyaraPicX, KyaraPicY, KyaraHaba, KyaraTakasa,
//          KyaraAtariX1, KyaraAtariX2, KyaraAtariY1, KyaraAtariY2, food hit points
inline constexpr std::array<ItemRow, 13> kItems = {{
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
    {120, 0, 0, 25, 25, 4, 20, 4, 20, 0},
    {40, 50, 0, 25, 25, 4, 20, 4, 20, 0},
    {70, 100, 0, 25, 25, 4, 20, 4, 20, 0},
    {20, 150, 0, 25, 25, 4, 20, 4, 20, 0},
    {105, 0, 25, 25, 25, 4, 20, 4, 20, 0},
    {25, 50, 25, 25, 25, 4, 20, 4, 20, 0},
    {75, 0, 50, 50, 50, 15, 29, 4, 45, 7},
    {9, 100, 50, 50, 50, 1, 48, 1, 49, 25},
    {8, 0, 100, 50, 50, 1, 46, 4, 48, 30},
    {7, 100, 100, 50, 50, 8, 33, 7, 47, 40},
    {3, 0, 150, 50, 50, 4, 44, 1, 48, 100},
    {1, 0, 200, 80, 50, 6, 73, 11, 43, 200},
}};
static_assert(kItems.size() == 13, "twelve item kinds, row 0 unused");

inline constexpr int16_t kItemKinds = 12;
// The usable kinds, stocked and spent, and the food, eaten on pick-up; the
// game keeps both ranges in its state (TukauItemFirst, FoodFirst, ...).
inline constexpr int16_t kTukauItemFirst = 1, kTukauItemLast = 6;
inline constexpr int16_t kFoodFirst = 7, kFoodLast = kItemKinds;
inline constexpr int kFoodCap = 200;

constexpr bool IsItemKind(int16_t k) { return k >= 1 && k <= kItemKinds; }

// Eating the food in slot ItemAdd restores its kind's hit points to the
// player, up to kFoodCap.
inline void GetFood(GameState& s, int16_t ItemAdd) {
    const int16_t k = s.KyaraShurui[ItemAdd];
    const int food = IsItemKind(k) ? kItems[k].food : 0;
    int16_t& hp = s.KyaraHp[slot::Molfo];
    hp = static_cast<int16_t>(std::min(hp + food, kFoodCap));
}

}  // namespace molfo
