// Shader assembly, reading: the version, then instructions, each a name
// with its modifiers ("mov_sat", "dcl_texcoord1", "if_gt") and its operands
// separated by commas. An instruction ends where its last operand does, so
// that several may share a line, as one-line asm blocks in effects write
// them; ';' starts a comment to the end of the line.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "platform/fx/asm/asm_assembler.h"

namespace fx {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> Split(const std::string& word) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        size_t end = word.find('_', start);
        parts.push_back(word.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

// "xy" -> "xyyy", "rgb" -> "xyzz": a source's swizzle repeats its last
// component; false for what is not one.
bool ReadSwizzle(const std::string& text, std::string* swizzle) {
    if (text.empty() || text.size() > 4) return false;
    std::string s;
    for (char c : text) {
        switch (std::tolower(static_cast<unsigned char>(c))) {
            case 'x':
            case 'r':
                s += 'x';
                break;
            case 'y':
            case 'g':
                s += 'y';
                break;
            case 'z':
            case 'b':
                s += 'z';
                break;
            case 'w':
            case 'a':
                s += 'w';
                break;
            default:
                return false;
        }
    }
    while (s.size() < 4) s += s.back();
    *swizzle = s;
    return true;
}

}  // namespace

bool Assembler::Fail(size_t token, std::string text) {
    if (error_ != nullptr) *error_ = {token, std::move(text)};
    return false;
}

const AsmToken* Assembler::Peek(size_t ahead) const {
    return next_ + ahead < tokens_.size() ? &tokens_[next_ + ahead] : nullptr;
}

bool Assembler::IsPunct(const AsmToken* t, char c) const {
    return t != nullptr && t->kind == Tok::Punct && t->text.size() == 1 && t->text[0] == c;
}

bool Assembler::ReadAll() {
    while (next_ < tokens_.size()) {
        AsmInstruction in;
        if (!ReadInstruction(&in)) return false;
        if (in.name.empty()) continue;  // a comment
        if (instructions_.empty()) {
            if (!ReadVersion(in)) return false;
            continue;
        }
        instructions_.push_back(std::move(in));
    }
    if (version_.empty())
        return Fail(tokens_.empty() ? 0 : tokens_.size() - 1,
                    "the shader assembly names no version (vs_2_0, ps_2_0, ...)");
    return true;
}

// "vs_2_0", "ps_1_4", "vs_2_x", ... first in the block.
bool Assembler::ReadVersion(const AsmInstruction& in) {
    std::vector<std::string> parts = {in.name};
    parts.insert(parts.end(), in.mods.begin(), in.mods.end());
    const std::string stage = vertex_ ? "vs" : "ps";
    static const char* const kVertex[] = {"1_1", "2_0", "2_x", "2_sw", "3_0"};
    static const char* const kPixel[] = {"1_1", "1_2", "1_3", "1_4", "2_0", "2_x", "2_sw", "3_0"};
    std::string number = parts.size() == 3 ? parts[1] + "_" + parts[2] : "";
    bool known = false;
    for (const char* v : vertex_ ? std::vector<const char*>(std::begin(kVertex), std::end(kVertex))
                                 : std::vector<const char*>(std::begin(kPixel), std::end(kPixel)))
        known = known || number == v;
    if (parts.size() != 3 || parts[0] != stage || !known || !in.operands.empty()) {
        if (parts.size() == 3 && (parts[0] == "vs" || parts[0] == "ps") && parts[0] != stage)
            return Fail(in.token, "'" + in.name + "_" + number + "' cannot assemble a " +
                                      (vertex_ ? "vertex" : "pixel") + " shader");
        return Fail(in.token, "expected the shader's version (" + stage +
                                  "_2_0, ...) first in the shader assembly, found '" + in.name +
                                  "'");
    }
    version_ = stage + "_" + number;
    major_ = parts[1][0] - '0';
    minor_ = parts[2] == "x" || parts[2] == "sw" ? 1 : parts[2][0] - '0';
    instructions_.push_back(in);  // the first entry stands for the version
    return true;
}

// "[+] [(!p0.x)] name[_mods] operand, operand ..."; an empty name for a
// comment, read to the end of its line.
bool Assembler::ReadInstruction(AsmInstruction* in) {
    const AsmToken* t = Peek();
    if (IsPunct(t, ';')) {
        const uint32_t line = t->line;
        const uint16_t file = t->file;
        while (Peek() && Peek()->line == line && Peek()->file == file) ++next_;
        return true;
    }
    in->token = next_;
    if (IsPunct(t, '+')) {  // a ps_1_x pair issued together
        in->coissued = true;
        t = (++next_, Peek());
    }
    if (IsPunct(t, '(')) {
        ++next_;
        in->predicated = true;
        if (IsPunct(Peek(), '!')) {
            in->predicateNot = true;
            ++next_;
        }
        if (!ReadOperand(&in->predicate)) return false;
        if (in->predicate.file != "p")
            return Fail(in->predicate.token, "expected p0 in the predicate");
        if (!IsPunct(Peek(), ')'))
            return Fail(std::min(next_, tokens_.size() - 1), "expected ')' after the predicate");
        ++next_;
        t = Peek();
    }
    if (t == nullptr || t->kind != Tok::Ident)
        return Fail(t ? next_ : tokens_.size() - 1,
                    "expected an instruction, found '" + std::string(t ? t->text : "}") + "'");
    const std::vector<std::string> parts = Split(Lower(t->text));
    in->name = parts[0];
    in->mods.assign(parts.begin() + 1, parts.end());
    ++next_;
    // "vs.1.1": the version as older assemblers wrote it.
    if ((in->name == "vs" || in->name == "ps") && in->mods.empty() && Peek() && Peek(1) &&
        Peek()->kind == Tok::Number && Peek(1)->kind == Tok::Number && Peek()->text[0] == '.' &&
        Peek(1)->text[0] == '.') {
        in->mods = {std::string(Peek()->text.substr(1)), Lower(Peek(1)->text.substr(1))};
        next_ += 2;
        return true;
    }
    // Past the version, an instruction not built stops here, before its
    // operands are read as registers.
    if (!instructions_.empty() && !IsAssembled(in->name))
        return Fail(in->token, "'" + in->name + "' is not assembled");
    if (!instructions_.empty() && !CheckVersion(*in)) return false;
    // No operands: the next word is the next instruction.
    static const char* const kBare[] = {"else", "endif", "endrep", "endloop", "break",
                                        "nop",  "phase", "ret",    "vs",      "ps"};
    for (const char* bare : kBare)
        if (in->name == bare && !(in->name == "break" && !in->mods.empty())) return true;
    for (;;) {
        AsmOperand op;
        if (!ReadOperand(&op)) return false;
        in->operands.push_back(std::move(op));
        if (!IsPunct(Peek(), ',')) break;
        ++next_;
    }
    return true;
}

// "-r0_abs.xyz", "1 - t0.a", "c[a0.x + 3].x", "c5", "1.5", "-2", "true".
bool Assembler::ReadOperand(AsmOperand* op) {
    op->token = std::min(next_, tokens_.empty() ? 0 : tokens_.size() - 1);
    const AsmToken* t = Peek();
    if (IsPunct(t, '-') || IsPunct(t, '!')) {
        op->negate = true;
        t = (++next_, Peek());
    } else if (IsPunct(t, '+') && Peek(1) && Peek(1)->kind == Tok::Number) {
        t = (++next_, Peek());  // def c0, +1, ...
    }
    if (t && t->kind == Tok::Number && IsPunct(Peek(1), '-') && Peek(2) &&
        Peek(2)->kind == Tok::Ident && std::string(t->text) == "1") {
        op->complement = true;
        next_ += 2;
        t = Peek();
    }
    if (t && t->kind == Tok::Number) {
        op->number = true;
        op->value = std::strtod(std::string(t->text).c_str(), nullptr);
        if (op->negate) op->value = -op->value;
        ++next_;
        return true;
    }
    if (t == nullptr || t->kind != Tok::Ident)
        return Fail(t ? next_ : op->token,
                    "expected a register, found '" + std::string(t ? t->text : "}") + "'");
    const std::string word = Lower(t->text);
    ++next_;
    if (word == "true" || word == "false") {
        op->word = word;
        return true;
    }
    std::vector<std::string> parts = Split(std::string(t->text));
    if (!ReadRegister(parts[0], op)) return false;
    if (IsPunct(Peek(), '[') && !ReadIndex(op)) return false;
    if (IsPunct(Peek(), '.') && Peek(1) && Peek(1)->kind == Tok::Ident) {
        // The swizzle may carry the modifiers: "r0.rgb_bx2".
        std::vector<std::string> swz = Split(std::string(Peek(1)->text));
        if (!ReadSwizzle(swz[0], &op->swizzle))
            return Fail(next_ + 1, "'" + swz[0] + "' is not a swizzle or write mask");
        parts.insert(parts.end(), swz.begin() + 1, swz.end());
        next_ += 2;
    }
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string m = Lower(parts[i]);
        if (m == "abs")
            op->abs = true;
        else if (m == "bias")
            op->bias = true;
        else if (m == "bx2")
            op->bx2 = true;
        else if (m == "x2")
            op->x2 = true;
        else if (m == "dz" || m == "db")
            op->divide = 'z';
        else if (m == "dw" || m == "da")
            op->divide = 'w';
        else
            return Fail(op->token, "unknown source modifier '_" + parts[i] + "'");
    }
    return true;
}

