#include "replay/GameSession.h"

#include <iostream>
#include <utility>

#include "core/Printable.h"
#include "game/Flow.h"
#include "game/RankPlace.h"
#include "replay/Library.h"
#include "world/Game.h"

namespace molfo {

namespace {

CaptureOptions WithKeepFolder(CaptureOptions o, bool keep) {
    if (keep && o.replayPath.empty()) {
        o.keepFolder = library::DefaultFolder();
        if (o.keepFolder.empty()) std::cerr << "molfo: no user data folder; games are not kept as replays\n";
    }
    return o;
}

}  // namespace

GameSession::GameSession(SessionSettings settings)
    : s_(std::move(settings)), capture_(WithKeepFolder(s_.capture, s_.keepReplays)) {}

GameSession::~GameSession() = default;

int GameSession::Prepare() {
    if (s_.checkAssets) {
        assets_ = CheckAssets(s_.dataDir);
        if (!ReportAssets(assets_)) return 1;
    }
    const bool replaying = !s_.capture.replayPath.empty();
    rankPath_ = s_.rankPath.empty() && !replaying ? RankFileFor(s_.dataDir) : s_.rankPath;
    return capture_.Prepare(s_.dataDir, {s_.practiceStage, s_.practiceBoss, s_.frameLimit, rankPath_});
}

Platform& GameSession::Wrap(Platform& base, Clock* pace, HeadlessPlatform* headless) {
    return capture_.Wrap(base, pace, headless);
}

Game& GameSession::Open(Platform& base, Clock* pace, HeadlessPlatform* headless) {
    owned_ = std::make_unique<Game>(Wrap(base, pace, headless), capture_.DataDir());
    Adopt(*owned_);
    return *owned_;
}

void GameSession::Adopt(Game& g) {
    game_ = &g;
    g.rankPath = capture_.RankPath(rankPath_);
    SetLanguage(s_.language);
}

const i18n::Catalog& GameSession::SetLanguage(const std::string& language) {
    std::string warning;
    auto next = std::make_unique<i18n::Catalog>(i18n::ChooseCatalog(language, s_.dataDir, s_.environment, warning));
    if (!warning.empty()) std::cerr << "molfo: " << Printable(warning, 300) << "\n";
    if (game_ != nullptr) game_->scr.SetLanguage(next.get());
    // The back end's own display may still hold the words before: they
    // stay until the next change, by when it has taken these.
    retired_ = std::move(words_);
    words_ = std::move(next);
    return *words_;
}

int GameSession::Run(const std::function<void()>& loop) {
    Game& g = *game_;
    const std::string failed = g.scr.LoadOwnPictures(s_.dataDir);
    if (!failed.empty()) {
        std::cerr << "molfo: cannot load the window's pictures: " << Printable(failed, 400) << "\n";
        return 1;
    }
    // A replay brings its own practice start in its header.
    if (!capture_.Replaying()) StartFirstGameAt(g, static_cast<int16_t>(s_.practiceStage), s_.practiceBoss);
    capture_.Hook(g);
    // A later game of a session begins where the one before left the game.
    capture_.Start(g);
    if (loop)
        loop();
    else
        Main(g);
    return capture_.Finish(g);
}

}  // namespace molfo
