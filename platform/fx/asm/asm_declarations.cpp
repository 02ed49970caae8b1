// Shader assembly, declarations: the registers each instruction names,
// checked against the version's register files; def / defi / defb and dcl;
// then the HLSL function around the statements (asm_instructions.cpp):
// constants as globals at their registers, inputs as parameters with
// their semantics, outputs as out parameters written at the end.
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/fx/asm/asm_assembler.h"

namespace fx {
namespace {

std::string Number(double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    std::string s = buffer;
    if (s.find_first_of(".eEn") == std::string::npos) s += ".0";
    return s;
}

bool Writes(const std::string& name) {
    static const char* const kNoDestination[] = {"texkill", "if",     "ifc",    "rep",
                                                 "loop",    "break",  "breakc", "breakp",
                                                 "call",    "callnz", "label"};
    for (const char* n : kNoDestination)
        if (name == n) return false;
    return true;
}

// "texcoord1" -> TEXCOORD1, "position" -> POSITION0; empty for no usage.
std::string Semantic(const std::string& usage) {
    static const char* const kUsages[] = {
        "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
        "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};
    size_t digits = usage.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(usage[digits - 1]))) --digits;
    const std::string name = usage.substr(0, digits);
    for (const char* u : kUsages) {
        if (name != u) continue;
        std::string s;
        for (char c : name) s += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s + (digits == usage.size() ? "0" : usage.substr(digits));
    }
    return "";
}

const char* const kAssembled[] = {
    "mov",        "mova",       "add",        "sub",         "mul",          "mad",
    "dp3",        "dp4",        "rcp",        "rsq",         "min",          "max",
    "slt",        "sge",        "frc",        "exp",         "expp",         "log",
    "logp",       "lit",        "dst",        "abs",         "nrm",          "pow",
    "lrp",        "crs",        "sgn",        "cmp",         "cnd",          "dp2add",
    "dsx",        "dsy",        "sincos",     "setp",        "m4x4",         "m4x3",
    "m3x4",       "m3x3",       "m3x2",       "texld",       "texldp",       "texldb",
    "texldl",     "texldd",     "tex",        "texcoord",    "texcrd",       "texm3x2pad",
    "texm3x2tex", "texm3x3pad", "texm3x3tex", "texm3x3spec", "texm3x3vspec", "texm3x3",
    "texreg2ar",  "texreg2gb",  "texdp3",     "texdp3tex",   "texbem",       "texbeml",
    "texm3x2depth", "texdepth",
    "bem",        "call",       "callnz",     "label",       "ret",          "texkill",
    "if",
    "ifc",        "else",       "endif",      "rep",         "endrep",       "loop",
    "endloop",    "break",      "breakc",     "breakp",      "nop",          "phase"};

}  // namespace

bool IsStageRead(const std::string& name) {
    static const char* const kReads[] = {"tex",        "texcoord",   "texm3x2pad",  "texm3x2tex",
                                         "texm3x3pad", "texm3x3tex", "texm3x3spec", "texm3x3vspec",
                                         "texreg2ar",  "texreg2gb",  "texdp3",      "texdp3tex",
                                         "texm3x3",    "texbem",     "texbeml",    "texm3x2depth"};
    for (const char* n : kReads)
        if (name == n) return true;
    return false;
}

bool IsAssembled(const std::string& name) {
    for (const char* n : kAssembled)
        if (name == n) return true;
    return name == "def" || name == "defi" || name == "defb" || name == "dcl";
}

