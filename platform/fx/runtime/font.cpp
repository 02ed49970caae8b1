// D3DXCreateFontA and the ID3DXFont it makes: one built-in bitmap font,
// stb_easy_font's glyphs, each drawn as a few solid rectangles (no texture).
//
// A DrawTextA lays the text out into triangles of vertex format 0x20142,
// placed in clip space from the device's viewport, and keeps them: as long
// as the text, rectangle, format, colour and viewport stay the same, a call
// costs one draw and allocates nothing. Drawing goes through the device's
// own operations (a vertex buffer, a small fixed shader program,
// DrawPrimitive); the render states, program, stream and vertex format it
// changes are given back afterwards.
#include "platform/fx/fx.h"
#include "platform/gfx/shader_programs.h"

#include <stb/stb_easy_font.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kLineHeight = 12;  // the font's line advance at scale 1
constexpr int kMaxGlyphQuads = 16;  // the most rectangles a glyph is made of is 11
constexpr DWORD kFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1 | D3DFVF_TEXCOORDSIZE4_0;

struct FontVertex {
    float x, y, z;
    D3DCOLOR diffuse;
    float u[4];
};
static_assert(sizeof(FontVertex) == 32);

// Position in clip space as it comes (turned over for the device's
// top-row-first targets, platform/shader_conventions.h), the colour as it
// comes. Rectangles end on pixel edges: no half-pixel shift is needed.
const char* const kVertexGlsl = R"(#version 450
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 0) out vec4 textColor;
void main() {
    gl_Position = vec4(position.x, -position.y, position.z, 1.0);
    textColor = color;
}
)";

const char* const kPixelGlsl = R"(#version 450
layout(location = 0) in vec4 textColor;
layout(location = 0) out vec4 target;
void main() {
    target = textColor;
}
)";

