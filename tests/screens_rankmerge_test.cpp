// The ranking's merge: a finished game's entry merged into the ranking as
// another tab may have stored it meanwhile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screens/RankFile.h"
#include "screens/RankMerge.h"

namespace molfo {
namespace {

using rank::RankTable;

RankTable Table(std::initializer_list<std::pair<const char*, int16_t>> rows) {
    RankTable t = rank::FreshTable();
    int place = 1;
    for (const auto& [name, score] : rows) {
        t.RankName[place] = rank::EncodeName(name);
        t.RankScore[place] = score;
        ++place;
    }
    return t;
}

std::vector<uint8_t> Bytes(const RankTable& t) { return rank::SerializeRank(t); }

TEST(RankMerge, MergesThisGamesEntryIntoTheStoredRanking) {
    const RankTable base = Table({{"AAA", 500}, {"BBB", 300}});
    struct Case {
        const char* rule;
        RankTable ours, latest, want;
    } cases[] = {
        {"nobody else wrote: our file is stored as it is",
         Table({{"AAA", 500}, {"NEW", 400}, {"BBB", 300}}), base, Table({{"AAA", 500}, {"NEW", 400}, {"BBB", 300}})},
        {"another tab's entry stays, ours goes in at its place",
         Table({{"AAA", 500}, {"NEW", 400}, {"BBB", 300}}), Table({{"AAA", 500}, {"TAB", 450}, {"BBB", 300}}),
         Table({{"AAA", 500}, {"TAB", 450}, {"NEW", 400}, {"BBB", 300}})},
        {"another tab's better score pushes ours down",
         Table({{"NEW", 900}, {"AAA", 500}, {"BBB", 300}}), Table({{"TOP", 950}, {"AAA", 500}, {"BBB", 300}}),
         Table({{"TOP", 950}, {"NEW", 900}, {"AAA", 500}, {"BBB", 300}})},
        {"a tie goes above the score already there",
         Table({{"AAA", 500}, {"NEW", 300}, {"BBB", 300}}), Table({{"AAA", 500}, {"TAB", 300}, {"BBB", 300}}),
         Table({{"AAA", 500}, {"NEW", 300}, {"TAB", 300}, {"BBB", 300}})},
        {"a game that added nothing leaves the stored ranking as it is",
         base, Table({{"TAB", 700}, {"AAA", 500}, {"BBB", 300}}), Table({{"TAB", 700}, {"AAA", 500}, {"BBB", 300}})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rank::MergeRank(Bytes(base), Bytes(c.ours), Bytes(c.latest)), Bytes(c.want)) << c.rule;
}

TEST(RankMerge, AFullRankingDropsItsLastPlaceAndKeepsItsSize) {
    RankTable base = rank::FreshTable();
    for (int i = 1; i <= rank::kPlaces; ++i) base.RankScore[i] = static_cast<int16_t>(2000 - i);
    RankTable ours = base, latest = base;
    rank::InsertRank(ours, 1, 5000, rank::EncodeName("OURS"));
    rank::InsertRank(latest, 1, 6000, rank::EncodeName("TAB"));
    const RankTable merged = rank::ParseRank(rank::MergeRank(Bytes(base), Bytes(ours), Bytes(latest)));
    EXPECT_EQ(Bytes(merged).size(), static_cast<size_t>(rank::kFileBytes)) << "the stored ranking keeps 14000 bytes";
    EXPECT_EQ(merged.RankScore[1], 6000) << "the other tab's better entry keeps first place";
    EXPECT_EQ(merged.RankScore[2], 5000) << "this game's entry follows it";
    EXPECT_EQ(merged.RankScore[rank::kPlaces], 2000 - (rank::kPlaces - 2)) << "the two lowest places drop out";
}

}  // namespace
}  // namespace molfo
