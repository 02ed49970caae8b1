// flowfield-fxcheck: compiles effect files exactly as the program does
// (D3DXCreateEffectFromFileA on the program's own GL device), without
// showing a window, and says what came of each.
//
//   flowfield-fxcheck [--all] [--glsl] [--registers] [--params] [-D NAME[=VALUE]]... FILE...
//
// For each file: the compiler's text when it fails; otherwise "FILE: ok",
// any warnings, and every technique with its passes, entry points and
// profiles, and the samplers each compiled pass reads with the texture each
// puts on its stage (the image file's size, format and mip levels) (--glsl
// adds the GLSL the device compiled for each stage, --registers each
// stage's constant registers as Direct3D 9 allocates them: name, first
// register, count), --params the effect's knobs, "param NAME: TYPE =
// VALUE, WIDGET MIN..MAX", then a warning for each annotation it could not
// read). Like
// the program, it compiles the first technique only and lists the others as
// not compiled; --all compiles and links every technique, releasing each
// one's programs once it is checked.
// -D defines a macro before each file's first line, as the program's -D does.
//
//   flowfield-fxcheck -T PROFILE [-E ENTRY] [-D NAME[=VALUE]]... FILE...
//
// compiles one shader as a command-line shader compiler does: ENTRY ("main"
// when not given) for PROFILE, as a pass holding only that stage (the
// device's stand-in gives the other), any techniques in the file ignored.
// "/T", "/E" and "/D" are the same options, and each takes its value in the
// same word too ("-Tps_2_0", "/Emain"). It prints "FILE: ok", the warnings
// and the stage ("  pixel: ps_2_0 main"), or the compiler's text. -T fx_2_0
// is the effect profile: the file is checked as an effect, as without -T.
// Exit codes: 0 every file compiles, 1 any does not (or no graphics device),
// 2 bad usage.
#include "app/program.h"
#include "platform/fx/effect_info.h"
#include "platform/fx/fx.h"
#include "platform/knobs/knobs.h"
#include "platform/window/window.h"
#include "render/scene.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: flowfield-fxcheck [--all] [--glsl] [--registers] [--params]\n"
    "                         [-D NAME[=VALUE]]... FILE...\n"
    "       flowfield-fxcheck -T PROFILE [-E ENTRY] [--glsl] [--registers]\n"
    "                         [-D NAME[=VALUE]]... FILE...\n"
    "  FILE         an effect file to compile as the program does\n"
    "  -T PROFILE   compile one shader instead, as a shader compiler's command\n"
    "               line does: ENTRY for PROFILE (vs_1_1 ... ps_3_0,\n"
    "               ps_4_0_level_9_1, ...), the file's techniques ignored\n"
    "               (-T fx_2_0: the whole effect, as without -T)\n"
    "  -E ENTRY     the shader's entry point with -T (main when not given)\n"
    "  /T /E /D     the same as -T -E -D\n"
    "  --all        compile every technique, not only the first\n"
    "  --glsl       show the GLSL compiled for each stage\n"
    "  --registers  show each stage's constant registers\n"
    "  --params     list the effect's knobs and the annotations it cannot read\n"
    "  -D NAME[=VALUE]  define a macro before each file's first line (repeatable)\n"
    "  --help       this text\n";

// A usage error: why, then the usage; exit code 2.
int UsageError(const std::string& why) {
    fprintf(stderr, "flowfield-fxcheck: %s\n%s", why.c_str(), kUsage);
    return 2;
}

bool g_registers = false;  // --registers
bool g_params = false;     // --params

// The knobs as the program reads them, then what it could not read.
void PrintKnobs(ID3DXEffect* effect, const char* path) {
    std::vector<Knob> knobs;
    std::vector<std::string> warnings;
    ReadKnobs(effect, &knobs, &warnings);
    for (const Knob& knob : knobs) printf("%s\n", DescribeKnob(knob).c_str());
    for (const std::string& w : warnings) printf("%s: warning: %s\n", path, w.c_str());
}

// The GL context lives on a window; nobody sees it.
IDirect3DDevice9* CreateHiddenDevice(IDirect3D9** d3d) {
    g_windowClass.hInstance = GetModuleHandleA(nullptr);
    if (RegisterClassExA(&g_windowClass) == 0) {
        fprintf(stderr, "flowfield-fxcheck: cannot register the window class: %s\n",
                GetPlatformErrorText());
        return nullptr;
    }
    g_window = CreateWindowExA(WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, "test", "test",
                               WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, nullptr, nullptr,
                               g_windowClass.hInstance, nullptr);
    if (g_window == nullptr) {
        fprintf(stderr, "flowfield-fxcheck: cannot create the window: %s\n",
                GetPlatformErrorText());
        return nullptr;
    }
    *d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (*d3d == nullptr) {
        fprintf(stderr, "flowfield-fxcheck: no graphics system: %s\n", GetPlatformErrorText());
        return nullptr;
    }
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS params = g_presentParams;
    (*d3d)->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, g_window,
                         D3DCREATE_HARDWARE_VERTEXPROCESSING, &params, &device);
    if (device == nullptr) {
        fprintf(stderr, "flowfield-fxcheck: no graphics device: %s\n", GetPlatformErrorText());
        (*d3d)->Release();
        *d3d = nullptr;
    }
    return device;
}

