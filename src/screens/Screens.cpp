// The end screens: the game-over banner, the ranking with its name entry,
// and the ending's slide show. Each runs its own waiting loop inside the
// frame that called it.
#include <cstdio>
#include <string>
#include <vector>

#include "core/AssetNames.h"
#include "core/Printable.h"
#include "i18n/Catalog.h"
#include "render/KeyHelp.h"
#include "screens/RankFile.h"
#include "screens/Screens.h"
#include "world/Game.h"

namespace molfo {

namespace {

using i18n::N_;

std::string HelpCaption() { return EndHelp(); }
constexpr const char* kRankFile = "sys\\rank.hms";

constexpr int kBannerY = 200;
constexpr int kBannerHeight = 75;
constexpr int kMaskX = 500;  // the mask sits beside the picture in the same bitmap

constexpr int kPicturesAlways = 10;  // every ending shows these
constexpr int kPicturesScored = 22;  // a game with points shows the rest too
constexpr int32_t kShowMs = 5000;
constexpr int32_t kLaterExtraMs = 2000;  // the pictures after the tenth stay longer

// Asks for the name, or tells the place; returns the name typed (empty when
// there is none to ask for, or the box was cancelled).
std::string AskOrTell(Game& g, int16_t place) {
    ShowFrame(g);  // the box is drawn over the window as it stands now
    if (place >= 1 && place <= rank::kShownPlaces) {
        g.SetScene(Scene::NameEntry);
        return g.pf.dialogs.InputBox(i18n::Fill(N_("ランキング%d位です。"), place) + "\r\n" + N_("なまえを入力してください"),
                                     g.scr.Picture());
    }
    g.SetScene(Scene::Message);
    if (place == 0)
        g.pf.dialogs.MessageBox(N_("あなたは1001位以下です。"), g.scr.Picture());
    else
        g.pf.dialogs.MessageBox(i18n::Fill(N_("あなたは総合%d位です。"), place), g.scr.Picture());
    return {};
}

// The player learns in the window, where stderr is out of sight, that this
// game's score could not be placed.
void TellUnsaved(Game& g) {
    ShowFrame(g);
    g.SetScene(Scene::Message);
    g.pf.dialogs.MessageBox(
        std::string(N_("ランキングのファイルを読めないため、")) + "\r\n" + N_("この得点は記録されません。"), g.scr.Picture());
}

}  // namespace

void StampBanner(Screen& w) {
    // OR the mask first to whiten the banner's shape, then AND the picture,
    // whose white background leaves the frame around the shape untouched.
    BitBlt(w.MainPic1, 0, kBannerY, kPlayfield, kBannerHeight, w.KyaraPic[sheet::Boss], kMaskX, 0, Rop::Or);
    BitBlt(w.MainPic1, 0, kBannerY, kPlayfield, kBannerHeight, w.KyaraPic[sheet::Boss], 0, 0, Rop::And);
}

void GameOver(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    g.SetScene(Scene::GameOver);
    auto oto = g.NewSound();
    // Borrows the boss's sheet; the next boss arrival loads it back.
    LoadGamePicture(g, w.KyaraPic[sheet::Boss], assets::kGameOverPic);
    StampBanner(w);
    ShowFrame(g);
    w.MS.caption = HelpCaption();
    oto->Koukaon(s.KoukaonFile[koukaon::MolfoKo]);
    oto->Play(assets::kGameOverSong, kyoku::Kaisu);
    Delay(g, 1500);
    s.InGame = 0;
    s.GameOverFlag = 0;
    RankingEntry(g);
}

void RankingEntry(Game& g) {
    GameState& s = g.s;
    {
        const std::string path = g.rankPath.empty() ? g.HostPath(kRankFile) : g.rankPath;
        rank::RankLoad load = rank::LoadRankFile(path);
        if (load.status == rank::RankLoad::Status::Unreadable) {
            // Writing a fresh table over a file that exists would lose every
            // score in it: this game's score goes instead.
            std::fprintf(stderr, "molfo: %s; this game's score is not saved\n", Printable(load.problem, 400).c_str());
            TellUnsaved(g);
            Delay(g, 100);
        } else {
            const int16_t place = rank::FindPlace(load.table, s.GoukeiTen);
            // Below the top ten the name stays empty and is stored as spaces.
            const std::string name = AskOrTell(g, place);
            Delay(g, 100);
            rank::RankTable now = load.table;
            if (place != 0) rank::InsertRank(now, place, s.GoukeiTen, rank::EncodeName(name));
            // An unwritable folder costs this game's entry, not the game: the
            // list is still shown and the player can go on.
            rank::RankTable written;
            const std::string err = rank::RecordScore(path, s.GoukeiTen, rank::EncodeName(name), written);
            if (err.empty())
                now = written;
            else
                std::fprintf(stderr, "molfo: the ranking was not saved (%s)\n", Printable(err, 400).c_str());
            for (int i = 1; i <= rank::kShownPlaces; ++i)
                g.scr.PrintLine(rank::RankLine(i, now.RankName[i], now.RankScore[i]));
            ShowFrame(g);
        }
    }  // the table is gone before the wait, which may last for hours
    WaitForRestart(g);
}

void WaitForRestart(Game& g) {
    GameState& s = g.s;
    g.SetScene(Scene::Ranking);
    while (s.ShuryoFlag != shuryo::End) {
        DoEvents(g);
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked) {
            s.ShuryoFlag = shuryo::End;
            return;
        }
        if (KeyDown(g, vk::Z)) {
            s.InGame = 0;
            return;
        }
        Nap(g);  // a player may leave the list up; don't spin a core
    }
}

void Ending(Game& g) {
    GameState& s = g.s;
    Screen& w = g.scr;
    g.SetScene(Scene::Ending);
    const int n = s.GoukeiTen > 0 ? kPicturesScored : kPicturesAlways;
    std::vector<std::string> paths;
    paths.reserve(n);
    for (int i = 1; i <= n; ++i) paths.push_back("sys\\ending\\e" + std::to_string(i) + ".jpg");

    auto oto = g.NewSound();
    oto->Play(s.KyokuFile[kyoku::Ending], kyoku::Kaisu);
    w.MS.caption = HelpCaption();

    for (int i = 1; i <= n; ++i) {
        LoadGamePicture(g, w.KyaraPic[sheet::Boss], paths[i - 1]);
        BitBlt(w.MainPic1, 0, 0, kPlayfield, kPlayfield, w.KyaraPic[sheet::Boss], 0, 0, Rop::Copy);
        BitBlt(w.MainPic2, 0, 0, kPlayfield, kPlayfield, w.KyaraPic[sheet::Boss], 0, 0, Rop::Copy);
        ShowFrame(g);
        DoEvents(g);
        // Only a key held at this check (or a close request seen here) skips
        // the ranking; an Escape caught by a Delay ends the program after it.
        if (KeyDown(g, vk::Escape) || s.ShuryoFlag == shuryo::CloseAsked) {
            s.ShuryoFlag = shuryo::End;
            return;
        }
        Delay(g, kShowMs);
        if (i > kPicturesAlways) Delay(g, kLaterExtraMs);
    }
    RankingEntry(g);
    // The ending waits once more after the ranking's own wait; it passes at
    // once while Z is still down or the program is already ending.
    WaitForRestart(g);
}

}  // namespace molfo
