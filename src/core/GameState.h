// The object table and every game-state variable, in one value.
//
// Names and widths follow the game's own: an Integer is int16_t, a Long
// int32_t, a Single float, a Double double. Every per-slot property is a
// parallel array indexed by slot number 0..KyaraMax.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

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
    // Where cell (x, y) lies in `cells`; both inside the grid.
    static constexpr size_t Index(int x, int y) {
        return static_cast<size_t>(y - Min) * Side + static_cast<size_t>(x - Min);
    }
    int16_t& at(int x, int y) { return cells[Index(x, y)]; }
    int16_t at(int x, int y) const { return cells[Index(x, y)]; }

    // Outer wall everywhere, the border band inside it, the playfield free.
    void Fill();
    void Clear() { cells.fill(0); }
};

// KyaraBunrui, the category every data routine writes. Nothing in play reads
// it, but it is in the state hash and the dumps, so the values stay.
namespace bunrui {
inline constexpr int16_t Molfo = 1;  // the player and its shots
inline constexpr int16_t MolfoS = 3;  // special-attack objects
inline constexpr int16_t Zako = 4;
inline constexpr int16_t Tekidan = 5;
inline constexpr int16_t Boss = 6;
inline constexpr int16_t Item = 7;
}  // namespace bunrui

// KyaraPicNo: the window's sprite sheet a slot is drawn from.
namespace sheet {
inline constexpr int16_t Molfo = 0;  // the player, its shots and the special attacks
inline constexpr int16_t Zako = 1;
inline constexpr int16_t Boss = 2;  // the boss's own picture, loaded at its arrival; the end screens borrow it
inline constexpr int16_t Tekidan = 3;
inline constexpr int16_t Item = 4;
}  // namespace sheet

// ShuryoFlag: the program's only way to end.
namespace shuryo {
inline constexpr int16_t Running = 0;
// The window was asked to close and nothing has acted on it yet: the next
// check of the flag turns it into End.
inline constexpr int16_t CloseAsked = 1;
// Every loop and every wait stops as soon as it sees this.
inline constexpr int16_t End = -1;
}  // namespace shuryo

// Indices of KyokuFile, the songs ("music n").
namespace kyoku {
inline constexpr int Opening = 1;
inline constexpr int Suteji1 = 2;  // the songs of stages 1..5 follow in order
inline constexpr int Boss1 = 7;    // the songs of bosses 1..5 follow in order
inline constexpr int Ending = 12;
inline constexpr int Count = 13;  // with the unused index 0
// The repeat count of every song but the title's.
inline constexpr int16_t Kaisu = 10;
constexpr int Suteji(int sutejiNo) { return Suteji1 + sutejiNo - 1; }
constexpr int Boss(int sutejiNo) { return Boss1 + sutejiNo - 1; }
}  // namespace kyoku

// Indices of KoukaonFile, the sound effects ("effect n"), named after their files.
namespace koukaon {
inline constexpr int MolfoKo = 1;  // the player is down
inline constexpr int Dameji = 2;   // the player is hurt
inline constexpr int MolfoKousen = 3;  // never played
// The launches of the special attacks, kinds 1..5, and the bomb, in the
// order of the item kinds.
inline constexpr int Kurosu = 4;
inline constexpr int RingBariya = 5;
inline constexpr int Supaku = 6;
inline constexpr int Faiya = 7;
inline constexpr int Supairaru = 8;
inline constexpr int Bom = 9;
inline constexpr int ZakoKo = 10;  // a small enemy hit by a shot or a special attack
inline constexpr int Hit = 11;     // the boss hit and still standing
inline constexpr int BossToujou = 12;  // never played
inline constexpr int BossKo = 13;      // the boss destroyed
inline constexpr int SutejiStart = 14;  // a new game
inline constexpr int SutejiKuria = 15;  // never played
inline constexpr int ItemGet = 16;
inline constexpr int Count = 17;  // with the unused index 0
}  // namespace koukaon

template <typename T>
using SlotArray = std::array<T, slot::Count>;

