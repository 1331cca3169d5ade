#include "replay/Record.h"

#include "replay/StateHash.h"
#include "world/Game.h"

namespace molfo {

uint32_t Recorder::RecClock::Ticks() {
    const uint32_t t = inner_.Ticks();
    w_.Tick(t);
    return t;
}

bool Recorder::RecEvents::Pump() {
    const bool close = inner_.Pump();
    w_.Close(close);
    return close;
}

bool Recorder::RecKeys::Query(int vkCode) {
    const bool down = inner_.Query(vkCode);
    w_.Key(vkCode, down);
    return down;
}

std::string Recorder::RecDialogs::InputBox(const std::string& prompt, const Surface& window) {
    std::string answer = inner_.InputBox(prompt, window);
    w_.Answer(answer);
    return answer;
}

Recorder::Recorder(Platform& inner, const replay::Header& header, std::ofstream file)
    : writer_(header),
      file_(std::move(file)),
      clock_(inner.clock, writer_),
      events_(inner.events, writer_),
      keys_(inner.keys, writer_),
      dialogs_(inner.dialogs, writer_),
      platform_{clock_, events_, keys_, inner.display, dialogs_, inner.audio} {
    ok_ = static_cast<bool>(file_);
    Drain();
}

void Recorder::Drain() {
    auto& bytes = writer_.Pending();
    if (ok_ && !bytes.empty()) {
        file_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        // Written chunk by chunk, so a session of hours never holds its
        // whole recording in memory.
        file_.flush();
        ok_ = static_cast<bool>(file_);
    }
    bytes.clear();
}

void Recorder::AfterPass(const Game& g) {
    if (g.passes % replay::kHashEvery != 0) return;
    writer_.EndChunk(g.passes, StateHash(g), false);
    Drain();
}

bool Recorder::Finish(const Game& g) {
    writer_.EndChunk(g.passes, StateHash(g), true);
    Drain();
    file_.close();
    return ok_ && !file_.fail();
}

}  // namespace molfo
