#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "TestSupport.h"
#include "draw/Draw.h"
#include "render/DialogView.h"
#include "render/SettingsView.h"
#include "render/Text.h"

namespace molfo {
namespace {

constexpr uint32_t kWhite = Rgb(255, 255, 255);
constexpr uint32_t kBlack = Rgb(0, 0, 0);

// A 4 x 4 surface whose every pixel is different and non-zero.
Surface Numbered() {
    Surface s(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) s.At(x, y) = static_cast<uint32_t>(0x100 * (y + 1) + x + 1);
    return s;
}

// A background whose pixels name their row, so the playfield's top row
// tells which background row is shown there.
void RowNumberedBackground(Screen& w) {
    w.HaikeiPic.Resize(kPlayfield, kPlayfield, 0);
    for (int y = 0; y < kPlayfield; ++y)
        for (int x = 0; x < kPlayfield; ++x) w.HaikeiPic.At(x, y) = Rgb(0x40, static_cast<uint8_t>(y >> 8), y & 0xFF);
}
int RowShownAt(const Screen& w, int y) { return static_cast<int>(w.MainPic1.At(0, y) & 0xFFFF); }

// A sheet with one sprite of four 4 x 4 frames in row 0: frame k's picture
// is a solid colour (k + 1) * 0x10 in red on the left, its mask all white.
constexpr int kCell = 4;
uint32_t FrameColour(int k) { return Rgb(static_cast<uint8_t>((k + 1) * 0x10), 0x20, 0x30); }
void SyntheticSheet(Surface& sheet) {
    sheet.Resize(2 * kCell * 4, kCell, kWhite);
    for (int k = 0; k < 4; ++k) {
        sheet.Fill(2 * kCell * k, 0, kCell, kCell, FrameColour(k));
        sheet.Fill(2 * kCell * k + kCell, 0, kCell, kCell, kWhite);
    }
}

void PlaceSprite(GameState& s, int n, int16_t picNo, int16_t x, int16_t y, int16_t kankaku) {
    s.KyaraSonzai[n] = 1;
    s.KyaraPicNo[n] = picNo;
    s.KyaraPicX[n] = 0;
    s.KyaraPicY[n] = 0;
    s.KyaraHaba[n] = kCell;
    s.KyaraTakasa[n] = kCell;
    s.KyaraX[n] = x;
    s.KyaraY[n] = y;
    s.KyaraKoma[n] = 0;
    s.KyaraKomaKankaku[n] = kankaku;
}

// A game with plain white background and the synthetic sheet as every sheet.
struct DrawGame : test::TestGame {
    DrawGame() {
        g.scr.HaikeiPic.Resize(kPlayfield, kPlayfield, Rgb(0, 0, 0x50));
        for (Surface& sheet : g.scr.KyaraPic) SyntheticSheet(sheet);
        s.FrameCount = 1;
    }
    // One frame as the loop runs it: the frame counter, then the drawing
    // and the frame shown.
    void Frame() {
        Byouga(g);
        ShowFrame(g);
        ++s.FrameCount;
    }
};

TEST(RenderRasterOps, EachOperationCombinesSourceAndDestination) {
    struct Case { Rop op; uint32_t dst, src, want; const char* rule; } cases[] = {
        {Rop::Copy, 0x123456, 0xABCDEF, 0xABCDEF, "a copy replaces the destination"},
        {Rop::Or, 0x0F00F0, 0x00F00F, 0x0FF0FF, "the mask pass ORs the silhouette in"},
        {Rop::Or, 0x123456, kWhite, kWhite, "a white mask pixel turns the destination white"},
        {Rop::Or, 0x123456, kBlack, 0x123456, "a black mask pixel leaves the destination"},
        {Rop::And, kWhite, 0x3366CC, 0x3366CC, "the picture pass shows the sprite over whitened ground"},
        {Rop::And, 0x3366CC, kWhite, 0x3366CC, "the picture's white background leaves the destination"},
        {Rop::Xor, kWhite, 0x3366CC, 0xCC9933, "XOR onto white inverts the source"},
        {Rop::Xor, 0x3366CC, 0x3366CC, 0x000000, "XOR of equal pixels is black"},
    };
    for (const Case& c : cases) {
        Surface dst(3, 2, c.dst), src(3, 2, c.src);
        BitBlt(dst, 0, 0, 3, 2, src, 0, 0, c.op);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) EXPECT_EQ(dst.At(x, y), c.want) << c.rule << " at (" << x << ", " << y << ")";
    }
}

TEST(RenderRasterOps, CopiesAreClippedAtSourceAndDestinationEdges) {
    struct Pixel { int x, y, srcX, srcY; };
    struct Case {
        const char* rule;
        int dx, dy, w, h, sx, sy;
        std::vector<Pixel> copied;  // every destination pixel that must change, and its source
    } cases[] = {
        {"a negative destination origin drops the rows and columns above and left", -1, -1, 3, 3, 0, 0,
         {{0, 0, 1, 1}, {1, 0, 2, 1}, {0, 1, 1, 2}, {1, 1, 2, 2}}},
        {"a negative source origin shifts the destination with it", 0, 0, 3, 3, -1, -2, {{1, 2, 0, 0}, {2, 2, 1, 0}}},
        {"a rectangle past the destination's edge is cut there", 2, 3, 5, 5, 0, 0, {{2, 3, 0, 0}, {3, 3, 1, 0}}},
        {"a rectangle past the source's edge draws nothing for the missing part", 0, 0, 5, 5, 2, 2,
         {{0, 0, 2, 2}, {1, 0, 3, 2}, {0, 1, 2, 3}, {1, 1, 3, 3}}},
        {"a rectangle wholly outside the destination draws nothing", 4, 0, 2, 2, 0, 0, {}},
        {"a rectangle wholly outside the source draws nothing", 0, 0, 2, 2, -2, 0, {}},
        {"an empty rectangle draws nothing", 0, 0, 0, 3, 0, 0, {}},
    };
    const Surface src = Numbered();
    for (const Case& c : cases) {
        for (Rop op : {Rop::Copy, Rop::Or, Rop::Xor}) {
            Surface dst(4, 4, 0);
            BitBlt(dst, c.dx, c.dy, c.w, c.h, src, c.sx, c.sy, op);
            int changed = 0;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x) changed += dst.At(x, y) != 0;
            EXPECT_EQ(changed, static_cast<int>(c.copied.size())) << c.rule << " (rop " << static_cast<int>(op) << ")";
            for (const Pixel& p : c.copied)
                EXPECT_EQ(dst.At(p.x, p.y), src.At(p.srcX, p.srcY))
                    << c.rule << ": destination (" << p.x << ", " << p.y << ") comes from source (" << p.srcX
                    << ", " << p.srcY << ")";
        }
    }
}

