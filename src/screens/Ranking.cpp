#include "screens/Ranking.h"

#include <algorithm>
#include <string_view>

#include "core/Cp932.h"
#include "i18n/Catalog.h"

namespace molfo::rank {

int16_t FindPlace(const RankTable& t, int16_t score) {
    for (int16_t i = 1; i <= kPlaces; ++i)
        if (score >= t.RankScore[i]) return i;
    return 0;
}

void InsertRank(RankTable& t, int16_t place, int16_t score, const NameField& name) {
    if (place < 1 || place > kPlaces) return;
    for (int d = kPlaces; d > place; --d) {
        t.RankName[d] = t.RankName[d - 1];
        t.RankScore[d] = t.RankScore[d - 1];
    }
    t.RankName[place] = name;
    t.RankScore[place] = score;
}

NameField EncodeName(const std::string& utf8) {
    // Six double-byte characters fill the field exactly; a seventh is
    // dropped rather than split.
    NameField f;
    f.fill(' ');
    const std::string bytes = Cp932FromUtf8(utf8, kNameBytes);
    std::copy(bytes.begin(), bytes.end(), f.begin());
    return f;
}

std::string DecodeName(const NameField& name) { return Utf8FromCp932(std::string_view(name.data(), name.size())); }

std::string RankLine(int place, const NameField& name, int16_t score) {
    return i18n::Format(i18n::N_("%d位     %s     %d"), {std::to_string(place), DecodeName(name), std::to_string(score)});
}

}  // namespace molfo::rank
