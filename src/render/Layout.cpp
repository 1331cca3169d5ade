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
    {&Screen::MainSPL, 368, 0, 57, 25, "999", false, kFormGrey},
    {&Screen::Label4, 496, 8, 49, 17, N_("スコア"), false, kFormGrey},
    {&Screen::GoukeiTenL, 544, 8, 81, 17, N_("0てん"), false, kFormGrey},
    {&Screen::BossL, 16, 40, 137, 17, N_("ボスのたいりょく"), false, kFormGrey},
    {&Screen::BossKyoriL, 112, 40, 49, 17, "999m", false, kFormGrey},
    {&Screen::BossHpL2, 144, 40, 400, 17, "", true, kNavy},
    {&Screen::BossHpL, 144, 40, 400, 17, "", true, kGreen},
    {&Screen::MS, 520, 400, 129, 145, "Label3", false, kFormGrey},
};
static_assert(std::size(kLabelLayout) == 11, "one row per single label of the window");

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
        SPL[k] = Label{kItemCountX, row.countY, kItemCountW, kItemCountH, "999", true, false, kFormGrey, kBlack,
                       kLabelPx};
        ItemPic[k] = ImageControl{kItemIconX, row.iconY, kIconSize, kIconSize, k};
    }
    SPL[0] = Label{};
    SPL[0].visible = false;
    ItemPic[0] = ImageControl{};
    MainItemPic = ImageControl{336, 0, kIconSize, kIconSize, 1};

    MainPic1.Resize(kPlayfield, kPlayfield, kNavy);
    MainPic2.Resize(kPlayfield, kPlayfield, kBackBufferClear);
    HaikeiPic.Resize(kPlayfield, kPlayfield, kNavy);
    window.Resize(kWindowWidth, kWindowHeight, kFormGrey);
    CurrentY = 0;
    Invalidate();
}

}  // namespace molfo
