// Stage 6: the constant registers as Direct3D 9 allocates them (see
// 6_registers.h).
//
// Implemented: [x] what each global a stage reads uses, from the access
//                  chains into $Global of the functions the entry point reaches
//              [x] register(cN), then largest first into the lowest free range
//              [x] int loop bounds in i, bool if conditions in b registers
//              [x] int / uint / bool members as floats, converted at each load
//              [x] matrix majority from the source where glslang loses it
//              [x] the initial values of a stage's table, per register
// Not implemented: components of a register (register(c0.y)); what a
// matrix's uses depend on beyond what 6_demand.cpp follows (all of it counts).
#define SPV_ENABLE_UTILITY_CODE
#include <spirv_cross/spirv.hpp>

#include "platform/fx/6_spirv/6_registers.h"

#include <algorithm>
#include <functional>
#include <set>
#include <unordered_map>

namespace fx {
namespace {

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
};

class RegisterPass {
public:
    RegisterPass(SpvModule& m, const GlobalsDescription& g, std::vector<Message>* errors)
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
        errors_->push_back(ErrorAt(where.pos, std::move(text)));
    }

    SpvModule& m_;
    const GlobalsDescription& g_;
    std::vector<Message>* errors_;

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

const GlobalInfo* InfoOf(const GlobalsDescription& g, size_t i) {
    return i < g.globals.size() ? &g.globals[i] : nullptr;
}

bool RegisterPass::FindGlobalBlock() {
    for (const SpvInstruction& in : m_.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 ||
            in.words[2] != spv::StorageClassUniform) {
            continue;
        }
        const SpvInstruction* pointer = m_.Def(in.words[0]);
        if (pointer == nullptr || pointer->words.size() < 3) continue;
        const uint32_t type = pointer->words[2];
        const SpvInstruction* s = m_.Def(type);
        if (s == nullptr || s->op != spv::OpTypeStruct || m_.Name(type) != "$Global") continue;
        block_ = in.words[1];
        blockType_ = type;
        for (size_t i = 1; i < s->words.size(); ++i) {
            MemberState state;
            state.type = s->words[i];
            members_.push_back(state);
        }
        return true;
    }
    return false;
}

// SPIR-V's majority is HLSL's turned around: glslang reads HLSL's rows as
// SPIR-V's columns, so an HLSL row_major matrix is ColMajor.
bool RegisterPass::MemberRowMajor(uint32_t structType, uint32_t member) const {
    return m_.MemberDecoration(structType, member, spv::DecorationColMajor) != nullptr;
}

// The majority glslang lost (typedefs, #pragma pack_matrix), as the source says.
void RegisterPass::ApplyMajorities() {
    if (g_.majorities.empty()) return;
    std::vector<std::pair<uint32_t, std::string>> structs;
    for (const SpvInstruction& in : m_.code) {
        if (in.op != spv::OpTypeStruct) continue;
        const uint32_t id = in.words[0];
        structs.emplace_back(id, id == blockType_ ? std::string() : m_.Name(id));
    }
    for (const auto& [id, owner] : structs) {
        const size_t count = m_.Def(id)->words.size() - 1;
        for (uint32_t i = 0; i < count; ++i) {
            if (m_.MemberDecoration(id, i, spv::DecorationRowMajor) == nullptr &&
                m_.MemberDecoration(id, i, spv::DecorationColMajor) == nullptr) {
                continue;  // not a matrix
            }
            const std::string name = m_.MemberName(id, i);
            for (const MatrixMajority& mm : g_.majorities) {
                if (mm.owner != owner || mm.member != name) continue;
                // The decoration is there: only its kind changes, in place.
                for (SpvInstruction& in : m_.code) {
                    if (in.op == spv::OpMemberDecorate && in.words.size() == 3 &&
                        in.words[0] == id && in.words[1] == i &&
                        (in.words[2] == spv::DecorationRowMajor ||
                         in.words[2] == spv::DecorationColMajor)) {
                        in.words[2] = mm.rowMajor ? spv::DecorationColMajor
                                                  : spv::DecorationRowMajor;
                    }
                }
            }
        }
    }
}

uint32_t RegisterPass::ArrayLength(uint32_t arrayType) const {
    const SpvInstruction* a = m_.Def(arrayType);
    uint32_t length = 0;
    if (a == nullptr || a->words.size() < 3 || !m_.ConstantValue(a->words[2], &length)) return 0;
    return std::min<uint32_t>(length, kMaxRegisters);
}

int RegisterPass::Regs(uint32_t type, bool rowMajor) const {
    const SpvInstruction* t = m_.Def(type);
    if (t == nullptr) return 1;
    switch (t->op) {
        case spv::OpTypeMatrix: {
            // HLSL rows are SPIR-V columns; each has `size` components.
            const SpvInstruction* column = m_.Def(t->words[1]);
            const int rows = static_cast<int>(t->words[2]);
            const int columns = column != nullptr ? static_cast<int>(column->words[2]) : 4;
            return rowMajor ? rows : columns;
        }
        case spv::OpTypeArray:
            return std::min(kMaxRegisters,
                            static_cast<int>(ArrayLength(type)) * Regs(t->words[1], rowMajor));
        case spv::OpTypeStruct: {
            int total = 0;
            for (uint32_t i = 0; i + 1 < t->words.size(); ++i)
                total += Regs(t->words[i + 1], MemberRowMajor(type, i));
            return std::min(total, kMaxRegisters);
        }
        default: return 1;
    }
}