// How many registers of a file the version has; 0: none.
int Assembler::RegisterCount(const std::string& f) const {
    const bool ps1 = !vertex_ && major_ == 1;
    const bool three = major_ == 3;
    const bool twoX = major_ == 2 && minor_ == 1;
    if (f == "r") {
        if (ps1) return minor_ == 4 ? 6 : 2;
        return three || twoX ? 32 : 12;
    }
    if (f == "c") {
        if (vertex_) return major_ == 1 ? 96 : 256;
        return ps1 ? 8 : three ? 224 : 32;
    }
    if (f == "i" || f == "b") return vertex_ || three || twoX ? 16 : 0;
    if (f == "l") return major_ < 2 || (!vertex_ && !three && !twoX) ? 0 : three ? 2048 : 16;
    if (f == "p")
        return major_ >= 2 && (vertex_ || three || twoX) && !(major_ == 2 && minor_ == 0) ? 1 : 0;
    if (vertex_) {
        if (f == "v") return 16;
        if (f == "a") return 1;
        if (f == "oD") return three ? 0 : 2;
        if (f == "oT") return three ? 0 : 8;
        if (f == "oPos" || f == "oFog" || f == "oPts") return three ? 0 : 1;
        if (f == "o") return three ? 12 : 0;
        if (f == "s") return three ? 4 : 0;
        if (f == "aL") return major_ >= 2 ? 1 : 0;
        return 0;
    }
    if (f == "v") return three ? 10 : 2;
    if (f == "t") return ps1 ? (minor_ == 4 ? 6 : 4) : three ? 0 : 8;
    if (f == "s") return ps1 ? 0 : 16;
    if (f == "oC") return ps1 ? 0 : 4;
    if (f == "oDepth") return ps1 ? 0 : 1;
    if (f == "vPos" || f == "vFace" || f == "aL") return three ? 1 : 0;
    return 0;
}

bool Assembler::CheckRegister(const AsmOperand& op, bool write) {
    if (op.number || !op.word.empty()) return Fail(op.token, "expected a register, found a value");
    const std::string name = Written(op);
    const int count = RegisterCount(op.file);
    if (!op.relative.empty() && op.file != "c") {
        // v[aL + n], o[aL + n]: one array over the whole file.
        if (op.index < 0 || op.index >= count)
            return Fail(op.token, "'" + op.file + "[...]' is not a register of " + version_);
        if (op.file == "v" && write) return Fail(op.token, "'" + op.file + "' cannot be written");
        if (op.file == "o" && !write)
            return Fail(op.token, "'o[...]' is an output: it cannot be read");
        (op.file == "v" ? indexedInputs_ : indexedOutputs_) = true;
        return true;
    }
    if (count == 0 || op.index >= count || (op.file == "c" && op.index < 0))
        return Fail(op.token, "'" + (op.file == "c" && !op.relative.empty() ? "c[...]" : name) +
                                  "' is not a register of " + version_);
    const bool ps1 = !vertex_ && major_ == 1;
    const std::string& f = op.file;
    if (write && (f == "c" || f == "i" || f == "b" || f == "s" || f == "vPos" || f == "vFace" ||
                  (f == "v") || (f == "t" && !ps1)))
        return Fail(op.token, "'" + name + "' cannot be written");
    if (!write && (f == "oPos" || f == "oD" || f == "oT" || f == "oFog" || f == "oPts" ||
                   f == "o" || f == "oC" || f == "oDepth"))
        return Fail(op.token, "'" + name + "' is an output: it cannot be read");
    if (f == "r" || f == "a" || f == "p") temps_.insert(name);
    if (f == "c") {
        if (!op.relative.empty()) indexedBank_ = true;
        constants_.insert(op.index);
    }
    // An i or b register without its defi / defb is the pass's to set.
    if (f == "i" && intDefs_.count(op.index) == 0) stateRegisters_.emplace(std::pair("I", op.index), -1);
    if (f == "b" && boolDefs_.count(op.index) == 0) stateRegisters_.emplace(std::pair("B", op.index), -1);
    if (f == "o" && outputs_.count(name) == 0)
        return Fail(op.token, "'" + name + "' is written but never declared (dcl_texcoord0 " +
                                  name + ", ...)");
    if (f == "oPos" || f == "oD" || f == "oT" || f == "oFog" || f == "oPts" || f == "oC" ||
        f == "oDepth") {
        static const std::map<std::string, std::string> kSemantics = {
            {"oPos", "POSITION"}, {"oD", "COLOR"}, {"oT", "TEXCOORD"}, {"oFog", "FOG"},
            {"oPts", "PSIZE"},    {"oC", "COLOR"}, {"oDepth", "DEPTH"}};
        outputs_[name] =
            kSemantics.at(f) +
            (f == "oD" || f == "oT" || f == "oC" ? std::to_string(op.index) : std::string());
    }
    if (f == "t" && ps1) {
        inputs_[name] = {"TEXCOORD" + std::to_string(op.index), "float4"};
    } else if (f == "v" && ps1) {
        inputs_[name] = {"COLOR" + std::to_string(op.index), "float4"};
    } else if ((f == "v" || f == "t" || f == "vPos" || f == "vFace") && inputs_.count(name) == 0) {
        return Fail(op.token, "'" + name + "' is read but never declared (" +
                                  (vertex_ ? "dcl_position " : "dcl ") + name + ")");
    }
    if (f == "s" && samplerTypes_.count(op.index) == 0)
        return Fail(op.token, "'" + name + "' is read but never declared (dcl_2d " + name + ")");
    return true;
}