TEST(RenderRasterOps, ASpriteInOnePassMatchesTheMaskThenThePicture) {
    // A sheet 10 wide: a 4-wide picture at 0..3, its mask at 4..7, and two
    // columns past them, so a mask can run off the sheet's edge.
    Surface sheet(10, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) sheet.At(x, y) = Rgb(static_cast<uint8_t>(30 * x), static_cast<uint8_t>(50 * y), 0x5A) | (x >= 4 && x < 8 && (x + y) % 3 == 0 ? kWhite : 0);
    struct Case { const char* rule; int dx, dy, w, h, maskX, picX, sy; } cases[] = {
        {"inside both surfaces", 2, 2, 4, 4, 4, 0, 0},
        {"past the destination's left and top edges", -2, -1, 4, 4, 4, 0, 1},
        {"past the destination's right and bottom edges", 6, 5, 4, 4, 4, 0, 0},
        {"a mask that runs off the sheet while its picture does not", 1, 1, 5, 3, 6, 1, 0},
        {"a negative source row", 3, 3, 4, 4, 4, 0, -2},
        {"wholly outside the destination", 20, 0, 4, 4, 4, 0, 0},
    };
    for (const Case& c : cases) {
        Surface once(8, 7), twice(8, 7);
        for (Surface* d : {&once, &twice})
            for (int y = 0; y < 7; ++y)
                for (int x = 0; x < 8; ++x) d->At(x, y) = Rgb(static_cast<uint8_t>(11 * x), 0x33, static_cast<uint8_t>(17 * y));
        MaskBlt(once, c.dx, c.dy, c.w, c.h, sheet, c.maskX, c.picX, c.sy);
        BitBlt(twice, c.dx, c.dy, c.w, c.h, sheet, c.maskX, c.sy, Rop::Or);
        BitBlt(twice, c.dx, c.dy, c.w, c.h, sheet, c.picX, c.sy, Rop::And);
        EXPECT_EQ(test::FirstDifference(once, twice), "") << "a sprite drawn in one pass is the mask ORed, then the picture ANDed: " << c.rule;
    }
}

TEST(RenderPictures, AWholeWindowScreenshotLoadsBackPixelForPixel) {
    Surface pic(kWindowWidth, kWindowHeight);
    uint32_t v = 12345;
    for (uint32_t& p : pic.Pixels()) {
        v = v * 1103515245u + 12345u;
        p = (v >> 8) & 0xFFFFFFu;
    }
    pic.Fill(100, 100, 300, 200, Rgb(1, 2, 3));  // flat parts as well as noise
    const std::string path = ::testing::TempDir() + "/molfo_render_window.png";
    ASSERT_TRUE(SavePng(pic, path)) << "a screenshot of the whole window is written";
    Surface back;
    ASSERT_TRUE(LoadPicture(back, path)) << "the screenshot loads as a picture";
    EXPECT_EQ(test::FirstDifference(back, pic), "") << "a screenshot keeps every pixel exactly";
    std::remove(path.c_str());
}

TEST(RenderPictures, AHeaderTellsThePictureSizeOrThatTheDecoderCannotReadIt) {
    auto le = [](std::string& b, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    auto bmp = [&](int dib, int32_t w, int32_t h, uint32_t compression) {
        std::string b = "BM";
        le(b, 0, 4), le(b, 0, 4), le(b, 54, 4), le(b, static_cast<uint32_t>(dib), 4);
        if (dib == 12) {
            le(b, static_cast<uint32_t>(w), 2), le(b, static_cast<uint32_t>(h), 2), le(b, 1, 2), le(b, 24, 2);
        } else {
            le(b, static_cast<uint32_t>(w), 4), le(b, static_cast<uint32_t>(h), 4), le(b, 1, 2), le(b, 24, 2);
            le(b, compression, 4);
        }
        return b + std::string(40, '\0');
    };
    auto seg = [](unsigned char marker, const std::string& body) {
        const size_t n = body.size() + 2;
        return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(n >> 8), static_cast<char>(n & 0xFF)} + body;
    };
    auto frame = [&](unsigned char marker, int precision, int w, int h) {
        return seg(marker, std::string{static_cast<char>(precision), static_cast<char>(h >> 8), static_cast<char>(h & 0xFF),
                                       static_cast<char>(w >> 8), static_cast<char>(w & 0xFF), 1, 1, 0x11, 0});
    };
    const std::string soi = "\xFF\xD8", app0 = seg(0xE0, std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14));
    const std::string exif = seg(0xE1, std::string(3000, 'x'));
    struct Case { const char* rule; std::string bytes; bool ok; int w, h; } cases[] = {
        {"a BMP's size", bmp(40, 9, 4, 0), true, 9, 4},
        {"a BMP stored top row first", bmp(40, 9, -4, 0), true, 9, 4},
        {"a BMP with the old short header", bmp(12, 3, 2, 0), true, 3, 2},
        {"a BMP in bit fields", bmp(40, 5, 6, 3), true, 5, 6},
        {"a run-length BMP, which the decoder cannot read", bmp(40, 9, 4, 1), false, 0, 0},
        {"a baseline JPEG's size, past a long segment", soi + app0 + exif + frame(0xC0, 8, 800, 500), true, 800, 500},
        {"a progressive JPEG", soi + app0 + frame(0xC2, 8, 64, 48), true, 64, 48},
        {"an arithmetic-coded JPEG, which the decoder cannot read", soi + app0 + frame(0xC9, 8, 64, 48), false, 0, 0},
        {"a 12-bit JPEG, which the decoder cannot read", soi + frame(0xC1, 12, 64, 48), false, 0, 0},
        {"a JPEG whose data comes before any frame header", soi + app0 + seg(0xDA, "\1\1\0\0\x3F\0"), false, 0, 0},
        {"a JPEG cut inside a segment", soi + app0 + exif.substr(0, 100), false, 0, 0},
        {"text", "not a picture at all", false, 0, 0},
    };
    const std::string path = ::testing::TempDir() + "/molfo_render_header";
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        int w = -1, h = -1;
        EXPECT_EQ(ReadPictureSize(path, w, h), c.ok) << c.rule;
        if (c.ok) {
            EXPECT_EQ(std::make_pair(w, h), std::make_pair(c.w, c.h)) << c.rule;
        }
    }
    Surface png(7, 5);
    ASSERT_TRUE(SavePng(png, path)) << "a PNG to read";
    int w = 0, h = 0;
    EXPECT_TRUE(ReadPictureSize(path, w, h) && w == 7 && h == 5) << "a PNG's size comes from its header chunk";
    std::remove(path.c_str());
    EXPECT_FALSE(ReadPictureSize(path, w, h)) << "a missing file has no size";

    // Every picture the game ships: the header says what the decoder gives.
    int pictures = 0;
    for (const auto& e : std::filesystem::recursive_directory_iterator(std::string(test::DataDir()) + "/sys")) {
        const std::string ext = e.path().extension().string();
        if (ext != ".bmp" && ext != ".jpg" && ext != ".JPG") continue;
        Surface pic;
        ASSERT_TRUE(LoadPicture(pic, e.path().string())) << e.path();
        ASSERT_TRUE(ReadPictureSize(e.path().string(), w, h)) << "the header of " << e.path() << " is read";
        EXPECT_EQ(std::make_pair(w, h), std::make_pair(pic.Width(), pic.Height()))
            << "the header of " << e.path() << " gives the decoded picture's size";
        ++pictures;
    }
    EXPECT_GT(pictures, 40) << "the game's pictures were all looked at";
}

