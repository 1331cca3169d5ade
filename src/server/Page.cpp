// The table as a web page: plain HTML with its style inline, no script and
// nothing fetched from elsewhere, narrow enough for a phone.
#include <algorithm>
#include <cctype>
#include <string>

#include "server/Api.h"

namespace molfo::server {

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string UrlEncode(const std::string& s) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
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

constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Molfo: the online table</title>
<style>
body { font-family: sans-serif; margin: 0 auto; padding: 0.5em; max-width: 44em; background: #10131c; color: #e8e8f0; }
h1 { font-size: 1.4em; margin: 0.4em 0; }
p { color: #a8acbc; font-size: 0.9em; }
table { border-collapse: collapse; width: 100%; }
th, td { padding: 0.4em 0.3em; text-align: left; border-bottom: 1px solid #2a2f40; }
th { font-size: 0.8em; color: #a8acbc; }
td.n { text-align: right; font-variant-numeric: tabular-nums; }
a { color: #8fc1ff; }
nav { margin: 0.8em 0; display: flex; justify-content: space-between; }
@media (max-width: 30em) { .date { display: none; } body { font-size: 0.95em; } }
</style>
)";

}  // namespace

std::string TablePage(const Board& board, int offset, int limit, bool watch) {
    std::string h = kHead;
    // The game's icon where its page is served; otherwise none, and no
    // request for one either.
    h += watch ? "<link rel=\"icon\" href=\"/play/icon.svg\" type=\"image/svg+xml\">\n"
               : "<link rel=\"icon\" href=\"data:,\">\n";
    h += "</head>\n<body>\n<h1>Molfo: the online table</h1>\n"
         "<p>Every score here was reached by replaying its recording with the game itself.";
    if (watch) h += " <a href=\"/play/\">Play in your browser</a>";
    h += "</p>\n";
    if (board.runs.empty()) {
        h += "<p>No verified runs yet.</p>\n";
    } else {
        h += "<table>\n<tr><th>#</th><th>Name</th><th>Score</th><th>Reached</th><th class=\"date\">Date</th>";
        if (watch) h += "<th></th>";
        h += "</tr>\n";
        for (size_t i = 0; i < board.runs.size(); ++i) {
            const Run& r = board.runs[i];
            h += "<tr><td class=\"n\">" + std::to_string(offset + static_cast<int>(i) + 1) + "</td>";
            h += "<td>" + Escape(r.name) + "</td>";
            h += "<td class=\"n\">" + std::to_string(r.score) + "</td>";
            h += "<td>" + (r.ended == "ending" ? std::string("ending") : "stage " + std::to_string(r.stage)) + "</td>";
            h += "<td class=\"date\">" + IsoTime(r.verifiedMs).substr(0, 10) + "</td>";
            if (watch)
                h += "<td><a href=\"/play/?replay=" + UrlEncode("/api/v1/runs/" + r.id + "/recording") + "\">Watch</a></td>";
            h += "</tr>\n";
        }
        h += "</table>\n";
    }
    h += "<nav><span>";
    if (offset > 0)
        h += "<a href=\"/?offset=" + std::to_string(std::max(0, offset - limit)) + "&amp;limit=" + std::to_string(limit) +
             "\">Higher</a>";
    h += "</span><span>";
    if (offset + static_cast<int64_t>(board.runs.size()) < board.total)
        h += "<a href=\"/?offset=" + std::to_string(offset + limit) + "&amp;limit=" + std::to_string(limit) + "\">Lower</a>";
    h += "</span></nav>\n<p>" + std::to_string(board.total) + " verified runs.</p>\n</body>\n</html>\n";
    return h;
}

}  // namespace molfo::server