bool Assembler::DeclareOne(const AsmInstruction& in) {
    if (in.operands.size() != 1) return Fail(in.token, "'dcl' takes one register");
    const AsmOperand& op = in.operands[0];
    if (op.number || !op.word.empty() || RegisterCount(op.file) <= op.index)
        return Fail(op.token, "'" + Written(op) + "' is not a register of " + version_);
    std::string usage;
    for (const std::string& m : in.mods)
        if (m != "pp" && m != "centroid") usage = m;
    const std::string name = Written(op);
    if (op.file == "s") {
        const std::string type = usage == "2d"       ? "sampler2D"
                                 : usage == "cube"   ? "samplerCUBE"
                                 : usage == "volume" ? "sampler3D"
                                                     : "";
        if (type.empty())
            return Fail(in.token, "expected dcl_2d, dcl_cube or dcl_volume for " + name);
        samplerTypes_[op.index] = type;
        return true;
    }
    if (op.file == "vPos" || op.file == "vFace") {
        inputs_[name] = op.file == "vPos" ? Input{"VPOS", "float2"} : Input{"VFACE", "float"};
        return true;
    }
    std::string semantic = usage.empty() ? "" : Semantic(usage);
    if (!usage.empty() && semantic.empty())
        return Fail(in.token, "'dcl_" + usage + "' names no usage");
    const bool usageNeeded = vertex_ || major_ == 3;
    if (usageNeeded && semantic.empty())
        return Fail(in.token, "the dcl of '" + name + "' needs a usage (dcl_texcoord0 ...)");
    if (!vertex_ && major_ == 2 && (op.file == "t" || op.file == "v"))
        semantic = (op.file == "t" ? "TEXCOORD" : "COLOR") + std::to_string(op.index);
    if (op.file == "o") {
        outputs_[name] = semantic;
    } else if (op.file == "v" || op.file == "t") {
        inputs_[name] = {semantic, "float4"};
    } else {
        return Fail(op.token, "'" + name + "' cannot be declared");
    }
    return true;
}

