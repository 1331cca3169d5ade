// Whole games through the headless driver: the screens in order, the sound
// calls and the ranking file they leave behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "driver/Session.h"
#include "enemies/Enemies.h"
#include "screens/RankFile.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;

// A data folder of its own: the built pictures and sounds linked in, and a
// ranking file that belongs to this test alone.
class TempData {
public:
    TempData() {
        char tmpl[] = "/tmp/molfo-e2e-XXXXXX";
        dir = mkdtemp(tmpl);
        fs::create_directory(dir + "/sys");
        for (const auto& e : fs::directory_iterator(std::string(test::DataDir()) + "/sys"))
            if (e.path().filename() != "rank.hms") fs::create_symlink(e.path(), dir + "/sys/" + e.path().filename().string());
    }
    ~TempData() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string RankPath() const { return dir + "/sys/rank.hms"; }
    std::string dir;
};

std::vector<Scene> Collapse(const std::vector<Scene>& scenes) {
    std::vector<Scene> out;
    for (Scene s : scenes)
        if (out.empty() || out.back() != s) out.push_back(s);
    return out;
}

int CountCalls(const HeadlessSession& session, const std::string& op, const std::string& gamePath) {
    int n = 0;
    const std::string path = session.game->HostPath(gamePath);
    for (const SoundCall& c : session.hp.audio.log)
        if (c.op == op && c.path == path) ++n;
    return n;
}

// Steers the player under a target x and fires; keeps it alive so a long
// fight can be played to its end.
void SteerUnder(HeadlessSession& session, int targetCentreX, bool fire) {
    GameState& s = session.game->s;
    HeadlessKeys& keys = session.hp.keys;
    const int centre = s.KyaraX[slot::Molfo] + 25;
    keys.Hold(vk::Left, centre > targetCentreX + 2);
    keys.Hold(vk::Right, centre < targetCentreX - 2);
    keys.Hold(vk::Down, s.KyaraY[slot::Molfo] < 440);
    keys.Hold(vk::Z, fire);
}

TEST(EndToEnd, LossRankingRestartAndQuit) {
    TempData data;
    HeadlessSession session(data.dir, test::Script(
        "title: press SHIFT\n"
        "play#1 1-20: hold LEFT Z\n"
        "name: answer テスト\n"
        "ranking#1: press Z\n"
        "title#2: press SHIFT\n"
        "play#2 10: press ESC\n"));
    int16_t scoreAtLoss = -1;
    session.onDump = [&](const nlohmann::ordered_json& j) {
        Game& g = *session.game;
        // On frame 40 the player is down to 1 hit point and a bullet fired
        // from its own hit box meets its outline on the next frame.
        if (j["game"] == 1 && j["frame"] == 40 && j["scene"] == "play") {
            g.s.KyaraHp[slot::Molfo] = 1;
            TekiDanClass(g).TekidanHasha(slot::Molfo, 1, 1);
        }
        if (j["GameOverFlag"] == 1) scoreAtLoss = g.s.GoukeiTen;
    };
    session.Run();

    EXPECT_FALSE(session.timedOut) << "the script reached the end of the session";
    const std::vector<Scene> expected = {Scene::Title, Scene::Play, Scene::GameOver, Scene::NameEntry,
                                         Scene::Ranking, Scene::Title, Scene::Play, Scene::End};
    EXPECT_EQ(Collapse(session.scenes), expected) << "title, play, game over, name, ranking, title again, play, end";
    EXPECT_EQ(session.Games(), 2) << "Z after the ranking starts a second game from the title";
    ASSERT_GE(scoreAtLoss, 0) << "the player's stamina ran out";

    EXPECT_EQ(CountCalls(session, "effect", "sys\\molfoko.wav"), 2) << "the destruction sound at the hit and at the game-over screen";
    EXPECT_EQ(CountCalls(session, "music", "sys\\gameover.mid"), 1) << "the game-over music plays once";
    EXPECT_EQ(CountCalls(session, "music", "sys\\opening.mid"), 2) << "each title plays the opening";
    EXPECT_EQ(CountCalls(session, "music", "sys\\suteji1.mid"), 2) << "each game starts the stage-1 music";

    ASSERT_EQ(fs::file_size(data.RankPath()), 14000u) << "the ranking file holds 1000 records of 14 bytes";
    const rank::RankTable t = rank::ReadRankFile(data.RankPath());
    EXPECT_EQ(t.RankScore[1], scoreAtLoss) << "the first game's score takes first place in a fresh table";
    EXPECT_EQ(rank::DecodeName(t.RankName[1]), rank::DecodeName(rank::EncodeName("テスト"))) << "the typed name is stored";
    EXPECT_EQ(t.RankName[1][0], '\x83') << "the name is stored in code page 932";
    ASSERT_EQ(session.hp.dialogs.shown.size(), 1u);
    EXPECT_EQ(session.hp.dialogs.shown[0].text, "ランキング1位です。\r\nなまえを入力してください") << "the name prompt";
}

