// The outbox runs wait in while the online table is out of reach, and the
// waits between tries.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "online/Outbox.h"
#include "online/Sender.h"

namespace molfo::online {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::string> Files(const Outbox& box) {
    std::vector<std::string> out;
    for (const Outbox::Entry& e : box.List()) out.push_back(e.file);
    return out;
}

// Kept replays' names sort by when they were played, as the outbox's order.
std::string RunName(int i) {
    char name[64];
    std::snprintf(name, sizeof name, "2026-12-09_%06d_100pts_stage1.mrec", i);
    return name;
}

TEST(OnlineOutbox, KeepsTheNewestRunsAndTheirNamesAndDropsTheOldest) {
    test::Scratch s("outbox-bound");
    Outbox box((s.root / "outbox").string() + "/");
    EXPECT_TRUE(box.List().empty()) << "no folder yet: nothing waits";
    const int extra = 3;
    std::vector<std::string> dropped;
    for (int i = 0; i < static_cast<int>(Outbox::kMost) + extra; ++i)
        ASSERT_EQ(box.Put(RunName(i), Bytes("run " + std::to_string(i)), i % 2 == 0 ? "ab" : "", &dropped), "");
    EXPECT_EQ(dropped, (std::vector<std::string>{RunName(0), RunName(1), RunName(2)})) << "the oldest make room";
    const std::vector<Outbox::Entry> all = box.List();
    ASSERT_EQ(all.size(), Outbox::kMost) << "the outbox is bounded";
    EXPECT_EQ(all.front().file, RunName(extra)) << "oldest first";
    EXPECT_EQ(all.back().file, RunName(static_cast<int>(Outbox::kMost) + extra - 1));
    for (const Outbox::Entry& e : all) {
        const int i = std::stoi(e.file.substr(11, 6));
        EXPECT_EQ(e.name, i % 2 == 0 ? "ab" : "") << e.file << ": the name typed waits with its run";
        std::vector<uint8_t> bytes;
        ASSERT_TRUE(box.Read(e, bytes));
        EXPECT_EQ(bytes, Bytes("run " + std::to_string(i)));
    }
    size_t files = 0;
    for (const auto& f : fs::directory_iterator(box.Folder())) {
        (void)f;
        ++files;
    }
    EXPECT_EQ(files, Outbox::kMost + Outbox::kMost / 2) << "a dropped run's name goes with it; no temporary file stays";

    // The same game put again replaces it, its name with it.
    const std::string again = all.back().file;
    ASSERT_EQ(box.Put(again, Bytes("again"), ""), "");
    EXPECT_EQ(box.List().size(), Outbox::kMost);
    EXPECT_EQ(box.List().back().name, "") << "a name no longer typed is not sent";
    box.Remove(box.List().back());
    EXPECT_EQ(Files(box).size(), Outbox::kMost - 1);
    for (const auto& f : fs::directory_iterator(box.Folder()))
        EXPECT_NE(f.path().filename().string().rfind(again, 0), 0u) << "a run removed leaves nothing behind";
}

TEST(OnlineOutbox, OnlyKeptReplaysNamesGoInOrAreSent) {
    test::Scratch s("outbox-names");
    const std::string folder = (s.root / "outbox").string() + "/";
    Outbox box(folder);
    for (const char* bad : {"../escape.mrec", "a/b.mrec", ".hidden.mrec", "run.txt", "run .mrec", ".mrec"})
        EXPECT_NE(box.Put(bad, Bytes("x"), ""), "") << bad << " is refused";
    EXPECT_FALSE(fs::exists(s.root / "escape.mrec"));
    ASSERT_EQ(box.Put(RunName(1), Bytes("x"), "name"), "");
    // What else lies in the folder is never sent.
    s.Make("outbox/notes.txt", "mine");
    s.Make("outbox/.x.mrec.tmp", "half");
    s.Dir("outbox/folder.mrec");
    EXPECT_EQ(Files(box), std::vector<std::string>{RunName(1)});
    // A name too long to be one of the game's is not sent.
    s.Make("outbox/" + RunName(1) + ".name", std::string(4096, 'n'));
    EXPECT_EQ(box.List().at(0).name, "");
    // A run one byte past what the table takes is read whole, to be
    // refused as too large rather than sent cut short; a larger file is no
    // run of the game's and is not read at all.
    s.Make("outbox/" + RunName(2), std::string(1024u * 1024u + 1u, 'r'));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(box.Read({RunName(2), ""}, bytes));
    EXPECT_EQ(bytes.size(), 1024u * 1024u + 1u);
    s.Make("outbox/" + RunName(3), std::string(3u * 1024u * 1024u, 'r'));
    EXPECT_FALSE(box.Read({RunName(3), ""}, bytes));
    EXPECT_FALSE(box.Read({RunName(9), ""}, bytes)) << "a run gone is no run";
}

TEST(OnlineBackoff, DoublesFromTheFirstWaitToTheLast) {
    using std::chrono::milliseconds;
    const Backoff b{milliseconds(2000), milliseconds(300000)};
    std::vector<long> waits;
    milliseconds d{0};
    for (int i = 0; i < 10; ++i) waits.push_back((d = b.Next(d)).count());
    EXPECT_EQ(waits, (std::vector<long>{2000, 4000, 8000, 16000, 32000, 64000, 128000, 256000, 300000, 300000}));
}

}  // namespace
}  // namespace molfo::online