// The constants, declarations and the registers each instruction names.
bool Assembler::Declare() {
    for (size_t k = 1; k < instructions_.size(); ++k) {
        const AsmInstruction& in = instructions_[k];
        const std::vector<AsmOperand>& ops = in.operands;
        if (in.name == "def" || in.name == "defi" || in.name == "defb") {
            const std::string file = in.name == "def" ? "c" : in.name == "defi" ? "i" : "b";
            const size_t values = in.name == "defb" ? 1 : 4;
            if (ops.size() != values + 1 || ops[0].file != file ||
                ops[0].index >= RegisterCount(file))
                return Fail(in.token, "expected '" + in.name + " " + file + "N, " +
                                          (values == 1 ? "true" : "x, y, z, w") + "'");
            std::string value;
            for (size_t i = 1; i < ops.size(); ++i) {
                if (values == 1 && ops[i].word.empty())
                    return Fail(ops[i].token, "expected true or false");
                if (values == 4 && !ops[i].number) return Fail(ops[i].token, "expected a number");
                // ps_1_x constants lie within [-1, 1].
                double v = ops[i].value;
                if (!vertex_ && major_ == 1) v = v < -1 ? -1 : v > 1 ? 1 : v;
                value += (i > 1 ? ", " : "") + (values == 1 ? ops[i].word
                                                : file == "i"
                                                    ? std::to_string(static_cast<int>(v))
                                                    : Number(v));
            }
            if (file == "c") defs_[ops[0].index] = "float4(" + value + ")";
            if (file == "i") intDefs_[ops[0].index] = "int4(" + value + ")";
            if (file == "b") boolDefs_[ops[0].index] = value;
            continue;
        }
        if (in.name == "dcl") {
            if (!DeclareOne(in)) return false;
            continue;
        }
        if (!IsAssembled(in.name)) return Fail(in.token, "'" + in.name + "' is not assembled");
        // ps_1_4's "texld r2, r1" reads stage 2.
        if (!vertex_ && major_ == 1 && in.name == "texld" && !ops.empty())
            samplerTypes_.emplace(ops[0].index, "sampler2D");
        if (in.predicated && !CheckRegister(in.predicate, false)) return false;
        // Before shader model 2 a texture stage's sampler is its t register's,
        // a cube map's for the 3x3 reads.
        if (!vertex_ && major_ == 1 && IsStageRead(in.name) && in.name != "texcoord" &&
            in.name.rfind("pad") == std::string::npos && in.name != "texm3x3" &&
            in.name != "texdp3" && in.name != "texm3x2depth" && !ops.empty())
            samplerTypes_.emplace(ops[0].index,
                                  in.name.rfind("texm3x3", 0) == 0 ? "samplerCUBE" : "sampler2D");
        // The bump matrix (and luminance) of the destination's stage.
        if ((in.name == "texbem" || in.name == "texbeml" || in.name == "bem") && !ops.empty()) {
            stateRegisters_.emplace(std::pair("BumpEnvMat", ops[0].index), -1);
            if (in.name == "texbeml") stateRegisters_.emplace(std::pair("BumpEnvL", ops[0].index), -1);
        }
        for (size_t i = 0; i < ops.size(); ++i) {
            if (in.name == "loop" && i == 0 && ops[0].file == "aL") continue;
            const bool ps1Read = !vertex_ && major_ == 1 && i == 0 && IsStageRead(in.name);
            if (!CheckRegister(ops[i], i == 0 && Writes(in.name))) return false;
            if (ps1Read && !CheckRegister(ops[i], false)) return false;
        }
        // m4x4 dst, v0, c0 reads c0 to c3.
        const bool matrix = in.name.size() == 4 && in.name[0] == 'm' && in.name[2] == 'x';
        for (int k = 1; matrix && ops.size() == 3 && k < in.name[3] - '0'; ++k) {
            AsmOperand row = ops[2];
            row.index += k;
            if (!CheckRegister(row, false)) return false;
        }
    }
    if (!vertex_ && major_ == 1) outputs_["r0"] = "COLOR0";
    // texdepth and texm3x2depth write the pixel's depth.
    for (const AsmInstruction& in : instructions_)
        if (in.name == "texdepth" || in.name == "texm3x2depth") outputs_["oDepth"] = "DEPTH";
    return PlaceStateRegisters();
}

// The registers the pass's states set each take a c register the shader
// does not read, from the top of the profile it compiles under down
// (ps_1_x compiles as ps_2_0, whose c8 to c31 it never names).
bool Assembler::PlaceStateRegisters() {
    int next = !vertex_ && major_ == 1 ? 32 : RegisterCount("c");
    for (auto& [key, reg] : stateRegisters_) {
        do --next;
        while (next >= 0 && (constants_.count(next) != 0 || defs_.count(next) != 0));
        if (next < 0)
            return Fail(instructions_[0].token,
                        "no constant register is left for '" + key.first + "' " +
                            std::to_string(key.second));
        reg = next;
        constants_.insert(next);
    }
    return true;
}

// The c register standing for a state's register, as the shader reads it.
std::string Assembler::StateRegister(const std::string& state, int index) const {
    const int reg = stateRegisters_.at({state, index});
    return indexedBank_ ? prefix_ + "_c[" + std::to_string(reg) + "]"
                        : prefix_ + "_c" + std::to_string(reg);
}

