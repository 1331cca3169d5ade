// Where the program finds its data and puts the player's screenshots: the
// sys/ folder beside the program or in an installed share folder, and the
// picture folder. The XDG folders are in core/UserFolders.h, the ranking's
// place in game/RankPlace.h. The choices are plain functions of what exists
// on disk, so they can be tested as they are.
#pragma once

#include <ctime>
#include <string>

namespace molfo {

// The relative paths from an installed program's folder to its data folder,
// one for each install layout, separated by ':' (set by the build: bin/ to
// share/molfo for `cmake --install`, games/ to share/games/molfo for the
// Debian package).
#ifndef MOLFO_DATA_FROM_BIN
#define MOLFO_DATA_FROM_BIN "../share/molfo:../share/games/molfo"
#endif

// The folder that holds sys/: the program's own folder when sys/ is there
// (a build tree, an unpacked archive), otherwise the first of
// programFolder/fromBin's paths that has sys/ (an installed program). When
// none has sys/, the program's folder, so that the asset check names the
// place the player expects.
std::string FindDataDir(const std::string& programFolder, const std::string& fromBin = MOLFO_DATA_FROM_BIN);

// The folder for screenshots: the answer of `xdg-user-dir PICTURES` when it
// is a folder other than the home folder itself, else $HOME/Pictures when it
// exists, else `fallback`.
std::string ChoosePicturesFolder(const std::string& xdgAnswer, const std::string& home, const std::string& fallback);
// What `xdg-user-dir PICTURES` prints (empty when the tool is missing).
std::string AskXdgPictures();

// "molfo-2026-12-08-051203.png" for that local time.
std::string ScreenshotName(const std::tm& local);
// A path in `folder` for a screenshot taken at `local` that names no file
// yet ("-2", "-3"... are added for several in one second).
std::string FreeScreenshotPath(const std::string& folder, const std::tm& local);

}  // namespace molfo
