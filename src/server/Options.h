// The server's command line.
#pragma once

#include <string>

#include "server/Verifier.h"

namespace CLI {
class App;
}

namespace molfo::server {

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

// "HOST:PORT", the host in brackets when it is an IPv6 address.
bool ParseListen(const std::string& text, std::string& host, int& port);

}  // namespace molfo::server