// Opaque text over whatever is there, whatever the caller's states.
struct StateSetting {
    D3DRENDERSTATETYPE state;
    DWORD value;
};
constexpr StateSetting kTextStates[] = {
    {D3DRS_ALPHABLENDENABLE, TRUE},     {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA}, {D3DRS_BLENDOP, D3DBLENDOP_ADD},
    {D3DRS_CULLMODE, D3DCULL_NONE},     {D3DRS_ZENABLE, D3DZB_FALSE},
    {D3DRS_ZWRITEENABLE, FALSE},        {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
};
constexpr size_t kTextStateCount = sizeof kTextStates / sizeof kTextStates[0];

class Font final : public ID3DXFont {
public:
    Font(IDirect3DDevice9* device, platform::ShaderPrograms* programs, int scale)
        : device_(device), programs_(programs), scale_(scale) {
        device_->AddRef();
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    int DrawTextA(ID3DXSprite* sprite, const char* text, int count, RECT* rect, DWORD format,
                  D3DCOLOR color) override;

private:
    ~Font() override {
        if (program_ != 0) programs_->DeleteShaderProgram(program_);
        if (buffer_ != nullptr) buffer_->Release();
        device_->Release();
    }

    bool SameAsLast(const char* text, size_t length, const RECT& rect, DWORD format,
                    D3DCOLOR color, const D3DVIEWPORT9& viewport) const;
    void Layout(const char* text, size_t length, const RECT& rect, DWORD format, D3DCOLOR color,
                const D3DVIEWPORT9& viewport);
    int Advance(char c) const;
    size_t BreakLine(size_t start, size_t end, int width) const;
    void AddLine(size_t start, size_t end, int top);
    void AddRectangle(int x0, int y0, int x1, int y1);
    bool Prepare();
    void Draw();

    IDirect3DDevice9* device_;
    platform::ShaderPrograms* programs_;  // the same device's programs
    int scale_;
    ULONG refs_ = 1;
    bool broken_ = false;  // the program or the buffer could not be made: draw nothing

    UINT program_ = 0;
    IDirect3DVertexBuffer9* buffer_ = nullptr;
    size_t bufferBytes_ = 0;
    bool uploaded_ = false;  // the buffer holds vertices_

    // What the kept layout was made from.
    bool laidOut_ = false;
    std::string text_;
    RECT rect_{};
    DWORD format_ = 0;
    D3DCOLOR color_ = 0;
    D3DVIEWPORT9 viewport_{};

    std::string glyphs_;  // the text as drawn: printable ASCII and '\n'
    std::vector<FontVertex> vertices_;
    int height_ = 0;
};

bool Font::SameAsLast(const char* text, size_t length, const RECT& rect, DWORD format,
                      D3DCOLOR color, const D3DVIEWPORT9& viewport) const {
    return laidOut_ && length == text_.size() && std::memcmp(text, text_.data(), length) == 0 &&
           rect.left == rect_.left && rect.top == rect_.top && rect.right == rect_.right &&
           rect.bottom == rect_.bottom && format == format_ && color == color_ &&
           viewport.X == viewport_.X && viewport.Y == viewport_.Y &&
           viewport.Width == viewport_.Width && viewport.Height == viewport_.Height;
}

int Font::Advance(char c) const {
    char glyph[2] = {c, 0};
    return stb_easy_font_width(glyph) * scale_;
}

// The end of the line that starts at `start`: before the word that would
// pass the right edge, or inside a word longer than a whole line. Always
// takes at least one glyph.
size_t Font::BreakLine(size_t start, size_t end, int width) const {
    int used = 0;
    size_t space = std::string::npos;  // the latest space after the line's first glyph
    for (size_t i = start; i < end; ++i) {
        int advance = Advance(glyphs_[i]);
        if (used + advance > width && i > start) {
            if (glyphs_[i] == ' ') return i;
            return space != std::string::npos ? space : i;
        }
        if (glyphs_[i] == ' ' && i > start) space = i;
        used += advance;
    }
    return end;
}

void Font::AddRectangle(int x0, int y0, int x1, int y1) {
    // Nothing outside the caller's rectangle.
    x0 = std::max(x0, static_cast<int>(rect_.left));
    y0 = std::max(y0, static_cast<int>(rect_.top));
    x1 = std::min(x1, static_cast<int>(rect_.right));
    y1 = std::min(y1, static_cast<int>(rect_.bottom));
    if (x0 >= x1 || y0 >= y1) return;

    // Pixel edges to clip space: +y is the top row.
    auto clipX = [this](int x) {
        return 2.0f * static_cast<float>(x - static_cast<int>(viewport_.X)) /
                   static_cast<float>(viewport_.Width) - 1.0f;
    };
    auto clipY = [this](int y) {
        return 1.0f - 2.0f * static_cast<float>(y - static_cast<int>(viewport_.Y)) /
                          static_cast<float>(viewport_.Height);
    };
    FontVertex corner[4] = {
        {clipX(x0), clipY(y0), 0.0f, color_, {0, 0, 0, 0}},
        {clipX(x1), clipY(y0), 0.0f, color_, {0, 0, 0, 0}},
        {clipX(x1), clipY(y1), 0.0f, color_, {0, 0, 0, 0}},
        {clipX(x0), clipY(y1), 0.0f, color_, {0, 0, 0, 0}},
    };
    for (int i : {0, 1, 2, 0, 2, 3}) vertices_.push_back(corner[i]);
}

void Font::AddLine(size_t start, size_t end, int top) {
    if (top >= rect_.bottom) return;  // laid out, but below the rectangle
    int x = rect_.left;
    for (size_t i = start; i < end && x < rect_.right; ++i) {
        char glyph[2] = {glyphs_[i], 0};
        // Rectangles of 16-byte vertices, four a rectangle: x, y, z, colour.
        float quads[kMaxGlyphQuads * 4 * 4];
        int count = stb_easy_font_print(0.0f, 0.0f, glyph, nullptr, quads, sizeof quads);
        for (int q = 0; q < count; ++q) {
            const float* v = quads + q * 16;  // corners 0 and 2 are opposite
            int x0 = static_cast<int>(std::min(v[0], v[8])) * scale_;
            int x1 = static_cast<int>(std::max(v[0], v[8])) * scale_;
            int y0 = static_cast<int>(std::min(v[1], v[9])) * scale_;
            int y1 = static_cast<int>(std::max(v[1], v[9])) * scale_;
            AddRectangle(x + x0, top + y0, x + x1, top + y1);
        }
        x += Advance(glyph[0]);
    }
}

void Font::Layout(const char* text, size_t length, const RECT& rect, DWORD format,
                  D3DCOLOR color, const D3DVIEWPORT9& viewport) {
    laidOut_ = true;
    uploaded_ = false;
    text_.assign(text, length);
    rect_ = rect;
    format_ = format;
    color_ = color;
    viewport_ = viewport;
    vertices_.clear();
    height_ = 0;
    if (viewport.Width == 0 || viewport.Height == 0) return;

    glyphs_.clear();
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '\r') continue;
        if (c == '\t') c = ' ';
        if (c != '\n' && (c < 32 || c > 126)) c = '?';
        glyphs_ += c;
    }
    // A line end at the very end closes the last line; it opens no new one.
    if (!glyphs_.empty() && glyphs_.back() == '\n') glyphs_.pop_back();
    if (glyphs_.empty()) return;

    const int width = rect.right - rect.left;
    const int lineHeight = kLineHeight * scale_;
    int lines = 0;
    size_t start = 0;
    for (;;) {
        size_t end = glyphs_.find('\n', start);
        if (end == std::string::npos) end = glyphs_.size();
        size_t at = start;
        do {
            size_t lineEnd = (format & DT_WORDBREAK) ? BreakLine(at, end, width) : end;
            AddLine(at, lineEnd, rect.top + lines * lineHeight);
            ++lines;
            // The spaces where a line was broken start no line of their own.
            at = lineEnd;
            while (at < end && glyphs_[at] == ' ') ++at;
        } while (at < end);
        if (end == glyphs_.size()) break;
        start = end + 1;
    }
    height_ = lines * lineHeight;
}

