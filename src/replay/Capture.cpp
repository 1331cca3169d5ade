#include "replay/Capture.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <system_error>

#include "core/AtomicFile.h"
#include "core/Printable.h"
#include "core/ReadFile.h"
#include "platform/LocalTime.h"
#include "replay/Library.h"
#include "replay/Record.h"
#include "replay/Replay.h"
#include "replay/Screenshots.h"
#include "replay/SignalCleanup.h"
#include "replay/StateHash.h"
#include "screens/RankFile.h"
#include "world/Game.h"

namespace molfo {

namespace fs = std::filesystem;

namespace {

std::string RankFileIn(const std::string& dataDir) { return (fs::path(dataDir) / "sys" / "rank.hms").string(); }

constexpr char kOverlayPrefix[] = "molfo-replay-";
constexpr size_t kRandomChars = 6;  // mkdtemp's

// Removes the private folders of replays whose program was killed outright
// (a signal that can be caught removes its own): ours by name and owner,
// untouched for a while, and not locked by a replay still playing.
void SweepOverlays(const fs::path& tmp) {
    DIR* d = ::opendir(tmp.c_str());
    if (d == nullptr) return;
    const std::string prefix = kOverlayPrefix;
    const time_t now = std::time(nullptr);
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + kRandomChars || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode) ||
            st.st_uid != ::geteuid() || now - st.st_mtime < std::chrono::seconds(files::kStaleAfter).count())
            continue;
        const int fd = ::openat(::dirfd(d), e->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            std::error_code ec;
            fs::remove_all(tmp / name, ec);  // the links go, never what they point at
        }
        ::close(fd);
    }
    ::closedir(d);
}

}  // namespace

bool RankRecordsForRecording(const std::string& rankPath, std::vector<uint8_t>& records, std::string& problem) {
    const rank::RankLoad load = rank::LoadRankFile(rankPath);
    if (load.status == rank::RankLoad::Status::Unreadable) {
        problem = load.problem;
        return false;
    }
    std::vector<uint8_t> bytes = rank::SerializeRank(load.table);
    const std::vector<uint8_t> blank = rank::SerializeRank(rank::FreshTable());
    size_t keep = bytes.size();
    // Blank places at the bottom are what a missing file reads as anyway.
    while (keep >= replay::kRankRecordBytes &&
           std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(keep - replay::kRankRecordBytes),
                      bytes.begin() + static_cast<std::ptrdiff_t>(keep),
                      blank.begin() + static_cast<std::ptrdiff_t>(keep - replay::kRankRecordBytes)))
        keep -= replay::kRankRecordBytes;
    bytes.resize(keep);
    records = std::move(bytes);
    return true;
}

DataOverlay::DataOverlay() = default;

DataOverlay::~DataOverlay() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove_all(path_, ec);  // the links go, never what they point at
    cleanup_.reset();
    if (lock_ >= 0) ::close(lock_);
}

std::string DataOverlay::Create(const std::string& realDataDir, const std::vector<uint8_t>& rankRecords) {
    std::error_code ec;
    const fs::path realSys = fs::absolute(fs::path(realDataDir) / "sys", ec);
    if (ec || !fs::is_directory(realSys, ec)) return "cannot find the game's sys folder in " + realDataDir;
    const fs::path tmp = fs::temp_directory_path(ec);
    const fs::path base = ec ? fs::path("/tmp") : tmp;
    SweepOverlays(base);
    std::string name = (base / (std::string(kOverlayPrefix) + std::string(kRandomChars, 'X'))).string();
    if (mkdtemp(name.data()) == nullptr) return "cannot make a folder for the replay's ranking";
    path_ = name;
    // Held while the replay plays: the folder is in use, whatever its age.
    lock_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (lock_ >= 0) ::flock(lock_, LOCK_EX | LOCK_NB);
    cleanup_ = std::make_unique<SignalCleanup>(path_);
    const fs::path sys = fs::path(path_) / "sys";
    fs::create_directory(sys, ec);
    if (ec) return "cannot make a folder for the replay's ranking";
    for (const fs::directory_entry& e : fs::directory_iterator(realSys, ec)) {
        if (e.path().filename() == "rank.hms") continue;
        fs::create_symlink(e.path(), sys / e.path().filename(), ec);
        if (ec) return "cannot link " + e.path().string() + " for the replay";
    }
    if (ec) return "cannot list " + realSys.string();
    const std::string err = rank::WriteRankFile(RankFileIn(path_), rank::ParseRank(rankRecords));
    if (!err.empty()) return "cannot write the replay's ranking: " + err;
    return {};
}

