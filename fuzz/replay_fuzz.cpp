// Reads arbitrary bytes as a replay and checks that the reader refuses
// them with a reason or returns a recording that keeps its own rules; and
// drives the writer with arbitrary input to check that whatever it writes
// reads back the same.
//
// Built by fuzz/CMakeLists.txt (see there how to run it).
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "replay/ReplayFile.h"

namespace {

using namespace molfo::replay;

void Check(bool ok) {
    if (!ok) std::abort();
}

void CheckRuns(const std::vector<Run>& runs, bool answers) {
    for (const Run& r : runs) {
        Check(r.count >= 1);
        if (answers) Check(r.value <= 1);
    }
}

void ReadArbitrary(std::span<const uint8_t> bytes) {
    Recording rec;
    std::string error;
    if (!ParseRecording(bytes, rec, error)) {
        Check(!error.empty());
        return;
    }
    Check(error.empty());
    Check(!rec.checks.empty());
    for (size_t i = 1; i < rec.checks.size(); ++i) Check(rec.checks[i].pass >= rec.checks[i - 1].pass);
    Check(rec.header.practiceStage >= 1 && rec.header.practiceStage <= 5);
    Check(rec.header.rank.size() % kRankRecordBytes == 0 && rec.header.rank.size() <= kMaxRankBytes);
    Check(rec.header.programVersion.size() <= kMaxVersionBytes);
    CheckRuns(rec.ticks, false);
    CheckRuns(rec.closes, true);
    for (const auto& k : rec.keys) CheckRuns(k, true);
    for (const auto& a : rec.answers) Check(a.size() <= kMaxAnswerBytes);
}

// Each byte is one call to the writer; what it wrote must read back.
void WriteArbitrary(std::span<const uint8_t> ops) {
    Header h;
    h.programVersion = "fuzz";
    Writer w(h);
    std::vector<uint32_t> ticks;
    std::vector<uint32_t> closes;
    std::vector<uint32_t> z;
    std::vector<std::string> answers;
    uint32_t now = 0;
    int64_t pass = 0;
    size_t chunks = 0;
    for (uint8_t op : ops) {
        switch (op % 6) {
            case 0: w.Tick(now += op / 6u * 977u); ticks.push_back(now); break;
            case 1: w.Close(op & 8); closes.push_back((op & 8) ? 1 : 0); break;
            case 2: w.Key(90, op & 8); z.push_back((op & 8) ? 1 : 0); break;
            case 3: answers.emplace_back(op / 6u, 'a'); w.Answer(answers.back()); break;
            case 4: w.EndChunk(pass += op / 6u, op, false); ++chunks; break;
            default: w.Key(op, true); break;
        }
    }
    w.EndChunk(pass, 0, true);
    Recording rec;
    std::string error;
    Check(ParseRecording(w.Pending(), rec, error));
    Check(rec.checks.size() == chunks + 1);
    std::vector<uint32_t> got;
    uint32_t t = 0;
    for (const Run& r : rec.ticks)
        for (uint64_t i = 0; i < r.count; ++i) got.push_back(t += r.value);
    Check(got == ticks);
    auto expand = [](const std::vector<Run>& runs) {
        std::vector<uint32_t> v;
        for (const Run& r : runs) v.insert(v.end(), r.count, r.value);
        return v;
    };
    Check(expand(rec.closes) == closes);
    Check(expand(rec.keys[90]) == z);
    Check(rec.answers == answers);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::span<const uint8_t> bytes(data, size);
    ReadArbitrary(bytes);
    // Inputs that start with '!' also drive the writer.
    if (size > 0 && data[0] == '!') WriteArbitrary(bytes.subspan(1));
    return 0;
}
