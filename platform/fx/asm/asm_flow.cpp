// Shader assembly, texture reads and flow control: texld and its forms as
// the tex2D family reads, the ps_1_x texture instructions, texkill as
// clip, and if / rep / loop / break as HLSL's blocks.
#include "platform/fx/asm/asm_assembler.h"

namespace fx {
namespace {

bool IsCompare(const std::string& m) {
    return m == "gt" || m == "lt" || m == "ge" || m == "le" || m == "eq" || m == "ne";
}

const char* Operator(const std::string& m) {
    return m == "gt" ? " > " : m == "lt" ? " < " : m == "ge" ? " >= " : m == "le" ? " <= "
           : m == "eq" ? " == " : " != ";
}

}  // namespace

bool Assembler::TextureRead(const AsmInstruction& in, std::string* hlsl) {
    const std::string& n = in.name;
    const bool ps1 = !vertex_ && major_ == 1;
    if (n == "tex" || n == "texcoord") {
        // ps_1_1 to ps_1_3: the stage of t# read at t#'s coordinates, or the
        // coordinates themselves, clamped.
        if (!ps1) return Fail(in.token, "'" + n + "' is an instruction of ps_1_1 to ps_1_3");
        if (!Expect(in, 1)) return false;
        const AsmOperand& t = in.operands[0];
        const std::string name = Written(t);
        *hlsl = n == "tex" ? name + " = tex2D(" + prefix_ + "_s" + std::to_string(t.index) + ", " +
                                 name + ".xy);"
                           : name + " = saturate(float4(" + name + ".xyz, 1));";
        return true;
    }
    if (n == "texcrd") {
        if (!Expect(in, 2)) return false;
        *hlsl = Store(in, "float4((" + Source(in.operands[1]) + ").xyz, 1)");
        return true;
    }
    int stage = 0;
    if (ps1) {
        // ps_1_4: "texld r0, t0" reads the stage of its destination.
        if (n != "texld" || !Expect(in, 2)) return Fail(in.token, "expected 'texld rN, tN'");
        stage = in.operands[0].index;
        samplerTypes_.emplace(stage, "sampler2D");
    } else {
        if (!Expect(in, n == "texldd" ? 5 : 3)) return false;
        const AsmOperand& s = in.operands[2];
        if (s.file != "s") return Fail(s.token, "expected a sampler register s#, found '" + Written(s) + "'");
        stage = s.index;
    }
    const std::string type = samplerTypes_.count(stage) ? samplerTypes_.at(stage) : "sampler2D";
    const std::string shape = type == "samplerCUBE" ? "CUBE" : type == "sampler3D" ? "3D" : "2D";
    const std::string coords = type == "sampler2D" ? ".xy" : ".xyz";
    const std::string a = Paren(Source(in.operands[1]));
    const std::string s = prefix_ + "_s" + std::to_string(stage);
    std::string read;
    if (n == "texld" && ps1) read = "tex2D(" + s + ", " + a + ".xy)";
    else if (n == "texld" && vertex_) return Fail(in.token, "vertex shaders read textures with texldl");
    else if (n == "texld") read = "tex" + shape + "(" + s + ", " + a + coords + ")";
    else if (n == "texldp" && shape == "CUBE") read = "texCUBE(" + s + ", " + a + ".xyz / " + a + ".w)";
    else if (n == "texldp") read = "tex" + shape + "proj(" + s + ", " + a + ")";
    else if (n == "texldb") read = "tex" + shape + "bias(" + s + ", " + a + ")";
    else if (n == "texldl") read = "tex" + shape + "lod(" + s + ", " + a + ")";
    else
        read = "tex" + shape + "grad(" + s + ", " + a + coords + ", (" + Source(in.operands[3]) +
               ")" + coords + ", (" + Source(in.operands[4]) + ")" + coords + ")";
    *hlsl = Store(in, read);
    return true;
}

bool Assembler::FlowControl(const AsmInstruction& in, std::string* hlsl) {
    const std::string& n = in.name;
    const std::string mod = in.mods.empty() ? "" : in.mods[0];
    auto close = [&](char kind, const char* opener) {
        const bool ifBlock = kind == 'i';
        if (blocks_.empty() || (ifBlock ? (blocks_.back() != 'i' && blocks_.back() != 'e')
                                        : blocks_.back() != kind))
            return Fail(in.token, "'" + n + "' closes no '" + opener + "'");
        blocks_.pop_back();
        return true;
    };
    if (n == "texkill") {
        if (!Expect(in, 1)) return false;
        const std::string a = Source(in.operands[0]);
        *hlsl = "clip((" + a + ")" + (major_ == 1 ? ".xyz" : "") + ");";
        return true;
    }
    // "ifc" and "breakc" are the compared forms' own names: if_gt, break_gt.
    if (n == "if" || n == "ifc") {
        std::string test;
        if (IsCompare(mod) && Expect(in, 2)) {
            test = Paren(Source(in.operands[0])) + ".x" + Operator(mod) +
                   Paren(Source(in.operands[1])) + ".x";
        } else if (mod.empty() && Expect(in, 1) && in.operands[0].file == "b") {
            test = Read(in.operands[0]);
        } else if (mod.empty() && in.operands.size() == 1 && in.operands[0].file == "p") {
            test = Paren(Source(in.operands[0])) + ".x" + (in.operands[0].negate ? " == 0" : " != 0");
        } else {
            return Fail(in.token, "expected 'if_gt a, b', 'if bN' or 'if p0.x'");
        }
        blocks_.push_back('i');
        *hlsl = "if (" + test + ") {";
        return true;
    }
    if (n == "else") {
        if (blocks_.empty() || blocks_.back() != 'i') return Fail(in.token, "'else' follows no 'if'");
        blocks_.back() = 'e';
        *hlsl = "} else {";
        return true;
    }
    if (n == "endif" || n == "endrep" || n == "endloop") {
        const char kind = n == "endif" ? 'i' : n == "endrep" ? 'r' : 'l';
        if (!close(kind, n == "endif" ? "if" : n == "endrep" ? "rep" : "loop")) return false;
        *hlsl = kind == 'l' ? "} }" : "}";
        return true;
    }
    const std::string counter = "fx_n" + std::to_string(loops_);
    if (n == "rep") {
        if (!Expect(in, 1)) return false;
        ++loops_;
        blocks_.push_back('r');
        *hlsl = "for (int " + counter + " = 0; " + counter + " < " + Read(in.operands[0]) +
                ".x; ++" + counter + ") {";
        return true;
    }
    if (n == "loop") {
        if (!Expect(in, 2) || in.operands[0].file != "aL")
            return Fail(in.token, "expected 'loop aL, iN'");
        ++loops_;
        blocks_.push_back('l');
        const std::string i = Read(in.operands[1]);
        *hlsl = "{ int aL = " + i + ".y; for (int " + counter + " = 0; " + counter + " < " + i +
                ".x; ++" + counter + ", aL += " + i + ".z) {";
        return true;
    }
    bool inLoop = false;
    for (char b : blocks_) inLoop = inLoop || b == 'r' || b == 'l';
    if (!inLoop) return Fail(in.token, "'" + n + "' outside a 'rep' or 'loop'");
    if (n == "breakp") {
        if (!Expect(in, 1)) return false;
        const AsmOperand& p = in.operands[0];
        *hlsl = "if ((" + Source(p) + ").x" + (p.negate ? " == 0" : " != 0") + ") break;";
        return true;
    }
    if (IsCompare(mod)) {
        if (!Expect(in, 2)) return false;
        *hlsl = "if ((" + Source(in.operands[0]) + ").x" + Operator(mod) + "(" +
                Source(in.operands[1]) + ").x) break;";
        return true;
    }
    *hlsl = "break;";
    return true;
}

}  // namespace fx