int RegisterPass::MemberOffsetRegs(uint32_t structType, uint32_t member) const {
    const SpvInstruction* t = m_.Def(structType);
    int offset = 0;
    for (uint32_t i = 0; i < member && i + 1 < t->words.size(); ++i)
        offset += Regs(t->words[i + 1], MemberRowMajor(structType, i));
    return offset;
}

void RegisterPass::ReachableFunctions() {
    const std::set<uint32_t> reachable = m_.ReachableFunctions();
    for (size_t i = 0; i < m_.code.size(); ++i) {
        if (m_.code[i].op != spv::OpFunction || reachable.count(m_.code[i].words[1]) == 0) continue;
        size_t end = i;
        while (end < m_.code.size() && m_.code[end].op != spv::OpFunctionEnd) ++end;
        functions_.emplace_back(i, end);
    }
}

// A global the code writes to is a static of its name (stage 4): where the
// entry point's code uses it, it starts as the parameter's registers.
void RegisterPass::CopyWrittenGlobals() {
    if (g_.written.empty()) return;
    const std::set<uint32_t> reachable = m_.ReachableFunctions();
    const uint32_t entry = m_.EntryPoint();
    for (const std::string& name : g_.written) {
        uint32_t member = 0;
        for (; member < members_.size(); ++member) {
            if (m_.MemberName(blockType_, member) == name + kWrittenSuffix) break;
        }
        uint32_t copy = 0;
        for (const SpvInstruction& in : m_.code) {
            if (in.op == spv::OpVariable && in.words.size() > 2 &&
                in.words[2] == spv::StorageClassPrivate && m_.Name(in.words[1]) == name) {
                copy = in.words[1];
            }
        }
        if (member == members_.size() || copy == 0) continue;
        for (SpvInstruction& in : m_.code) {
            if (in.op == spv::OpMemberName && in.words[0] == blockType_ && in.words[1] == member) {
                in.words.resize(2);
                for (uint32_t word : StringWords(name)) in.words.push_back(word);
            }
        }
        // Only where the stage's code uses the copy does it read the parameter.
        bool used = false;
        uint32_t function = 0;
        std::vector<uint32_t> ids;
        for (const SpvInstruction& in : m_.code) {
            if (in.op == spv::OpFunction) function = in.words[1];
            if (reachable.count(function) == 0 || in.op == spv::OpName) continue;
            in.UsedIds(&ids);
            used |= std::find(ids.begin(), ids.end(), copy) != ids.end();
        }
        if (!used) continue;
        // Past the registers any shader model has, there is nothing to copy.
        if (Regs(members_[member].type, MemberRowMajor(blockType_, member)) > kMaxShaderRegisters) {
            const GlobalInfo* info = InfoOf(g_, member);
            errors_->push_back(ErrorAt(info != nullptr ? info->pos : SourcePos{},
                                       "'" + name + "' is written by the shader and takes more "
                                       "than " + std::to_string(kMaxShaderRegisters) +
                                       " registers"));
            continue;
        }
        const uint32_t copyType = m_.Def(m_.Def(copy)->words[0])->words[2];
        const uint32_t index = m_.DeclareConstant(
            spv::OpConstant, m_.DeclareType(spv::OpTypeInt, {32, 1}), {member});
        std::vector<SpvInstruction> code;
        const uint32_t value =
            LoadByParts(m_, block_, {index}, members_[member].type, copyType, &code);
        code.push_back({spv::OpStore, {copy, value}});
        // At the start of the entry point, after its variables.
        size_t at = 0;
        while (at < m_.code.size() &&
               !(m_.code[at].op == spv::OpFunction && m_.code[at].words[1] == entry)) {
            ++at;
        }
        while (at < m_.code.size() && m_.code[at].op != spv::OpLabel) ++at;
        ++at;
        while (at < m_.code.size() && m_.code[at].op == spv::OpVariable) ++at;
        m_.code.insert(m_.code.begin() + static_cast<std::ptrdiff_t>(at), code.begin(), code.end());
        m_.Reindex();
    }
}

