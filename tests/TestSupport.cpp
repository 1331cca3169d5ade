#include "TestSupport.h"

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace molfo::test {

namespace fs = std::filesystem;

const char* DataDir() { return MOLFO_TEST_DATA_DIR; }

void GivePictures(Screen& w) {
    w.HaikeiPic.Resize(kPlayfield, kPlayfield, 0);
    for (int y = 0; y < kPlayfield; ++y)
        for (int x = 0; x < kPlayfield; ++x)
            w.HaikeiPic.At(x, y) = Rgb(static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y));
    for (Surface& sheet : w.KyaraPic) {
        sheet.Resize(600, 600, Rgb(255, 255, 255));
        for (int y = 0; y < 600; y += 3) sheet.Fill(0, y, 600, 1, Rgb(static_cast<uint8_t>(y), 40, 200));
    }
}

namespace {
std::unique_ptr<Game> MakeGame(HeadlessPlatform& hp) { return std::make_unique<Game>(hp.platform, DataDir()); }
}  // namespace

TestGame::TestGame() : game(MakeGame(hp)), s(game->s), g(*game) {}

void TestGame::NewGame() {
    GameReset(g);
    g.Oto = g.NewSound();
    GameShokika(g);
    g.SetScene(Scene::Play);
}

void TestGame::EmptyField() {
    ClearSlots(s);
    s.ChousaMap.Fill();
}

void SeedNextDraw(Game& g, int16_t n, int16_t want) {
    for (uint64_t seed = 1;; ++seed) {
        g.ransuState = seed;
        if (Ransu(g, n) == want) {
            g.ransuState = seed;
            return;
        }
    }
}

InputScript Script(const std::string& text) {
    InputScript s;
    std::string error;
    if (!ParseInputScript(text, s, error)) throw std::invalid_argument("bad input script: " + error);
    return s;
}

Scratch::Scratch(const std::string& name)
    : root(fs::temp_directory_path() / ("molfo-" + name + "-" + std::to_string(::getpid()))) {
    fs::remove_all(root);
    fs::create_directories(root);
}

Scratch::~Scratch() {
    std::error_code ec;
    fs::remove_all(root, ec);
}

std::string Scratch::Make(const std::string& rel, const std::string& content) const {
    const fs::path p = root / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    return p.string();
}

std::string Scratch::Dir(const std::string& rel) const {
    fs::create_directories(root / rel);
    return (root / rel).string();
}

std::string Scratch::Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void ComposeAfresh(const Screen& shown, Screen& fresh) {
    for (Label Screen::*l : {&Screen::Label2, &Screen::Label1, &Screen::HPL, &Screen::MainSPL, &Screen::Label4,
                             &Screen::GoukeiTenL, &Screen::BossL, &Screen::BossKyoriL, &Screen::BossHpL2,
                             &Screen::BossHpL, &Screen::MS})
        fresh.*l = shown.*l;
    fresh.SPL = shown.SPL;
    fresh.MainItemPic = shown.MainItemPic;
    fresh.ItemPic = shown.ItemPic;
    fresh.ItemIcon = shown.ItemIcon;
    fresh.MainPic1 = shown.MainPic1;
    fresh.Invalidate();
    fresh.Compose();
}

std::string FirstDifference(const Surface& a, const Surface& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return "the sizes";
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.At(x, y) != b.At(x, y)) return "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
    return {};
}

}  // namespace molfo::test