Capture::Capture(CaptureOptions options) : o_(std::move(options)) {}
Capture::~Capture() = default;

int Capture::Prepare(const std::string& dataDir, const SessionStart& start) {
    dataDir_ = dataDir;
    if (!o_.replayPath.empty()) {
        std::string text, error;
        if (!ReadFileLimited(o_.replayPath, replay::kMaxRecordingBytes, text, error)) {
            std::cerr << "molfo: the replay: " << error << "\n";
            return 2;
        }
        const std::vector<uint8_t> bytes(text.begin(), text.end());
        text = std::string();
        recording_ = std::make_unique<replay::Recording>();
        if (!replay::ParseRecording(bytes, *recording_, error)) {
            std::cerr << "molfo: " << Printable(o_.replayPath, 200) << " is not a usable replay: " << error << "\n";
            return 2;
        }
        const std::string& version = recording_->header.programVersion;
        recordedVersion_ = version;
        if (recording_->header.hasCarried) replayFirstPass_ = recording_->header.carried.passes;
        if (!recording_->checks.empty()) replayLastPass_ = recording_->checks.back().pass;
        if (version != MOLFO_VERSION)
            std::cerr << "molfo: warning: " << Printable(o_.replayPath, 200) << " was recorded by molfo " << Printable(version)
                      << "; this is molfo " << MOLFO_VERSION << ", so it may play differently\n";
        const std::string err = overlay_.Create(dataDir, recording_->header.rank);
        if (!err.empty()) {
            std::cerr << "molfo: " << Printable(err, 400) << "\n";
            return 2;
        }
        dataDir_ = overlay_.Path();
    }
    keeping_ = !o_.keepFolder.empty() && !recording_;
    if (!o_.recordPath.empty() || keeping_) {
        recordHeader_.programVersion = MOLFO_VERSION;
        recordHeader_.practiceStage = start.practiceStage;
        recordHeader_.practiceBoss = start.practiceBoss;
        recordHeader_.frameLimit = start.frameLimit;
        rankPath_ = start.rankPath.empty() ? RankFileIn(dataDir) : start.rankPath;
        std::string problem;
        if (!RankRecordsForRecording(rankPath_, recordHeader_.rank, problem)) {
            // The replay would meet a ranking the recorded game never saw.
            if (!o_.recordPath.empty()) {
                std::cerr << "molfo: cannot record: " << Printable(problem, 400) << "\n";
                return 2;
            }
            std::cerr << "molfo: games are not kept as replays: " << Printable(problem, 400) << "\n";
            keeping_ = false;
        }
    }
    if (!o_.recordPath.empty()) {
        recordFile_.open(o_.recordPath, std::ios::binary | std::ios::trunc);
        if (!recordFile_) {
            std::cerr << "molfo: cannot write the recording " << Printable(o_.recordPath, 200) << "\n";
            return 2;
        }
    }
    if (!o_.screenshotDir.empty()) {
        const std::string err = Screenshots::MakeFolder(o_.screenshotDir);
        if (!err.empty()) {
            std::cerr << "molfo: " << Printable(err, 400) << "\n";
            return 2;
        }
    }
    return 0;
}

Platform& Capture::Wrap(Platform& base, Clock* pace, HeadlessPlatform* headless) {
    Platform* p = &base;
    if (recordFile_.is_open() || keeping_) {
        recorder_ = std::make_unique<Recorder>(base);
        if (recordFile_.is_open()) {
            recorder_->RecordSession(recordHeader_, [this](std::vector<uint8_t>&& bytes) {
                worker_.Post([this, bytes = std::move(bytes)] {
                    if (!recordOk_) return;
                    recordFile_.write(reinterpret_cast<const char*>(bytes.data()),
                                      static_cast<std::streamsize>(bytes.size()));
                    // Written chunk by chunk, so a session of hours never
                    // holds its whole recording in memory.
                    recordFile_.flush();
                    if (!recordFile_) recordOk_ = false;
                });
            });
        }
        if (keeping_) {
            recorder_->RecordGames(recordHeader_, [this](replay::Header&& h, std::vector<uint8_t>&& chunks,
                                                         const GameSummary& s, const GameEnd& end, bool goesOn) {
                KeepGame(std::move(h), std::move(chunks), s, end, goesOn);
            });
        }
        p = &recorder_->platform();
    }
    if (recording_) {
        replayer_ = std::make_unique<Replayer>(*p, std::move(*recording_), pace, headless);
        recording_.reset();
        replayer_->SetVerify(o_.verify);
        p = &replayer_->platform();
    }
    if (!o_.screenshotDir.empty()) {
        shots_ = std::make_unique<Screenshots>(p->dialogs, o_.screenshotDir, o_.screenshotEvery);
        shotPlatform_ =
            std::make_unique<Platform>(Platform{p->clock, p->events, p->keys, p->display, shots_->dialogs(), p->audio});
        p = shotPlatform_.get();
    }
    platform_ = p;
    return *p;
}

