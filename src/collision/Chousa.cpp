// The collision sweep and what each contact does. The grid holds only the
// outline of each live hit box, so a move costs the cells of two outlines and
// nothing per other object; the price is that a box wholly inside another
// never touches it.
#include "collision/Chousa.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>

#include "core/ItemTable.h"
#include "world/Game.h"

namespace molfo {

namespace {

// Positions are 16-bit in the game; a hit-box edge wraps like one.
int16_t Add16(int a, int b) { return static_cast<int16_t>(a + b); }

int16_t Sub16(int16_t a, int16_t b) { return static_cast<int16_t>(a - b); }

bool IsWall(int16_t v) { return v == cell::OuterWall || v == cell::Border; }

struct Box {
    int x1, y1, x2, y2;
};

Box HitBox(const GameState& s, int16_t add, int16_t x, int16_t y) {
    return {Add16(s.KyaraAtariX1[add], x), Add16(s.KyaraAtariY1[add], y), Add16(s.KyaraAtariX2[add], x),
            Add16(s.KyaraAtariY2[add], y)};
}

// One edge of an outline: the cells from..to along a row (at = y) or a
// column (at = x). The grid's bounds are checked once an edge, not once a
// cell: a sweep walks some hundreds of cells.
struct Edge {
    bool alongX;
    int at, from, to;
};

constexpr int kGridMin = CollisionGrid::Min, kGridMax = CollisionGrid::MaxCoord;

// Where the edge's cell `i` lies in the grid's cells (i inside the grid).
size_t CellOf(const Edge& e, int i) {
    return e.alongX ? CollisionGrid::Index(i, e.at) : CollisionGrid::Index(e.at, i);
}

// Calls `cell` with each of the edge's cells inside the grid, in order.
template <typename Cells, typename Cell>
void ForEachCell(Cells& grid, const Edge& e, Cell&& cell) {
    if (e.at < kGridMin || e.at > kGridMax) return;
    const int a = std::max(e.from, kGridMin), b = std::min(e.to, kGridMax);
    if (a > b) return;
    auto* c = &grid.cells[CellOf(e, a)];
    const ptrdiff_t step = e.alongX ? 1 : CollisionGrid::Side;
    for (int i = a;; ++i) {
        cell(*c);
        if (i == b) break;
        c += step;
    }
}

// The same for reading: cells outside the grid read as outer wall, met
// where they lie along the edge.
template <typename Visit>
void ForEachValue(const CollisionGrid& grid, const Edge& e, Visit&& visit) {
    if (e.from > e.to) return;
    const bool outside = e.at < kGridMin || e.at > kGridMax;
    if (outside || e.from < kGridMin) visit(cell::OuterWall);
    ForEachCell(grid, e, visit);
    if (!outside && e.to > kGridMax) visit(cell::OuterWall);
}

// The outline's edges in the order the sweep reads them: the sides, then
// the top and the bottom.
std::array<Edge, 4> Outline(const Box& b) {
    return {Edge{false, b.x1, b.y1, b.y2}, Edge{false, b.x2, b.y1, b.y2}, Edge{true, b.y1, b.x1, b.x2},
            Edge{true, b.y2, b.x1, b.x2}};
}

}  // namespace

ChousaClass::ChousaClass(Game& g) : g_(g), s_(g.s) {}

void ChousaClass::RinkakuKesu(int16_t Add, int16_t X, int16_t Y) {
    for (const Edge& e : Outline(HitBox(s_, Add, X, Y)))
        ForEachCell(s_.ChousaMap, e, [](int16_t& c) {
            if (!IsWall(c)) c = cell::Free;
        });
}

void ChousaClass::RinkakuIdou(int16_t Add, int16_t X, int16_t Y, int16_t Bx, int16_t By) {
    RinkakuKesu(Add, X, Y);
    for (const Edge& e : Outline(HitBox(s_, Add, Bx, By)))
        ForEachCell(s_.ChousaMap, e, [Add](int16_t& c) {
            if (!IsWall(c)) c = Add;
        });
}

void ChousaClass::ChousaMain(int16_t Add, int16_t Bx, int16_t By) {
    if (Add < 0 || Add > slot::Max) return;
    // Flags left by a refused move.
    if (kesuAny_) KesuFlag.fill(0);
    kesuAny_ = false;
    if (++sweep_ == 0) {
        ChousaZumi.fill(0);
        sweep_ = 1;
    }

    const Box b = HitBox(s_, Add, Bx, By);
    // Each distinct value is handled once, in the order its first cell is met.
    auto visit = [this, Add](int16_t v) {
        if (v <= cell::Free || v > slot::Max || ChousaZumi[v] == sweep_) return;
        AtariBunki(Add, v);
        ChousaZumi[v] = sweep_;
    };
    for (const Edge& e : Outline(b)) ForEachValue(s_.ChousaMap, e, visit);

    if (TomaruFlag == 1) {
        // A refused move takes back its removals but not what already happened.
        TomaruFlag = 0;
        return;
    }

    if (s_.KyaraSonzai[Add] == 1) {
        RinkakuIdou(Add, s_.KyaraX[Add], s_.KyaraY[Add], Bx, By);
        s_.KyaraX[Add] = Bx;
        s_.KyaraY[Add] = By;
    } else {
        RinkakuKesu(Add, s_.KyaraX[Add], s_.KyaraY[Add]);
    }

    if (kesuAny_) {
        for (int16_t k = slot::Molfo; k <= slot::Max; ++k) {
            if (KesuFlag[k] != 1) continue;
            if (slot::IsMolfoDan(k)) {
                // A shot keeps its template so the slot can fire again.
                RinkakuKesu(k, s_.KyaraX[k], s_.KyaraY[k]);
                s_.KyaraSonzai[k] = 0;
            } else {
                KyaraShokika(k);
            }
        }
        KesuFlag.fill(0);
        kesuAny_ = false;
    }
}

void ChousaClass::AtariBunki(int16_t Add, int16_t Found) {
    if (Add == slot::Molfo)
        MolfoAtari(Add, Found);
    else if (slot::IsMolfoDan(Add))
        MolfoDanAtari(Add, Found);
    else if (slot::IsMolfoS(Add))
        MolfoSAtari(Add, Found);
    else if (slot::IsZako(Add))
        ZakoAtari(Add, Found);
    else if (slot::IsTekidan(Add))
        TekidanAtari(Add, Found);
    else if (slot::IsBoss(Add))
        BossAtari(Add, Found);
    else if (slot::IsItem(Add))
        ItemAtari(Add, Found);
}

// The handlers below are deliberately not symmetric: who moves into whom
// decides what happens (a boss part moving into the player is hurt by it,
// the player moving into a boss part is not).

void ChousaClass::MolfoAtari(int16_t Add, int16_t Found) {
    (void)Add;
    if (Found == cell::OuterWall || Found == cell::Border) {
        TomaruFlag = 1;
    } else if (slot::IsZako(Found)) {
        MolfoDameji(Found);
        ZakoDameji(Found, slot::Molfo);
    } else if (slot::IsTekidan(Found)) {
        Kesu(Found);
        MolfoDameji(Found);
    } else if (slot::IsBoss(Found)) {
        MolfoDameji(Found);
    } else if (slot::IsItem(Found)) {
        ItemGet(Found);
    }
}

void ChousaClass::MolfoDanAtari(int16_t Add, int16_t Found) {
    if (Found == cell::OuterWall || Found == cell::Border) {
        Kesu(Add);
    } else if (slot::IsZako(Found)) {
        ZakoDameji(Found, Add);
        Kesu(Add);
    } else if (slot::IsBoss(Found)) {
        BossDameji(Found, Add);
        Kesu(Add);
    }
}

void ChousaClass::MolfoSAtari(int16_t Add, int16_t Found) {
    // Special attacks fly through the border band and end only at the outer wall.
    if (Found == cell::OuterWall) {
        Kesu(Add);
    } else if (slot::IsZako(Found)) {
        ZakoDameji(Found, Add);
        MolfoSDameji(Add, Found);
    } else if (slot::IsTekidan(Found)) {
        Kesu(Found);
        MolfoSDameji(Add, Found);
    } else if (slot::IsBoss(Found)) {
        MolfoSDameji(Add, Found);
        BossDameji(Found, Add);
    }
}

void ChousaClass::ZakoAtari(int16_t Add, int16_t Found) {
    if (Found == cell::OuterWall) {
        Kesu(Add);
    } else if (Found == slot::Molfo) {
        MolfoDameji(Add);
        ZakoDameji(Add, slot::Molfo);
    } else if (slot::IsMolfoDan(Found)) {
        ZakoDameji(Add, Found);
        Kesu(Found);
    } else if (slot::IsMolfoS(Found)) {
        ZakoDameji(Add, Found);
        MolfoSDameji(Found, Add);
    }
}

void ChousaClass::TekidanAtari(int16_t Add, int16_t Found) {
    if (Found == cell::OuterWall) {
        Kesu(Add);
    } else if (Found == slot::Molfo) {
        Kesu(Add);
        MolfoDameji(Add);
    } else if (slot::IsMolfoS(Found)) {
        Kesu(Add);
        MolfoSDameji(Found, Add);
    }
}

void ChousaClass::BossAtari(int16_t Add, int16_t Found) {
    if (Found == cell::OuterWall) {
        TomaruFlag = 1;
    } else if (Found == slot::Molfo) {
        MolfoDameji(Add);
        BossDameji(Add, slot::Molfo);
    } else if (slot::IsMolfoDan(Found)) {
        BossDameji(Add, Found);
        Kesu(Found);
    } else if (slot::IsMolfoS(Found)) {
        BossDameji(Add, Found);
    }
}

void ChousaClass::ItemAtari(int16_t Add, int16_t Found) {
    if (Found == cell::OuterWall) {
        // Not a removal: the item ends where it stands, in the sweep's move step.
        s_.KyaraSonzai[Add] = 0;
    } else if (Found == slot::Molfo) {
        ItemGet(Add);
    }
}

// What a contact does: damage, score, pick-ups, the end-of-game and
// end-of-stage flags, and the sounds. Destroyed objects are only marked;
// the sweep removes them at its end.
void ChousaClass::Koukaon(int n) {
    if (g_.Oto) g_.Oto->Koukaon(s_.KoukaonFile[n]);
}

void ChousaClass::MolfoDameji(int16_t Src) {
    const int16_t m = slot::Molfo;
    s_.KyaraHp[m] = Sub16(s_.KyaraHp[m], s_.KyaraKougeki[Src]);
    s_.KyaraDameji[m] = 1;
    // With one effect channel the damage sound cuts the death sound off at
    // once; that is how a loss sounds.
    if (s_.KyaraHp[m] < 1) {
        Koukaon(koukaon::MolfoKo);
        s_.GameOverFlag = 1;
    }
    Koukaon(koukaon::Dameji);
}

void ChousaClass::ZakoDameji(int16_t E, int16_t A) {
    s_.KyaraHp[E] = Sub16(s_.KyaraHp[E], s_.KyaraKougeki[A]);
    if (s_.KyaraHp[E] < 1) {
        s_.AddScore(s_.KyaraTen[E]);
        Kesu(E);
    } else {
        s_.KyaraDameji[E] = 1;
    }
    // Ramming an enemy is silent here; the player's own damage sound covers it.
    if (A != slot::Molfo) Koukaon(koukaon::ZakoKo);
}

void ChousaClass::MolfoSDameji(int16_t M, int16_t A) {
    s_.KyaraHp[M] = Sub16(s_.KyaraHp[M], s_.KyaraKougeki[A]);
    if (s_.KyaraHp[M] < 1) Kesu(M);
}

void ChousaClass::BossDameji(int16_t P, int16_t A) {
    s_.KyaraHp[P] = Sub16(s_.KyaraHp[P], s_.KyaraKougeki[A]);
    if (s_.KyaraHp[P] < 1) {
        s_.AddScore(s_.KyaraTen[P]);
        Kesu(P);
        Koukaon(koukaon::BossKo);
        s_.SutejiKuria = 1;
    } else {
        s_.KyaraDameji[P] = 1;
        Koukaon(koukaon::Hit);
    }
}

void ChousaClass::ItemGet(int16_t I) {
    Kesu(I);
    const int16_t k = s_.KyaraShurui[I];
    const bool usable = k >= s_.TukauItemFirst && k <= s_.TukauItemLast;
    if (usable && k >= 1 && k < static_cast<int>(s_.ItemKosu.size())) {
        s_.ItemKosu[k] = static_cast<int16_t>(s_.ItemKosu[k] + 1);
        g_.scr.SPL[k].caption = std::to_string(s_.ItemKosu[k]);
    }
    if (k >= s_.FoodFirst && k <= s_.FoodLast) GetFood(s_, I);
    Koukaon(koukaon::ItemGet);
}

void ChousaClass::KyaraShokika(int16_t Add) {
    if (Add < 0 || Add > slot::Max) return;
    RinkakuKesu(Add, s_.KyaraX[Add], s_.KyaraY[Add]);
    // Everything but the kind goes; whoever fills the slot next writes that.
    const int16_t shurui = s_.KyaraShurui[Add];
    ZeroSlot(s_, Add);
    s_.KyaraShurui[Add] = shurui;
}

}  // namespace molfo
