// F9 recording: the frames of the schedule, read back from the back buffer
// before the tags go over them, piped to ffmpeg (platform/video). Messages go
// to standard error, so the console lines stay as the schedule makes them.
#include "app/recording.h"

#include "platform/video/video.h"
#include "render/scene.h"

#include <sys/stat.h>

#include <cstdio>
#include <ctime>

namespace {

char g_recordingName[64] = "";

// flowfield-YYYYMMDD-HHMMSS.mp4, with -2, -3... when that name is taken.
void NameRecording() {
    std::time_t now = std::time(nullptr);
    std::tm local {};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    std::snprintf(g_recordingName, sizeof g_recordingName, "flowfield-%s.mp4", stamp);
    struct stat info {};
    for (int n = 2; stat(g_recordingName, &info) == 0 && n < 100; ++n) {
        std::snprintf(g_recordingName, sizeof g_recordingName, "flowfield-%s-%d.mp4", stamp, n);
    }
}

}  // namespace

bool RecordingVideo() { return VideoRunning(); }

void ToggleRecording() {
    if (VideoRunning()) {
        StopRecording();
        return;
    }
    if (g_device == nullptr) return;
    NameRecording();
    VideoSettings settings;
    settings.path = g_recordingName;
    settings.format = VIDEO_MP4;
    if (StartVideo(g_device, settings) != 0) {
        fprintf(stderr, "flowfield: cannot record: %s\n", GetVideoErrorText());
        return;
    }
    fprintf(stderr, "flowfield: recording to %s\n", g_recordingName);
}

void StopRecording() {
    // Paused all along: an empty video is no use to anyone.
    if (VideoFrameCount() == 0) {
        AbandonVideo();
        fprintf(stderr, "flowfield: no frame ran while recording, so no %s\n", g_recordingName);
        return;
    }
    long frames = 0;
    if (FinishVideo(&frames) != 0) {
        fprintf(stderr, "flowfield: the recording to %s failed, no file: %s\n", g_recordingName,
                GetVideoErrorText());
        return;
    }
    fprintf(stderr, "flowfield: recorded %ld frames to %s\n", frames, g_recordingName);
}

void RecordFrame() {
    if (AddVideoFrame() != 0) {
        fprintf(stderr, "flowfield: the recording to %s stopped, no file: %s\n", g_recordingName,
                GetVideoErrorText());
    }
}
