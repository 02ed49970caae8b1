// Pixel probes (see probe_case.h).
#include "tools/probe/probe_case.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/fx/effect_info.h"
#include "platform/fx/fx.h"
#include "platform/gfx/gl_device.h"

namespace fs = std::filesystem;

namespace probe {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

bool Number(const std::string& text, float* out) {
    char* end = nullptr;
    *out = std::strtof(text.c_str(), &end);
    return !text.empty() && end == text.c_str() + text.size();
}

bool Integer(const std::string& text, int* out) {
    float f = 0;
    if (!Number(text, &f) || f != std::floor(f) || f < 0 || f > 1e6) return false;
    *out = static_cast<int>(f);
    return true;
}

// Four floats from word first on, the last words of the line.
bool Rgba(const std::vector<std::string>& w, size_t first, float* rgba) {
    if (w.size() != first + 4) return false;
    for (size_t i = 0; i < 4; ++i) {
        if (!Number(w[first + i], &rgba[i])) return false;
    }
    return true;
}

// The line after its first n words.
std::string After(const std::string& line, size_t n) {
    size_t at = 0;
    for (size_t i = 0; i < n && at != std::string::npos; ++i) {
        at = line.find_first_not_of(" \t", at);
        if (at != std::string::npos) at = line.find_first_of(" \t", at);
    }
    if (at != std::string::npos) at = line.find_first_not_of(" \t", at);
    return at == std::string::npos ? "" : line.substr(at);
}

bool ReadDirective(const std::string& line, Case* c) {
    const std::vector<std::string> w = Words(line);
    if (w.empty()) return false;
    const std::string& key = w[0];
    if (key == "entry" && w.size() >= 3) {
        c->entry = After(line, 1);
        return true;
    }
    if (key == "size" && w.size() == 3) {
        int width = 0, height = 0;
        if (!Integer(w[1], &width) || !Integer(w[2], &height) || width < 1 || height < 1 ||
            width > 256 || height > 256) {
            return false;
        }
        c->width = static_cast<UINT>(width);
        c->height = static_cast<UINT>(height);
        return true;
    }
    if (key == "winding" && w.size() == 2 && (w[1] == "ccw" || w[1] == "cw")) {
        c->counterClockwise = w[1] == "ccw";
        return true;
    }
    if ((key == "vs" || key == "ps") && w.size() >= 4 && w[1].size() > 1 && w[1][0] == 'c' &&
        w[2] == "=") {
        Registers r;
        r.vertex = key == "vs";
        if (!Integer(w[1].substr(1), &r.start) || r.start >= 256) return false;
        for (size_t i = 3; i < w.size(); ++i) {
            float v = 0;
            if (!Number(w[i], &v)) return false;
            r.values.push_back(v);
        }
        if (r.values.size() % 4 != 0) return false;
        c->registers.push_back(std::move(r));
        return true;
    }
    if (key == "expect") {
        Expectation e;
        const bool at = w.size() == 9 && w[1] == "at" && w[4] == "=";
        if (at && (!Integer(w[2], &e.x) || !Integer(w[3], &e.y) || e.x < 0 || e.y < 0))
            return false;
        if (!Rgba(w, at ? 5 : 1, e.rgba)) return false;
        c->expect.push_back(e);
        return true;
    }
    if (key == "define" && w.size() == 2) {
        size_t equals = w[1].find('=');
        c->defines.push_back({w[1].substr(0, equals),
                              equals == std::string::npos ? "1" : w[1].substr(equals + 1)});
        return !c->defines.back().first.empty();
    }
    if (key == "ulps" && w.size() == 2) return Integer(w[1], &c->ulps);
    if (key == "abs" && w.size() == 2) return Number(w[1], &c->absolute) && c->absolute >= 0;
    if ((key == "error" || key == "warning") && w.size() >= 3) {
        int at = 0;
        if (!Integer(w[1], &at) || at < 1) return false;
        (key == "error" ? c->errorLine : c->warningLine) = at;
        (key == "error" ? c->errorText : c->warningText) = After(line, 2);
        return true;
    }
    if (key == "texture") {
        TextureData t;
        if (!ReadTextureDirective(std::vector<std::string>(w.begin() + 1, w.end()), &t)) {
            return false;
        }
        c->textures.push_back(std::move(t));
        return true;
    }
    if (key == "texels" && w.size() >= 2 && !c->textures.empty()) {
        std::vector<float>& values = c->textures.back().values;
        const size_t start = values.size();
        for (size_t i = 1; i < w.size(); ++i) {
            int times = 0;
            float v = 0;
            if (w[i][0] == '*' && i + 1 == w.size() && Integer(w[i].substr(1), &times) &&
                times >= 1 && values.size() > start) {
                const std::vector<float> once(values.begin() + long(start), values.end());
                for (int k = 1; k < times; ++k) {
                    values.insert(values.end(), once.begin(), once.end());
                }
            } else if (Number(w[i], &v)) {
                values.push_back(v);
            } else {
                return false;
            }
        }
        return true;
    }
    if (key == "xfail" && w.size() >= 2) {
        c->knownFailure = After(line, 1);
        return true;
    }
    return false;
}

// Distance in units in the last place (0 for equal values, also 0 and -0).
int64_t UlpDistance(float a, float b) {
    auto ordered = [](float f) {
        int32_t i = 0;
        std::memcpy(&i, &f, sizeof i);
        return i < 0 ? int64_t{INT32_MIN} - i : int64_t{i};
    };
    return std::llabs(ordered(a) - ordered(b));
}

std::string Format(const float* v) {
    char text[128];
    std::snprintf(text, sizeof text, "(%.9g, %.9g, %.9g, %.9g)", v[0], v[1], v[2], v[3]);
    return text;
}

struct Vertex {
    float x, y, z;
    uint32_t diffuse;
    float u, v, s, t;
};

// Two triangles over the whole target, clockwise on screen unless asked.
std::vector<Vertex> Quad(bool counterClockwise) {
    const Vertex tl{-1, 1, 0.5f, 0xFFFFFFFFu, 0, 0, 0, 1};
    const Vertex tr{1, 1, 0.5f, 0xFFFFFFFFu, 1, 0, 0, 1};
    const Vertex bl{-1, -1, 0.5f, 0xFFFFFFFFu, 0, 1, 0, 1};
    const Vertex br{1, -1, 0.5f, 0xFFFFFFFFu, 1, 1, 0, 1};
    if (counterClockwise) return {tl, bl, tr, tr, bl, br};
    return {tl, tr, bl, tr, br, bl};
}

// The compiler's text: must fail with the expected error, or compile with
// the expected warning.
bool CheckMessages(const Case& c, bool compiled, const std::string& text, std::string* report) {
    auto has = [&](int line, const std::string& severity, const std::string& fragment) {
        // (Built step by step: GCC 12 warns falsely about "(" + string.)
        std::string at = "(";
        at += std::to_string(line);
        at += ',';
        std::istringstream in(text);
        for (std::string l; std::getline(in, l);) {
            if (l.find(at) != std::string::npos && l.find(severity) != std::string::npos &&
                l.find(fragment) != std::string::npos) {
                return true;
            }
        }
        return false;
    };
    if (c.errorLine > 0) {
        if (compiled) {
            *report = "compiled, but an error on line " + std::to_string(c.errorLine) +
                      " was expected: " + c.errorText + "\n" + text;
            return false;
        }
        if (!has(c.errorLine, ": error: ", c.errorText)) {
            *report = "no error on line " + std::to_string(c.errorLine) + " saying '" +
                      c.errorText + "':\n" + text;
            return false;
        }
        return true;
    }
    if (!compiled) {
        *report = "did not compile:\n" + text;
        return false;
    }
    if (c.warningLine > 0 && !has(c.warningLine, ": warning: ", c.warningText)) {
        *report = "no warning on line " + std::to_string(c.warningLine) + " saying '" +
                  c.warningText + "':\n" + text;
        return false;
    }
    return true;
}

void Draw(IDirect3DDevice9* device, ID3DXEffect* effect, IDirect3DVertexBuffer9* buffer,
          const Case& c) {
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetStreamSource(0, buffer, 0, sizeof(Vertex));
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4_0);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0, 1.0f, 0);
    if (device->BeginScene() != 0) return;
    if (effect->Begin(nullptr, 0) == 0) {
        if (effect->BeginPass(0) == 0) {
            for (const Registers& r : c.registers) {
                const UINT count = static_cast<UINT>(r.values.size() / 4);
                if (r.vertex) {
                    device->SetVertexShaderConstantF(static_cast<UINT>(r.start), r.values.data(),
                                                     count);
                } else {
                    device->SetPixelShaderConstantF(static_cast<UINT>(r.start), r.values.data(),
                                                    count);
                }
            }
            device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
            effect->EndPass();
        }
        effect->End();
    }
    device->EndScene();
}

