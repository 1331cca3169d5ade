// Screenshots during any run: the composed window every K passes, and each
// dialog as it is shown, drawn over the window the way the player sees it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"
#include "render/Surface.h"

namespace molfo {

struct Game;

class Screenshots {
public:
    // Pictures go to `dir` as molfo-PASS.png and molfo-PASS-dialogN.png.
    Screenshots(Dialogs& inner, std::string dir, int64_t every);
    Screenshots(const Screenshots&) = delete;
    Screenshots& operator=(const Screenshots&) = delete;

    // Makes the folder. Returns an empty text, or what went wrong.
    static std::string MakeFolder(const std::string& dir);
    // The dialogs for the game: the inner ones, photographed.
    Dialogs& dialogs() { return dialogs_; }
    void Attach(Game& g) { game_ = &g; }
    void AfterPass(Game& g);
    int64_t Taken() const { return taken_; }

private:
    class ShotDialogs : public Dialogs {
    public:
        ShotDialogs(Screenshots& s, Dialogs& inner) : s_(s), inner_(inner) {}
        std::string InputBox(const std::string& prompt, const Surface& window) override;
        void MessageBox(const std::string& text, const Surface& window) override;

    private:
        Screenshots& s_;
        Dialogs& inner_;
    };

    void Save(const Surface& picture, const std::string& suffix);

    std::string dir_;
    int64_t every_;
    Game* game_ = nullptr;
    int64_t taken_ = 0;
    int dialogCount_ = 0;
    bool warned_ = false;
    Surface copy_;  // the window with a dialog drawn over it
    ShotDialogs dialogs_;
};

}  // namespace molfo