// One index of a chain; false for a chain the pass does not understand.
bool RegisterPass::Step(Walk* w, uint32_t indexId) const {
    if (w->fixedEnd >= 0) return true;
    uint32_t k = 0;
    const bool constant = m_.ConstantValue(indexId, &k);
    const SpvInstruction* t = m_.Def(w->type);
    if (t == nullptr) return false;
    switch (t->op) {
        case spv::OpTypeArray:
            if (!constant) {
                w->fixedEnd = w->offset + Regs(w->type, w->rowMajor);
                return true;
            }
            w->offset += static_cast<int>(k) * Regs(t->words[1], w->rowMajor);
            w->type = t->words[1];
            return true;
        case spv::OpTypeStruct:
            if (!constant || k + 1 >= t->words.size()) return false;
            w->offset += MemberOffsetRegs(w->type, k);
            w->rowMajor = MemberRowMajor(w->type, k);
            w->owner = w->type;
            w->ownerMember = k;
            w->type = t->words[k + 1];
            return true;
        case spv::OpTypeMatrix:
            if (w->rowMajor) {
                if (!constant) {
                    w->fixedEnd = w->offset + Regs(w->type, true);
                    return true;
                }
                w->offset += static_cast<int>(k);
            } else {
                // A row of a column_major matrix has a component in each register.
                w->spread = Regs(w->type, false);
            }
            w->type = t->words[1];
            return true;
        case spv::OpTypeVector:
            if (w->spread > 0 && constant) {
                w->offset += static_cast<int>(k);
                w->spread = 0;
            }
            w->type = t->words[1];
            return true;
        default: return false;
    }
}

int RegisterPass::End(const Walk& w) const {
    if (w.fixedEnd >= 0) return w.fixedEnd;
    if (w.spread > 0) return w.offset + w.spread;
    return w.offset + Regs(w.type, w.rowMajor);
}

// What each global is read up to, from the chains of the functions the entry
// point reaches.
void RegisterPass::AnalyseReads() {
    std::vector<uint32_t> ids;
    users_.assign(m_.Bound(), {});
    for (size_t i = 0; i < members_.size(); ++i) {
        members_[i].rowMajor = MemberRowMajor(blockType_, static_cast<uint32_t>(i));
        members_[i].declared = Regs(members_[i].type, members_[i].rowMajor);
    }
    for (const auto& [begin, end] : functions_) {
        for (size_t i = begin; i < end; ++i) {
            const SpvInstruction& in = m_.code[i];
            in.UsedIds(&ids);
            for (uint32_t id : ids) {
                if (id < users_.size()) users_[id].push_back(i);
            }
            if (in.op == spv::OpLoopMerge && !in.words.empty()) loopMerges_.insert(in.words[0]);
            if (!IsChainOp(in.op) || in.words.size() < 4) continue;
            Walk w;
            size_t index = 3;
            if (in.words[2] == block_) {
                uint32_t member = 0;
                if (!m_.ConstantValue(in.words[3], &member) || member >= members_.size()) continue;
                w.member = static_cast<int>(member);
                w.type = members_[member].type;
                w.rowMajor = members_[member].rowMajor;
                w.owner = blockType_;
                w.ownerMember = member;
                index = 4;
            } else {
                auto base = chains_.find(in.words[2]);
                if (base == chains_.end()) continue;
                w = base->second;
            }
            bool understood = true;
            for (; index < in.words.size() && understood; ++index) understood = Step(&w, in.words[index]);
            if (!understood) {
                // Read as a whole.
                w.offset = 0;
                w.fixedEnd = members_[static_cast<size_t>(w.member)].declared;
            }
            chains_[in.words[1]] = w;
        }
    }
    // A chain is read when something besides a further chain uses it; a
    // load only as far as the shader's results depend on what it loads.
    demand_ = DemandedComponents(m_, functions_);
    for (const auto& [id, w] : chains_) {
        MemberState& member = members_[static_cast<size_t>(w.member)];
        const SpvInstruction* chain = m_.Def(id);
        const bool direct = chain->words[2] == block_ && chain->words.size() == 4;
        int end = 0;
        for (size_t user : users_[id]) {
            const SpvInstruction& in = m_.code[user];
            if (IsChainOp(in.op) && in.words.size() >= 3 && in.words[2] == id) continue;
            if (in.op == spv::OpLoad) {
                end = std::max(end, LoadEnd(w, in.Result()));
                if (direct) {
                    member.loads.push_back(in.Result());
                } else {
                    member.otherReads = true;
                }
            } else {
                end = std::max(end, End(w));
                member.otherReads = true;
            }
        }
        member.used = std::max(member.used, std::min(end, member.declared));
    }
}

// Registers up to the last one a load's value matters from (0: none does).
int RegisterPass::LoadEnd(const Walk& w, uint32_t value) const {
    const uint32_t d = value < demand_.size() ? demand_[value] : 0;
    if (d == 0) return 0;
    if (d == 0xFFFFFFFFu || w.fixedEnd >= 0) return End(w);
    if (w.spread > 0) {
        // A row of a column_major matrix: component k is in register k.
        int last = 0;
        for (int k = 0; k < w.spread; ++k) {
            if ((d & (1u << k)) != 0) last = k;
        }
        return w.offset + last + 1;
    }
    const SpvInstruction* t = m_.Def(w.type);
    if (t == nullptr || t->op != spv::OpTypeMatrix) return End(w);
    int last = 0;
    for (int bit = 0; bit < 16; ++bit) {
        if ((d & (1u << bit)) == 0) continue;
        // SPIR-V column i is HLSL row i; component j is HLSL column j.
        const int i = bit / 4, j = bit % 4;
        last = std::max(last, w.rowMajor ? i : j);
    }
    return w.offset + last + 1;
}

