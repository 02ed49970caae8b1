// Time in the user's hands: pause (Space), one frame at a time (.), slower
// and faster ([ and ]), recording (F9). The schedule counts frames, so all
// of it is a question of which presented frames run a frame of the schedule.
#pragma once

#include "platform/types.h"

constexpr int kSlowestSpeedStep = -3;  // x1/8: one frame of the schedule every 8 presented
constexpr int kFastestSpeedStep = 3;   // x8: 8 frames of the schedule a presented frame

struct TimeControl {
    bool paused;
    int stepsAsked;          // '.' presses while paused, not yet run
    int speedStep;           // the speed is 2 to this power
    long presentedAtSpeed;   // presented frames since the speed or the pause changed
};

extern TimeControl g_timeControl;

// How many frames of the schedule the next presented frame runs (the last
// of them drawn); 0: it shows the same frame again. Depends on the state
// alone.
int ScheduleFramesFor(const TimeControl& time);

// The state after a presented frame that ran ScheduleFramesFor(time).
void AdvanceTimeControl(TimeControl* time);

// Space (pause, resume), '.' (while paused one frame; while running, pause),
// '[' and ']' (halve, double the speed). False for any other key.
bool ApplyTimeKey(TimeControl* time, int virtualKey);

// What the tag at the top right says: "paused", "x1/4", "x2"; "" at x1.
const char* TimeTag(const TimeControl& time);

// The window procedure's keys: the time keys above and F9, which starts and
// stops recording. A key held down acts once for Space and F9.
void TakeTimeKey(WPARAM virtualKey, LPARAM flags);

// One pass of the main loop: the frames of the schedule this presented frame
// runs (each recorded while recording), or the same frame drawn again with
// the keys F5 and F4 and --watch still served; then the tags and Present.
void PresentFrame();

// Before the loop: the render pass's hook for recording and tags.
void StartTimeControl();

// After the loop, with the device still there: ends a recording (the file
// is written) and frees the tags' font.
void StopTimeControl();
