// Stage 4: intrinsics of constants (see 4_constant_intrinsics.h).
#include "platform/fx/4_rewrite/intrinsics/4_constant_intrinsics.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>

namespace fx {
namespace {

using Unary = double (*)(double);
using Binary = double (*)(double, double);
using Ternary = double (*)(double, double, double);

double Saturate(double x) { return std::clamp(x, 0.0, 1.0); }
double Sign(double x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
// pow, log, sqrt and rsqrt read |x|, as the instructions that compute them.
double Rsqrt(double x) { return 1 / std::sqrt(std::abs(x)); }

const std::map<std::string_view, Unary>& UnaryCalls() {
    static const std::map<std::string_view, Unary> kCalls = {
        {"abs", [](double x) { return std::abs(x); }},
        {"acos", [](double x) { return std::acos(x); }},
        {"asin", [](double x) { return std::asin(x); }},
        {"atan", [](double x) { return std::atan(x); }},
        {"ceil", [](double x) { return std::ceil(x); }},
        {"cos", [](double x) { return std::cos(x); }},
        {"cosh", [](double x) { return std::cosh(x); }},
        {"degrees", [](double x) { return x * 180 / std::numbers::pi; }},
        {"exp", [](double x) { return std::exp(x); }},
        {"exp2", [](double x) { return std::exp2(x); }},
        {"floor", [](double x) { return std::floor(x); }},
        {"frac", [](double x) { return x - std::floor(x); }},
        {"isfinite", [](double x) { return std::isfinite(x) ? 1.0 : 0.0; }},
        {"isinf", [](double x) { return std::isinf(x) ? 1.0 : 0.0; }},
        {"isnan", [](double x) { return std::isnan(x) ? 1.0 : 0.0; }},
        {"log", [](double x) { return std::log(std::abs(x)); }},
        {"log10", [](double x) { return std::log10(std::abs(x)); }},
        {"log2", [](double x) { return std::log2(std::abs(x)); }},
        {"radians", [](double x) { return x * std::numbers::pi / 180; }},
        {"round", [](double x) { return std::floor(x + 0.5); }},  // halfway goes up
        {"rsqrt", Rsqrt},
        {"saturate", Saturate},
        {"sign", Sign},
        {"sin", [](double x) { return std::sin(x); }},
        {"sinh", [](double x) { return std::sinh(x); }},
        {"sqrt", [](double x) { return std::sqrt(std::abs(x)); }},
        {"tan", [](double x) { return std::tan(x); }},
        {"tanh", [](double x) { return std::tanh(x); }},
        {"trunc", [](double x) { return std::trunc(x); }},
    };
    return kCalls;
}

const std::map<std::string_view, Binary>& BinaryCalls() {
    static const std::map<std::string_view, Binary> kCalls = {
        {"atan2", [](double y, double x) { return std::atan2(y == 0 ? 0.0 : y, x); }},  // -0 as +0
        {"fmod", [](double x, double y) { return std::fmod(x, y); }},
        {"ldexp", [](double x, double e) { return x * std::exp2(e); }},
        {"max", [](double a, double b) { return std::max(a, b); }},
        {"min", [](double a, double b) { return std::min(a, b); }},
        {"pow", [](double x, double y) { return std::pow(std::abs(x), y); }},
        {"step", [](double edge, double x) { return x >= edge ? 1.0 : 0.0; }},
    };
    return kCalls;
}

const std::map<std::string_view, Ternary>& TernaryCalls() {
    static const std::map<std::string_view, Ternary> kCalls = {
        {"clamp", [](double x, double lo, double hi) { return std::min(std::max(x, lo), hi); }},
        {"lerp", [](double a, double b, double t) { return a + (b - a) * t; }},
        {"smoothstep",
         [](double lo, double hi, double x) {
             const double t = Saturate((x - lo) / (hi - lo));
             return t * t * (3 - 2 * t);
         }},
    };
    return kCalls;
}

// The component i of an argument spread or truncated to the call's length.
double At(const ConstantValue& a, size_t i) { return a.v.size() == 1 ? a.v[0] : a.v[i]; }

// The length of a component-wise call: the shortest argument longer than one.
size_t CallLength(const std::vector<ConstantValue>& args) {
    size_t n = 0;
    for (const ConstantValue& a : args)
        if (a.v.size() > 1) n = n == 0 ? a.v.size() : std::min(n, a.v.size());
    return n == 0 ? 1 : n;
}

bool AllIntegers(const std::vector<ConstantValue>& args) {
    return std::all_of(args.begin(), args.end(), [](const ConstantValue& a) { return a.integer; });
}

double Dot(const ConstantValue& a, const ConstantValue& b) {
    const size_t n = std::max<size_t>(1, std::min(a.v.size(), b.v.size()));
    const size_t m = std::max(a.v.size(), b.v.size());
    double sum = 0;
    for (size_t i = 0; i < (a.v.size() == 1 || b.v.size() == 1 ? m : n); ++i) sum += At(a, i) * At(b, i);
    return sum;
}

ConstantValue Scaled(const ConstantValue& a, double s) {
    ConstantValue r;
    for (double x : a.v) r.v.push_back(x * s);
    return r;
}

// The calls of vectors: reductions and the geometric ones.
bool VectorCall(std::string_view f, const std::vector<ConstantValue>& a, ConstantValue* out) {
    const size_t n = a.size();
    if ((f == "dot" || f == "distance") && n == 2) {
        ConstantValue d = a[0];
        if (f == "distance") {
            const size_t len = CallLength(a);
            d.v.resize(len);
            for (size_t i = 0; i < len; ++i) d.v[i] = At(a[0], i) - At(a[1], i);
            out->v = {std::sqrt(Dot(d, d))};
            return true;
        }
        out->v = {Dot(a[0], a[1])};
        out->integer = AllIntegers(a);
        return true;
    }
    if ((f == "length" || f == "normalize") && n == 1) {
        const double len = std::sqrt(Dot(a[0], a[0]));
        *out = f == "length" ? ConstantValue{{len}, false} : Scaled(a[0], 1 / len);
        return true;
    }
    if ((f == "any" || f == "all") && n == 1) {
        const bool any = std::any_of(a[0].v.begin(), a[0].v.end(), [](double x) { return x != 0; });
        const bool all = std::all_of(a[0].v.begin(), a[0].v.end(), [](double x) { return x != 0; });
        *out = {{(f == "any" ? any : all) ? 1.0 : 0.0}, true};
        return true;
    }
    if (f == "cross" && n == 2 && a[0].v.size() >= 3 && a[1].v.size() >= 3) {
        const auto& x = a[0].v;
        const auto& y = a[1].v;
        out->v = {x[1] * y[2] - x[2] * y[1], x[2] * y[0] - x[0] * y[2], x[0] * y[1] - x[1] * y[0]};
        return true;
    }
    return false;
}

// The lighting calls, as the reference gives their formulas.
bool LightingCall(std::string_view f, const std::vector<ConstantValue>& a, ConstantValue* out) {
    const size_t n = a.size();
    if (f == "reflect" && n == 2) {  // i - 2 n dot(i, n)
        const double d = Dot(a[0], a[1]);
        out->v.resize(CallLength(a));
        for (size_t i = 0; i < out->v.size(); ++i) out->v[i] = At(a[0], i) - 2 * At(a[1], i) * d;
        return true;
    }
    if (f == "refract" && n == 3 && a[2].v.size() == 1) {
        const double eta = a[2].v[0], d = Dot(a[1], a[0]);
        const double k = 1 - eta * eta * (1 - d * d);
        out->v.assign(CallLength({a[0], a[1]}), 0.0);
        if (k < 0) return true;  // total internal reflection
        for (size_t i = 0; i < out->v.size(); ++i)
            out->v[i] = eta * At(a[0], i) - (eta * d + std::sqrt(k)) * At(a[1], i);
        return true;
    }
    if (f == "faceforward" && n == 3) {  // -n sign(dot(i, ng))
        *out = Scaled(a[0], -Sign(Dot(a[1], a[2])));
        return true;
    }
    if (f == "lit" && n == 3 && a[0].v.size() == 1 && a[1].v.size() == 1 && a[2].v.size() == 1) {
        const double l = a[0].v[0], h = a[1].v[0], m = a[2].v[0];
        out->v = {1, std::max(l, 0.0), l < 0 || h < 0 ? 0 : std::pow(h, m), 1};
        return true;
    }
    if (f == "dst" && n == 2 && a[0].v.size() == 4 && a[1].v.size() == 4) {
        out->v = {1, a[0].v[1] * a[1].v[1], a[0].v[2], a[1].v[3]};
        return true;
    }
    if (f == "D3DCOLORtoUBYTE4" && n == 1 && a[0].v.size() == 4) {
        const auto& c = a[0].v;
        out->v = {std::trunc(c[2] * 255.001953), std::trunc(c[1] * 255.001953),
                  std::trunc(c[0] * 255.001953), std::trunc(c[3] * 255.001953)};
        out->integer = true;
        return true;
    }
    return false;
}

// "'f' what", built by appends (GCC 12 warns of a false overlap in the
// operator+ chain).
std::string Quoted(std::string_view f, std::string_view what) {
    std::string text = "'";
    text.append(f).append("'").append(what);
    return text;
}

// transpose, determinant and mul: of matrices by their shapes; a value
// without one is a scalar or a vector (a row on mul's left, a column on
// its right).
bool MatrixCall(std::string_view f, const std::vector<ConstantValue>& a, ConstantValue* out) {
    if (f == "transpose" && a.size() == 1) {
        const int r = a[0].rows > 0 ? a[0].rows : 1;
        const int c = a[0].rows > 0 ? a[0].cols : static_cast<int>(a[0].v.size());
        *out = {std::vector<double>(a[0].v.size()), a[0].integer, c, r};
        for (int i = 0; i < r; ++i)
            for (int j = 0; j < c; ++j) out->v[j * r + i] = a[0].v[i * c + j];
        return true;
    }
    if (f == "determinant" && a.size() == 1 && a[0].rows == a[0].cols) {
        const auto& m = a[0].v;
        auto at = [&](int i, int j) { return m[i * a[0].cols + j]; };
        auto det3 = [&](int r0, int r1, int r2, int c0, int c1, int c2) {
            return at(r0, c0) * (at(r1, c1) * at(r2, c2) - at(r1, c2) * at(r2, c1)) -
                   at(r0, c1) * (at(r1, c0) * at(r2, c2) - at(r1, c2) * at(r2, c0)) +
                   at(r0, c2) * (at(r1, c0) * at(r2, c1) - at(r1, c1) * at(r2, c0));
        };
        double d = m[0];  // a scalar, or a 1x1
        if (a[0].rows == 2) d = at(0, 0) * at(1, 1) - at(0, 1) * at(1, 0);
        if (a[0].rows == 3) d = det3(0, 1, 2, 0, 1, 2);
        if (a[0].rows == 4) {
            const int c[4][3] = {{1, 2, 3}, {0, 2, 3}, {0, 1, 3}, {0, 1, 2}};
            d = 0;
            for (int j = 0; j < 4; ++j)
                d += (j % 2 == 0 ? 1 : -1) * at(0, j) * det3(1, 2, 3, c[j][0], c[j][1], c[j][2]);
        }
        if (a[0].rows == 0 && m.size() != 1) return false;
        out->v = {d};
        return true;
    }
    if (f != "mul" || a.size() != 2) return false;
    const ConstantValue &x = a[0], &y = a[1];
    if (x.v.size() == 1 || y.v.size() == 1) {  // a scalar scales the other
        const ConstantValue& other = x.v.size() == 1 ? y : x;
        *out = Scaled(other, x.v.size() == 1 ? x.v[0] : y.v[0]);
        out->rows = other.rows;
        out->cols = other.cols;
        return true;
    }
    // x is r x k, y is k x c; a vector is 1 x k on the left, k x 1 on the right.
    const int r = x.rows > 0 ? x.rows : 1, xk = x.rows > 0 ? x.cols : static_cast<int>(x.v.size());
    const int yk = y.rows > 0 ? y.rows : static_cast<int>(y.v.size()), c = y.rows > 0 ? y.cols : 1;
    const int k = std::min(xk, yk);  // the longer is truncated
    out->v.assign(static_cast<size_t>(r * c), 0.0);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j)
            for (int t = 0; t < k; ++t) out->v[i * c + j] += x.v[i * xk + t] * y.v[t * c + j];
    if (x.rows > 0 && y.rows > 0) {
        out->rows = r;
        out->cols = c;
    }
    out->integer = x.integer && y.integer;
    return true;
}

}  // namespace

bool IsConstantIntrinsic(std::string_view name) {
    static const std::vector<std::string_view> kOthers = {
        "dot",  "distance", "length", "normalize", "any",         "all", "cross",
        "reflect", "refract", "faceforward", "lit", "dst", "D3DCOLORtoUBYTE4",
        "mul",  "transpose", "determinant"};
    return UnaryCalls().count(name) != 0 || BinaryCalls().count(name) != 0 ||
           TernaryCalls().count(name) != 0 ||
           std::find(kOthers.begin(), kOthers.end(), name) != kOthers.end();
}

bool EvaluateIntrinsic(std::string_view f, const std::vector<ConstantValue>& args,
                       ConstantValue* out, std::string* why) {
    *out = {};
    for (const ConstantValue& a : args) {
        if (a.v.empty() || a.v.size() > 16) {
            *why = Quoted(f, " of a value it cannot take");
            return false;
        }
    }
    if (MatrixCall(f, args, out)) return true;
    const size_t n = CallLength(args);
    auto each = [&](auto compute) {
        out->v.resize(n);
        for (size_t i = 0; i < n; ++i) out->v[i] = compute(i);
        for (const ConstantValue& a : args) {
            if (a.rows > 0 && a.v.size() == n) {
                out->rows = a.rows;
                out->cols = a.cols;
                break;
            }
        }
        return true;
    };
    if (auto u = UnaryCalls().find(f); u != UnaryCalls().end() && args.size() == 1) {
        // sign gives ints; isnan, isinf and isfinite bools, held as 0 or 1.
        out->integer = f == "sign" || f.starts_with("is") || (f == "abs" && args[0].integer);
        return each([&](size_t i) { return u->second(At(args[0], i)); });
    }
    if (auto b = BinaryCalls().find(f); b != BinaryCalls().end() && args.size() == 2) {
        out->integer = (f == "min" || f == "max") && AllIntegers(args);
        return each([&](size_t i) { return b->second(At(args[0], i), At(args[1], i)); });
    }
    if (auto t = TernaryCalls().find(f); t != TernaryCalls().end() && args.size() == 3) {
        out->integer = f == "clamp" && AllIntegers(args);
        return each([&](size_t i) { return t->second(At(args[0], i), At(args[1], i), At(args[2], i)); });
    }
    if (VectorCall(f, args, out) || LightingCall(f, args, out)) return true;
    *why = Quoted(f, " of these arguments is not a call it can evaluate");
    return false;
}

}  // namespace fx
