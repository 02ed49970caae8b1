// ID3DXFont::DrawTextA on the GL device, read back as pixels: where the
// lines land (12-pixel rows from the rectangle's top), that line ends,
// DT_WORDBREAK and over-long words break where the documented rules say,
// that nothing is drawn outside the rectangle, that the first lines win when
// the text is too tall, that the text has exactly its colour, and that the
// device states the font changes are given back.
#include "platform/fx/fx.h"
#include "platform/gfx/gl_device.h"
#include "platform/gfx/shader_programs.h"
#include "platform/window/window.h"
#include "tests/support/gl_test_device.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

constexpr D3DCOLOR kBackground = 0x00000022;
constexpr D3DCOLOR kText = 0xFFFFC000;
constexpr int kLine = 12;

struct Drawn {
    int height = 0;              // what DrawTextA returned
    std::set<int> rows;          // 12-pixel rows below rect.top holding text
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;  // text pixels' extent
    int offColour = 0;           // pixels that are neither background nor text colour
    std::vector<uint32_t> pixels;
};

class FontTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::CreateTestDevice(&d3d_, &device_);
        ASSERT_NE(device_, nullptr) << GetPlatformErrorText();
        ASSERT_EQ(D3DXCreateFontA(device_, 12, 0, FW_NORMAL, 1, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                  "", &font_),
                  0);
    }
    void TearDown() override {
        if (font_) font_->Release();
        if (device_) device_->Release();
        if (d3d_) d3d_->Release();
    }

    Drawn Draw(const std::string& text, RECT rect, DWORD format) {
        Drawn drawn;
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, kBackground, 1.0f, 0);
        device_->BeginScene();
        RECT area = rect;
        drawn.height = font_->DrawTextA(nullptr, text.c_str(), static_cast<int>(text.size()),
                                        &area, format, kText);
        device_->EndScene();
        EXPECT_EQ(platform::ReadBackBuffer(device_, &drawn.pixels), 0);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                uint32_t rgb = drawn.pixels[static_cast<size_t>(y) * 640 + x] & 0xFFFFFF;
                if (rgb == (kBackground & 0xFFFFFF)) continue;
                if (rgb != (kText & 0xFFFFFF)) ++drawn.offColour;
                drawn.rows.insert((y - rect.top) / kLine);
                drawn.left = std::min(drawn.left, x);
                drawn.right = std::max(drawn.right, x);
                drawn.top = std::min(drawn.top, y);
                drawn.bottom = std::max(drawn.bottom, y);
            }
        }
        return drawn;
    }

    IDirect3D9* d3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    ID3DXFont* font_ = nullptr;
};

std::set<int> Rows(int first, int last) {
    std::set<int> rows;
    for (int row = first; row <= last; ++row) rows.insert(row);
    return rows;
}

