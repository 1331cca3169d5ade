#include "world/Game.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "core/Printable.h"

namespace molfo {

const char* SceneName(Scene s) {
    switch (s) {
        case Scene::Start: return "start";
        case Scene::Title: return "title";
        case Scene::Play: return "play";
        case Scene::GameOver: return "gameover";
        case Scene::NameEntry: return "name";
        case Scene::Message: return "message";
        case Scene::Ranking: return "ranking";
        case Scene::Ending: return "ending";
        case Scene::End: return "end";
    }
    return "?";
}

Game::Game(Platform& platform, std::string dir) : pf(platform), dataDir(std::move(dir)) {
    if (dataDir.empty()) dataDir = ".";
}

std::string Game::HostPath(const std::string& gamePath) const {
    std::string p = gamePath;
    for (char& c : p)
        if (c == '\\') c = '/';
    return dataDir + "/" + p;
}

std::unique_ptr<mySound> Game::NewSound() {
    return std::make_unique<mySound>(pf.audio, [this](const std::string& p) { return HostPath(p); });
}

void ShowFrame(Game& g) {
    if (!g.showWindow) return;
    // Where the display lends its own buffer, the window's picture lives
    // there, so that the frame drawn is the frame shown.
    g.scr.Lodge(g.pf.display.Lodging(g.scr.window.Width(), g.scr.window.Height(), g.scr));
    g.scr.Compose();
    // A display that can move what it shows takes a playfield that moved
    // as only what was drawn after the move, each object apart, reading
    // the playfield through its view: the next frames may move it by
    // turning the view. Any other display reads the window as it lies.
    const bool took = g.scr.Exact() && g.pf.display.PresentMoved(g.scr.window, g.scr.ChangedExactly(), g.scr.Moved());
    g.scr.LetTurn(took);
    if (took) return;
    g.pf.display.Present(g.scr.Picture(), g.scr.Changed());
}

void Game::SetScene(Scene sc) {
    if (scene == sc) return;
    scene = sc;
    if (onScene) onScene(*this);
}

bool LoadGamePicture(Game& g, Surface& dst, const std::string& gamePath) {
    // A picture with words in it is drawn in every language the game speaks,
    // under the same name in sys/<language>/; the game's own is the fallback.
    const std::string& language = g.scr.Language().Code();
    constexpr std::string_view kSys = "sys\\";
    auto load = [&g, &dst](const std::string& path) {
        if (g.beforeRead) g.beforeRead(path);
        return LoadPicture(dst, path);
    };
    if (!language.empty() && gamePath.compare(0, kSys.size(), kSys) == 0 &&
        load(g.HostPath(std::string(kSys) + language + "\\" + gamePath.substr(kSys.size()))))
        return true;
    const std::string path = g.HostPath(gamePath);
    if (load(path)) return true;
    // Start-up read every picture's header, so this is a file removed or
    // damaged since, or one whose fault lies deep in its data: a blank
    // picture of the playfield's size stands in rather than stop the game.
    std::fprintf(stderr, "molfo: %s: cannot be decoded; a blank picture stands in\n", Printable(path, 300).c_str());
    dst.Resize(kPlayfield, kPlayfield, Rgb(255, 255, 255));
    return false;
}

}  // namespace molfo
