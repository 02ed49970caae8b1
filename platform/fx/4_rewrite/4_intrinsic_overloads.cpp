// Stage 4: calls of intrinsics as Direct3D 9 resolves them (see
// 4_intrinsic_overloads.h).
#include "platform/fx/4_rewrite/4_intrinsic_overloads.h"

#include <algorithm>
#include <array>
#include <set>
#include <string>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"

namespace fx {

bool IsIntrinsicName(std::string_view name) {
    static constexpr std::array<std::string_view, 82> kNames = {
        "D3DCOLORtoUBYTE4", "abs",       "acos",       "all",       "any",       "asin",
        "atan",             "atan2",     "ceil",       "clamp",     "clip",      "cos",
        "cosh",             "cross",     "ddx",        "ddy",       "degrees",   "determinant",
        "distance",         "dot",       "exp",        "exp2",      "faceforward", "floor",
        "fmod",             "frac",      "frexp",      "fwidth",    "isfinite",  "isinf",
        "isnan",            "ldexp",     "length",     "lerp",      "lit",       "log",
        "log10",            "log2",      "max",        "min",       "modf",      "mul",
        "noise",            "normalize", "pow",        "radians",   "reflect",   "refract",
        "round",            "rsqrt",     "saturate",   "sign",      "sin",       "sincos",
        "sinh",             "smoothstep", "sqrt",      "step",      "tan",       "tanh",
        "tex1D",            "tex1Dbias", "tex1Dgrad",  "tex1Dlod",  "tex1Dproj", "tex2D",
        "tex2Dbias",        "tex2Dgrad", "tex2Dlod",   "tex2Dproj", "tex3D",     "tex3Dbias",
        "tex3Dgrad",        "tex3Dlod",  "tex3Dproj",  "texCUBE",   "texCUBEbias", "texCUBEgrad",
        "texCUBElod",       "texCUBEproj", "transpose", "trunc"};
    return std::find(kNames.begin(), kNames.end(), name) != kNames.end();
}

namespace {

struct Overloads {
    const TokenStream& s;
    const Code& code;
    const HlslOutline& outline;
    TokenEdits* edits;
    MessageSink& warnings;

    SourceToken Make(Tok kind, std::string_view text, size_t at) const {
        return s.Make(kind, text, code.Token(at));
    }
    void Insert(size_t before, std::vector<SourceToken> tokens) {
        const size_t at = before < code.size() ? code.At(before) : s.tokens.size();
        edits->list.push_back({at, at, std::move(tokens)});
    }
    void Replace(size_t at, std::vector<SourceToken> tokens) {
        edits->list.push_back({code.At(at), code.At(at) + 1, std::move(tokens)});
    }

    // The effect's functions named as intrinsics, and the calls of them.
    void UserFunctions(const std::vector<std::string>& entries) {
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(') continue;
            if (i > 0 && code.Punct(i - 1) == '.') continue;
            const std::string_view name = code.Text(i);
            if (outline.Functions(name).empty() || !IsIntrinsicName(name)) continue;
            if (std::find(entries.begin(), entries.end(), name) != entries.end()) continue;
            if (!UserOverloadTakes(i)) continue;  // the intrinsic's own call, max(a, b)
            Replace(i, {Make(Tok::Ident, "fx_user_" + std::string(name) + "_", i)});
            renamed.insert(i);
        }
    }

    // Whether NAME( at i declares one of the effect's functions of that
    // name, or calls it with as many arguments as one of them takes
    // (those after the first default value may be left out); a call no
    // declaration takes is the intrinsic's: "float max(float4 v)" hides
    // max(a, b) from nobody, and hides nothing above its declaration.
    bool UserOverloadTakes(size_t i) const {
        const size_t open = i + 1, close = code.Closing(open);
        const size_t args = close == open + 1 ? 0 : ListItems(code, open, close).size();
        for (size_t f : outline.Functions(code.Text(i))) {
            const FunctionOutline& fn = outline.functions[f];
            if (fn.name == i) return true;
            if (fn.name > i) continue;
            size_t defaults = 0;
            for (size_t k = fn.open + 1; k < fn.close; ++k) {
                if (code.Punct(k) == '(' || code.Punct(k) == '{') k = code.Closing(k);
                else if (code.Punct(k) == '=') ++defaults;
            }
            const size_t most = fn.params.size();
            if (args <= most && args + defaults >= most) return true;
        }
        return false;
    }

