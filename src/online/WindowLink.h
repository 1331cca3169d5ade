// The window's link to the online table: while the player's settings name a
// table and say to send, every finished game kept as a replay goes to the
// sender, and the verdicts come back to the title. Practice starts and games
// cut short (the program ended in play) are never sent: the table would
// only refuse them.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "online/Sender.h"
#include "online/TitleNote.h"
#include "platform/Platform.h"
#include "replay/Capture.h"

namespace molfo::online {

class WindowLink {
public:
    // `outbox`: the folder runs wait in (Outbox::DefaultFolder()).
    WindowLink(Platform& base, std::string outbox);
    ~WindowLink();
    WindowLink(const WindowLink&) = delete;
    WindowLink& operator=(const WindowLink&) = delete;

    // The platform for the game: the base one, its display and events
    // passing through the title's note.
    Platform& platform() { return platform_; }

    // Sends from now on to `server` when `send` (and a server is named);
    // otherwise stops sending, leaving the outbox as it is.
    void Configure(const std::string& server, bool send);

    // A game kept, from the capture's file worker.
    void Kept(KeptGame&& game);

    void OnScene(bool title) { note_.OnScene(title); }
    void SetWords(const i18n::Catalog* words) { note_.SetWords(words); }

private:
    std::string outbox_;
    mutable std::mutex m_;
    std::shared_ptr<Sender> sender_;
    std::string server_;
    TitleNote note_;
    Platform platform_;
};

}  // namespace molfo::online
