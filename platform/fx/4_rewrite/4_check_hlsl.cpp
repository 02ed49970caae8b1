// Stage 4: what Direct3D 9's compiler refuses and glslang would take, found
// in the HLSL tokens before any rewrite (see 4_rewrite_hlsl.h):
// - an effect keyword used as a name: technique (in any case), technique10,
//   technique11, fxgroup, VertexShader and vertexshader;
// - a local const (not static) without an initializer (a global const is a
//   parameter the program sets);
// - an attribute given twice on one statement ([unroll][unroll]), [loop]
//   with [unroll], [fastopt] with [unroll(n)], [branch] with [flatten];
// - a matrix swizzle counted both from 0 and from 1 (m._m00_11);
// - a name declared twice in one struct or at global scope, a parameter
//   twice in one function, a function defined twice with the same parameter
//   types or named as a struct; a negative
//   literal as an array size or index;
// - a swizzle of s, t, p, q (GLSL's letters) on a declared vector (a
//   member's too), a swizzle's, a call's or an element's value (no struct
//   member so named), of x, y,
//   z, w or r, g, b, a on a declared matrix; extern,
//   shared or uniform on a local variable, static, extern or shared on a
//   parameter;
// - an output of an entry point without a semantic: its return value, an
//   out parameter, or a member of a struct it writes;
// - a semantic given where a function is declared but not where it is
//   defined; a string parameter; an entry point defined twice (overloaded);
// - in code an entry point reaches: a call of noise() (texture shaders
//   only), a bitwise operator (shader model 4 and later), VPOS and VFACE
//   before ps_3_0, an intrinsic of shader model 4 and later, a sampler given
//   to a texture read of another kind (a samplerCUBE to tex2D), a method of
//   a sampler (s.Sample(uv): Direct3D 9's samplers take none), a matrix of
//   ints (which glslang's SPIR-V and GLSL do not carry through), an
//   intrinsic called with a number of arguments it never takes.
// Each is an error at the name or attribute it is about; 4_check_refusals,
// checks/4_check_statements and checks/4_check_stage_limits have more.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

#include "platform/fx/4_rewrite/4_check_hlsl.h"
#include "platform/fx/4_rewrite/4_check_refusals.h"
#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/checks/4_check_stage_limits.h"
#include "platform/fx/4_rewrite/checks/4_check_stage_limits.h"
#include "platform/fx/4_rewrite/checks/4_check_statements.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

struct Checker {
    const Code& code;
    const HlslOutline& outline;
    MessageSink& messages;
    std::set<std::string_view> memberNames = {};  // of every struct, once read

    void Error(size_t at, std::string text) { messages.Error(code.Pos(at), text); }
    std::string Quoted(size_t at) const {
        std::string quoted = "'";
        quoted += code.Text(at);
        quoted += '\'';
        return quoted;
    }

    void KeywordNames() {
        std::set<std::string_view> said;  // once each, where it first appears
        for (size_t i = 0; i < code.size(); ++i) {
            if (!code.IsIdent(i)) continue;
            std::string_view w = code.Text(i);
            // Followed by a name it is a type ("VertexShader shaders[2] = ..."),
            // which the effect framework reads; a name it cannot be.
            if (code.IsIdent(i + 1)) continue;
            // A function may be named VertexShader (and called so); a variable not.
            const bool shaderWord = w == "VertexShader" || w == "vertexshader";
            if (shaderWord && code.Punct(i + 1) == '(') continue;
            if ((IsTechniqueKeyword(w) || w == "fxgroup" || w == "VertexShader" ||
                 w == "vertexshader") &&
                said.insert(w).second) {
                Error(i, Quoted(i) + ": an effect keyword cannot be a name");
            }
        }
    }

    // "[a] [b(1)]" from i; returns the token after them. [loop] and
    // [unroll], [fastopt] and [unroll(n)] contradict one another.
    size_t Attributes(size_t i) {
        std::set<std::string_view> seen;
        size_t unrollAt = npos, loopAt = npos, fastoptAt = npos, branchAt = npos, flattenAt = npos;
        bool unrollCount = false;
        while (code.Punct(i) == '[' && code.IsIdent(i + 1) &&
               (code.Punct(i + 2) == ']' || code.Punct(i + 2) == '(')) {
            const std::string_view name = code.Text(i + 1);
            if (!seen.insert(name).second) {
                Error(i + 1, Quoted(i + 1) + ": attribute given twice");
            } else if (name == "unroll") {
                unrollAt = i + 1;
                unrollCount = code.Punct(i + 2) == '(';
            } else if (name == "loop") {
                loopAt = i + 1;
            } else if (name == "fastopt") {
                fastoptAt = i + 1;
            } else if (name == "branch") {
                branchAt = i + 1;
            } else if (name == "flatten") {
                flattenAt = i + 1;
            }
            i = code.Closing(i) + 1;
        }
        if (unrollAt != npos && loopAt != npos) {
            Error(std::max(unrollAt, loopAt), "[loop] and [unroll] contradict one another");
        } else if (unrollAt != npos && unrollCount && fastoptAt != npos) {
            Error(std::max(unrollAt, fastoptAt), "[fastopt] and [unroll(n)] contradict one another");
        }
        if (branchAt != npos && flattenAt != npos)
            Error(std::max(branchAt, flattenAt), "[branch] and [flatten] contradict one another");
        return i;
    }