    // Calls of the intrinsics glslang resolves otherwise.
    void Calls() {
        for (size_t i = 0; i + 1 < code.size(); ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(') continue;
            if (i > 0 && (code.Punct(i - 1) == '.' || (code.IsIdent(i - 1) && code.Text(i - 1) != "return")))
                continue;
            const std::string_view f = code.Text(i);
            if (renamed.count(i) == 0 && IsOneArgumentFloatIntrinsic(f)) FloatOfIntegerVector(i);
            if (!OneOf(f, {"normalize", "reflect", "refract", "determinant", "transpose", "any",
                           "all", "min", "max", "clamp", "lerp", "step", "smoothstep", "pow", "mul", "cross",
                           "faceforward", "ldexp", "dot", "distance", "atan2", "fmod", "modf", "frexp",
                           "sincos", "log", "log2", "log10", "sqrt", "rsqrt", "tex2D",
                           "tex2Dgrad", "tex3D", "tex3Dgrad", "texCUBE",
                           "texCUBEgrad"}) ||
                renamed.count(i) != 0)
                continue;
            const size_t close = code.Closing(i + 1);
            if (close >= code.size()) continue;
            const auto args = ListItems(code, i + 1, close);
            if (OneOf(f, {"modf", "frexp", "sincos"})) {
                OutValues(i, f, args);
                continue;
            }
            std::vector<int> counts;
            for (auto [first, last] : args)
                counts.push_back(ExpressionComponents(code, outline, first, last));
            Scalars(i, close, f, args, counts);
            AnyAllOfMatrix(f, args, counts);
            AnyAllOfConstantNumbers(f, args, counts);
            MatrixArguments(f, args);
            NegativeConstants(f, args);
            if (f == "mul" && args.size() == 2) MulOfIntegerScalars(i, close, args, counts);
            if (f == "dot" && args.size() == 2) DotOfIntegers(args);
            // Of scalars and vectors (a matrix keeps glslang's, element by
            // element, for a whole e).
            if (f == "ldexp" && counts.size() == 2 && counts[0] > 0 && counts[1] > 0)
                Ldexp(i, args, close);
            Truncations(f, args, counts);
        }
    }

    static bool IsOneArgumentFloatIntrinsic(std::string_view f) {
        return OneOf(f, {"D3DCOLORtoUBYTE4", "acos", "asin", "atan", "ceil", "cos", "cosh", "ddx", "ddy", "degrees",
                         "exp", "exp2", "floor", "frac", "fwidth", "isfinite", "isinf", "isnan",
                         "length", "log", "log10", "log2", "normalize", "radians", "round",
                         "rsqrt", "saturate", "sin", "sinh", "sqrt", "tan", "tanh", "trunc"});
    }

    // An intrinsic of floats given an int, uint or bool value (a scalar
    // or a vector) that a constructor or a call makes, "sqrt(int2(a, b))",
    // "length(F())", "exp2(max(i, j))", "frac(dot(k, k))": the value as floats,
    // "sqrt(float2(int2(a, b)))", as Direct3D 9 converts the argument
    // (glslang resolves such a call to the intrinsic of one float and folds
    // it to 0, or refuses the result's ".y"). A variable, a cast or an
    // operation glslang converts right, and is left.
    void FloatOfIntegerVector(size_t name) {
        const size_t close = code.Closing(name + 1);
        if (close >= code.size()) return;
        const auto args = ListItems(code, name + 1, close);
        if (args.size() != 1) return;
        const int n = IntegerVectorCall(args[0].first, args[0].second);
        // normalize of a scalar goes through a float2 of it (Scalars).
        if (n < 1 || (n == 1 && code.Text(name) == "normalize")) return;
        Insert(args[0].first, {Make(Tok::Ident, n == 1 ? std::string("float") : "float" + std::to_string(n),
                                    args[0].first),
                               Make(Tok::Punct, "(", args[0].first)});
        Insert(args[0].second, {Make(Tok::Punct, ")", args[0].second)});
    }

    // The width of an int, uint or bool scalar (1) or vector type; 0 for
    // other types.
    static int IntegerVectorWidth(std::string_view type) {
        const Shape shape = ShapeOf(type);
        if (shape.matrix || shape.rows != 1) return 0;
        return OneOf(type.substr(0, 3), {"int", "uin", "boo"}) ? shape.cols : 0;
    }

    // The width of the int, uint or bool value that the call (or
    // constructor) first ... last makes, in brackets or not; 0 when it is
    // no such call.
    int IntegerVectorCall(size_t first, size_t last) const {
        while (first + 1 < last && code.Punct(first) == '(' && code.Closing(first) == last - 1) {
            ++first;
            --last;
        }
        if (first + 2 >= last || !code.IsIdent(first) || code.Punct(first + 1) != '(' ||
            code.Closing(first + 1) != last - 1) {
            return 0;
        }
        const std::string_view w = code.Text(first);
        if (const int n = IntegerVectorWidth(w)) return n;
        const std::vector<size_t>& fns = outline.Functions(w);
        if (!fns.empty()) {
            // The effect's function: every overload of the name returns
            // such a value of one width.
            int n = 0;
            for (size_t f : fns) {
                const size_t t = outline.functions[f].returnType;
                const int width = IntegerVectorWidth(code.Text(t));
                if (width == 0 || (n != 0 && width != n)) return 0;
                n = width;
            }
            return n;
        }
        if (!OneOf(w, {"min", "max", "clamp", "dot"})) return 0;
        // Of an int, uint or bool argument it is one of those (of a float
        // one a float, which the float constructor keeps as it is).
        bool integer = false;
        for (auto [a, b] : ListItems(code, first + 1, last - 1))
            integer = integer || HoldsIntegerName(a, b);
        const int n = !integer ? 0 : w == "dot" ? 1 : ExpressionComponents(code, outline, first, last);
        return n >= 1 && n <= 4 ? n : 0;
    }

    // "s.count" at the member's name: a member of an int, uint or bool
    // type of the struct variable s.
    bool IntegerMember(size_t k) const {
        if (k < 2 || !code.IsIdent(k - 2)) return false;
        const NameType* found = outline.Declared(code, k - 2);
        if (found == nullptr || found->type == Declarator::npos) return false;
        const StructOutline* st = outline.FindStruct(code, code.Text(found->type));
        if (st == nullptr) return false;
        for (const Declarator& m : st->members) {
            if (m.name != Declarator::npos && m.type != Declarator::npos &&
                code.Text(m.name) == code.Text(k) && m.arrayOpen == Declarator::npos) {
                return IntegerVectorWidth(code.Text(m.type)) != 0;
            }
        }
        return false;
    }

    // Whether the expression names an int, uint or bool type (a cast, a
    // constructor), a variable of one, or calls the effect's function
    // returning one.
    bool HoldsIntegerName(size_t first, size_t last) const {
        for (size_t k = first; k < last; ++k) {
            if (!code.IsIdent(k)) continue;
            if (k > 0 && code.Punct(k - 1) == '.') {
                if (IntegerMember(k)) return true;
                continue;
            }
            const std::string_view w = code.Text(k);
            if (IntegerVectorWidth(w) != 0) return true;
            if (code.Punct(k + 1) == '(') {
                const std::vector<size_t>& fns = outline.Functions(w);
                for (size_t f : fns)
                    if (IntegerVectorWidth(code.Text(outline.functions[f].returnType)) != 0) return true;
                continue;
            }
            const NameType* found = outline.Declared(code, k);
            if (found != nullptr && found->type != Declarator::npos &&
                IntegerVectorWidth(code.Text(found->type)) != 0) {
                return true;
            }
        }
        return false;
    }

    void Scalars(size_t name, size_t close, std::string_view f,
                 const std::vector<std::pair<size_t, size_t>>& args, const std::vector<int>& counts) {
        if (args.empty() || counts[0] == 0) return;
        const bool scalar = counts[0] == 1;
        if ((f == "normalize" && args.size() == 1 && scalar) ||
            (OneOf(f, {"reflect", "refract"}) && args.size() == (f == "reflect" ? 2u : 3u) &&
             scalar && counts[1] == 1) ||
            (f == "faceforward" && args.size() == 3 && scalar && counts[1] == 1 && counts[2] == 1)) {
            // Of a vector of two whose second component is 0: the scalar's
            // value in the first.
            const size_t vectors = f == "normalize" ? 1 : f == "faceforward" ? 3 : 2;
            for (size_t a = 0; a < vectors; ++a) {
                Insert(args[a].first, {Make(Tok::Ident, "float2", args[a].first),
                                       Make(Tok::Punct, "(", args[a].first)});
                const size_t end = args[a].second;
                Insert(end, {Make(Tok::Punct, ",", end), Make(Tok::Number, "0", end),
                             Make(Tok::Punct, ")", end)});
            }
            std::vector<SourceToken> x = {Make(Tok::Punct, ".", close), Make(Tok::Ident, "x", close)};
            x[0].flags |= kGlued;
            x[1].flags |= kGlued;
            Insert(close + 1, std::move(x));
        } else if (f == "determinant" && args.size() == 1 && scalar) {
            Replace(name, {Make(Tok::Ident, "float", name)});
        } else if (f == "transpose" && args.size() == 1 && counts[0] <= 4) {
            Replace(name, {});
        } else if (OneOf(f, {"any", "all"}) && args.size() == 1 && scalar) {
            Replace(name, {Make(Tok::Ident, "bool", name)});
        }
    }

    // modf, frexp and sincos writing into a variable that is not a float
    // (or whose type is not told): the call reaches stage 5's function of
    // floats, fx_NAME_, so that glslang converts what it writes to the
    // variable's type (its own intrinsics lose an int's value, or fail).
    // Into an int or bool matrix, int_matrices (next) converts the call.
    void OutValues(size_t name, std::string_view f, const std::vector<std::pair<size_t, size_t>>& args) {
        bool floats = true;
        for (size_t a = 1; a < args.size(); ++a) {
            const size_t typeAt = DeclaredType(args[a].first, args[a].second);
            if (typeAt != Declarator::npos && ShapeOf(code.Text(typeAt)).matrix) return;
            floats = floats && IsFloatVariable(args[a].first, args[a].second);
        }
        if (floats && !SineWritesTheAngle(f, args)) return;
        Replace(name, {Make(Tok::Ident, "fx_" + std::string(f) + "_", name)});
    }

    // "sincos(x, x, c)": the sine's variable is read by the angle, so the
    // cosine must be of the angle given, not of the sine written first
    // (Direct3D 9 computes both of the value given, as any call's in
    // parameter); stage 5's fx_sincos_ takes the angle as a copy.
    bool SineWritesTheAngle(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args) const {
        if (f != "sincos" || args.size() != 3 || !code.IsIdent(args[1].first)) return false;
        const std::string_view sine = code.Text(args[1].first);
        for (size_t k = args[0].first; k < args[0].second; ++k) {
            if (code.IsIdent(k) && code.Text(k) == sine && (k == 0 || code.Punct(k - 1) != '.'))
                return true;
        }
        return false;
    }

    // The declared type's token of the variable "v..." starts; npos when
    // it is no variable or its type is not told.
    size_t DeclaredType(size_t first, size_t last) const {
        if (first >= last || !code.IsIdent(first)) return Declarator::npos;
        const NameType* found = outline.Declared(code, first);
        if (found == nullptr) return Declarator::npos;
        return found->type != Declarator::npos ? found->type : LocalType(first);
    }

    // "v", "v.xy", "m[1]": a variable declared as a float type, or a part
    // of one.
    bool IsFloatVariable(size_t first, size_t last) const {
        const size_t typeAt = DeclaredType(first, last);
        if (typeAt == Declarator::npos) return false;
        const std::string_view type = code.Text(typeAt);
        if (ShapeOf(type).rows == 0 || !OneOf(type.substr(0, 4), {"floa", "half", "doub", "min1"}) ||
            type.rfind("min16int", 0) == 0 || type.rfind("min16uint", 0) == 0) {
            return false;
        }
        for (size_t k = first + 1; k < last; ++k) {
            if (code.Punct(k) == '[') {
                k = code.Closing(k);
            } else if (code.Punct(k) == '.' && code.IsIdent(k + 1)) {
                ++k;  // a swizzle of a float type (which has no members)
            } else {
                return false;
            }
        }
        return true;
    }

    // The type of the name at `use` where the function holding it declares
    // it before (a parameter, "float s", or a local, "float s, c;"), for a
    // name the effect declares with several types; npos when it does not.
    size_t LocalType(size_t use) const {
        for (const FunctionOutline& f : outline.functions) {
            if (f.body == Declarator::npos || use < f.body || use > f.end) continue;
            for (size_t k = use; k-- > f.open + 1;) {
                if (!code.IsIdent(k) || code.Text(k) != code.Text(use)) continue;
                if (code.IsIdent(k - 1) && ShapeOf(code.Text(k - 1)).rows > 0) return k - 1;
                if (code.Punct(k - 1) != ',' || k < f.body) continue;
                // "float a = 1, s": the statement's first word past its qualifiers.
                size_t d = k - 1;
                while (d > f.body && code.Punct(d) != ';' && code.Punct(d) != '{' &&
                       code.Punct(d) != '}') {
                    const size_t open = code.Punct(d) == ')' || code.Punct(d) == ']' ? Opening(d) : d;
                    d = open > f.body ? open - 1 : f.body;
                }
                size_t t = d + 1;
                while (code.IsIdent(t) && IsQualifierWord(code.Text(t))) ++t;
                if (code.IsIdent(t) && ShapeOf(code.Text(t)).rows > 0) return t;
            }
            return Declarator::npos;
        }
        return Declarator::npos;
    }

    static bool IsQualifierWord(std::string_view w) {
        return OneOf(w, {"const", "static", "precise", "uniform", "volatile", "row_major",
                         "column_major", "snorm", "unorm"});
    }

    // The bracket that the one at close closes.
    size_t Opening(size_t close) const {
        for (size_t k = close; k-- > 0;)
            if (code.Closing(k) == close) return k;
        return 0;
    }

    // any / all of a matrix: "any((m) + fx_zero_)", with stage 5's static
    // zero, which glslang cannot fold (it folds them of a constant matrix
    // from the first column only); stage 6 takes the addition out.
    void AnyAllOfMatrix(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args,
                        const std::vector<int>& counts) {
        if (!OneOf(f, {"any", "all"}) || args.size() != 1 || counts[0] != 0) return;
        auto [first, last] = args[0];
        if (MatrixShape(code, outline, first, last).rows == 0) return;
        Insert(first, {Make(Tok::Punct, "(", first)});
        Insert(last, {Make(Tok::Punct, ")", last), Make(Tok::Punct, "+", last),
                      Make(Tok::Ident, kUnfoldedZero, last)});
    }

    // any / all of a vector of constant numbers, "any(int2(0, 3))": with the
    // unfolded zero added (glslang folds them of numbers that are no bools
    // into the first number or 0). A bool vector folds right and is left.
    void AnyAllOfConstantNumbers(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args,
                                 const std::vector<int>& counts) {
        if (!OneOf(f, {"any", "all"}) || args.size() != 1 || counts[0] < 2) return;
        if (!ConstantNumbers(args[0])) return;
        AddUnfoldedZero(args[0]);
    }

    // pow, log, log2, log10, sqrt and rsqrt of a negative constant,
    // "sqrt(-4)", "log(float2x2(1, 2, 3, -4))", or of a const name: with the
    // unfolded zero added, so that the value is the magnitude's, as the call
    // computes it at run time (glslang folds NaN). atan2's y the same way:
    // a -0 ("atan2(-0.0, -1)") is +0 at run time, so pi, where glslang
    // folds -pi.
    void NegativeConstants(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args) {
        if (!OneOf(f, {"pow", "log", "log2", "log10", "sqrt", "rsqrt", "atan2"}) || args.empty() ||
            !ConstantNumbers(args[0]) ||
            (OneOf(f, {"pow", "atan2"}) && MatrixShape(code, outline, args[0].first, args[0].second).rows != 0)) {
            return;  // pow's and atan2's matrix has its zero from MatrixArguments
        }
        for (size_t k = args[0].first; k < args[0].second; ++k)
            if (code.Punct(k) == '-' || ConstName(k)) return AddUnfoldedZero(args[0]);
    }

    // A name declared const with a number type that is no bool ("static
    // const float N = -4;", a const local): glslang folds it as a literal.
    bool ConstName(size_t k) const {
        if (!code.IsIdent(k) || (k > 0 && code.Punct(k - 1) == '.')) return false;
        const NameType* found = outline.Declared(code, k);
        if (found == nullptr || found->uniform || found->type == Declarator::npos) return false;
        const std::string_view type = code.Text(found->type);
        if (ShapeOf(type).rows == 0 || type.rfind("bool", 0) == 0) return false;
        for (size_t q = found->type; q-- > 0 && code.IsIdent(q) && IsQualifierWord(code.Text(q));)
            if (code.Text(q) == "const") return true;
        return false;
    }

    // Numbers, constructors of numeric types, const names, arithmetic and
    // intrinsic calls of them, nothing else: what glslang folds. No bools
    // (a comparison or logical operator makes them), no other names.
    bool ConstantNumbers(std::pair<size_t, size_t> arg) const {
        for (size_t k = arg.first; k < arg.second; ++k) {
            if (code.IsIdent(k)) {
                const std::string_view w = code.Text(k);
                if (ConstName(k) || (k > arg.first && code.Punct(k - 1) == '.')) continue;
                if (k + 1 < arg.second && code.Punct(k + 1) == '(' && IsIntrinsicName(w)) continue;
                if (ShapeOf(w).rows == 0 || w.rfind("bool", 0) == 0) return false;
            } else if (code.Token(k).kind == Tok::Punct &&
                       !OneOf(code.Text(k), {"(", ")", ",", "+", "-", "*", "/", "."})) {
                return false;
            }
        }
        return arg.first < arg.second;
    }

    // "(a) + fx_zero_": stage 5's static zero, which glslang cannot fold;
    // stage 6 takes the addition out again.
    void AddUnfoldedZero(std::pair<size_t, size_t> arg) {
        auto [first, last] = arg;
        Insert(first, {Make(Tok::Punct, "(", first)});
        Insert(last, {Make(Tok::Punct, ")", last), Make(Tok::Punct, "+", last),
                      Make(Tok::Ident, kUnfoldedZero, last)});
    }

    // min, max, clamp, lerp, step, smoothstep, pow and atan2 of matrices:
    // the first matrix argument with the unfolded zero added (glslang folds
    // them of constant matrices into zeros or the first element's value);
    // stage 6 takes the addition out again.
    void MatrixArguments(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args) {
        if (!OneOf(f, {"min", "max", "clamp", "lerp", "step", "smoothstep", "pow", "atan2"})) return;
        for (auto [first, last] : args) {
            if (first >= last || MatrixShape(code, outline, first, last).rows == 0) continue;
            return AddUnfoldedZero({first, last});
        }
    }

    // mul of an int, uint or bool scalar, "mul(i, v)": the scalar as a
    // float, as Direct3D 9 converts it (glslang finds the call ambiguous).
    // A bare literal is already a float one (4_spellings). Of two such
    // scalars it is their product, an int: "((i) * (j))".
    void MulOfIntegerScalars(size_t name, size_t close, const std::vector<std::pair<size_t, size_t>>& args,
                             const std::vector<int>& counts) {
        auto integer = [&](std::pair<size_t, size_t> arg) {
            return IntegerArgument(arg) || ComparisonArgument(arg);
        };
        if (counts[0] == 1 && counts[1] == 1 && integer(args[0]) && integer(args[1])) {
            const size_t comma = args[0].second;
            Replace(name, {});
            Insert(args[0].first, {Make(Tok::Punct, "(", args[0].first)});
            Replace(comma, {Make(Tok::Punct, ")", comma), Make(Tok::Punct, "*", comma),
                            Make(Tok::Punct, "(", comma)});
            Insert(close, {Make(Tok::Punct, ")", close)});
            return;
        }
        for (size_t a = 0; a < 2; ++a) {
            if (counts[a] != 1 || !integer(args[a])) continue;
            auto [first, last] = args[a];
            Insert(first, {Make(Tok::Ident, "float", first), Make(Tok::Punct, "(", first)});
            Insert(last, {Make(Tok::Punct, ")", last)});
        }
    }

    // dot of int, uint or bool values: "dot((a) + fx_izero_, b)", with
    // stage 5's static int zero, which glslang cannot fold (it folds dot of
    // integer constants into a wrong value, 0 or the first product); stage
    // 6 takes the addition out.
    void DotOfIntegers(const std::vector<std::pair<size_t, size_t>>& args) {
        if (!IntegerArgument(args[0]) && !IntegerArgument(args[1])) return;
        auto [first, last] = args[0];
        Insert(first, {Make(Tok::Punct, "(", first)});
        Insert(last, {Make(Tok::Punct, ")", last), Make(Tok::Punct, "+", last),
                      Make(Tok::Ident, kUnfoldedIntZero, last)});
    }

    // An expression that names an integer or bool type, a variable of one
    // or the effect's function returning one, or holds an integer literal.
    bool IntegerArgument(std::pair<size_t, size_t> arg) const {
        auto integer = [](std::string_view type) {
            return ShapeOf(type).rows > 0 && OneOf(type.substr(0, 3), {"int", "uin", "boo", "dwo", "min"}) &&
                   type.rfind("min16float", 0) != 0 && type.rfind("min10float", 0) != 0;
        };
        for (size_t k = arg.first; k < arg.second; ++k) {
            const std::string_view w = code.Text(k);
            if (code.IsIdent(k)) {
                if (w == "true" || w == "false" || integer(w)) return true;
                if (code.Punct(k + 1) == '(' && HoldsIntegerName(k, k + 1)) return true;  // a call
                const NameType* found = outline.Declared(code, k);
                if (found != nullptr && found->type != Declarator::npos &&
                    integer(code.Text(found->type))) {
                    return true;
                }
            } else if (!w.empty() && w[0] >= '0' && w[0] <= '9' &&
                       (w.rfind("0x", 0) == 0 || w.rfind("0X", 0) == 0 ||
                        w.find_first_of(".eEfFhH") == std::string_view::npos)) {
                return true;
            }
        }
        return false;
    }

    // An expression holding a comparison or a logical operator, "(a < b)",
    // "!(a > b)", whose value may be a bool (a float one given to mul the
    // same way is the same number). The tokens here are single characters.
    bool ComparisonArgument(std::pair<size_t, size_t> arg) const {
        for (size_t k = arg.first; k < arg.second; ++k)
            if (std::string_view("<>!=&|").find(code.Punct(k)) != std::string_view::npos &&
                code.Punct(k) != 0)
                return true;
        return false;
    }

    // ldexp(x, e) is x * 2^e for any e (glslang's truncates e to an int):
    // "((x) * exp2(e))".
    void Ldexp(size_t name, const std::vector<std::pair<size_t, size_t>>& args, size_t close) {
        if (args.size() != 2) return;
        const size_t comma = args[0].second;
        Replace(name, {});
        Insert(args[0].first, {Make(Tok::Punct, "(", args[0].first)});
        Replace(comma, {Make(Tok::Punct, ")", comma), Make(Tok::Punct, "*", comma),
                        Make(Tok::Ident, "exp2", comma), Make(Tok::Punct, "(", comma)});
        // exp2 is an intrinsic of one argument, as FloatOfIntegerVector
        // takes them: "ldexp(x, int2(a, b))" raises 2 to the float2.
        if (const int n = IntegerVectorCall(args[1].first, args[1].second); n > 0) {
            Insert(args[1].first, {Make(Tok::Ident, n == 1 ? std::string("float") : "float" + std::to_string(n),
                                        args[1].first),
                                   Make(Tok::Punct, "(", args[1].first)});
            Insert(close, {Make(Tok::Punct, ")", close)});
        }
        Insert(close, {Make(Tok::Punct, ")", close)});
    }

    // Vectors of different lengths: the longer ones lose components.
    void Truncations(std::string_view f, const std::vector<std::pair<size_t, size_t>>& args,
                     const std::vector<int>& counts) {
        if (f.substr(0, 3) == "tex") {
            // A texture read's coordinate and derivatives: 2 or 3 components.
            const int size = f.substr(0, 5) == "tex2D" ? 2 : 3;
            for (size_t a = 1; a < args.size(); ++a) {
                if (counts[a] > size) {
                    warnings.Warning(code.Pos(args[a].first), "implicit truncation of vector type");
                    return;
                }
            }
            return;
        }
        if (f == "cross") {
            // Of two float3: a longer vector loses its fourth component.
            for (size_t a = 0; a < args.size(); ++a) {
                if (counts[a] > 3) {
                    warnings.Warning(code.Pos(args[a].first), "implicit truncation of vector type");
                    return;
                }
            }
            return;
        }
        size_t n = args.size();
        if (OneOf(f, {"reflect", "refract"})) {
            n = std::min<size_t>(n, 2);
        } else if (!OneOf(f, {"min", "max", "clamp", "lerp", "step", "smoothstep", "pow", "ldexp",
                              "dot", "distance", "atan2", "fmod", "faceforward"})) {
            return;
        }
        int shortest = 0;
        for (size_t a = 0; a < n; ++a) {
            if (counts[a] == 0) return;
            if (counts[a] > 1) shortest = shortest == 0 ? counts[a] : std::min(shortest, counts[a]);
        }
        for (size_t a = 0; a < n; ++a) {
            if (counts[a] > shortest && shortest > 1) {
                warnings.Warning(code.Pos(args[a].first), "implicit truncation of vector type");
                return;
            }
        }
    }

    std::set<size_t> renamed;  // calls and declarations of the effect's own
};

}  // namespace

bool RewriteIntrinsicOverloads(TokenRewriteState& state) {
    const Code& code = state.code();
    TokenEdits edits;
    Overloads o{*state.hlsl, code, state.outline(), &edits, state.messages, {}};
    o.UserFunctions(state.entries);
    o.Calls();
    if (edits.list.empty()) return true;
    edits.Apply(&state.hlsl->tokens);
    state.Edited();
    return true;
}

}  // namespace fx
