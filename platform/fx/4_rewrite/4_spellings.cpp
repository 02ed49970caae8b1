// Stage 4: words and calls Direct3D 9's compiler reads one way and glslang
// another (see 4_rewrite_hlsl.h), respelled in the HLSL tokens before the
// checks and the other rewrites read them:
// - the type names Direct3D 9 predefines in capitals: DWORD (int), FLOAT,
//   VECTOR (float4), MATRIX (float4x4), unless the file declares the name
//   itself;
// - double types are float types (shader models 2 and 3 have no doubles),
//   and half and double literals float ones ("2.h", "1.5L" as "2.",
//   "1.5"): glslang makes 16- and 64-bit constants of them, and then takes
//   no arithmetic of a "2.h.xx" with a uint;
//   float1, int1, half1, bool1, ... are the scalars they hold (matrices
//   of bools and ints become float ones in "int_matrices", which converts
//   what goes into them);
// - texCUBEproj(s, t) divides t by t.w, then samples as texCUBE (glslang
//   asks for a projective cube lookup, which no GLSL has);
// - an integer literal given whole to mul (mul(2, v)) is a float one, as
//   Direct3D 9 converts it (glslang finds mul(int, float4) ambiguous);
// - a half literal (1.5h) is a float one; "7lu" is "7u";
// - the semantic SV_Position is POSITION (a vertex shader's position, a
//   pixel shader's VPOS);
// - "unsigned int" and a bare "unsigned" are uint;
// - "float const k" is "const float k": the modifier may follow the type;
// - the geometry shaders' primitive types (point, line, triangle, ...) and
//   the later models' interpolation modifiers where they name something
//   ("float linear;", not "centroid float2 uv") are the user's names;
// - an int's "register(i0)" is left out (glslang has no int registers).
#include <algorithm>
#include <set>
#include <string>

#include "platform/fx/4_rewrite/4_spellings.h"
#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"

namespace fx {
namespace {

// "double3x2" -> "float3x2", "float1" -> "float"; empty when the name
// stays as it is.
std::string Respelled(std::string_view w) {
    if (w == "DWORD") return "int";
    if (w == "FLOAT") return "float";
    if (w == "VECTOR") return "float4";
    if (w == "MATRIX") return "float4x4";
    // Most words start with a letter no type name starts with.
    if (w.empty() || std::string_view("dfhiub").find(w[0]) == std::string_view::npos) return {};
    std::string_view base;
    for (std::string_view b : {"double", "float", "half", "int", "uint", "bool", "dword"}) {
        if (w.substr(0, b.size()) == b) {
            base = b;
            break;
        }
    }
    if (base.empty()) return {};
    std::string_view shape = w.substr(base.size());
    bool known = shape.empty() || (shape.size() == 1 && shape[0] >= '1' && shape[0] <= '4') ||
                 (shape.size() == 3 && shape[0] >= '1' && shape[0] <= '4' && shape[1] == 'x' &&
                  shape[2] >= '1' && shape[2] <= '4');
    if (!known) return {};
    if (shape == "1") shape = {};
    if (base == "double") base = "float";
    std::string out(base);
    out += shape;
    return out == w ? std::string() : out;
}

// "2.h", "1.5L", "1e1H": a float literal (a point or an exponent, not hex)
// with the half or double suffix.
bool IsHalfOrDoubleLiteral(std::string_view n) {
    if (n.size() < 2 || std::string_view("hHlL").find(n.back()) == std::string_view::npos) return false;
    if (n[0] == '0' && (n[1] == 'x' || n[1] == 'X')) return false;
    return n.find_first_of(".eE") != std::string_view::npos;
}

// "7lu", "0xFFLU": an integer literal with the long suffix before the
// unsigned one, the C spelling of "7ul" (which glslang reads, this one not).
bool IsLongThenUnsignedLiteral(std::string_view n) {
    if (n.size() < 3 || (n.back() != 'u' && n.back() != 'U')) return false;
    if (n[n.size() - 2] != 'l' && n[n.size() - 2] != 'L') return false;
    const bool hex = n.size() > 4 && n[0] == '0' && (n[1] == 'x' || n[1] == 'X');
    for (size_t k = hex ? 2 : 0; k + 2 < n.size(); ++k) {
        const char c = n[k];
        const bool digit = c >= '0' && c <= '9';
        const bool hexDigit = (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!digit && !(hex && hexDigit)) return false;
    }
    return true;
}

// a, in capitals, is upper (which is in capitals already).
bool EqualsUpper(std::string_view a, std::string_view upper) {
    if (a.size() != upper.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        const char c = a[k] >= 'a' && a[k] <= 'z' ? static_cast<char>(a[k] - 'a' + 'A') : a[k];
        if (c != upper[k]) return false;
    }
    return true;
}

// Names the file declares itself: the last word before ';' or '[' of a
// typedef, and the name after struct.
std::set<std::string_view> DeclaredTypeNames(const Code& code) {
    std::set<std::string_view> names;
    for (size_t i = 0; i + 1 < code.size(); ++i) {
        if (code.Text(i) == "struct" && code.IsIdent(i + 1)) names.insert(code.Text(i + 1));
        if (code.Text(i) != "typedef") continue;
        for (size_t k = i + 1; k < code.size(); ++k) {
            char p = code.Punct(k);
            if (p == ';' || p == '[' || p == ',') {
                if (k > i + 1 && code.IsIdent(k - 1)) names.insert(code.Text(k - 1));
                if (p != ',') break;
            }
        }
    }
    return names;
}

bool IsIntegerLiteral(std::string_view t) {
    return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return IsDigit(c); });
}

