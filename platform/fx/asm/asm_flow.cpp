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
    return m == "gt"   ? " > "
           : m == "lt" ? " < "
           : m == "ge" ? " >= "
           : m == "le" ? " <= "
           : m == "eq" ? " == "
                       : " != ";
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
        if (s.file != "s")
            return Fail(s.token, "expected a sampler register s#, found '" + Written(s) + "'");
        stage = s.index;
    }
    const std::string type = samplerTypes_.count(stage) ? samplerTypes_.at(stage) : "sampler2D";
    const std::string shape = type == "samplerCUBE" ? "CUBE" : type == "sampler3D" ? "3D" : "2D";
    const std::string coords = type == "sampler2D" ? ".xy" : ".xyz";
    const std::string a = Paren(Source(in.operands[1]));
    const std::string s = prefix_ + "_s" + std::to_string(stage);
    std::string read;
    if (n == "texld" && ps1)
        read = "tex2D(" + s + ", " + a + ".xy)";
    else if (n == "texld" && vertex_)
        return Fail(in.token, "vertex shaders read textures with texldl");
    else if (n == "texld")
        read = "tex" + shape + "(" + s + ", " + a + coords + ")";
    else if (n == "texldp" && shape == "CUBE")
        read = "texCUBE(" + s + ", " + a + ".xyz / " + a + ".w)";
    else if (n == "texldp")
        read = "tex" + shape + "proj(" + s + ", " + a + ")";
    else if (n == "texldb")
        read = "tex" + shape + "bias(" + s + ", " + a + ")";
    else if (n == "texldl")
        read = "tex" + shape + "lod(" + s + ", " + a + ")";
    else
        read = "tex" + shape + "grad(" + s + ", " + a + coords + ", (" + Source(in.operands[3]) +
               ")" + coords + ", (" + Source(in.operands[4]) + ")" + coords + ")";
    *hlsl = Store(in, read);
    return true;
}

// ps_1_1 to ps_1_3's reads at coordinates made of other registers: the
// 3x2 and 3x3 matrix reads (a row per instruction, each the dot product of
// the t# coordinates with the source), texreg2ar / gb, texdp3 / texdp3tex.
bool Assembler::DependentRead(const AsmInstruction& in, std::string* hlsl) {
    const std::string& n = in.name;
    if (vertex_ || major_ != 1 || minor_ == 4)
        return Fail(in.token, "'" + n + "' is an instruction of ps_1_1 to ps_1_3");
    const bool specular = n == "texm3x3spec";
    if (!Expect(in, specular ? 3 : 2)) return false;
    const AsmOperand& t = in.operands[0];
    const std::string name = Written(t);
    const std::string src = Paren(Source(in.operands[1]));
    const std::string s = prefix_ + "_s" + std::to_string(t.index);
    const std::string row = "dot(" + name + ".xyz, " + src + ".xyz)";
    if (n == "texm3x2pad" || n == "texm3x3pad") {
        const std::string pad = "fx_pad" + std::to_string(padsMade_++);
        pads_.emplace_back(pad, name);
        *hlsl = "float " + pad + " = " + row + ";";
        return true;
    }
    if (n == "texm3x2depth") {
        // The pixel's depth: the pad's row over this one (1 where it is 0).
        if (pads_.empty()) return Fail(in.token, "'texm3x2depth' follows no 'texm3x2pad'");
        *hlsl = "{ float fx_w = " + row + "; oDepth = (fx_w == 0 ? 1 : " + pads_.back().first +
                " / fx_w).xxxx; }";
        pads_.pop_back();
        return true;
    }
    if (n == "texbem" || n == "texbeml") {
        // The stage's coordinates moved by the bump matrix times the source's
        // red and green: u + M00 r + M10 g, v + M01 r + M11 g; texbeml then
        // scales the colour by the source's blue times LScale plus LOffset.
        const std::string m = StateRegister("BumpEnvMat", t.index);
        *hlsl = name + " = tex2D(" + s + ", " + name + ".xy + " + src + ".x * " + m + ".xy + " +
                src + ".y * " + m + ".zw);";
        if (n == "texbeml") {
            const std::string l = StateRegister("BumpEnvL", t.index);
            *hlsl += " " + name + " = " + name + " * (" + src + ".z * " + l + ".x + " + l + ".y);";
        }
        return true;
    }
    const size_t rows = n.rfind("texm3x2", 0) == 0 ? 1 : n.rfind("texm3x3", 0) == 0 ? 2 : 0;
    if (pads_.size() < rows)
        return Fail(in.token, "'" + n + "' follows no 'texm3x" + (rows == 1 ? "2" : "3") + "pad'");
    std::string coords;
    for (size_t k = pads_.size() - rows; k < pads_.size(); ++k) coords += pads_[k].first + ", ";
    coords += row;
    if (n == "texm3x2tex") {
        *hlsl = name + " = tex2D(" + s + ", float2(" + coords + "));";
    } else if (n == "texm3x3tex") {
        *hlsl = name + " = texCUBE(" + s + ", float3(" + coords + "));";
    } else if (specular || n == "texm3x3vspec") {
        // The eye vector reflected about the normal the three rows make:
        // 2 N (N.E) / (N.N) - E; vspec's eye is the rows' w components.
        const std::string eye = specular ? Paren(Source(in.operands[2])) + ".xyz"
                                     : "float3(" + pads_[pads_.size() - 2].second + ".w, " +
                                           pads_[pads_.size() - 1].second + ".w, " + name + ".w)";
        *hlsl = "{ float3 fx_n = float3(" + coords + "); float3 fx_e = " + eye + "; " + name +
                " = texCUBE(" + s + ", 2 * fx_n * dot(fx_n, fx_e) / dot(fx_n, fx_n) - fx_e); }";
    } else if (n == "texm3x3") {
        *hlsl = name + " = float4(" + coords + ", 1);";
    } else if (n == "texreg2ar" || n == "texreg2gb") {
        *hlsl = name + " = tex2D(" + s + ", " + src + (n == "texreg2ar" ? ".wx" : ".yz") + ");";
    } else if (n == "texdp3") {
        *hlsl = name + " = " + row + ".xxxx;";
    } else {  // texdp3tex: a one-dimensional read
        *hlsl = name + " = tex2D(" + s + ", float2(" + row + ", 0));";
    }
    if (rows > 0) pads_.resize(pads_.size() - rows);
    return true;
}