    // A declaration statement from i: a const one needs each name initialized.
    void ConstLocal(size_t i) {
        bool isConst = false;
        bool isStatic = false;
        size_t k = i;
        for (; code.IsIdent(k) && IsQualifier(code.Text(k)); ++k) {
            isConst = isConst || code.Text(k) == "const";
            isStatic = isStatic || code.Text(k) == "static";
            if (IsGlobalStorage(code.Text(k)) || code.Text(k) == "uniform")
                Error(k, Quoted(k) + " is for globals, not local variables");
        }
        if (!isConst || isStatic) return;
        // Split at its own commas: "const float a = 1, b;".
        size_t piece = i;
        bool initialized = false;
        for (; k < code.size(); ++k) {
            char p = code.Punct(k);
            if (p == '(' || p == '[' || p == '{') {
                k = code.Closing(k);
                continue;
            }
            if (p == '=') initialized = true;
            if (p != ',' && p != ';' && p != '}') continue;
            size_t name = piece == i ? ReadDeclarator(code, piece, k).name : piece;
            if (!initialized && name < k && code.IsIdent(name))
                Error(name, Quoted(name) + ": a const local needs an initializer");
            if (p != ',') return;
            piece = k + 1;
            initialized = false;
        }
    }

    void Bodies() {
        for (const FunctionOutline& f : outline.functions) {
            if (f.body == npos) continue;
            bool start = true;
            for (size_t i = f.body + 1; i < f.end; ++i) {
                MixedMatrixSwizzle(i);
                StpqSwizzle(i);
                VectorLettersOnMatrix(i);
                char p = code.Punct(i);
                if (p == ';' || p == '{' || p == '}') {
                    start = true;
                    continue;
                }
                if (!start) continue;
                start = false;
                i = Attributes(i);
                ConstLocal(i);
                if (code.Punct(i) == '{' || code.Punct(i) == ';') --i;
            }
        }
    }

    // "VOut f(float4 p) VOut main(...) { ... }": a function's declaration
    // ends with ';' or its body. glslang takes some such pairs as a
    // prototype and a definition (the outline does too, the first swallowed
    // into the second's return type); Direct3D 9 stops at the word after it.
    void UnendedFunctionDeclarations() {
        for (const FunctionOutline& f : outline.functions) {
            int depth = 0;  // braces (a cbuffer's) and brackets (attributes)
            for (size_t k = f.returnType; k < f.name; ++k) {
                const char p = code.Punct(k);
                if (p == '{' || p == '[') ++depth;
                if (p == '}' || p == ']') --depth;
                // TYPE NAME ( ... ): another function's declarator.
                if (p != '(' || depth != 0 || k < f.returnType + 2 || !code.IsIdent(k - 1) ||
                    !code.IsIdent(k - 2)) {
                    continue;
                }
                const size_t close = code.Closing(k);
                if (close >= f.name) break;
                size_t at = close + 1;
                if (code.Punct(at) == ':' && code.IsIdent(at + 1)) at += 2;  // its semantic
                if (at < f.name && code.IsIdent(at)) {
                    Error(at, "expected ';' or a body after a function's declaration, found " +
                                  Quoted(at));
                    break;
                }
                k = close;
            }
        }
    }

    // "[-1]": a negative literal is no array size, and out of bounds as an
    // index.
    void NegativeSizes() {
        for (size_t i = 0; i + 3 < code.size(); ++i) {
            if (code.Punct(i) == '[' && code.Punct(i + 1) == '-' &&
                code.Token(i + 2).kind == Tok::Number && code.Punct(i + 3) == ']') {
                Error(i + 1, "an array size or index cannot be negative");
            }
        }
    }

    static bool IsGlobalStorage(std::string_view w) {
        return w == "extern" || w == "shared" || w == "groupshared";
    }

    // Parameters take in, out, inout, uniform and const, not the storage of
    // globals (static, extern, shared).
    void ParameterQualifiers() {
        for (const FunctionOutline& f : outline.functions) {
            // "sample float4 c : TEXCOORD0": a qualifier of later models.
            for (size_t k = f.open + 1; k + 2 < f.close; ++k) {
                if (code.Text(k) == "sample" && code.IsIdent(k + 1) && code.IsIdent(k + 2)) {
                    Error(k, "'sample' (an input read per sample) is of shader model 4.1 and "
                             "later");
                }
            }
            for (const Declarator& d : f.params) {
                for (size_t k = d.first; k < d.type && k < code.size(); ++k) {
                    if (code.Text(k) == "static" || IsGlobalStorage(code.Text(k)))
                        Error(k, Quoted(k) + " is for variables, not parameters");
                }
                // A string is an annotation's or a global's value, never
                // code's (glslang crashes on one as an entry point's input).
                if (d.type != npos && code.Text(d.type) == "string" && d.name != npos)
                    Error(d.name, Quoted(d.name) + ": a parameter cannot be a string");
            }
        }
    }

    // An entry point is one function: two definitions of its name leave
    // the compile statement no way to tell which it means.
    void OverloadedEntry(const std::string& entry) {
        size_t definitions = 0;
        for (size_t f : outline.Functions(entry)) {
            const FunctionOutline& fn = outline.functions[f];
            if (fn.body != npos && ++definitions == 2)
                Error(fn.name, Quoted(fn.name) + " is an entry point and cannot be overloaded");
        }
    }

    // Whether a member of some struct has the name.
    bool MemberNamed(std::string_view name) {
        if (memberNames.empty()) {
            memberNames.insert("");  // read once
            for (const StructOutline& st : outline.structs) {
                for (const Declarator& m : st.members)
                    if (m.name != npos) memberNames.insert(code.Text(m.name));
            }
        }
        return memberNames.count(name) != 0;
    }

