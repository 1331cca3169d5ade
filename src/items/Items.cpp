// Item drops paid for by score, the items' slow fall, and food.
#include "items/Items.h"

#include <algorithm>
#include <array>

#include "collision/Chousa.h"
#include "core/ItemTable.h"
#include "movement/Ugoki.h"
#include "world/Game.h"

namespace molfo {

namespace {

// The animation never advances in practice: only on multiples of this frame.
constexpr int16_t kItemKomaKankaku = 1000;
constexpr int16_t kDropY = -50;  // inside the border band, where items are not stopped
// Points beyond this since the last drop pay for the next item.
constexpr int16_t kDropPrice = 12;
constexpr double kFallPerFrame = 0.5;

}  // namespace

ItemClass::ItemClass(Game& g) : g_(g), s_(g.s) {}

int16_t ItemClass::Ransu(int16_t N) { return molfo::Ransu(g_, N); }

void ItemClass::ShutugenItemShokika() {
    int16_t sum = 0;
    for (int16_t k = 1; k <= kItemKinds; ++k) {
        s_.ShutugenItemRitu[k] = static_cast<int16_t>(kItems[k].weight + sum);
        sum = s_.ShutugenItemRitu[k];
    }
    s_.ShutugenItemGoukei = sum;
}

int16_t ItemClass::ShutugenItem() {
    const int16_t r = Ransu(s_.ShutugenItemGoukei);
    for (int16_t k = 1; k <= kItemKinds; ++k) {
        const int lo = k == 1 ? 0 : s_.ShutugenItemRitu[k - 1] + 1;
        const int hi = k == kItemKinds ? s_.ShutugenItemGoukei : s_.ShutugenItemRitu[k];
        if (r >= lo && r <= hi) return k;
    }
    return 0;
}

void ItemClass::ItemData(int16_t Add, int16_t ShuruiNo) {
    if (!IsItemKind(ShuruiNo)) return;
    const ItemRow& row = kItems[ShuruiNo];
    SpawnSlot(s_, Add,
              {.Bunrui = bunrui::Item, .Shurui = ShuruiNo, .PicNo = sheet::Item, .PicY = row.picY, .PicX = row.picX,
               .Haba = row.haba, .Takasa = row.takasa, .AtariX1 = row.atariX1, .AtariX2 = row.atariX2,
               .AtariY1 = row.atariY1, .AtariY2 = row.atariY2, .KomaKankaku = kItemKomaKankaku});
}

void ItemClass::ItemShutugenBasho(int16_t Add) {
    // The hit box's right edge stays on the playfield.
    s_.KyaraX[Add] = Ransu(static_cast<int16_t>(kPlayfield - s_.KyaraAtariX2[Add]));
    s_.KyaraY[Add] = kDropY;
}

void ItemMain(Game& g) {
    GameState& s = g.s;
    // Every point scored since the last frame counts, whoever scored it. The
    // total is held at the top of its range while every item slot is busy.
    const int gained = s.ItemTen + (s.GoukeiTen - s.TenMae);
    s.ItemTen = static_cast<int16_t>(std::clamp(gained, -32768, 32767));
    s.TenMae = s.GoukeiTen;

    ItemClass item(g);
    if (s.ItemTen > kDropPrice) {
        for (int16_t a = slot::ItemFirst; a <= slot::ItemLast; ++a) {
            if (s.KyaraSonzai[a] != 0) continue;
            item.ItemData(a, item.ShutugenItem());
            item.ItemShutugenBasho(a);
            // One big gain buys one item; the excess is not carried over.
            s.ItemTen = 0;
            break;
        }
    }

    for (int16_t a = slot::ItemFirst; a <= slot::ItemLast; ++a) {
        if (s.KyaraSonzai[a] != 1) continue;
        // Items only fall, so the exact x field carries their exact y.
        if (s.KyaraUgokiFlag[a] == 0) {
            s.KyaraXD[a] = s.KyaraY[a];
            s.KyaraUgokiFlag[a] = 1;
        }
        s.KyaraXD[a] += kFallPerFrame;
        ChousaClass(g).ChousaMain(a, s.KyaraX[a], CInt(s.KyaraXD[a]));
    }
}

}  // namespace molfo
