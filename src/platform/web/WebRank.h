// The ranking in the browser's storage. Two tabs may finish a game at the
// same time, each with the ranking it read when its game ended; writing
// its own file back would drop the other's entry. So a finished game's
// entry is merged into the ranking as it stands in storage, under a lock
// that every tab of the page shares.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace molfo {

struct Game;

class WebRank {
public:
    explicit WebRank(std::string path) : path_(std::move(path)) {}

    // Called on every scene change: the game-over screen reads the ranking
    // afresh from storage, the ranking screen (the file just written)
    // merges and saves it.
    void OnScene(Game& g);

private:
    std::vector<uint8_t> Read() const;
    void Write(const std::vector<uint8_t>& bytes) const;

    std::string path_;
    std::vector<uint8_t> base_;
    bool haveBase_ = false;
};

}  // namespace molfo