void PrintIndented(const std::string& text, const char* indent) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        printf("%s%s\n", indent, text.substr(start, end - start).c_str());
        start = end + 1;
    }
}

void PrintStage(const char* what, const fx::EffectStageInfo& stage, bool glsl) {
    if (stage.generated) {
        printf("      %s: none (fixed-function stand-in)\n", what);
    } else {
        printf("      %s: %s %s\n", what, stage.profile.c_str(), stage.entry.c_str());
    }
    if (g_registers) {
        for (const std::string& line : stage.registers) printf("        %s\n", line.c_str());
    }
    if (glsl) PrintIndented(stage.glsl, "        | ");
}

//   sampler SpriteSampler, stage 0: SpriteTex from 'spark.png', 2D 64 x 64 RGBA8, 7 levels
void PrintSampler(const fx::EffectSamplerInfo& s, const char* indent = "      ") {
    printf("%ssampler %s, stage %u: ", indent, s.name.c_str(), static_cast<unsigned>(s.stage));
    if (s.texture.empty()) {
        printf("no texture (opaque black)\n");
    } else if (s.file.empty()) {
        printf("%s, no file (opaque black)\n", s.texture.c_str());
    } else {
        printf("%s from '%s', %s\n", s.texture.c_str(), s.file.c_str(), s.description.c_str());
    }
}

// Prints what a compile said, after "FILE: ok" when it compiled, and
// hands back the effect then; on a failure releases what it got and hands
// back nullptr (a line of its own when the compiler said nothing).
ID3DXEffect* Reported(HRESULT hr, ID3DXEffect* effect, ID3DXBuffer* text, const char* path,
                      const char* what) {
    std::string message;
    if (text != nullptr) {
        const char* p = static_cast<const char*>(text->GetBufferPointer());
        if (p != nullptr) message = p;
        text->Release();
    }
    if (hr != 0 || effect == nullptr) {
        if (message.empty())
            message = std::string(path) + ": error: the " + what + " did not compile\n";
        fputs(message.c_str(), stdout);
        if (effect != nullptr) effect->Release();
        return nullptr;
    }
    printf("%s: ok\n", path);
    fputs(message.c_str(), stdout);
    return effect;
}

// True when the file compiles.
bool CheckFile(IDirect3DDevice9* device, const char* path, bool all, bool glsl) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* text = nullptr;
    HRESULT hr = all ? fx::CheckEffectFile(device, path, &effect, &text, g_effectDefines)
                     : D3DXCreateEffectFromFileA(device, path, g_effectDefines, nullptr, 0,
                                                 nullptr, &effect, &text);
    effect = Reported(hr, effect, text, path, "effect");
    if (effect == nullptr) return false;
    std::vector<fx::EffectTechniqueInfo> techniques;
    fx::GetEffectInfo(effect, &techniques);
    for (const fx::EffectTechniqueInfo& technique : techniques) {
        printf("  technique %s%s\n", technique.name.empty() ? "(unnamed)" : technique.name.c_str(),
               technique.compiled ? "" : " (not compiled: the program uses the first)");
        for (const fx::EffectPassInfo& pass : technique.passes) {
            printf("    pass %s\n", pass.name.empty() ? "(unnamed)" : pass.name.c_str());
            PrintStage("vertex", pass.vertex, glsl && technique.compiled);
            PrintStage("pixel", pass.pixel, glsl && technique.compiled);
            for (const fx::EffectSamplerInfo& sampler : pass.samplers) PrintSampler(sampler);
        }
    }
    if (g_params) PrintKnobs(effect, path);
    effect->Release();
    return true;
}

// -T mode: the file's one shader, compiled alone. True when it compiles.
bool CheckShaderFile(IDirect3DDevice9* device, const char* path, const std::string& profile,
                     const std::string& entry, bool glsl) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* text = nullptr;
    HRESULT hr = fx::CompileShaderFile(device, path, profile.c_str(), entry.c_str(), &effect,
                                       &text, g_effectDefines);
    effect = Reported(hr, effect, text, path, "shader");
    if (effect == nullptr) return false;
    std::vector<fx::EffectTechniqueInfo> techniques;
    fx::GetEffectInfo(effect, &techniques);
    for (const fx::EffectTechniqueInfo& technique : techniques) {
        for (const fx::EffectPassInfo& pass : technique.passes) {
            const bool vertex = !pass.vertex.generated;
            const fx::EffectStageInfo& stage = vertex ? pass.vertex : pass.pixel;
            // A later compiler's name for a shader-model-2 profile says whose
            // limits it takes.
            printf("  %s: %s %s", vertex ? "vertex" : "pixel", profile.c_str(), stage.entry.c_str());
            if (stage.profile != profile) printf(" (%s limits)", stage.profile.c_str());
            printf("\n");
            if (g_registers) {
                for (const std::string& line : stage.registers) printf("    %s\n", line.c_str());
            }
            if (glsl) PrintIndented(stage.glsl, "    | ");
            for (const fx::EffectSamplerInfo& sampler : pass.samplers) {
                PrintSampler(sampler, "    ");
            }
        }
    }
    effect->Release();
    return true;
}

