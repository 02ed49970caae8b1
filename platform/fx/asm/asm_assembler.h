// The assembler's parts, shared by its files (platform/fx internal):
// asm_read.cpp reads instructions and operands, asm_declarations.cpp the
// registers a shader declares and uses and the function around its body,
// asm_instructions.cpp each instruction's statement.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/fx/asm/asm_shader.h"

namespace fx {

struct AsmOperand {
    std::string file;  // r c v t s a i b p aL oPos oD oT oFog oPts o oC oDepth vPos vFace
    int index = 0;
    std::string relative;          // c[a0.x + 4]: the index's HLSL ("int(a0.x)"), empty without
    std::string swizzle = "xyzw";  // of a source; a destination's write mask
    bool negate = false;
    bool abs = false;
    bool complement = false;  // 1 - r0 (ps_1_x)
    bool bias = false;        // _bias
    bool bx2 = false;         // _bx2
    bool x2 = false;          // _x2 on a source (ps_1_4)
    char divide = 0;          // ps_1_4's _dz / _db ('z'), _dw / _da ('w'): x and y divided
    bool number = false;      // a def's value
    double value = 0;
    std::string word;  // a bare word: "true" / "false" of defb
    size_t token = 0;
};

struct AsmInstruction {
    std::string name;               // lower case, without its modifiers
    bool coissued = false;          // "+ mov ...": issued with the one before
    std::vector<std::string> mods;  // "sat", "pp", "x2", "position0", "gt" ...
    bool predicated = false;
    bool predicateNot = false;
    AsmOperand predicate;
    std::vector<AsmOperand> operands;
    size_t token = 0;
};

inline bool HasModifier(const std::vector<std::string>& mods, const char* m) {
    for (const std::string& s : mods)
        if (s == m) return true;
    return false;
}

// The texture instructions of ps_1_1 to ps_1_3 whose destination t# is
// also the texture coordinates they read (tex, texcoord, texm3x3pad, ...).
bool IsStageRead(const std::string& name);
// An instruction this assembler builds (def and dcl too).
bool IsAssembled(const std::string& name);

// "(s)".
inline std::string Paren(const std::string& s) {
    std::string r;
    r.reserve(s.size() + 2);
    r += '(';
    r += s;
    r += ')';
    return r;
}

class Assembler {
public:
    Assembler(const std::vector<AsmToken>& tokens, bool vertex, const std::string& prefix)
        : tokens_(tokens), vertex_(vertex), prefix_(prefix) {}
    bool Run(AssembledShader* out, AsmError* error);

private:
    // >> reading (asm_read.cpp)
    bool ReadAll();
    bool ReadInstruction(AsmInstruction* in);
    bool ReadOperand(AsmOperand* op);
    bool ReadRegister(const std::string& word, AsmOperand* op);
    bool ReadIndex(AsmOperand* op);
    bool ReadVersion(const AsmInstruction& in);
    bool Fail(size_t token, std::string text);
    bool CheckVersion(const AsmInstruction& in);  // asm_versions.cpp
    const AsmToken* Peek(size_t ahead = 0) const;
    bool IsPunct(const AsmToken* t, char c) const;

    // >> declarations (asm_declarations.cpp)
    bool Declare();
    bool DeclareOne(const AsmInstruction& in);
    bool PlaceStateRegisters();
    std::string StateRegister(const std::string& state, int index) const;
    bool CheckRegister(const AsmOperand& op, bool write);
    int RegisterCount(const std::string& file) const;
    bool Emit(AssembledShader* out);
    void Locals(AssembledShader* out, size_t at) const;
    std::string Read(const AsmOperand& op) const;
    std::string Source(const AsmOperand& op) const;
    std::string Written(const AsmOperand& op) const;
    std::string Target(const AsmOperand& op) const;

    // >> instructions (asm_instructions.cpp)
    bool Assemble(const AsmInstruction& in, std::string* hlsl);
    bool Arithmetic(const AsmInstruction& in, std::string* result);
    bool Matrix(const AsmInstruction& in, std::string* result);
    bool TextureRead(const AsmInstruction& in, std::string* hlsl);
    bool DependentRead(const AsmInstruction& in, std::string* hlsl);
    bool FlowControl(const AsmInstruction& in, std::string* hlsl);
    bool Body(size_t begin, size_t end, int depth, AssembledShader* out);
    bool Call(const AsmInstruction& in, int depth, AssembledShader* out);
    bool OpenIf(const AsmInstruction& in, const std::string& mod, std::string* hlsl);
    std::string Store(const AsmInstruction& in, const std::string& result) const;
    std::string Compare(const std::string& op, const std::string& a, const std::string& b) const;
    bool Expect(const AsmInstruction& in, size_t operands);

    const std::vector<AsmToken>& tokens_;
    const bool vertex_;
    const std::string prefix_;
    size_t next_ = 0;
    int major_ = 0;
    int minor_ = 0;  // 2_x: 1
    std::string version_;
    std::vector<AsmInstruction> instructions_;
    AsmError* error_ = nullptr;

    struct Input {
        std::string semantic;
        std::string type = "float4";
    };
    std::map<std::string, Input> inputs_;         // "v0" -> POSITION0
    std::map<std::string, std::string> outputs_;  // "oPos" -> POSITION
    std::set<std::string> temps_;                 // r0, a0, p0, and ps_1_x's t#
    std::map<int, std::string> defs_;             // c# -> its HLSL value
    std::map<int, std::string> intDefs_;          // i#
    std::map<int, std::string> boolDefs_;         // b#
    std::set<int> constants_;                     // c# read directly
    // The registers only the pass's states set, ("B", 3) -> its c#.
    std::map<std::pair<std::string, int>, int> stateRegisters_;
    bool indexedBank_ = false;                    // c[...] read somewhere
    bool indexedInputs_ = false;                  // v[aL + n] read somewhere
    bool indexedOutputs_ = false;                 // o[aL + n] written somewhere
    std::map<int, std::string> samplerTypes_;     // s# -> sampler2D ...
    std::set<int> samplersRead_;
    std::vector<char> blocks_;  // open if / rep / loop: 'i', 'e', 'r', 'l'
    int loops_ = 0;             // counters made
    // The rows of texm3x2pad / texm3x3pad so far: the local holding the dot
    // product, and the t# whose coordinates made it.
    std::vector<std::pair<std::string, std::string>> pads_;
    int padsMade_ = 0;
    // A co-issued pair reads its sources before either writes: the first
    // one's destination as it was, while the second one is built.
    std::string coissueSaved_;  // "r0"
    std::string coissueCopy_;   // the local holding it
    int coissues_ = 0;
};

}  // namespace fx