bool RegisterPass::IsSelection(size_t branch) const {
    return branch > 0 && m_.code[branch - 1].op == spv::OpSelectionMerge;
}

// The condition of a loop: the branch right after its OpLoopMerge, or one
// that leaves for a loop's merge block without a selection of its own.
bool RegisterPass::IsLoopTest(size_t branch) const {
    const SpvInstruction& in = m_.code[branch];
    if (in.op != spv::OpBranchConditional || in.words.size() < 3) return false;
    if (branch > 0 && m_.code[branch - 1].op == spv::OpLoopMerge) return true;
    if (IsSelection(branch)) return false;
    return loopMerges_.count(in.words[1]) != 0 || loopMerges_.count(in.words[2]) != 0;
}

// The value only bounds loops: it is compared, and the comparison decides
// whether a loop goes on.
bool RegisterPass::OnlyLoopBound(uint32_t value) const {
    if (value >= users_.size() || users_[value].empty()) return false;
    for (size_t user : users_[value]) {
        const SpvInstruction& in = m_.code[user];
        switch (in.op) {
            case spv::OpSLessThan: case spv::OpSLessThanEqual: case spv::OpSGreaterThan:
            case spv::OpSGreaterThanEqual: case spv::OpIEqual: case spv::OpINotEqual: {
                const uint32_t result = in.Result();
                if (result >= users_.size() || users_[result].empty()) return false;
                for (size_t test : users_[result]) {
                    if (!IsLoopTest(test) || m_.code[test].words[0] != in.Result()) return false;
                }
                break;
            }
            default: return false;
        }
    }
    return true;
}

// The value only decides ifs (glslang tests a bool member with != 0).
bool RegisterPass::OnlyIfCondition(uint32_t value) const {
    if (value >= users_.size() || users_[value].empty()) return false;
    for (size_t user : users_[value]) {
        const SpvInstruction& in = m_.code[user];
        if (in.op == spv::OpINotEqual || in.op == spv::OpLogicalNot) {
            if (!OnlyIfCondition(in.Result())) return false;
        } else if (in.op != spv::OpBranchConditional || !IsSelection(user) ||
                   in.words[0] != value) {
            return false;
        }
    }
    return true;
}

bool RegisterPass::IsBool(uint32_t owner, uint32_t member) const {
    const std::string key =
        (owner == blockType_ ? std::string("$Global") : m_.Name(owner)) + "." +
        m_.MemberName(owner, member);
    return std::find(g_.boolMembers.begin(), g_.boolMembers.end(), key) != g_.boolMembers.end();
}

void RegisterPass::Classify() {
    for (size_t i = 0; i < members_.size(); ++i) {
        MemberState& s = members_[i];
        const GlobalInfo* info = InfoOf(g_, i);
        const SpvInstruction* t = m_.Def(s.type);
        if (s.used == 0 || s.otherReads || s.loads.empty() || t == nullptr ||
            t->op != spv::OpTypeInt || (info != nullptr && info->explicitRegister >= 0)) {
            continue;
        }
        const bool boolean = IsBool(blockType_, static_cast<uint32_t>(i));
        bool all = true;
        for (uint32_t value : s.loads) {
            all &= boolean ? OnlyIfCondition(value) : t->words[2] == 1 && OnlyLoopBound(value);
        }
        if (all) s.set = boolean ? RegisterSet::Bool : RegisterSet::Int;
    }
}

// register(cN) first, then the others largest first into the lowest free
// range; i and b registers in declaration order.
bool RegisterPass::Allocate() {
    std::vector<std::pair<int, int>> taken;  // [begin, end) of c registers
    std::vector<size_t> explicitReads;
    bool ok = true;
    for (size_t i = 0; i < members_.size(); ++i) {
        const GlobalInfo* info = InfoOf(g_, i);
        MemberState& s = members_[i];
        if (info == nullptr || info->explicitRegister < 0) continue;
        s.start = info->explicitRegister;
        taken.emplace_back(s.start, s.start + s.declared);
        if (s.used == 0) continue;
        for (size_t j : explicitReads) {
            const MemberState& other = members_[j];
            if (s.start < other.start + other.used && other.start < s.start + s.used) {
                Error(*info, "'" + info->name + "' at register c" + std::to_string(s.start) +
                                 " reads c" + std::to_string(std::max(s.start, other.start)) +
                                 ", which '" + g_.globals[j].name + "' at register c" +
                                 std::to_string(other.start) + " also reads");
                ok = false;
            }
        }
        explicitReads.push_back(i);
    }
    std::vector<size_t> order;
    int nextInt = 0, nextBool = 0;
    for (size_t i = 0; i < members_.size(); ++i) {
        MemberState& s = members_[i];
        if (s.start >= 0 || s.used == 0) continue;
        if (s.set == RegisterSet::Int) s.start = nextInt++;
        if (s.set == RegisterSet::Bool) s.start = nextBool++;
        if (s.set == RegisterSet::Float) order.push_back(i);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return members_[a].used > members_[b].used; });
    for (size_t i : order) {
        MemberState& s = members_[i];
        int start = 0;
        for (bool moved = true; moved;) {
            moved = false;
            for (const auto& [begin, end] : taken) {
                if (start < end && begin < start + s.used) {
                    start = end;
                    moved = true;
                }
            }
        }
        s.start = start;
        taken.emplace_back(start, start + s.used);
    }
    return ok;
}

