#include "replay/StateHash.h"

#include <array>
#include <string>
#include <type_traits>

#include "replay/ReplayFile.h"
#include "world/Game.h"

namespace molfo {

namespace {

class Fnv {
public:
    void Bytes(const void* data, size_t n) { h_ = replay::Fnv64(h_, {static_cast<const uint8_t*>(data), n}); }
    // Values one by one, so padding inside a struct never reaches the hash.
    template <typename T>
    void Value(T v) {
        static_assert(std::is_arithmetic_v<T>);
        Bytes(&v, sizeof v);
    }
    template <typename T, size_t N>
    void Array(const std::array<T, N>& a) {
        if constexpr (std::is_arithmetic_v<T>) {
            Bytes(a.data(), sizeof(T) * N);
        } else {
            for (const auto& e : a) Text(e);
        }
    }
    void Text(const std::string& s) {
        Value(static_cast<uint32_t>(s.size()));
        Bytes(s.data(), s.size());
    }
    uint64_t Get() const { return h_; }

private:
    uint64_t h_ = replay::kFnv64Offset;
};

void HashLabel(Fnv& f, const Label& l) {
    f.Text(l.caption);
    f.Value(l.w);
    f.Value(l.visible);
}

// The labels the hash covers, in its order.
template <typename ScreenT>
auto HashedLabels(ScreenT& w) {
    using L = std::conditional_t<std::is_const_v<ScreenT>, const Label, Label>;
    std::array<L*, 11 + std::tuple_size_v<decltype(w.SPL)>> out{
        &w.Label2, &w.Label1, &w.HPL, &w.MainSPL, &w.Label4, &w.GoukeiTenL, &w.BossL,
        &w.BossKyoriL, &w.BossHpL2, &w.BossHpL, &w.MS};
    for (size_t i = 0; i < w.SPL.size(); ++i) out[11 + i] = &w.SPL[i];
    return out;
}

}  // namespace

replay::Carried CarriedState(const Game& g) {
    replay::Carried c;
    c.ransuState = g.ransuState;
    c.passes = g.passes;
    for (const Label* l : HashedLabels(g.scr)) c.labels.push_back({l->caption, l->w, l->visible});
    c.icon = g.scr.MainItemPic.icon;
    c.haikeiY = g.s.HaikeiY;
    c.haikeiYD = g.s.HaikeiYD;
    return c;
}

void RestoreCarried(Game& g, const replay::Carried& c) {
    g.ransuState = c.ransuState;
    g.passes = c.passes;
    const auto labels = HashedLabels(g.scr);
    for (size_t i = 0; i < labels.size() && i < c.labels.size(); ++i) {
        labels[i]->caption = c.labels[i].caption;
        labels[i]->w = c.labels[i].w;
        labels[i]->visible = c.labels[i].visible;
    }
    g.scr.MainItemPic.icon = c.icon;
    g.s.HaikeiY = static_cast<int16_t>(c.haikeiY);
    g.s.HaikeiYD = c.haikeiYD;
}

uint64_t StateHash(const Game& g) {
    const GameState& s = g.s;
    Fnv f;
    // The integer arrays first and the doubles after them: the order the
    // kept recordings' hashes were taken in.
    ForEachSlotArray(s, [&f](const char*, const auto& a) {
        if constexpr (std::is_integral_v<typename std::decay_t<decltype(a)>::value_type>) f.Array(a);
    });
    ForEachSlotArray(s, [&f](const char*, const auto& a) {
        if constexpr (std::is_floating_point_v<typename std::decay_t<decltype(a)>::value_type>) f.Array(a);
    });
    f.Array(s.ChousaMap.cells);

    for (int16_t v : {s.InGame, s.ShuryoFlag, s.GameOverFlag}) f.Value(v);
    // The tick readings are the recording's own input; hashing them would
    // only repeat it, but FrameCount is the game's.
    f.Value(s.FrameCount);
    for (int16_t v : {s.KyaraMax, s.MolfoNo, s.MolfoDanFirst, s.MolfoDanLast, s.MolfoSFirst, s.MolfoSLast,
                      s.ZakoFirst, s.ZakoLast, s.TekidanFirst, s.TekidanLast, s.BossFirst, s.BossLast, s.ItemFirst,
                      s.ItemLast, s.KyaraLast})
        f.Value(v);
    for (int16_t v : {s.SutejiNo, s.SutejiMax, s.EndingSuteji, s.SutejiNagasa, s.ZakoRitu, s.ZakoRituNow,
                      s.ToujouZakoSu, s.BossToujou, s.SutejiKuria})
        f.Value(v);
    f.Array(s.ToujouZako);
    for (int16_t v : {s.GoukeiTen, s.ShownHp, s.ShownTen, s.ShownBossHp, s.ShownItemKosu, s.ItemTen, s.TenMae})
        f.Value(v);
    f.Value(s.BossHpRitu);
    f.Array(s.ShutugenItemRitu);
    f.Value(s.ShutugenItemGoukei);
    f.Array(s.ItemKosu);
    for (int16_t v : {s.TukauItemFirst, s.TukauItemLast, s.FoodFirst, s.FoodLast, s.TukauItemNo, s.HantenCount})
        f.Value(v);
    f.Value(s.ItemChangeFrame);
    f.Value(s.ItemUseFrame);
    f.Array(s.KyokuFile);
    f.Array(s.KoukaonFile);

    f.Value(g.ransuState);
    f.Value(static_cast<int>(g.scene));
    f.Value(g.passes);
    const Screen& w = g.scr;
    for (const Label* l : HashedLabels(w)) HashLabel(f, *l);
    f.Value(w.MainItemPic.icon);
    f.Value(s.HaikeiY);  // here, after the window's controls, as recordings have it
    f.Value(w.CurrentY);
    return f.Get();
}

}  // namespace molfo
