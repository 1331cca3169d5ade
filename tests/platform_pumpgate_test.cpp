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
        bool heldBack;
        int64_t now;
        bool pads;
        bool due;
    } cases[] = {
        {"never pumped: at once", -1, false, 1000 * kMs, false, true},
        {"just pumped, nothing found: not again", 1000 * kMs, false, 1015 * kMs, false, false},
        {"just pumped, nothing found, a pad open: every frame", 1000 * kMs, false, 1015 * kMs, true, true},
        {"SDL may hold events back: the next frames pump too", 1000 * kMs, true, 1015 * kMs, false, true},
        {"... until SDL has handed on what it holds back", 1000 * kMs, true, 1000 * kMs + PumpGate::kAfterEventsNs,
         false, false},
        {"nothing for half a second: a routine pump", 1000 * kMs, false, 1000 * kMs + PumpGate::kRoutineNs, false,
         true},
        {"a moment before that: not yet", 1000 * kMs, false, 1000 * kMs + PumpGate::kRoutineNs - 1, false, false},
    };
    static_assert(PumpGate::kAfterEventsNs < PumpGate::kRoutineNs);
    struct Pump { const char* rule; bool read, brought, onlyKeys, heldBack; } pumps[] = {
        {"keys alone come at once: nothing held back", true, true, true, false},
        {"read but brought nothing: a change of focus is on its way", true, false, true, true},
        {"a window's event: more may follow", true, true, false, true},
        {"a routine pump that read and brought nothing", false, false, true, false},
    };
    for (const Pump& p : pumps) EXPECT_EQ(PumpGate::HeldBack(p.read, p.brought, p.onlyKeys), p.heldBack) << p.rule;
    // SDL hands on a change of focus 200 ms after its event.
    static_assert(PumpGate::kAfterEventsNs > 200 * kMs);
    for (const Case& c : cases) {
        PumpGate gate;
        if (c.pumpedAt >= 0) gate.Pumped(c.pumpedAt, c.heldBack);
        EXPECT_EQ(gate.Due(c.now, c.pads), c.due) << c.rule;
    }
}

}  // namespace
}  // namespace molfo
