// The server's command line.
#pragma once

#include <string>

#include "server/Verifier.h"

namespace CLI {
class App;
}

namespace molfo::server {

// The relative paths from the server's folder to the game's program and to
// the built browser page, one for each layout, separated by ':' (set by the
// build: the build tree has the game beside the server; the Debian package
// puts the server in sbin/, the game in games/ and the page in
// share/molfo-server/page).
#ifndef MOLFO_GAME_FROM_SERVER
#define MOLFO_GAME_FROM_SERVER "molfo:../games/molfo"
#endif
#ifndef MOLFO_PAGE_FROM_SERVER
#define MOLFO_PAGE_FROM_SERVER "../share/molfo-server/page"
#endif

// A run stays with the server that took it this long past the verifier's
// own time limit before another may take it.
inline constexpr int kLeaseMarginSeconds = 30;

struct ServerOptions {
    std::string listen = "127.0.0.1:8090";
    std::string database;
    std::string game;
    int workers = 1;
    std::string page;
    std::string defaultName = "anonymous";
    double submitPerMinute = 6;
    double submitBurst = 10;
    int pendingPerAddress = 5;
    int clientTimeout = 10;
    bool behindProxy = false;
    VerifierLimits limits;
};

void DescribeOptions(CLI::App& app, ServerOptions& o, bool& version);

// The first of `candidates` (relative paths from `folder`, separated by
// ':') that is there, as a regular file or, with `wantFolder`, as a folder;
// empty when none is.
std::string FindBeside(const std::string& folder, const std::string& candidates, bool wantFolder);

// "HOST:PORT", the host in brackets when it is an IPv6 address.
bool ParseListen(const std::string& text, std::string& host, int& port);

}  // namespace molfo::server
