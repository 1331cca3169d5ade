// The built sys/ folder against the game's own tables: every sprite cell the
// data routines point at holds a drawing whose mask matches it, the stage
// backgrounds scroll without a seam, and the start-up check finds exactly
// what is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "TestSupport.h"
#include "boss/Boss.h"
#include "core/AssetNames.h"
#include "enemies/Enemies.h"
#include "game/AssetCheck.h"
#include "items/Items.h"

namespace molfo {
namespace {

namespace fs = std::filesystem;
using test::TestGame;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBlack = 0x000000;

// Where a slot's sprite lies in its sheet, as the renderer reads it.
struct Cell {
    std::string what;
    std::string sheet;  // game path of the picture
    int x, y, w, h, frames;
};

int FramesOf(int s) {
    if (slot::IsBoss(s)) return 3;
    if (slot::IsItem(s)) return 1;
    return 4;
}

Cell CellOf(const GameState& s, int add, std::string what, std::string sheet) {
    return {std::move(what), std::move(sheet), s.KyaraPicX[add], s.KyaraPicY[add], s.KyaraHaba[add],
            s.KyaraTakasa[add], FramesOf(add)};
}

// Every sprite cell the game's data routines name, read from the rows they write.
std::vector<Cell> AllCells() {
    TestGame t;
    t.NewGame();
    GameState& s = t.s;
    std::vector<Cell> cells;
    auto sheetOf = [&](int add) { return std::string(assets::kKyaraPicFiles[s.KyaraPicNo[add]]); };
    cells.push_back(CellOf(s, slot::Molfo, "player", sheetOf(slot::Molfo)));
    cells.push_back(CellOf(s, slot::MolfoDanFirst, "player shot", sheetOf(slot::MolfoDanFirst)));
    for (int16_t k = 1; k <= 5; ++k) {
        ItemClass(t.g).MolfoSData(slot::MolfoSFirst, k);
        cells.push_back(CellOf(s, slot::MolfoSFirst, "special attack " + std::to_string(k), sheetOf(slot::MolfoSFirst)));
    }
    for (int16_t type = 1; type <= 14; ++type) {
        KyaraDataClass(t.g).ZakoData(slot::ZakoFirst, type);
        cells.push_back(CellOf(s, slot::ZakoFirst, "enemy type " + std::to_string(type), sheetOf(slot::ZakoFirst)));
    }
    TekiDanClass(t.g).TekidanData(slot::TekidanFirst);
    cells.push_back(CellOf(s, slot::TekidanFirst, "enemy bullet", sheetOf(slot::TekidanFirst)));
    for (int16_t kind = 1; kind <= 12; ++kind) {
        ItemClass(t.g).ItemData(slot::ItemFirst, kind);
        cells.push_back(CellOf(s, slot::ItemFirst, "item kind " + std::to_string(kind), sheetOf(slot::ItemFirst)));
    }
    for (int16_t stage = 1; stage <= 5; ++stage) {
        s.SutejiNo = stage;
        BossDataClass boss(t.g);
        boss.BossData(slot::BossFirst);
        cells.push_back(CellOf(s, slot::BossFirst, "boss of stage " + std::to_string(stage), boss.BossPicFile()));
    }
    // The game-over banner is drawn by the same two passes from a cell at (0, 0).
    cells.push_back({"game-over banner", assets::kGameOverPic, 0, 0, 500, 75, 1});
    return cells;
}

bool IsJpeg(const std::string& path) {
    std::string ext = path.substr(path.rfind('.') + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext == "jpg";
}

int MinChannel(uint32_t c) { return std::min({int(c >> 16) & 255, int(c >> 8) & 255, int(c & 255)}); }
int MaxChannel(uint32_t c) { return std::max({int(c >> 16) & 255, int(c >> 8) & 255, int(c & 255)}); }

TEST(Assets, EveryCellsMaskCoversExactlyItsPicture) {
    const std::vector<Cell> cells = AllCells();
    ASSERT_EQ(cells.size(), 2u + 5 + 14 + 1 + 12 + 5 + 1);
    TestGame t;
    for (const Cell& c : cells) {
        SCOPED_TRACE(c.what + " in " + c.sheet);
        Surface sheet;
        ASSERT_TRUE(LoadPicture(sheet, t.g.HostPath(c.sheet))) << "every sheet the renderer uses must decode";
        ASSERT_GT(c.w, 0) << "the data routine gives the sprite a size";
        ASSERT_LE(c.x + 2 * c.w * c.frames, sheet.Width()) << "frame k lies at PicX + 2wk: all frames fit in the sheet";
        ASSERT_LE(c.y + c.h, sheet.Height()) << "the cell's rows lie inside the sheet";
        const bool jpeg = IsJpeg(c.sheet);
        for (int k = 0; k < c.frames; ++k) {
            const int px = c.x + 2 * c.w * k, mx = px + c.w;
            int mismatches = 0, covered = 0, greyMask = 0;
            for (int y = c.y; y < c.y + c.h; ++y) {
                for (int x = 0; x < c.w; ++x) {
                    const uint32_t pic = sheet.At(px + x, y), mask = sheet.At(mx + x, y);
                    // A JPEG keeps white and black only to within a few levels.
                    const bool drawn = jpeg ? MinChannel(pic) < 240 : pic != kWhite;
                    const bool maskOn = jpeg ? MinChannel(mask) >= 128 : mask == kWhite;
                    if (!jpeg && mask != kWhite && mask != kBlack) ++greyMask;
                    if (jpeg && MaxChannel(mask) > 40 && MinChannel(mask) < 215) ++greyMask;
                    if (drawn != maskOn) ++mismatches;
                    if (drawn) ++covered;
                }
            }
            const int area = c.w * c.h;
            EXPECT_EQ(greyMask, 0) << "frame " << k << ": a mask is pure white on pure black (the OR pass)";
            if (jpeg)
                EXPECT_LE(mismatches, area / 500) << "frame " << k << ": the mask covers the non-white picture";
            else
                EXPECT_EQ(mismatches, 0) << "frame " << k << ": the mask covers exactly the non-white picture";
            EXPECT_GE(covered * 20, area) << "frame " << k << ": the cell the game reads holds a drawing";
        }
    }
}

TEST(Assets, BossesMoveVisiblyAndHaveCleanEdges) {
    TestGame t;
    for (int16_t stage = 1; stage <= 5; ++stage) {
        t.s.SutejiNo = stage;
        BossDataClass boss(t.g);
        boss.BossData(slot::BossFirst);
        const std::string file = boss.BossPicFile();
        SCOPED_TRACE(file);
        Surface sheet;
        ASSERT_TRUE(LoadPicture(sheet, t.g.HostPath(file))) << "every boss picture decodes";
        const int w = t.s.KyaraHaba[slot::BossFirst], h = t.s.KyaraTakasa[slot::BossFirst];
        auto masked = [&](int k, int x, int y) { return MinChannel(sheet.At(2 * w * k + w + x, y)) >= 128; };
        for (int k = 0; k < 3; ++k) {
            const int next = (k + 1) % 3;
            int changed = 0, either = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const bool a = masked(k, x, y), b = masked(next, x, y);
                    changed += a != b;
                    either += a || b;
                }
            ASSERT_GT(either, 0);
            EXPECT_GE(changed * 5, either) << "frames " << k << " and " << next
                                           << ": a boss's animation reads at a glance, its outline changing by "
                                              "a fifth or more from one frame to the next";
            // The outline is drawn in the sprite's own colours: a pale grey
            // ring round the shape would show against every map.
            int edge = 0, grey = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    if (!masked(k, x, y)) continue;
                    const bool inner = x > 0 && y > 0 && x + 1 < w && y + 1 < h && masked(k, x - 1, y) &&
                                       masked(k, x + 1, y) && masked(k, x, y - 1) && masked(k, x, y + 1);
                    if (inner) continue;
                    ++edge;
                    const uint32_t c = sheet.At(2 * w * k + x, y);
                    const int light = (int(c >> 16 & 255) + int(c >> 8 & 255) + int(c & 255)) / 3;
                    if (MaxChannel(c) - MinChannel(c) < 28 && light > 75 && light < 215) ++grey;
                }
            EXPECT_LE(grey * 20, edge) << "frame " << k << ": at most 1 in 20 pixels of a boss's edge are a grey rim";
        }
    }
}

TEST(Assets, StageBackgroundsScrollWithoutASeam) {
    TestGame t;
    for (int16_t stage = 1; stage <= 5; ++stage) {
        t.s.SutejiNo = stage;
        const std::string file = SutejiClass(t.g).HaikeiPicFile();
        SCOPED_TRACE(file);
        Surface map;
        ASSERT_TRUE(LoadPicture(map, t.g.HostPath(file))) << "each stage's background decodes";
        ASSERT_GE(map.Width(), 500) << "the renderer copies 500 columns";
        ASSERT_EQ(map.Height(), 500) << "the scroll wraps at row 500";
        // Pixels that change sharply from one row to the next: a seam shows as
        // shapes cut off along the row, which averaging over the row would hide.
        auto sharpChanges = [&](int a, int b) {
            int n = 0;
            for (int x = 0; x < map.Width(); ++x) {
                int d = 0;
                for (int shift = 0; shift <= 16; shift += 8)
                    d += std::abs(int((map.At(x, a) >> shift) & 255) - int((map.At(x, b) >> shift) & 255));
                if (d > 48) ++n;
            }
            return n;
        };
        std::vector<int> inner;
        for (int y = 0; y + 1 < map.Height(); ++y) inner.push_back(sharpChanges(y, y + 1));
        // Shapes inside the picture have edges too; the wrap may be as sharp
        // as the roughest one per cent of the picture's own row changes.
        std::nth_element(inner.begin(), inner.begin() + inner.size() * 99 / 100, inner.end());
        const int rough = inner[inner.size() * 99 / 100];
        EXPECT_LE(sharpChanges(map.Height() - 1, 0), std::max(4, rough))
            << "the bottom row meets the top row on screen as smoothly as rows inside the picture meet";
        // A soft seam (a whole band a little lighter on one side) has no
        // sharp pixels at all; it shows in the row's average change.
        auto meanChange = [&](int a, int b) {
            long sum = 0;
            for (int x = 0; x < map.Width(); ++x)
                for (int shift = 0; shift <= 16; shift += 8)
                    sum += std::abs(int((map.At(x, a) >> shift) & 255) - int((map.At(x, b) >> shift) & 255));
            return double(sum) / (3.0 * map.Width());
        };
        std::vector<double> steps;
        for (int y = 0; y + 1 < map.Height(); ++y) steps.push_back(meanChange(y, y + 1));
        std::nth_element(steps.begin(), steps.begin() + steps.size() * 99 / 100, steps.end());
        EXPECT_LE(meanChange(map.Height() - 1, 0), steps[steps.size() * 99 / 100])
            << "the wrap changes the picture no more on average than 99 in 100 of its own row steps do";
    }
}

// The enemy bullet's body colour: its masked pixels, leaving out the dark
// rim that only outlines it.
std::array<int, 3> BulletBody(TestGame& t) {
    TekiDanClass(t.g).TekidanData(slot::TekidanFirst);
    const GameState& s = t.s;
    const int add = slot::TekidanFirst, w = s.KyaraHaba[add], h = s.KyaraTakasa[add];
    Surface sheet;
    if (!LoadPicture(sheet, t.g.HostPath(assets::kKyaraPicFiles[s.KyaraPicNo[add]]))) return {-1, -1, -1};
    long sum[3] = {0, 0, 0}, n = 0;
    for (int k = 0; k < 4; ++k)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const int px = s.KyaraPicX[add] + 2 * w * k + x, py = s.KyaraPicY[add] + y;
                if (sheet.At(px + w, py) != kWhite || MaxChannel(sheet.At(px, py)) < 100) continue;
                for (int c = 0; c < 3; ++c) sum[c] += (sheet.At(px, py) >> (16 - 8 * c)) & 255;
                ++n;
            }
    if (n == 0) return {-1, -1, -1};
    return {int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)};
}