TEST(RenderPictures, SavedPngLoadsBackAndMissingFileLeavesSurface) {
    const std::string dir = ::testing::TempDir();
    Surface pic(3, 2);
    const uint32_t px[] = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, kWhite, kBlack};
    for (int i = 0; i < 6; ++i) pic.At(i % 3, i / 3) = px[i];
    const std::string path = dir + "/molfo_render_roundtrip.png";
    ASSERT_TRUE(SavePng(pic, path)) << "a screenshot is written as PNG";
    Surface back(1, 1, 0x777777);
    ASSERT_TRUE(LoadPicture(back, path)) << "a PNG loads";
    ASSERT_EQ(back.Width(), 3) << "a loaded picture takes the file's size";
    ASSERT_EQ(back.Height(), 2) << "a loaded picture takes the file's size";
    for (int i = 0; i < 6; ++i) EXPECT_EQ(back.At(i % 3, i / 3), px[i]) << "pixels are 0x00RRGGBB after a round trip";
    std::remove(path.c_str());

    // A window-sized picture of noise and flat runs: many deflate blocks.
    Surface big(645, 573);
    uint32_t seed = 12345;
    for (int y = 0; y < big.Height(); ++y)
        for (int x = 0; x < big.Width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            big.At(x, y) = y < 300 ? (seed >> 8) & 0xFFFFFF : static_cast<uint32_t>(x / 40 % 16) * 0x101010u;
        }
    ASSERT_TRUE(SavePng(big, path)) << "a window-sized screenshot is written";
    Surface bigBack;
    ASSERT_TRUE(LoadPicture(bigBack, path)) << "a window-sized screenshot loads";
    ASSERT_EQ(bigBack.Width(), 645);
    ASSERT_EQ(bigBack.Height(), 573);
    int wrong = 0;
    for (int y = 0; y < big.Height(); ++y)
        for (int x = 0; x < big.Width(); ++x)
            if (bigBack.At(x, y) != big.At(x, y) && wrong++ == 0)
                ADD_FAILURE() << "first wrong pixel at " << x << "," << y << ": " << std::hex << bigBack.At(x, y)
                              << " for " << big.At(x, y);
    EXPECT_EQ(wrong, 0) << "every pixel of a window-sized screenshot survives the round trip";
    std::remove(path.c_str());

    Surface kept(2, 2, 0x777777);
    EXPECT_FALSE(LoadPicture(kept, dir + "/molfo_no_such_picture.bmp")) << "a missing picture reports failure";
    EXPECT_EQ(kept.Width(), 2) << "a failed load leaves the surface as it was";
    EXPECT_EQ(kept.At(1, 1), 0x777777u) << "a failed load leaves the surface as it was";
}

TEST(RenderPictures, EightBitBitmapBecomesRgb) {
    // A 2 x 1 bitmap, 8 bits per pixel, with a two-entry palette.
    const unsigned char bmp[] = {
        'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 62, 0, 0, 0,                   // file header, pixels at 62
        40, 0, 0, 0, 2, 0, 0, 0, 1, 0, 0, 0, 1, 0, 8, 0, 0, 0, 0, 0,      // 2 x 1, 8 bpp, no compression
        4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,       // 2 palette entries
        0x30, 0x20, 0x10, 0, 0xCC, 0xBB, 0xAA, 0,                          // palette, blue green red
        1, 0, 0, 0,                                                        // pixels 1, 0 and padding
    };
    const std::string path = ::testing::TempDir() + "/molfo_render_8bit.bmp";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
    Surface s;
    ASSERT_TRUE(LoadPicture(s, path)) << "8-bit sheets load";
    ASSERT_EQ(s.Width(), 2) << "8-bit sheets keep their size";
    EXPECT_EQ(s.At(0, 0), Rgb(0xAA, 0xBB, 0xCC)) << "palette index 1 becomes its colour";
    EXPECT_EQ(s.At(1, 0), Rgb(0x10, 0x20, 0x30)) << "palette index 0 becomes its colour";
    std::remove(path.c_str());
}

TEST(RenderByouga, BackgroundScrollsHalfAPixelAndWraps) {
    test::TestGame t;
    Screen& w = t.g.scr;
    RowNumberedBackground(w);
    // The window shows the playfield's top 493 rows; the last of them, 492,
    // shows the wrap as well as row 499 would.
    const int last = kPlayfieldOuterH - 2 * kPlayfieldBorder - 1;
    struct Step { double ydBefore; int topRow; int lastRow; double ydAfter; int16_t yAfter; const char* rule; } steps[] = {
        {0.4, 0, 492, 500.0, 500, "with HaikeiYD 0.4 row 0 is at the top; the position wraps to 500"},
        {500.0, 0, 492, 499.5, 499, "at 500 the picture shows unshifted, drawn by the second copy"},
        {499.5, 499, 491, 499.0, 499, "at 499 the picture's last row is at the top"},
        {10.0, 10, 2, 9.5, 9, "row y of the picture is at the top; row 0 follows the last row"},
        {0.5, 0, 492, 0.0, 0, "the position reaches 0 and wraps only when it goes below 0"},
    };
    GameState& s = t.s;
    for (const Step& st : steps) {
        s.HaikeiYD = st.ydBefore;
        s.HaikeiY = static_cast<int16_t>(st.ydBefore);
        Byouga(t.g);
        EXPECT_EQ(RowShownAt(w, 0), st.topRow) << st.rule;
        EXPECT_EQ(RowShownAt(w, last), st.lastRow) << st.rule;
        EXPECT_DOUBLE_EQ(s.HaikeiYD, st.ydAfter) << st.rule;
        EXPECT_EQ(s.HaikeiY, st.yAfter) << st.rule;
    }
    // The same run without resetting between frames, as the game plays it.
    s.HaikeiYD = 0.4;
    s.HaikeiY = 0;
    const int tops[] = {0, 0, 499, 499, 498};
    for (int top : tops) {
        Byouga(t.g);
        EXPECT_EQ(RowShownAt(w, 0), top) << "frames from HaikeiYD 0.4 show rows 0, 0, 499, 499, 498 at the top";
    }
}

TEST(RenderByouga, InversionLastsExactlyHantenCountFrames) {
    DrawGame t;
    const uint32_t bg = Rgb(0, 0, 0x50);
    t.s.HantenCount = 5;
    for (int frame = 1; frame <= 7; ++frame) {
        t.Frame();
        const uint32_t want = frame <= 5 ? (bg ^ 0xFFFFFFu) : bg;
        EXPECT_EQ(t.g.scr.MainPic1.At(250, 250), want) << "HantenCount 5 inverts the background on frames 1..5 only (frame "
                                                       << frame << ")";
    }
    EXPECT_EQ(t.s.HantenCount, 0) << "the flash counter counts down to 0 and stays there";
}

