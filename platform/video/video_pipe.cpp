// The ffmpeg child process and the raw file behind a video.
//
// ffmpeg is found on the PATH before anything starts; it is forked and
// executed with its standard input a pipe from us, its standard output and
// error a memory file (read back only when it fails), no other descriptor
// of ours, and SIGKILL as its parent-death signal, so that it never outlives
// the program. It writes FILE.part; FILE appears only when it exited with 0.
#include "platform/video/video_pipe.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kDefaultH264Crf = 18;
constexpr int kDefaultVp9Crf = 31;
constexpr size_t kErrorTailBytes = 4096;
constexpr int kErrorTailLines = 8;
constexpr int kPipeBytes = 1 << 20;  // a frame or so in flight

std::string ErrnoText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + ": " + std::strerror(errno);
}

// The last lines ffmpeg wrote on its standard error.
std::string ErrorTail(int fd) {
    if (fd < 0) return "";
    struct stat info {};
    if (fstat(fd, &info) != 0 || info.st_size <= 0) return "";
    off_t from = info.st_size > static_cast<off_t>(kErrorTailBytes)
                     ? info.st_size - static_cast<off_t>(kErrorTailBytes)
                     : 0;
    std::string text(static_cast<size_t>(info.st_size - from), '\0');
    ssize_t got = pread(fd, text.data(), text.size(), from);
    if (got <= 0) return "";
    text.resize(static_cast<size_t>(got));
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find('\n', at);
        if (newline == std::string::npos) newline = text.size();
        if (newline > at) lines.push_back(text.substr(at, newline - at));
        at = newline + 1;
    }
    if (from > 0 && !lines.empty()) lines.erase(lines.begin());  // cut mid-line
    size_t first = lines.size() > static_cast<size_t>(kErrorTailLines) ? lines.size() - kErrorTailLines : 0;
    std::string tail;
    for (size_t i = first; i < lines.size(); ++i) {
        if (!tail.empty()) tail += '\n';
        tail += lines[i];
    }
    return tail;
}

// The forked child: ffmpeg reads the frames on its standard input and
// writes to the error log; the status pipe is closed by a successful exec,
// else it gets the errno.
[[noreturn]] void RunFfmpeg(char** argv, pid_t parent, int frames, int errorLog, int status) {
    // Only calls that are safe after fork in a threaded program.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    signal(SIGPIPE, SIG_DFL);
    dup2(frames, STDIN_FILENO);
    dup2(errorLog, STDOUT_FILENO);
    dup2(errorLog, STDERR_FILENO);
    int keep = status;
    if (keep != 3) {
        dup2(keep, 3);
        fcntl(3, F_SETFD, FD_CLOEXEC);
        keep = 3;
    }
    close_range(4, ~0U, 0);
    execv(argv[0], argv);
    int code = errno;
    ssize_t ignored = write(keep, &code, sizeof code);
    (void)ignored;
    _exit(127);
}

}  // namespace

int VideoFormatForPath(const char* path) {
    if (path == nullptr) return -1;
    std::string name = path;
    auto endsWith = [&](const char* ending) {
        size_t n = std::strlen(ending);
        if (name.size() <= n) return false;
        std::string tail = name.substr(name.size() - n);
        for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return tail == ending;
    };
    if (endsWith(".mp4")) return VIDEO_MP4;
    if (endsWith(".mkv")) return VIDEO_MKV;
    if (endsWith(".webm")) return VIDEO_WEBM;
    return -1;
}

std::string FindFfmpeg() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return "";
    std::string folders = path;
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        // An empty entry is the working directory.
        std::string candidate(end > start ? folders.data() + start : ".", end > start ? end - start : 1);
        candidate.append("/ffmpeg");
        struct stat info {};
        if (stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return "";
}

