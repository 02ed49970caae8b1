// F9: recording what the window shows, one video frame per frame of the
// schedule, to flowfield-YYYYMMDD-HHMMSS.mp4 in the working directory.
#pragma once

// Starts a recording, or ends the one running.
void ToggleRecording();

// Ends the running recording: the file is written and its name said on
// standard error (or why it could not be, and no file).
void StopRecording();

bool RecordingVideo();

// Adds the frame just drawn, before any tag is drawn over it.
void RecordFrame();