TEST(RenderByouga, HitFlashShowsAWhiteSilhouetteForOneFrame) {
    DrawGame t;
    PlaceSprite(t.s, slot::ZakoFirst, 1, 100, 100, 1000);
    t.s.KyaraDameji[slot::ZakoFirst] = 1;
    t.Frame();
    EXPECT_EQ(t.g.scr.MainPic1.At(101, 101), kWhite) << "a hit object shows as a white silhouette";
    EXPECT_EQ(t.s.KyaraDameji[slot::ZakoFirst], 0) << "the hit flash is used up by the frame that shows it";
    t.Frame();
    EXPECT_EQ(t.g.scr.MainPic1.At(101, 101), FrameColour(0)) << "the frame after the hit flash shows the picture";
    EXPECT_EQ(t.g.scr.MainPic1.At(99, 101), Rgb(0, 0, 0x50)) << "outside the sprite the background stays";
}

TEST(RenderByouga, AnimationFramesBySlotRange) {
    struct Case { const char* rule; int slot; int16_t picNo, kankaku; std::vector<int> shown; } cases[] = {
        {"an enemy with interval 8 shows each of its four frames for 8 frames", slot::ZakoFirst, 1, 8,
         {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2,
          3, 3, 3, 3, 3, 3, 3, 3, 0, 0}},
        {"the player cycles four frames", slot::Molfo, 0, 1, {0, 1, 2, 3, 0, 1}},
        {"a boss cycles three frames", slot::BossFirst, 2, 1, {0, 1, 2, 0, 1, 2, 0}},
        {"an item always shows frame 0", slot::ItemLast, 4, 1, {0, 0, 0, 0, 0}},
        {"enemy bullets cycle four frames", slot::TekidanLast, 3, 2, {0, 0, 1, 1, 2, 2, 3, 3, 0}},
    };
    for (const Case& c : cases) {
        DrawGame t;
        PlaceSprite(t.s, c.slot, c.picNo, 40, 40, c.kankaku);
        for (size_t f = 0; f < c.shown.size(); ++f) {
            t.Frame();
            EXPECT_EQ(t.g.scr.MainPic1.At(41, 41), FrameColour(c.shown[f])) << c.rule << " (frame " << f + 1 << ")";
        }
    }
}

TEST(RenderByouga, HigherSlotsCoverLowerAndOnlyDrawnSlotsShow) {
    DrawGame t;
    // Each sheet a different colour, to tell the slots apart.
    const uint32_t colours[] = {Rgb(1, 0, 0), Rgb(2, 0, 0), Rgb(3, 0, 0), Rgb(4, 0, 0), Rgb(5, 0, 0)};
    for (int i = 0; i < 5; ++i) t.g.scr.KyaraPic[i].Fill(0, 0, kCell, kCell, colours[i]);
    struct Layer { int slot; int16_t sheet; } layers[] = {
        {slot::Molfo, 0}, {slot::ZakoFirst, 1}, {slot::TekidanFirst, 3},
        {slot::BossFirst, 2}, {slot::ItemFirst, 4},
    };
    for (const Layer& l : layers) PlaceSprite(t.s, l.slot, l.sheet, 200, 200, 1000);
    PlaceSprite(t.s, slot::ItemLast + 1, 0, 300, 300, 1000);
    PlaceSprite(t.s, 2, 0, 320, 320, 1000);
    // Remove the top layer each frame: the next lower one must show.
    for (int i = 4; i >= 0; --i) {
        t.Frame();
        EXPECT_EQ(t.g.scr.MainPic1.At(201, 201), colours[layers[i].sheet])
            << "slot " << layers[i].slot << " covers every lower slot";
        t.s.KyaraSonzai[layers[i].slot] = 0;
    }
    EXPECT_EQ(t.g.scr.MainPic1.At(301, 301), Rgb(0, 0, 0x50)) << "slots above the item range are never drawn";
    EXPECT_EQ(t.g.scr.MainPic1.At(321, 321), Rgb(0, 0, 0x50)) << "slots below the player are never drawn";
}

TEST(RenderByouga, AFrameRedrawnOnlyWhereObjectsWereLeavesThePixelsOfOneDrawnWhole) {
    // Two games given the same frames; the second forgets every time what
    // its last frame drew, so it always draws the whole playfield.
    DrawGame t, whole;
    for (DrawGame* d : {&t, &whole}) {
        RowNumberedBackground(d->g.scr);
        d->s.HaikeiYD = 0.4;
        PlaceSprite(d->s, slot::Molfo, 0, 240, 450, 1);
        PlaceSprite(d->s, slot::ZakoFirst, 1, 100, 100, 2);
        PlaceSprite(d->s, slot::ZakoFirst + 1, 1, -2, 497, 1);
        PlaceSprite(d->s, slot::TekidanFirst, 3, 300, 30, 1);
    }
    struct Step { const char* change; void (*apply)(DrawGame&); } steps[] = {
        {"nothing", [](DrawGame&) {}},
        {"the player moves", [](DrawGame& d) { d.s.KyaraX[slot::Molfo] += 3; }},
        {"a bullet moves down", [](DrawGame& d) { d.s.KyaraY[slot::TekidanFirst] += 7; }},
        {"an enemy is hit", [](DrawGame& d) { d.s.KyaraDameji[slot::ZakoFirst] = 1; }},
        {"an enemy goes", [](DrawGame& d) { d.s.KyaraSonzai[slot::ZakoFirst] = 0; }},
        {"an item comes", [](DrawGame& d) { PlaceSprite(d.s, slot::ItemFirst, 4, 60, 60, 1); }},
        {"the background flashes", [](DrawGame& d) { d.s.HantenCount = 1; }},
        {"the item moves over the player", [](DrawGame& d) { d.s.KyaraY[slot::ItemFirst] = 451; d.s.KyaraX[slot::ItemFirst] = 241; }},
        {"a line is printed on the playfield", [](DrawGame& d) { d.g.scr.PrintLine("1. ABC  1230"); }},
        {"the background changes", [](DrawGame& d) { d.g.scr.HaikeiPic.Fill(0, 0, 500, 250, Rgb(9, 9, 9)); }},
        {"the bullet leaves past the edge", [](DrawGame& d) { d.s.KyaraY[slot::TekidanFirst] = 498; }},
        {"the player moves again", [](DrawGame& d) { d.s.KyaraX[slot::Molfo] -= 5; }},
        // An odd number of steps: the second round meets each step with the
        // background on the other side of its every-other-frame move.
        {"nothing again", [](DrawGame&) {}},
    };
    int redrawnInPlace = 0;
    for (int round = 0; round < 2; ++round) {
        for (const Step& step : steps) {
            step.apply(t);
            step.apply(whole);
            whole.g.scr.drawnPlayfield.valid = false;
            t.Frame();
            whole.Frame();
            // In place, only the objects' rectangles go to the screen.
            int area = 0;
            for (const Rect& r : t.g.scr.Changed()) area += r.w * r.h;
            redrawnInPlace += area < kPlayfield * kPlayfield / 4;
            EXPECT_EQ(test::FirstDifference(t.g.scr.MainPic1, whole.g.scr.MainPic1), "")
                << "the playfield drawn only where objects were and are is the playfield drawn whole, after: "
                << step.change;
            EXPECT_EQ(test::FirstDifference(t.g.scr.window, whole.g.scr.window), "")
                << "the window shows the same playfield, after: " << step.change;
        }
    }
    EXPECT_GE(redrawnInPlace, 5) << "frames whose background stayed put are redrawn in place";
}

