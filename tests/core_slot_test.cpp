// Filling and walking the object table's slots: SpawnSlot behind every data
// routine, and the one list of per-slot arrays.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "boss/Boss.h"
#include "enemies/Enemies.h"
#include "items/Items.h"

namespace molfo {
namespace {

// One slot's 26 properties as the golden file writes them.
std::string Row(const GameState& s, int a) {
    std::string out;
    ForEachSlotArray(s, [&](const char* name, const auto& arr) {
        char v[64];
        if constexpr (std::is_floating_point_v<typename std::decay_t<decltype(arr)>::value_type>)
            std::snprintf(v, sizeof v, "%.17g", arr[a]);
        else
            std::snprintf(v, sizeof v, "%d", arr[a]);
        out += (out.empty() ? "" : " ") + std::string(name + 5) + "=" + v;
    });
    return out;
}

// Something in every property, as a slot left by any earlier object (a shot
// or an item freed without being cleared, a bad spawn) might hold.
void Litter(GameState& s, int a) {
    int n = 0;
    ForEachSlotArray(s, [&](const char*, auto& arr) { arr[a] = static_cast<int16_t>(-7 - 3 * n++); });
}

std::map<std::string, std::string> GoldenRows() {
    std::map<std::string, std::string> rows;
    std::ifstream in(std::string(MOLFO_SOURCE_DIR) + "/tests/golden/slot-rows.txt");
    std::string line;
    while (std::getline(in, line)) {
        const size_t colon = line.find(": ");
        if (line.empty() || line[0] == '#' || colon == std::string::npos) continue;
        rows[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return rows;
}

struct Writer {
    std::string name;
    int16_t kind;
    int16_t slot;
    std::function<void(Game&, int16_t kind)> fill;
};

std::vector<Writer> Writers() {
    std::vector<Writer> w;
    const auto add = [&w](const std::string& name, int16_t first, int16_t last, int16_t slot,
                          std::function<void(Game&, int16_t)> fill) {
        for (int16_t k = first; k <= last; ++k) w.push_back({name, k, slot, fill});
    };
    add("MolfoData", 1, 1, slot::Molfo, [](Game& g, int16_t) { KyaraDataClass(g).MolfoData(); });
    add("MolfoAData", 1, 1, slot::MolfoDanFirst,
        [](Game& g, int16_t) { KyaraDataClass(g).MolfoAData(slot::MolfoDanFirst); });
    add("MolfoSData", 1, 5, slot::MolfoSFirst,
        [](Game& g, int16_t k) { ItemClass(g).MolfoSData(slot::MolfoSFirst, k); });
    add("ZakoData", 1, 14, slot::ZakoFirst, [](Game& g, int16_t k) { KyaraDataClass(g).ZakoData(slot::ZakoFirst, k); });
    add("TekidanData", 1, 1, slot::TekidanFirst,
        [](Game& g, int16_t) { TekiDanClass(g).TekidanData(slot::TekidanFirst); });
    add("BossData", 1, 5, slot::BossFirst, [](Game& g, int16_t stage) {
        g.s.SutejiNo = stage;
        BossDataClass(g).BossData(slot::BossFirst);
    });
    add("ItemData", 1, 12, slot::ItemFirst, [](Game& g, int16_t k) { ItemClass(g).ItemData(slot::ItemFirst, k); });
    return w;
}

TEST(SpawnSlot, EveryDataRoutineWritesItsKindsRowWhateverTheSlotHeld) {
    const auto golden = GoldenRows();
    const auto writers = Writers();
    ASSERT_EQ(golden.size(), writers.size()) << "one golden row for every kind of every data routine";
    test::TestGame t;
    t.NewGame();
    for (const Writer& w : writers) {
        const std::string key = w.name + " " + std::to_string(w.kind);
        Litter(t.s, w.slot);
        w.fill(t.g, w.kind);
        const auto it = golden.find(key);
        ASSERT_NE(it, golden.end()) << key << " has no golden row";
        EXPECT_EQ(Row(t.s, w.slot), it->second)
            << key << ": a new object starts with its kind's row and nothing of the slot's last object";
    }
}

TEST(SpawnSlot, AKindWithNoRowLeavesTheSlotAlone) {
    const std::vector<Writer> cases = {
        {"ZakoData", 0, slot::ZakoFirst, [](Game& g, int16_t k) { KyaraDataClass(g).ZakoData(slot::ZakoFirst, k); }},
        {"ZakoData", 15, slot::ZakoFirst, [](Game& g, int16_t k) { KyaraDataClass(g).ZakoData(slot::ZakoFirst, k); }},
        {"MolfoSData", 0, slot::MolfoSFirst,
         [](Game& g, int16_t k) { ItemClass(g).MolfoSData(slot::MolfoSFirst, k); }},
        {"MolfoSData", sp::Bom, slot::MolfoSFirst,
         [](Game& g, int16_t k) { ItemClass(g).MolfoSData(slot::MolfoSFirst, k); }},
        {"ItemData", 0, slot::ItemFirst, [](Game& g, int16_t k) { ItemClass(g).ItemData(slot::ItemFirst, k); }},
        {"ItemData", 13, slot::ItemFirst, [](Game& g, int16_t k) { ItemClass(g).ItemData(slot::ItemFirst, k); }},
        {"BossData", 6, slot::BossFirst,
         [](Game& g, int16_t stage) {
             g.s.SutejiNo = stage;
             BossDataClass(g).BossData(slot::BossFirst);
         }},
    };
    test::TestGame t;
    t.NewGame();
    for (const Writer& c : cases) {
        Litter(t.s, c.slot);
        const std::string before = Row(t.s, c.slot);
        c.fill(t.g, c.kind);
        EXPECT_EQ(Row(t.s, c.slot), before) << c.name << " " << c.kind << ": no row, so nothing is written";
    }
}

// The arrays ForEachSlotArray visits must tile GameState from its first
// per-slot array to the collision grid: an array added there and not to the
// list would escape the clear, the freeing, the hash and the dump.
TEST(SlotArrays, TheListCoversEveryPerSlotArray) {
    test::TestGame t;
    const GameState& s = t.s;
    struct Span { const char* name; const char* begin; const char* end; size_t align; };
    std::vector<Span> spans;
    ForEachSlotArray(s, [&](const char* name, const auto& a) {
        const char* p = reinterpret_cast<const char*>(&a);
        spans.push_back({name, p, p + sizeof a, alignof(std::decay_t<decltype(a)>)});
    });
    ASSERT_EQ(spans.size(), 26u);
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.begin < b.begin; });
    const char* at = reinterpret_cast<const char*>(&s.KyaraBunrui);
    for (const Span& sp : spans) {
        const auto misalign = static_cast<size_t>(at - reinterpret_cast<const char*>(&s)) % sp.align;
        const char* expected = misalign == 0 ? at : at + (sp.align - misalign);
        EXPECT_EQ(sp.begin, expected)
            << sp.name << " does not follow the array before it: one is missing from the list";
        at = sp.end;
    }
    const char* grid = reinterpret_cast<const char*>(&s.ChousaMap);
    EXPECT_LE(grid - at, static_cast<std::ptrdiff_t>(alignof(CollisionGrid)))
        << "a per-slot array between the last listed one and the collision grid is missing from the list";
}

}  // namespace
}  // namespace molfo
