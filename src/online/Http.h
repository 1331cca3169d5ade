// HTTP and HTTPS for the online table, through libcurl (loaded by the first
// request, see CurlLib.h): one request at a time, blocking the thread that
// asks (the sender's own, or the command line's), each with its limits, and
// cut short at once when told to stop. Without libcurl every request fails
// with the line that says so, as one that found no table would.
#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace molfo::online {

struct CurlApi;

struct HttpAnswer {
    int status = 0;      // the HTTP status; 0 when no answer came
    std::string body;    // at most kMaxAnswerBytes
    std::string error;   // why no answer came (curl's words, or why curl is missing), when status is 0
    long retryAfter = -1;  // seconds, from a Retry-After header; -1 none
};

struct HttpLimits {
    long connectMs = 10000;
    long totalMs = 30000;
};

// An answer larger than this is no answer of the table's.
inline constexpr size_t kMaxAnswerBytes = 4u * 1024u * 1024u;

class Http {
public:
    // `stop`, when given and set, ends a request under way within about a
    // second, as soon as libcurl looks (it then fails with "stopped").
    explicit Http(const std::atomic<bool>* stop = nullptr);
    ~Http();
    Http(const Http&) = delete;
    Http& operator=(const Http&) = delete;

    HttpAnswer Get(const std::string& url, const HttpLimits& limits = {});
    // The body goes as application/octet-stream.
    HttpAnswer Post(const std::string& url, std::span<const uint8_t> body, const HttpLimits& limits = {});

private:
    HttpAnswer Perform(const std::string& url, const std::span<const uint8_t>* body, const HttpLimits& limits);

    const std::atomic<bool>* stop_;
    const CurlApi* curl_ = nullptr;  // once the first request has loaded libcurl
    void* handle_ = nullptr;         // one handle, its connection kept between requests
};

// Whether this libcurl speaks HTTPS (Debian's always does); false without one.
bool SpeaksHttps();

}  // namespace molfo::online