struct GameState {
    // --- per-slot properties (26 arrays; ForEachSlotArray lists them) ---
    SlotArray<int16_t> KyaraBunrui{};       // category (bunrui::), written by the data routines, never read
    SlotArray<int16_t> KyaraShurui{};       // kind within the category: enemy type, item kind, boss, special
    SlotArray<int16_t> KyaraHp{};           // hit points; gone below 1
    SlotArray<int16_t> KyaraKougeki{};      // damage dealt to whatever it touches
    SlotArray<int16_t> KyaraSoku{};         // speed, pixels a frame
    SlotArray<int16_t> KyaraTen{};          // points scored when it is destroyed
    SlotArray<int16_t> KyaraPicNo{};        // sprite sheet (sheet::)
    SlotArray<int16_t> KyaraPicY{};         // top row of its cell in the sheet
    SlotArray<int16_t> KyaraPicX{};         // left column of animation frame 0 in the sheet
    SlotArray<int16_t> KyaraHaba{};         // sprite width
    SlotArray<int16_t> KyaraTakasa{};       // sprite height
    SlotArray<int16_t> KyaraSonzai{};       // 1 live, 0 free
    SlotArray<int16_t> KyaraAtariX1{};      // hit box left edge, from KyaraX
    SlotArray<int16_t> KyaraAtariX2{};      // hit box right edge, from KyaraX
    SlotArray<int16_t> KyaraAtariY1{};      // hit box top edge, from KyaraY
    SlotArray<int16_t> KyaraAtariY2{};      // hit box bottom edge, from KyaraY
    SlotArray<int16_t> KyaraX{};            // sprite's left edge on the playfield
    SlotArray<int16_t> KyaraY{};            // sprite's top edge on the playfield
    SlotArray<int16_t> KyaraKoma{};         // animation frame, from 0
    SlotArray<int16_t> KyaraKomaKankaku{};  // frames per animation step
    SlotArray<int16_t> KyaraUgokiFlag{};    // 1 once a movement rule has set up XD, YD and UgokiD
    SlotArray<double> KyaraXD{};            // exact x of a sub-pixel mover (an item's exact y)
    SlotArray<double> KyaraYD{};            // exact y of a sub-pixel mover
    SlotArray<double> KyaraUgokiD{};        // the movement rule's own value: heading, route point, volley ordinal
    SlotArray<int16_t> KyaraMuki{};         // an enemy bullet's direction code (muki:: in enemies/)
    SlotArray<int16_t> KyaraDameji{};       // 1: hit and survived, drawn once as a white silhouette

    CollisionGrid ChousaMap{};  // the collision grid: walls and the slots' hit-box outlines

    // --- flow ---
    int16_t InGame = 0;        // 1 while a game is played; 0 sends the loop back to the title
    int16_t ShuryoFlag = 0;    // shuryo::
    int16_t GameOverFlag = 0;  // 1 once the player's hit points are gone
    int32_t FrameCount = 0;    // frames since the stage began, or since its boss arrived
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
    int16_t SutejiNo = 0;      // the stage, 1..5; 6 once the last boss is beaten
    int16_t SutejiMax = 0;
    int16_t EndingSuteji = 0;  // the stage number that runs the ending instead
    int16_t SutejiNagasa = 0;  // frames from the stage's start to its boss
    int16_t ZakoRitu = 0;      // the stage's odds of a small enemy a frame, 1 in n
    int16_t ZakoRituNow = 0;   // the odds in force, chosen again every 300 frames
    std::array<int16_t, 13> ToujouZako{};  // enemy types the stage sends, entries 1..ToujouZakoSu
    int16_t ToujouZakoSu = 0;
    int16_t BossToujou = 0;   // 1 once the stage's boss has appeared
    int16_t SutejiKuria = 0;  // 1 once the boss is destroyed: the stage ends next frame

    // --- score and HUD memory ---
    int16_t GoukeiTen = 0;  // the score
    int16_t ShownHp = 0, ShownTen = 0, ShownBossHp = 0, ShownItemKosu = 0;
    float BossHpRitu = 0.0f;  // boss hit points per pixel of its bar
    int16_t ItemTen = 0;      // points since the last item drop
    int16_t TenMae = 0;       // the score as the last frame saw it