// Instructions [begin, end) as statements; a subroutine's call as its
// body, in place.
bool Assembler::Body(size_t begin, size_t end, int depth, AssembledShader* out) {
    for (size_t k = begin; k < end; ++k) {
        const AsmInstruction& in = instructions_[k];
        if (in.name == "call" || in.name == "callnz") {
            if (!Call(in, depth, out)) return false;
            continue;
        }
        // The second of a co-issued pair reads the first one's destination
        // as it was before the pair.
        const bool paired = k + 1 < end && instructions_[k + 1].coissued &&
                            !in.operands.empty() && !in.operands[0].number;
        std::string saved;
        if (paired) {
            saved = "fx_co" + std::to_string(coissues_++);
            out->text.push_back(
                {"float4 " + saved + " = " + Written(in.operands[0]) + ";", in.token});
        }
        if (in.coissued && !coissueCopy_.empty()) {
            coissueSaved_ = Written(instructions_[k - 1].operands[0]);
        }
        std::string hlsl;
        const bool assembled = Assemble(in, &hlsl);
        coissueSaved_.clear();
        if (!in.coissued || paired) coissueCopy_ = saved;
        if (!assembled) return false;
        if (!hlsl.empty()) out->text.push_back({std::move(hlsl), in.token});
    }
    return true;
}

// "call lN", "callnz lN, bM", "callnz lN, [!]p0.x": the body from "label lN"
// to its ret, in place (in a block, under its condition); calls nest at
// most four deep, as the shader models allow.
bool Assembler::Call(const AsmInstruction& in, int depth, AssembledShader* out) {
    const bool conditional = in.name == "callnz";
    if (in.operands.size() != (conditional ? 2u : 1u) || in.operands[0].file != "l")
        return Fail(in.token, conditional ? "expected 'callnz lN, bN' or 'callnz lN, p0.x'"
                                          : "expected 'call lN'");
    if (depth >= 4) return Fail(in.token, "calls nest more than four deep (or recurse)");
    size_t label = 0;
    for (size_t k = 1; k < instructions_.size() && label == 0; ++k) {
        const AsmInstruction& l = instructions_[k];
        if (l.name == "label" && l.operands.size() == 1 &&
            l.operands[0].index == in.operands[0].index)
            label = k;
    }
    if (label == 0) return Fail(in.operands[0].token, "no 'label' for this call");
    size_t end = label + 1;
    while (end < instructions_.size() && instructions_[end].name != "ret" &&
           instructions_[end].name != "label")
        ++end;
    std::string open = "{";
    if (conditional) {
        const AsmOperand& c = in.operands[1];
        if (c.file == "b") {
            open = "if (" + Read(c) + ") {";
        } else if (c.file == "p") {
            open = "if (" + Paren(Source(c)) + ".x" + (c.negate ? " == 0" : " != 0") + ") {";
        } else {
            return Fail(c.token, "expected bN or p0.x as the condition of 'callnz'");
        }
    }
    const size_t blocks = blocks_.size();
    out->text.push_back({open, in.token});
    if (!Body(label + 1, end, depth + 1, out)) return false;
    if (blocks_.size() != blocks)
        return Fail(instructions_[label].token, "the subroutine's blocks do not pair up");
    out->text.push_back({"}", in.token});
    return true;
}

// "if_gt a, b", "if bN", "if p0.x" / "if !p0.x".
bool Assembler::OpenIf(const AsmInstruction& in, const std::string& mod, std::string* hlsl) {
    std::string test;
    if (IsCompare(mod) && Expect(in, 2)) {
        test = Paren(Source(in.operands[0])) + ".x" + Operator(mod) +
               Paren(Source(in.operands[1])) + ".x";
    } else if (mod.empty() && Expect(in, 1) && in.operands[0].file == "b") {
        test = Read(in.operands[0]);
    } else if (mod.empty() && in.operands.size() == 1 && in.operands[0].file == "p") {
        test =
            Paren(Source(in.operands[0])) + ".x" + (in.operands[0].negate ? " == 0" : " != 0");
    } else {
        return Fail(in.token, "expected 'if_gt a, b', 'if bN' or 'if p0.x'");
    }
    blocks_.push_back('i');
    *hlsl = "if (" + test + ") {";
    return true;
}

bool Assembler::FlowControl(const AsmInstruction& in, std::string* hlsl) {
    const std::string& n = in.name;
    const std::string mod = in.mods.empty() ? "" : in.mods[0];
    auto close = [&](char kind, const char* opener) {
        const bool ifBlock = kind == 'i';
        if (blocks_.empty() ||
            (ifBlock ? (blocks_.back() != 'i' && blocks_.back() != 'e') : blocks_.back() != kind))
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
    if (n == "if" || n == "ifc") return OpenIf(in, mod, hlsl);
    if (n == "else") {
        if (blocks_.empty() || blocks_.back() != 'i')
            return Fail(in.token, "'else' follows no 'if'");
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
