// flowfield-capture: runs the program's real frame sequence offscreen and
// saves chosen frames of the back buffer as PNG, or every frame as a video.
//
//   flowfield-capture [--clock MS] [--frames N] [--press FRAME:F4|F5]...
//                     [--hold F4|F5] [--png FRAME:PATH]... [--quiet]
//                     [--video FILE.mp4|.mkv|.webm [--crf N] [--fps N] | --raw FILE|-]
//                     [--scale K] [--set NAME=VALUE]... [--knobs FILE]
//                     [-D NAME[=VALUE]]... [EFFECT.fx]
//
// --video pipes frames 1 to N into ffmpeg, one video frame each; --raw
// writes them as raw RGBA (standard output for "-", which then carries no
// console lines). --scale K renders at K times the back buffer's size.
// The millisecond clock that places the particles is fixed by --clock, so the
// same clock and frames give the same image. The effect is EFFECT.fx, a path
// from the working directory, as the program takes it; main.fx there without
// one. Keys are pressed (and released) just before the frame they name.
// Knobs: --knobs reads FILE instead of EFFECT.fx.knobs, and each --set
// gives a knob its value after that, at every load.
// Exit codes: 0 done, 1 start-up or write failure, 2 bad usage.
#include "app/frame.h"
#include "app/program.h"
#include "platform/crt/crt.h"
#include "platform/gfx/gl_device.h"
#include "platform/video/video.h"
#include "platform/knobs/knobs.h"
#include "platform/window/window.h"
#include "render/scene.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct KeyPress {
    long frame;
    int key;
};

struct Snapshot {
    long frame;
    std::string path;
};

struct Options {
    uint32_t clock = 1000;
    long frames = 1;
    std::vector<KeyPress> presses;
    std::vector<Snapshot> snapshots;
    int heldKey = 0;  // a key held down through every frame
    bool quiet = false;
    const char* effect = nullptr;  // the effect file; nullptr: main.fx
    const char* video = nullptr;   // --video or --raw FILE
    VideoFormat videoFormat = VIDEO_MP4;
    int crf = -1;
    int fps = 60;
    int scale = 1;
};

constexpr int kMaxScale = 4;

uint32_t g_fixedClock = 0;
uint32_t FixedClock() { return g_fixedClock; }

const char* const kUsage =
    "usage: flowfield-capture [--clock MS] [--frames N] [--press FRAME:F4|F5]...\n"
    "                         [--hold F4|F5] [--png FRAME:PATH]... [--quiet]\n"
    "                         [--video FILE.mp4|.mkv|.webm [--crf N] [--fps N] | --raw FILE|-]\n"
    "                         [--scale 1-4] [--set NAME=VALUE]... [--knobs FILE]\n"
    "                         [-D NAME[=VALUE]]... [EFFECT.fx]\n"
    "  EFFECT.fx        the effect, a path from the working directory (default: main.fx)\n"
    "  --clock MS       the millisecond clock the particles are placed by (default: 1000)\n"
    "  --frames N       how many frames to run (default: 1)\n"
    "  --press FRAME:K  press and release F4 or F5 just before that frame\n"
    "  --hold K         hold F4 or F5 down through every frame\n"
    "  --png FRAME:PATH save that frame's back buffer as a PNG\n"
    "  --video FILE     frames 1 to N as a video through ffmpeg (.mp4, .mkv, .webm)\n"
    "  --crf N          the video's rate factor (.mp4 0-51, default 18; .webm 0-63)\n"
    "  --fps N          the video's frames a second (default 60)\n"
    "  --raw FILE|-     frames 1 to N as raw RGBA, top row first (-: standard output)\n"
    "  --scale K        render at K times the back buffer's size (1-4)\n"
    "  --set NAME=VALUE give a knob a value (repeatable)\n"
    "  --knobs FILE     read FILE instead of EFFECT.fx.knobs\n"
    "  -D NAME[=VALUE]  define a macro for the effect (repeatable)\n"
    "  --quiet          no console lines\n"
    "  --help           this text\n";

bool ParseNumber(const char* text, long min, long max, long* out) {
    char* end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < min || value > max) return false;
    *out = value;
    return true;
}

// "FRAME:REST" -> frame and rest.
bool SplitFrame(const char* text, long* frame, std::string* rest) {
    const char* colon = strchr(text, ':');
    if (colon == nullptr || colon[1] == '\0') return false;
    std::string number(text, colon);
    if (!ParseNumber(number.c_str(), 1, 100000000L, frame)) return false;
    *rest = colon + 1;
    return true;
}

// "F4" or "F5" -> the virtual-key code, 0 for anything else.
int ParseKey(const std::string& name) {
    if (name == "F4" || name == "f4") return VK_F4;
    if (name == "F5" || name == "f5") return VK_F5;
    return 0;
}

