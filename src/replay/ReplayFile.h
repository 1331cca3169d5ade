// The replay file: everything a session took from the outside world, in the
// order the game asked for it, and a state hash every few hundred passes.
//
//   header   "MOLFOREC", format version, program version, the practice start,
//            the frame limit, the ranking table the session began with,
//            (format 2) what the game inherits from the games before it in
//            its session, FNV-1a 32 checksum of the header
//   chunks   'C' (or for the last one 'E', the session ended, or 'G', the
//            game ended and the session went on), the pass the hash belongs to, the
//            hash, then the input consumed since the previous chunk:
//              clock readings as runs of (delta from the previous reading, count)
//              close reports as runs of one answer
//              key answers as runs of one answer, a stream per key code
//              dialog answers as texts
//            and the chunk's FNV-1a 32 checksum
//
// Numbers are LEB128 varints. Almost every key answer repeats the one before
// and almost every clock reading is 0 or 1 ms after the last, so the runs keep
// a 10-minute game well under a megabyte.
//
// Kept free of the game's types so that it can be tested and fuzzed alone.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace molfo::replay {

inline constexpr char kMagic[8] = {'M', 'O', 'L', 'F', 'O', 'R', 'E', 'C'};
// Format 2 adds what a game inherits and the 'G' end; format 1 is still read.
inline constexpr uint32_t kFormatVersion = 2;
inline constexpr int kKeyCodes = 256;
// A state hash is written after every pass whose number is a multiple of this.
inline constexpr int64_t kHashEvery = 300;
// Sanity limits for what a reader accepts.
inline constexpr size_t kMaxVersionBytes = 64;
inline constexpr size_t kMaxAnswerBytes = 4096;
inline constexpr size_t kMaxRankBytes = 14000;
inline constexpr size_t kRankRecordBytes = 14;
inline constexpr size_t kMaxCarriedLabels = 32;
// Ten hours of play make a few tens of megabytes; a file larger than this is
// refused before it is read into memory.
inline constexpr size_t kMaxRecordingBytes = 64u * 1024u * 1024u;

// `count` readings in a row with the same value: a clock delta, or a
// true/false answer (0 or 1).
struct Run {
    uint32_t value = 0;
    uint64_t count = 0;
};

struct Check {
    int64_t pass = 0;
    uint64_t hash = 0;
};

// A label of the window as the game left it: its caption, width and whether
// it shows (the state hash covers them).
struct CarriedLabel {
    std::string caption;
    int32_t w = 0;
    bool visible = true;
    bool operator==(const CarriedLabel&) const = default;
};

// What a game inherits from the games played before it in the same
// session: the random numbers' running state, the pass count, the window's
// labels and the background's scroll. Everything else is set afresh on the
// title, so with this a recording of one game replays alone.
struct Carried {
    uint64_t ransuState = 0;
    int64_t passes = 0;
    std::vector<CarriedLabel> labels;
    int32_t icon = 0;
    int32_t haikeiY = 0;
    double haikeiYD = 0.0;
    bool operator==(const Carried&) const = default;
};

struct Header {
    uint32_t formatVersion = kFormatVersion;
    std::string programVersion;
    int practiceStage = 1;
    bool practiceBoss = false;
    int64_t frameLimit = -1;  // passes before the session stopped itself; -1 none
    // The ranking file's records up to the last that is not blank (whole
    // 14-byte records); the game reads it when a game ends.
    std::vector<uint8_t> rank;
    // Present when the recording begins after other games of its session.
    bool hasCarried = false;
    Carried carried;
};

// A whole recording, decoded.
struct Recording {
    Header header;
    std::vector<Run> ticks;
    std::vector<Run> closes;
    std::array<std::vector<Run>, kKeyCodes> keys;
    std::vector<std::string> answers;
    std::vector<Check> checks;  // in pass order; the last is the end of the session
    // The recording ends with its game while the session went on (the player
    // chose to play again): a replay stops after the last check's pass.
    bool endsWithGame = false;
};

// Reads a recording. On a truncated or corrupt file returns false and sets
// `error` to one line saying what is wrong and where.
bool ParseRecording(std::span<const uint8_t> bytes, Recording& out, std::string& error);

// Builds a recording chunk by chunk. Appending keeps the runs open, so a
// long wait adds nothing but a count.
class Writer {
public:
    explicit Writer(const Header& header);
    // Without the header: only chunks, for a recording whose header is known
    // only once it ends (EncodeHeader makes it then).
    Writer() = default;
    static std::vector<uint8_t> EncodeHeader(const Header& header);

    void Tick(uint32_t reading);
    void Close(bool answer);
    void Key(int vkCode, bool answer);
    void Answer(const std::string& text);

    // Ends the current chunk with the hash of `pass` and moves its bytes to
    // the output; `last` marks the end of the session.
    void EndChunk(int64_t pass, uint64_t hash, bool last);
    // Ends the recording after the pass in which its game ended, the session
    // going on without it.
    void EndGame(int64_t pass, uint64_t hash);

    // The bytes not yet taken: the header (at first) and finished chunks.
    std::vector<uint8_t>& Pending() { return out_; }

private:
    static void Extend(std::vector<Run>& runs, uint32_t value);
    void End(int64_t pass, uint64_t hash, uint8_t tag);

    std::vector<uint8_t> out_;
    std::vector<uint8_t> chunk_;
    uint32_t lastTick_ = 0;
    std::vector<Run> ticks_;
    std::vector<Run> closes_;
    std::array<std::vector<Run>, kKeyCodes> keys_;
    std::vector<int> keysUsed_;  // key codes with runs in this chunk, in first-use order
    std::vector<std::string> answers_;
};

// FNV-1a, 64 and 32 bits.
inline constexpr uint64_t kFnv64Offset = 0xcbf29ce484222325ULL;
inline constexpr uint64_t kFnv64Prime = 0x100000001b3ULL;
uint32_t Fnv32(std::span<const uint8_t> bytes);
// `bytes` taken into the 64-bit hash `h` (kFnv64Offset to begin with).
uint64_t Fnv64(uint64_t h, std::span<const uint8_t> bytes);

}  // namespace molfo::replay
