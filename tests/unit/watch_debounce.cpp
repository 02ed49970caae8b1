// The quiet spell of the effect watch over sequences of file events and
// polls with their times: a burst is one check, made at the first poll at
// least 100 ms after its last event, and nothing is checked without events.
#include "platform/watch/debounce.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>

namespace {

// "eT" a file event at T ms, "wT" one after which a file is still open for
// writing (truncated or written, not closed); "pT" a poll at T that must find
// nothing due, "pT!" one that must find the check due.
struct Case {
    const char* name;
    const char* script;
};

const Case kCases[] = {
    {"no events, nothing due", "p0 p100 p5000"},
    {"one event: due after 100 ms, once", "e0 p50 p99 p100! p101 p400"},
    {"a late first poll still finds it", "e0 p2500! p2600"},
    {"each event restarts the spell", "e0 p60 e90 p150 e180 p279 p280! p300"},
    {"ten writes 10 ms apart are one check", "e0 e10 e20 e30 e40 e50 e60 e70 e80 e90 p150 p190! p250"},
    {"a pause of 100 ms splits a burst in two", "e0 e10 p110! e120 p200 p220! p330"},
    {"events at the same time count once", "e5 e5 e5 p105! p106"},
    {"an event right at the poll waits again", "e0 p100! e100 p100 p199 p200!"},
    {"a writer held up after truncating is waited for until its close",
     "e0 w1 p101 p1500 e1700 p1799 p1800! p1900"},
    {"a writer that keeps its file open is given 2 s after its last write", "w0 w50 p2049 p2050! p2100"},
    {"a close after writes is an ordinary event again", "w0 w10 e20 p119 p120!"},
};

TEST(WatchDebounceTest, FileEventsAndPollsOverTime) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        platform::Debounce debounce;
        std::istringstream steps(c.script);
        std::string step;
        while (steps >> step) {
            int64_t time = std::atoll(step.c_str() + 1);
            if (step[0] == 'e' || step[0] == 'w') {
                debounce.Event(time, step[0] == 'w');
            } else {
                EXPECT_EQ(debounce.Due(time), step.back() == '!') << "at " << step;
            }
        }
    }
}

}  // namespace
