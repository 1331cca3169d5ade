// Placeholder until the renderer and the HUD are written.
#include "core/Game.h"
#include "render/Render.h"
namespace molfo {
class TextRenderer {};
Screen::Screen() { ResetLayout(); }
Screen::~Screen() = default;
void Screen::ResetLayout() {
    MainPic1.Resize(kPlayfield, kPlayfield, kNavy);
    MainPic2.Resize(kPlayfield, kPlayfield, kNavy);
    HaikeiPic.Resize(kPlayfield, kPlayfield, kNavy);
    window.Resize(kWindowWidth, kWindowHeight, kFormGrey);
}
std::string Screen::LoadOwnPictures(const std::string&) { return ""; }
void Screen::PrintLine(const std::string&) {}
void Screen::Compose() {}
bool LoadPicture(Surface&, const std::string&) { return false; }
bool SavePng(const Surface&, const std::string&) { return false; }
void Byouga(Game&) {}
void HpHyouji(Game&) {}
void BossHpHyouji(Game&) {}
void TenHyouji(Game&) {}
void KyoriHyouji(Game&) {}
void ItemHyouji(Game&) {}
}  // namespace molfo