bool NearColour(uint32_t c, const std::array<int, 3>& body) {
    int d2 = 0;
    for (int ch = 0; ch < 3; ++ch) {
        const int d = int((c >> (16 - 8 * ch)) & 255) - body[size_t(ch)];
        d2 += d * d;
    }
    return d2 < 64 * 64;
}

TEST(Assets, NothingButTheBulletWearsItsColour) {
    TestGame t;
    t.NewGame();
    const std::array<int, 3> body = BulletBody(t);
    ASSERT_GE(body[0], 0) << "the bullet's sheet decodes and the bullet has a body inside its rim";
    for (const Cell& c : AllCells()) {
        if (c.what == "enemy bullet") continue;
        SCOPED_TRACE(c.what + " in " + c.sheet);
        Surface sheet;
        ASSERT_TRUE(LoadPicture(sheet, t.g.HostPath(c.sheet))) << "every sheet the renderer uses must decode";
        int drawn = 0, alike = 0;
        for (int k = 0; k < c.frames; ++k)
            for (int y = c.y; y < c.y + c.h; ++y)
                for (int x = 0; x < c.w; ++x) {
                    const int px = c.x + 2 * c.w * k + x;
                    if (MinChannel(sheet.At(px + c.w, y)) < 128) continue;
                    ++drawn;
                    alike += NearColour(sheet.At(px, y), body);
                }
        ASSERT_GT(drawn, 0);
        EXPECT_LE(alike * 50, drawn) << "a bullet is the only pink orb: at most 1 in 50 pixels of any other sprite "
                                        "comes near the bullet's colour";
    }
}

