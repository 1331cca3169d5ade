// The start-up check: every file the game will load, opened the way the game
// opens it, before the window exists. A missing song or a picture that will
// not decode shows up here as one plain line rather than as a silent stage or
// a blank sprite an hour into play.
#include "game/AssetCheck.h"

#include <array>
#include <cstdint>
#include <fstream>

#include "core/AssetNames.h"
#include "core/GameState.h"
#include "render/Surface.h"

namespace molfo {

namespace {

struct PictureNeed {
    const char* gamePath;
    int16_t width;   // the least size the game's copies read from
    int16_t height;
};

// Pictures with a fixed name. Columns: game path, least width, least height.
// Boss pictures hold three frames of picture and mask: 6 x KyaraHaba wide.
constexpr std::array<PictureNeed, 22> kPictures = {{
    {assets::kKyaraPicFiles[0], 482, 277},
    {assets::kKyaraPicFiles[1], 483, 539},
    {assets::kKyaraPicFiles[3], 80, 10},
    {assets::kKyaraPicFiles[4], 200, 250},
    {assets::kItemIconFiles[1], 30, 30},
    {assets::kItemIconFiles[2], 30, 30},
    {assets::kItemIconFiles[3], 30, 30},
    {assets::kItemIconFiles[4], 30, 30},
    {assets::kItemIconFiles[5], 30, 30},
    {assets::kItemIconFiles[6], 30, 30},
    {assets::kTitle, 500, 500},
    {"sys\\mainmap1.JPG", 500, 500},
    {"sys\\mainmap2.JPG", 500, 500},
    {"sys\\mainmap3.JPG", 500, 500},
    {"sys\\mainmap4.JPG", 500, 500},
    {"sys\\mainmap5.JPG", 500, 500},
    {"sys\\hati.JPG", 666, 107},
    {"sys\\jigabati.JPG", 1512, 270},
    {"sys\\kuwagata.JPG", 1104, 258},
    {"sys\\kabutomusi.JPG", 1236, 315},
    {"sys\\gifucho.JPG", 2862, 291},
    {assets::kGameOverPic, 1000, 75},
}};
static_assert(kPictures.size() == 22);

constexpr int16_t kEndingSide = 500;

std::string HostPath(const std::string& dataDir, const std::string& gamePath) {
    std::string p = gamePath;
    for (char& c : p)
        if (c == '\\') c = '/';
    return (dataDir.empty() ? std::string(".") : dataDir) + "/" + p;
}

// The first bytes of a file; fewer when the file is shorter. False when the
// file cannot be opened.
bool ReadHead(const std::string& path, std::array<char, 12>& head, size_t& got) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    got = static_cast<size_t>(in.gcount());
    return true;
}

void CheckPicture(const std::string& dataDir, const std::string& gamePath, int w, int h,
                  std::vector<std::string>& problems) {
    const std::string path = HostPath(dataDir, gamePath);
    Surface pic;
    std::array<char, 12> head{};
    size_t got = 0;
    if (!ReadHead(path, head, got)) {
        problems.push_back(path + ": missing");
    } else if (!LoadPicture(pic, path)) {
        problems.push_back(path + ": not a picture that can be decoded");
    } else if (pic.Width() < w || pic.Height() < h) {
        problems.push_back(path + ": " + std::to_string(pic.Width()) + " x " + std::to_string(pic.Height()) +
                           ", needs at least " + std::to_string(w) + " x " + std::to_string(h));
    }
}

void CheckSong(const std::string& dataDir, const std::string& gamePath, std::vector<std::string>& problems) {
    const std::string path = HostPath(dataDir, gamePath);
    std::array<char, 12> head{};
    size_t got = 0;
    if (!ReadHead(path, head, got)) {
        problems.push_back(path + ": missing");
    } else if (got < 4 || std::string(head.data(), 4) != "MThd") {
        problems.push_back(path + ": not a standard MIDI file");
    }
}

void CheckEffect(const std::string& dataDir, const std::string& gamePath, std::vector<std::string>& problems) {
    const std::string path = HostPath(dataDir, gamePath);
    std::array<char, 12> head{};
    size_t got = 0;
    if (!ReadHead(path, head, got)) {
        problems.push_back(path + ": missing");
    } else if (got < 12 || std::string(head.data(), 4) != "RIFF" || std::string(head.data() + 8, 4) != "WAVE") {
        problems.push_back(path + ": not a WAV file");
    }
}

}  // namespace

std::vector<std::string> CheckAssets(const std::string& dataDir) {
    std::vector<std::string> problems;
    for (const PictureNeed& p : kPictures) CheckPicture(dataDir, p.gamePath, p.width, p.height, problems);
    for (int i = 1; i <= assets::kEndingPictures; ++i)
        CheckPicture(dataDir, "sys\\ending\\e" + std::to_string(i) + ".jpg", kEndingSide, kEndingSide, problems);
    for (size_t i = 1; i < kKyokuFileNames.size(); ++i) CheckSong(dataDir, kKyokuFileNames[i], problems);
    CheckSong(dataDir, assets::kGameOverSong, problems);
    for (size_t i = 1; i < kKoukaonFileNames.size(); ++i) CheckEffect(dataDir, kKoukaonFileNames[i], problems);
    return problems;
}

}  // namespace molfo