// i and b registers hold what the effect wrote at BeginPass, and nothing
// writes them after it: their loads read the initial value.
void RegisterPass::SubstituteConstants() {
    for (size_t i = 0; i < members_.size(); ++i) {
        const MemberState& s = members_[i];
        if (s.set == RegisterSet::Float) continue;
        float value = 0;
        auto d = g_.defaults.find(m_.MemberName(blockType_, static_cast<uint32_t>(i)));
        if (d != g_.defaults.end() && !d->second.empty()) value = d->second[0];
        const uint32_t bits = s.set == RegisterSet::Bool
                                  ? (value != 0.0f ? 1u : 0u)
                                  : static_cast<uint32_t>(static_cast<int32_t>(value));
        const uint32_t constant = m_.DeclareConstant(spv::OpConstant, s.type, {bits});
        for (uint32_t load : s.loads) {
            SpvInstruction& in = *m_.Def(load);
            in.op = spv::OpCopyObject;
            in.words = {in.words[0], in.words[1], constant};
        }
    }
}

bool RegisterPass::HasIntegers(uint32_t type) const {
    const SpvInstruction* t = m_.Def(type);
    if (t == nullptr) return false;
    switch (t->op) {
        case spv::OpTypeInt: return true;
        case spv::OpTypeVector:
        case spv::OpTypeArray: return HasIntegers(t->words[1]);
        case spv::OpTypeStruct:
            for (size_t i = 1; i < t->words.size(); ++i) {
                if (HasIntegers(t->words[i])) return true;
            }
            return false;
        default: return false;
    }
}

// The type with every integer in it a float: new arrays and structs, with
// the names and decorations of the old ones.
uint32_t RegisterPass::FloatType(uint32_t type) {
    if (!HasIntegers(type)) return type;
    auto known = floatTypes_.find(type);
    if (known != floatTypes_.end()) return known->second;
    const SpvInstruction t = *m_.Def(type);
    uint32_t made = type;
    if (t.op == spv::OpTypeInt) {
        made = m_.DeclareType(spv::OpTypeFloat, {32});
    } else if (t.op == spv::OpTypeVector) {
        made = m_.DeclareType(spv::OpTypeVector, {FloatType(t.words[1]), t.words[2]});
    } else if (t.op == spv::OpTypeArray) {
        made = m_.NewAggregateType(spv::OpTypeArray, {FloatType(t.words[1]), t.words[2]});
    } else if (t.op == spv::OpTypeStruct) {
        std::vector<uint32_t> memberTypes;
        for (size_t i = 1; i < t.words.size(); ++i) memberTypes.push_back(FloatType(t.words[i]));
        made = m_.NewAggregateType(spv::OpTypeStruct, memberTypes);
        std::vector<SpvInstruction> copies;
        for (const SpvInstruction& in : m_.code) {
            const bool describes = in.op == spv::OpMemberName || in.op == spv::OpMemberDecorate ||
                                   in.op == spv::OpName;
            if (describes && !in.words.empty() && in.words[0] == type) {
                copies.push_back(in);
                copies.back().words[0] = made;
            }
        }
        for (SpvInstruction& copy : copies) {
            auto at = std::find_if(m_.code.begin(), m_.code.end(),
                                   [&](const SpvInstruction& in) { return in.op == copy.op; });
            m_.code.insert(at, std::move(copy));
        }
        m_.Reindex();
    }
    floatTypes_[type] = made;
    return made;
}

