// Reading a whole file the player names (an input script, a recording) in
// bounded pieces: anything larger than a real file of its kind could be, a
// device that never ends among them, is refused before it costs memory.
#pragma once

#include <cstddef>
#include <string>

namespace molfo {

// Reads `path` into `out`. False, with one line in `error` naming the file
// and what is wrong, when it cannot be opened or read, is a folder, or holds
// more than `maxBytes`.
bool ReadFileLimited(const std::string& path, size_t maxBytes, std::string& out, std::string& error);

}  // namespace molfo