bool Font::Prepare() {
    if (program_ == 0) {
        std::string log;
        if (programs_->CreateShaderProgram(kVertexGlsl, kPixelGlsl, &program_, &log) != 0) {
            std::fprintf(stderr, "[fx] DrawTextA: the font's shader program failed: %s\n",
                         log.c_str());
            program_ = 0;
            return false;
        }
    }
    size_t bytes = vertices_.size() * sizeof(FontVertex);
    if (buffer_ == nullptr || bufferBytes_ < bytes) {
        if (buffer_ != nullptr) buffer_->Release();
        buffer_ = nullptr;
        bufferBytes_ = 0;
        // Room to grow a little before the next one is needed.
        size_t size = std::max<size_t>(bytes + bytes / 2, 64 * 1024);
        DWORD usage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
        if (device_->CreateVertexBuffer(static_cast<UINT>(size), usage, kFvf, D3DPOOL_DEFAULT,
                                        &buffer_, nullptr) != 0) {
            std::fprintf(stderr, "[fx] DrawTextA: no vertex buffer for the text\n");
            buffer_ = nullptr;
            return false;
        }
        bufferBytes_ = size;
        uploaded_ = false;
    }
    if (!uploaded_) {
        void* data = nullptr;
        if (buffer_->Lock(0, static_cast<UINT>(bytes), &data, D3DLOCK_DISCARD) != 0) return true;
        std::memcpy(data, vertices_.data(), bytes);
        buffer_->Unlock();
        uploaded_ = true;
    }
    return true;
}

void Font::Draw() {
    DWORD saved[kTextStateCount];
    for (size_t i = 0; i < kTextStateCount; ++i) {
        saved[i] = 0;
        device_->GetRenderState(kTextStates[i].state, &saved[i]);
    }
    UINT savedProgram = 0;
    programs_->GetShaderProgram(&savedProgram);
    IDirect3DVertexBuffer9* savedStream = nullptr;
    UINT savedOffset = 0, savedStride = 0;
    device_->GetStreamSource(0, &savedStream, &savedOffset, &savedStride);
    DWORD savedFvf = 0;
    device_->GetFVF(&savedFvf);

    for (const StateSetting& setting : kTextStates) {
        device_->SetRenderState(setting.state, setting.value);
    }
    programs_->SetShaderProgram(program_);
    device_->SetStreamSource(0, buffer_, 0, sizeof(FontVertex));
    device_->SetFVF(kFvf);
    device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices_.size() / 3));

    for (size_t i = 0; i < kTextStateCount; ++i) {
        device_->SetRenderState(kTextStates[i].state, saved[i]);
    }
    programs_->SetShaderProgram(savedProgram);
    device_->SetStreamSource(0, savedStream, savedOffset, savedStride);
    if (savedFvf != 0) device_->SetFVF(savedFvf);
}

int Font::DrawTextA(ID3DXSprite*, const char* text, int count, RECT* rect, DWORD format,
                    D3DCOLOR color) {
    if (text == nullptr || rect == nullptr || broken_) return 0;
    size_t length = count < 0 ? std::strlen(text) : static_cast<size_t>(count);
    D3DVIEWPORT9 viewport{};
    if (device_->GetViewport(&viewport) != 0) return 0;
    if (!SameAsLast(text, length, *rect, format, color, viewport)) {
        Layout(text, length, *rect, format, color, viewport);
    }
    if (vertices_.empty()) return height_;
    // A device that cannot make the font's program or buffer will not make
    // them next frame either: stop trying rather than compile every frame.
    if (!uploaded_ && !Prepare()) {
        broken_ = true;
        return 0;
    }
    if (uploaded_) Draw();
    return height_;
}

}  // namespace

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, int height, UINT, UINT, UINT, BOOL, DWORD,
                        DWORD, DWORD, DWORD, const char*, ID3DXFont** font) {
    if (font != nullptr) *font = nullptr;
    if (device == nullptr || font == nullptr) return D3DERR_INVALIDCALL;
    platform::ShaderPrograms* programs = platform::GetShaderPrograms(device);
    if (programs == nullptr) return D3DERR_INVALIDCALL;  // no way to draw text
    *font = new Font(device, programs, std::max(1, std::abs(height) / kLineHeight));
    return S_OK;
}