namespace platform {

std::vector<std::string> FfmpegArguments(const std::string& ffmpeg, const VideoSettings& settings,
                                         unsigned width, unsigned height, const std::string& outPath) {
    std::vector<std::string> args = {ffmpeg, "-hide_banner", "-nostats", "-loglevel", "error", "-y",
                                     "-f", "rawvideo", "-pix_fmt", "rgba",
                                     "-s", std::to_string(width) + "x" + std::to_string(height),
                                     "-framerate", std::to_string(settings.fps), "-i", "pipe:0"};
    // Every input frame is one output frame: none dropped, none repeated.
    args.insert(args.end(), {"-fps_mode", "passthrough"});
    switch (settings.format) {
        case VIDEO_MKV:
            args.insert(args.end(), {"-c:v", "ffv1", "-pix_fmt", "bgr0", "-f", "matroska"});
            break;
        case VIDEO_WEBM: {
            int crf = settings.crf >= 0 ? settings.crf : kDefaultVp9Crf;
            args.insert(args.end(), {"-c:v", "libvpx-vp9", "-pix_fmt", "yuv420p", "-crf",
                                     std::to_string(crf), "-b:v", "0", "-row-mt", "1", "-f", "webm"});
            break;
        }
        default: {
            int crf = settings.crf >= 0 ? settings.crf : kDefaultH264Crf;
            args.insert(args.end(), {"-c:v", "libx264", "-pix_fmt", "yuv420p", "-crf",
                                     std::to_string(crf), "-f", "mp4"});
            break;
        }
    }
    args.push_back(outPath);
    return args;
}

bool VideoPipe::Open(const VideoSettings& settings, unsigned width, unsigned height,
                     std::string* error) {
    Abandon();
    if (settings.format == VIDEO_RAW && settings.rawFd >= 0) {
        fd_ = settings.rawFd;
        ownsFd_ = false;
        return true;
    }
    if (settings.path == nullptr || settings.path[0] == '\0') {
        *error = "no file name for the video";
        return false;
    }
    finalPath_ = settings.path;
    partPath_ = finalPath_ + ".part";
    ownsFd_ = true;
    // A device, a pipe or a socket (/dev/stdout, a FIFO a player reads) is
    // written as it is: a rename would replace it with a regular file.
    struct stat target{};
    if (stat(finalPath_.c_str(), &target) == 0 && !S_ISREG(target.st_mode)) {
        if (S_ISDIR(target.st_mode)) {
            *error = "'" + finalPath_ + "' is a folder, not a file for the video";
            finalPath_.clear();
            partPath_.clear();
            return false;
        }
        partPath_.clear();
    }
    const std::string& writePath = partPath_.empty() ? finalPath_ : partPath_;

    if (settings.format == VIDEO_RAW) {
        fd_ = ::open(writePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) {
            *error = ErrnoText("cannot create", writePath);
            partPath_.clear();
            return false;
        }
        return true;
    }

    std::string ffmpeg = FindFfmpeg();
    if (ffmpeg.empty()) {
        *error = "ffmpeg is not on the PATH (Debian package ffmpeg); no video is written";
        return false;
    }
    std::vector<std::string> args = FfmpegArguments(ffmpeg, settings, width, height, writePath);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int frames[2] = {-1, -1};  // our frames -> ffmpeg's standard input
    int status[2] = {-1, -1};  // closed by a successful exec, else the errno
    errorLog_ = memfd_create("ffmpeg-stderr", MFD_CLOEXEC);
    if (errorLog_ < 0 || pipe2(frames, O_CLOEXEC) != 0 || pipe2(status, O_CLOEXEC) != 0) {
        *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        for (int fd : {frames[0], frames[1], status[0], status[1]}) {
            if (fd >= 0) close(fd);
        }
        Abandon();
        return false;
    }
    fcntl(frames[1], F_SETPIPE_SZ, kPipeBytes);

    pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) RunFfmpeg(argv.data(), parent, frames[0], errorLog_, status[1]);
    close(frames[0]);
    close(status[1]);
    if (child < 0) {
        *error = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        close(frames[1]);
        close(status[0]);
        Abandon();
        return false;
    }
    child_ = child;
    fd_ = frames[1];
    int code = 0;
    ssize_t got;
    do {
        got = read(status[0], &code, sizeof code);
    } while (got < 0 && errno == EINTR);
    close(status[0]);
    if (got == static_cast<ssize_t>(sizeof code)) {
        errno = code;
        *error = ErrnoText("cannot run", ffmpeg);
        Abandon();
        return false;
    }
    return true;
}

bool VideoPipe::Write(const void* data, size_t bytes, std::string* error) {
    if (fd_ < 0) {
        *error = "the video is not open";
        return false;
    }
    // A reader that went away raises SIGPIPE: held back here, and taken
    // back if this write raised it, so that only EPIPE tells.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const char* at = static_cast<const char*>(data);
    size_t left = bytes;
    int failure = 0;
    while (left > 0) {
        ssize_t wrote = write(fd_, at, left);
        if (wrote < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            break;
        }
        at += wrote;
        left -= static_cast<size_t>(wrote);
    }
    if (failure == EPIPE) {
        timespec none = {0, 0};
        sigtimedwait(&pipeSignal, nullptr, &none);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (failure == 0) return true;

    if (child_ > 0) {
        // ffmpeg stopped reading: its own words say why.
        close(fd_);
        fd_ = -1;
        if (Reap(error)) *error = "ffmpeg stopped reading frames";
    } else {
        errno = failure;
        *error = ErrnoText("cannot write", partPath_.empty() ? std::string("the raw frames") : partPath_);
    }
    Abandon();
    return false;
}

bool VideoPipe::Reap(std::string* error) {
    int status = 0;
    pid_t got;
    do {
        got = waitpid(child_, &status, 0);
    } while (got < 0 && errno == EINTR);
    child_ = -1;
    if (got > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::string how = "ffmpeg failed";
    if (got > 0 && WIFEXITED(status)) {
        how += " (exit code " + std::to_string(WEXITSTATUS(status)) + ")";
    } else if (got > 0 && WIFSIGNALED(status)) {
        how += " (signal " + std::to_string(WTERMSIG(status)) + ")";
    }
    std::string tail = ErrorTail(errorLog_);
    *error = tail.empty() ? how : how + ":\n" + tail;
    return false;
}

bool VideoPipe::Close(std::string* error) {
    if (fd_ < 0 && child_ < 0) {
        *error = "the video is not open";
        return false;
    }
    bool ok = true;
    if (fd_ >= 0 && ownsFd_ && close(fd_) != 0 && child_ < 0) {
        *error = ErrnoText("cannot write", partPath_.empty() ? finalPath_ : partPath_);
        ok = false;
    }
    fd_ = -1;
    if (child_ > 0 && !Reap(error)) ok = false;
    if (ok && !partPath_.empty() && rename(partPath_.c_str(), finalPath_.c_str()) != 0) {
        *error = ErrnoText("cannot rename to", finalPath_);
        ok = false;
    }
    if (ok) partPath_.clear();
    Abandon();
    return ok;
}

void VideoPipe::Abandon() {
    if (fd_ >= 0 && ownsFd_) close(fd_);
    fd_ = -1;
    if (child_ > 0) {
        kill(child_, SIGKILL);
        while (waitpid(child_, nullptr, 0) < 0 && errno == EINTR) {
        }
        child_ = -1;
    }
    if (errorLog_ >= 0) close(errorLog_);
    errorLog_ = -1;
    if (!partPath_.empty()) unlink(partPath_.c_str());
    partPath_.clear();
    finalPath_.clear();
}

}  // namespace platform
