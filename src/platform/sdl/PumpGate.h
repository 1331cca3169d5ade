// When the window must let SDL pump its events. A pump costs a handful of
// system calls on a local X server (reads of the connection that find
// nothing, polls of the pads' device watch), about as much as a frame's
// drawing; most frames nothing has arrived. So a frame asks the X
// connection alone (one read) and pumps only when it holds something, and
// besides:
// - every frame while a pad is open, since SDL reads pads only in a pump;
// - every frame for a while after a pump that SDL may have held something
//   back from: it hands a change of focus on 200 ms after its event, so a
//   pump that read events but brought nothing, or brought anything but
//   keys, is followed by more (keys come at once: pressing and letting go
//   in play costs one pump each);
// - now and then in any case, so that a pad plugged in, a signal SDL
//   caught or anything else that does not come through the connection is
//   seen within half a second.
#pragma once

#include <cstdint>

namespace molfo {

class PumpGate {
public:
    // Whether this frame pumps whatever the connection holds.
    bool Due(int64_t nowNs, bool padsOpen) const {
        return padsOpen || nowNs - lastPumpNs_ >= kRoutineNs || nowNs < busyUntilNs_;
    }
    // A pump ran at `nowNs`; `heldBack` says SDL may hold back some of
    // what it read.
    void Pumped(int64_t nowNs, bool heldBack) {
        lastPumpNs_ = nowNs;
        if (heldBack) busyUntilNs_ = nowNs + kAfterEventsNs;
    }
    // Whether SDL may hold back events after a pump: the connection held
    // some (`read`) or the pump brought some, and not only keys.
    static bool HeldBack(bool read, bool brought, bool onlyKeys) { return (read || brought) && !(brought && onlyKeys); }

    static constexpr int64_t kRoutineNs = 500'000'000;
    static constexpr int64_t kAfterEventsNs = 400'000'000;

private:
    int64_t lastPumpNs_ = INT64_MIN / 2;
    int64_t busyUntilNs_ = INT64_MIN / 2;
};

}  // namespace molfo
