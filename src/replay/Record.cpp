#include "replay/Record.h"

#include <algorithm>
#include <optional>

#include "replay/StateHash.h"
#include "world/Game.h"

namespace molfo {

GameSummary Summarise(const Game& g, bool practice) {
    const GameState& s = g.s;
    GameSummary sum;
    sum.score = s.GoukeiTen;
    sum.ending = s.EndingSuteji > 0 && s.SutejiNo >= s.EndingSuteji;
    sum.stage = sum.ending ? s.EndingSuteji - 1 : std::max<int>(s.SutejiNo, 1);
    sum.boss = sum.ending || s.BossToujou == 1;
    sum.practice = practice;
    return sum;
}

uint32_t Recorder::RecClock::Ticks() {
    const uint32_t t = inner_.Ticks();
    r_.Each([t](replay::Writer& w) { w.Tick(t); });
    return t;
}

bool Recorder::RecEvents::Pump() {
    const bool close = inner_.Pump();
    r_.Each([close](replay::Writer& w) { w.Close(close); });
    return close;
}

bool Recorder::RecKeys::Query(int vkCode) {
    const bool down = inner_.Query(vkCode);
    r_.Each([vkCode, down](replay::Writer& w) { w.Key(vkCode, down); });
    return down;
}

std::string Recorder::RecDialogs::InputBox(const std::string& prompt, const Surface& window) {
    std::string answer = inner_.InputBox(prompt, window);
    r_.Each([&answer](replay::Writer& w) { w.Answer(answer); });
    // The only box that takes text is the ranking's name box.
    if (!answer.empty()) r_.typedName_ = answer;
    return answer;
}

Recorder::Recorder(Platform& inner)
    : clock_(inner.clock, *this),
      events_(inner.events, *this),
      keys_(inner.keys, *this),
      dialogs_(inner.dialogs, *this),
      platform_{clock_, events_, keys_, inner.display, dialogs_, inner.audio} {}

void Recorder::RecordSession(const replay::Header& header, SessionSink sink) {
    session_.emplace(header);
    sessionSink_ = std::move(sink);
    FlushSession();
}

void Recorder::RecordGames(const replay::Header& first, GameSink keep) {
    gameHeader_ = first;
    game_.emplace();
    keep_ = std::move(keep);
}

void Recorder::FlushSession() {
    auto& bytes = session_->Pending();
    if (bytes.empty()) return;
    sessionSink_(std::move(bytes));
    bytes.clear();
}

void Recorder::Keep(const Game& g, bool sessionGoesOn) {
    // Only the first game of a session can be a practice start.
    const bool practice = !gameHeader_.hasCarried && (gameHeader_.practiceStage != 1 || gameHeader_.practiceBoss);
    keep_(replay::Header(gameHeader_), std::move(game_->Pending()), Summarise(g, practice), GameEnd{finished_, typedName_},
          sessionGoesOn);
    game_->Pending().clear();
}

void Recorder::OnScene(const Game& g) {
    if (g.scene == Scene::GameOver || g.scene == Scene::Ending) finished_ = true;
}

void Recorder::NextGame(const Game& g) {
    gameHeader_.practiceStage = 1;
    gameHeader_.practiceBoss = false;
    gameHeader_.rank.clear();
    gameHeader_.hasCarried = true;
    gameHeader_.carried = CarriedState(g);
    game_.emplace();
    played_ = false;
    finished_ = false;
    typedName_.clear();
}

void Recorder::AfterPass(const Game& g) {
    const bool chunkEnds = g.passes % replay::kHashEvery == 0;
    // The hash reads the whole collision grid (a megabyte, a millisecond or
    // two): taken once for both recordings when both end a chunk.
    std::optional<uint64_t> hash;
    const auto Hash = [&] { return hash ? *hash : *(hash = StateHash(g)); };
    if (game_) {
        if (g.s.InGame != 0) played_ = true;
        if (played_ && g.s.InGame == 0 && g.s.ShuryoFlag != shuryo::End) {
            // The ranking's Z: this game is over and the next begins on the
            // title at the coming pass.
            game_->EndGame(g.passes, Hash());
            Keep(g, true);
            NextGame(g);
        } else if (chunkEnds) {
            game_->EndChunk(g.passes, Hash(), false);
        }
    }
    if (session_ && chunkEnds) {
        session_->EndChunk(g.passes, Hash(), false);
        FlushSession();
    }
}

void Recorder::Finish(const Game& g) {
    const uint64_t hash = StateHash(g);
    if (session_) {
        session_->EndChunk(g.passes, hash, true);
        FlushSession();
        session_.reset();
    }
    if (game_) {
        if (played_) {
            game_->EndChunk(g.passes, hash, true);
            Keep(g, false);
        }
        game_.reset();
    }
}

}  // namespace molfo
