#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "collision/Chousa.h"
#include "enemies/Enemies.h"

namespace molfo {
namespace {

// A game with an empty field, a sound device and the file tables loaded;
// objects are placed by hand and enter the grid by a move onto their own
// place, as a new object does on its first step.
struct Field : test::TestGame {
    Field() {
        NewGame();
        EmptyField();
        hp.audio.log.clear();
    }

    // Puts a live object in slot k with a square hit box 0..size-1.
    void Put(int16_t k, int16_t x, int16_t y, int16_t hp_, int16_t kougeki, int16_t size = 10, int16_t ten = 0) {
        s.KyaraSonzai[k] = 1;
        s.KyaraX[k] = x;
        s.KyaraY[k] = y;
        s.KyaraHp[k] = hp_;
        s.KyaraKougeki[k] = kougeki;
        s.KyaraTen[k] = ten;
        s.KyaraAtariX1[k] = 0;
        s.KyaraAtariY1[k] = 0;
        s.KyaraAtariX2[k] = static_cast<int16_t>(size - 1);
        s.KyaraAtariY2[k] = static_cast<int16_t>(size - 1);
    }
    void Enter(int16_t k) { Move(k, s.KyaraX[k], s.KyaraY[k]); }
    void Move(int16_t k, int x, int y) {
        ChousaClass(g).ChousaMain(k, static_cast<int16_t>(x), static_cast<int16_t>(y));
    }
    int16_t Cell(int x, int y) const { return s.ChousaMap.at(x, y); }
    int Effects(const std::string& name) const {
        int n = 0;
        for (const auto& c : hp.audio.log)
            if (c.op == "effect" && c.path.find(name) != std::string::npos) ++n;
        return n;
    }
};

constexpr int16_t kMolfo = slot::Molfo;
constexpr int16_t kDan = slot::MolfoDanFirst;
constexpr int16_t kSp = slot::MolfoSFirst;
constexpr int16_t kZako = slot::ZakoFirst;
constexpr int16_t kTekidan = slot::TekidanFirst;
constexpr int16_t kBoss = slot::BossFirst;
constexpr int16_t kItem = slot::ItemFirst;

TEST(ChousaSweep, NestedHitBoxesTouchOnlyThroughSharedOutlineCells) {
    // The mover is the player with a plain 10 x 10 box.
    struct Case {
        const char* what;
        int16_t targetSize;
        int16_t targetX, targetY;
        int moveX, moveY;
        bool touches;
    } cases[] = {
        {"mover lands wholly inside the target's box", 40, 100, 100, 115, 115, false},
        {"mover lands wholly around the target's box", 3, 204, 204, 200, 200, false},
        {"mover's edge lies on the target's edge", 40, 100, 100, 130, 115, true},
    };
    for (const auto& c : cases) {
        Field f;
        f.Put(kZako, c.targetX, c.targetY, 20, 2, c.targetSize);
        f.Enter(kZako);
        f.Put(kMolfo, 400, 400, 50, 5);
        f.Move(kMolfo, c.moveX, c.moveY);
        EXPECT_EQ(f.s.KyaraHp[kMolfo], c.touches ? 48 : 50)
            << c.what << ": hit boxes touch only where their outlines share a cell";
        EXPECT_EQ(f.s.KyaraHp[kZako], c.touches ? 15 : 20) << c.what << ": the player rams the enemy only on contact";
        EXPECT_EQ(f.s.KyaraX[kMolfo], c.moveX) << c.what << ": an enemy contact does not stop the player";
    }
}

TEST(ChousaSweep, MoverMeetsEachObjectOncePerSweep) {
    // The mover's new outline lies exactly on the target's, so every one of
    // its cells crosses the target.
    struct Case {
        const char* what;
        int16_t mover, target;
        int16_t moverHpAfter, targetHpAfter;
        const char* sound;
    } cases[] = {
        {"a shot damages an enemy once", kDan, kZako, 1, 4, "zakoko.wav"},
        {"a bullet damages the player once", kTekidan, kMolfo, 5, 47, "dameji.wav"},
        {"a special and a boss part trade damage once", kSp, kBoss, 1, 4, "hit.wav"},
    };
    for (const auto& c : cases) {
        Field f;
        f.Put(c.target, 200, 200, 5, 4, 12);
        f.Enter(c.target);
        f.Put(c.mover, 200, 260, 5, 1, 12);
        if (c.mover == kTekidan) f.s.KyaraKougeki[c.mover] = 3;
        if (c.target == kMolfo) f.s.KyaraHp[c.target] = 50;
        f.Move(c.mover, 200, 200);
        if (c.mover != kDan && c.mover != kTekidan) {
            EXPECT_EQ(f.s.KyaraHp[c.mover], c.moverHpAfter) << c.what << ": the mover's own damage is taken once";
        }
        EXPECT_EQ(f.s.KyaraHp[c.target], c.targetHpAfter) << c.what << ": one contact per object per sweep";
        EXPECT_EQ(f.Effects(c.sound), 1) << c.what << ": one sound per contact";
    }
}

TEST(ChousaSweep, RefusedMoveIntoBorderKeepsDamageAndDropsRemoval) {
    Field f;
    f.Put(kTekidan, 2, 212, 1, 7, 4);
    f.Enter(kTekidan);
    f.Put(kMolfo, -20, 205, 50, 5);
    KyaraDataClass(f.g).MolfoData();
    f.s.KyaraX[kMolfo] = -20;
    f.s.KyaraY[kMolfo] = 205;
    f.Enter(kMolfo);
    ASSERT_EQ(f.s.KyaraHp[kMolfo], 50) << "setting up: the player starts clear of the bullet";

    // Up-left: the new hit box reaches x = -5, inside the border band, and
    // its top row crosses the bullet.
    f.Move(kMolfo, -25, 200);
    EXPECT_EQ(f.s.KyaraX[kMolfo], -20) << "a move touching the border is refused as a whole";
    EXPECT_EQ(f.s.KyaraY[kMolfo], 205) << "a refused diagonal move does not slide along the wall";
    EXPECT_EQ(f.s.KyaraHp[kMolfo], 43) << "damage met on a refused move still stands";
    EXPECT_EQ(f.s.GameOverFlag, 0) << "the player survives 7 damage out of 50";
    EXPECT_EQ(f.Effects("dameji.wav"), 1) << "the damage sound of a refused move still plays";
    EXPECT_EQ(f.s.KyaraSonzai[kTekidan], 1) << "the removals of a refused move are dropped";
    EXPECT_EQ(f.Cell(2, 212), kTekidan) << "the kept bullet is still in the grid";
    EXPECT_EQ(f.Cell(10, 230), kMolfo) << "a refused move leaves the mover's outline where it was";

    f.Move(kTekidan, 7, 217);
    EXPECT_EQ(f.s.KyaraHp[kMolfo], 36) << "the kept bullet hits again on its own next move";
    EXPECT_EQ(f.s.KyaraSonzai[kTekidan], 0) << "a bullet moving into the player ends";
}

TEST(ChousaSweep, ShotReachingEnemyAndBorderDamagesOnceAndEndsOnce) {
    struct Case {
        int16_t enemyHp;
        int16_t hpAfter, scoreAfter;
        bool enemyLive;
    } cases[] = {{3, 2, 0, true}, {1, 0, 7, false}};
    for (const auto& c : cases) {
        Field f;
        f.s.KyaraShurui[kZako] = 9;
        f.Put(kZako, 230, 0, c.enemyHp, 1, 10, 7);
        f.Enter(kZako);
        KyaraDataClass(f.g).MolfoAData(kDan);
        f.s.KyaraX[kDan] = 222;
        f.s.KyaraY[kDan] = -3;
        // New hit box 229..234 x -3..4: its top reaches the border band and
        // its right column and bottom row cross the enemy's top-left corner.
        f.Move(kDan, 222, -9);
        const std::string when = "enemy hp " + std::to_string(c.enemyHp);
        EXPECT_EQ(f.s.KyaraHp[kZako], c.hpAfter) << when << ": a shot deals its damage once per sweep";
        EXPECT_EQ(f.s.GoukeiTen, c.scoreAfter) << when << ": a destroyed enemy scores once";
        EXPECT_EQ(f.Effects("zakoko.wav"), 1) << when << ": one enemy-hit sound";
        EXPECT_EQ(f.s.KyaraSonzai[kDan], 0) << when << ": the shot ends";
        EXPECT_EQ(f.s.KyaraY[kDan], -9) << when << ": a shot that ends is still moved before removal";
        EXPECT_EQ(f.s.KyaraHaba[kDan], 20) << when << ": an ended shot keeps its template";
        EXPECT_EQ(f.s.KyaraSoku[kDan], 6) << when << ": an ended shot keeps its speed";
        EXPECT_EQ(f.Cell(229, 4), 0) << when << ": the ended shot's outline leaves the grid at its new place";
        EXPECT_EQ(f.s.KyaraSonzai[kZako], c.enemyLive ? 1 : 0) << when << ": the enemy ends only when its hp is gone";
        EXPECT_EQ(f.s.KyaraShurui[kZako], 9) << when << ": a cleared slot keeps its kind";
        if (!c.enemyLive) {
            EXPECT_EQ(f.s.KyaraKomaKankaku[kZako], 0) << "a cleared slot loses every other property";
            EXPECT_EQ(f.Cell(239, 5), 0) << "a cleared enemy's outline leaves the grid";
        }
    }
}

TEST(ChousaSweep, RemovalsWaitForTheEndOfTheSweep) {
    // A special-attack object crossing, in scan order, enemy 90, a bullet and
    // enemy 70, losing its last hp on the first: it still fights the rest,
    // and everything it destroyed goes only once the scan is over.
    Field f;
    const int16_t e1 = kZako + 24, e2 = kZako + 4;
    f.Put(e1, 100, 100, 1, 2, 10, 10);  // met first: column x1 of the mover
    f.Put(kTekidan, 109, 104, 1, 1, 4);
    f.Put(e2, 119, 100, 1, 1, 10, 20);  // met on the mover's right column
    for (int16_t k : {e1, kTekidan, e2}) f.Enter(k);
    f.Put(kSp, 109, 300, 2, 3, 11);
    f.Move(kSp, 109, 99);
    EXPECT_EQ(f.s.GoukeiTen, 30) << "an object marked for removal still takes part in the rest of its sweep";
    for (int16_t k : {e1, kTekidan, kSp, e2})
        EXPECT_EQ(f.s.KyaraSonzai[k], 0) << "slot " << k << ": every marked object is removed at the sweep's end";
    for (int x = 100; x <= 128; ++x)
        EXPECT_EQ(f.Cell(x, 100), 0) << "x " << x << ": removed outlines leave the grid, the mover's too";
}

TEST(ChousaGrid, EraseLeavesHoleInAnotherOutlineUntilItsOwnerMoves) {
    Field f;
    const int16_t a = kZako, b = kZako + 1;
    f.Put(b, 110, 100, 9, 1, 11);  // shares column 110 with a
    f.Put(a, 100, 100, 9, 1, 11);
    f.Enter(b);
    f.Enter(a);
    ASSERT_EQ(f.Cell(110, 105), a) << "setting up: the later outline owns the shared cells";
    f.Move(b, 110, 300);
    EXPECT_EQ(f.Cell(110, 105), 0) << "an erase clears shared cells whoever wrote them";
    EXPECT_EQ(f.Cell(100, 105), a) << "an erase leaves the other outline's own cells";

    // A probe whose outline meets a only in the hole finds nothing.
    f.Put(kMolfo, 400, 400, 50, 5, 6);
    f.Move(kMolfo, 110, 102);
    EXPECT_EQ(f.s.KyaraHp[kMolfo], 50) << "an object is not found through a hole in its outline";
    f.Move(kMolfo, 400, 400);
    f.Move(a, 100, 100);
    f.Move(kMolfo, 110, 102);
    EXPECT_EQ(f.s.KyaraHp[kMolfo], 49) << "the owner's next move mends the hole";
}

TEST(ChousaGrid, CoordinatesOutsideTheGridReadAsOuterWall) {
    struct Case {
        const char* what;
        int16_t k;
        int x, y;
        bool ends;
    } cases[] = {
        {"enemy sent far left", kZako, -30000, 10, true},
        {"enemy sent far down", kZako, 10, 32000, true},
        {"bullet sent past the corner", kTekidan, 700, 700, true},
        {"player sent far right", kMolfo, 32000, 10, false},
        {"bullet across the grid's left end", kTekidan, -105, 200, true},
        {"enemy across the grid's top-left corner", kZako, -104, -103, true},
        {"player across the grid's bottom end", kMolfo, 200, 596, false},
    };
    for (const auto& c : cases) {
        Field f;
        f.Put(c.k, 200, 200, 5, 1);
        f.Enter(c.k);
        f.Move(c.k, c.x, c.y);
        EXPECT_EQ(f.s.KyaraSonzai[c.k], c.ends ? 0 : 1) << c.what << ": outside the grid is outer wall";
        if (!c.ends) {
            EXPECT_EQ(f.s.KyaraX[c.k], 200) << c.what << ": the player is stopped by the outer wall";
        }
        EXPECT_EQ(f.Cell(-100, -100), cell::OuterWall) << c.what << ": walls are never written";
    }
}

TEST(ChousaContacts, WhoMovesIntoWhomDecidesTheResult) {
    // Every object has 10 hp; the mover deals 3, the target 2. The mover
    // starts below and moves so that its left column runs along the target's.
    struct Case {
        const char* what;
        int16_t mover, target;
        int16_t moverHp, targetHp;
        bool moverLive, targetLive;
        std::vector<const char*> sounds;
    } cases[] = {
        {"boss part into player: both hurt", kBoss, kMolfo, 8, 7, true, true, {"dameji.wav", "hit.wav"}},
        {"player into boss part: only the player hurt", kMolfo, kBoss, 8, 10, true, true, {"dameji.wav"}},
        {"enemy into player: both hurt", kZako, kMolfo, 8, 7, true, true, {"dameji.wav"}},
        {"player into enemy: both hurt, the ram is silent", kMolfo, kZako, 8, 7, true, true, {"dameji.wav"}},
        {"bullet into player: bullet ends", kTekidan, kMolfo, 0, 7, false, true, {"dameji.wav"}},
        {"player into bullet: bullet ends", kMolfo, kTekidan, 8, 0, true, false, {"dameji.wav"}},
        {"item into player: picked up", kItem, kMolfo, 0, 10, false, true, {"itemget.wav"}},
        {"player into item: picked up", kMolfo, kItem, 10, 0, true, false, {"itemget.wav"}},
        {"shot into enemy: shot ends", kDan, kZako, 10, 7, false, true, {"zakoko.wav"}},
        {"enemy into shot: shot ends", kZako, kDan, 8, 10, true, false, {"zakoko.wav"}},
        {"shot into boss part: shot ends", kDan, kBoss, 10, 7, false, true, {"hit.wav"}},
        {"boss part into shot: shot ends", kBoss, kDan, 8, 10, true, false, {"hit.wav"}},
        {"special into enemy: both hurt", kSp, kZako, 8, 7, true, true, {"zakoko.wav"}},
        {"enemy into special: both hurt", kZako, kSp, 8, 7, true, true, {"zakoko.wav"}},
        {"special into bullet: bullet ends", kSp, kTekidan, 8, 0, true, false, {}},
        {"bullet into special: bullet ends", kTekidan, kSp, 0, 7, false, true, {}},
        {"special into boss part: both hurt", kSp, kBoss, 8, 7, true, true, {"hit.wav"}},
        {"boss part into special: the special unhurt", kBoss, kSp, 8, 10, true, true, {"hit.wav"}},
        {"shot through item", kDan, kItem, 10, 10, true, true, {}},
        {"shot through bullet", kDan, kTekidan, 10, 10, true, true, {}},
        {"bullet through shot", kTekidan, kDan, 10, 10, true, true, {}},
        {"special through item", kSp, kItem, 10, 10, true, true, {}},
        {"enemy through enemy", kZako, kZako + 1, 10, 10, true, true, {}},
        {"enemy through bullet", kZako, kTekidan, 10, 10, true, true, {}},
        {"enemy through boss part", kZako, kBoss, 10, 10, true, true, {}},
        {"bullet through enemy", kTekidan, kZako, 10, 10, true, true, {}},
        {"item through enemy", kItem, kZako, 10, 10, true, true, {}},
    };
    for (const auto& c : cases) {
        Field f;
        f.s.KyaraShurui[kItem] = 2;
        f.Put(c.target, 200, 200, 10, 2);
        f.Enter(c.target);
        f.Put(c.mover, 200, 260, 10, 3);
        f.Move(c.mover, 200, 205);
        EXPECT_EQ(f.s.KyaraHp[c.mover], c.moverHp) << c.what << ": the mover's damage";
        EXPECT_EQ(f.s.KyaraHp[c.target], c.targetHp) << c.what << ": the target's damage";
        EXPECT_EQ(f.s.KyaraSonzai[c.mover], c.moverLive ? 1 : 0) << c.what << ": whether the mover ends";
        EXPECT_EQ(f.s.KyaraSonzai[c.target], c.targetLive ? 1 : 0) << c.what << ": whether the target ends";
        ASSERT_EQ(f.hp.audio.log.size(), c.sounds.size()) << c.what << ": the contact's sounds";
        for (size_t i = 0; i < c.sounds.size(); ++i)
            EXPECT_NE(f.hp.audio.log[i].path.find(c.sounds[i]), std::string::npos) << c.what << ": sound " << i;
    }
}

TEST(ChousaContacts, WallsStopSomeMoversAndEndOthers) {
    enum Result { Moves, Stopped, Ends, EndsInPlace };
    struct Case {
        const char* what;
        int16_t mover;
        int toX;
        Result result;
    } cases[] = {
        {"player at the border band", kMolfo, -5, Stopped},
        {"player at the outer wall", kMolfo, -95, Stopped},
        {"shot at the border band", kDan, -5, Ends},
        {"special at the border band", kSp, -5, Moves},
        {"special at the outer wall", kSp, -95, Ends},
        {"enemy at the border band", kZako, -5, Moves},
        {"enemy at the outer wall", kZako, -95, Ends},
        {"bullet at the border band", kTekidan, -5, Moves},
        {"bullet at the outer wall", kTekidan, -95, Ends},
        {"boss part at the border band", kBoss, -5, Moves},
        {"boss part at the outer wall", kBoss, -95, Stopped},
        {"item at the border band", kItem, -5, Moves},
        {"item at the outer wall", kItem, -95, EndsInPlace},
    };
    for (const auto& c : cases) {
        Field f;
        f.Put(c.mover, 10, 200, 10, 3);
        f.Enter(c.mover);
        f.Move(c.mover, c.toX, 200);
        const bool live = c.result == Moves || c.result == Stopped;
        EXPECT_EQ(f.s.KyaraSonzai[c.mover], live ? 1 : 0) << c.what << ": whether the wall ends the mover";
        if (c.result == Moves || c.result == Stopped) {
            EXPECT_EQ(f.s.KyaraX[c.mover], c.result == Moves ? c.toX : 10) << c.what << ": whether the move happens";
        }
        if (c.result == EndsInPlace) {
            EXPECT_EQ(f.s.KyaraX[c.mover], 10) << c.what << ": an item at the outer wall ends where it stood";
            EXPECT_EQ(f.s.KyaraHp[c.mover], 10) << c.what << ": an item ended in place is not cleared";
            EXPECT_EQ(f.Cell(10, 200), 0) << c.what << ": its outline leaves the grid";
        }
        if (c.result == Stopped) {
            EXPECT_EQ(f.Cell(10, 200), c.mover) << c.what << ": a stopped mover keeps its outline";
        }
    }
}

TEST(HitResults, PlayerDamageSoundsAndGameOver) {
    // One effect channel: at exactly 0 hp the death sound starts and the
    // damage sound replaces it at once.
    struct Case {
        int16_t hp;
        int16_t hpAfter;
        int16_t gameOver;
        std::vector<std::string> sounds;
    } cases[] = {
        {4, 1, 0, {"dameji.wav"}},
        {3, 0, 1, {"molfoko.wav", "dameji.wav"}},
        {2, -1, 1, {"molfoko.wav", "dameji.wav"}},
    };
    for (const auto& c : cases) {
        Field f;
        f.Put(kMolfo, 200, 200, c.hp, 5);
        f.Enter(kMolfo);
        f.Put(kTekidan, 200, 260, 1, 3);
        f.Move(kTekidan, 200, 205);
        const std::string when = "hp " + std::to_string(c.hp) + " hit for 3";
        EXPECT_EQ(f.s.KyaraHp[kMolfo], c.hpAfter) << when << ": the player loses the bullet's attack";
        EXPECT_EQ(f.s.GameOverFlag, c.gameOver) << when << ": the game ends when hp drops below 1";
        EXPECT_EQ(f.s.KyaraDameji[kMolfo], 1) << when << ": a hit player flashes";
        ASSERT_EQ(f.hp.audio.log.size(), c.sounds.size()) << when << ": the sounds of the player's damage";
        for (size_t i = 0; i < c.sounds.size(); ++i)
            EXPECT_NE(f.hp.audio.log[i].path.find(c.sounds[i]), std::string::npos)
                << when << ": sound " << i << " is " << c.sounds[i];
        EXPECT_NE(f.hp.audio.effect.find("dameji.wav"), std::string::npos)
            << when << ": the damage sound is the one left playing";
    }
}

TEST(HitResults, ScoreStopsAt32767) {
    struct Case {
        int16_t before, ten, after;
        int16_t mover;
    } cases[] = {
        {32700, 60, 32760, kDan},
        {32760, 100, 32767, kDan},
        {32767, 1, 32767, kDan},
        {32000, 2000, 32767, kBoss},
    };
    for (const auto& c : cases) {
        Field f;
        const int16_t target = c.mover == kBoss ? kBoss : kZako;
        f.Put(target, 200, 200, 1, 1, 10, c.ten);
        f.Enter(target);
        f.Put(kDan, 200, 260, 1, 3);
        f.s.GoukeiTen = c.before;
        f.Move(kDan, 200, 205);
        EXPECT_EQ(f.s.GoukeiTen, c.after) << c.before << " + " << c.ten << ": the score saturates at 32767";
    }
}

TEST(HitResults, DestroyedBossPartEndsTheStage) {
    struct Case {
        int16_t part;
        int16_t hp;
        int16_t kuria;
        const char* sound;
    } cases[] = {{kBoss, 1, 1, "bossko.wav"}, {slot::BossLast, 1, 1, "bossko.wav"}, {kBoss, 2, 0, "hit.wav"}};
    for (const auto& c : cases) {
        Field f;
        f.Put(c.part, 200, 200, c.hp, 1, 10, 50);
        f.Enter(c.part);
        f.Put(kDan, 200, 260, 1, 1);
        f.Move(kDan, 200, 205);
        const std::string when = "part " + std::to_string(c.part) + " hp " + std::to_string(c.hp);
        EXPECT_EQ(f.s.SutejiKuria, c.kuria) << when << ": any destroyed boss part clears the stage";
        EXPECT_EQ(f.s.GoukeiTen, c.kuria ? 50 : 0) << when << ": a destroyed boss part scores";
        EXPECT_EQ(f.s.KyaraDameji[c.part], c.kuria ? 0 : 1) << when << ": a surviving part flashes";
        ASSERT_EQ(f.hp.audio.log.size(), 1u) << when << ": one sound";
        EXPECT_NE(f.hp.audio.log[0].path.find(c.sound), std::string::npos) << when << ": " << c.sound;
    }
}

TEST(HitResults, PickedUpItemsCountOnlyUsableKinds) {
    struct Case {
        int16_t kind;
        int expectKosu;  // -1: no count changes
    } cases[] = {{1, 1}, {6, 1}, {7, -1}, {12, -1}};
    for (const auto& c : cases) {
        Field f;
        f.s.TukauItemFirst = 1;
        f.s.TukauItemLast = 6;
        f.s.FoodFirst = 7;
        f.s.FoodLast = 12;
        f.s.KyaraShurui[kItem] = c.kind;
        f.Put(kItem, 200, 200, 1, 0);
        f.Enter(kItem);
        f.Put(kMolfo, 200, 260, 50, 5);
        f.Move(kMolfo, 200, 205);
        const std::string when = "kind " + std::to_string(c.kind);
        for (int k = 1; k <= 6; ++k) {
            const int want = (k == c.kind) ? c.expectKosu : 0;
            EXPECT_EQ(f.s.ItemKosu[k], want) << when << ": only a usable kind adds to its own count";
            EXPECT_EQ(f.g.scr.SPL[k].caption, std::to_string(want)) << when << ": the count's label follows it";
        }
        EXPECT_EQ(f.s.KyaraSonzai[kItem], 0) << when << ": a picked-up item ends";
        EXPECT_EQ(f.s.KyaraShurui[kItem], c.kind) << when << ": a cleared slot keeps its kind";
        EXPECT_NE(f.hp.audio.effect.find("itemget.wav"), std::string::npos) << when << ": the pick-up sound";
    }
}

}  // namespace
}  // namespace molfo
