// Placeholder until the renderer and the HUD are written.
#include "core/Game.h"
#include "render/Render.h"
#include "render/Text.h"
namespace molfo {
struct TextRenderer::Impl {};
TextRenderer::TextRenderer() : impl_(nullptr) {}
TextRenderer::~TextRenderer() = default;
bool TextRenderer::Ok() const { return false; }
const std::string& TextRenderer::FontPath() const { static const std::string none; return none; }
int TextRenderer::Draw(Surface&, int, int, const std::string&, uint32_t, int, Rect) { return 0; }
int TextRenderer::Measure(const std::string&, int) { return 0; }
int TextRenderer::LineHeight(int) { return 0; }
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
