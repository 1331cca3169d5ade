// Reads arbitrary bytes as a ranking file and checks that reading, placing a
// score, saving and drawing the list never misbehave. Built by fuzz/CMakeLists.txt.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "screens/RankFile.h"

namespace {

using namespace molfo::rank;

bool ValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
        if (len == 0 || i + len > s.size()) return false;
        for (size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += len;
    }
    return true;
}

// No double-byte character may be split by the end of the field.
bool WholeCharacters(const NameField& f) {
    size_t i = 0;
    while (i < f.size()) {
        const auto b = static_cast<unsigned char>(f[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && i + 1 >= f.size()) return false;
        i += lead ? 2 : 1;
    }
    return true;
}

void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RankTable t = ParseRank({data, size});

    // Whole records come back byte for byte; the rest is a fresh table.
    const std::vector<uint8_t> saved = SerializeRank(t);
    Check(saved.size() == static_cast<size_t>(kFileBytes));
    const size_t whole = std::min<size_t>(size, kFileBytes) / kRecordBytes * kRecordBytes;
    Check(whole == 0 || std::memcmp(saved.data(), data, whole) == 0);
    Check(SerializeRank(ParseRank(saved)) == saved);

    // The drawn list is always valid text.
    for (int i = 1; i <= kShownPlaces; ++i) Check(ValidUtf8(RankLine(i, t.RankName[i], t.RankScore[i])));

    // Any typed text fits the field whole and draws as valid text.
    const std::string typed(reinterpret_cast<const char*>(data), std::min<size_t>(size, 64));
    const NameField name = EncodeName(typed);
    Check(WholeCharacters(name));
    Check(ValidUtf8(DecodeName(name)));

    // Placing a score keeps the order around it.
    if (size >= 2) {
        const auto score = static_cast<int16_t>(static_cast<uint16_t>(data[size - 2] | (data[size - 1] << 8)));
        const int16_t place = FindPlace(t, score);
        Check(place >= 0 && place <= kPlaces);
        if (place > 1) Check(score < t.RankScore[place - 1]);
        if (place == 0) {
            for (int i = 1; i <= kPlaces; ++i) Check(score < t.RankScore[i]);
        } else {
            const int16_t below = t.RankScore[place];
            InsertRank(t, place, score, name);
            Check(t.RankScore[place] == score);
            if (place < kPlaces) Check(t.RankScore[place + 1] == below);
        }
    }
    return 0;
}
