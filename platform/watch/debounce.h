// Platform-internal: the quiet spell the effect watch waits for. A pure
// value type, driven with times, so that tests can give it any sequence.
#pragma once

#include <cstdint>

namespace platform {

// A burst of file events becomes one check, made at the first poll at least
// quietMs after the latest event.
struct Debounce {
    int64_t quietMs = 100;
    bool pending = false;
    int64_t lastEventMs = 0;

    void Event(int64_t nowMs) {
        pending = true;
        lastEventMs = nowMs;
    }

    // True once per burst: at the first poll after the quiet spell.
    bool Due(int64_t nowMs) {
        if (!pending || nowMs - lastEventMs < quietMs) return false;
        pending = false;
        return true;
    }
};

}  // namespace platform