std::string Capture::RankPath(const std::string& normal) const {
    return overlay_.Path().empty() ? normal : RankFileIn(overlay_.Path());
}

void Capture::KeepGame(replay::Header&& header, std::vector<uint8_t>&& chunks, const GameSummary& summary,
                       const GameEnd& end, bool sessionGoesOn) {
    const std::tm when = LocalNow();
    worker_.Post([this, header = std::move(header), chunks = std::move(chunks), summary, end, when]() mutable {
        std::string error;
        if (header.hasCarried) {
            // Read when the game before this one ended (jobs run in order).
            header.rank = nextRank_;
            error = nextRankProblem_;
        }
        if (error.empty()) {
            std::vector<uint8_t> bytes = replay::Writer::EncodeHeader(header);
            bytes.insert(bytes.end(), chunks.begin(), chunks.end());
            std::string future;
            const std::string path = library::Save(o_.keepFolder, bytes, summary, when, error, &future);
            if (!future.empty() && !futureWarned_.exchange(true)) std::cerr << "molfo: " << future << "\n";
            if (!path.empty() && o_.onKept) o_.onKept({path, std::move(bytes), summary, end});
            if (!path.empty()) return;
        }
        // A full disk or a folder that cannot be written costs the replays
        // and one line, never the game.
        if (!keepWarned_.exchange(true))
            std::cerr << "molfo: games are not kept as replays: " << Printable(error, 400) << "\n";
    });
    if (!sessionGoesOn) return;
    // The next game meets the ranking this one has just written; read off
    // the game's thread, before anything else can change it.
    worker_.Post([this] {
        nextRankProblem_.clear();
        if (!RankRecordsForRecording(rankPath_, nextRank_, nextRankProblem_) && nextRankProblem_.empty())
            nextRankProblem_ = "the ranking cannot be read";
    });
}

void Capture::Start(Game& g) {
    if (replayer_ && replayer_->header().hasCarried) RestoreCarried(g, replayer_->header().carried);
}

void Capture::Hook(Game& g) {
    g.onScene = [this, before = std::move(g.onScene)](Game& game) {
        if (before) before(game);
        OnScene(game);
    };
    g.afterPass = [this, before = std::move(g.afterPass)](Game& game) {
        if (before) before(game);
        AfterPass(game);
    };
}

void Capture::OnScene(Game& g) {
    if (replayer_) replayer_->OnScene(g);
    if (recorder_) recorder_->OnScene(g);
    if (shots_) shots_->Attach(g);
}

void Capture::AfterPass(Game& g) {
    if (replayer_) replayer_->AfterPass(g);
    if (recorder_) recorder_->AfterPass(g);
    if (shots_) shots_->AfterPass(g);
}

int Capture::Finish(Game& g) {
    int status = 0;
    if (recorder_) {
        recorder_->Finish(g);
        worker_.Post([this] {
            if (!recordFile_.is_open()) return;
            recordFile_.close();
            if (recordFile_.fail()) recordOk_ = false;
        });
        worker_.Drain();
        if (!o_.recordPath.empty() && !recordOk_) {
            std::cerr << "molfo: writing the recording " << Printable(o_.recordPath, 200) << " failed\n";
            status = 2;
        }
    }
    if (!replayer_) return status;
    replayer_->Finish(g);
    replayProblem_ = replayer_->Differs() ? replayer_->Difference() : replayer_->RanOut() ? replayer_->RanOutMessage() : "";
    if (replayer_->RanOut()) std::cerr << "molfo: " << replayer_->RanOutMessage() << "\n";
    if (o_.verify) {
        if (replayer_->Stopped()) {
            std::cerr << "molfo: " << Printable(o_.replayPath, 200) << ": stopped at frame " << g.passes
                      << " before the recording's end; not verified\n";
            return 1;
        }
        if (replayer_->Differs()) {
            std::cerr << "molfo: " << Printable(o_.replayPath, 200) << ": " << replayer_->Difference() << "\n";
            return 1;
        }
        if (replayer_->RanOut()) return 1;
        char hash[17];
        std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(StateHash(g)));
        std::cout << "replay verified: the game matches the recording to its end at frame " << g.passes
                  << ", state hash " << hash << "\n";
    } else if (replayer_->Differs()) {
        std::cerr << "molfo: warning: " << replayer_->Difference() << "\n";
    }
    return status;
}

}  // namespace molfo
