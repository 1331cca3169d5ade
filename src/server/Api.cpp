#include "server/Api.h"

#include <charconv>
#include <ctime>
#include <cstdio>

#include <nlohmann/json.hpp>

#include "core/Printable.h"
#include "server/Intake.h"

namespace molfo::server {

namespace {

using Json = nlohmann::ordered_json;
using httplib::Request;
using httplib::Response;

constexpr int kOk = 200;
constexpr int kAccepted = 202;
constexpr int kBadRequest = 400;
constexpr int kNotFound = 404;
constexpr int kLengthRequired = 411;
constexpr int kTooLarge = 413;
constexpr int kTooMany = 429;
constexpr int kServerError = 500;
constexpr int kUnavailable = 503;
// A sender with runs waiting is told to come back once a few are done.
constexpr int kPendingRetrySeconds = 30;
constexpr size_t kShownBytes = 200;

// Set when the expect-100 check admitted the request, so the check before
// routing does not take a second token for it.
thread_local bool tAdmitted = false;

std::string Dump(const Json& j) { return j.dump(-1, ' ', false, Json::error_handler_t::replace); }

void Send(Response& res, int status, const Json& j) {
    res.status = status;
    res.set_content(Dump(j), "application/json");
}

void Error(Response& res, int status, const std::string& line) { Send(res, status, Json{{"error", line}}); }

bool IsSubmission(const Request& req) { return req.method == "POST" && req.path == "/api/v1/runs"; }

std::string StatusLine(int status) {
    switch (status) {
        case kBadRequest: return "bad request";
        case kNotFound: return "not found";
        case 405: return "method not allowed";
        case kLengthRequired: return "length required";
        case kTooLarge: return "payload too large";
        case 414: return "URI too long";
        case 416: return "range not satisfiable";
        case kTooMany: return "too many requests";
        default: return "error " + std::to_string(status);
    }
}

Json Nullable(bool present, const Json& v) { return present ? v : Json(nullptr); }

Json RunJson(const Run& r, const Place& place) {
    const bool verified = r.status == kVerified;
    Json j;
    j["id"] = r.id;
    j["status"] = r.status;
    if (r.status == kRejected) j["reason"] = r.reason;
    j["name"] = r.name;
    j["score"] = Nullable(verified, r.score);
    j["stage"] = Nullable(verified, r.stage);
    j["ended"] = Nullable(verified, r.ended);
    j["frames"] = Nullable(verified, r.frames);
    j["version"] = r.version;
    j["submitted"] = IsoTime(r.submittedMs);
    j["verified"] = Nullable(verified, IsoTime(r.verifiedMs));
    j["rank"] = Nullable(verified && place.rank > 0, place.rank);
    j["total"] = Nullable(verified && place.rank > 0, place.total);
    return j;
}

}  // namespace

std::string IsoTime(int64_t unixMs) {
    const std::time_t t = static_cast<std::time_t>(unixMs / 1000);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

bool ParsePaging(const std::string& limit, const std::string& offset, int& outLimit, int& outOffset) {
    auto whole = [](const std::string& s, int fallback, int& out) {
        if (s.empty()) {
            out = fallback;
            return true;
        }
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
        return ec == std::errc() && end == s.data() + s.size() && out >= 0;
    };
    if (!whole(limit, kDefaultLimit, outLimit) || !whole(offset, 0, outOffset) || outLimit < 1) return false;
    outLimit = std::min(outLimit, kMaxLimit);
    return true;
}

Api::Api(ApiOptions options, Store& store, Workers& workers, Metrics& metrics)
    : o_(std::move(options)), store_(store), workers_(workers), metrics_(metrics),
      rate_(o_.submitPerMinute, o_.submitBurst) {}

std::string Api::Sender(const Request& req) const {
    if (o_.behindProxy) {
        // The balancer appends the address it saw; anything before it the client wrote.
        std::string fwd = req.get_header_value("X-Forwarded-For");
        const size_t comma = fwd.rfind(',');
        if (comma != std::string::npos) fwd = fwd.substr(comma + 1);
        while (!fwd.empty() && fwd.front() == ' ') fwd.erase(0, 1);
        while (!fwd.empty() && fwd.back() == ' ') fwd.pop_back();
        if (!fwd.empty()) return fwd.substr(0, INET6_ADDRSTRLEN);
    }
    return req.remote_addr;
}

int Api::Admit(const Request& req, Response& res) {
    if (!req.has_header("Content-Length")) {
        Error(res, kLengthRequired, "send the recording with a Content-Length");
        HttpServer::CloseAfterResponse();
        return kLengthRequired;
    }
    const uint64_t length = req.get_header_value<uint64_t>("Content-Length");
    if (length > kMaxRecordingBytes) {
        Error(res, kTooLarge, "a recording is at most " + std::to_string(kMaxRecordingBytes) + " bytes; this one is " +
                                  std::to_string(length));
        HttpServer::CloseAfterResponse();
        return kTooLarge;
    }
    const std::string sender = Sender(req);
    if (const int64_t wait = rate_.Take(sender, NowMs()); wait > 0) {
        res.set_header("Retry-After", std::to_string(wait));
        Error(res, kTooMany, "too many submissions from this address; try again in " + std::to_string(wait) + " s");
        HttpServer::CloseAfterResponse();
        return kTooMany;
    }
    int64_t pending = 0;
    try {
        pending = store_.Pending(sender);
    } catch (const StoreError& e) {
        // Asked before any handler runs, outside the handlers' own net.
        std::fprintf(stderr, "molfo-server: %s\n", e.what());
        Error(res, kUnavailable, "the table's database is unavailable; try again later");
        HttpServer::CloseAfterResponse();
        return kUnavailable;
    }
    if (pending >= o_.pendingPerAddress) {
        res.set_header("Retry-After", std::to_string(kPendingRetrySeconds));
        Error(res, kTooMany, std::to_string(o_.pendingPerAddress) + " runs from this address wait for verification already");
        HttpServer::CloseAfterResponse();
        return kTooMany;
    }
    return 0;
}

void Api::Submit(const Request& req, Response& res) {
    const std::span<const uint8_t> body(reinterpret_cast<const uint8_t*>(req.body.data()), req.body.size());
    if (body.size() > kMaxRecordingBytes) return Error(res, kTooLarge, "a recording is at most 1 MiB");
    const Intake in = CheckRecording(body, o_.version);
    if (in.status != 0) return Error(res, in.status, in.error);
    Submission s;
    s.id = RunId(body);
    s.name = RankingName(req.get_param_value("name"), o_.defaultName);
    s.address = Sender(req);
    s.version = in.version;
    s.recording.assign(body.begin(), body.end());
    s.nowMs = NowMs();
    Run run;
    const bool added = store_.Submit(s, run);
    if (added) workers_.Wake();
    Send(res, added ? kAccepted : kOk, Json{{"id", run.id}, {"status", run.status}});
}

void Api::GetRun(const Request& req, Response& res) {
    const std::string id = req.matches[1];
    const std::optional<Run> run = IsRunId(id) ? store_.Get(id) : std::nullopt;
    if (!run) return Error(res, kNotFound, "no run " + Printable(id, kShownBytes));
    Send(res, kOk, RunJson(*run, run->status == kVerified ? store_.PlaceOf(id) : Place{}));
}

void Api::GetRecording(const Request& req, Response& res) {
    const std::string id = req.matches[1];
    const auto bytes = IsRunId(id) ? store_.Recording(id) : std::nullopt;
    if (!bytes) return Error(res, kNotFound, "no run " + Printable(id, kShownBytes));
    res.set_header("Content-Disposition", "attachment; filename=\"" + id + ".mrec\"");
    res.set_content(std::string(bytes->begin(), bytes->end()), "application/octet-stream");
}

void Api::Leaderboard(const Request& req, Response& res) {
    int limit = 0, offset = 0;
    if (!ParsePaging(req.get_param_value("limit"), req.get_param_value("offset"), limit, offset))
        return Error(res, kBadRequest, "limit is 1 to 100 and offset 0 or more, in whole numbers");
    const Board b = store_.Leaderboard(limit, offset);
    Json runs = Json::array();
    for (size_t i = 0; i < b.runs.size(); ++i) {
        const Run& r = b.runs[i];
        runs.push_back(Json{{"rank", offset + static_cast<int64_t>(i) + 1}, {"id", r.id}, {"name", r.name},
                            {"score", r.score}, {"stage", r.stage}, {"ended", r.ended},
                            {"verified", IsoTime(r.verifiedMs)}});
    }
    Send(res, kOk, Json{{"runs", runs}, {"total", b.total}});
}

void Api::Page(const Request& req, Response& res) {
    int limit = 0, offset = 0;
    if (!ParsePaging(req.get_param_value("limit"), req.get_param_value("offset"), limit, offset)) {
        limit = kMaxLimit;
        offset = 0;
    }
    if (!req.has_param("limit")) limit = kMaxLimit;
    res.set_content(TablePage(store_.Leaderboard(limit, offset), offset, limit, !o_.pageDir.empty()),
                    "text/html; charset=utf-8");
}

bool Api::Mount(HttpServer& http) {
    using H = httplib::Server::HandlerResponse;
    http.set_payload_max_length(kMaxRecordingBytes);
    // A client that says it will send a body waits for this answer first, so
    // a refused one never sends it.
    http.set_expect_100_continue_handler([this](const Request& req, Response& res) {
        tAdmitted = false;
        if (!IsSubmission(req)) return 100;
        const int status = Admit(req, res);
        tAdmitted = status == 0;
        return status == 0 ? 100 : status;
    });
    http.set_pre_routing_handler([this](const Request& req, Response& res) {
        const bool admitted = tAdmitted;
        tAdmitted = false;
        if (!IsSubmission(req) || admitted) return H::Unhandled;
        return Admit(req, res) == 0 ? H::Unhandled : H::Handled;
    });
    http.set_error_handler(httplib::Server::HandlerWithResponse([](const Request&, Response& res) {
        if (!res.body.empty()) return H::Unhandled;
        Error(res, res.status, StatusLine(res.status));
        return H::Handled;
    }));
    http.set_exception_handler([](const Request&, Response& res, std::exception_ptr ep) {
        try {
            std::rethrow_exception(ep);
        } catch (const StoreError& e) {
            std::fprintf(stderr, "molfo-server: %s\n", e.what());
            Error(res, kUnavailable, "the table's database is unavailable; try again later");
        } catch (const std::exception& e) {
            std::fprintf(stderr, "molfo-server: %s\n", e.what());
            Error(res, kServerError, "the server failed");
        }
    });
    http.set_logger([this](const Request& req, const Response& res) { metrics_.Request(RouteOf(req.method, req.path), res.status); });

    http.Post("/api/v1/runs", [this](const Request& req, Response& res) { Submit(req, res); });
    http.Get(R"(/api/v1/runs/([^/]+))", [this](const Request& req, Response& res) { GetRun(req, res); });
    http.Get(R"(/api/v1/runs/([^/]+)/recording)", [this](const Request& req, Response& res) { GetRecording(req, res); });
    http.Get("/api/v1/leaderboard", [this](const Request& req, Response& res) { Leaderboard(req, res); });
    http.Get("/healthz", [this](const Request&, Response& res) {
        store_.Length();  // throws, and answers 503, when the database is gone
        Send(res, kOk, Json{{"status", "ok"}, {"version", o_.version}});
    });
    http.Get("/metrics", [this](const Request&, Response& res) {
        const Store::QueueLength q = store_.Length();
        res.set_content(metrics_.Text(q.queued, q.verifying), "text/plain; version=0.0.4");
    });
    http.Get("/", [this](const Request& req, Response& res) { Page(req, res); });
    if (!o_.pageDir.empty()) return http.set_mount_point("/play", o_.pageDir);
    return true;
}

}  // namespace molfo::server
