#include "online/Table.h"

#include <cctype>

#include <nlohmann/json.hpp>

#include "core/Printable.h"

namespace molfo::online {

namespace {

using Json = nlohmann::json;

constexpr int kOk = 200;
constexpr int kAccepted = 202;
constexpr int kBadRequest = 400;
constexpr int kNotFound = 404;
constexpr int kMethodNotAllowed = 405;
constexpr int kLengthRequired = 411;
constexpr int kTooLarge = 413;
constexpr int kOtherVersion = 422;
constexpr int kTooMany = 429;
constexpr int kServerErrors = 500;
// The table's words are cut to this in a line of ours.
constexpr size_t kShownBytes = 300;
// A recording of a megabyte may take a while on a slow line.
constexpr int kSubmitConnectMs = 10000, kSubmitTotalMs = 60000;

Json Parse(const std::string& body) { return Json::parse(body, nullptr, false); }

// The table's own one-line error, or the status when there is none.
std::string ErrorOf(const HttpAnswer& a) {
    const Json j = Parse(a.body);
    if (j.is_object() && j.contains("error") && j["error"].is_string())
        return Printable(j["error"].get<std::string>(), kShownBytes);
    return "the table answered " + std::to_string(a.status);
}

std::string Str(const Json& j, const char* key) {
    return j.contains(key) && j[key].is_string() ? j[key].get<std::string>() : std::string();
}

template <typename T>
T Num(const Json& j, const char* key) {
    return j.contains(key) && j[key].is_number_integer() ? j[key].get<T>() : T{};
}

bool Unreached(const HttpAnswer& a, std::string& error, bool& unreachable) {
    unreachable = a.status == 0 || a.status == kNotFound || a.status == kMethodNotAllowed || a.status >= kServerErrors;
    if (a.status == 0) error = a.error;
    else if (a.status == kNotFound || a.status == kMethodNotAllowed) error = "no online table answers there";
    else error = ErrorOf(a);
    return unreachable;
}

}  // namespace

std::string ApiUrl(const std::string& server, const std::string& path) {
    std::string base = server;
    // A table's address may end in a query or a fragment no API has.
    base = base.substr(0, base.find_first_of("?#"));
    if (base.empty() || base.back() != '/') base += '/';
    return base + path;
}

std::string QueryEscape(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

Submitted ReadSubmitted(const HttpAnswer& a) {
    Submitted s;
    s.retryAfter = a.retryAfter;
    switch (a.status) {
        case kOk:
        case kAccepted: {
            const Json j = Parse(a.body);
            if (j.is_object() && !Str(j, "id").empty() && !Str(j, "status").empty()) {
                s.kind = Submitted::Kind::Accepted;
                s.id = Str(j, "id");
                s.status = Str(j, "status");
            } else {
                s.error = "the answer is not an online table's";
            }
            return s;
        }
        case kBadRequest:
        case kLengthRequired:
        case kTooLarge:
        case kOtherVersion:
            s.kind = Submitted::Kind::Refused;
            s.error = ErrorOf(a);
            return s;
        case kTooMany:
            s.kind = Submitted::Kind::Busy;
            s.error = ErrorOf(a);
            return s;
        default: break;
    }
    if (a.status >= kServerErrors) {
        s.kind = Submitted::Kind::Busy;
        s.error = ErrorOf(a);
        return s;
    }
    s.error = a.status == 0 ? a.error
              : a.status == kNotFound || a.status == kMethodNotAllowed
                  ? "no online table answers there"
                  : "the table answered " + std::to_string(a.status);
    return s;
}

bool ReadRun(const HttpAnswer& a, RunState& out, std::string& error) {
    if (a.status != kOk) {
        error = a.status == 0 ? a.error : ErrorOf(a);
        return false;
    }
    const Json j = Parse(a.body);
    static constexpr const char* kStatuses[] = {"queued", "verifying", "verified", "rejected"};
    const std::string status = j.is_object() ? Str(j, "status") : "";
    bool known = false;
    for (const char* k : kStatuses) known = known || status == k;
    if (!known || Str(j, "id").empty()) {
        error = "the answer is not an online table's run";
        return false;
    }
    out = RunState{};
    out.id = Str(j, "id");
    out.status = status;
    out.reason = Str(j, "reason");
    out.name = Str(j, "name");
    out.ended = Str(j, "ended");
    out.score = Num<int>(j, "score");
    out.stage = Num<int>(j, "stage");
    out.rank = Num<int64_t>(j, "rank");
    out.total = Num<int64_t>(j, "total");
    return true;
}

bool ReadBoard(const HttpAnswer& a, Board& out, std::string& error) {
    if (a.status != kOk) {
        error = a.status == 0 ? a.error : ErrorOf(a);
        return false;
    }
    const Json j = Parse(a.body);
    if (!j.is_object() || !j.contains("runs") || !j["runs"].is_array()) {
        error = "the answer is not an online table's";
        return false;
    }
    out = Board{};
    out.total = Num<int64_t>(j, "total");
    for (const Json& r : j["runs"]) {
        if (!r.is_object()) continue;
        out.rows.push_back({Num<int64_t>(r, "rank"), Str(r, "id"), Str(r, "name"), Str(r, "ended"), Str(r, "verified"),
                            Num<int>(r, "score"), Num<int>(r, "stage")});
    }
    return true;
}

std::string Ordinal(int64_t n) {
    const int64_t tens = n % 100, ones = n % 10;
    const char* suffix = "th";
    if (tens < 11 || tens > 13) {
        if (ones == 1) suffix = "st";
        else if (ones == 2) suffix = "nd";
        else if (ones == 3) suffix = "rd";
    }
    return std::to_string(n) + suffix;
}

Submitted Table::Submit(std::span<const uint8_t> recording, const std::string& name) {
    if (recording.size() > kMaxRunBytes) {
        Submitted s;
        s.kind = Submitted::Kind::Refused;
        s.error = "the recording is larger than the table takes (1 MiB)";
        return s;
    }
    const std::string url = ApiUrl(server_, "api/v1/runs") + (name.empty() ? "" : "?name=" + QueryEscape(name));
    return ReadSubmitted(http_.Post(url, recording, {kSubmitConnectMs, kSubmitTotalMs}));
}

bool Table::Run(const std::string& id, RunState& out, std::string& error, bool& unreachable) {
    const HttpAnswer a = http_.Get(ApiUrl(server_, "api/v1/runs/" + QueryEscape(id)));
    if (Unreached(a, error, unreachable)) return false;
    return ReadRun(a, out, error);
}

bool Table::Top(int limit, Board& out, std::string& error, bool& unreachable) {
    const HttpAnswer a = http_.Get(ApiUrl(server_, "api/v1/leaderboard?limit=" + std::to_string(limit)));
    if (Unreached(a, error, unreachable)) return false;
    return ReadBoard(a, out, error);
}

}  // namespace molfo::online