TEST(RenderByouga, SpritesPastTheEdgeAreClippedAndTheFrameIsShown) {
    // A sprite past the left edge and past the last row the window shows.
    DrawGame t, empty;
    const int shown = kPlayfieldOuterH - 2 * kPlayfieldBorder;
    PlaceSprite(t.s, slot::ZakoFirst, 1, -2, static_cast<int16_t>(shown - 2), 1000);
    const uint64_t presents = t.hp.display.presents;
    t.Frame();
    empty.Frame();
    EXPECT_EQ(t.g.scr.MainPic1.At(0, shown - 1), FrameColour(0)) << "the visible part of a sprite past the edge is drawn";
    EXPECT_EQ(t.g.scr.MainPic1.At(2, shown - 1), Rgb(0, 0, 0x50)) << "a sprite past the edge is cut, not moved";
    EXPECT_EQ(t.hp.display.presents, presents + 1) << "every frame is shown once";
    const int b = kPlayfieldBorder;
    for (int dy : {0, 1, 2, 5}) {
        const int x = kPlayfieldX + b, y = kPlayfieldY + b + shown + dy;
        EXPECT_EQ(t.g.scr.window.At(x, y), empty.g.scr.window.At(x, y))
            << "a sprite past the playfield's last row leaves the edge and the form below it alone (row " << dy << ")";
    }
    EXPECT_EQ(t.g.scr.window.At(kPlayfieldX + b, kPlayfieldY + b + 100), t.g.scr.MainPic1.At(0, 100))
        << "the shown window holds the finished frame inside the playfield's edge";
}

TEST(RenderHud, StaminaBars) {
    struct Case { const char* rule; int16_t arrivalHp, hp; int width; } bossCases[] = {
        {"a full-strength boss fills 400 pixels", 400, 400, 400},
        {"a boss at 1 hit point of 400 shows 1 pixel", 400, 1, 1},
        {"a boss at 0 shows an empty bar", 400, 0, 0},
        {"a boss below 0 shows an empty bar, never a negative one", 400, -7, 0},
        {"halves round to the even pixel (1.5 -> 2)", 800, 3, 2},
        {"halves round to the even pixel (2.5 -> 2)", 800, 5, 2},
        {"halves round to the even pixel (0.5 -> 0)", 800, 1, 0},
        {"other fractions round to the nearest pixel (1.6 -> 2)", 1000, 4, 2},
    };
    for (const Case& c : bossCases) {
        test::TestGame t;
        t.s.BossToujou = 1;
        t.s.BossHpRitu = static_cast<float>(c.arrivalHp) / 400.0f;
        t.s.ShownBossHp = 12345;
        t.s.KyaraHp[slot::BossFirst] = c.hp;
        BossHpHyouji(t.g);
        EXPECT_EQ(t.g.scr.BossHpL.w, c.width) << c.rule;
        EXPECT_EQ(t.s.ShownBossHp, c.hp) << "the shown boss hit points follow the boss";
    }
    {
        test::TestGame t;
        t.s.BossToujou = 0;
        t.s.KyaraHp[slot::BossFirst] = 3;
        t.g.scr.BossHpL.w = 400;
        BossHpHyouji(t.g);
        EXPECT_EQ(t.g.scr.BossHpL.w, 400) << "before any boss has arrived the boss bar is never updated";
        EXPECT_EQ(t.s.ShownBossHp, 0) << "before any boss has arrived the boss bar is never updated";
    }

    struct HpCase { int16_t hp; int width; const char* rule; } hpCases[] = {
        {50, 50, "one pixel per hit point"}, {200, 200, "200 hit points fill the track"},
        {0, 0, "no hit points: an empty bar"}, {-12, 0, "the stamina bar is never negative"},
    };
    for (const HpCase& c : hpCases) {
        test::TestGame t;
        t.s.KyaraHp[slot::Molfo] = c.hp;
        t.s.ShownHp = 99;
        HpHyouji(t.g);
        EXPECT_EQ(t.g.scr.HPL.w, c.width) << c.rule;
    }
    test::TestGame t;
    t.s.KyaraHp[slot::Molfo] = 30;
    t.s.ShownHp = 30;
    t.g.scr.HPL.w = 77;
    HpHyouji(t.g);
    EXPECT_EQ(t.g.scr.HPL.w, 77) << "an unchanged value does not touch the control";
}

TEST(RenderHud, ScoreAndDistanceTexts) {
    test::TestGame t;
    t.NewGame();
    TenHyouji(t.g);
    EXPECT_EQ(t.g.scr.GoukeiTenL.caption, "0") << "before the first points the score reads 0 without the unit";
    t.s.GoukeiTen = 1230;
    TenHyouji(t.g);
    EXPECT_EQ(t.g.scr.GoukeiTenL.caption, "1230てん") << "the score is the number followed by てん";
    t.s.GoukeiTen = -5;
    TenHyouji(t.g);
    EXPECT_EQ(t.g.scr.GoukeiTenL.caption, "-5てん") << "a negative score has a minus sign";

    struct Case { const char* rule; int16_t toujou; int32_t frame; const char* want; } cases[] = {
        {"frame 1 of a 7000-frame stage reads 13m", 0, 1, "13m"},
        {"between multiples of 500 the label is left alone", 0, 2, "unchanged"},
        {"between multiples of 500 the label is left alone", 0, 499, "unchanged"},
        {"every 500 frames the distance is written", 0, 500, "13m"},
        {"frame 6500 reads 1m", 0, 6500, "1m"},
        {"frame 7000 reads 0m", 0, 7000, "0m"},
        {"frame 0 counts as the start", 0, 0, "14m"},
        {"on the boss's first frame the distance reads 0m", 1, 1, "0m"},
        {"during the fight the rule keeps writing", 1, 1000, "12m"},
        {"a fight past the stage length writes the truncated quotient", 1, 7500, "-1m"},
    };
    for (const Case& c : cases) {
        t.s.SutejiNagasa = 7000;
        t.s.BossToujou = c.toujou;
        t.s.FrameCount = c.frame;
        t.g.scr.BossKyoriL.caption = "unchanged";
        KyoriHyouji(t.g);
        EXPECT_EQ(t.g.scr.BossKyoriL.caption, c.want) << c.rule;
    }
}