TEST(EndToEnd, EveryFrameShownMatchesTheWindowDrawnWholeAndNamesWhatChanged) {
    TempData data;
    HeadlessSession session(data.dir, test::Script(
        "title: press SHIFT\n"
        "play#1 1-150: hold LEFT Z\n"
        "play#1 151-300: hold RIGHT UP Z\n"
        "play#1 160: press C\n"
        "play#1 200: press X\n"
        "name: answer テスト\n"
        "ranking#1: press Z\n"
        "title#2: press ESC\n"));
    session.onDump = [&](const nlohmann::ordered_json& j) {
        Game& g = *session.game;
        if (j["game"] == 1 && j["frame"] == 320 && j["scene"] == "play") {
            g.s.KyaraHp[slot::Molfo] = 1;
            TekiDanClass(g).TekidanHasha(slot::Molfo, 1, 1);
        }
    };
    Screen fresh;
    // What a back end that copies only the changed rectangles shows.
    Surface onScreen;
    int shown = 0;
    std::string firstDifference, firstMissed;
    session.hp.display.onPresent = [&](const Surface& window) {
        ++shown;
        const std::string frame = "frame shown " + std::to_string(shown) + " in " + SceneName(session.game->scene);
        test::ComposeAfresh(session.game->scr, fresh);
        const std::string at = test::FirstDifference(window, fresh.window);
        if (firstDifference.empty() && !at.empty()) firstDifference = frame + " at " + at;
        const auto changed = session.hp.display.changed;
        if (onScreen.Empty() || changed.empty()) onScreen = window;
        for (const Rect& r : changed) BitBlt(onScreen, r.x, r.y, r.w, r.h, window, r.x, r.y, Rop::Copy);
        const std::string missed = test::FirstDifference(onScreen, window);
        if (firstMissed.empty() && !missed.empty()) firstMissed = frame + " at " + missed;
    };
    session.Run();
    const std::vector<Scene> expected = {Scene::Title, Scene::Play,  Scene::GameOver, Scene::NameEntry,
                                         Scene::Ranking, Scene::Title, Scene::Play, Scene::End};
    EXPECT_EQ(Collapse(session.scenes), expected) << "the run went through every screen with labels of its own";
    EXPECT_GT(shown, 320) << "every frame of play was shown";
    EXPECT_EQ(firstDifference, "") << "the window, redrawn only where it changed, is the window drawn whole";
    EXPECT_EQ(firstMissed, "") << "every pixel that changed lies in a rectangle the present names";
}

TEST(EndToEnd, StageOneFightAndTheHud) {
    TempData data;
    HeadlessSession session(data.dir, test::Script("title: press SHIFT\n"));
    session.frameLimit = 3000;
    std::set<int> typesSeen;
    std::set<int> seenSlots;
    std::map<std::string, std::string> distanceAt;
    int wrongEdge = 0;
    int lastFrame = 0;
    int16_t firstScoreAt1500 = -1;
    session.onDump = [&](const nlohmann::ordered_json& j) {
        Game& g = *session.game;
        GameState& s = g.s;
        if (j["scene"] != "play") return;
        const int frame = j["frame"].get<int>();
        lastFrame = frame;
        if (frame == 1 || frame == 500) distanceAt[std::to_string(frame)] = g.scr.BossKyoriL.caption;
        if (frame == 1500) firstScoreAt1500 = s.GoukeiTen;
        for (int n = slot::ZakoFirst; n <= slot::ZakoLast; ++n) {
            if (s.KyaraSonzai[n] != 1 || seenSlots.count(n)) continue;
            // A newcomer has made one move from its entry edge.
            typesSeen.insert(s.KyaraShurui[n]);
            const bool fromBottom = s.KyaraY[n] >= 490;
            const bool fromTop = s.KyaraY[n] <= -40;
            if (s.KyaraShurui[n] == 3 ? !fromBottom : !fromTop) ++wrongEdge;
        }
        seenSlots.clear();
        for (int n = slot::ZakoFirst; n <= slot::ZakoLast; ++n)
            if (s.KyaraSonzai[n] == 1) seenSlots.insert(n);
        // A scripted player that sweeps from side to side, firing.
        const int target = (frame / 200) % 2 == 0 ? 100 : 400;
        SteerUnder(session, target, true);
        s.KyaraHp[slot::Molfo] = 200;
    };
    session.Run();
    EXPECT_EQ(lastFrame, 3000) << "the run played 3000 frames";
    EXPECT_FALSE(typesSeen.empty()) << "enemies appeared";
    for (int t : typesSeen) EXPECT_TRUE(t == 1 || t == 2 || t == 3 || t == 7) << "type " << t << " is not on stage 1's list";
    EXPECT_EQ(wrongEdge, 0) << "type 3 enters at the bottom, types 1, 2 and 7 at the top";
    EXPECT_GT(session.game->s.GoukeiTen, firstScoreAt1500) << "the score rises while the player fires";
    EXPECT_GT(firstScoreAt1500, 0) << "shots destroy enemies for points";
    EXPECT_EQ(distanceAt["1"], "13m") << "the distance reads 13m on the first frame of stage 1";
    EXPECT_EQ(distanceAt["500"], "13m") << "500 frames in, (7000 - 500) / 500 is still 13";
}