    // "v.q": HLSL swizzles are xyzw or rgba (stpq is GLSL's), where v is a
    // declared vector and no struct has a member of that name.
    // After a call, an index or brackets ("tex2D(s, uv).q") no struct
    // having such a member is enough: it can only be a swizzle.
    void StpqSwizzle(size_t i) {
        bool value = code.Punct(i - 1) == ')' || code.Punct(i - 1) == ']';
        if (code.Punct(i) != '.' || !code.IsIdent(i + 1) || (!code.IsIdent(i - 1) && !value)) return;
        if (!value && i >= 2 && code.Punct(i - 2) == '.') {
            // "v.xyzw.q": after a swizzle (not a member so named), a
            // swizzle; after a member ("s.v.q"), its declared type tells.
            const std::string_view before = code.Text(i - 1);
            const bool swizzle = before.size() <= 4 &&
                                 (before.find_first_not_of("xyzw") == std::string_view::npos ||
                                  before.find_first_not_of("rgba") == std::string_view::npos);
            value = swizzle && !MemberNamed(before);
        }
        const std::string_view field = code.Text(i + 1);
        if (field.size() > 4 || field.find_first_not_of("stpq") != std::string_view::npos) return;
        if (MemberNamed(field)) return;
        if (value) {
            Error(i + 1, Quoted(i + 1) + " is no swizzle: its letters are x, y, z, w or r, g, b, a");
            return;
        }
        const NameType* it = outline.Declared(code, i - 1);
        if (it == nullptr || it->type == npos || ShapeOf(code.Text(it->type)).rows == 0) {
            return;
        }
        Error(i + 1, Quoted(i + 1) + " is no swizzle: its letters are x, y, z, w or r, g, b, a");
    }

    // "m.xy" where m is a declared matrix of two rows and columns or more
    // (a 1xN or Nx1 one takes a vector's letters), not an array: a matrix's
    // swizzles name its elements (_m00, _11); the vector letters are no
    // member of it. glslang's own reading of it crashes.
    void VectorLettersOnMatrix(size_t i) {
        if (code.Punct(i) != '.' || !code.IsIdent(i + 1) || !code.IsIdent(i - 1) ||
            (i >= 2 && code.Punct(i - 2) == '.')) {
            return;
        }
        const std::string_view field = code.Text(i + 1);
        if (field.size() > 4 || (field.find_first_not_of("xyzw") != std::string_view::npos &&
                                 field.find_first_not_of("rgba") != std::string_view::npos)) {
            return;
        }
        auto it = outline.names.find(code.Text(i - 1));
        if (it == outline.names.end() || it->second.type == npos || it->second.array) return;
        bool array = false;
        const std::string_view type = outline.Underlying(code.Text(it->second.type), &array);
        const Shape shape = ShapeOf(type);
        // A 1xN or Nx1 matrix takes a vector's letters.
        if (array || !shape.matrix || shape.rows == 1 || shape.cols == 1) return;
        Error(i + 1, Quoted(i + 1) + " is no swizzle of a matrix: its elements are _m00 to _m33 "
                                     "or _11 to _44");
    }

    // "m._m00_11": a matrix swizzle counts its rows and columns from 0
    // (_m00) or from 1 (_11), not both ways in one.
    void MixedMatrixSwizzle(size_t i) {
        if (code.Punct(i) != '.' || !code.IsIdent(i + 1)) return;
        const std::string_view s = code.Text(i + 1);
        if (s.size() < 6 || s[0] != '_') return;
        bool zeroBased = false, oneBased = false;
        for (size_t at = 0; at < s.size(); at += s[at + 1] == 'm' ? 4 : 3) {
            if (s[at] != '_' || at + 2 >= s.size()) return;
            (s[at + 1] == 'm' ? zeroBased : oneBased) = true;
        }
        if (zeroBased && oneBased) {
            Error(i + 1, Quoted(i + 1) + ": a matrix swizzle counts from 0 (_m00) or from 1 "
                                         "(_11), not both");
        }
    }

    // A name declared twice in one struct, or twice at global scope.
    void Duplicates() {
        for (const StructOutline& st : outline.structs) {
            std::set<std::string_view> seen;
            for (const Declarator& m : st.members) {
                if (m.name != npos && !seen.insert(code.Text(m.name)).second) {
                    Error(m.name, Quoted(m.name) + " is declared twice in struct " +
                                      Quoted(st.name));
                }
            }
        }
        std::set<std::string_view> globals;
        size_t i = 0;
        while (i < code.size()) {
            // One global statement: qualifiers, a type, then names.
            size_t k = i;
            while (code.IsIdent(k) && IsQualifier(code.Text(k))) ++k;
            const std::string_view type = code.IsIdent(k) ? code.Text(k) : std::string_view();
            bool names = !type.empty() && type != "struct" && type != "typedef" &&
                         type != "cbuffer" && type != "tbuffer";
            if (names && code.Punct(k + 1) == '<') {  // vector<float, 4>
                while (k < code.size() && code.Punct(k) != '>') ++k;
            }
            size_t name = k + 1;
            for (; k < code.size(); ++k) {
                const char p = code.Punct(k);
                if (names && k == name && code.IsIdent(k)) {
                    const char after = code.Punct(k + 1);
                    if (after == '(') {
                        names = false;  // a function
                    } else if ((after == '=' || after == ';' || after == ',' || after == '[' ||
                                after == ':') &&
                               !globals.insert(code.Text(k)).second) {
                        Error(k, Quoted(k) + " is declared twice at global scope");
                    }
                }
                if (p == ',' && names) name = k + 1;
                if (p == '(' || p == '[') k = code.Closing(k);
                if (p == ';') break;
                if (p == '{') {
                    const bool list = k > 0 && code.Punct(k - 1) == '=';
                    k = code.Closing(k);
                    if (!list) break;  // a body ends the statement
                }
            }
            i = k + 1;
        }
        FunctionDuplicates();
    }

