// The ranking file "sys\rank.hms": 1000 fixed records in rank order, best
// first, each a 12-byte name in code page 932 padded with spaces and a
// little-endian signed 16-bit score. No header; 14000 bytes in all.
//
// Kept free of the game's types so that it can be tested and fuzzed alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "screens/Ranking.h"

namespace molfo::rank {

inline constexpr int kRecordBytes = kNameBytes + 2;
inline constexpr int kFileBytes = kPlaces * kRecordBytes;

// Blank names and zero scores in every place.
RankTable FreshTable();

// Reads the table from the bytes of a ranking file. Records the bytes do not
// hold in full read as fresh ones; bytes past the 1000th record are ignored.
RankTable ParseRank(std::span<const uint8_t> bytes);
// The 14000 bytes of the file for this table.
std::vector<uint8_t> SerializeRank(const RankTable& t);

// What reading the ranking file found. Only a file that does not exist
// starts a fresh table; one that exists but cannot be read is never written
// over, since that would lose every score in it.
struct RankLoad {
    enum class Status { Ok, Missing, WrongLength, Unreadable };
    Status status = Status::Missing;
    RankTable table = FreshTable();  // what the file holds; fresh when missing or unreadable
    std::string problem;             // Unreadable: what is wrong, naming the file
};
// Opens regular files only, so a named pipe or a device in its place
// cannot block the game.
RankLoad LoadRankFile(const std::string& path);
// The table a file holds, fresh when it cannot be read: for looking only,
// never for a table to be written back.
RankTable ReadRankFile(const std::string& path);
// Replaces the file with this table: written to a temporary file of its own
// beside it and renamed over it (core/AtomicFile.h; a link is followed to
// the file it names), so a crash or a full disk never leaves a torn ranking
// and games ending together never share a temporary file.
// Returns an empty text on success, otherwise what went wrong; the old file
// is then left as it was.
std::string WriteRankFile(const std::string& path, const RankTable& t);
// Places a finished game's score under the ranking's lock: reads the file
// again (another game may have written it since it was shown), puts the score
// and name at the place it now takes and replaces the file. A file of the
// wrong length is first kept beside it as "rank.hms.bad" (".bad.2", ... when
// taken). Returns an empty text on success, with the table as it now stands
// in `now`; otherwise what went wrong, and the file is left as it was.
std::string RecordScore(const std::string& path, int16_t score, const NameField& name, RankTable& now);

}  // namespace molfo::rank