TEST(EndToEnd, DistanceReadsOneMetreLateInTheStage) {
    TempData data;
    HeadlessSession session(data.dir, test::Script("title: press SHIFT\n"));
    session.frameLimit = 6500;
    std::string at6500;
    session.onDump = [&](const nlohmann::ordered_json& j) {
        if (j["frame"] == 6500) at6500 = session.game->scr.BossKyoriL.caption;
        session.game->s.KyaraHp[slot::Molfo] = 200;
    };
    session.Run();
    EXPECT_EQ(at6500, "1m") << "with 7000 frames to the boss the label reads 1m on frame 6500";
}

// Each boss from a practice start: it arrives, fights, dies to the player's
// shots, and the next stage starts on the next frame with bullets still flying.
TEST(EndToEnd, EveryBossFightEndsInTheNextStage) {
    for (int stage = 1; stage <= 5; ++stage) {
        TempData data;
        HeadlessSession session(data.dir, test::Script("title: press SHIFT\nname: answer ボス\nranking: hold Z\ntitle#2: press ESC\n"));
        StartFirstGameAt(*session.game, stage, true);
        int killFrame = -1, bulletsBefore = 0, bulletsAfter = 0;
        int stageAfter = -1, bossAfter = -1;
        bool bossAppeared = false;
        int16_t arrivalX = 0, arrivalY = 0;
        session.onDump = [&](const nlohmann::ordered_json& j) {
            Game& g = *session.game;
            GameState& s = g.s;
            if (j["scene"] != "play") {
                for (int k : {vk::Left, vk::Right, vk::Down, vk::Z}) session.hp.keys.Hold(k, false);
                return;
            }
            const int frame = j["frame"].get<int>();
            if (frame == 1 && s.BossToujou == 1) {
                bossAppeared = true;
                arrivalX = s.KyaraX[slot::BossFirst];
                arrivalY = s.KyaraY[slot::BossFirst];
                // A short fight: the boss has few hit points left.
                s.KyaraHp[slot::BossFirst] = 40;
            }
            int bullets = 0;
            for (int n = slot::TekidanFirst; n <= slot::TekidanLast; ++n) bullets += s.KyaraSonzai[n];
            if (killFrame > 0 && frame >= killFrame + 2) session.hp.events.RequestClose();
            if (killFrame < 0 && s.SutejiKuria == 1) {
                killFrame = frame;
                bulletsBefore = bullets;
            } else if (killFrame > 0 && frame == killFrame + 1) {
                bulletsAfter = bullets;
                stageAfter = s.SutejiNo;
                bossAfter = s.BossToujou;
            }
            s.KyaraHp[slot::Molfo] = 200;
            if (s.KyaraSonzai[slot::BossFirst] == 1) {
                const int centre = s.KyaraX[slot::BossFirst] + (s.KyaraAtariX1[slot::BossFirst] + s.KyaraAtariX2[slot::BossFirst]) / 2;
                SteerUnder(session, centre, frame > 1);
            } else {
                SteerUnder(session, 250, false);
            }
        };
        int stageAtEnding = -1, lengthAtEnding = -1;
        session.game->onScene = [&, chained = session.game->onScene](Game& g) {
            chained(g);
            if (g.scene == Scene::Ending) {
                stageAtEnding = g.s.SutejiNo;
                lengthAtEnding = g.s.SutejiNagasa;
            }
        };
        // Half an hour of play at most: a fight that never ends stops here.
        session.frameLimit = 120000;
        session.Run();
        SCOPED_TRACE("stage " + std::to_string(stage));
        EXPECT_LT(session.game->passes, session.frameLimit) << "the fight came to an end";
        EXPECT_TRUE(bossAppeared) << "a practice start at the boss brings it on the first frame";
        EXPECT_NEAR(arrivalX, stage == 5 ? 100 : 250, 5) << "the boss enters at its table position";
        EXPECT_NEAR(arrivalY, -50, 5) << "the boss enters 50 pixels above the playfield";
        ASSERT_GT(killFrame, 0) << "the player's shots destroyed the boss";
        EXPECT_EQ(CountCalls(session, "effect", "sys\\bossko.wav"), 1) << "the boss's destruction sound";
        EXPECT_EQ(CountCalls(session, "music", "sys\\boss" + std::to_string(stage) + ".mid"), 1) << "the boss music";
        if (stage < 5) {
            EXPECT_EQ(stageAfter, stage + 1) << "the next stage begins on the frame after the boss dies";
            EXPECT_EQ(bossAfter, 0) << "the new stage starts in its approach";
            EXPECT_EQ(CountCalls(session, "music", "sys\\suteji" + std::to_string(stage + 1) + ".mid"), 1)
                << "the next stage's music";
            if (bulletsBefore > 0) {
                EXPECT_GT(bulletsAfter, 0) << "bullets in flight keep flying into the next stage";
            }
        } else {
            const std::vector<Scene> scenes = Collapse(session.scenes);
            EXPECT_NE(std::find(scenes.begin(), scenes.end(), Scene::Ending), scenes.end()) << "beating boss 5 runs the ending";
            EXPECT_EQ(CountCalls(session, "music", "sys\\ending.mid"), 1) << "the ending music";
            EXPECT_EQ(stageAtEnding, 6) << "the ending runs with the stage count past the last stage";
            EXPECT_EQ(lengthAtEnding, 9000) << "no stage 6 was loaded: the stage length is still stage 5's";
            EXPECT_EQ(rank::ReadRankFile(data.RankPath()).RankScore[1] > 0, true) << "the ending ends in the ranking";
        }
    }
}