// Instructions that make `result`, of type `type`, from `value` of
// FloatType(type); returns result (a new id when 0).
uint32_t RegisterPass::Convert(uint32_t value, uint32_t type, uint32_t result, bool boolean,
                               std::vector<SpvInstruction>* out) {
    const SpvInstruction t = *m_.Def(type);
    auto emit = [&](uint32_t op, std::vector<uint32_t> words) {
        out->push_back({op, std::move(words)});
    };
    if (result == 0) result = m_.NewId();
    if (t.op == spv::OpTypeInt || t.op == spv::OpTypeVector) {
        const uint32_t scalarType = t.op == spv::OpTypeInt ? type : t.words[1];
        const uint32_t n = t.op == spv::OpTypeInt ? 1 : t.words[2];
        if (m_.Def(scalarType)->words[2] == 1) {
            emit(spv::OpConvertFToS, {type, result, value});
        } else if (!boolean) {
            emit(spv::OpConvertFToU, {type, result, value});
        } else {
            // A bool is true for any value but 0.0 (glslang keeps it as a uint).
            uint32_t test = m_.DeclareType(spv::OpTypeBool, {});
            uint32_t zero = m_.DeclareConstant(spv::OpConstant,
                                               m_.DeclareType(spv::OpTypeFloat, {32}), {0});
            uint32_t one = m_.DeclareConstant(spv::OpConstant, scalarType, {1});
            uint32_t none = m_.DeclareConstant(spv::OpConstant, scalarType, {0});
            if (n > 1) {
                test = m_.DeclareType(spv::OpTypeVector, {test, n});
                zero = m_.DeclareConstant(spv::OpConstantComposite, FloatType(type),
                                          std::vector<uint32_t>(n, zero));
                one = m_.DeclareConstant(spv::OpConstantComposite, type,
                                         std::vector<uint32_t>(n, one));
                none = m_.DeclareConstant(spv::OpConstantComposite, type,
                                          std::vector<uint32_t>(n, none));
            }
            const uint32_t nonZero = m_.NewId();
            emit(spv::OpFUnordNotEqual, {test, nonZero, value, zero});
            emit(spv::OpSelect, {type, result, nonZero, one, none});
        }
        return result;
    }
    const bool array = t.op == spv::OpTypeArray;
    const uint32_t count = array ? ArrayLength(type) : static_cast<uint32_t>(t.words.size() - 1);
    std::vector<uint32_t> words{type, result};
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t partType = array ? t.words[1] : t.words[i + 1];
        const uint32_t floatPart = FloatType(partType);
        const uint32_t part = m_.NewId();
        emit(spv::OpCompositeExtract, {floatPart, part, value, i});
        words.push_back(floatPart == partType
                            ? part
                            : Convert(part, partType, 0, array ? boolean : IsBool(type, i), out));
    }
    emit(spv::OpCompositeConstruct, std::move(words));
    return result;
}

// Integer members become floats; each load through them is followed by the
// conversion to the type the code expects.
void RegisterPass::ConvertIntegers() {
    std::vector<uint32_t> memberTypes;
    bool any = false;
    for (const MemberState& s : members_) {
        memberTypes.push_back(FloatType(s.type));
        any |= memberTypes.back() != s.type;
    }
    if (!any) return;
    std::unordered_map<uint32_t, uint32_t> loadType;  // chain -> the type its loads had
    for (const auto& [id, w] : chains_) {
        const uint32_t pointee = m_.Def(m_.Def(id)->words[0])->words[2];
        if (FloatType(pointee) == pointee) continue;
        loadType[id] = pointee;
        // Declaring moves the instructions: find the chain again after it.
        const uint32_t pointer =
            m_.DeclareType(spv::OpTypePointer, {spv::StorageClassUniform, FloatType(pointee)});
        m_.Def(id)->words[0] = pointer;
    }
    std::vector<SpvInstruction> old;
    old.swap(m_.code);
    for (SpvInstruction& in : old) {
        auto chain = in.op == spv::OpLoad && in.words.size() >= 3 ? loadType.find(in.words[2])
                                                                   : loadType.end();
        if (chain == loadType.end()) {
            m_.code.push_back(std::move(in));
            continue;
        }
        // Types and constants Convert declares go before the first function,
        // which the rebuilt list holds by now.
        m_.Reindex();
        const uint32_t type = in.words[0];
        const uint32_t result = in.words[1];
        const uint32_t loaded = m_.NewId();
        const Walk& w = chains_.at(chain->first);
        in.words[0] = FloatType(type);
        in.words[1] = loaded;
        m_.code.push_back(std::move(in));
        std::vector<SpvInstruction> conversion;
        Convert(loaded, type, result, IsBool(w.owner, w.ownerMember), &conversion);
        for (SpvInstruction& c : conversion) m_.code.push_back(std::move(c));
    }
    m_.Reindex();
    SpvInstruction* block = m_.Def(blockType_);
    for (size_t i = 0; i < memberTypes.size(); ++i) block->words[i + 1] = memberTypes[i];
    // The block now names types declared after it: it, its pointer type and
    // its variable move after them, before the first function.
    std::vector<SpvInstruction> moved, kept;
    for (SpvInstruction& in : m_.code) {
        const bool blockType = in.op == spv::OpTypeStruct && in.words[0] == blockType_;
        const bool blockPointer = in.op == spv::OpTypePointer && in.words[2] == blockType_;
        const bool variable = in.op == spv::OpVariable && in.words[1] == block_;
        (blockType || blockPointer || variable ? moved : kept).push_back(std::move(in));
    }
    size_t at = 0;
    while (at < kept.size() && kept[at].op != spv::OpFunction) ++at;
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(at), moved.begin(), moved.end());
    m_.code = std::move(kept);
    m_.Reindex();
}