    // A parameter named twice in one function; a function defined twice with
    // the same parameter types (overloads differ by them); a function named
    // as a struct. Each at the later name, where Direct3D 9's compiler says it.
    void FunctionDuplicates() {
        std::set<std::pair<std::string_view, std::string>> bodies;
        for (const FunctionOutline& f : outline.functions) {
            std::set<std::string_view> params;
            std::string signature;
            for (const Declarator& d : f.params) {
                if (d.name != npos && !params.insert(code.Text(d.name)).second)
                    Error(d.name, Quoted(d.name) + " is declared twice in the parameters of " +
                                      Quoted(f.name));
                if (d.type == npos || d.name == npos) {
                    signature += '?';
                    continue;
                }
                for (size_t k = d.type; k < d.name; ++k) {
                    const std::string_view w = code.Text(k);
                    signature += k == d.type ? outline.Underlying(w) : w;
                    signature += ' ';
                }
                if (d.arrayOpen != npos)
                    for (size_t k = d.arrayOpen; k <= code.Closing(d.arrayOpen); ++k)
                        signature += code.Text(k);
                signature += ',';
            }
            if (outline.structsNamed.count(code.Text(f.name)) != 0) {
                Error(f.name, Quoted(f.name) + " is a struct's name: a function cannot take it");
                continue;
            }
            if (f.body != npos && !bodies.insert({code.Text(f.name), signature}).second)
                Error(f.name, Quoted(f.name) + ": a function with these parameters is defined "
                                               "twice");
        }
    }

    // The members of a struct an entry point writes, and of structs in it.
    void StructOutputs(size_t type, int depth) {
        const StructOutline* s = outline.FindStruct(code, code.Text(type));
        if (s == nullptr || depth > 8) return;
        for (const Declarator& m : s->members) {
            if (m.semantic != npos || m.type == npos) continue;
            if (outline.FindStruct(code, code.Text(m.type)) != nullptr) {
                StructOutputs(m.type, depth + 1);
            } else {
                Error(m.name, Quoted(m.name) + ": an output of an entry point needs a semantic");
            }
        }
    }

    void EntryOutputs(const std::string& entry) {
        for (size_t index : outline.Functions(entry)) {
            const FunctionOutline& f = outline.functions[index];
            if (f.body == npos) continue;
            size_t type = f.name - 1;
            if (code.Text(type) != "void" && f.semantic == npos) {
                if (outline.FindStruct(code, code.Text(type)) != nullptr) {
                    StructOutputs(type, 0);
                } else {
                    Error(f.name,
                          Quoted(f.name) + ": the return value of an entry point needs a semantic");
                }
            }
            for (const Declarator& d : f.params) {
                if (!d.out || d.semantic != npos || d.type == npos) continue;
                if (outline.FindStruct(code, code.Text(d.type)) != nullptr) {
                    StructOutputs(d.type, 0);
                } else {
                    Error(d.name,
                          Quoted(d.name) + ": an output of an entry point needs a semantic");
                }
            }
        }
    }

    // A semantic only where the function is declared.
    void Declarations() {
        for (const FunctionOutline& decl : outline.functions) {
            if (decl.body != npos) continue;
            for (size_t index : outline.Functions(code.Text(decl.name))) {
                const FunctionOutline& def = outline.functions[index];
                if (def.body == npos || def.params.size() != decl.params.size()) {
                    continue;
                }
                std::vector<std::pair<size_t, size_t>> pairs = {{decl.semantic, def.semantic}};
                for (size_t p = 0; p < decl.params.size(); ++p)
                    pairs.emplace_back(decl.params[p].semantic, def.params[p].semantic);
                for (auto [declared, defined] : pairs) {
                    if (declared != npos && defined == npos) {
                        Error(declared, "semantic " + Quoted(declared) + " of '" +
                                            std::string(code.Text(decl.name)) +
                                            "' is given where it is declared, not where it is "
                                            "defined");
                    }
                }
            }
        }
    }