// The player falls in the very frame the fifth boss does: the ending wins,
// and the game ends in one ranking entry, not a second pass through game over.
TEST(EndToEnd, ADeathInTheFrameOfTheLastBossEndsInOneRankingEntry) {
    TempData data;
    HeadlessSession session(data.dir, test::Script("title: press SHIFT\nname: answer ONCE\nranking: hold Z\ntitle#2: press ESC\n"));
    StartFirstGameAt(*session.game, 5, true);
    session.onDump = [&](const nlohmann::ordered_json& j) {
        GameState& s = session.game->s;
        if (j["frame"] == 1 && j["scene"] == "play") {
            // Both flags raised by one frame's hits: the boss's last hit
            // point and the player's.
            s.KyaraHp[slot::BossFirst] = 0;
            s.SutejiKuria = 1;
            s.KyaraHp[slot::Molfo] = 0;
            s.GameOverFlag = 1;
            s.GoukeiTen = 500;
        }
    };
    session.Run();
    const std::vector<Scene> scenes = Collapse(session.scenes);
    EXPECT_NE(std::find(scenes.begin(), scenes.end(), Scene::Ending), scenes.end()) << "the ending runs";
    EXPECT_EQ(std::find(scenes.begin(), scenes.end(), Scene::GameOver), scenes.end()) << "game over does not follow it";
    EXPECT_EQ(session.hp.dialogs.shown.size(), 1u) << "the name is asked once";
    const rank::RankTable t = rank::ReadRankFile(data.RankPath());
    int entries = 0;
    for (int i = 1; i <= rank::kPlaces; ++i) entries += t.RankScore[i] == 500;
    EXPECT_EQ(entries, 1) << "one game, one ranking entry";
}

TEST(EndToEnd, EndingWithAPositiveScoreShowsTwentyTwoPictures) {
    TempData data;
    HeadlessSession session(data.dir, test::Script("title: press SHIFT\nname: cancel\nranking: hold Z\ntitle#2: press ESC\n"));
    StartFirstGameAt(*session.game, 5, true);
    uint32_t endingStart = 0, endingEnd = 0;
    session.game->onScene = [&, chained = session.game->onScene](Game& g) {
        chained(g);
        if (g.scene == Scene::Ending) endingStart = session.hp.clock.Ticks();
        if (g.scene == Scene::NameEntry) endingEnd = session.hp.clock.Ticks();
    };
    session.onDump = [&](const nlohmann::ordered_json& j) {
        GameState& s = session.game->s;
        if (j["frame"] == 1 && j["scene"] == "play") {
            // The boss falls at its first hit; the score is positive.
            s.KyaraHp[slot::BossFirst] = 0;
            s.GoukeiTen = 10;
            s.SutejiKuria = 1;
        }
    };
    session.Run();
    EXPECT_FALSE(session.timedOut);
    // Ten pictures of 5 s and twelve of 7 s.
    EXPECT_GE(endingEnd - endingStart, 10u * 5000u + 12u * 7000u) << "22 pictures when the score is positive";
    EXPECT_LT(endingEnd - endingStart, 10u * 5000u + 12u * 7000u + 1000u) << "and no more";
}

}  // namespace
}  // namespace molfo

