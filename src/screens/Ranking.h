// The ranking's rules: 1000 places, best first; a score takes the first
// place whose score it reaches; the top ten are asked for a name and printed.
// The file that keeps the ranking is screens/RankFile.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace molfo::rank {

inline constexpr int kPlaces = 1000;
inline constexpr int kShownPlaces = 10;  // places that are asked for a name and printed
inline constexpr int kNameBytes = 12;

// A name as stored: code-page-932 bytes, left-aligned, space-padded.
using NameField = std::array<char, kNameBytes>;

// Both columns are indexed 1..1000; index 0 is never used.
struct RankTable {
    std::array<NameField, kPlaces + 1> RankName{};
    std::array<int16_t, kPlaces + 1> RankScore{};
};

// The place a score takes: the first place whose score it reaches, so a tie
// goes above the score already there; 0 when it reaches none of the 1000.
int16_t FindPlace(const RankTable& t, int16_t score);
// Puts the score and name at `place` (1..1000), moving the places below it
// down by one; the 1000th drops out.
void InsertRank(RankTable& t, int16_t place, int16_t score, const NameField& name);

// A typed name (UTF-8) as stored: as much of it as fits the field whole.
NameField EncodeName(const std::string& utf8);
// A stored name as UTF-8 for drawing, all 12 positions kept.
std::string DecodeName(const NameField& name);

// One printed line of the list: place, "位", the name, the score.
std::string RankLine(int place, const NameField& name, int16_t score);

}  // namespace molfo::rank