bool Compare(const Case& c, const Outcome& o, std::string* report) {
    int wrong = 0;
    for (UINT y = 0; y < o.height; ++y) {
        for (UINT x = 0; x < o.width; ++x) {
            const float* got = &o.pixels[(size_t{y} * o.width + x) * 4];
            // A pixel's own expectation wins over one for every pixel.
            const Expectation* want = nullptr;
            for (const Expectation& e : c.expect) {
                const bool here = e.x >= 0 && static_cast<UINT>(e.x) == x &&
                                  static_cast<UINT>(e.y) == y;
                if (here || (e.x < 0 && want == nullptr)) want = &e;
            }
            if (want == nullptr) continue;
            bool same = true;
            for (int i = 0; i < 4; ++i) {
                same &= UlpDistance(got[i], want->rgba[i]) <= c.ulps ||
                        std::fabs(got[i] - want->rgba[i]) <= c.absolute;
            }
            if (same) continue;
            if (++wrong <= 4) {
                *report += "pixel (" + std::to_string(x) + ", " + std::to_string(y) + "): " +
                           Format(got) + ", expected " + Format(want->rgba) + "\n";
            }
        }
    }
    if (wrong > 4) *report += "... " + std::to_string(wrong) + " pixels differ\n";
    return wrong == 0;
}

}  // namespace

