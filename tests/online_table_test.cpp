// The online table's answers as the game reads them, apart from the network,
// and the verdict's line on the title.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "i18n/Catalog.h"
#include "online/Table.h"
#include "online/TitleNote.h"

namespace molfo::online {
namespace {

HttpAnswer A(int status, std::string body) {
    HttpAnswer a;
    a.status = status;
    a.body = std::move(body);
    return a;
}

TEST(OnlineTable, EveryAnswerToASubmissionIsReadForWhatItMeans) {
    using K = Submitted::Kind;
    struct Case {
        const char* rule;
        int status;
        const char* body;
        long retryAfter;
        K kind;
        const char* error;  // in the line; "" for none
    } cases[] = {
        {"queued", 202, R"({"id":"abc","status":"queued"})", -1, K::Accepted, ""},
        {"the same bytes again", 200, R"({"id":"abc","status":"verified"})", -1, K::Accepted, ""},
        {"an answer of 200 that is no table's", 200, "<html>hello</html>", -1, K::Unreachable, "not an online table's"},
        {"an id missing", 202, R"({"status":"queued"})", -1, K::Unreachable, "not an online table's"},
        {"not a recording", 400, R"({"error":"not a recording: bad magic"})", -1, K::Refused, "not a recording: bad magic"},
        {"another version", 422, R"({"error":"recorded by 0.0.9, verified by 0.1.0"})", -1, K::Refused, "0.0.9"},
        {"too large", 413, "", -1, K::Refused, "answered 413"},
        {"too many", 429, R"({"error":"too many submissions"})", 30, K::Busy, "too many"},
        {"the table's own trouble", 503, "", -1, K::Busy, "answered 503"},
        {"no table at that address", 404, "not found", -1, K::Unreachable, "no online table answers there"},
        {"no answer at all", 0, "", -1, K::Unreachable, "Couldn't connect"},
        {"an odd status", 302, "", -1, K::Unreachable, "answered 302"},
    };
    for (const Case& c : cases) {
        HttpAnswer a{c.status, c.body, c.status == 0 ? "Couldn't connect to server" : "", c.retryAfter};
        const Submitted s = ReadSubmitted(a);
        EXPECT_EQ(s.kind, c.kind) << c.rule;
        if (*c.error == '\0') {
            EXPECT_EQ(s.error, "") << c.rule;
        } else {
            EXPECT_NE(s.error.find(c.error), std::string::npos) << c.rule << ": " << s.error;
        }
        EXPECT_EQ(s.id, c.kind == K::Accepted ? "abc" : "") << c.rule;
        EXPECT_EQ(s.retryAfter, c.retryAfter) << c.rule;
    }
}

TEST(OnlineTable, ARunAndTheTopAreReadOnlyFromTheTablesOwnAnswers) {
    RunState r;
    std::string error;
    ASSERT_TRUE(ReadRun(A(200, R"({"id":"x1","status":"verified","name":"ab","score":1234,"stage":3,"ended":"gameover",)"
                              R"("rank":12,"total":340})"),
                        r, error))
        << error;
    EXPECT_TRUE(r.Final());
    EXPECT_EQ(r.score, 1234);
    EXPECT_EQ(r.rank, 12);
    EXPECT_EQ(r.total, 340);
    ASSERT_TRUE(ReadRun(A(200, R"({"id":"x1","status":"queued","score":null,"rank":null})"), r, error));
    EXPECT_FALSE(r.Final()) << "queued is no verdict";
    EXPECT_EQ(r.score, 0) << "a null score is none";
    EXPECT_FALSE(ReadRun(A(200, R"({"id":"x1","status":"great"})"), r, error)) << "a status the table never gives";
    EXPECT_FALSE(ReadRun(A(200, "[1,2]"), r, error));
    EXPECT_FALSE(ReadRun(A(404, R"({"error":"no run x1"})"), r, error));
    EXPECT_EQ(error, "no run x1");

    Board b;
    ASSERT_TRUE(ReadBoard(A(200, R"({"runs":[{"rank":1,"id":"a","name":"ab","score":900,"stage":2,"ended":"gameover"},)"
                                R"(7,{"rank":2,"id":"b","name":"cd","score":800,"stage":5,"ended":"ending"}],"total":9})"),
                          b, error));
    ASSERT_EQ(b.rows.size(), 2u) << "what is no row is passed over";
    EXPECT_EQ(b.rows[1].ended, "ending");
    EXPECT_EQ(b.total, 9);
    EXPECT_FALSE(ReadBoard(A(200, R"({"total":3})"), b, error));
}

TEST(OnlineTable, AddressesPlacesAndNames) {
    struct Case {
        const char* server;
        const char* url;
    } urls[] = {
        {"http://127.0.0.1:8090", "http://127.0.0.1:8090/api/v1/runs"},
        {"https://example.org/molfo/", "https://example.org/molfo/api/v1/runs"},
        {"http://h/table?x=1#top", "http://h/table/api/v1/runs"},
    };
    for (const Case& c : urls) EXPECT_EQ(ApiUrl(c.server, "api/v1/runs"), c.url) << c.server;
    EXPECT_EQ(QueryEscape("もる ふ&o=1"), "%E3%82%82%E3%82%8B%20%E3%81%B5%26o%3D1") << "a name cannot add to the query";
    const std::pair<int, const char*> ordinals[] = {{1, "1st"},     {2, "2nd"},     {3, "3rd"},   {4, "4th"},
                                                    {11, "11th"},   {12, "12th"},   {13, "13th"}, {21, "21st"},
                                                    {112, "112th"}, {101, "101st"}, {340, "340th"}};
    for (const auto& [n, text] : ordinals) EXPECT_EQ(Ordinal(n), text);
}

TEST(OnlineTable, TheVerdictIsOneLineInThePlayersLanguage) {
    i18n::Catalog en;
    std::string error;
    ASSERT_TRUE(i18n::Catalog::LoadMo(std::string(test::DataDir()) + "/sys/locale/en/LC_MESSAGES/molfo.mo", en, error))
        << error;
    en.SetCode("en");
    const i18n::Catalog ja;
    const Verdict verified{Verdict::Kind::Verified, "a.mrec", 1234, 12, 340, ""};
    const Verdict rejected{Verdict::Kind::Rejected, "a.mrec", 0, 0, 0, "the state differs at frame 812"};
    const Verdict refused{Verdict::Kind::Refused, "a.mrec", 0, 0, 0, "recorded by 0.0.9"};
    EXPECT_EQ(VerdictLine(verified, en), "sent: verified, 12th of 340");
    EXPECT_EQ(VerdictLine(verified, ja), "送信: 認証済み、12位 (340件中)");
    EXPECT_EQ(VerdictLine(rejected, en), "sent: rejected: the state differs at frame 812");
    EXPECT_EQ(VerdictLine(refused, en), "not sent: recorded by 0.0.9");
}

}  // namespace
}  // namespace molfo::online
