// Stage 4: what a vertex or pixel shader of a profile cannot do, in the
// code its entry point reaches:
// - discard and clip() in a vertex shader (only pixels can be dropped);
// - two outputs of an entry point on one register (COLOR and COLOR0,
//   TEXCOORD0 twice), and VPOS or VFACE as a vertex shader's input;
// - [loop] where the profile has no loop instructions (ps_2_0, ps_2_b,
//   vs_1_1): such a loop must unroll; [unroll] on a loop whose one test
//   compares with a uniform global or the entry point's input (one it
//   never gives a value of its own), which no
//   unrolling can count (an [unroll(n)] says how far; a test that also
//   compares with a constant, or an array the loop indexes, bounds it);
// - a pixel shader before ps_3_0 that does not write COLOR0;
// - more samplers than the profile has (16 for pixel shaders, 4 in vs_3_0),
//   a sampler bound past them, an element of a sampler array read past them,
//   more outputs than vs_3_0's 12 registers, more inputs than ps_3_0's 10
//   or than a vertex shader's 16,
//   an array of colours past COLOR3;
// - a semantic of shader model 4 and later that names no register here
//   (SV_VertexID, SV_PrimitiveID, ...; SV_Position, SV_Target and SV_Depth
//   are POSITION, COLOR and DEPTH, SV_IsFrontFace is left to the stages
//   after);
// - a POSITION output of fewer than four components, a DEPTH or PSIZE of
//   more than one; a sampler or texture as an entry point's output.
// Each is an error at the word it is about, once per profile.
#include <cctype>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "platform/fx/4_rewrite/checks/4_check_stage_limits.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

// One register an entry point reads or writes: its semantic's word and the
// register it names ("COLOR" -> COLOR0, "SV_Target1" -> COLOR1).
struct Register {
    size_t semantic = npos;
    std::string key;
    bool output = false;
    size_t type = npos;
    bool unread = false;  // an input parameter the entry point never names
};

struct StageLimits {
    const Code& code;
    const HlslOutline& outline;
    MessageSink& messages;
    std::set<std::pair<size_t, std::string>> said = {};

    void Error(size_t at, const std::string& profile, const std::string& text) {
        if (said.insert({at, profile}).second) messages.Error(code.Pos(at), text);
    }
    std::string Quoted(size_t at) const { return Cat({"'", code.Text(at), "'"}); }