// Reads the command line into *options. Returns -1 to go on, or the exit
// code: 0 after --help, 2 after a usage error (said in *error, or already
// said when *error is empty).
int ParseOptions(int argc, char** argv, Options* options, std::string* error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        const bool option = !optionsEnded && arg.size() > 1 && arg[0] == '-';
        long number = 0;
        std::string rest;
        if (option && arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (option && (arg == "--help" || arg == "-h")) return 0;
        if (option && arg == "--quiet") {
            options->quiet = true;
            continue;
        }
        if (int taken = option ? ReadDefineOption("flowfield-capture", argc, argv, &i) : 0) {
            if (taken < 0) return 2;
            continue;
        }
        if (!option) {
            if (options->effect != nullptr) {
                *error = "a second effect path '" + arg + "'";
                return 2;
            }
            options->effect = argv[i];
            continue;
        }
        const char* needs = arg == "--clock"    ? "a number of milliseconds"
                            : arg == "--frames" ? "a positive number"
                            : arg == "--press"  ? "FRAME:F4 or FRAME:F5"
                            : arg == "--hold"   ? "F4 or F5"
                            : arg == "--png"    ? "FRAME:PATH"
                            : arg == "--set"    ? "NAME=VALUE"
                            : arg == "--knobs"  ? "a file"
                            : arg == "--video"  ? "a file ending in .mp4, .mkv or .webm"
                            : arg == "--raw"    ? "a file or -"
                            : arg == "--crf"    ? "a rate factor (0-51 for .mp4, 0-63 for .webm)"
                            : arg == "--fps"    ? "a number of frames a second (1-1000)"
                            : arg == "--scale"  ? "a number from 1 to 4"
                                                : nullptr;
        if (needs == nullptr) {
            *error = "unknown option '" + arg + "'";
            return 2;
        }
        const char* value = i + 1 < argc ? argv[++i] : nullptr;
        bool ok = value != nullptr;
        if (ok && arg == "--clock") {
            ok = ParseNumber(value, 0, 0xFFFFFFFFL, &number);
            options->clock = static_cast<uint32_t>(number);
        } else if (ok && arg == "--frames") {
            ok = ParseNumber(value, 1, 100000000L, &number);
            options->frames = number;
        } else if (ok && arg == "--press") {
            ok = SplitFrame(value, &number, &rest) && ParseKey(rest) != 0;
            if (ok) options->presses.push_back({number, ParseKey(rest)});
        } else if (ok && arg == "--hold") {
            options->heldKey = ParseKey(value);
            ok = options->heldKey != 0;
        } else if (ok && arg == "--png") {
            ok = SplitFrame(value, &number, &rest);
            if (ok) options->snapshots.push_back({number, rest});
        } else if (ok && arg == "--set") {
            ok = AddKnobSetting(value);
        } else if (ok && arg == "--knobs") {
            SetKnobsFile(value);
        } else if (ok && (arg == "--video" || arg == "--raw")) {
            const int format = arg == "--raw" ? VIDEO_RAW : VideoFormatForPath(value);
            if (options->video != nullptr) {
                *error = "one --video or --raw at a time";
                return 2;
            }
            ok = value[0] != '\0' && format >= 0;
            options->video = value;
            if (ok) options->videoFormat = static_cast<VideoFormat>(format);
        } else if (ok && arg == "--crf") {
            ok = ParseNumber(value, 0, 63, &number);
            options->crf = static_cast<int>(number);
        } else if (ok && arg == "--fps") {
            ok = ParseNumber(value, 1, 1000, &number);
            options->fps = static_cast<int>(number);
        } else if (ok && arg == "--scale") {
            ok = ParseNumber(value, 1, kMaxScale, &number);
            options->scale = static_cast<int>(number);
        }
        if (!ok) {
            *error = arg + " needs " + needs;
            return 2;
        }
    }
    // H.264's rate factor stops at 51.
    if (options->videoFormat == VIDEO_MP4 && options->crf > 51) {
        *error = "--crf needs 0-51 for .mp4";
        return 2;
    }
    // A frame that never runs would pass in silence: refuse it.
    for (const KeyPress& press : options->presses) {
        if (press.frame > options->frames) {
            *error = "--press " + std::to_string(press.frame) + ": past the last frame (" +
                     std::to_string(options->frames) + ")";
            return 2;
        }
    }
    for (const Snapshot& snapshot : options->snapshots) {
        if (snapshot.frame > options->frames) {
            *error = "--png " + std::to_string(snapshot.frame) + ": past the last frame (" +
                     std::to_string(options->frames) + ")";
            return 2;
        }
    }
    return -1;
}

