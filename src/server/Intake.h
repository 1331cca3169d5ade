// What the server checks of a submission before it queues it. It reads the
// recording's framing with the game's own reader (fuzzed, and free of the
// game's rules): never the game itself, which runs only in a verifier.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace molfo::server {

inline constexpr size_t kMaxRecordingBytes = 1024 * 1024;
inline constexpr const char* kDefaultName = "anonymous";

struct Intake {
    int status = 0;      // 0: take it; else the HTTP status to answer
    std::string error;   // one line, when refused
    std::string version; // the version of the game that recorded it
};

// `verifierVersion`: the version of the game the verifiers run.
Intake CheckRecording(std::span<const uint8_t> bytes, const std::string& verifierVersion);

// The run's id: the same bytes always give the same one (the first 128 bits
// of their SHA-256, in hex).
std::string RunId(std::span<const uint8_t> bytes);
bool IsRunId(const std::string& s);

// A name as the game's ranking would keep it: what fits its 12-byte field in
// code page 932, control characters and text it cannot hold as '?', spaces
// at the end dropped. Empty or blank: `fallback`.
std::string RankingName(const std::string& typed, const std::string& fallback);

}  // namespace molfo::server