TEST_F(FontTest, LinesWrappingAndClipping) {
    const DWORD wrap = DT_LEFT | DT_TOP | DT_WORDBREAK;
    const RECT wide = {10, 20, 630, 470};

    // How wide three words are, from their own pixels: a rectangle just
    // wider holds three words a line and never four.
    Drawn three = Draw("word word word", wide, wrap);
    ASSERT_EQ(three.rows, std::set<int>{0});
    const RECT threeWords = {10, 20, three.right + 3, 470};
    std::string twentyWords;
    for (int i = 0; i < 20; ++i) twentyWords += i == 0 ? "word" : " word";
    std::string longWord(300, 'x');
    std::string hundredLines;
    for (int i = 0; i < 100; ++i) hundredLines += "line " + std::to_string(i) + "\n";

    struct Case {
        const char* name;
        std::string text;
        RECT rect;
        DWORD format;
        int height;           // DrawTextA's result
        std::set<int> rows;   // rows holding text
    };
    const Case cases[] = {
        {"one line", "Hello, world", wide, wrap, 12, {0}},
        {"line ends, an empty line between", "a\nb\n\nc", wide, wrap, 48, {0, 1, 3}},
        {"a last line end opens no line", "a\n", wide, wrap, 12, {0}},
        {"carriage returns are skipped", "a\r\nb", wide, wrap, 24, {0, 1}},
        {"twenty words, three a line", twentyWords, threeWords, wrap, 7 * 12, Rows(0, 6)},
        {"a word longer than a line is broken", longWord, {10, 20, 110, 470}, wrap, -1, {}},
        {"without DT_WORDBREAK a line is cut off", twentyWords, threeWords, DT_LEFT | DT_TOP, 12,
         {0}},
        {"too tall: the first lines", hundredLines, {10, 20, 630, 116}, wrap, 1200, Rows(0, 7)},
        {"nothing to draw", "", wide, wrap, 0, {}},
        {"tabs and other bytes still draw", "tab\there\x01\xff", wide, wrap, 12, {0}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Drawn drawn = Draw(c.text, c.rect, c.format);
        if (c.height >= 0) {
            EXPECT_EQ(drawn.height, c.height);
        }
        if (!c.rows.empty() || c.text.empty()) {
            EXPECT_EQ(drawn.rows, c.rows);
        }
        EXPECT_EQ(drawn.offColour, 0);
        if (drawn.right < 0) continue;
        // Inside the rectangle, starting at its top left corner.
        EXPECT_GE(drawn.left, c.rect.left);
        EXPECT_LE(drawn.left, c.rect.left + 2);
        EXPECT_GE(drawn.top, c.rect.top);
        EXPECT_LE(drawn.top, c.rect.top + 3);
        EXPECT_LT(drawn.right, c.rect.right);
        EXPECT_LT(drawn.bottom, c.rect.bottom);
    }

    // The over-long word fills its lines to the right edge: 300 glyphs in
    // lines of 100 pixels take many lines, each but the last nearly full.
    Drawn broken = Draw(longWord, {10, 20, 110, 470}, wrap);
    EXPECT_GE(broken.rows.size(), 15u);
    EXPECT_EQ(broken.height, static_cast<int>(broken.rows.size()) * kLine);
    EXPECT_GE(broken.right, 110 - 8);

    // The same text, rectangle and format give the same pixels again (the
    // layout kept from the last call draws the same).
    Drawn again = Draw(twentyWords, threeWords, wrap);
    Drawn once = Draw(twentyWords, threeWords, wrap);
    EXPECT_EQ(again.pixels, once.pixels);
}

TEST_F(FontTest, StatesAreGivenBack) {
    // A caller's additive blending, culling and depth: the text draws
    // opaque, and the caller finds its states as it left them.
    const std::pair<D3DRENDERSTATETYPE, DWORD> caller[] = {
        {D3DRS_ALPHABLENDENABLE, TRUE}, {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ONE}, {D3DRS_CULLMODE, D3DCULL_CW},
        {D3DRS_ZENABLE, D3DZB_TRUE},     {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_FILLMODE, D3DFILL_WIREFRAME}, {D3DRS_BLENDOP, D3DBLENDOP_MAX},
    };
    for (auto [state, value] : caller) device_->SetRenderState(state, value);

    Drawn drawn = Draw("opaque over additive", {10, 20, 630, 470}, DT_LEFT | DT_TOP);
    EXPECT_EQ(drawn.rows, std::set<int>{0});
    EXPECT_EQ(drawn.offColour, 0);
    for (auto [state, value] : caller) {
        DWORD now = 0;
        device_->GetRenderState(state, &now);
        EXPECT_EQ(now, value) << "state " << state;
    }
    UINT program = 1;
    platform::GetShaderPrograms(device_)->GetShaderProgram(&program);
    EXPECT_EQ(program, 0u);
    IDirect3DVertexBuffer9* stream = nullptr;
    UINT offset = 1, stride = 1;
    device_->GetStreamSource(0, &stream, &offset, &stride);
    EXPECT_EQ(stream, nullptr);
}

}  // namespace