TEST(Assets, EnemyBulletStandsOutOnEveryStage) {
    TestGame t;
    t.NewGame();
    const std::array<int, 3> body = BulletBody(t);
    ASSERT_GE(body[0], 0) << "the bullet's sheet decodes and the bullet has a body inside its rim";
    for (int16_t stage = 1; stage <= 5; ++stage) {
        t.s.SutejiNo = stage;
        const std::string file = SutejiClass(t.g).HaikeiPicFile();
        SCOPED_TRACE(file);
        Surface map;
        ASSERT_TRUE(LoadPicture(map, t.g.HostPath(file))) << "each stage's background decodes";
        int alike = 0;
        for (int y = 0; y < map.Height(); ++y)
            for (int x = 0; x < map.Width(); ++x) alike += NearColour(map.At(x, y), body);
        EXPECT_LE(alike * 1000, map.Width() * map.Height())
            << "enemy bullets must be impossible to miss: at most 1 pixel in 1000 of a stage's background "
               "comes near the bullet's colour";
    }
}

TEST(Assets, EveryEndingPictureIsAPictureOfItsOwn) {
    TestGame t;
    std::vector<Surface> pictures(assets::kEndingPictures);
    for (int i = 0; i < assets::kEndingPictures; ++i) {
        const std::string file = "sys\\ending\\e" + std::to_string(i + 1) + ".jpg";
        ASSERT_TRUE(LoadPicture(pictures[size_t(i)], t.g.HostPath(file))) << file << " decodes";
        ASSERT_EQ(pictures[size_t(i)].Width(), 500) << file << " fills the playfield";
        ASSERT_EQ(pictures[size_t(i)].Height(), 500) << file << " fills the playfield";
    }
    // Compared above the caption box, which all of them share.
    constexpr int kSceneRows = 400;
    for (int a = 0; a < assets::kEndingPictures; ++a)
        for (int b = a + 1; b < assets::kEndingPictures; ++b) {
            long sum = 0;
            for (int y = 0; y < kSceneRows; ++y)
                for (int x = 0; x < 500; ++x)
                    for (int shift = 0; shift <= 16; shift += 8)
                        sum += std::abs(int((pictures[size_t(a)].At(x, y) >> shift) & 255) -
                                        int((pictures[size_t(b)].At(x, y) >> shift) & 255));
            EXPECT_GE(sum, 15L * 3 * 500 * kSceneRows)
                << "ending pictures " << a + 1 << " and " << b + 1
                << ": each picture of the story is a scene of its own, not the same view with another caption";
        }
}

