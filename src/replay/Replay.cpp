#include "replay/Replay.h"

#include <cstdio>

#include "game/Flow.h"
#include "platform/headless/Headless.h"
#include "replay/StateHash.h"
#include "world/Game.h"

namespace molfo {

namespace {

// Within a frame the clock may be read many times in one millisecond (every
// random number reads it), but never this many.
constexpr uint64_t kMaxStillReadings = 1'000'000;

}  // namespace

bool Replayer::Cursor::Next(uint32_t& v) {
    if (Done()) return false;
    const replay::Run& r = (*runs)[i];
    v = r.value;
    if (++used >= r.count) {
        ++i;
        used = 0;
    }
    return true;
}

Replayer::Replayer(Platform& inner, replay::Recording rec, Clock* pace, HeadlessPlatform* headless)
    : rec_(std::move(rec)),
      inner_(inner),
      pace_(pace),
      headless_(headless),
      platform_{clockImpl_, eventsImpl_, keysImpl_, inner.display, dialogsImpl_, inner.audio} {
    ticks_.runs = &rec_.ticks;
    closes_.runs = &rec_.closes;
    for (size_t k = 0; k < keys_.size(); ++k) keys_[k].runs = &rec_.keys[k];
}

uint32_t Replayer::RepClock::Ticks() {
    uint32_t delta = 0;
    if (!r_.WindingDown()) {
        if (r_.ticks_.Next(delta)) {
            r_.now_ += delta;
            r_.stillReadings_ = delta == 0 ? r_.stillReadings_ + 1 : 0;
            // A real session's clock moves between waits; one that stands
            // still this long would keep a replay's waits from ever ending.
            if (r_.stillReadings_ > kMaxStillReadings) r_.Stop("its clock stands still for too long");
        } else {
            r_.OutOfInput("clock readings");
        }
    }
    if (r_.headless_) r_.headless_->clock.Set(r_.now_);
    return r_.now_;
}

void Replayer::Pace(uint32_t until) {
    // Gaps longer than this (a name being typed, a dialog read) are skipped:
    // the replay shows no dialog to look at meanwhile.
    constexpr int64_t kLongestWait = 1000;
    // Running late by more than this starts the count afresh instead of rushing.
    constexpr int64_t kLongestLag = 100;
    const uint32_t real = pace_->Ticks();
    auto ahead = [&] {
        return static_cast<int64_t>(until - gameBase_) - static_cast<int64_t>(real - realBase_);
    };
    if (!paceStarted_ || ahead() > kLongestWait || ahead() < -kLongestLag) {
        paceStarted_ = true;
        realBase_ = real;
        gameBase_ = now_;
    }
    const int64_t wait = ahead();
    if (wait > 0 && wait <= kLongestWait) pace_->SleepUntil(real + static_cast<uint32_t>(wait));
}

void Replayer::RepClock::Sleep(uint32_t ms) {
    if (r_.pace_) r_.Pace(r_.now_ + ms);
    // Winding down, time is the replay's own, so that the game's waits end.
    if (r_.WindingDown()) r_.now_ += ms;
}

void Replayer::RepClock::SleepUntil(uint32_t tick) {
    if (r_.pace_) r_.Pace(tick);
    if (r_.WindingDown() && static_cast<int32_t>(tick - r_.now_) > 0) r_.now_ = tick;
}

void Replayer::PumpViewer() {
    // Unpumped, the window would not redraw or close, and its events would
    // pile up unread.
    const bool close = inner_.events.Pump();
    if (close || inner_.keys.Query(vk::Escape)) stopped_ = true;
}

bool Replayer::RepEvents::Pump() {
    if (r_.pace_) r_.PumpViewer();
    if (r_.WindingDown()) return true;
    uint32_t v = 0;
    if (r_.closes_.Next(v)) return v != 0;
    r_.OutOfInput("close reports");
    return true;
}

bool Replayer::RepKeys::Query(int vkCode) {
    if (vkCode < 0 || vkCode >= replay::kKeyCodes) return false;
    if (r_.WindingDown()) return vkCode == vk::Escape;
    uint32_t v = 0;
    if (r_.keys_[static_cast<size_t>(vkCode)].Next(v)) return v != 0;
    r_.OutOfInput("key answers");
    return vkCode == vk::Escape;
}

std::string Replayer::RepDialogs::InputBox(const std::string& prompt, const Surface&) {
    std::string answer;
    if (!r_.WindingDown()) {
        if (r_.answersUsed_ < r_.rec_.answers.size())
            answer = r_.rec_.answers[r_.answersUsed_++];
        else
            r_.OutOfInput("dialog answers");
    }
    if (r_.headless_) r_.headless_->dialogs.shown.push_back({"input", prompt, answer});
    return answer;
}

void Replayer::RepDialogs::MessageBox(const std::string& text, const Surface&) {
    if (r_.headless_) r_.headless_->dialogs.shown.push_back({"message", text, ""});
}

void Replayer::OutOfInput(const char* what) {
    Stop(std::string("it ran out of recorded ") + what);
}

void Replayer::Stop(const std::string& why) {
    if (ranOut_) return;
    ranOut_ = true;
    ranOutMessage_ = "the replay cannot go on: " + why;
    if (game_) ranOutMessage_ += " at frame " + std::to_string(game_->passes);
    ranOutMessage_ += " before the recorded session ended; stopping";
}

void Replayer::Differ(const std::string& line) {
    if (difference_.empty()) difference_ = line;
}

void Replayer::OnScene(Game& g) {
    game_ = &g;
    const replay::Header& h = rec_.header;
    if (g.scene != Scene::Play || practiced_) return;
    practiced_ = true;
    if (h.practiceStage != 1 || h.practiceBoss) PracticeStart(g, static_cast<int16_t>(h.practiceStage), h.practiceBoss);
}

void Replayer::AfterPass(Game& g) {
    game_ = &g;
    if (rec_.header.frameLimit >= 0 && g.passes >= rec_.header.frameLimit) g.s.ShuryoFlag = shuryo::End;
    if (rec_.endsWithGame && !endChecked_ && checksDone_ + 1 == rec_.checks.size() &&
        rec_.checks.back().pass == g.passes) {
        // The recorded game ended here and its session went on without it:
        // the replay checks this pass and stops.
        endChecked_ = true;
        ++checksDone_;
        if (StateHash(g) != rec_.checks.back().hash)
            Differ("the game differs from the recording at its end, frame " + std::to_string(g.passes));
        g.s.ShuryoFlag = shuryo::End;
        return;
    }
    // The last check belongs to the end of the session, not to a pass.
    if (checksDone_ + 1 >= rec_.checks.size() || rec_.checks[checksDone_].pass != g.passes) return;
    if (StateHash(g) != rec_.checks[checksDone_].hash) {
        const std::string matched =
            checksDone_ == 0 ? "the first check" : "it matched at frame " + std::to_string(rec_.checks[checksDone_ - 1].pass);
        Differ("the game differs from the recording at frame " + std::to_string(g.passes) + " (" + matched + ")");
    }
    ++checksDone_;
}

void Replayer::Finish(const Game& g) {
    // Stopped by the viewer, the game ended where they left it.
    if (Differs() || stopped_) return;
    const std::string at = std::to_string(g.passes);
    if (!endChecked_ && checksDone_ + 1 < rec_.checks.size()) {
        Differ("the game ended at frame " + at + "; the recording went on to frame " +
               std::to_string(rec_.checks.back().pass));
        return;
    }
    const replay::Check& end = rec_.checks.back();
    if (end.pass != g.passes) {
        Differ("the game ended at frame " + at + "; the recording ended at frame " + std::to_string(end.pass));
        return;
    }
    if (!endChecked_ && StateHash(g) != end.hash) {
        Differ("the game differs from the recording at its end, frame " + at);
        return;
    }
    bool left = !ticks_.Done() || !closes_.Done() || answersUsed_ < rec_.answers.size();
    for (const Cursor& c : keys_) left = left || !c.Done();
    if (left) Differ("the game ended at frame " + at + " with recorded input left over");
}

}  // namespace molfo
