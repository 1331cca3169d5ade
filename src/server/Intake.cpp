#include "server/Intake.h"

#include <openssl/sha.h>

#include "core/Printable.h"
#include "replay/ReplayFile.h"
#include "screens/RankFile.h"

namespace molfo::server {

namespace {

constexpr size_t kIdBytes = 16;
constexpr int kBadRequest = 400;
constexpr int kUnprocessable = 422;
// Versions are short; one from a hostile file is cut for the message.
constexpr size_t kShownVersionBytes = 40;

}  // namespace

Intake CheckRecording(std::span<const uint8_t> bytes, const std::string& verifierVersion) {
    Intake in;
    replay::Recording rec;
    std::string error;
    if (!replay::ParseRecording(bytes, rec, error)) {
        in.status = kBadRequest;
        in.error = "not a recording of the game: " + error;
        return in;
    }
    const replay::Header& h = rec.header;
    in.version = h.programVersion;
    if (h.formatVersion < replay::kFormatVersion) {
        in.status = kBadRequest;
        in.error = "a whole session's recording (format " + std::to_string(h.formatVersion) +
                   "); send one game as the game keeps it";
        return in;
    }
    if (h.programVersion != verifierVersion) {
        in.status = kUnprocessable;
        in.error = "recorded by molfo " + Printable(h.programVersion, kShownVersionBytes) +
                   "; this server verifies molfo " + verifierVersion;
        return in;
    }
    if (h.practiceStage != 1 || h.practiceBoss) {
        in.status = kBadRequest;
        in.error = "a practice start (stage " + std::to_string(h.practiceStage) + (h.practiceBoss ? ", boss" : "") +
                   ") is not a whole game";
        return in;
    }
    return in;
}

std::string RunId(std::span<const uint8_t> bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(bytes.data(), bytes.size(), digest);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string id;
    for (size_t i = 0; i < kIdBytes; ++i) {
        id += kHex[digest[i] >> 4];
        id += kHex[digest[i] & 0xF];
    }
    return id;
}

bool IsRunId(const std::string& s) {
    if (s.size() != kIdBytes * 2) return false;
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

std::string RankingName(const std::string& typed, const std::string& fallback) {
    std::string name = rank::DecodeName(rank::EncodeName(typed));
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name.empty() ? fallback : name;
}

}  // namespace molfo::server
