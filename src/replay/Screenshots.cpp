#include "replay/Screenshots.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/Printable.h"
#include "render/DialogView.h"
#include "world/Game.h"

namespace molfo {

Screenshots::Screenshots(Dialogs& inner, std::string dir, int64_t every)
    : dir_(std::move(dir)), every_(every), dialogs_(*this, inner) {}

std::string Screenshots::MakeFolder(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!std::filesystem::is_directory(dir, ec)) return "cannot make the screenshot folder " + dir;
    return {};
}

void Screenshots::Save(const Surface& picture, const std::string& suffix) {
    char name[64];
    std::snprintf(name, sizeof name, "molfo-%07lld%s.png", static_cast<long long>(game_ ? game_->passes : 0),
                  suffix.c_str());
    const std::string path = (std::filesystem::path(dir_) / name).string();
    if (SavePng(picture, path)) {
        ++taken_;
    } else if (!warned_) {
        // A full disk costs the pictures, not the game.
        warned_ = true;
        std::fprintf(stderr, "molfo: cannot write the screenshot %s (the disk may be full); no more pictures are said\n",
                     Printable(path, 200).c_str());
    }
}

void Screenshots::AfterPass(Game& g) {
    game_ = &g;
    if (every_ > 0 && g.passes % every_ == 0 && !g.scr.window.Empty()) Save(g.scr.Picture(), "");
}

std::string Screenshots::ShotDialogs::InputBox(const std::string& prompt, const Surface& window) {
    std::string answer = inner_.InputBox(prompt, window);
    // Taken once the answer is known, so the picture shows the name as typed.
    if (s_.game_ && !window.Empty()) {
        s_.copy_ = window;
        DrawInputBox(s_.copy_, s_.game_->scr.Text(), s_.game_->scr.Language(), prompt, answer, "", false);
        s_.Save(s_.copy_, "-dialog" + std::to_string(++s_.dialogCount_));
    }
    return answer;
}

void Screenshots::ShotDialogs::MessageBox(const std::string& text, const Surface& window) {
    if (s_.game_ && !window.Empty()) {
        s_.copy_ = window;
        DrawMessageBox(s_.copy_, s_.game_->scr.Text(), s_.game_->scr.Language(), text);
        s_.Save(s_.copy_, "-dialog" + std::to_string(++s_.dialogCount_));
    }
    inner_.MessageBox(text, window);
}

}  // namespace molfo
