// The start-up check: every file the game will load, looked at before the
// window exists. A picture that is missing, cut short, of a kind the decoder
// cannot read or too small shows up here as one plain line rather than as a
// blank sprite an hour into play; its header tells all that without decoding
// it. A missing song or effect is named once and stays silent.
#include "game/AssetCheck.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/AssetNames.h"
#include "core/GameState.h"
#include "core/Printable.h"
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

// What keeps a file from being read, or empty when it opens as a regular
// file; `head` receives its first bytes and `size` its length. A named pipe
// or a device is refused unopened, so nothing here can block.
std::string Inspect(const std::string& path, std::array<unsigned char, 64>& head, size_t& got, off_t& size) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? "missing" : std::string("cannot be read (") + std::strerror(errno) + ")";
    if (S_ISDIR(st.st_mode)) return "is a folder, not a file";
    if (!S_ISREG(st.st_mode)) return "is a special file (a pipe, socket or device), not a file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    const ssize_t r = ::read(fd, head.data(), head.size());
    const int err = errno;
    ::close(fd);
    if (r < 0) return std::string("cannot be read (") + std::strerror(err) + ")";
    got = static_cast<size_t>(r);
    size = st.st_size;
    return {};
}

uint32_t Le32(const std::array<unsigned char, 64>& b, size_t at) {
    return uint32_t{b[at]} | uint32_t{b[at + 1]} << 8 | uint32_t{b[at + 2]} << 16 | uint32_t{b[at + 3]} << 24;
}

// A picture cut short still decodes (the decoders fill in what is missing),
// so its length is checked against what the file says of itself: a BMP's
// pixel rows must all be there, a JPEG must reach its end-of-image marker, a
// PNG its end chunk.
std::string Truncation(const std::string& path, const std::array<unsigned char, 64>& head, size_t got, off_t size) {
    if (got >= 30 && head[0] == 'B' && head[1] == 'M') {
        const uint32_t offset = Le32(head, 10);
        const auto width = static_cast<int32_t>(Le32(head, 18));
        const auto height = static_cast<int32_t>(Le32(head, 22));
        const uint32_t bits = uint32_t{head[28]} | uint32_t{head[29]} << 8;
        const uint32_t compression = got >= 34 ? Le32(head, 30) : 0;
        if (compression != 0 || width <= 0 || bits == 0) return {};  // left to the decoder
        const uint64_t row = (uint64_t{static_cast<uint32_t>(width)} * bits + 31) / 32 * 4;
        const uint64_t rows = height < 0 ? uint64_t{0} - static_cast<int64_t>(height) : static_cast<uint64_t>(height);
        if (uint64_t{offset} + row * rows > static_cast<uint64_t>(size)) return "is cut short (its rows end early)";
        return {};
    }
    if (got >= 2 && head[0] == 0xFF && head[1] == 0xD8) {
        // The marker closes the file, give or take a little padding.
        std::ifstream in(path, std::ios::binary);
        const off_t tail = std::min<off_t>(size, 256);
        in.seekg(size - tail);
        std::string last(static_cast<size_t>(tail), '\0');
        in.read(last.data(), tail);
        if (last.find("\xFF\xD9") == std::string::npos) return "is cut short (no end-of-image marker)";
    }
    if (got >= 8 && head[0] == 0x89 && head[1] == 'P' && head[2] == 'N' && head[3] == 'G') {
        std::ifstream in(path, std::ios::binary);
        const off_t tail = std::min<off_t>(size, 12);
        in.seekg(size - tail);
        std::string last(static_cast<size_t>(tail), '\0');
        in.read(last.data(), tail);
        if (last.find("IEND") == std::string::npos) return "is cut short (no end chunk)";
    }
    return {};
}

void CheckPicture(const std::string& dataDir, const std::string& gamePath, int w, int h, AssetReport& report) {
    const std::string path = HostPath(dataDir, gamePath);
    std::array<unsigned char, 64> head{};
    size_t got = 0;
    off_t size = 0;
    std::string why = Inspect(path, head, got, size);
    if (why.empty()) why = Truncation(path, head, got, size);
    // The header is enough here: decoding every picture took longer than
    // all the rest of the start-up, and each is decoded when first shown.
    int pw = 0, ph = 0;
    if (why.empty() && !ReadPictureSize(path, pw, ph)) why = "is not a picture that can be decoded";
    if (why.empty() && (pw < w || ph < h))
        why = "is " + std::to_string(pw) + " x " + std::to_string(ph) + ", needs at least " + std::to_string(w) +
              " x " + std::to_string(h);
    if (!why.empty()) report.pictures.push_back({path, Printable(path, 300) + ": " + why});
}

// Songs and effects are only opened when played; here their first bytes say
// whether they can be.
void CheckSound(const std::string& dataDir, const std::string& gamePath, bool song, AssetReport& report) {
    const std::string path = HostPath(dataDir, gamePath);
    std::array<unsigned char, 64> head{};
    size_t got = 0;
    off_t size = 0;
    std::string why = Inspect(path, head, got, size);
    const auto at = [&](size_t i, const char* tag) { return got >= i + 4 && std::memcmp(head.data() + i, tag, 4) == 0; };
    if (why.empty() && song && !at(0, "MThd")) why = "is not a standard MIDI file";
    if (why.empty() && !song && !(at(0, "RIFF") && at(8, "WAVE"))) why = "is not a WAV file";
    if (!why.empty()) report.sounds.push_back({path, Printable(path, 300) + ": " + why + "; it stays silent"});
}

}  // namespace

AssetReport CheckAssets(const std::string& dataDir) {
    AssetReport report;
    for (const PictureNeed& p : kPictures) CheckPicture(dataDir, p.gamePath, p.width, p.height, report);
    for (int i = 1; i <= assets::kEndingPictures; ++i)
        CheckPicture(dataDir, "sys\\ending\\e" + std::to_string(i) + ".jpg", kEndingSide, kEndingSide, report);
    for (size_t i = 1; i < kKyokuFileNames.size(); ++i) CheckSound(dataDir, kKyokuFileNames[i], true, report);
    CheckSound(dataDir, assets::kGameOverSong, true, report);
    for (size_t i = 1; i < kKoukaonFileNames.size(); ++i) CheckSound(dataDir, kKoukaonFileNames[i], false, report);
    return report;
}

bool ReportAssets(const AssetReport& report) {
    for (const AssetProblem& p : report.pictures) std::fprintf(stderr, "molfo: %s\n", p.line.c_str());
    for (const AssetProblem& p : report.sounds) std::fprintf(stderr, "molfo: %s\n", p.line.c_str());
    return report.pictures.empty();
}

}  // namespace molfo