TEST(Assets, StartUpCheckPassesOnTheBuiltFolder) {
    const AssetReport report = CheckAssets(test::DataDir());
    std::string all;
    for (const AssetProblem& p : report.pictures) all += p.line + "\n";
    for (const AssetProblem& p : report.sounds) all += p.line + "\n";
    EXPECT_TRUE(all.empty()) << "every file the game loads is built into sys/:\n" << all;
}

// Copies the built sys/ folder so that one file can be damaged.
class DamagedFolder {
public:
    DamagedFolder() : root_(fs::path(testing::TempDir()) / ("molfo-assets-" + std::to_string(::getpid()))) {
        fs::remove_all(root_);
        fs::create_directories(root_);
        fs::copy(fs::path(test::DataDir()) / "sys", root_ / "sys", fs::copy_options::recursive);
    }
    ~DamagedFolder() { fs::remove_all(root_); }
    std::string Dir() const { return root_.string(); }
    fs::path File(const std::string& rel) const { return root_ / rel; }

private:
    fs::path root_;
};

TEST(Assets, StartUpCheckNamesExactlyTheDamagedFile) {
    enum class Damage { Remove, Garble, ReplaceWith, CutInHalf, Folder, Pipe };
    enum class Kind { Picture, Sound };
    struct Case {
        const char* file;
        Damage damage;
        const char* other;  // for ReplaceWith: the file copied over it
        Kind kind;          // pictures stop the game; sounds stay silent
        const char* says;   // what the line says is wrong
    };
    const Case cases[] = {
        {"sys/kyarapic1.bmp", Damage::Remove, nullptr, Kind::Picture, "missing"},
        {"sys/itempic6.bmp", Damage::Remove, nullptr, Kind::Picture, "missing"},
        {"sys/mainmap3.JPG", Damage::Garble, nullptr, Kind::Picture, "decoded"},
        {"sys/gifucho.JPG", Damage::ReplaceWith, "sys/hati.JPG", Kind::Picture, "needs at least"},  // too small for three frames
        {"sys/title.bmp", Damage::ReplaceWith, "sys/itempic1.bmp", Kind::Picture, "needs at least"},
        {"sys/ending/e17.jpg", Damage::Remove, nullptr, Kind::Picture, "missing"},
        {"sys/mainmap2.JPG", Damage::CutInHalf, nullptr, Kind::Picture, "cut short"},
        {"sys/kyarapic0.bmp", Damage::CutInHalf, nullptr, Kind::Picture, "cut short"},
        {"sys/hati.JPG", Damage::Folder, nullptr, Kind::Picture, "folder"},
        {"sys/gameover.bmp", Damage::Pipe, nullptr, Kind::Picture, "special file"},
        {"sys/boss3.mid", Damage::Remove, nullptr, Kind::Sound, "missing"},
        {"sys/gameover.mid", Damage::ReplaceWith, "sys/bom.wav", Kind::Sound, "MIDI"},
        {"sys/itemget.wav", Damage::Garble, nullptr, Kind::Sound, "WAV"},
        {"sys/kurosu.wav", Damage::ReplaceWith, "sys/opening.mid", Kind::Sound, "WAV"},
        {"sys/suteji2.mid", Damage::Folder, nullptr, Kind::Sound, "folder"},
        {"sys/bom.wav", Damage::Pipe, nullptr, Kind::Sound, "special file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        DamagedFolder folder;
        const fs::path target = folder.File(c.file);
        ASSERT_TRUE(fs::exists(target)) << "the build makes " << c.file;
        switch (c.damage) {
            case Damage::Remove: fs::remove(target); break;
            case Damage::Garble: std::ofstream(target, std::ios::binary | std::ios::trunc) << "not what it should be"; break;
            case Damage::ReplaceWith: fs::copy_file(folder.File(c.other), target, fs::copy_options::overwrite_existing); break;
            case Damage::CutInHalf: fs::resize_file(target, fs::file_size(target) / 2); break;
            case Damage::Folder: fs::remove(target); fs::create_directory(target); break;
            case Damage::Pipe: fs::remove(target); ASSERT_EQ(mkfifo(target.c_str(), 0644), 0); break;
        }
        const AssetReport report = CheckAssets(folder.Dir());
        const std::vector<AssetProblem>& bad = c.kind == Kind::Picture ? report.pictures : report.sounds;
        const std::vector<AssetProblem>& other = c.kind == Kind::Picture ? report.sounds : report.pictures;
        ASSERT_EQ(bad.size(), 1u) << "start-up reports one line per bad file, and only the bad one";
        EXPECT_TRUE(other.empty()) << "a bad picture stops the game, a bad sound only goes silent";
        EXPECT_NE(bad[0].line.find(c.file), std::string::npos) << "the line names the file: " << bad[0].line;
        EXPECT_NE(bad[0].line.find(c.says), std::string::npos) << "the line says what is wrong: " << bad[0].line;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(ReportAssets(report), c.kind == Kind::Sound) << "only a bad picture keeps the game from starting";
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), "molfo: " + bad[0].line + "\n") << "one line on stderr";
    }
}

}  // namespace
}  // namespace molfo
