// cpp-httplib's server with our own accept loop and socket stream, so that a
// client gets a deadline for each whole request, not only for each read: one
// that trickles its headers or its body a byte at a time is cut off when the
// deadline passes, and holds a thread no longer than that.
#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace molfo::server {

struct HttpLimits {
    std::chrono::milliseconds request{10000};    // to send one whole request
    std::chrono::milliseconds idle{5000};        // between requests on a kept connection
    std::chrono::milliseconds write{10000};      // to take one response
    size_t requestsPerConnection = 1000;
    size_t threads = 64;                         // connections served at once
};

class HttpServer : public httplib::Server {
public:
    explicit HttpServer(HttpLimits limits);

    // Binds; port 0 takes a free one. False when the address cannot be had.
    bool Bind(const std::string& host, int port);
    int Port() const { return port_; }
    // Serves until Stop(); returns when every connection has ended.
    void Serve();
    void Stop();

    // From a handler: end the connection once this response is written (a
    // body that was refused unread must not be taken for the next request).
    static void CloseAfterResponse();

private:
    void ServeConnection(int fd);
    static void Linger(int fd);

    HttpLimits limits_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
};

}  // namespace molfo::server