    // "texcoord" -> TEXCOORD0, "SV_Target2" -> COLOR2, plus `plus` to its index.
    static std::string Key(std::string_view semantic, int plus) {
        std::string upper(semantic);
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        size_t digits = upper.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(upper[digits - 1]))) --digits;
        std::string usage = upper.substr(0, digits);
        const int index = (digits < upper.size() ? std::atoi(upper.c_str() + digits) : 0) + plus;
        if (usage == "SV_TARGET") usage = "COLOR";
        if (usage == "SV_POSITION") usage = "POSITION";
        if (usage == "SV_DEPTH") usage = "DEPTH";
        return usage + std::to_string(index);
    }

    // The registers of a parameter, return value or struct member (each
    // member of a struct; each element of an array). A struct given a
    // semantic of its own gives it to its members, one register after
    // another (`forced`, the next one at *next), whatever theirs are.
    void Collect(const Declarator& d, bool output, int depth, std::vector<Register>* out,
                 size_t forced = npos, int* next = nullptr) const {
        const StructOutline* s = d.type != npos ? outline.FindStruct(code, code.Text(d.type)) : nullptr;
        if (s != nullptr && depth < 8) {
            int first = 0;
            if (forced == npos && d.semantic != npos && d.arrayOpen == npos) {
                forced = d.semantic;
                next = &first;
            }
            for (const Declarator& m : s->members) Collect(m, output, depth + 1, out, forced, next);
            return;
        }
        const size_t semantic = forced != npos ? forced : d.semantic;
        if (semantic == npos) return;
        int count = 1;
        if (d.arrayOpen != npos && code.Token(d.arrayOpen + 1).kind == Tok::Number)
            count = std::max(1, std::atoi(std::string(code.Text(d.arrayOpen + 1)).c_str()));
        count *= MatrixRegisters(code, d);
        const int plus = next != nullptr ? *next : 0;
        for (int k = 0; k < count && k < 32; ++k)
            out->push_back({semantic, Key(code.Text(semantic), plus + k), output, d.type});
        if (next != nullptr) *next += count;
    }

    // Whether the function's body names the parameter: an input it never
    // reads takes no register (Direct3D 9's compiler declares none).
    bool Named(const FunctionOutline& fn, const Declarator& d) const {
        if (d.name == npos || fn.body == npos) return true;
        for (size_t k = fn.body; k < fn.end && k < code.size(); ++k)
            if (code.Text(k) == code.Text(d.name)) return true;
        return false;
    }

    std::vector<Register> Registers(const FunctionOutline& fn) const {
        std::vector<Register> regs;
        for (const Declarator& d : fn.params) {
            bool uniform = false, in = !d.out;
            for (size_t k = d.first; k < d.type && k < code.size(); ++k) {
                uniform |= code.Text(k) == "uniform";
                in |= code.Text(k) == "inout";
            }
            if (uniform || (d.type != npos && IsSamplerType(code.Text(d.type)))) continue;
            if (d.out) Collect(d, true, 0, &regs);
            const size_t before = regs.size();
            if (in) Collect(d, false, 0, &regs);
            if (!Named(fn, d))
                for (size_t k = before; k < regs.size(); ++k) regs[k].unread = true;
        }
        Declarator result;
        result.type = fn.name - 1;
        result.semantic = fn.semantic;
        Collect(result, true, 0, &regs);
        return regs;
    }

    // The widths the device's registers take: POSITION all four components,
    // DEPTH and PSIZE one.
    void Width(const Register& r, std::string_view usage, const std::string& profile, bool vertex) {
        if (r.type == npos || !r.output) return;
        const Shape shape = ShapeOf(code.Text(r.type));
        if (shape.rows == 0) return;
        if (vertex && usage == "POSITION" && shape.Components() < 4) {
            Error(r.semantic, profile, "a vertex shader writes all four components of POSITION; " +
                                           Quoted(r.type) + " has " +
                                           std::to_string(shape.Components()));
        }
        if ((usage == "DEPTH" || usage == "PSIZE") && shape.Components() > 1) {
            Error(r.semantic, profile, std::string(usage) + " is one component; " + Quoted(r.type) +
                                           " has " + std::to_string(shape.Components()));
        }
    }

    void Semantics(const FunctionOutline& fn, const std::string& profile, bool vertex) {
        const std::string_view returned = code.Text(fn.name - 1);
        if (IsSamplerType(returned) || IsTextureType(returned)) {
            Error(fn.name - 1, profile, "an entry point cannot return a " + std::string(returned));
        }
        std::map<std::string, size_t> written;
        std::set<std::string> read;
        int outputs = 0;
        bool color0 = false;
        for (const Register& r : Registers(fn)) {
            size_t digits = r.key.size();
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(r.key[digits - 1]))) --digits;
            const std::string_view usage = std::string_view(r.key).substr(0, digits);
            if (usage.rfind("SV_", 0) == 0 && usage != "SV_ISFRONTFACE") {
                Error(r.semantic, profile, "semantic " + Quoted(r.semantic) + " names no register in " +
                                               profile + " (a semantic of shader model 4 and later)");
                continue;
            }
            Width(r, usage, profile, vertex);
            if (!r.output) {
                if (vertex && (usage == "VPOS" || usage == "VFACE"))
                    Error(r.semantic, profile, "semantic " + Quoted(r.semantic) +
                                                   " is a pixel shader's input, not a vertex shader's");
                // POSITION reads as VPOS does: neither takes an input register.
                const bool screen = usage == "VPOS" || usage == "VFACE" || usage == "POSITION";
                if (!vertex && !screen && !r.unread && read.insert(r.key).second &&
                    read.size() == 11 && profile == "ps_3_0") {
                    Error(r.semantic, profile, "ps_3_0 reads at most 10 input registers; " +
                                                   Quoted(r.semantic) + " is the 11th");
                }
                if (vertex && !r.unread && read.insert(r.key).second && read.size() == 17) {
                    Error(r.semantic, profile, "a vertex shader reads at most 16 input registers; " +
                                                   Quoted(r.semantic) + " is the 17th");
                }
                continue;
            }
            color0 |= r.key == "COLOR0";
            if (!vertex && usage == "COLOR" && std::atoi(r.key.c_str() + digits) > 3) {
                Error(r.semantic, profile, "semantic " + Quoted(r.semantic) + " reaches " + r.key +
                                               ": a pixel shader writes COLOR0-3");
            }
            auto [it, added] = written.emplace(r.key, r.semantic);
            if (!added) {
                Error(r.semantic, profile,
                      "semantic " + Quoted(r.semantic) + " names " + r.key + " again (" +
                          Quoted(it->second) + " did): each output needs a register of its own");
            }
            if (vertex && profile == "vs_3_0" && added && ++outputs == 13) {
                Error(r.semantic, profile, "vs_3_0 writes at most 12 output registers; " +
                                               Quoted(r.semantic) + " is the 13th");
            }
        }
        // An output without a semantic is an error of its own already.
        auto unnamed = [&](size_t type, size_t semantic) {
            return semantic == npos && type != npos && code.Text(type) != "void" &&
                   outline.FindStruct(code, code.Text(type)) == nullptr;
        };
        bool named = !unnamed(fn.name - 1, fn.semantic);
        for (const Declarator& d : fn.params) named &= !(d.out && unnamed(d.type, d.semantic));
        if (!vertex && !color0 && named && profile.rfind("ps_2_", 0) == 0) {
            Error(fn.name, profile, "a " + profile + " pixel shader must write COLOR0; " +
                                        Quoted(fn.name) + " does not");
        }
    }

    // Whether the entry point's body may give its parameter name a value of
    // its own (assigns it, increments it, hands it to a call that may write
    // it) or declares a local of that name: then a loop on it may be counted.
    bool Rewritten(const FunctionOutline& entry, std::string_view name) const {
        if (entry.body == npos) return false;
        for (size_t k = entry.body + 1; k < entry.end && k < code.size(); ++k) {
            if (!code.IsIdent(k) || code.Text(k) != name || code.Punct(k - 1) == '.') continue;
            if (code.IsIdent(k - 1) && ShapeOf(code.Text(k - 1)).rows > 0) return true;
            const char before = code.Punct(k - 1);
            if ((before == '+' || before == '-') && code.Punct(k - 2) == before) return true;
            size_t after = k + 1;
            while (after < entry.end) {
                if (code.Punct(after) == '.' && code.IsIdent(after + 1)) {
                    after += 2;
                } else if (code.Punct(after) == '[') {
                    after = code.Closing(after) + 1;
                } else {
                    break;
                }
            }
            const char next = code.Punct(after);
            if (next == '=' && code.Punct(after + 1) != '=') return true;
            if ((next == '+' || next == '-') && code.Punct(after + 1) == next) return true;
            if (next != 0 && std::string_view("+-*/%&|^").find(next) != std::string_view::npos &&
                code.Punct(after + 1) == '=') {
                return true;  // a compound assignment
            }
            if ((before == '(' || before == ',') && (next == ')' || next == ',')) return true;
        }
        return false;
    }

    // Whether the name at i is a value the shader reads at run time: a
    // uniform global (not const) or a parameter of the entry point fn.
    bool RunTimeValue(size_t i, const FunctionOutline& fn, const FunctionOutline& entry) const {
        for (const Declarator& d : entry.params)
            if (d.name != npos && code.Text(d.name) == code.Text(i))
                return fn.name == entry.name && !Rewritten(entry, code.Text(i));
        const NameType* it = outline.Declared(code, i);
        if (it == nullptr || !it->uniform || it->type == npos) return false;
        for (size_t k = it->type; k-- > 0 && code.IsIdent(k) && IsQualifier(code.Text(k));)
            if (code.Text(k) == "const") return false;
        return ShapeOf(code.Text(it->type)).rows > 0;
    }

    // "[unroll] for (...; TEST; ...)" / "[unroll] while (TEST)" where TEST is
    // one comparison with a run-time value.
    void ForcedUnroll(size_t at, const FunctionOutline& fn, const FunctionOutline& entry,
                      const std::string& profile) {
        if (code.Punct(at + 1) != ']' || code.Punct(at - 1) != '[') return;
        size_t loop = at + 2;
        while (code.Punct(loop) == '[') loop = code.Closing(loop) + 1;
        if (!code.IsIdent(loop) || code.Punct(loop + 1) != '(') return;
        const size_t close = code.Closing(loop + 1);
        size_t first = loop + 2, last = close;
        if (code.Text(loop) == "for") {
            while (first < close && code.Punct(first) != ';') ++first;
            last = ++first;
            while (last < close && code.Punct(last) != ';') ++last;
        } else if (code.Text(loop) != "while") {
            return;
        }
        bool runTime = false, compared = false;
        for (size_t k = first; k < last && k < fn.end; ++k) {
            const char p = code.Punct(k);
            if ((p == '&' || p == '|') && code.Punct(k + 1) == p) return;  // bounded another way
            compared |= p == '<' || p == '>' || (p == '!' && code.Punct(k + 1) == '=');
            if (code.IsIdent(k) && code.Punct(k - 1) != '.' && RunTimeValue(k, fn, entry)) runTime = true;
        }
        // A counter that indexes an array bounds the loop by the array's length.
        size_t end = close + 1;
        if (code.Punct(end) == '{') {
            end = code.Closing(end);
        } else {
            while (end < fn.end && code.Punct(end) != ';') ++end;
        }
        for (size_t k = close + 1; k < end && runTime; ++k)
            if (code.Punct(k) == '[' && code.IsIdent(k + 1)) return;
        if (runTime && compared) {
            Error(at, profile, "[unroll] cannot unroll a loop whose test compares with what the "
                               "shader reads at run time (give a count: [unroll(n)])");
        }
    }

    // The sampler register a declaration names ("register(s4)"), -1 for none.
    int ExplicitSampler(size_t name) const {
        size_t j = name + 1;
        if (code.Punct(j) == '[') j = code.Closing(j) + 1;
        if (code.Punct(j) != ':' || code.Text(j + 1) != "register" || code.Punct(j + 2) != '(' ||
            !code.IsIdent(j + 3)) {
            return -1;
        }
        const std::string_view r = code.Text(j + 3);
        if (r.size() < 2 || (r[0] != 's' && r[0] != 'S') ||
            !std::all_of(r.begin() + 1, r.end(), [](char c) { return std::isdigit(c) != 0; })) {
            return -1;
        }
        return std::atoi(std::string(r.substr(1)).c_str());
    }

    // A sampler bound past the profile's registers, or an element of a
    // sampler array read at a literal index that no register of it can
    // hold (elements take registers in a row from the array's first).
    void SamplerRegisters(size_t at, const NameType& declared, const std::string& profile,
                          int maxSamplers) {
        const int bound = ExplicitSampler(declared.name);
        if (bound >= maxSamplers) {
            Error(at, profile, profile + " has samplers s0 to s" + std::to_string(maxSamplers - 1) +
                                   "; " + Quoted(at) + " is bound to s" + std::to_string(bound));
            return;
        }
        if (!declared.array || code.Punct(at + 1) != '[' || code.Closing(at + 1) != at + 3) return;
        const std::string_view index = code.Text(at + 2);
        if (index.empty() ||
            !std::all_of(index.begin(), index.end(), [](char c) { return std::isdigit(c) != 0; })) {
            return;
        }
        const long element = std::atol(std::string(index).c_str()) + std::max(bound, 0);
        if (element >= maxSamplers) {
            Error(at, profile, profile + " has samplers s0 to s" + std::to_string(maxSamplers - 1) +
                                   "; element " + std::string(index) + " of " + Quoted(at) +
                                   " would be s" + std::to_string(element));
        }
    }

    void Reads(const std::vector<size_t>& reached, const std::string& profile, bool vertex) {
        const bool loops = profile != "ps_2_0" && profile != "ps_2_b" && profile != "vs_1_1";
        const int maxSamplers = vertex ? (profile == "vs_3_0" ? 4 : 0) : 16;
        std::set<std::string_view> samplers;
        int count = 0;
        for (size_t f : reached) {
            const FunctionOutline& fn = outline.functions[f];
            for (size_t i = fn.body; i < fn.end; ++i) {
                if (!code.IsIdent(i)) continue;
                const std::string_view w = code.Text(i);
                if (vertex && (w == "discard" || (w == "clip" && code.Punct(i + 1) == '(' &&
                                                  code.Punct(i - 1) != '.' &&
                                                  outline.Functions(w).empty()))) {
                    Error(i, profile, Quoted(i) + " drops a pixel: pixel shaders have it, " +
                                          profile + " does not");
                }
                if (w == "unroll") ForcedUnroll(i, fn, outline.functions[reached.front()], profile);
                if (!loops && w == "loop" && code.Punct(i - 1) == '[' && code.Punct(i + 1) == ']') {
                    Error(i, profile, "[loop] cannot be kept in " + profile +
                                          ", which has no loop instructions (its loops unroll)");
                }
                if (maxSamplers == 0 || code.Punct(i - 1) == '.') continue;
                const NameType* it = outline.Declared(code, i);
                if (it == nullptr || it->type == npos || !IsSamplerType(code.Text(it->type)) ||
                    !it->uniform ||
                    !samplers.insert(w).second) {
                    continue;
                }
                SamplerRegisters(i, *it, profile, maxSamplers);
                // An array counts once: its elements' registers are not told here.
                if (++count > maxSamplers) {
                    Error(i, profile, profile + " reads at most " + std::to_string(maxSamplers) +
                                          " samplers; " + Quoted(i) + " is one more");
                }
            }
        }
    }
};

}  // namespace

int MatrixRegisters(const Code& code, const Declarator& d) {
    if (d.type == npos) return 1;
    const Shape shape = ShapeOf(code.Text(d.type));
    return shape.matrix && shape.rows > 1 && shape.cols > 1 ? shape.cols : 1;
}

void CheckStageLimits(const Code& code, const HlslOutline& outline,
                      const std::vector<std::pair<std::string, std::string>>& compiled,
                      MessageSink& messages) {
    StageLimits s{code, outline, messages};
    std::set<std::pair<std::string, std::string>> checked;
    for (const auto& [named, entry] : compiled) {
        const std::string profile(Direct3D9Profile(named));
        if (!checked.insert({profile, entry}).second) continue;
        const std::vector<size_t> reached = ReachedFunctions(code, outline, entry);
        if (reached.empty()) continue;
        const bool vertex = profile.rfind("vs", 0) == 0;
        s.Semantics(outline.functions[reached.front()], profile, vertex);
        s.Reads(reached, profile, vertex);
    }
}

}  // namespace fx
