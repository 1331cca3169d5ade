#include "online/WindowLink.h"

#include <filesystem>

#include "settings/Settings.h"

namespace molfo::online {

WindowLink::WindowLink(Platform& base, std::string outbox)
    : outbox_(std::move(outbox)),
      note_(base.display, base.events,
            [this]() -> std::optional<Verdict> {
                std::shared_ptr<Sender> s;
                {
                    std::lock_guard<std::mutex> l(m_);
                    s = sender_;
                }
                return s ? s->TakeVerdict() : std::nullopt;
            }),
      platform_{base.clock, note_, base.keys, note_, base.dialogs, base.audio} {}

WindowLink::~WindowLink() { Configure("", false); }

void WindowLink::Configure(const std::string& server, bool send) {
    const bool on = send && settings::IsServerAddress(server);
    std::shared_ptr<Sender> old;
    {
        std::lock_guard<std::mutex> l(m_);
        if (on && sender_ && server_ == server) return;
        old = std::move(sender_);
        server_ = on ? server : "";
        if (on) {
            Sender::Options o;
            o.server = server;
            o.outbox = outbox_;
            sender_ = std::make_shared<Sender>(std::move(o));
        }
    }
    // Outside the lock: the old sender may take a second to stop.
    old.reset();
}

void WindowLink::Kept(KeptGame&& game) {
    if (!game.end.finished || game.summary.practice) return;
    std::shared_ptr<Sender> s;
    {
        std::lock_guard<std::mutex> l(m_);
        s = sender_;
    }
    if (!s) return;
    s->Send(std::filesystem::path(game.path).filename().string(), std::move(game.bytes), game.end.name);
}

}  // namespace molfo::online
