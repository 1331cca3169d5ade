#include "online/Sender.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "core/Printable.h"
#include "online/Outbox.h"
#include "online/Table.h"

namespace molfo::online {

namespace {

using std::chrono::milliseconds;
constexpr size_t kShownBytes = 300;

// A run waiting: in the outbox, or only in memory when it could not be
// written there (a full disk): then it is tried for this session alone.
struct Pending {
    Outbox::Entry entry;
    bool inMemory = false;
    std::vector<uint8_t> bytes;
};

std::string Said(const Verdict& v) {
    switch (v.kind) {
        case Verdict::Kind::Verified:
            return "sent " + v.file + ": verified, " + std::to_string(v.score) + " points, " + Ordinal(v.rank) + " of " +
                   std::to_string(v.total);
        case Verdict::Kind::Rejected: return "sent " + v.file + ": rejected: " + v.reason;
        case Verdict::Kind::Refused: return v.file + " was not sent: " + v.reason;
    }
    return {};
}

}  // namespace

milliseconds Backoff::Next(milliseconds previous) const {
    return previous.count() <= 0 ? first : std::min(previous * 2, last);
}

Sender::Sender(Options options) : o_(std::move(options)) {
    thread_ = std::thread([this] { Run(); });
}

Sender::~Sender() {
    {
        std::lock_guard<std::mutex> l(m_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    // A game handed over as the program ends (the last one is kept then)
    // waits in the outbox for the next start.
    if (o_.outbox.empty()) return;
    Outbox box(o_.outbox);
    for (const Incoming& i : incoming_)
        if (const std::string error = box.Put(i.file, i.bytes, i.name); !error.empty())
            std::cerr << "molfo: " << Printable(i.file, kShownBytes) << " is not sent: " << Printable(error, kShownBytes)
                      << "\n";
}

void Sender::Send(std::string file, std::vector<uint8_t> bytes, std::string name) {
    {
        std::lock_guard<std::mutex> l(m_);
        incoming_.push_back({std::move(file), std::move(bytes), std::move(name)});
    }
    wake_.notify_all();
}

std::optional<Verdict> Sender::TakeVerdict() {
    std::lock_guard<std::mutex> l(m_);
    std::optional<Verdict> v = std::move(verdict_);
    verdict_.reset();
    return v;
}

void Sender::Publish(Verdict v) {
    std::cerr << "molfo: " << Printable(Said(v), kShownBytes) << "\n";
    std::lock_guard<std::mutex> l(m_);
    verdict_ = std::move(v);
}

bool Sender::WaitUntil(Clock::time_point until, bool forRuns) {
    std::unique_lock<std::mutex> l(m_);
    wake_.wait_until(l, until, [this, forRuns] { return stop_.load() || (forRuns && !incoming_.empty()); });
    return !stop_;
}

void Sender::Run() {
    Table table(o_.server, &stop_);
    Outbox box(o_.outbox);
    std::deque<Pending> queue;
    if (!o_.outbox.empty())
        for (Outbox::Entry& e : box.List()) queue.push_back({std::move(e), false, {}});
    milliseconds delay{0};
    Clock::time_point nextTry = Clock::now();
    bool saidUnreachable = false;
    while (!stop_) {
        std::deque<Incoming> in;
        {
            std::lock_guard<std::mutex> l(m_);
            in.swap(incoming_);
        }
        for (Incoming& i : in) {
            std::vector<std::string> dropped;
            const std::string error = o_.outbox.empty() ? "there is no user data folder" : box.Put(i.file, i.bytes, i.name, &dropped);
            for (const std::string& d : dropped) {
                std::cerr << "molfo: the outbox keeps " << Outbox::kMost << " runs; " << d << " is no longer sent\n";
                std::erase_if(queue, [&d](const Pending& p) { return p.entry.file == d; });
            }
            std::erase_if(queue, [&i](const Pending& p) { return p.entry.file == i.file; });
            Pending p{{i.file, i.name}, !error.empty(), {}};
            if (p.inMemory) {
                std::cerr << "molfo: " << Printable(i.file, kShownBytes) << " cannot wait in the outbox ("
                          << Printable(error, kShownBytes) << "); it is sent during this run only\n";
                p.bytes = std::move(i.bytes);
            }
            queue.push_back(std::move(p));
        }
        if (queue.empty() || Clock::now() < nextTry) {
            if (!WaitUntil(queue.empty() ? Clock::now() + std::chrono::hours(24) : nextTry)) return;
            continue;
        }
        Pending p = std::move(queue.front());
        queue.pop_front();
        std::vector<uint8_t> bytes = p.bytes;
        if (!p.inMemory && !box.Read(p.entry, bytes)) {
            // A run the player took out of the outbox meanwhile is not sent;
            // one that cannot be read (no file of ours) is taken out.
            std::error_code ec;
            if (std::filesystem::exists(box.Folder() + p.entry.file, ec)) {
                box.Remove(p.entry);
                Verdict v{Verdict::Kind::Refused, p.entry.file, 0, 0, 0, "it cannot be read as a recording"};
                Publish(std::move(v));
            }
            continue;
        }
        auto done = [&](Verdict v) {
            if (!p.inMemory) box.Remove(p.entry);
            v.file = p.entry.file;
            Publish(std::move(v));
            delay = milliseconds{0};
            saidUnreachable = false;
        };
        auto later = [&](const std::string& why, long retryAfter) {
            if (!saidUnreachable) {
                const size_t waiting = queue.size() + 1;
                std::cerr << "molfo: the online table " << Printable(o_.server, kShownBytes) << ": "
                          << Printable(why, kShownBytes) << "; " << waiting << (waiting == 1 ? " run waits" : " runs wait")
                          << " to be sent, tried again later\n";
                saidUnreachable = true;
            }
            delay = o_.backoff.Next(delay);
            nextTry = Clock::now() + std::max(delay, milliseconds(std::chrono::seconds(std::max(retryAfter, 0L))));
            queue.push_back(std::move(p));
        };
        const Submitted s = table.Submit(bytes, p.entry.name);
        if (stop_) return;
        if (s.kind == Submitted::Kind::Refused) {
            done({Verdict::Kind::Refused, "", 0, 0, 0, s.error});
            continue;
        }
        if (s.kind != Submitted::Kind::Accepted) {
            later(s.error, s.retryAfter);
            continue;
        }
        // Accepted: asked after until the table has replayed it.
        const Clock::time_point giveUp = Clock::now() + o_.verdictWait;
        RunState r;
        std::string error;
        bool unreachable = false, final = false;
        while (!stop_) {
            const bool read = table.Run(s.id, r, error, unreachable);
            if (read && r.Final()) {
                final = true;
                break;
            }
            if (!read || Clock::now() >= giveUp) break;
            // A game handed over meanwhile waits its turn: the verdict is
            // asked for at the same pace.
            if (!WaitUntil(Clock::now() + o_.pollEvery, false)) return;
        }
        if (stop_) return;
        if (!final) {
            later(error.empty() ? "no verdict yet" : error, -1);
            continue;
        }
        if (r.status == "verified")
            done({Verdict::Kind::Verified, "", r.score, r.rank, r.total, ""});
        else
            done({Verdict::Kind::Rejected, "", 0, 0, 0, Printable(r.reason, kShownBytes)});
    }
}

}  // namespace molfo::online
