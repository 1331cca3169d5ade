// Sends the player's finished games to the online table, on a thread of its
// own: a game handed over goes into the outbox, then to the table, and
// stays in the outbox until the table has said what it makes of it. A table
// out of reach is tried again later, ever more slowly, and at the next
// start. Nothing here touches the game or the player's ranking; the game
// only hands runs over and, on the title, asks for the latest verdict.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace molfo::online {

// What the table made of a run, for the line on the title.
struct Verdict {
    enum class Kind {
        Verified,  // ranked: `rank` of `total`
        Rejected,  // replayed, and found wanting: `reason`
        Refused,   // never taken (not a recording the table accepts): `reason`
    };
    Kind kind = Kind::Verified;
    std::string file;  // the kept replay's name
    int score = 0;
    int64_t rank = 0;
    int64_t total = 0;
    std::string reason;
};

// The waits between tries: doubling from the first to the last.
struct Backoff {
    std::chrono::milliseconds first{2000};
    std::chrono::milliseconds last{300000};
    std::chrono::milliseconds Next(std::chrono::milliseconds previous) const;
};

class Sender {
public:
    struct Options {
        std::string server;  // the table's address
        std::string outbox;  // the outbox folder, ending in '/'
        Backoff backoff;
        // How long a run accepted is asked after before the sender moves on
        // (it is asked again at the next try); and how often.
        std::chrono::milliseconds verdictWait{std::chrono::minutes(5)};
        std::chrono::milliseconds pollEvery{1000};
    };

    // Starts sending what the outbox holds at once.
    explicit Sender(Options options);
    // Stops within about a second, a transfer under way cut short; what is
    // still unsent stays in the outbox, a game handed over just now too.
    ~Sender();
    Sender(const Sender&) = delete;
    Sender& operator=(const Sender&) = delete;

    // Hands a finished game over, from any thread, without waiting: it is
    // put in the outbox and sent on the sender's thread.
    void Send(std::string file, std::vector<uint8_t> bytes, std::string name);

    // The latest verdict not yet taken, taken.
    std::optional<Verdict> TakeVerdict();

private:
    using Clock = std::chrono::steady_clock;
    struct Incoming {
        std::string file;
        std::vector<uint8_t> bytes;
        std::string name;
    };
    void Run();
    // Waits until `until`, or the end, or (with `forRuns`) a run handed
    // over; false at the end.
    bool WaitUntil(Clock::time_point until, bool forRuns = true);
    void Publish(Verdict v);

    Options o_;
    std::mutex m_;
    std::condition_variable wake_;
    std::deque<Incoming> incoming_;
    std::optional<Verdict> verdict_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace molfo::online