    // Code an entry point reaches (what Direct3D 9 compiles): noise() is an
    // intrinsic of texture shaders only (a call of it in a function only a
    // texture's "function" annotation names is not an error), and shader
    // models 2 and 3 have no bitwise operators (& | ^ ~ << >> and their
    // assignments) where the program computes them: on constants they fold
    // as the compiler computes them (`FLAGS & 2` of #define'd flags, `1 << 4`).
    void ReachedCode(const std::vector<std::string>& entries) {
        std::set<size_t> reached;
        for (const std::string& entry : entries)
            for (size_t f : Reached(entry)) reached.insert(f);
        for (size_t f : reached) {
            const FunctionOutline& fn = outline.functions[f];
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (IsBitwise(i) && !BitwiseOfConstants(i)) {
                    Error(i, "bitwise operators are not available in shader models 2 and 3");
                    break;
                }
                if (code.IsIdent(i) && code.Text(i) == "noise" && code.Punct(i + 1) == '(' &&
                    code.Punct(i - 1) != '.' && outline.Functions("noise").empty()) {
                    Error(i, "'noise' is an intrinsic of texture shaders, not of vertex or pixel "
                             "shaders");
                }
                SamplerKind(i);
                SamplerMethod(i);
                IntrinsicArguments(i);
            }
        }
    }

    // A call of an intrinsic with a number of arguments it never takes,
    // "lit(a, b)". (glslang's message would name a macro or no function.)
    void IntrinsicArguments(size_t i) {
        if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || (i > 0 && code.Punct(i - 1) == '.'))
            return;
        const std::string_view name = code.Text(i);
        const int takes = IntrinsicArgumentCounts(name);
        if (takes == 0 || !outline.Functions(name).empty()) return;
        const size_t close = code.Closing(i + 1);
        if (close >= code.size()) return;
        const size_t given = close == i + 2 ? 0 : ListItems(code, i + 1, close).size();
        if (given < 5 && (takes & (1 << given)) != 0) return;
        Error(i, "'" + std::string(name) + "': no matching " + std::to_string(given) +
                     " parameter intrinsic function");
    }

    // The numbers of arguments an intrinsic of shader models 2 and 3 takes,
    // as bits (1 << n); 0 for a name that is no such intrinsic.
    static int IntrinsicArgumentCounts(std::string_view name) {
        static const std::map<std::string_view, int> kCounts = [] {
            std::map<std::string_view, int> m;
            for (std::string_view f :
                 {"abs", "acos", "all", "any", "asin", "atan", "ceil", "clip", "cos", "cosh", "ddx",
                  "ddy", "degrees", "determinant", "exp", "exp2", "floor", "frac", "fwidth",
                  "isfinite", "isinf", "isnan", "length", "log", "log10", "log2", "normalize",
                  "radians", "round", "rsqrt", "saturate", "sign", "sin", "sinh", "sqrt", "tan",
                  "tanh", "transpose", "trunc", "D3DCOLORtoUBYTE4"}) {
                m[f] = 1 << 1;
            }
            for (std::string_view f : {"atan2", "cross", "distance", "dot", "dst", "fmod", "frexp",
                                       "ldexp", "max", "min", "modf", "mul", "pow", "reflect", "step"})
                m[f] = 1 << 2;
            for (std::string_view f :
                 {"clamp", "faceforward", "lerp", "lit", "refract", "sincos", "smoothstep"})
                m[f] = 1 << 3;
            return m;
        }();
        auto it = kCounts.find(name);
        return it == kCounts.end() ? 0 : it->second;
    }

    // "s.Sample(uv)" on a sampler: Direct3D 9's samplers take no methods
    // (tex2D(s, uv) reads one); methods are texture objects'.
    void SamplerMethod(size_t i) {
        if (!code.IsIdent(i) || code.Punct(i + 1) != '.' || !code.IsIdent(i + 2) ||
            code.Punct(i + 3) != '(' || (i > 0 && code.Punct(i - 1) == '.')) {
            return;
        }
        const NameType* it = outline.Declared(code, i);
        if (it == nullptr || it->type == npos) return;
        const std::string_view type = code.Text(it->type);
        if (!IsSamplerType(type)) return;
        std::string read = "tex2D";
        if (type.size() > 7) read = "tex" + std::string(type.substr(7));
        Error(i + 2, Quoted(i) + " is a " + std::string(type) + ", which has no method " +
                         Quoted(i + 2) + "; read it with " + read + "(" +
                         std::string(code.Text(i)) + ", ...), or give it to a texture "
                         "object's read (T." + std::string(code.Text(i + 2)) + "(" +
                         std::string(code.Text(i)) + ", ...))");
    }

    // tex2D, tex2Dlod, ... of a sampler declared of another kind (a
    // samplerCUBE given to tex2D): sampler1D, 2D, 3D and CUBE do not
    // convert into one another; a plain sampler takes any.
    void SamplerKind(size_t i) {
        if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.Punct(i - 1) == '.' ||
            !code.IsIdent(i + 2) || (code.Punct(i + 3) != ',' && code.Punct(i + 3) != ')')) {
            return;
        }
        const std::string_view call = code.Text(i);
        std::string_view kind;
        for (std::string_view k : {"1D", "2D", "3D", "CUBE"}) {
            if (call.size() > 3 && call.substr(0, 3) == "tex" && call.substr(3, k.size()) == k)
                kind = k;
        }
        if (kind.empty() || !outline.Functions(call).empty()) return;
        const NameType* it = outline.Declared(code, i + 2);
        if (it == nullptr || it->type == npos) return;
        const std::string_view type = code.Text(it->type);
        if (type != "sampler1D" && type != "sampler2D" && type != "sampler3D" &&
            type != "samplerCUBE") {
            return;
        }
        if (type.substr(7) != kind) {
            Error(i + 2, Quoted(i) + " reads a sampler" + std::string(kind) + "; " +
                             Quoted(i + 2) + " is a " + std::string(type));
        }
    }

    // The functions an entry point reaches, itself first.
    std::vector<size_t> Reached(const std::string& entry) const {
        return ReachedFunctions(code, outline, entry);
    }

    // What a profile lacks that its code names (what its instructions lack
    // is found on glslang's tree, where dead code is known): VPOS and VFACE
    // exist in ps_3_0 only, the intrinsics of shader model 4 and later in
    // no profile of shader models 2 and 3.
    void ProfileCode(const std::string& entry, const std::string& profile,
                     std::set<std::pair<size_t, std::string>>* said) {
        const bool vertex = profile.rfind("vs", 0) == 0;
        const bool model3 = profile.find("_3_") != std::string::npos;
        auto error = [&](size_t at, const std::string& what, const char* why) {
            if (said->insert({at, profile}).second)
                Error(at, what + " is not available in " + profile + " (" + why + ")");
        };
        std::vector<size_t> reached = Reached(entry);
        for (size_t f : reached) {
            const FunctionOutline& fn = outline.functions[f];
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.Punct(i - 1) == '.') continue;
                const std::string_view name = code.Text(i);
                if (!outline.Functions(name).empty()) continue;  // the shader's own
                if (IsNewerIntrinsic(name)) error(i, Quoted(i), "an intrinsic of shader model 4 and later");
            }
        }
        if (reached.empty()) return;
        // The registers of the profile that the entry point's semantics name:
        // ps_2_x reads COLOR0-1 and TEXCOORD0-7 (and takes the other vertex
        // outputs of vs_2_x, which it cannot read), every pixel shader writes
        // COLOR0-3 and DEPTH, vs_1_1 and vs_2_x write POSITION, PSIZE, FOG,
        // COLOR0-1 and TEXCOORD0-7 (vs_3_0's outputs and ps_3_0's inputs
        // are generic, of any kind of register with an index to 15). VPOS
        // and VFACE are ps_3_0's inputs alone.
        const FunctionOutline& fn = outline.functions[reached.front()];
        // extra: the registers an array of N takes after its first (N - 1);
        // name: the input's name (member: a struct's member), to tell whether
        // the code reads it.
        // matrix: the registers are a matrix's columns; structure: a
        // struct's members, which the struct's own semantic numbers.
        auto check = [&](size_t at, bool output, int extra, size_t name, bool member, bool matrix,
                         bool structure = false) {
            if (at == npos) return;
            const std::string what =
                "semantic " + Quoted(at) +
                (extra > 0 ? (structure ? " of a struct of " + std::to_string(extra + 1) +
                                              " registers"
                              : matrix  ? " of a matrix of " + std::to_string(extra + 1) + " columns"
                                        : " of an array of " + std::to_string(extra + 1))
                           : std::string());
            std::string upper(code.Text(at));
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (!output && !vertex && !model3 && upper == "SV_ISFRONTFACE")
                error(at, what, "it is VFACE, which ps_3_0 has");
            if (upper.rfind("SV_", 0) == 0) return;  // the names of later models, mapped
            if (upper == "REGISTER") return;         // a uniform parameter's constant
            if (upper == "VPOS" || upper == "VFACE") {
                if (output) error(at, what, "it is a pixel shader's input");
                else if (!model3) error(at, what, "ps_3_0 has it");
                return;
            }
            const bool registers = !model3 && (vertex ? output : !output);
            const bool colours = !vertex && output;
            const size_t centroid = upper.find("_CENTROID");
            // (A struct shared by the two stages carries it on the vertex
            // shader's outputs too, where it means nothing.)
            if (centroid != std::string::npos && centroid + 9 == upper.size())
                upper.erase(centroid);
            size_t digits = upper.size();
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(upper[digits - 1]))) --digits;
            const std::string usage = upper.substr(0, digits);
            // A semantic's index is four bits of the shader's declarations
            // (TEXCOORD99999999999 would wrap into one that exists).
            const bool past15 =
                upper.size() - digits > 2 ||
                (digits < upper.size() && std::atoi(upper.c_str() + digits) + extra > 15);
            if (past15) {
                error(at, what, "a semantic's index runs from 0 to 15");
                return;
            }
            if (!IsRegisterUsage(usage)) {
                error(at, what, "it names no kind of register: POSITION, NORMAL, TEXCOORD, "
                                "COLOR, ...");
                return;
            }
            if (!registers && !colours) return;
            if (colours && extra > 0) return;  // an array of colours: 4_check_stage_limits
            const int index = (digits < upper.size() ? std::atoi(upper.c_str() + digits) : 0) + extra;
            if (colours && usage == "COLOR" && index > 3) return;  // 4_check_stage_limits says it
            bool valid = false;
            const char* legal = "";
            if (colours) {
                valid = (usage == "COLOR" && index <= 3) || (usage == "DEPTH" && index == 0);
                legal = "a pixel shader writes COLOR0-3 and DEPTH";
            } else if (vertex) {
                valid = ((usage == "POSITION" || usage == "PSIZE" || usage == "FOG") && index == 0) ||
                        (usage == "COLOR" && index <= 1) || (usage == "TEXCOORD" && index <= 7);
                legal = "it writes POSITION, PSIZE, FOG, COLOR0-1 and TEXCOORD0-7";
            } else {
                // A vertex output it does not read (POSITION of a struct the
                // vertex shader also writes) is dropped; one it reads is not
                // there.
                valid = ((usage == "POSITION" || usage == "PSIZE" || usage == "FOG") && index == 0 &&
                         !Reads(reached, name, member)) ||
                        (usage == "COLOR" && index <= 1) || (usage == "TEXCOORD" && index <= 7);
                legal = "it reads COLOR0-1 and TEXCOORD0-7";
            }
            if (!valid) error(at, what, legal);
        };
        auto declarator = [&](const Declarator& d, bool output, int depth, auto& self) -> void {
            for (size_t k = d.first; k < d.type && k < code.size() && depth == 0; ++k)
                if (code.Text(k) == "uniform") return;  // a constant, not a register
            const StructOutline* s = d.type != npos ? outline.FindStruct(code, code.Text(d.type)) : nullptr;
            // A struct's own semantic numbers its members, whose own mean nothing.
            if (s != nullptr && depth == 0 && d.semantic != npos && d.arrayOpen == npos) {
                check(d.semantic, output, std::max(StructRegisters(*s, 0), 1) - 1, d.name, false,
                      false, true);
                return;
            }
            if (s == nullptr || depth > 8) {
                int extra = 0;
                if (d.arrayOpen != npos && code.Closing(d.arrayOpen) == d.arrayOpen + 2) {
                    const std::string_view n = code.Text(d.arrayOpen + 1);
                    if (!n.empty() && n.size() < 4 &&
                        std::all_of(n.begin(), n.end(), [](char c) { return std::isdigit(c) != 0; }))
                        extra = std::max(std::atoi(std::string(n).c_str()) - 1, 0);
                }
                const int columns = MatrixRegisters(code, d);
                extra = (extra + 1) * columns - 1;
                check(d.semantic, output, extra, d.name, depth > 0, columns > 1);
                return;
            }
            for (const Declarator& m : s->members) self(m, output, depth + 1, self);
        };
        for (const Declarator& d : fn.params) declarator(d, d.out, 0, declarator);
        if (fn.name > 0) {
            Declarator result;
            result.type = fn.name - 1;
            result.semantic = fn.semantic;
            if (fn.semantic == npos || outline.FindStruct(code, code.Text(result.type)) != nullptr)
                declarator(result, true, 0, declarator);
            else
                check(fn.semantic, true, 0, npos, false, false);
        }
    }

    // The registers a struct's members take: one per scalar or vector, per
    // element of an array and per column of a matrix, nested structs' too.
    int StructRegisters(const StructOutline& s, int depth) const {
        int total = 0;
        for (const Declarator& m : s.members) {
            int elements = 1;
            if (m.arrayOpen != npos && code.Closing(m.arrayOpen) == m.arrayOpen + 2 &&
                code.Token(m.arrayOpen + 1).kind == Tok::Number) {
                elements = std::max(std::atoi(std::string(code.Text(m.arrayOpen + 1)).c_str()), 1);
            }
            const StructOutline* inner =
                m.type != npos ? outline.FindStruct(code, code.Text(m.type)) : nullptr;
            const int each = inner != nullptr && depth < 8 ? StructRegisters(*inner, depth + 1)
                                                           : MatrixRegisters(code, m);
            total += std::min(elements, 64) * each;
        }
        return std::min(total, 1024);
    }

    // Whether the functions reached name a parameter (or, for a member, a
    // member of that name after a '.').
    bool Reads(const std::vector<size_t>& reached, size_t name, bool member) const {
        if (name == npos) return false;
        for (size_t f : reached) {
            const FunctionOutline& fn = outline.functions[f];
            for (size_t i = fn.body; i < fn.end && fn.body != npos; ++i) {
                if (code.IsIdent(i) && code.Text(i) == code.Text(name) &&
                    (code.Punct(i - 1) == '.') == member && (member || f == reached.front()))
                    return true;
            }
        }
        return false;
    }

    // The kinds of register a semantic may name (D3DDECLUSAGE), less the
    // index: what vertex inputs, vs_3_0's outputs and ps_3_0's inputs take.
    static bool IsRegisterUsage(std::string_view usage) {
        for (std::string_view u : {"POSITION", "BLENDWEIGHT", "BLENDINDICES", "NORMAL", "PSIZE",
                                   "TEXCOORD", "TANGENT", "BINORMAL", "TESSFACTOR", "POSITIONT",
                                   "COLOR", "FOG", "DEPTH", "SAMPLE"}) {
            if (usage == u) return true;
        }
        return false;
    }

    // Intrinsics of shader model 4 and later.
    static bool IsNewerIntrinsic(std::string_view name) {
        static const std::set<std::string_view> kNewer = {
            "abort", "AllMemoryBarrier", "AllMemoryBarrierWithGroupSync", "asdouble", "asfloat",
            "asint", "asuint", "CheckAccessFullyMapped", "countbits", "ddx_coarse", "ddx_fine",
            "ddy_coarse", "ddy_fine", "DeviceMemoryBarrier", "DeviceMemoryBarrierWithGroupSync",
            "errorf", "EvaluateAttributeAtCentroid", "EvaluateAttributeAtSample",
            "EvaluateAttributeSnapped", "f16tof32", "f32tof16", "firstbithigh", "firstbitlow",
            "fma", "GetRenderTargetSampleCount", "GetRenderTargetSamplePosition",
            "GroupMemoryBarrier", "GroupMemoryBarrierWithGroupSync", "InterlockedAdd",
            "InterlockedAnd", "InterlockedCompareExchange", "InterlockedCompareStore",
            "InterlockedExchange", "InterlockedMax", "InterlockedMin", "InterlockedOr",
            "InterlockedXor", "msad4", "printf", "Process2DQuadTessFactorsAvg",
            "Process2DQuadTessFactorsMax", "Process2DQuadTessFactorsMin", "ProcessIsolineTessFactors",
            "ProcessQuadTessFactorsAvg", "ProcessQuadTessFactorsMax", "ProcessQuadTessFactorsMin",
            "ProcessTriTessFactorsAvg", "ProcessTriTessFactorsMax", "ProcessTriTessFactorsMin", "rcp",
            "reversebits"};
        return kNewer.count(name) != 0;
    }

    // A name whose value the compiler knows: declared const with an initial
    // value, a local or a static global (a const global that is not static
    // is a parameter the program sets).
    bool KnownConstantName(size_t i) const {
        const NameType* d = outline.Declared(code, i);
        if (d == nullptr || d->type == npos || d->name == npos || d->uniform || d->array ||
            code.Punct(d->name + 1) != '=') {
            return false;
        }
        for (size_t k = d->type; k-- > 0 && code.IsIdent(k);) {
            const std::string_view w = code.Text(k);
            if (w == "const") return true;
            if (w != "static" && w != "row_major" && w != "column_major" && w != "precise")
                return false;
        }
        return false;
    }

    // The operands around the bitwise operator at i, out to the brackets or
    // the separators that hold the expression, are literals, known
    // constants, casts to a scalar type and operators: the compiler folds
    // them, and no bitwise instruction is needed.
    bool BitwiseOfConstants(size_t i) const {
        auto constantToken = [&](size_t k) {
            if (code.Token(k).kind == Tok::Number) return true;  // "(int)2.5" too
            if (code.IsIdent(k)) {
                const Shape shape = ShapeOf(code.Text(k));
                return (shape.rows == 1 && shape.cols == 1 && code.Punct(k + 1) == ')') ||
                       KnownConstantName(k);
            }
            const char p = code.Punct(k);
            return p != 0 && std::string_view("()+-*/%&|^~<>!").find(p) != std::string_view::npos;
        };
        auto separator = [&](size_t k) {
            const char p = code.Punct(k);
            return p == ',' || p == ';' || p == '=' || p == '?' || p == ':' || p == '{' ||
                   p == '}' || p == '[' || p == ']' || (code.IsIdent(k) && code.Text(k) == "return");
        };
        // An operand ends at an operator that binds less tightly than this one
        // (a ~ takes only what follows it, up to the next binary operator).
        const int own = code.Punct(i) == '~' ? 11 : Precedence(i);
        int depth = 0;
        for (size_t k = i; own != 11 && k-- > 0;) {
            if (separator(k)) break;
            if (code.Punct(k) == ')') ++depth;
            if (code.Punct(k) == '(' && depth-- == 0) break;
            if (depth == 0 && Precedence(k) > 0 && Precedence(k) < own) break;
            if (!constantToken(k)) return false;
        }
        depth = 0;
        for (size_t k = i + 1; k < code.size(); ++k) {
            if (separator(k)) break;
            if (code.Punct(k) == '(') ++depth;
            if (code.Punct(k) == ')' && depth-- == 0) break;
            if (depth == 0 && Precedence(k) > 0 && Precedence(k) <= own && k > i + 1) break;
            if (!constantToken(k)) return false;
        }
        return true;
    }

    // How tightly the binary operator whose character is at k binds (C's
    // order: * / % 10, + - 9, shifts 8, comparisons 7, & 5, ^ 4, | 3, && 2,
    // || 1); 0 for another token.
    int Precedence(size_t k) const {
        const char p = code.Punct(k);
        auto glued = [&](size_t j) { return (code.Token(j).flags & kGlued) != 0; };
        const bool pairedAfter = code.Punct(k + 1) == p && glued(k + 1);
        const bool pairedBefore = k > 0 && code.Punct(k - 1) == p && glued(k);
        switch (p) {
            case '*': case '/': case '%': return 10;
            case '+': case '-': return 9;
            case '<': case '>': return pairedAfter || pairedBefore ? 8 : 7;
            case '&': return pairedAfter || pairedBefore ? 2 : 5;
            case '^': return 4;
            case '|': return pairedAfter || pairedBefore ? 1 : 3;
            default: return 0;
        }
    }

    // & | not doubled, ^, ~, and << >> written as one operator.
    bool IsBitwise(size_t i) const {
        const char p = code.Punct(i);
        if (p == '^' || p == '~') return true;
        auto glued = [&](size_t k) { return (code.Token(k).flags & kGlued) != 0; };
        if (p == '&' || p == '|') {
            const bool pairedBefore = i > 0 && code.Punct(i - 1) == p && glued(i);
            const bool pairedAfter = code.Punct(i + 1) == p && glued(i + 1);
            return !pairedBefore && !pairedAfter;
        }
        if (p == '<' || p == '>')
            return code.Punct(i + 1) == p && glued(i + 1) && !(i > 0 && code.Punct(i - 1) == p);
        return false;
    }
};

}  // namespace

bool CheckHlsl(const Code& code, const HlslOutline& outline,
               const std::vector<std::pair<std::string, std::string>>& compiled,
               MessageSink& messages) {
    std::vector<std::string> entries;
    for (const auto& [profile, entry] : compiled) entries.push_back(entry);
    const size_t errors = messages.ErrorCount();
    Checker c{code, outline, messages};
    c.KeywordNames();
    c.Bodies();
    std::set<std::string> done;
    for (const std::string& entry : entries)
        if (done.insert(entry).second) c.EntryOutputs(entry), c.OverloadedEntry(entry);
    c.UnendedFunctionDeclarations();
    c.Declarations();
    c.Duplicates();
    c.ParameterQualifiers();
    c.NegativeSizes();
    c.ReachedCode(entries);
    CheckRefusals(code, outline, entries, messages);
    CheckStatements(code, outline, entries, messages);
    CheckStageLimits(code, outline, compiled, messages);
    std::set<std::pair<std::string, std::string>> checked;
    std::set<std::pair<size_t, std::string>> said;
    for (const auto& [profile, entry] : compiled) {
        if (checked.insert({profile, entry}).second) c.ProfileCode(entry, profile, &said);
    }
    return messages.ErrorCount() == errors;
}

}  // namespace fx
