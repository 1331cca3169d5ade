// Runs waiting to be sent to the online table: a folder beside the kept
// replays ($XDG_DATA_HOME/molfo/outbox/), one file a run, named as its kept
// replay, and beside it the name typed for it ("<file>.name"). A run stays
// until the table has said what it makes of it, across restarts. The
// folder keeps the newest kMost runs: a table out of reach for weeks never
// fills the disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molfo::online {

class Outbox {
public:
    static constexpr size_t kMost = 20;

    struct Entry {
        std::string file;  // its name in the folder
        std::string name;  // the player's name for the table; empty for none
    };

    // `folder` ends in '/'; made when the first run is put in.
    explicit Outbox(std::string folder) : folder_(std::move(folder)) {}

    // The player's outbox ($XDG_DATA_HOME/molfo/outbox/); empty without a
    // user data folder.
    static std::string DefaultFolder();

    // Puts a run in (replacing one of the same file name), then removes the
    // oldest beyond kMost. Returns an empty text or one line saying what
    // went wrong; `dropped` gets the files removed to make room.
    std::string Put(const std::string& file, const std::vector<uint8_t>& bytes, const std::string& name,
                    std::vector<std::string>* dropped = nullptr);
    // The runs waiting, oldest first (by when they were put in).
    std::vector<Entry> List() const;
    // The run's bytes; false when it can no longer be read.
    bool Read(const Entry& e, std::vector<uint8_t>& bytes) const;
    void Remove(const Entry& e) const;

    const std::string& Folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace molfo::online
