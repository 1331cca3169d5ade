#include "server/HttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace molfo::server {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kReadBuffer = 16 * 1024;
constexpr int kBacklog = 1024;
constexpr int kAcceptPollMs = 100;
// A connection closed over a body it refused lingers this long, throwing away
// at most this much, so that a client still sending hears the answer instead
// of a reset.
constexpr auto kLinger = std::chrono::seconds(2);
constexpr size_t kLingerBytes = 4 * 1024 * 1024;

thread_local bool tCloseAfterResponse = false;

int MsUntil(Clock::time_point t) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(t - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<int64_t>(left, INT32_MAX));
}

bool WaitFor(int fd, short events, Clock::time_point until) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, MsUntil(until));
        if (n > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (n == 0) return false;
        if (errno != EINTR) return false;
    }
}

void Address(const sockaddr_storage& a, std::string& ip, int& port) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (a.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&a);
        ::inet_ntop(AF_INET, &in->sin_addr, buf, sizeof buf);
        port = ntohs(in->sin_port);
    } else if (a.ss_family == AF_INET6) {
        const auto* in = reinterpret_cast<const sockaddr_in6*>(&a);
        ::inet_ntop(AF_INET6, &in->sin6_addr, buf, sizeof buf);
        port = ntohs(in->sin6_port);
    }
    ip = buf;
}

// A connection's socket with the request's deadline on every read and the
// write timeout on every write.
class TimedStream final : public httplib::Stream {
public:
    TimedStream(int fd, std::chrono::milliseconds write) : fd_(fd), write_(write), buf_(kReadBuffer) {}

    void Deadline(Clock::time_point d) { deadline_ = d; }
    bool Buffered() const { return pos_ < end_; }

    bool is_readable() const override { return Buffered() || WaitFor(fd_, POLLIN, deadline_); }
    bool is_writable() const override { return WaitFor(fd_, POLLOUT, Clock::now() + write_); }

    ssize_t read(char* ptr, size_t size) override {
        if (!Buffered()) {
            if (!WaitFor(fd_, POLLIN, deadline_)) return -1;
            ssize_t n;
            do n = ::recv(fd_, buf_.data(), buf_.size(), 0);
            while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            pos_ = 0;
            end_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, end_ - pos_);
        std::memcpy(ptr, buf_.data() + pos_, n);
        pos_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!WaitFor(fd_, POLLOUT, Clock::now() + write_)) return -1;
        ssize_t n;
        do n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
        while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        if (::getpeername(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) Address(a, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage a{};
        socklen_t len = sizeof a;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len) == 0) Address(a, ip, port);
    }
    socket_t socket() const override { return fd_; }

private:
    int fd_;
    std::chrono::milliseconds write_;
    Clock::time_point deadline_ = Clock::now();
    std::vector<char> buf_;
    size_t pos_ = 0;
    size_t end_ = 0;
};

}  // namespace

HttpServer::HttpServer(HttpLimits limits) : limits_(limits) {
    const size_t threads = limits_.threads;
    new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
}

void HttpServer::CloseAfterResponse() { tCloseAfterResponse = true; }

bool HttpServer::Bind(const std::string& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.empty() ? nullptr : host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0)
        return false;
    for (addrinfo* a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        const int yes = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        if (::bind(fd, a->ai_addr, a->ai_addrlen) == 0 && ::listen(fd, kBacklog) == 0) {
            sockaddr_storage bound{};
            socklen_t len = sizeof bound;
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &len);
            std::string ip;
            Address(bound, ip, port_);
            listenFd_ = fd;
            break;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return listenFd_ >= 0;
}

void HttpServer::Serve() {
    std::unique_ptr<httplib::TaskQueue> pool(new_task_queue());
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, kAcceptPollMs) <= 0) continue;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        pool->enqueue([this, fd] { ServeConnection(fd); });
    }
    pool->shutdown();
    ::close(listenFd_);
    listenFd_ = -1;
}

void HttpServer::Stop() { stopping_ = true; }

void HttpServer::ServeConnection(int fd) {
    TimedStream strm(fd, limits_.write);
    for (size_t served = 0; served < limits_.requestsPerConnection && !stopping_; ++served) {
        // The first request may take the whole deadline to begin; a kept
        // connection waits for the next only as long as it may stay idle.
        if (served > 0 && !strm.Buffered() && !WaitFor(fd, POLLIN, Clock::now() + limits_.idle)) break;
        strm.Deadline(Clock::now() + limits_.request);
        tCloseAfterResponse = false;
        bool closed = false;
        const bool last = served + 1 == limits_.requestsPerConnection;
        bool ok = false;
        try {
            ok = process_request(strm, last, closed, nullptr);
        } catch (const std::exception&) {
            ok = false;  // the handlers have their own net; this one keeps the thread
        }
        if (tCloseAfterResponse) {
            Linger(fd);
            break;
        }
        if (!ok || closed) break;
    }
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

void HttpServer::Linger(int fd) {
    ::shutdown(fd, SHUT_WR);
    const auto until = Clock::now() + kLinger;
    size_t thrown = 0;
    char buf[kReadBuffer];
    while (thrown < kLingerBytes && WaitFor(fd, POLLIN, until)) {
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        thrown += static_cast<size_t>(n);
    }
}

}  // namespace molfo::server
