// Shader assembly, instructions: each one HLSL statement. An instruction's
// result is a float4 of its sources (each with its swizzle and modifiers),
// stored through the destination's write mask, scaled and saturated as its
// modifiers say, and only where its predicate holds. Compares give exactly
// 0 or 1 per component (as step() does), and selections are made one
// component at a time.
#include "platform/fx/asm/asm_assembler.h"

namespace fx {
namespace {

const char* const kParts[] = {"x", "y", "z", "w"};

// "float4(f(x), f(y), f(z), f(w))" where each is a text with '#' for the
// component.
std::string PerComponent(const std::string& pattern) {
    std::string s = "float4(";
    for (int i = 0; i < 4; ++i) {
        std::string part = pattern;
        for (size_t at = part.find('#'); at != std::string::npos; at = part.find('#', at + 1))
            part.replace(at, 1, kParts[i]);
        s += (i ? ", " : "") + part;
    }
    return s + ")";
}

}  // namespace

bool Assembler::Expect(const AsmInstruction& in, size_t operands) {
    if (in.operands.size() == operands) return true;
    return Fail(in.token, "'" + in.name + "' takes " + std::to_string(operands) +
                              " operands, not " + std::to_string(in.operands.size()));
}

// a < b and the like, 0 or 1 per component.
std::string Assembler::Compare(const std::string& op, const std::string& a,
                               const std::string& b) const {
    if (op == "ge") return "step(" + b + ", " + a + ")";
    if (op == "le") return "step(" + a + ", " + b + ")";
    if (op == "lt") return "(1 - step(" + b + ", " + a + "))";
    if (op == "gt") return "(1 - step(" + a + ", " + b + "))";
    if (op == "eq") return "(step(" + a + ", " + b + ") * step(" + b + ", " + a + "))";
    return "(1 - step(" + a + ", " + b + ") * step(" + b + ", " + a + "))";  // ne
}

// The result through the destination's mask and modifiers, where the
// predicate holds.
std::string Assembler::Store(const AsmInstruction& in, const std::string& result) const {
    const AsmOperand& dst = in.operands[0];
    std::string r = result;
    static const std::pair<const char*, const char*> kScales[] = {
        {"x2", " * 2"}, {"x4", " * 4"}, {"x8", " * 8"},
        {"d2", " / 2"}, {"d4", " / 4"}, {"d8", " / 8"}};
    for (const auto& [mod, scale] : kScales)
        if (HasModifier(in.mods, mod)) r = "(" + r + ")" + scale;
    if (HasModifier(in.mods, "sat")) r = "saturate(" + r + ")";
    // ps_1_1 to ps_1_3 keep what they compute within [-1, 1].
    else if (!vertex_ && major_ == 1 && minor_ < 4) r = "clamp(" + r + ", -1, 1)";
    std::string name = Target(dst);
    std::string mask = dst.swizzle;
    // A ps_1_x write mask ".a" / ".rgb" reads as ".w" / ".xyz"; a mask repeats
    // nothing, so "xyzz" from ".xyz" loses its repeat.
    while (mask.size() > 1 && mask[mask.size() - 1] == mask[mask.size() - 2]) mask.pop_back();
    if (!in.predicated) {
        if (mask == "xyzw") return name + " = " + r + ";";
        return name + "." + mask + " = (" + r + ")." + mask + ";";
    }
    std::string p = Source(in.predicate);
    std::string s = "{ float4 fx_r = " + r + "; float4 fx_p = " + p + ";";
    for (char c : mask)
        s += std::string(" if (fx_p.") + c + (in.predicateNot ? " == 0" : " != 0") + ") " + name +
             "." + c + " = fx_r." + c + ";";
    return s + " }";
}

bool Assembler::Assemble(const AsmInstruction& in, std::string* hlsl) {
    const std::string& n = in.name;
    bool inLoop = false;
    for (char b : blocks_) inLoop = inLoop || b == 'l';
    for (const AsmOperand& op : in.operands)
        if (op.relative == "aL" && !inLoop) return Fail(op.token, "'aL' outside a 'loop'");
    if (n == "def" || n == "defi" || n == "defb" || n == "dcl" || n == "nop" || n == "phase")
        return true;
    if (n == "if" || n == "ifc" || n == "else" || n == "endif" || n == "rep" || n == "endrep" ||
        n == "loop" || n == "endloop" || n == "break" || n == "breakc" || n == "breakp" ||
        n == "texkill")
        return FlowControl(in, hlsl);
    if (n == "texld" || n == "texldp" || n == "texldb" || n == "texldl" || n == "texldd" ||
        n == "tex" || n == "texcoord" || n == "texcrd")
        return TextureRead(in, hlsl);
    if (IsStageRead(n)) return DependentRead(in, hlsl);
    if (n == "texdepth") {
        // ps_1_4: the pixel's depth, r5's red over its green (1 where that is 0).
        if (vertex_ || major_ != 1 || minor_ != 4 || !Expect(in, 1) ||
            Written(in.operands[0]) != "r5")
            return Fail(in.token, "expected 'texdepth r5' (ps_1_4)");
        *hlsl = "oDepth = (r5.y == 0 ? 1 : r5.x / r5.y).xxxx;";
        return true;
    }
    std::string result;
    if (n == "m4x4" || n == "m4x3" || n == "m3x4" || n == "m3x3" || n == "m3x2") {
        if (!Matrix(in, &result)) return false;
    } else if (!Arithmetic(in, &result)) {
        return false;
    }
    if (n == "mova" || (n == "mov" && in.operands[0].file == "a")) {
        // mova rounds to the nearest whole number; vs_1_1's mov to a0 floors.
        result = (n == "mova" ? "floor(" + result + " + 0.5)" : "floor(" + result + ")");
    }
    *hlsl = Store(in, result);
    return true;
}

bool Assembler::Arithmetic(const AsmInstruction& in, std::string* result) {
    const std::string& n = in.name;
    static const std::pair<const char*, int> kSources[] = {
        {"mov", 1}, {"mova", 1}, {"add", 2}, {"sub", 2}, {"mul", 2}, {"mad", 3}, {"dp3", 2},
        {"dp4", 2}, {"rcp", 1}, {"rsq", 1}, {"min", 2}, {"max", 2}, {"slt", 2}, {"sge", 2},
        {"frc", 1}, {"exp", 1}, {"expp", 1}, {"log", 1}, {"logp", 1}, {"lit", 1}, {"dst", 2},
        {"abs", 1}, {"nrm", 1}, {"pow", 2}, {"lrp", 3}, {"crs", 2}, {"sgn", 3}, {"cmp", 3},
        {"cnd", 3}, {"dp2add", 3}, {"dsx", 1}, {"dsy", 1}, {"sincos", 1}, {"setp", 2}, {"bem", 2}};
    int sources = -1;
    for (const auto& [name, count] : kSources)
        if (n == name) sources = count;
    if (sources < 0) return Fail(in.token, "'" + n + "' is not assembled");
    // sincos of shader model 2 names two constants as well; sgn's two
    // temporaries are scratch registers.
    const size_t given = in.operands.size();
    if (!(n == "sincos" && given == 4) && !(n == "sgn" && given == 2) &&
        !Expect(in, static_cast<size_t>(sources) + 1))
        return false;
    std::string a = given > 1 ? Source(in.operands[1]) : "";
    std::string b = given > 2 ? Source(in.operands[2]) : "";
    std::string c = given > 3 ? Source(in.operands[3]) : "";
    // A scalar source: its replicated component, x when no swizzle is written.
    const std::string sa = "(" + a + ").x";
    const std::string sb = "(" + b + ").x";
    // expp and logp give four components only in vs_1_1; later, like exp
    // and log, the one result in each.
    const bool fourParts = vertex_ && major_ == 1;
    const std::string& mod = in.mods.empty() ? std::string() : in.mods[0];
    std::string& r = *result;
    if (n == "mov" || n == "mova") r = a;
    else if (n == "add") r = a + " + " + b;
    else if (n == "sub") r = a + " - " + b;
    else if (n == "mul") r = a + " * " + b;
    else if (n == "mad") r = a + " * " + b + " + " + c;
    else if (n == "dp3") r = "dot((" + a + ").xyz, (" + b + ").xyz).xxxx";
    else if (n == "dp4") r = "dot(" + a + ", " + b + ").xxxx";
    else if (n == "dp2add") r = "(dot((" + a + ").xy, (" + b + ").xy) + (" + c + ").x).xxxx";
    else if (n == "rcp") r = "(1.0 / " + sa + ").xxxx";
    else if (n == "rsq") r = "rsqrt(abs(" + sa + ")).xxxx";
    else if (n == "min") r = "min(" + a + ", " + b + ")";
    else if (n == "max") r = "max(" + a + ", " + b + ")";
    else if (n == "slt") r = Compare("lt", a, b);
    else if (n == "sge") r = Compare("ge", a, b);
    else if (n == "setp") r = Compare(mod, a, b);
    else if (n == "frc") r = "frac(" + a + ")";
    else if (n == "abs") r = "abs(" + a + ")";
    else if (n == "sgn") r = "sign(" + a + ")";
    else if (n == "dsx") r = "ddx(" + a + ")";
    else if (n == "dsy") r = "ddy(" + a + ")";
    else if (n == "exp") r = "exp2(" + sa + ").xxxx";
    else if (n == "log") r = "log2(abs(" + sa + ")).xxxx";
    else if (n == "expp" && !fourParts) r = "exp2(" + sa + ").xxxx";
    else if (n == "logp" && !fourParts) r = "log2(abs(" + sa + ")).xxxx";
    else if (n == "expp")
        r = "float4(exp2(floor(" + sa + ")), frac(" + sa + "), exp2(" + sa + "), 1)";
    else if (n == "logp")
        r = "float4(floor(log2(abs(" + sa + "))), abs(" + sa + ") / exp2(floor(log2(abs(" + sa +
            ")))), log2(abs(" + sa + ")), 1)";
    else if (n == "nrm") r = a + " * rsqrt(dot((" + a + ").xyz, (" + a + ").xyz))";
    else if (n == "pow") r = "pow(abs(" + sa + "), " + sb + ").xxxx";
    else if (n == "lrp") r = a + " * (" + b + " - " + c + ") + " + c;
    else if (n == "crs") r = "float4(cross((" + a + ").xyz, (" + b + ").xyz), 0)";
    else if (n == "sincos") r = "float4(cos(" + sa + "), sin(" + sa + "), 0, 0)";
    else if (n == "bem") {
        // ps_1_4: a + the destination stage's bump matrix times b's red and green.
        if (vertex_ || major_ != 1 || minor_ != 4)
            return Fail(in.token, "'bem' is an instruction of ps_1_4");
        const std::string m = StateRegister("BumpEnvMat", in.operands[0].index);
        r = "float4((" + a + ").xy + (" + b + ").x * " + m + ".xy + (" + b + ").y * " + m +
            ".zw, 0, 0)";
    } else if (n == "dst")
        r = "float4(1, (" + a + ").y * (" + b + ").y, (" + a + ").z, (" + b + ").w)";
    else if (n == "cmp" || n == "cnd") {
        // One component at a time: cmp takes b where a >= 0, cnd where a > 0.5.
        const std::string test = n == "cmp" ? " >= 0 ? " : " > 0.5 ? ";
        r = PerComponent("((" + a + ").#" + test + "(" + b + ").# : (" + c + ").#)");
    } else if (n == "lit") {
        // 1, the diffuse factor, the specular one (a power of at most 128 in
        // size, and 0 where the light is behind), 1.
        const std::string p = "clamp((" + a + ").w, -127.9961, 127.9961)";
        r = "float4(1, max((" + a + ").x, 0), (" + a + ").x > 0 && (" + a + ").y > 0 ? pow((" + a +
            ").y, " + p + ") : 0, 1)";
    }
    return true;
}

// m4x4 dst, v, c0: a dot product with each of the registers from c0 on.
bool Assembler::Matrix(const AsmInstruction& in, std::string* result) {
    if (!Expect(in, 3)) return false;
    const int rows = in.name[1] - '0';
    const int columns = in.name[3] - '0';
    const std::string a = Source(in.operands[1]);
    std::string r = "float4(";
    for (int k = 0; k < 4; ++k) {
        if (k >= columns) {
            r += ", 0";
            continue;
        }
        AsmOperand row = in.operands[2];
        row.index += k;
        if (row.relative.empty() && row.index >= RegisterCount(row.file))
            return Fail(row.token, "'" + in.name + "' reads past the last register of " + version_);
        const std::string v = Read(row);
        r += std::string(k ? ", " : "") +
             (rows == 4 ? "dot(" + a + ", " + v + ")"
                        : "dot((" + a + ").xyz, (" + v + ").xyz)");
    }
    *result = r + ")";
    return true;
}
}  // namespace fx