std::string Assembler::Written(const AsmOperand& op) const {
    const std::string& f = op.file;
    if (f == "oPos" || f == "oFog" || f == "oPts" || f == "oDepth" || f == "aL" || f == "vPos" ||
        f == "vFace")
        return f;
    return f + std::to_string(op.index);
}

// The register an instruction writes: o[aL + 2] an element of the outputs'
// array, and every o# one when the shader indexes them.
std::string Assembler::Target(const AsmOperand& op) const {
    if (op.file != "o" || !indexedOutputs_) return Written(op);
    return "fx_o[" + (op.relative.empty() ? "" : op.relative + " + ") + std::to_string(op.index) +
           "]";
}

std::string Assembler::Read(const AsmOperand& op) const {
    if (op.file == "v" && !op.relative.empty())
        return "fx_v[" + op.relative + " + " + std::to_string(op.index) + "]";
    if (op.file == "b" && boolDefs_.count(op.index) == 0)
        return "(" + StateRegister("B", op.index) + ".x != 0)";
    if (op.file == "i" && intDefs_.count(op.index) == 0)
        return "int4(" + StateRegister("I", op.index) + ")";
    const bool ps1 = !vertex_ && major_ == 1;
    // ps_1_x colours lie within [0, 1], constants within [-1, 1].
    if (ps1 && op.file == "v") return "saturate(" + Written(op) + ")";
    if (ps1 && op.file == "c" && defs_.count(op.index) == 0)
        return "clamp(" + prefix_ + "_c" + std::to_string(op.index) + ", -1, 1)";
    if (op.file != "c") return Written(op);
    if (!op.relative.empty())
        return prefix_ + "_c[" + op.relative +
               (op.index != 0 ? " + " + std::to_string(op.index) : "") + "]";
    if (defs_.count(op.index) != 0) return "c" + std::to_string(op.index);
    if (indexedBank_) return prefix_ + "_c[" + std::to_string(op.index) + "]";
    return prefix_ + "_c" + std::to_string(op.index);
}

// The operand with its swizzle and source modifiers.
std::string Assembler::Source(const AsmOperand& op) const {
    std::string s = Read(op);
    if (!coissueSaved_.empty() && s == coissueSaved_) s = coissueCopy_;
    if (op.file == "i") s = "float4(" + s + ")";
    const std::string whole = s;
    if (op.swizzle != "xyzw") s += "." + op.swizzle;
    if (op.divide != 0)
        s = "float4((" + s + ").xy / " + whole + "." + op.divide + ", (" + s + ").zw)";
    if (op.complement) s = "(1 - " + s + ")";
    if (op.bias) s = "(" + s + " - 0.5)";
    if (op.bx2) s = "(2 * " + s + " - 1)";
    if (op.x2) s = "(2 * " + s + ")";
    if (op.abs) s = "abs(" + s + ")";
    if (op.negate) s = "-" + s;
    return s;
}

// The function's locals: short inputs widened, outputs, the arrays of
// indexed inputs and outputs, temporaries and the def constants.
void Assembler::Locals(AssembledShader* out, size_t at) const {
    auto put = [&](std::string text, size_t token) {
        out->text.push_back({std::move(text), token});
    };
    for (const auto& [name, input] : inputs_)
        if (input.type != "float4")
            put("float4 " + name + " = " +
                    (input.type == "float" ? "fx_" + name + ".xxxx;"
                                           : "float4(fx_" + name + ", 0, 0);"),
                at);
    for (const auto& [name, semantic] : outputs_)
        if (temps_.count(name) == 0 && !(indexedOutputs_ && name[0] == 'o' && name.size() > 1 &&
                                         std::isdigit(static_cast<unsigned char>(name[1]))))
            put("float4 " + name + " = 0;", at);
    // Indexed inputs and outputs: arrays over the file, each register
    // the input's value or 0.
    for (const char* file : {"o", "v"}) {
        if (!(file[0] == 'o' ? indexedOutputs_ : indexedInputs_)) continue;
        const int count = RegisterCount(file);
        put("float4 fx_" + std::string(file) + "[" + std::to_string(count) + "];", at);
        for (int k = 0; k < count; ++k) {
            const std::string name = file + std::to_string(k);
            put("fx_" + std::string(file) + "[" + std::to_string(k) + "] = " +
                    (file[0] == 'v' && inputs_.count(name) != 0 ? name : "0") + ";",
                at);
        }
    }
    for (const std::string& name : temps_) put("float4 " + name + " = 0;", at);
    for (const auto& [c, value] : defs_)
        put("const float4 c" + std::to_string(c) + " = " + value + ";", at);
    for (const auto& [i, value] : intDefs_)
        put("const int4 i" + std::to_string(i) + " = " + value + ";", at);
    for (const auto& [b, value] : boolDefs_)
        put("const bool b" + std::to_string(b) + " = " + value + ";", at);
}

