#include "online/Commands.h"

#include <cstdio>
#include <ostream>
#include <thread>

#include "core/Printable.h"
#include "core/ReadFile.h"
#include "online/Table.h"
#include "replay/ReplayFile.h"
#include "settings/Settings.h"

namespace molfo::online {

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kShownBytes = 300;

std::string Reached(int stage, const std::string& ended) {
    return ended == "ending" ? "the ending" : "stage " + std::to_string(stage) + ", game over";
}

int Fail(std::ostream& err, int status, const std::string& line) {
    err << "molfo: " << Printable(line, kShownBytes * 2) << "\n";
    return status;
}

// The table's address as given: a missing or odd one is the player's to mend.
int CheckServer(const std::string& server, std::ostream& err) {
    if (server.empty())
        return Fail(err, kExitBadInput,
                    "no online table is named: give --server URL, or set [online] server in the settings");
    if (!settings::IsServerAddress(server))
        return Fail(err, kExitBadInput, "--server " + server + ": not an http:// or https:// address");
    return 0;
}

}  // namespace

int SubmitRun(const SubmitRequest& r, std::ostream& out, std::ostream& err) {
    if (const int status = CheckServer(r.server, err); status != 0) return status;
    std::string text, error;
    // One byte more than the table takes, to tell a recording too large.
    if (!ReadFileLimited(r.file, kMaxRunBytes + 1, text, error)) return Fail(err, kExitBadInput, error);
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    if (bytes.size() > kMaxRunBytes)
        return Fail(err, kExitBadInput, r.file + ": larger than the online table takes (1 MiB)");
    replay::Recording rec;
    if (!replay::ParseRecording(bytes, rec, error)) return Fail(err, kExitBadInput, r.file + ": " + error);
    if (rec.header.practiceStage != 1 || rec.header.practiceBoss)
        return Fail(err, kExitBadInput, r.file + ": a practice start is not ranked");
    std::string name = r.name;
    if (!r.nameGiven) {
        // The name typed into the ranking's box in that game, as the window sends it.
        for (auto a = rec.answers.rbegin(); a != rec.answers.rend() && name.empty(); ++a) name = *a;
    }

    Table table(r.server);
    const Clock::time_point giveUp = Clock::now() + r.wait;
    Submitted s;
    for (;;) {
        s = table.Submit(bytes, name);
        if (s.kind != Submitted::Kind::Busy || s.retryAfter < 0) break;
        // Told to come back: within the wait, it does.
        const auto back = Clock::now() + std::chrono::seconds(s.retryAfter);
        if (back >= giveUp) break;
        std::this_thread::sleep_until(back);
    }
    switch (s.kind) {
        case Submitted::Kind::Accepted: break;
        case Submitted::Kind::Refused: return Fail(err, kExitBadInput, "the online table refused the run: " + s.error);
        case Submitted::Kind::Busy:
            return Fail(err, kExitUnreachable, "the online table " + r.server + " cannot take the run now: " + s.error);
        case Submitted::Kind::Unreachable:
            return Fail(err, kExitUnreachable, "cannot reach the online table " + r.server + ": " + s.error);
    }
    RunState run;
    bool unreachable = false;
    for (;;) {
        if (table.Run(s.id, run, error, unreachable) && run.Final()) break;
        if (unreachable && Clock::now() >= giveUp)
            return Fail(err, kExitUnreachable, "the online table " + r.server + " stopped answering: " + error);
        if (Clock::now() >= giveUp) {
            err << "molfo: the run was taken but has no verdict yet; see " << table.RunUrl(s.id) << "\n";
            return kExitUndecided;
        }
        std::this_thread::sleep_for(r.pollEvery);
    }
    if (run.status == "rejected") {
        out << "rejected: " << Printable(run.reason, kShownBytes) << " (" << table.RunUrl(run.id) << ")\n";
        return kExitRejected;
    }
    out << "verified: " << run.score << " points, " << Reached(run.stage, run.ended) << "; " << Ordinal(run.rank)
        << " of " << run.total << " (" << table.RunUrl(run.id) << ")\n";
    return kExitVerified;
}

int PrintTable(const std::string& server, std::ostream& out, std::ostream& err, int rows) {
    if (const int status = CheckServer(server, err); status != 0) return status;
    Table table(server);
    Board board;
    std::string error;
    bool unreachable = false;
    if (!table.Top(rows, board, error, unreachable))
        return Fail(err, kExitUnreachable, "cannot read the online table " + server + ": " + error);
    for (const BoardRow& row : board.rows) {
        char line[64];
        std::snprintf(line, sizeof line, "%4lld %7d  %-10s %s  ", static_cast<long long>(row.rank), row.score,
                      (row.ended == "ending" ? std::string("ending") : "stage " + std::to_string(row.stage)).c_str(),
                      row.verified.substr(0, 10).c_str());
        out << line << Printable(row.name, kShownBytes) << "\n";
    }
    out << board.rows.size() << " of " << board.total << " verified runs; the whole table: " << ApiUrl(server, "")
        << "\n";
    return 0;
}

}  // namespace molfo::online
