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

namespace fx {

// fmod and % as Direct3D 9 computes them: truncated, with the sign of the
// dividend (glslang writes SPIR-V's floored OpFMod / OpSMod).
void FixArithmetic(SpvModule& module);

// Intrinsics as Direct3D 9 computes them where glslang's SPIR-V differs:
// atan2(-0, x) is atan2(+0, x); an intrinsic of matrices (clamp, lerp, pow,
// step, sign, abs, saturate, fmod, ...) works column by column; an inout
// argument the call converted converts back into the caller's variable.
void FixIntrinsics(SpvModule& module);

// Takes out the additions of stage 5's unfolded zeros (kUnfoldedZero,
// kUnfoldedUintZero) once glslang has not folded what they were for, and
// the zeros themselves.
void DropUnfoldedZero(SpvModule& module);

// static globals and locals (Private variables) without an initializer
// start at zero: GLSL leaves them undefined.
void ZeroStatics(SpvModule& module);

// ints and uints held as floats, as shader models 2 and 3 hold them: the
// code's integer values, variables and constants become floats (a uint
// keeps its unsigned value), division and casts to int truncate, % is the
// truncated remainder. What must stay an integer (indices, switch
// selectors, interface variables) is converted where it is used. Runs last:
// the register block holds no integers by then. False, with the module as
// it was, for what it cannot express (a float's bits read as an integer).
bool IntsAsFloats(SpvModule& module);

}  // namespace fx

namespace fx {


// For each value (and function-local variable) of the functions given (the
// entry point and what it calls, as [begin, end) of module.code), by id, a
// mask of the components the shader's results depend on: bit k of a
// vector, bit 4 i + j of a matrix's SPIR-V column i, component j; all bits
// where it cannot tell. Values that nothing depends on are 0.
std::vector<uint32_t> DemandedComponents(
    const SpvModule& module, const std::vector<std::pair<size_t, size_t>>& functions);

// Varyings as wide as Direct3D 9's registers: each float varying (a vertex
// output or pixel input at a location) becomes a float4, so that a pixel
// shader may read a float2 where its vertex shader wrote a float4, or the
// other way round (components not written read 0). Stores widen, loads take
// the components they need. POSITION, PSIZE, VPOS and VFACE stay as they are.
void WidenVaryings(SpvModule& module, bool vertex);

// The COLOR0 and COLOR1 outputs of a vertex shader before vs_3_0 are
// clamped to [0, 1], as Direct3D 9 passes its color registers on.
void ClampColorOutputs(SpvModule& module);

// A uniform vector or matrix indexed at run time (v[i], m[i]) is loaded
// whole into a local copy, which the index reads (as Direct3D 9 reads the
// whole value from its registers; GL cannot index within a register).
void CopyDynamicallyIndexedValues(SpvModule& module);

// Chains and loads of the scalars, vectors and matrices inside the uniform
// value of type `type` that base + indices reaches, put together again as a
// value of type `to` (an equal type, perhaps of another layout) into *out:
// its id. The flattened registers cannot be loaded as a whole array.
uint32_t LoadByParts(SpvModule& module, uint32_t base, std::vector<uint32_t> indices,
                     uint32_t type, uint32_t to, std::vector<SpvInstruction>* out);

// A uniform array, or a struct holding one, read whole (copied into a
// local, passed to a function) is read element by element: GL's flattened
// register array cannot hand out an array at once.
void LoadUniformArraysByParts(SpvModule& module);

}  // namespace fx
