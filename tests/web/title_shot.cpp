// The title as a headless run shows it, saved as a PNG: the browser tests
// compare the page's canvas at the title with it, pixel for pixel.
#include <cstdio>
#include <string>

#include "driver/Session.h"
#include "render/Surface.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: molfo_title_shot DATA_DIR OUT.png\n");
        return 2;
    }
    molfo::InputScript script;
    std::string error;
    if (!molfo::ParseInputScript("title+1000: press ESC\n", script, error)) return 2;
    molfo::HeadlessSession session(argv[1], std::move(script));
    molfo::Surface shot;
    // The title is shown once and stays while it waits; what follows in the
    // same scene is the set-up after the key.
    session.hp.display.onPresent = [&session, &shot](const molfo::Surface& w) {
        if (session.game && session.game->scene == molfo::Scene::Title && shot.Empty()) shot = w;
    };
    session.Run();
    if (shot.Empty() || !molfo::SavePng(shot, argv[2])) {
        std::fprintf(stderr, "molfo_title_shot: no title was shown\n");
        return 1;
    }
    return 0;
}