// "r12", "oD0", "oPos", "c" before its [index], ...
bool Assembler::ReadRegister(const std::string& word, AsmOperand* op) {
    static const char* const kNamed[] = {"oPos", "oFog", "oPts", "oDepth", "aL", "vPos", "vFace"};
    for (const char* name : kNamed) {
        if (Lower(word) == Lower(name)) {
            op->file = name;
            return true;
        }
    }
    static const char* const kFiles[] = {"oD", "oT", "oC", "o", "a", "v", "r",
                                         "c",  "t",  "s",  "i", "b", "p", "l"};
    for (const char* file : kFiles) {
        const std::string f = Lower(file);
        if (Lower(word.substr(0, f.size())) != f) continue;
        const std::string digits = word.substr(f.size());
        if (!digits.empty() && !std::all_of(digits.begin(), digits.end(), ::isdigit)) continue;
        if (digits.empty() && !((f == "c" || f == "o" || f == "v") && IsPunct(Peek(), '[')))
            continue;
        if (digits.size() > 4) break;
        op->file = file;
        op->index = digits.empty() ? 0 : std::atoi(digits.c_str());
        return true;
    }
    return Fail(op->token, "'" + word + "' is not a register");
}

// "[a0.x + 4]", "[4 + a0.x]", "[aL]", "[aL + 2]" after c or cN.
bool Assembler::ReadIndex(AsmOperand* op) {
    const size_t open = next_++;
    int offset = op->index;
    std::string relative;
    for (const AsmToken* t = Peek(); !IsPunct(t, ']'); t = Peek()) {
        if (t == nullptr) return Fail(open, "expected ']' to close the register's index");
        if (IsPunct(t, '+')) {
            ++next_;
        } else if (t->kind == Tok::Number) {
            offset += std::atoi(std::string(t->text).c_str());
            ++next_;
        } else if (t->kind == Tok::Ident && Lower(t->text) == "a0" && IsPunct(Peek(1), '.') &&
                   Peek(2) != nullptr) {
            std::string swz;
            if (!ReadSwizzle(std::string(Peek(2)->text), &swz) || Peek(2)->text.size() != 1)
                return Fail(next_ + 2, "expected one component of a0 in the index");
            relative = std::string("int(a0.") + swz[0] + ")";
            next_ += 3;
        } else if (t->kind == Tok::Ident && Lower(t->text) == "al") {
            relative = "aL";
            ++next_;
        } else {
            return Fail(next_, "expected a0.x, aL or a number in the register's index, found '" +
                                   std::string(t->text) + "'");
        }
    }
    ++next_;
    // c by a0 and aL; vs_3_0's inputs by a0 and aL, its outputs by aL;
    // ps_3_0's inputs by aL.
    const bool three = major_ == 3;
    const bool byLoop = relative == "aL";
    const bool allowed = op->file == "c" || relative.empty() ||
                         (three && op->file == "v" && (vertex_ || byLoop)) ||
                         (three && vertex_ && op->file == "o" && byLoop);
    if (!allowed)
        return Fail(op->token, "'" + op->file + "' registers cannot be indexed" +
                                   (op->file == "v" || op->file == "o"
                                        ? std::string(" by ") + (byLoop ? "aL" : "a0")
                                        : std::string()) +
                                   " in " + version_);
    if (relative.empty() && op->file != "c") {
        op->index = offset;  // v[3]: v3
        return true;
    }
    op->index = offset;
    op->relative = relative;
    return true;
}

bool AssembleShader(const std::vector<AsmToken>& tokens, bool vertex, const std::string& prefix,
                    AssembledShader* out, AsmError* error) {
    Assembler assembler(tokens, vertex, prefix);
    return assembler.Run(out, error);
}

bool Assembler::Run(AssembledShader* out, AsmError* error) {
    error_ = error;
    return ReadAll() && Declare() && Emit(out);
}

}  // namespace fx
