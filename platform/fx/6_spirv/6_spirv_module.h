// A SPIR-V module as a list of instructions that the passes of stage 6 edit
// before SPIRV-Cross reads it (platform/fx internal): just enough to find
// definitions and uses, add types, constants and decorations, and write the
// words back. The passes run in the order of 6_passes.cpp.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fx {

struct SpvInstruction {
    uint32_t op = 0;              // spv::Op
    std::vector<uint32_t> words;  // the operands, as in the binary (result type and id first)

    uint32_t Type() const;    // the result type; 0 when it has none
    uint32_t Result() const;  // the result id; 0 when it has none
    // Every operand that names an id, besides the result type and id (into
    // *ids, which it clears first: callers keep one for many calls).
    void UsedIds(std::vector<uint32_t>* ids) const;
    // Where those operands are in words.
    void UsedIdPositions(std::vector<size_t>* at) const;
};

class SpvModule {
public:
    // False for words that are not a well-formed module.
    bool Read(const std::vector<uint32_t>& words);
    std::vector<uint32_t> Write() const;

    // (Def does not see ids made after the last Reindex.)
    uint32_t NewId() { return bound_++; }
    uint32_t Bound() const { return bound_; }
    // After code changed: Def and the names see the new instructions.
    void Reindex();
    const SpvInstruction* Def(uint32_t id) const;
    SpvInstruction* Def(uint32_t id);
    std::string Name(uint32_t id) const;
    // A matrix type; with inArrays, also an array (of arrays) of matrices.
    bool IsMatrix(uint32_t type, bool inArrays = false) const;
    // The function of the first entry point; 0 when there is none.
    uint32_t EntryPoint() const;
    // The functions the entry point calls, directly or not, and itself.
    std::set<uint32_t> ReachableFunctions() const;
    std::string MemberName(uint32_t type, uint32_t member) const;
    // The literal of a 32-bit integer constant; false for anything else.
    bool ConstantValue(uint32_t id, uint32_t* value) const;
    bool HasDecoration(uint32_t id, uint32_t decoration) const;
    // The words of a member's decoration (after the decoration number);
    // nullptr when the member does not have it.
    const std::vector<uint32_t>* MemberDecoration(uint32_t type, uint32_t member,
                                                  uint32_t decoration) const;

    // A type or constant equal to the one described, added before the first
    // function when there is none yet. words: the operands after the result
    // id (types) or after the result type and id (constants).
    uint32_t DeclareType(uint32_t op, const std::vector<uint32_t>& words);
    uint32_t DeclareConstant(uint32_t op, uint32_t type, const std::vector<uint32_t>& words);
    // A new aggregate type (struct or array), never shared with an equal one.
    uint32_t NewAggregateType(uint32_t op, const std::vector<uint32_t>& words);
    // Sets (replaces) or removes a member decoration.
    void SetMemberDecoration(uint32_t type, uint32_t member, uint32_t decoration,
                             const std::vector<uint32_t>& words);
    void RemoveMemberDecoration(uint32_t type, uint32_t member, uint32_t decoration);
    void SetDecoration(uint32_t id, uint32_t decoration, const std::vector<uint32_t>& words);

    std::vector<SpvInstruction> code;

private:
    size_t FirstFunction() const;
    size_t FirstType() const;

    uint32_t header_[5] = {};
    uint32_t bound_ = 1;
    std::vector<uint32_t> defs_;  // by id: 1 + the index of its definition; 0 for none
};

bool IsTypeOp(uint32_t op);   // OpTypeVoid .. OpTypeForwardPointer
bool IsChainOp(uint32_t op);  // OpAccessChain or OpInBoundsAccessChain

// A string operand (a name, a semantic): nul-terminated, packed four bytes
// to a word. LiteralString reads one from words[from]; StringWords makes
// the words of one.
std::string LiteralString(const std::vector<uint32_t>& words, size_t from);
std::vector<uint32_t> StringWords(const std::string& text);

// The id of the GLSL.std.450 instruction set; 0 when the module has none.
uint32_t GlslStd450(const SpvModule& module);

}  // namespace fx