bool Assembler::Emit(AssembledShader* out) {
    const size_t at = instructions_[0].token;
    auto put = [&](std::string text, size_t token) {
        out->text.push_back({std::move(text), token});
    };
    out->entry = prefix_;
    for (const auto& [key, reg] : stateRegisters_) out->states.push_back({key.first, key.second, reg});
    const bool ps1 = !vertex_ && major_ == 1;
    out->profile = ps1                                             ? "ps_2_0"
                   : version_ == "vs_2_x" || version_ == "vs_2_sw" ? "vs_2_a"
                   : version_ == "ps_2_x" || version_ == "ps_2_sw" ? "ps_2_a"
                                                                   : version_;
    if (indexedBank_) {
        put("float4 " + prefix_ + "_c[" + std::to_string(RegisterCount("c")) + "] : register(c0);",
            at);
    } else {
        for (int c : constants_)
            if (defs_.count(c) == 0)
                put("float4 " + prefix_ + "_c" + std::to_string(c) + " : register(c" +
                        std::to_string(c) + ");",
                    at);
    }
    for (const auto& [stage, type] : samplerTypes_) {
        const std::string name = prefix_ + "_s" + std::to_string(stage);
        put(type + " " + name + " : register(s" + std::to_string(stage) + ");", at);
        out->samplers.push_back({name, type, stage});
    }
    std::string head = "void " + prefix_ + "(";
    bool first = true;
    // FOG, PSIZE and DEPTH are one component.
    auto scalar = [&](const std::string& n) {
        const std::string& semantic = outputs_.at(n);
        return semantic.rfind("FOG", 0) == 0 || semantic.rfind("PSIZE", 0) == 0 ||
               semantic.rfind("DEPTH", 0) == 0;
    };
    for (const auto& [name, input] : inputs_) {
        const bool wide = input.type == "float4";
        head += (first ? "" : ", ") + input.type + " " + (wide ? name : "fx_" + name) + " : " +
                input.semantic;
        first = false;
    }
    for (const auto& [name, semantic] : outputs_) {
        head += std::string(first ? "" : ", ") + "out " + (scalar(name) ? "float" : "float4") +
                " out_" + name + " : " + semantic;
        first = false;
    }
    put(head + ")", at);
    put("{", at);
    Locals(out, at);
    // The main program ends at its ret or at the first label.
    size_t end = 1;
    while (end < instructions_.size() && instructions_[end].name != "ret" &&
           instructions_[end].name != "label")
        ++end;
    if (!Body(1, end, 0, out)) return false;
    if (!blocks_.empty()) {
        const AsmInstruction& last = instructions_.back();
        return Fail(last.token, std::string("the shader ends inside its ") +
                                    (blocks_.back() == 'r'   ? "'rep'"
                                     : blocks_.back() == 'l' ? "'loop'"
                                                             : "'if'"));
    }
    for (const auto& [name, semantic] : outputs_) {
        const bool indexed = indexedOutputs_ && name[0] == 'o' && name.size() > 1 &&
                             std::isdigit(static_cast<unsigned char>(name[1]));
        const std::string value = indexed ? "fx_o[" + name.substr(1) + "]" : name;
        put("out_" + name + " = " + value + (scalar(name) ? ".x;" : ";"),
            instructions_.back().token);
    }
    put("}", instructions_.back().token);
    return true;
}

}  // namespace fx
