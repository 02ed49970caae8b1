// Platform-internal: where the frames of a video go. An ffmpeg child process
// reading raw RGBA on its standard input, or a raw file.
#pragma once

#include "platform/video/video.h"

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

class VideoPipe {
public:
    VideoPipe() = default;
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;
    ~VideoPipe() { Abandon(); }

    // Starts ffmpeg (or opens the raw file) for frames of width x height.
    bool Open(const VideoSettings& settings, unsigned width, unsigned height, std::string* error);

    // Writes one frame's bytes. SIGPIPE never ends the program: a reader
    // that went away is an error here.
    bool Write(const void* data, size_t bytes, std::string* error);

    // End of input; waits for ffmpeg and renames FILE.part to FILE.
    bool Close(std::string* error);

    // Kills ffmpeg, reaps it and removes FILE.part.
    void Abandon();

    bool open() const { return fd_ >= 0; }

private:
    // Reaps ffmpeg; its exit described with its last lines of standard
    // error into *error when it failed.
    bool Reap(std::string* error);

    int fd_ = -1;
    bool ownsFd_ = true;
    pid_t child_ = -1;
    int errorLog_ = -1;  // ffmpeg's standard error (a memory file)
    std::string finalPath_;
    std::string partPath_;
};

// The ffmpeg command line for settings, width and height, output to outPath.
std::vector<std::string> FfmpegArguments(const std::string& ffmpeg, const VideoSettings& settings,
                                         unsigned width, unsigned height, const std::string& outPath);

}  // namespace platform
