// What a run records, replays and photographs, put together around a back
// end's platform. The window and the headless driver use it alike:
//
//   Capture c(options);
//   if (int st = c.Prepare(dataDir, session); st != 0) return st;
//   Game g(c.Wrap(backEnd, paceClock, nullptr), c.DataDir());
//   c.Start(g);
//   ... hooks call c.OnScene / c.AfterPass; after Main: return c.Finish(g);
//
// Recordings are made in memory; the file work happens on a worker thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "replay/FileWorker.h"
#include "replay/Record.h"
#include "replay/ReplayFile.h"

namespace molfo {

struct Game;
struct HeadlessPlatform;
class Recorder;
class Replayer;
class Screenshots;
class SignalCleanup;

// A game just kept among the player's replays.
struct KeptGame {
    std::string path;
    std::vector<uint8_t> bytes;  // the file as written
    GameSummary summary;
    GameEnd end;
};

struct CaptureOptions {
    std::string recordPath;   // write a recording here
    std::string replayPath;   // play this recording
    bool verify = false;      // compare the recording's state hashes
    int64_t screenshotEvery = 0;  // a picture every K passes; 0 none
    std::string screenshotDir;    // where pictures go; empty: no pictures
    // Keep every game as a replay of its own in this folder (see
    // replay/Library.h); empty: keep none. Ignored while replaying.
    std::string keepFolder;
    // Told of each game once it is kept, on the file worker's thread (the
    // window hands it to the online table's sender from there).
    std::function<void(KeptGame&&)> onKept;
};

// How the recorded session starts, written into the recording.
struct SessionStart {
    int practiceStage = 1;
    bool practiceBoss = false;
    int64_t frameLimit = -1;
    std::string rankPath;  // the ranking file the game reads; empty: sys/rank.hms in the data folder
};

// A copy of the data folder for a replay: every entry a link to the real
// one but the ranking, which is the recording's. The player's own ranking is
// neither read nor written, and the game meets the ranking it met then.
// Folders left by replays killed outright are swept when the next is made.
class DataOverlay {
public:
    DataOverlay();
    ~DataOverlay();
    DataOverlay(const DataOverlay&) = delete;
    DataOverlay& operator=(const DataOverlay&) = delete;
    // Returns an empty text, or what went wrong.
    std::string Create(const std::string& realDataDir, const std::vector<uint8_t>& rankRecords);
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    std::unique_ptr<SignalCleanup> cleanup_;
    int lock_ = -1;  // an flock on the folder, telling sweepers it is in use
};

// The ranking file's records up to the last that is not blank. False, with
// what is wrong, when the file exists but cannot be read.
bool RankRecordsForRecording(const std::string& rankPath, std::vector<uint8_t>& records, std::string& problem);

class Capture {
public:
    explicit Capture(CaptureOptions options);
    ~Capture();
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;

    // Reads the replay, opens the recording and the screenshot folder.
    // Returns 0, or the exit status after one line on stderr.
    int Prepare(const std::string& dataDir, const SessionStart& start);
    // The data folder the game must use (a replay's overlay).
    const std::string& DataDir() const { return dataDir_; }
    // The platform the game must use. `pace`: the clock a replay sleeps on
    // (null: no waiting); `headless`: the headless back end under `base`,
    // whose clock and dialog log a replay keeps up to date.
    Platform& Wrap(Platform& base, Clock* pace, HeadlessPlatform* headless);
    // The ranking file the game must use: a replay's own, else `normal`.
    std::string RankPath(const std::string& normal) const;
    // Before the main loop: a replay of a game that followed others in its
    // session starts from the state they left.
    void Start(Game& g);
    // Hooks into the game; hooks already set are called first.
    void Hook(Game& g);
    void OnScene(Game& g);
    void AfterPass(Game& g);
    // Once the game has ended: writes the recording's end, reports a
    // replay's outcome. Returns 0, 1 when a verified replay differs or ran
    // out, 2 when the recording could not be written.
    int Finish(Game& g);

    bool Replaying() const { return replayer_ != nullptr; }
    // A replay's verdict once Finish has run: empty when every state hash
    // matched and the recorded input was used to its end, else one line.
    const std::string& ReplayProblem() const { return replayProblem_; }
    // The version of the program that made the recording being replayed.
    const std::string& RecordedVersion() const { return recordedVersion_; }
    // The passes a replay runs through, for a progress bar: from where its
    // game began (a later game of a session starts at the count the games
    // before it left) to its last state check. Both 0 when not replaying.
    int64_t ReplayFirstPass() const { return replayFirstPass_; }
    int64_t ReplayLastPass() const { return replayLastPass_; }

private:
    void KeepGame(replay::Header&& header, std::vector<uint8_t>&& chunks, const GameSummary& summary,
                  const GameEnd& end, bool sessionGoesOn);

    CaptureOptions o_;
    std::string dataDir_;
    std::string rankPath_;
    replay::Header recordHeader_;
    std::ofstream recordFile_;  // written by the worker once the game runs
    std::atomic<bool> recordOk_{true};
    bool keeping_ = false;
    std::atomic<bool> keepWarned_{false};
    std::atomic<bool> futureWarned_{false};
    // The ranking as the last game left it, read by the worker for the next
    // game's header; only the worker touches these.
    std::vector<uint8_t> nextRank_;
    std::string nextRankProblem_;
    std::unique_ptr<replay::Recording> recording_;
    std::string replayProblem_;
    std::string recordedVersion_;
    int64_t replayFirstPass_ = 0;
    int64_t replayLastPass_ = 0;
    DataOverlay overlay_;
    std::unique_ptr<Recorder> recorder_;
    std::unique_ptr<Replayer> replayer_;
    std::unique_ptr<Screenshots> shots_;
    Platform* platform_ = nullptr;
    std::unique_ptr<Platform> shotPlatform_;
    // Last, so it is gone (its jobs done) before anything its jobs use.
    FileWorker worker_;
};

}  // namespace molfo