bool IsCall(const Code& code, size_t i, std::string_view name) {
    return code.Punct(i + 1) == '(' && code.IsIdent(i) && code.Text(i) == name &&
           (i == 0 || code.Punct(i - 1) != '.');
}

}  // namespace

// Words glslang's HLSL reads as keywords of its own (its types of other
// languages and later models) and Direct3D 9's compiler as plain names
// (`float layout;`, a struct `uint64_t`): every use but
// "TextureBuffer<float4>" becomes fx_user_NAME_, said back as NAME in
// messages and in the register tables, whose names the effect's parameters
// are found by. A geometry shader's primitive type (`point`, `triangle`,
// ...) is no word of shader models 2 and 3; an interpolation modifier of
// later models is one before a type or another modifier ("centroid float2
// uv", which glslang takes) and a name elsewhere (`float linear;`,
// `linear(x)`).
static bool IsGlslangOnlyName(const Code& code, size_t i) {
    static constexpr std::string_view kTypes[] = {"layout",       "uint64_t",       "TextureBuffer",
                                                  "SubpassInput", "SubpassInputMS", "ConstantBuffer"};
    static constexpr std::string_view kPrimitives[] = {"point", "line", "lineadj", "triangle",
                                                       "triangleadj"};
    static constexpr std::string_view kInterpolations[] = {"linear", "centroid", "nointerpolation",
                                                           "noperspective"};
    const std::string_view w = code.Text(i);
    for (std::string_view t : kTypes)
        if (w == t) return code.Punct(i + 1) != '<';
    for (std::string_view t : kPrimitives)
        if (w == t) return true;
    for (std::string_view t : kInterpolations)
        if (w == t) return !code.IsIdent(i + 1);
    return false;
}

// "i0" to "i15" (any number: past 15 is said where the register is read).
static bool IsIntRegisterName(std::string_view w) {
    if (w.size() < 2 || (w[0] != 'i' && w[0] != 'I')) return false;
    return std::all_of(w.begin() + 1, w.end(), [](char c) { return IsDigit(c); });
}

// A word that stands before a type as a modifier or storage class, so that
// "static const float" keeps its order and "float const" is the one turned.
static bool IsModifierWord(std::string_view w) {
    for (std::string_view m : {"static", "uniform", "extern", "shared", "volatile", "const",
                               "row_major", "column_major", "in", "out", "inout", "inline",
                               "precise", "groupshared", "typedef", "return", "linear", "centroid",
                               "nointerpolation", "noperspective", "sample", "snorm", "unorm"}) {
        if (w == m) return true;
    }
    return false;
}