// Strides and offsets inside a member's type: each array element and struct
// member from a new register.
bool RegisterPass::LayOutType(uint32_t type, bool rowMajor, std::set<uint32_t>* done) {
    const SpvInstruction* t = m_.Def(type);
    if (t == nullptr) return true;
    if (t->op == spv::OpTypeArray) {
        const uint32_t element = t->words[1];
        const uint32_t stride = static_cast<uint32_t>(16 * Regs(element, rowMajor));
        if (done->count(type) != 0) {
            const SpvInstruction* at = nullptr;
            for (const SpvInstruction& in : m_.code) {
                if (in.op == spv::OpDecorate && in.words.size() > 2 && in.words[0] == type &&
                    in.words[1] == spv::DecorationArrayStride) {
                    at = &in;
                }
            }
            return at == nullptr || at->words[2] == stride;
        }
        done->insert(type);
        m_.SetDecoration(type, spv::DecorationArrayStride, {stride});
        return LayOutType(element, rowMajor, done);
    }
    if (t->op != spv::OpTypeStruct || !done->insert(type).second) return true;
    const std::vector<uint32_t> memberTypes(t->words.begin() + 1, t->words.end());
    bool ok = true;
    int offset = 0;
    for (uint32_t i = 0; i < memberTypes.size(); ++i) {
        const bool memberRowMajor = MemberRowMajor(type, i);
        m_.SetMemberDecoration(type, i, spv::DecorationOffset, {static_cast<uint32_t>(16 * offset)});
        if (m_.IsMatrix(memberTypes[i], true))
            m_.SetMemberDecoration(type, i, spv::DecorationMatrixStride, {16});
        ok &= LayOutType(memberTypes[i], memberRowMajor, done);
        offset += Regs(memberTypes[i], memberRowMajor);
    }
    return ok;
}

bool RegisterPass::LayOut() {
    const std::vector<uint32_t> memberTypes(m_.Def(blockType_)->words.begin() + 1,
                                            m_.Def(blockType_)->words.end());
    std::set<uint32_t> done;
    bool ok = true;
    for (uint32_t i = 0; i < memberTypes.size(); ++i) {
        const MemberState& s = members_[i];
        // What the stage does not read sits at c0: nothing reads it there.
        const int start = s.set == RegisterSet::Float && s.start >= 0 ? s.start : 0;
        m_.SetMemberDecoration(blockType_, i, spv::DecorationOffset,
                               {static_cast<uint32_t>(16 * start)});
        if (m_.IsMatrix(memberTypes[i], true))
            m_.SetMemberDecoration(blockType_, i, spv::DecorationMatrixStride, {16});
        ok &= LayOutType(memberTypes[i], s.rowMajor, &done);
    }
    PadBlock(memberTypes);
    return ok;
}

// SPIRV-Cross sizes the flattened register array from one member, the one
// it takes for the last (by order or by offset), not from the one reaching
// furthest: an unread global at c0 or a small one below a reservation
// left the array short. A float member at the last register any member
// covers, behind all the others, makes the array long enough.
void RegisterPass::PadBlock(const std::vector<uint32_t>& memberTypes) {
    int end = 0;
    for (uint32_t i = 0; i < memberTypes.size(); ++i) {
        const MemberState& s = members_[i];
        const int start = s.set == RegisterSet::Float && s.start >= 0 ? s.start : 0;
        end = std::max(end, start + Regs(memberTypes[i], s.rowMajor));
    }
    if (end == 0) return;
    // The float type, where the block may use it: declared before it.
    const uint32_t floatType = m_.DeclareType(spv::OpTypeFloat, {32});
    size_t floatAt = 0, blockAt = 0;
    for (size_t k = 0; k < m_.code.size(); ++k) {
        if (m_.code[k].Result() == floatType) floatAt = k;
        if (m_.code[k].Result() == blockType_) blockAt = k;
    }
    if (floatAt >= blockAt) return;
    m_.code[blockAt].words.push_back(floatType);
    m_.Reindex();
    m_.SetMemberDecoration(blockType_, static_cast<uint32_t>(memberTypes.size()),
                           spv::DecorationOffset, {static_cast<uint32_t>(16 * (end - 1))});
}

