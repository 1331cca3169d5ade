// When a frame lets SDL pump although the X connection holds nothing.
#include <gtest/gtest.h>

#include "platform/sdl/PumpGate.h"

namespace molfo {
namespace {

constexpr int64_t kMs = 1'000'000;

TEST(PlatformPumpGate, PumpsForPadsAfterEventsAndNowAndThen) {
    struct Case {
        const char* rule;
        int64_t pumpedAt;  // -1: never
        bool found;
        int64_t now;
        bool pads;
        bool due;
    } cases[] = {
        {"never pumped: at once", -1, false, 1000 * kMs, false, true},
        {"just pumped, nothing found: not again", 1000 * kMs, false, 1015 * kMs, false, false},
        {"just pumped, nothing found, a pad open: every frame", 1000 * kMs, false, 1015 * kMs, true, true},
        {"a pump found events: the next frames pump too", 1000 * kMs, true, 1015 * kMs, false, true},
        {"... until SDL has handed on what it holds back", 1000 * kMs, true, 1000 * kMs + PumpGate::kAfterEventsNs,
         false, false},
        {"nothing for half a second: a routine pump", 1000 * kMs, false, 1000 * kMs + PumpGate::kRoutineNs, false,
         true},
        {"a moment before that: not yet", 1000 * kMs, false, 1000 * kMs + PumpGate::kRoutineNs - 1, false, false},
    };
    static_assert(PumpGate::kAfterEventsNs < PumpGate::kRoutineNs);
    // SDL hands on a change of focus 200 ms after its event.
    static_assert(PumpGate::kAfterEventsNs > 200 * kMs);
    for (const Case& c : cases) {
        PumpGate gate;
        if (c.pumpedAt >= 0) gate.Pumped(c.pumpedAt, c.found);
        EXPECT_EQ(gate.Due(c.now, c.pads), c.due) << c.rule;
    }
}

}  // namespace
}  // namespace molfo