bool WritePng(IDirect3DDevice9* device, const std::string& path) {
    std::vector<uint32_t> argb;
    UINT width = 0, height = 0;
    if (platform::ReadBackBuffer(device, &argb, &width, &height) != 0) {
        fprintf(stderr, "flowfield-capture: cannot read the back buffer\n");
        return false;
    }
    std::vector<unsigned char> rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        rgb[i * 3 + 0] = static_cast<unsigned char>(argb[i] >> 16);
        rgb[i * 3 + 1] = static_cast<unsigned char>(argb[i] >> 8);
        rgb[i * 3 + 2] = static_cast<unsigned char>(argb[i]);
    }
    // Written through our own FILE so that a write that fails (a full disk)
    // is seen: stbi_write_png does not look at what fwrite and fclose say.
    errno = 0;
    FILE* out = fopen(path.c_str(), "wb");
    bool written = out != nullptr;
    if (written) {
        written = stbi_write_png_to_func(
                      [](void* file, void* data, int size) {
                          std::fwrite(data, 1, static_cast<size_t>(size), static_cast<FILE*>(file));
                      },
                      out, static_cast<int>(width), static_cast<int>(height), 3, rgb.data(),
                      static_cast<int>(width) * 3) != 0;
        written = !std::ferror(out) && written;
        written = std::fclose(out) == 0 && written;
    }
    if (!written) {
        fprintf(stderr, "flowfield-capture: cannot write %s: %s\n", path.c_str(),
                errno != 0 ? std::strerror(errno) : "write failed");
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    const int parsed = ParseOptions(argc, argv, &options, &error);
    if (parsed == 0) fputs(kUsage, stdout);
    if (parsed == 2) {
        if (!error.empty()) fprintf(stderr, "flowfield-capture: %s\n", error.c_str());
        fputs(kUsage, stderr);
    }
    if (parsed >= 0) return parsed;

    // Without ffmpeg nothing starts and no file is made.
    bool encoded = options.video != nullptr && options.videoFormat != VIDEO_RAW;
    if (encoded && FindFfmpeg().empty()) {
        fprintf(stderr,
                "flowfield-capture: --video needs ffmpeg on the PATH (Debian package ffmpeg); "
                "no video is written\n");
        return 1;
    }
    // Raw frames on standard output: the console lines go nowhere.
    VideoSettings video;
    video.path = options.video;
    video.format = options.videoFormat;
    video.fps = options.fps;
    video.crf = options.crf;
    if (options.videoFormat == VIDEO_RAW && std::strcmp(options.video, "-") == 0) {
        video.rawFd = dup(STDOUT_FILENO);
        options.quiet = true;
    }

    // No X server needed: SDL's offscreen driver gives a GL context on Mesa.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    g_fixedClock = options.clock;
    if (options.effect != nullptr) g_effectFileName = options.effect;
    crt::SetClockSource(FixedClock);
    if (options.quiet) {
        int devNull = open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            dup2(devNull, STDOUT_FILENO);
            close(devNull);
        }
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);

    // The program's own start-up, without the message loop.
    g_windowClass.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&g_windowClass) == 0) {
        fprintf(stderr, "flowfield-capture: cannot register the window class: %s\n", GetPlatformErrorText());
        return 1;
    }
    g_window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "test", "test", WS_OVERLAPPEDWINDOW, 0, 0,
                               640, 480, nullptr, nullptr, g_windowClass.hInstance, nullptr);
    if (g_window == nullptr) {
        fprintf(stderr, "flowfield-capture: cannot create the window: %s\n", GetPlatformErrorText());
        return 1;
    }
    g_d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (g_d3d == nullptr) {
        fprintf(stderr, "flowfield-capture: no graphics system: %s\n", GetPlatformErrorText());
        return 1;
    }
    // --scale: a larger back buffer; the camera and projection stay.
    g_presentParams.BackBufferWidth *= static_cast<UINT>(options.scale);
    g_presentParams.BackBufferHeight *= static_cast<UINT>(options.scale);
    g_d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                        &g_presentParams, &g_device);
    if (g_device == nullptr) {
        fprintf(stderr, "flowfield-capture: no graphics device: %s\n", GetPlatformErrorText());
        g_d3d->Release();
        g_d3d = nullptr;
        return 1;
    }
    int exitCode = 0;
    if (options.video != nullptr && StartVideo(g_device, video) != 0) {
        fprintf(stderr, "flowfield-capture: %s\n", GetVideoErrorText());
        exitCode = 1;
        options.frames = 0;
    }
    InitScene();
    if (options.heldKey != 0) FeedKeyEvent(options.heldKey, true);

    for (long frame = 1; frame <= options.frames; ++frame) {
        for (const KeyPress& press : options.presses) {
            if (press.frame == frame) {
                FeedKeyEvent(press.key, true);
                FeedKeyEvent(press.key, false);
            }
        }
        RunFrame();
        for (const Snapshot& snapshot : options.snapshots) {
            if (snapshot.frame == frame && !WritePng(g_device, snapshot.path)) exitCode = 1;
        }
        if (VideoRunning() && AddVideoFrame() != 0) {
            fprintf(stderr, "flowfield-capture: %s\n", GetVideoErrorText());
            exitCode = 1;
            break;
        }
    }
    if (VideoRunning() && FinishVideo(nullptr) != 0) {
        fprintf(stderr, "flowfield-capture: %s\n", GetVideoErrorText());
        exitCode = 1;
    }
    if (video.rawFd >= 0) close(video.rawFd);

    ReleaseScene();
    g_device->Release();
    g_device = nullptr;
    g_d3d->Release();
    g_d3d = nullptr;
    return exitCode;
}