bool ReadCase(const fs::path& path, Case* out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path.string() + ": cannot read it";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    Case c;
    c.path = path;
    c.group = path.parent_path().filename().string();
    c.name = path.stem().string();
    c.source = text.str();
    std::istringstream lines(c.source);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        size_t at = line.find("//?");
        if (at == std::string::npos) continue;
        std::string directive = line.substr(at + 3);
        while (!directive.empty() && (directive.back() == '\r' || directive.back() == ' '))
            directive.pop_back();
        if (!ReadDirective(directive, &c)) {
            *error = path.string() + ":" + std::to_string(number) + ": cannot read '//?" +
                     directive + "'";
            return false;
        }
    }
    if (c.errorLine == 0 && c.expect.empty()) {
        *error = path.string() + ": no 'expect' and no 'error' line";
        return false;
    }
    // A pixel the target does not have would never be compared: the case
    // would pass without checking it.
    for (const Expectation& e : c.expect) {
        if (e.x >= 0 && (static_cast<UINT>(e.x) >= c.width || static_cast<UINT>(e.y) >= c.height)) {
            *error = path.string() + ": 'expect at " + std::to_string(e.x) + " " +
                     std::to_string(e.y) + "' is outside the " + std::to_string(c.width) + " x " +
                     std::to_string(c.height) + " target";
            return false;
        }
    }
    *out = std::move(c);
    return true;
}

Outcome RunCase(IDirect3DDevice9* device, const Case& c, const fs::path& workDir) {
    Outcome o;
    for (const TextureData& t : c.textures) {
        if (!WriteTexture(t, workDir, &o.report)) return o;
    }
    const fs::path file = workDir / (c.name + ".fx");
    std::ofstream(file, std::ios::binary) << c.source << (c.entry.empty() ? "" : fx::BareShaderTechnique(c.entry, true));

    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    std::vector<D3DXMACRO> defines;
    for (const auto& [name, value] : c.defines) defines.push_back({name.c_str(), value.c_str()});
    defines.push_back({nullptr, nullptr});
    HRESULT hr = D3DXCreateEffectFromFileA(device, file.c_str(), defines.data(), nullptr, 0,
                                           nullptr, &effect, &errors);
    std::string text;
    if (errors != nullptr) {
        if (const char* p = static_cast<const char*>(errors->GetBufferPointer())) text = p;
        errors->Release();
    }
    const bool compiled = hr == 0 && effect != nullptr;
    o.passed = CheckMessages(c, compiled, text, &o.report);
    if (!compiled || !o.passed || c.errorLine > 0) {
        if (effect != nullptr) effect->Release();
        return o;
    }
    o.report = text;

    IDirect3DVertexBuffer9* buffer = nullptr;
    const std::vector<Vertex> quad = Quad(c.counterClockwise);
    void* data = nullptr;
    if (device->CreateVertexBuffer(static_cast<UINT>(quad.size() * sizeof(Vertex)),
                                   D3DUSAGE_WRITEONLY, 0, D3DPOOL_DEFAULT, &buffer, nullptr) != 0 ||
        buffer->Lock(0, 0, &data, 0) != 0) {
        o.passed = false;
        o.report = "no vertex buffer";
    } else {
        std::memcpy(data, quad.data(), quad.size() * sizeof(Vertex));
        buffer->Unlock();
        if (platform::UseFloatRenderTarget(device, c.width, c.height) != 0) {
            o.passed = false;
            o.report = "no float render target on this device";
        } else {
            Draw(device, effect, buffer, c);
            platform::ReadFloatRenderTarget(device, &o.pixels, &o.width, &o.height);
            platform::UseFloatRenderTarget(device, 0, 0);
            o.report.clear();
            o.passed = Compare(c, o, &o.report);
        }
    }
    if (buffer != nullptr) buffer->Release();
    effect->Release();
    return o;
}

std::vector<fs::path> FindCases(const fs::path& root) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_regular_file() && it->path().extension() == ".fx") found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

}  // namespace probe
