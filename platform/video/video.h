// Video out: the frames of the device's back buffer, in the order they were
// drawn, to an ffmpeg process fed raw RGBA frames on its standard input, or
// as raw RGBA to a file.
//
// Implemented: [x] one video at a time: started, fed a frame at a time and
//                  finished (or abandoned) by the program
//              [x] .mp4 as H.264 (yuv420p, a rate factor), .mkv as lossless
//                  FFV1 in RGB, .webm as VP9; raw RGBA, width x height x 4
//                  bytes a frame, top row first
//              [x] the back buffer read into a ring of pixel buffers and
//                  written two frames late, so that reading never waits for
//                  the frame just drawn; every frame is written, in order
//              [x] ffmpeg looked up on the PATH; it dies with the program
//                  (parent-death signal); written under FILE.part and renamed
//                  to FILE only when it succeeded; on failure its last lines
//                  of standard error and no file
// Not implemented: sound, other containers, encoder options beyond the rate
// factor, more than one video at a time.
#pragma once

#include "platform/gfx/gfx.h"

#include <string>

enum VideoFormat {
    VIDEO_MP4 = 0,   // H.264, yuv420p
    VIDEO_MKV = 1,   // FFV1, RGB, lossless
    VIDEO_WEBM = 2,  // VP9, yuv420p
    VIDEO_RAW = 3,   // raw RGBA frames, no ffmpeg
};

struct VideoSettings {
    const char* path = nullptr;  // the file to write (replaced only when done)
    VideoFormat format = VIDEO_MP4;
    int fps = 60;      // 1 to 1000: every frame added is one frame of the video
    int crf = -1;      // H.264 0-51, VP9 0-63; -1: 18 for H.264, 31 for VP9
    int rawFd = -1;    // VIDEO_RAW: an open file to write to instead of path
                       // (standard output, say); left open
};

// The format a file name asks for by its extension (.mp4, .mkv, .webm), or
// -1 for any other.
int VideoFormatForPath(const char* path);

// ffmpeg's path from the PATH, "" when it is not there.
std::string FindFfmpeg();

// Starts a video of the device's back buffer. E_FAIL with the reason in
// GetVideoErrorText (ffmpeg not on the PATH, a file that cannot be made);
// D3DERR_INVALIDCALL while a video runs or for a device that is not the GL
// device. The pixel buffers are made here, once.
HRESULT StartVideo(IDirect3DDevice9* device, const VideoSettings& settings);

// Adds the back buffer as it is now as the next frame. On a failure (ffmpeg
// died, the disk is full) the video is abandoned: no file, E_FAIL and the
// reason (with ffmpeg's last lines) in GetVideoErrorText.
HRESULT AddVideoFrame();

// Writes the frames still in the ring, waits for ffmpeg and puts the file in
// place; *frames (may be null) is the number of frames written. E_FAIL, no
// file and the reason on a failure. Call before the device is released.
HRESULT FinishVideo(long* frames);

// Stops at once (ffmpeg killed) and leaves no file.
void AbandonVideo();

bool VideoRunning();

// Frames added to the running video so far.
long VideoFrameCount();

const char* GetVideoErrorText();