bool RespellHlsl(TokenStream* hlsl, const Code& code) {
    bool changed = false;
    // Words, one token for one: the places of all the others stay, and so
    // does what code tells of them.
    {
        const std::set<std::string_view> declared = DeclaredTypeNames(code);
        for (size_t i = 0; i < code.size(); ++i) {
            if (code.Token(i).kind == Tok::Number) {
                // "1.5h", "2.L": a half or a double is a float here (glslang
                // makes a 16-bit constant of a half, which it then cannot
                // multiply by 2); "2h" is the float 2.0.
                const std::string_view t = code.Text(i);
                std::string plain;
                if (IsHalfOrDoubleLiteral(t)) {
                    plain = std::string(t.substr(0, t.size() - 1));
                } else if (IsLongThenUnsignedLiteral(t)) {
                    plain = std::string(t.substr(0, t.size() - 2)) + "u";
                } else if (t.size() > 1 && (t.back() == 'h' || t.back() == 'H') &&
                           t.find_first_of("xX") == std::string_view::npos) {
                    plain = std::string(t.substr(0, t.size() - 1)) + ".0";
                }
                if (!plain.empty()) {
                    SourceToken& number = hlsl->tokens[code.At(i)];
                    number = hlsl->Make(Tok::Number, plain, number);
                    changed = true;
                }
                continue;
            }
            if (!code.IsIdent(i)) continue;
            SourceToken& token = hlsl->tokens[code.At(i)];
            // A semantic of later models: SV_Position is the position a
            // vertex shader writes, and a pixel shader's VPOS, as POSITION
            // reads here (glslang would read gl_FragCoord, half a pixel off).
            if (i > 0 && code.Punct(i - 1) == ':' && code.Text(i).size() == 11 &&
                EqualsUpper(code.Text(i), "SV_POSITION")) {
                token = hlsl->Make(Tok::Ident, "POSITION", token);
                changed = true;
                continue;
            }
            if (IsCall(code, i, "mul")) {
                std::vector<size_t> cuts = CallCuts(code, i + 1);
                for (size_t a = 0; a + 1 < cuts.size() && cuts.size() == 3; ++a) {
                    size_t first = cuts[a] + 1;
                    if (code.Punct(first) == '-') ++first;
                    if (first + 1 != cuts[a + 1] || code.Token(first).kind != Tok::Number ||
                        !IsIntegerLiteral(code.Text(first))) {
                        continue;
                    }
                    SourceToken& number = hlsl->tokens[code.At(first)];
                    number = hlsl->Make(Tok::Number, std::string(code.Text(first)) + ".0", number);
                    changed = true;
                }
                continue;
            }
            // "float const k", "MyStruct const s": const written after the
            // type goes before it (the words trade places; each place keeps
            // its origin, so the printed text keeps its order).
            if (code.Text(i) == "const" && i > 0 && code.IsIdent(i - 1) && code.IsIdent(i + 1) &&
                !IsModifierWord(code.Text(i - 1))) {
                SourceToken& type = hlsl->tokens[code.At(i - 1)];
                const std::string typeText(hlsl->Text(type));
                type = hlsl->Make(Tok::Ident, "const", type);
                token = hlsl->Make(Tok::Ident, typeText, token);
                changed = true;
                continue;
            }
            if (IsGlslangOnlyName(code, i)) {
                token = hlsl->Make(Tok::Ident, "fx_user_" + std::string(code.Text(i)) + "_", token);
                changed = true;
                continue;
            }
            std::string r = Respelled(code.Text(i));
            if (r.empty() || declared.count(code.Text(i))) continue;
            token = hlsl->Make(Tok::Ident, r, token);
            changed = true;
        }
    }
    // texCUBEproj(s, T) -> texCUBE(s, (T).xyz / (T).w), from the last call
    // to the first.
    // "unsigned int" (int2, int3x3, ...) is uint (glslang reserves unsigned).
    for (size_t i = code.size(); i-- > 0;) {
        const std::string_view next = code.IsIdent(i + 1) ? code.Text(i + 1) : std::string_view();
        if (code.IsIdent(i) && code.Text(i) == "unsigned" &&
            next.substr(0, 3) == "int" && (next.size() == 3 || IsDigit(next[3]))) {
            TokenEdits spelled;
            spelled.Replace(code.At(i), code.At(i + 1) + 1,
                            {hlsl->Make(Tok::Ident, "u" + std::string(next), code.Token(i))});
            spelled.Apply(&hlsl->tokens);
            changed = true;
            continue;
        }
        // ": register(i0)", ": register(ps, i2)": glslang knows no int
        // registers (it warns that it ignores the clause); an int's register
        // is the effect's to give, so the clause goes.
        if (code.IsIdent(i) && code.Text(i) == "register" && i > 0 && code.Punct(i - 1) == ':' &&
            code.Punct(i + 1) == '(') {
            size_t close = i + 2;
            while (close < code.size() && code.Punct(close) != ')' && code.Punct(close) != ';') {
                ++close;
            }
            if (code.Punct(close) == ')' && close > i + 2 && code.IsIdent(close - 1) &&
                IsIntRegisterName(code.Text(close - 1))) {
                TokenEdits cut;
                cut.Replace(code.At(i - 1), code.At(close) + 1, {});
                cut.Apply(&hlsl->tokens);
                changed = true;
                continue;
            }
        }
        // A bare "unsigned" is an unsigned int ("unsigned n = 2;",
        // "(unsigned)x").
        if (code.IsIdent(i) && code.Text(i) == "unsigned") {
            SourceToken& word = hlsl->tokens[code.At(i)];
            word = hlsl->Make(Tok::Ident, "uint", word);
            changed = true;
            continue;
        }
        if (!IsCall(code, i, "texCUBEproj")) continue;
        std::vector<size_t> cuts = CallCuts(code, i + 1);
        if (cuts.size() != 3 || cuts[1] + 1 >= cuts[2]) continue;
        const SourceToken at = code.Token(i);
        const size_t begin = code.At(cuts[1] + 1);
        const size_t end = code.At(cuts[2]);
        std::vector<SourceToken> t(hlsl->tokens.begin() + static_cast<std::ptrdiff_t>(begin),
                                   hlsl->tokens.begin() + static_cast<std::ptrdiff_t>(end));
        std::vector<SourceToken> out;
        auto put = [&](Tok kind, std::string_view text) {
            out.push_back(hlsl->Make(kind, text, at));
        };
        for (const char* swizzle : {"xyz", "w"}) {
            put(Tok::Punct, "(");
            out.insert(out.end(), t.begin(), t.end());
            put(Tok::Punct, ")");
            put(Tok::Punct, ".");
            put(Tok::Ident, swizzle);
            if (swizzle[1]) put(Tok::Punct, "/");
        }
        TokenEdits splice;
        splice.Replace(begin, end, std::move(out));
        splice.Apply(&hlsl->tokens);
        hlsl->tokens[code.At(i)] = hlsl->Make(Tok::Ident, "texCUBE", at);
        changed = true;
    }
    return changed;
}

}  // namespace fx