    // --- items ---
    std::array<int16_t, 13> ShutugenItemRitu{};  // drop weights of item kinds 1..12, summed up to each kind
    int16_t ShutugenItemGoukei = 0;              // the sum of all the drop weights
    std::array<int16_t, 7> ItemKosu{};           // usable items held, by kind 1..6
    int16_t TukauItemFirst = 0, TukauItemLast = 0;
    int16_t FoodFirst = 0, FoodLast = 0;
    int16_t TukauItemNo = 0;  // the usable item selected
    // Both widened from 16 bits: they receive FrameCount, and a boss fight
    // may pass 32767 frames; the key guards compare them with FrameCount.
    int32_t ItemChangeFrame = 0;
    int32_t ItemUseFrame = 0;
    int16_t HantenCount = 0;  // frames left of the bomb's inverted background

    // --- the background's scroll ---
    // The row of the stage's picture at the top of the playfield, and its
    // whole part. Only the drawing step moves it, half a pixel a frame;
    // nothing resets it, so it runs on from the title into play and from
    // game to game. The state hash and the recordings carry it.
    double HaikeiYD = 0.0;
    int16_t HaikeiY = 0;

    // --- file tables, index 0 unused ---
    std::array<std::string, kyoku::Count> KyokuFile{};      // songs, by kyoku::
    std::array<std::string, koukaon::Count> KoukaonFile{};  // effects, by koukaon::

    // Adds points to the score; the score stops at 32767 instead of wrapping.
    void AddScore(int points);
};

// Calls f(name, array) for each per-slot array, in the order declared above.
// This is the one list of them: the clear, the freeing and filling of a
// slot, the state hash and the dump all walk it.
template <typename State, typename F>
    requires std::is_same_v<std::remove_const_t<State>, GameState>
void ForEachSlotArray(State& s, F&& f) {
    f("KyaraBunrui", s.KyaraBunrui);
    f("KyaraShurui", s.KyaraShurui);
    f("KyaraHp", s.KyaraHp);
    f("KyaraKougeki", s.KyaraKougeki);
    f("KyaraSoku", s.KyaraSoku);
    f("KyaraTen", s.KyaraTen);
    f("KyaraPicNo", s.KyaraPicNo);
    f("KyaraPicY", s.KyaraPicY);
    f("KyaraPicX", s.KyaraPicX);
    f("KyaraHaba", s.KyaraHaba);
    f("KyaraTakasa", s.KyaraTakasa);
    f("KyaraSonzai", s.KyaraSonzai);
    f("KyaraAtariX1", s.KyaraAtariX1);
    f("KyaraAtariX2", s.KyaraAtariX2);
    f("KyaraAtariY1", s.KyaraAtariY1);
    f("KyaraAtariY2", s.KyaraAtariY2);
    f("KyaraX", s.KyaraX);
    f("KyaraY", s.KyaraY);
    f("KyaraKoma", s.KyaraKoma);
    f("KyaraKomaKankaku", s.KyaraKomaKankaku);
    f("KyaraUgokiFlag", s.KyaraUgokiFlag);
    f("KyaraXD", s.KyaraXD);
    f("KyaraYD", s.KyaraYD);
    f("KyaraUgokiD", s.KyaraUgokiD);
    f("KyaraMuki", s.KyaraMuki);
    f("KyaraDameji", s.KyaraDameji);
}

// What a new object of one kind starts with, from its kind's row of a data
// table. A spawned slot is live, and every property not named here is 0.
struct SlotRow {
    int16_t Bunrui = 0, Shurui = 0, Hp = 0, Kougeki = 0, Soku = 0, Ten = 0;
    int16_t PicNo = 0, PicY = 0, PicX = 0, Haba = 0, Takasa = 0;
    int16_t AtariX1 = 0, AtariX2 = 0, AtariY1 = 0, AtariY2 = 0;
    int16_t X = 0, Y = 0, KomaKankaku = 0;
};

// The one way a slot is filled: every property zeroed, then the row copied
// and the slot made live, so nothing of the slot's last object survives.
void SpawnSlot(GameState& s, int16_t add, const SlotRow& row);
// Zeroes every property of one slot.
void ZeroSlot(GameState& s, int16_t add);

// Zeroes the 26 per-slot arrays.
void ClearSlots(GameState& s);

// The file names of the songs and effects, index 0 empty.
extern const std::array<const char*, kyoku::Count> kKyokuFileNames;
extern const std::array<const char*, koukaon::Count> kKoukaonFileNames;

}  // namespace molfo
