// Reading a whole file the player names (an input script, a recording, the
// settings, a catalog, a font) in bounded pieces: anything larger than a
// real file of its kind could be is refused before it costs memory, and
// anything that is not a plain file (a named pipe, a device, a socket) is
// refused before it can block the game.
#pragma once

#include <cstddef>
#include <string>

namespace molfo {

// Opens `path` for reading without blocking, when it is a regular file
// (links followed). Returns the descriptor, or -1 with one line in `error`
// naming the file and what is there instead; `missing` says whether nothing
// is there at all.
int OpenRegularFile(const std::string& path, std::string& error, bool* missing = nullptr);

// Reads `path` into `out`. False, with one line in `error` naming the file
// and what is wrong, when it cannot be opened or read, is not a regular
// file, or holds more than `maxBytes`.
bool ReadFileLimited(const std::string& path, size_t maxBytes, std::string& out, std::string& error);

// "64 KB", "4 MB": a limit as a player reads it.
std::string SizeText(size_t bytes);

}  // namespace molfo
