// Where the window's controls sit and how they start: one row per label,
// the item column, and the surfaces' sizes. The compositor (render/Screen.cpp)
// draws them wherever they are now.
#include <iterator>

#include "render/Screen.h"

using molfo::i18n::N_;

namespace molfo {

namespace {

constexpr uint32_t kRed = Rgb(255, 0, 0);
constexpr uint32_t kYellow = Rgb(255, 255, 0);
constexpr uint32_t kGreen = Rgb(0, 255, 0);
constexpr uint32_t kBlack = Rgb(0, 0, 0);

constexpr int kLabelPx = 12;  // a 9 pt font at 96 dpi
constexpr const char* kItemCountStandIn = "999";

// The window's labels, back to front (a bar lies in front of its track).
// Columns: control, left, top, width, height, initial caption, opaque,
// background colour.
struct LabelRow {
    Label Screen::*control;
    int x, y, w, h;
    const char* caption;
    bool opaque;
    uint32_t back;
};
constexpr LabelRow kLabelLayout[] = {
    {&Screen::Label2, 8, 8, 73, 17, N_("たいりょく"), false, kFormGrey},
    {&Screen::Label1, 80, 8, 200, 17, "", true, kRed},
    {&Screen::HPL, 80, 8, 200, 17, "", true, kYellow},
    {&Screen::MainSPL, 368, 0, 57, 25, kItemCountStandIn, false, kFormGrey},
    {&Screen::Label4, 496, 8, 49, 17, N_("スコア"), false, kFormGrey},
    {&Screen::GoukeiTenL, 544, 8, 81, 17, N_("0てん"), false, kFormGrey},
    {&Screen::BossL, 16, 40, 137, 17, N_("ボスのたいりょく"), false, kFormGrey},
    {&Screen::BossKyoriL, 112, 40, 49, 17, "999m", false, kFormGrey},
    {&Screen::BossHpL2, 144, 40, 400, 17, "", true, kNavy},
    {&Screen::BossHpL, 144, 40, 400, 17, "", true, kGreen},
    {&Screen::MS, 520, 400, 129, 145, "Label3", false, kFormGrey},
};
static_assert(std::size(kLabelLayout) == 11, "one row per single label of the window");

// Captions the controls hold before the game first sets them: the window's
// stand-ins from its design, and the distance's reset value, which is no
// distance (every distance ends in "m"). None is meant to be read: each is
// drawn empty, the key help's as the help; the game's state keeps them.
struct StandIn {
    Label Screen::*control;
    const char* caption;
};
constexpr StandIn kStandIns[] = {
    {&Screen::MainSPL, kItemCountStandIn},
    {&Screen::BossKyoriL, "999m"},
    {&Screen::BossKyoriL, "0"},
    {&Screen::MS, "Label3"},
};
// The distance's lead-in, drawn only beside a distance.
constexpr const char* kDistanceLeadIn = N_("ボスまであと");

// The item column: icon ItemPic(i) and count SPL(i) for items 1..6.
// Columns: icon top, count top.
struct ItemRow {
    int iconY, countY;
};
constexpr ItemRow kItemColumn[] = {{104, 112}, {152, 160}, {200, 200}, {248, 248}, {296, 296}, {344, 344}};
static_assert(std::size(kItemColumn) == 6, "one row per usable item");
constexpr int kItemIconX = 520;
constexpr int kItemCountX = 552;
constexpr int kItemCountW = 41, kItemCountH = 25;
constexpr int kIconSize = 33;

}  // namespace

void Screen::ListLabels() {
    size_t i = 0;
    for (const LabelRow& row : kLabelLayout) labels_[i++] = &(this->*row.control);
    for (int k = 1; k <= 6; ++k) labels_[i++] = &SPL[k];
}

void Screen::ResetLayout() {
    for (const LabelRow& row : kLabelLayout) {
        Label& l = this->*row.control;
        l = Label{row.x, row.y, row.w, row.h, row.caption, true, row.opaque, row.back, kBlack, kLabelPx};
    }
    for (int k = 1; k <= 6; ++k) {
        const ItemRow& row = kItemColumn[k - 1];
        SPL[k] = Label{kItemCountX, row.countY, kItemCountW, kItemCountH, kItemCountStandIn, true, false, kFormGrey,
                       kBlack, kLabelPx};
        ItemPic[k] = ImageControl{kItemIconX, row.iconY, kIconSize, kIconSize, k};
    }
    SPL[0] = Label{};
    SPL[0].visible = false;
    ItemPic[0] = ImageControl{};
    MainItemPic = ImageControl{336, 0, kIconSize, kIconSize, 1};

    MainPic2.Resize(kPlayfield, kPlayfield, kBackBufferClear);
    HaikeiPic.Resize(kPlayfield, kPlayfield, kNavy);
    window.Resize(kWindowWidth, kWindowHeight, kFormGrey);
    PlacePlayfield();
    CurrentY = 0;
    Invalidate();
}

bool Screen::HoldsStandIn(const Label& l) const {
    for (const StandIn& s : kStandIns)
        if (&l == &(this->*s.control) && l.caption == s.caption) return true;
    return &l >= &SPL[1] && &l <= &SPL[SPL.size() - 1] && l.caption == kItemCountStandIn;
}

const std::string& Screen::Shown(const Label& l) {
    static const std::string kNothing;
    if (&l == &MS) {
        helpShown_ = keyHelp_.Apply(HoldsStandIn(l) ? PlayHelp() : l.caption);
        return helpShown_;
    }
    if (HoldsStandIn(l)) return kNothing;
    if (&l == &BossL && l.caption == kDistanceLeadIn && (!BossKyoriL.visible || HoldsStandIn(BossKyoriL)))
        return kNothing;
    return l.caption;
}

}  // namespace molfo