TEST(RenderHud, ItemSelectionKeysAndGuard) {
    test::TestGame t;
    t.NewGame();
    t.s.ItemKosu = {0, 4, 7, 0, 0, 0, 9};
    struct Press { int32_t frame; int key; int16_t want; const char* rule; } presses[] = {
        {10, vk::C, 2, "C changes the selection when 9 frames have passed"},
        {15, vk::C, 2, "C is ignored within 9 frames of the last change"},
        {18, vk::C, 2, "C is ignored on the 8th frame after the change"},
        {19, vk::C, 3, "C acts again on the 9th frame after the change"},
        {20, vk::Shift, 4, "Shift changes the selection without the guard"},
        {21, vk::Shift, 5, "Shift changes the selection on every frame"},
        {22, vk::Shift, 6, "Shift changes the selection on every frame"},
        {23, vk::Shift, 1, "selecting past item 6 wraps to item 1"},
        {24, 0, 1, "no key, no change"},
        {31, vk::C, 1, "Shift also starts the C guard"},
        {33, vk::C, 2, "C after 9 frames of a Shift change acts"},
    };
    for (const Press& p : presses) {
        t.s.FrameCount = p.frame;
        if (p.key) t.hp.keys.Press(p.key);
        ItemHyouji(t.g);
        EXPECT_EQ(t.s.TukauItemNo, p.want) << p.rule << " (frame " << p.frame << ")";
        EXPECT_EQ(t.g.scr.MainItemPic.icon, p.want) << "the selected item's icon is shown: " << p.rule;
        EXPECT_EQ(t.g.scr.MainSPL.caption, std::to_string(t.s.ItemKosu[p.want]))
            << "the selected item's count is shown: " << p.rule;
    }
    t.s.ItemKosu[2] = 8;
    ItemHyouji(t.g);
    EXPECT_EQ(t.g.scr.MainSPL.caption, "8") << "a new count of the selected item is shown without a key";
}

TEST(RenderScreen, ComposeDrawsBarsIconsAndPlayfield) {
    test::TestGame t;
    Screen& w = t.g.scr;
    const uint32_t red = Rgb(255, 0, 0), yellow = Rgb(255, 255, 0), green = Rgb(0, 255, 0);
    w.ItemIcon[2].Resize(30, 30, Rgb(9, 8, 7));
    w.MainItemPic.icon = 2;
    w.MainPic1.Fill(0, 0, kPlayfield, kPlayfield, Rgb(1, 2, 3));
    struct Case { const char* rule; int hpl; bool bossShown; int bossW; int x, y; uint32_t want; } cases[] = {
        {"the stamina bar is yellow over the red track", 50, false, 0, 80 + 49, 10, yellow},
        {"the track shows red past the bar", 50, false, 0, 80 + 50, 10, red},
        {"an empty stamina bar shows only the track", 0, false, 0, 80, 10, red},
        {"a hidden boss bar shows the form", 50, false, 400, 300, 45, kFormGrey},
        {"a 1-pixel boss bar is green for one pixel", 50, true, 1, 144, 45, green},
        {"the boss track is navy past its bar", 50, true, 1, 145, 45, kNavy},
        {"the selected item's icon is drawn", 50, false, 0, 336 + 15, 15, Rgb(9, 8, 7)},
        {"the playfield's picture is inside its edge", 50, false, 0, kPlayfieldX + kPlayfieldBorder,
         kPlayfieldY + kPlayfieldBorder, Rgb(1, 2, 3)},
        {"the playfield is clipped to its outer size", 50, false, 0, 300, kPlayfieldY + kPlayfieldOuterH, kFormGrey},
    };
    for (const Case& c : cases) {
        w.HPL.w = c.hpl;
        w.BossHpL.visible = w.BossHpL2.visible = c.bossShown;
        w.BossHpL.w = c.bossW;
        w.Compose();
        EXPECT_EQ(w.window.At(c.x, c.y), c.want) << c.rule;
    }
}

// Counts pixels of a window rectangle that differ from the form's colour.
int Inked(const Surface& s, int x, int y, int w, int h, uint32_t ground = kFormGrey) {
    int n = 0;
    for (int yy = y; yy < y + h; ++yy)
        for (int xx = x; xx < x + w; ++xx) n += s.At(xx, yy) != ground;
    return n;
}

TEST(RenderScreen, CaptionsAreDrawnWrappedAndRenderedOnlyWhenChanged) {
    test::TestGame t;
    Screen& w = t.g.scr;
    if (!w.Text().Ok()) GTEST_SKIP() << "no Japanese font installed";
    w.Compose();
    EXPECT_GT(Inked(w.window, 8, 8, 73, 17), 20) << "the stamina caption is drawn in its label";
    const uint64_t renders = w.CaptionRenders();
    w.Compose();
    EXPECT_EQ(w.CaptionRenders(), renders) << "an unchanged caption is not rendered again";
    w.GoukeiTenL.caption = "120てん";
    w.Compose();
    EXPECT_EQ(w.CaptionRenders(), renders + 1) << "a changed caption is rendered once";

    w.MS.caption = "Escキーで終了\r\nZキーでハルモス光線\r\nXでアイテムをつかう。\r\nCキーで使うアイテムをチェンジ";
    w.Compose();
    const int lh = w.Text().LineHeight(12);
    EXPECT_GT(Inked(w.window, 520, 400 + 3 * lh, 129, lh), 20) << "each line of the help text is on its own line";
    EXPECT_GT(Inked(w.window, 520, 400 + 4 * lh, 129, lh), 10) << "the long last line wraps inside the label's width";
    EXPECT_EQ(Inked(w.window, kWindowWidth - 4, 400, 4, 145), 0)
        << "the help label reaches past the window's edge; its text wraps where the window ends, so no glyph is cut";

    w.MS.caption.clear();
    for (int i = 0; i < 20; ++i) w.MS.caption += "ながい\r\n";
    w.Compose();
    EXPECT_GT(Inked(w.window, 520, 400 + 145 - lh, 125, lh), 10) << "a long caption fills its label";
    EXPECT_EQ(Inked(w.window, 520, 400 + 145, 125, kWindowHeight - 545), 0) << "a caption stays inside its label";

    w.MS.visible = false;
    w.Compose();
    EXPECT_EQ(Inked(w.window, 520, 400, 125, 145), 0) << "a hidden label is not drawn";
}

TEST(RenderText, WrapAndMissingFont) {
    TextRenderer missing("/nonexistent/font.ttf");
    EXPECT_FALSE(missing.Ok()) << "a font that cannot be opened is reported";
    Surface s(50, 20, kWhite);
    EXPECT_EQ(missing.Draw(s, 0, 0, "abc", kBlack, 12), 0) << "without a font nothing is drawn";
    EXPECT_EQ(Inked(s, 0, 0, 50, 20, kWhite), 0) << "without a font nothing is drawn";
    EXPECT_GT(missing.LineHeight(12), 0) << "printed lines still advance without a font";
    EXPECT_EQ(missing.Wrap("a\r\nb\nc", 12, 0), (std::vector<std::string>{"a", "b", "c"}))
        << "captions split at their line breaks";

    TextRenderer text;
    if (!text.Ok()) GTEST_SKIP() << "no Japanese font installed";
    const std::string line = "Cキーで使うアイテムをチェンジ";
    const int width = text.Measure(line, 12) / 2 + 4;
    const std::vector<std::string> parts = text.Wrap(line, 12, width);
    ASSERT_GE(parts.size(), 2u) << "a line wider than its label wraps";
    std::string joined;
    for (const std::string& p : parts) {
        EXPECT_LE(text.Measure(p, 12), width) << "no wrapped line is wider than the label";
        joined += p;
    }
    EXPECT_EQ(joined, line) << "wrapping between Japanese characters loses nothing";
    EXPECT_EQ(text.Wrap("aaa bbb", 12, text.Measure("aaa bb", 12)), (std::vector<std::string>{"aaa", "bbb"}))
        << "Latin text wraps at a space";
}

