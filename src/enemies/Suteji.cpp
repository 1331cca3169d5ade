// The stage table: how long each stage runs, what it scrolls, how often
// small enemies appear and which kinds may appear.
#include <array>

#include "enemies/Enemies.h"
#include "world/Game.h"

namespace molfo {

namespace {

struct SutejiRow {
    int16_t nagasa;
    const char* haikei;
    int16_t ritu;
    int16_t zakoSu;
    std::array<int16_t, 12> zako;  // entries 1..zakoSu of ToujouZako
};

// Columns: SutejiNagasa (frames), HaikeiPicFile, ZakoShurugenRitu (one chance
// in N per frame), ToujouZakoSu, ToujouZako entries in order.
constexpr std::array<SutejiRow, 5> kSutejiTable = {{
    {7000, "sys\\mainmap1.JPG", 35, 4, {1, 2, 3, 7}},
    {8000, "sys\\mainmap2.JPG", 40, 7, {1, 2, 3, 6, 7, 9, 12}},
    {9000, "sys\\mainmap3.JPG", 30, 9, {1, 2, 3, 6, 14, 9, 10, 12, 13}},
    {9000, "sys\\mainmap4.JPG", 28, 10, {13, 2, 3, 4, 5, 6, 7, 9, 10, 12}},
    {9000, "sys\\mainmap5.JPG", 26, 12, {13, 14, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
}};
static_assert(kSutejiTable.size() == 5, "one row per stage");

constexpr bool ListsFit() {
    for (const auto& r : kSutejiTable) {
        if (r.zakoSu < 1 || r.zakoSu > static_cast<int16_t>(r.zako.size())) return false;
        for (int i = 0; i < r.zakoSu; ++i)
            if (r.zako[i] < 1 || r.zako[i] > 14) return false;
    }
    return true;
}
static_assert(ListsFit(), "every stage lists between 1 and 12 enemy types, all of them 1..14");

const SutejiRow* Row(int16_t sutejiNo) {
    if (sutejiNo < 1 || sutejiNo > static_cast<int16_t>(kSutejiTable.size())) return nullptr;
    return &kSutejiTable[sutejiNo - 1];
}

}  // namespace

SutejiClass::SutejiClass(Game& g) : g_(g), s_(g.s) {}

int16_t SutejiClass::SutejiNagasa() {
    const SutejiRow* r = Row(s_.SutejiNo);
    return r ? r->nagasa : 0;
}

std::string SutejiClass::HaikeiPicFile() {
    const SutejiRow* r = Row(s_.SutejiNo);
    return r ? r->haikei : "";
}

int16_t SutejiClass::ZakoShurugenRitu() {
    const SutejiRow* r = Row(s_.SutejiNo);
    // A new stage always starts at its base odds.
    s_.ZakoRituNow = r ? r->ritu : 0;
    return s_.ZakoRituNow;
}

void SutejiClass::ToujouZakos() {
    const SutejiRow* r = Row(s_.SutejiNo);
    if (!r) return;
    // Re-created, not appended to: a shorter list leaves no entries of the last.
    s_.ToujouZako.fill(0);
    for (int i = 0; i < r->zakoSu; ++i) s_.ToujouZako[i + 1] = r->zako[i];
    s_.ToujouZakoSu = r->zakoSu;
}

}  // namespace molfo
