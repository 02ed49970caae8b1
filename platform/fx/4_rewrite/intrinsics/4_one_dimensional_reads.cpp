// Stage 4: one-dimensional samplers read as two-dimensional ones (see
// 4_one_dimensional_reads.h).
#include "platform/fx/4_rewrite/intrinsics/4_one_dimensional_reads.h"

#include <string>
#include <vector>

#include "platform/fx/4_rewrite/4_token_rewrites.h"

namespace fx {
namespace {

struct OneDimensionalReads {
    TokenStream& s;
    const Code& code;
    TokenEdits edits;

    SourceToken Make(Tok kind, std::string_view text, size_t at) const {
        return s.Make(kind, text, code.Token(at));
    }
    void Insert(size_t before, std::vector<std::pair<Tok, std::string_view>> words) {
        const size_t at = code.At(before);
        std::vector<SourceToken> tokens;
        for (auto& w : words) {
            // Printed close to what they follow: "float2((u).x, 0)".
            SourceToken t = Make(w.first, w.second, before);
            if (!tokens.empty() && (w.second == "." || w.second == ")" || w.second == "," ||
                                    tokens.back().kind == Tok::Ident || s.Text(tokens.back()) == "(" ||
                                    s.Text(tokens.back()) == ".")) {
                t.flags |= kGlued;
            }
            tokens.push_back(t);
        }
        edits.list.push_back({at, at, std::move(tokens)});
    }
    void Rename(size_t at, std::string name) {
        edits.list.push_back({code.At(at), code.At(at) + 1, {Make(Tok::Ident, name, at)}});
    }

    // The argument [first, last) as "float2((u).x, 0)".
    void Coordinate(size_t first, size_t last) {
        Insert(first, {{Tok::Ident, "float2"}, {Tok::Punct, "("}, {Tok::Punct, "("}});
        Insert(last, {{Tok::Punct, ")"}, {Tok::Punct, "."}, {Tok::Ident, "x"}, {Tok::Punct, ","},
                      {Tok::Number, "0"}, {Tok::Punct, ")"}});
    }

    // The argument [first, last) as "((t).xwww * float4(1, 0, 0, 1))".
    void CoordinateAndW(size_t first, size_t last) {
        Insert(first, {{Tok::Punct, "("}, {Tok::Punct, "("}});
        Insert(last, {{Tok::Punct, ")"}, {Tok::Punct, "."}, {Tok::Ident, "xwww"}, {Tok::Punct, "*"},
                      {Tok::Ident, "float4"}, {Tok::Punct, "("}, {Tok::Number, "1"}, {Tok::Punct, ","},
                      {Tok::Number, "0"}, {Tok::Punct, ","}, {Tok::Number, "0"}, {Tok::Punct, ","},
                      {Tok::Number, "1"}, {Tok::Punct, ")"}, {Tok::Punct, ")"}});
    }

    void Read(size_t name) {
        const std::string_view f = code.Text(name);
        const std::vector<size_t> cuts = CallCuts(code, name + 1);
        if (cuts.empty()) return;
        const size_t args = cuts.size() - 1;
        if (args < 2 || cuts[1] + 1 >= cuts[2]) return;
        Rename(name, "tex2D" + std::string(f.substr(5)));
        const bool withW = f == "tex1Dbias" || f == "tex1Dlod" || f == "tex1Dproj";
        for (size_t a = 1; a < args && (a == 1 || !withW); ++a) {
            if (withW) {
                CoordinateAndW(cuts[a] + 1, cuts[a + 1]);
            } else {
                Coordinate(cuts[a] + 1, cuts[a + 1]);
            }
        }
    }
};

bool IsOneDimensionalRead(std::string_view w) {
    return w == "tex1D" || w == "tex1Dbias" || w == "tex1Dgrad" || w == "tex1Dlod" || w == "tex1Dproj";
}

}  // namespace

bool RewriteOneDimensionalReads(TokenRewriteState& state) {
    const Code& code = state.code();
    OneDimensionalReads r{*state.hlsl, code, {}};
    for (size_t i = 0; i < code.size(); ++i) {
        if (!code.IsIdent(i)) continue;
        const std::string_view w = code.Text(i);
        if (w == "sampler1D") {
            r.Rename(i, "sampler2D");
        } else if (IsOneDimensionalRead(w) && code.Punct(i + 1) == '(' &&
                   (i == 0 || code.Punct(i - 1) != '.')) {
            r.Read(i);
        }
    }
    if (r.edits.list.empty()) return true;
    r.edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