// The value of -T / -E (also /T, /E): in the same word ("-Tps_2_0") or the
// next. 0: not this option; 1: taken; -1: no value. A slash word is an
// option only when what follows the letter is a name, so that a path such
// as "/Textures/a.fx" stays a path.
int ReadValueOption(char letter, int argc, char** argv, int* i, std::string* value) {
    const char* arg = argv[*i];
    if ((arg[0] != '-' && arg[0] != '/') || arg[1] != letter) return 0;
    if (arg[2] != '\0') {
        if (arg[0] == '/') {
            for (const char* c = arg + 2; *c != '\0'; ++c) {
                if (!std::isalnum(static_cast<unsigned char>(*c)) && *c != '_') return 0;
            }
        }
        *value = arg + 2;
        return 1;
    }
    if (*i + 1 >= argc || argv[*i + 1][0] == '\0') return -1;
    *value = argv[++*i];
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    bool glsl = false;
    bool all = false;
    std::string profile;  // -T: one shader, not an effect
    std::string entry;    // -E
    bool entryGiven = false;
    std::vector<const char*> files;
    std::string slashDefine;  // "/DNAME=VALUE" read as "-DNAME=VALUE"
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        int taken = 0;
        if (!optionsDone && (taken = ReadValueOption('T', argc, argv, &i, &profile)) != 0) {
            if (taken < 0) return UsageError("-T needs a profile");
            continue;
        }
        if (!optionsDone && (taken = ReadValueOption('E', argc, argv, &i, &entry)) != 0) {
            if (taken < 0) return UsageError("-E needs an entry point");
            entryGiven = true;
            continue;
        }
        if (!optionsDone && argv[i][0] == '/' && argv[i][1] == 'D') {
            // "/D NAME=VALUE" or "/DNAME=VALUE" (no further slash: a path).
            const std::string word = argv[i];
            const std::string name = word.substr(2, word.find('=') - 2);
            bool isName = word.find('/', 1) == std::string::npos;
            for (char c : name) {
                isName = isName && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
            }
            if (word == "/D" || (isName && !name.empty())) {
                if (word == "/D" && i + 1 >= argc) return UsageError("/D needs a macro name");
                slashDefine = word == "/D" ? "-D" + std::string(argv[++i]) : "-" + word.substr(1);
                argv[i] = slashDefine.data();
            }
        }
        if (!optionsDone && std::strcmp(argv[i], "--") == 0) {
            optionsDone = true;
        } else if (!optionsDone && std::strcmp(argv[i], "--glsl") == 0) {
            glsl = true;
        } else if (!optionsDone && std::strcmp(argv[i], "--registers") == 0) {
            g_registers = true;
        } else if (!optionsDone && std::strcmp(argv[i], "--params") == 0) {
            g_params = true;
        } else if (!optionsDone && std::strcmp(argv[i], "--all") == 0) {
            all = true;
        } else if (!optionsDone &&
                   (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)) {
            fputs(kUsage, stdout);
            return 0;
        } else if (int taken = optionsDone ? 0
                                           : ReadDefineOption("flowfield-fxcheck", argc, argv, &i)) {
            if (taken < 0) {
                fputs(kUsage, stderr);
                return 2;
            }
        } else if (!optionsDone && argv[i][0] == '-' && argv[i][1] != '\0') {
            return UsageError(std::string("unknown option '") + argv[i] + "'");
        } else {
            files.push_back(argv[i]);
        }
    }
    if (files.empty()) return UsageError(profile.empty() ? "no effect file given" : "no file given");
    if (!profile.empty() && profile != "fx_2_0" && (all || g_params)) {
        return UsageError(std::string(all ? "--all" : "--params") + " is for effects, not with -T");
    }
    if (entryGiven && profile.empty()) return UsageError("-E needs -T PROFILE");
    if (entry.empty()) entry = "main";
    // The effect profile compiles the whole effect, its techniques and all,
    // as without -T (a shader compiler ignores -E with it too).
    if (profile == "fx_2_0") profile.clear();

    // No X server needed: SDL's offscreen driver gives a GL context on Mesa.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setvbuf(stdout, nullptr, _IOLBF, 0);

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = CreateHiddenDevice(&d3d);
    if (device == nullptr) return 1;

    bool allOk = true;
    for (const char* file : files) {
        allOk &= profile.empty() ? CheckFile(device, file, all, glsl)
                                 : CheckShaderFile(device, file, profile, entry, glsl);
    }

    device->Release();
    d3d->Release();
    return allOk ? 0 : 1;
}