namespace molfo {
namespace {

// A player who collects what falls, then spends each kind of item in turn.
TEST(EndToEnd, ItemsAreCollectedAndEveryKindIsUsed) {
    TempData data;
    HeadlessSession session(data.dir, test::Script("title: press SHIFT\n"));
    const int collectUntil = 4000, phase = 60;
    session.frameLimit = collectUntil + 6 * phase + 20;
    int collected = 0;
    std::array<int, 7> launched{};
    std::vector<int> hanten;
    int grown = 0;
    const char* shotDir = std::getenv("MOLFO_SHOT_DIR");
    session.onDump = [&](const nlohmann::ordered_json& j) {
        Game& g = *session.game;
        GameState& s = g.s;
        if (j["scene"] != "play") return;
        const int frame = j["frame"].get<int>();
        for (const auto& c : j["sounds"])
            if (c["op"] == "effect" && c["path"] == g.HostPath("sys\\itemget.wav")) ++collected;
        s.KyaraHp[slot::Molfo] = std::min<int16_t>(s.KyaraHp[slot::Molfo], 150);
        if (s.KyaraHp[slot::Molfo] < 60) s.KyaraHp[slot::Molfo] = 60;
        if (frame < collectUntil) {
            // Go for the lowest falling item; otherwise sweep and fire.
            int target = (frame / 150) % 2 == 0 ? 120 : 380, lowest = -1000;
            for (int n = slot::ItemFirst; n <= slot::ItemLast; ++n)
                if (s.KyaraSonzai[n] == 1 && s.KyaraY[n] > lowest && s.KyaraY[n] < 470) {
                    lowest = s.KyaraY[n];
                    target = s.KyaraX[n] + (s.KyaraAtariX1[n] + s.KyaraAtariX2[n]) / 2;
                }
            SteerUnder(session, target, true);
            return;
        }
        SteerUnder(session, 250, false);
        session.hp.keys.Hold(vk::Down, false);
        if (frame == collectUntil) {
            for (int k = 1; k <= 6; ++k) grown += s.ItemKosu[k];
            // Whatever the run did not bring, the test supplies, so every
            // kind is spent below.
            for (int k = 1; k <= 6; ++k)
                if (s.ItemKosu[k] == 0) s.ItemKosu[k] = 1;
        }
        const int k = (frame - collectUntil) / phase + 1;
        const int step = (frame - collectUntil) % phase;
        if (k > 6) return;
        if (s.TukauItemNo != k && step < 40) session.hp.keys.Press(vk::C);
        if (step == 45 && s.TukauItemNo == k) session.hp.keys.Press(vk::Control);
        if (step == 47) {
            for (int n = slot::MolfoSFirst; n <= slot::MolfoSLast; ++n)
                if (s.KyaraSonzai[n] == 1 && s.KyaraShurui[n] == k) ++launched[k];
            if (k == 6) launched[6] = s.HantenCount > 0 ? 1 : 0;
        }
        if (k == 6 && step >= 46) hanten.push_back(s.HantenCount);
        if (shotDir && (step == 52 || step == 58)) {
            g.scr.Compose();
            SavePng(g.scr.window, std::string(shotDir) + "/item" + std::to_string(k) + "-" + std::to_string(step) + ".png");
        }
    };
    session.Run();
    EXPECT_GT(collected, 0) << "the player picked up falling items and food";
    EXPECT_GT(grown, 0) << "usable items were stocked";
    for (int k = 1; k <= 5; ++k) EXPECT_GT(launched[k], 0) << "item " << k << " launched its special attack";
    EXPECT_EQ(launched[1], 4) << "the cross launches four objects";
    EXPECT_EQ(launched[6], 1) << "the bomb flashes the screen";
    int inverted = 0;
    for (int h : hanten) inverted += h > 0 ? 1 : 0;
    EXPECT_EQ(inverted, 4) << "after the bomb's frame is drawn, four more frames are drawn inverted (five in all)";
}

}  // namespace
}  // namespace molfo