// The initial value of a global in its registers: flat holds it in
// declaration order (a matrix row by row).
void RegisterPass::Fill(uint32_t type, bool rowMajor, const std::vector<float>& flat,
                        size_t* next, int base, std::vector<float>* registers) const {
    auto put = [&](int reg, int component) {
        const size_t at = static_cast<size_t>(reg) * 4 + static_cast<size_t>(component);
        const float v = *next < flat.size() ? flat[*next] : 0.0f;
        ++*next;
        if (at < registers->size()) (*registers)[at] = v;
    };
    const SpvInstruction* t = m_.Def(type);
    if (t == nullptr) return;
    switch (t->op) {
        case spv::OpTypeVector:
            for (uint32_t c = 0; c < t->words[2]; ++c) put(base, static_cast<int>(c));
            return;
        case spv::OpTypeMatrix: {
            const int rows = static_cast<int>(t->words[2]);
            const int columns = static_cast<int>(m_.Def(t->words[1])->words[2]);
            for (int r = 0; r < rows; ++r) {
                for (int c = 0; c < columns; ++c) put(base + (rowMajor ? r : c), rowMajor ? c : r);
            }
            return;
        }
        case spv::OpTypeArray: {
            const int element = Regs(t->words[1], rowMajor);
            for (uint32_t k = 0; k < ArrayLength(type); ++k)
                Fill(t->words[1], rowMajor, flat, next, base + static_cast<int>(k) * element, registers);
            return;
        }
        case spv::OpTypeStruct:
            for (uint32_t i = 0; i + 1 < t->words.size(); ++i) {
                Fill(t->words[i + 1], MemberRowMajor(type, i), flat, next,
                     base + MemberOffsetRegs(type, i), registers);
            }
            return;
        default: put(base, 0); return;
    }
}

// Components of a scalar, vector or matrix; 0 for arrays and structs.
int Components(const SpvModule& m, uint32_t type) {
    const SpvInstruction* t = m.Def(type);
    if (t == nullptr) return 0;
    if (t->op == spv::OpTypeVector) return static_cast<int>(t->words[2]);
    if (t->op == spv::OpTypeMatrix) return static_cast<int>(t->words[2]) * Components(m, t->words[1]);
    if (t->op == spv::OpTypeArray || t->op == spv::OpTypeStruct) return 0;
    return 1;
}

void RegisterPass::Table(std::vector<ConstantRegisters>* table) const {
    const SpvInstruction* block = m_.Def(blockType_);
    for (size_t i = 0; i < members_.size(); ++i) {
        const MemberState& s = members_[i];
        if (s.used == 0 || s.start < 0) continue;
        ConstantRegisters r;
        r.name = m_.MemberName(blockType_, static_cast<uint32_t>(i));
        r.set = s.set;
        r.start = s.start;
        r.count = s.set == RegisterSet::Float ? s.used : 1;
        if (s.set == RegisterSet::Float) {
            std::vector<float> flat;
            auto d = g_.defaults.find(r.name);
            if (d != g_.defaults.end()) flat = d->second;
            const uint32_t type = block->words[i + 1];
            // "float4 v = 1;" sets every component.
            const int components = Components(m_, type);
            if (flat.size() == 1 && components > 1) flat.assign(static_cast<size_t>(components), flat[0]);
            std::vector<float> values(static_cast<size_t>(s.declared) * 4, 0.0f);
            size_t next = 0;
            Fill(type, s.rowMajor, flat, &next, 0, &values);
            values.resize(static_cast<size_t>(r.count) * 4);
            r.values = std::move(values);
        }
        table->push_back(std::move(r));
    }
}

bool RegisterPass::Run(std::vector<ConstantRegisters>* table) {
    const size_t errorsBefore = errors_->size();
    if (!FindGlobalBlock()) return true;
    ApplyMajorities();
    CopyWrittenGlobals();
    ReachableFunctions();
    AnalyseReads();
    Classify();
    bool ok = Allocate();
    SubstituteConstants();
    ConvertIntegers();
    if (!LayOut()) {
        errors_->push_back(ErrorAt({}, "an array type is shared by globals of different "
                                       "majority; declare them with separate types"));
        ok = false;
    }
    Table(table);
    return ok && errors_->size() == errorsBefore;
}

}  // namespace

bool AllocateRegisters(SpvModule& module, const GlobalsDescription& globals,
                       std::vector<ConstantRegisters>* table, std::vector<Message>* errors) {
    RegisterPass pass(module, globals, errors);
    return pass.Run(table);
}

bool CheckProfileRegisters(const std::string& profile, const std::vector<ConstantRegisters>& table,
                           std::vector<Message>* errors) {
    static const struct {
        const char* profile;
        int registers;
    } kFloatRegisters[] = {{"vs_1_1", 96},  {"vs_2_0", 256}, {"vs_2_a", 256}, {"vs_3_0", 256},
                           {"ps_2_0", 32},  {"ps_2_a", 32},  {"ps_2_b", 32},  {"ps_3_0", 224}};
    int registers = 0;
    for (const auto& p : kFloatRegisters) {
        if (profile == p.profile) registers = p.registers;
    }
    bool ok = true;
    for (const ConstantRegisters& r : table) {
        if (registers == 0 || r.set != RegisterSet::Float || r.count == 0 ||
            r.start + r.count <= registers) {
            continue;
        }
        std::string text = "constant '";
        text += r.name;
        text += "' at register c";
        text += std::to_string(r.start);
        text += " reaches past c";
        text += std::to_string(registers - 1);
        text += ", the last register ";
        text += profile;
        text += " has";
        errors->push_back(ErrorAt({}, text));
        ok = false;
    }
    return ok;
}

}  // namespace fx
