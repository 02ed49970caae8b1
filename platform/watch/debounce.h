// Platform-internal: the quiet spell the effect watch waits for. A pure
// value type, driven with times, so that tests can give it any sequence.
#pragma once

#include <cstdint>

namespace platform {

// A burst of file events becomes one check, made at the first poll at least
// quietMs after the latest event. While a file is open for writing (written
// to, or created, and not closed since) the check waits for its close
// instead: an editor that saves in place truncates first, and a writer held
// up between truncating and closing must not be read half-way. A writer that
// keeps the file open is given writerMs without a further event.
struct Debounce {
    int64_t quietMs = 100;
    int64_t writerMs = 2000;
    bool pending = false;
    bool writing = false;
    int64_t lastEventMs = 0;

    // stillWriting: some watched file is open for writing after this event.
    void Event(int64_t nowMs, bool stillWriting = false) {
        pending = true;
        writing = stillWriting;
        lastEventMs = nowMs;
    }

    // True once per burst: at the first poll after the quiet spell.
    bool Due(int64_t nowMs) {
        if (!pending || nowMs - lastEventMs < (writing ? writerMs : quietMs)) return false;
        pending = false;
        writing = false;
        return true;
    }
};

}  // namespace platform
