#include "online/Http.h"

#include <strings.h>

#include <charconv>
#include <cstring>

#include "online/CurlLib.h"

namespace molfo::online {

namespace {

constexpr const char* kProtocols = "http,https";
constexpr int kStopped = 1;  // a progress callback's "abort"

struct Transfer {
    HttpAnswer* answer;
    const std::atomic<bool>* stop;
    bool tooLarge = false;
};

size_t TakeBody(char* data, size_t size, size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * n;
    if (t->answer->body.size() + bytes > kMaxAnswerBytes) {
        t->tooLarge = true;
        return 0;  // curl ends the transfer
    }
    t->answer->body.append(data, bytes);
    return bytes;
}

size_t TakeHeader(char* data, size_t size, size_t n, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t bytes = size * n;
    constexpr std::string_view kRetry = "retry-after:";
    std::string_view line(data, bytes);
    if (line.size() > kRetry.size() && strncasecmp(line.data(), kRetry.data(), kRetry.size()) == 0) {
        line.remove_prefix(kRetry.size());
        while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        long seconds = -1;
        const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), seconds);
        if (ec == std::errc() && seconds >= 0) t->answer->retryAfter = seconds;
    }
    return bytes;
}

int Progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    const auto* t = static_cast<Transfer*>(user);
    return t->stop != nullptr && t->stop->load() ? kStopped : 0;
}

}  // namespace

Http::Http(const std::atomic<bool>* stop) : stop_(stop) {}

Http::~Http() {
    if (curl_ != nullptr) curl_->easy_cleanup(static_cast<CURL*>(handle_));
}

HttpAnswer Http::Get(const std::string& url, const HttpLimits& limits) { return Perform(url, nullptr, limits); }

HttpAnswer Http::Post(const std::string& url, std::span<const uint8_t> body, const HttpLimits& limits) {
    return Perform(url, &body, limits);
}

HttpAnswer Http::Perform(const std::string& url, const std::span<const uint8_t>* body, const HttpLimits& limits) {
    HttpAnswer answer;
    // libcurl is loaded by the first request, not by the program's start.
    if (curl_ == nullptr) {
        const CurlApi* api = Curl(answer.error);
        if (api == nullptr) return answer;
        handle_ = api->easy_init();
        if (handle_ == nullptr) {
            answer.error = "libcurl could not be started";
            return answer;
        }
        curl_ = api;
    }
    const CurlApi& lib = *curl_;
    auto* c = static_cast<CURL*>(handle_);
    lib.easy_reset(c);
    Transfer t{&answer, stop_};
    lib.easy_setopt(c, CURLOPT_URL, url.c_str());
    // Only the table's own address: no redirects elsewhere, no other schemes.
    lib.easy_setopt(c, CURLOPT_PROTOCOLS_STR, kProtocols);
    lib.easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    lib.easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    lib.easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
    lib.easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.totalMs);
    lib.easy_setopt(c, CURLOPT_USERAGENT, "molfo/" MOLFO_VERSION);
    lib.easy_setopt(c, CURLOPT_WRITEFUNCTION, TakeBody);
    lib.easy_setopt(c, CURLOPT_WRITEDATA, &t);
    lib.easy_setopt(c, CURLOPT_HEADERFUNCTION, TakeHeader);
    lib.easy_setopt(c, CURLOPT_HEADERDATA, &t);
    lib.easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    lib.easy_setopt(c, CURLOPT_XFERINFOFUNCTION, Progress);
    lib.easy_setopt(c, CURLOPT_XFERINFODATA, &t);
    curl_slist* headers = nullptr;
    if (body != nullptr) {
        headers = lib.slist_append(headers, "Content-Type: application/octet-stream");
        // The table answers a refusal before the body when asked to wait;
        // a recording is small enough to send at once.
        headers = lib.slist_append(headers, "Expect:");
        lib.easy_setopt(c, CURLOPT_HTTPHEADER, headers);
        lib.easy_setopt(c, CURLOPT_POST, 1L);
        lib.easy_setopt(c, CURLOPT_POSTFIELDS, reinterpret_cast<const char*>(body->data()));
        lib.easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
    }
    const CURLcode rc = lib.easy_perform(c);
    if (headers != nullptr) lib.slist_free_all(headers);
    if (rc == CURLE_OK) {
        long status = 0;
        lib.easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
        answer.status = static_cast<int>(status);
        return answer;
    }
    answer.status = 0;
    answer.body.clear();
    answer.retryAfter = -1;
    if (rc == CURLE_ABORTED_BY_CALLBACK)
        answer.error = "stopped";
    else if (t.tooLarge)
        answer.error = "the answer was larger than any of the table's";
    else
        answer.error = lib.easy_strerror(rc);
    return answer;
}

bool SpeaksHttps() {
    std::string error;
    const CurlApi* lib = Curl(error);
    if (lib == nullptr) return false;
    const curl_version_info_data* v = lib->version_info(CURLVERSION_NOW);
    for (const char* const* p = v->protocols; p != nullptr && *p != nullptr; ++p)
        if (std::strcmp(*p, "https") == 0) return true;
    return false;
}

}  // namespace molfo::online
