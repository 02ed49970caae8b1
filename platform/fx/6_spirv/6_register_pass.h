// Stage 6: the register pass's state, shared by 6_registers.cpp (what the
// code reads, the allocation) and 6_register_layout.cpp (ints as floats in
// the block, the layout, the register table) (platform/fx internal).
#define SPV_ENABLE_UTILITY_CODE
#pragma once

#include <spirv_cross/spirv.hpp>

#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv/6_registers.h"

namespace fx {

constexpr int kMaxRegisters = 4096;  // beyond any shader model; stops runaway sizes
constexpr int kMaxShaderRegisters = 256;  // vs_3_0's, the most of any profile

// Where an access chain into $Global has got to.
struct Walk {
    int member = -1;
    uint32_t type = 0;
    bool rowMajor = false;  // the HLSL majority of the matrix (or matrices) reached
    int offset = 0;         // first register of what is reached
    int spread = 0;         // > 0: a row of a column_major matrix (its register count)
    int fixedEnd = -1;      // >= 0: after a dynamic index, everything up to here is read
    uint32_t owner = 0;     // the struct whose member was reached last, and which member
    uint32_t ownerMember = 0;
};

struct MemberState {
    uint32_t type = 0;
    bool rowMajor = false;
    int declared = 0;  // registers of the whole type
    int used = 0;      // registers from its start up to the highest one read
    std::vector<uint32_t> loads;  // results of loads through direct chains
    bool otherReads = false;    // read through partial chains or by other instructions
    RegisterSet set = RegisterSet::Float;
    int start = -1;
    int component = 0;  // of its register, placed by packoffset(cN.y)
    uint32_t mask = 0xF;  // see ConstantRegisters
};

class RegisterPass {
public:
    RegisterPass(SpvModule& m, const GlobalsDescription& g, MessageSink& errors)
        : m_(m), g_(g), errors_(errors) {}

    bool Run(std::vector<ConstantRegisters>* table);

private:
    bool FindGlobalBlock();
    void ApplyMajorities();
    int Regs(uint32_t type, bool rowMajor) const;
    bool MemberRowMajor(uint32_t structType, uint32_t member) const;
    int MemberOffsetRegs(uint32_t structType, uint32_t member) const;
    uint32_t ArrayLength(uint32_t arrayType) const;
    void ReachableFunctions();
    void CopyWrittenGlobals();
    void AnalyseReads();
    bool Step(Walk* w, uint32_t indexId) const;
    int End(const Walk& w) const;
    int LoadEnd(const Walk& w, uint32_t value) const;
    void Classify();
    bool OnlyLoopBound(uint32_t value) const;
    bool OnlyIfCondition(uint32_t value) const;
    bool IsLoopTest(size_t branch) const;
    bool IsSelection(size_t branch) const;
    bool Allocate();
    bool PlaceComponents(const GlobalInfo& info, MemberState* s);
    void SubstituteConstants();
    uint32_t FloatType(uint32_t type);
    bool HasIntegers(uint32_t type) const;
    void ConvertIntegers();
    uint32_t Convert(uint32_t value, uint32_t type, uint32_t result, bool boolean,
                     std::vector<SpvInstruction>* out);
    bool LayOut();
    void PadBlock(const std::vector<uint32_t>& memberTypes);
    bool LayOutType(uint32_t type, bool rowMajor, std::set<uint32_t>* done);
    void Fill(uint32_t type, bool rowMajor, const std::vector<float>& flat, size_t* next,
              int base, std::vector<float>* registers) const;
    void Table(std::vector<ConstantRegisters>* table) const;
    bool IsBool(uint32_t owner, uint32_t member) const;
    void Error(const GlobalInfo& where, std::string text) {
        errors_.Error(where.pos, std::move(text));
    }

    SpvModule& m_;
    const GlobalsDescription& g_;
    MessageSink& errors_;

    uint32_t block_ = 0;      // the $Global variable
    uint32_t blockType_ = 0;  // its struct type
    std::vector<MemberState> members_;
    std::vector<std::pair<size_t, size_t>> functions_;  // reachable bodies [begin, end)
    std::vector<std::vector<size_t>> users_;  // by id: the instructions that use it
    std::unordered_map<uint32_t, Walk> chains_;  // access chain result -> where it reached
    std::vector<uint32_t> demand_;  // by id: components the results depend on
    std::set<uint32_t> loopMerges_;
    std::unordered_map<uint32_t, uint32_t> floatTypes_;  // type -> the same with floats
};

const GlobalInfo* InfoOf(const GlobalsDescription& g, size_t i);

}  // namespace fx
