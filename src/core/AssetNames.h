// Every file the game loads from its data folder, by its game path. The
// window's own sheets and icons have names of our choosing; the rest are the
// names the game's tables use.
#pragma once

#include <array>

namespace molfo::assets {

// Sprite sheets by KyaraPicNo (sheet 2 is the boss, loaded at its arrival).
inline constexpr std::array<const char*, 5> kKyaraPicFiles = {
    "sys\\kyarapic0.bmp", "sys\\kyarapic1.bmp", "", "sys\\kyarapic3.bmp", "sys\\kyarapic4.jpg"};
// Icons of the usable items 1..6 (30 x 30).
inline constexpr std::array<const char*, 7> kItemIconFiles = {
    "", "sys\\itempic1.bmp", "sys\\itempic2.bmp", "sys\\itempic3.bmp",
    "sys\\itempic4.bmp", "sys\\itempic5.bmp", "sys\\itempic6.bmp"};
inline constexpr const char* kTitle = "sys\\title.bmp";
inline constexpr const char* kGameOverPic = "sys\\gameover.bmp";
inline constexpr const char* kGameOverSong = "sys\\gameover.mid";
inline constexpr const char* kOpeningSong = "sys\\opening.mid";
inline constexpr int kEndingPictures = 22;  // "sys\ending\e1.jpg" .. "e22.jpg"

}  // namespace molfo::assets
