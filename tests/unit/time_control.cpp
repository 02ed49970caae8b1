// Which presented frames run frames of the schedule: each case is a line of
// keys and presented frames, and the frames of the schedule each presented
// frame ran, one digit each, then the tag the window shows.
//   ' ' Space   '.' period   '[' slower   ']' faster   'p' a presented frame
#include "app/time_control.h"

#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Case {
    const char* keys;
    const char* frames;  // ScheduleFramesFor at each 'p', in order
    const char* tag;
};

const Case kCases[] = {
    // x1: one a presented frame.
    {"pppp", "1111", ""},
    // Paused: none; '.' runs exactly one, at the next presented frame.
    {" pppp", "0000", "paused"},
    {" p.ppp", "0100", "paused"},
    {" ..pppp", "1100", "paused"},
    {" .p.p.pp", "1110", "paused"},
    // Space again: one a frame from the next presented frame on.
    {" pp pp", "0011", ""},
    // Steps asked and not run are forgotten on resume.
    {" .. pp", "11", ""},
    // '.' while running pauses, and runs nothing itself.
    {"p.ppp.p", "10001", "paused"},
    // Slower: one every 2, 4, 8 presented frames, counted from the change.
    {"[pppppp", "010101", "x1/2"},
    {"[[pppppppp", "00010001", "x1/4"},
    {"[[[pppppppppppppppp", "0000000100000001", "x1/8"},
    {"[[[[pppppppp", "00000001", "x1/8"},
    {"[ppp[pppp", "0100001", "x1/4"},
    // Pausing and resuming at a slow speed starts its count again.
    {"[[ppp pp pppp", "000000001", "x1/4"},
    // Faster: 2, 4, 8 frames of the schedule a presented frame, no more.
    {"]pp", "22", "x2"},
    {"]]p]p]]p", "488", "x8"},
    {"]]]][p", "4", "x4"},
    {"[]p", "1", ""},
    // Paused at any speed: still one a '.'.
    {"]]] .pp", "10", "paused"},
    {"[[[ .pp", "10", "paused"},
};

TEST(TimeControlTest, PresentedFramesRunTheSchedule) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string("keys \"") + c.keys + "\"");
        TimeControl time = {false, 0, 0, 0};
        std::string frames;
        for (const char* key = c.keys; *key != '\0'; ++key) {
            switch (*key) {
                case ' ': EXPECT_TRUE(ApplyTimeKey(&time, VK_SPACE)); break;
                case '.': EXPECT_TRUE(ApplyTimeKey(&time, VK_OEM_PERIOD)); break;
                case '[': EXPECT_TRUE(ApplyTimeKey(&time, VK_OEM_4)); break;
                case ']': EXPECT_TRUE(ApplyTimeKey(&time, VK_OEM_6)); break;
                default:
                    frames += std::to_string(ScheduleFramesFor(time));
                    AdvanceTimeControl(&time);
                    break;
            }
        }
        EXPECT_EQ(frames, c.frames);
        EXPECT_STREQ(TimeTag(time), c.tag);
    }
    TimeControl time = {false, 0, 0, 0};
    EXPECT_FALSE(ApplyTimeKey(&time, VK_F5)) << "other keys are not time keys";
}

}  // namespace