TEST(RenderText, WrapFollowsJapaneseLineBreaking) {
    TextRenderer text;
    if (!text.Ok()) GTEST_SKIP() << "no Japanese font installed";
    const std::vector<std::string> noStart = {"ェ", "ッ", "ゃ", "ー", "、", "。", "」", "）", "！"};
    const std::vector<std::string> noEnd = {"「", "（"};
    auto startsWithAny = [](const std::string& line, const std::vector<std::string>& set) {
        for (const std::string& c : set)
            if (line.compare(0, c.size(), c) == 0) return true;
        return false;
    };
    auto endsWithAny = [](const std::string& line, const std::vector<std::string>& set) {
        for (const std::string& c : set)
            if (line.size() >= c.size() && line.compare(line.size() - c.size(), c.size(), c) == 0) return true;
        return false;
    };
    const std::vector<std::string> lines = {"Cキーで使うアイテムをチェンジ", "ちょっと まって、きいて。「はい」",
                                            "バッタは とびはねる！（ほんとう）", "ぎゅっと ぎゅっと ぎゅっと"};
    for (const std::string& line : lines) {
        for (int width = text.Measure("あああ", 12); width <= text.Measure(line, 12); width += 3) {
            SCOPED_TRACE(line + " at " + std::to_string(width) + " px");
            const std::vector<std::string> parts = text.Wrap(line, 12, width);
            std::string joined;
            for (size_t i = 0; i < parts.size(); ++i) {
                EXPECT_LE(text.Measure(parts[i], 12), width) << "no wrapped line is wider than the label";
                if (i > 0) {
                    EXPECT_FALSE(startsWithAny(parts[i], noStart))
                        << "no line begins with a small kana, a long-vowel mark or closing punctuation: " << parts[i];
                    EXPECT_FALSE(endsWithAny(parts[i - 1], noEnd)) << "no line ends on an opening bracket: " << parts[i - 1];
                }
                joined += parts[i];
            }
            std::string spaceless = line;
            spaceless.erase(std::remove(spaceless.begin(), spaceless.end(), ' '), spaceless.end());
            joined.erase(std::remove(joined.begin(), joined.end(), ' '), joined.end());
            EXPECT_EQ(joined, spaceless) << "wrapping loses no character";
        }
    }
}

// The captions the window's controls hold before the game first sets them
// are never shown: a title reads no "999" and no "Label3".
TEST(RenderScreen, StandInCaptionsAreDrawnEmptyAndTheHelpBoxShowsTheHelp) {
    test::TestGame t;
    if (!t.g.scr.Text().Ok()) GTEST_SKIP() << "no Japanese font installed";
    struct Case {
        const char* rule;
        void (*set)(Screen&);
        Rect area;
        bool inked;
    } cases[] = {
        {"the selected item's count before any game", [](Screen&) {}, {368, 0, 57, 25}, false},
        {"an item's count before any game", [](Screen&) {}, {552, 200, 41, 25}, false},
        {"a count the game has set", [](Screen& s) { s.SPL[3].caption = "0"; }, {552, 200, 41, 25}, true},
        // The boss's caption hidden (it reaches under the distance), and the
        // boss bar (opaque, from x 144) left out.
        {"the distance's stand-in", [](Screen& s) { s.BossL.visible = false; }, {112, 40, 32, 17}, false},
        {"the distance as a new game resets it",
         [](Screen& s) {
             s.BossL.visible = false;
             s.BossKyoriL.caption = "0";
         },
         {112, 40, 32, 17}, false},
        {"the lead-in beside the reset distance",
         [](Screen& s) {
             s.BossL.caption = "ボスまであと";
             s.BossKyoriL.caption = "0";
         },
         {16, 40, 96, 17}, false},
        {"the lead-in beside a distance",
         [](Screen& s) {
             s.BossL.caption = "ボスまであと";
             s.BossKyoriL.caption = "0m";
         },
         {16, 40, 96, 17}, true},
        {"a distance",
         [](Screen& s) {
             s.BossL.visible = false;
             s.BossKyoriL.caption = "0m";
         },
         {112, 40, 32, 17}, true},
        {"the boss's stamina caption", [](Screen&) {}, {16, 40, 96, 17}, true},
    };
    for (const Case& c : cases) {
        Screen w;
        c.set(w);
        w.Compose();
        EXPECT_EQ(Inked(w.window, c.area.x, c.area.y, c.area.w, c.area.h) > 0, c.inked) << c.rule;
    }
    Screen standIn, help;
    help.MS.caption = PlayHelp();
    standIn.Compose();
    help.Compose();
    EXPECT_EQ(test::FirstDifference(standIn.window, help.window), "")
        << "the help box shows the help during play from the first frame";
    EXPECT_EQ(standIn.MS.caption, "Label3") << "the window's state keeps its caption; only its drawing differs";
}

TEST(RenderScreen, ChangedControlsLeaveTheSamePixelsAsAWindowDrawnWhole) {
    test::TestGame t;
    Screen& w = t.g.scr;
    for (int k = 1; k <= 6; ++k) w.ItemIcon[k].Resize(30, 30, Rgb(static_cast<uint8_t>(40 * k), 7, 9));
    w.MainPic1.Fill(0, 0, kPlayfield, kPlayfield, Rgb(1, 2, 3));
    w.Invalidate();
    w.Compose();
    Screen fresh;
    struct Step { const char* change; void (*apply)(Screen&); } steps[] = {
        {"nothing changes", [](Screen&) {}},
        {"the score's caption changes", [](Screen& s) { s.GoukeiTenL.caption = "12345てん"; }},
        {"the stamina bar shrinks", [](Screen& s) { s.HPL.w = 20; }},
        {"the boss bars show", [](Screen& s) { s.BossHpL.visible = s.BossHpL2.visible = true; s.BossHpL.w = 150; }},
        {"the boss bar shrinks under the distance's caption", [](Screen& s) { s.BossHpL.w = 3; }},
        {"a caption grows over its neighbours", [](Screen& s) { s.BossKyoriL.w = 120; s.BossKyoriL.caption = "12345m"; }},
        {"the boss bars hide", [](Screen& s) { s.BossHpL.visible = s.BossHpL2.visible = false; }},
        {"a new game resets the distance beside its lead-in",
         [](Screen& s) {
             s.BossL.caption = "ボスまであと";
             s.BossKyoriL.caption = "0";
             s.BossKyoriL.w = 49;
         }},
        {"the first distance of play brings its lead-in", [](Screen& s) { s.BossKyoriL.caption = "1234m"; }},
        {"the help text moves and changes", [](Screen& s) { s.MS.x = 500; s.MS.y = 380; s.MS.caption = "Z\r\nX\r\nC"; }},
        {"the selected item's icon changes", [](Screen& s) { s.MainItemPic.icon = 4; }},
        {"an item's icon and count hide", [](Screen& s) { s.ItemPic[2].icon = 0; s.SPL[2].visible = false; }},
        {"a bar goes negative", [](Screen& s) { s.HPL.w = -5; }},
        {"the playfield alone changes", [](Screen& s) { s.MainPic1.Fill(10, 10, 50, 50, Rgb(200, 0, 0)); }},
        {"the playfield's colour changes where its picture ends",
         [](Screen& s) { s.MainPic1.SetBackground(Rgb(0, 99, 0)); }},
    };
    for (const Step& step : steps) {
        step.apply(w);
        w.Compose();
        test::ComposeAfresh(w, fresh);
        EXPECT_EQ(test::FirstDifference(w.window, fresh.window), "")
            << "a window redrawn only where controls changed shows what one drawn whole does, after: " << step.change;
    }
}

TEST(RenderScreen, PrintedLinesGoDownThePlayfield) {
    test::TestGame t;
    Screen& w = t.g.scr;
    if (!w.Text().Ok()) GTEST_SKIP() << "no Japanese font installed";
    w.MainPic1.Clear();
    w.PrintLine("1. ABC  1230");
    const int first = w.CurrentY;
    EXPECT_GE(first, 12) << "a printed line moves the text position down a line";
    w.PrintLine("2. DEF  990");
    EXPECT_EQ(w.CurrentY, 2 * first) << "every printed line has the same height";
    EXPECT_GT(Inked(w.MainPic1, 0, 0, 200, first, kNavy), 20) << "the first line is printed at the top";
    EXPECT_GT(Inked(w.MainPic1, 0, first, 200, first, kNavy), 20) << "the second line is printed under the first";
    EXPECT_EQ(Inked(w.MainPic1, 0, 2 * first + 2, 500, 100, kNavy), 0) << "nothing is printed below the text position";
    GameReset(t.g);
    EXPECT_EQ(w.CurrentY, 0) << "clearing the playfield sends the text position to the top";
}

TEST(RenderScreen, OwnPicturesReportEveryMissingFile) {
    test::TestGame t;
    const std::string empty = ::testing::TempDir() + "/molfo_no_sys";
    std::filesystem::create_directories(empty);
    const std::string failed = t.g.scr.LoadOwnPictures(empty);
    for (const char* name : {"kyarapic0.bmp", "kyarapic1.bmp", "kyarapic3.bmp", "kyarapic4.jpg", "itempic1.bmp",
                             "itempic6.bmp"})
        EXPECT_NE(failed.find(name), std::string::npos) << "a missing window picture is named: " << name;
    EXPECT_EQ(failed.find("kyarapic2"), std::string::npos) << "the boss sheet is not one of the window's pictures";
}

TEST(RenderDialogs, BoxesAreCentredWithTextFieldAndCaret) {
    TextRenderer text;
    Surface window(kWindowWidth, kWindowHeight, Rgb(0, 0, 0x40));
    DrawMessageBox(window, text, i18n::Catalog{}, "ランキング1位です");
    EXPECT_NE(window.At(kWindowWidth / 2, kWindowHeight / 2), Rgb(0, 0, 0x40)) << "the message box is centred";
    EXPECT_EQ(window.At(5, 5), Rgb(0, 0, 0x40)) << "the message box leaves the rest of the window";

    Surface off(kWindowWidth, kWindowHeight, Rgb(0, 0, 0x40)), on(kWindowWidth, kWindowHeight, Rgb(0, 0, 0x40));
    DrawInputBox(off, text, i18n::Catalog{}, "名前を入れてください\r\n(12文字まで)", "ABC", "", false);
    DrawInputBox(on, text, i18n::Catalog{}, "名前を入れてください\r\n(12文字まで)", "ABC", "", true);
    int differ = 0;
    for (size_t i = 0; i < on.Pixels().size(); ++i) differ += on.Pixels()[i] != off.Pixels()[i];
    EXPECT_GT(differ, 5) << "the caret blinks in the text field";
    EXPECT_LT(differ, 40) << "only the caret blinks";
    EXPECT_EQ(off.At(5, 5), Rgb(0, 0, 0x40)) << "the input box leaves the rest of the window";
    if (!text.Ok()) return;
    Surface composing(kWindowWidth, kWindowHeight, Rgb(0, 0, 0x40));
    DrawInputBox(composing, text, i18n::Catalog{}, "名前", "ABC", "あ", false);
    Surface plain(kWindowWidth, kWindowHeight, Rgb(0, 0, 0x40));
    DrawInputBox(plain, text, i18n::Catalog{}, "名前", "ABC", "", false);
    differ = 0;
    for (size_t i = 0; i < plain.Pixels().size(); ++i) differ += plain.Pixels()[i] != composing.Pixels()[i];
    EXPECT_GT(differ, 10) << "the text being composed is shown after the typed text";
}

TEST(RenderSettings, ThePageIsDrawnOverTheDimmedWindowWithTheChosenRowAndTheWaitingCell) {
    TextRenderer text;
    if (!text.Ok()) GTEST_SKIP() << "no font installed";
    const uint32_t ground = Rgb(200, 100, 50);
    settings::Page page(settings::Settings::Defaults(), {"ja", "en"});
    auto draw = [&](bool caretOn) {
        Surface w(kWindowWidth, kWindowHeight, ground);
        DrawSettingsPage(w, text, i18n::Catalog{}, page, caretOn);
        return w;
    };
    const Surface first = draw(true);
    EXPECT_EQ(first.At(5, 5), Rgb(100, 50, 25)) << "the window around the page is dimmed, as under the pause note";
    EXPECT_EQ(first.At(kWindowWidth / 2, kWindowHeight / 2), Rgb(212, 208, 200)) << "the page is a grey panel";
    for (int i = 0; i < 5 + 4; ++i) page.Press(settings::Page::Nav::Down);  // the fifth action
    const Surface chosen = draw(true);
    int changedRows = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        bool changed = false;
        for (int x = 0; x < kWindowWidth && !changed; ++x) changed = chosen.At(x, y) != first.At(x, y);
        changedRows += changed;
    }
    EXPECT_GE(changedRows, 2 * 15) << "the highlight leaves the first row and lies on the chosen one";
    EXPECT_LE(changedRows, 2 * 19 + text.LineHeight(12)) << "and nothing else moves but the help line, which follows the row";
    page.Press(settings::Page::Nav::Activate);
    EXPECT_NE(draw(true).Pixels(), draw(false).Pixels()) << "the cell waiting for a key blinks";
    EXPECT_EQ(PadButtonLabel("dpleft"), "D-pad left") << "pad buttons are shown by their looks";
}

}  // namespace
}  // namespace molfo
