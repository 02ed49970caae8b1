// Stage 6: the constant registers as Direct3D 9 allocates them (see
// 6_registers.h).
//
// Implemented: [x] what each global a stage reads uses, from the access
//                  chains into $Global of the functions the entry point reaches
//              [x] register(cN), then largest first into the lowest free range
//              [x] a scalar or vector at a register's component
//                  (packoffset(c0.y), register(ps, c0.y) in its stage),
//                  sharing the register with others
//              [x] int loop bounds in i, bool if conditions in b registers
//              [x] int / uint / bool members as floats, converted at each load
//              [x] matrix majority from the source where glslang loses it
//              [x] the initial values of a stage's table, per register
// Not implemented: what a matrix's uses depend on beyond what 6_demand.cpp
// follows (all of it counts).
#include "platform/fx/6_spirv/6_register_pass.h"
#include "platform/fx/6_spirv/6_demand.h"
#include "platform/fx/6_spirv/6_uniform_loads.h"

#include <algorithm>
#include <functional>
#include <set>
#include <unordered_map>

namespace fx {

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
            std::string name = m_.MemberName(id, i);
            // A global the code writes is still the parameter of its name
            // with the suffix (CopyWrittenGlobals names it back).
            const std::string suffix = kWrittenSuffix;
            if (id == blockType_ && name.size() > suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                name.resize(name.size() - suffix.size());
            }
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
            errors_.Add(ErrorAt(info != nullptr ? info->pos : SourcePos{},
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

// A scalar or vector placed by register(cN) or packoffset(cN.y) covers its
// components of the register from the one named (others may share the
// register); anything else starts at a register's x. False (said) when it
// does not fit.
bool RegisterPass::PlaceComponents(const GlobalInfo& info, MemberState* s) {
    const SpvInstruction* t = m_.Def(s->type);
    int components = 0;
    if (t != nullptr && t->op == spv::OpTypeVector) components = static_cast<int>(t->words[2]);
    if (t != nullptr && (t->op == spv::OpTypeFloat || t->op == spv::OpTypeInt ||
                         t->op == spv::OpTypeBool))
        components = 1;
    const int component = info.explicitComponent;
    std::string text = "'";
    text += info.name;
    text += "'";
    if (components == 0) {
        if (component == 0) return true;
        text += " cannot start at component ";
        text += "xyzw"[component];
        text += " of c" + std::to_string(info.explicitRegister);
        text += ": a matrix, array or struct starts at a register's x";
        Error(info, text);
        return false;
    }
    if (component + components > 4) {
        text += " does not fit in c" + std::to_string(info.explicitRegister);
        text += " from its component ";
        text += "xyzw"[component];
        text += ": its " + std::to_string(components);
        text += " components would cross into the next register";
        Error(info, text);
        return false;
    }
    s->component = component;
    s->mask = ((1u << components) - 1u) << component;
    return true;
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
        if (!PlaceComponents(*info, &s)) {
            ok = false;
            continue;
        }
        taken.emplace_back(s.start, s.start + s.declared);
        if (s.used == 0) continue;
        for (size_t j : explicitReads) {
            const MemberState& other = members_[j];
            // Scalars and vectors in one register may share it, each its components.
            if (s.start < other.start + other.used && other.start < s.start + s.used &&
                (s.mask & other.mask) != 0) {
                // "c0", or "c0.z" for a scalar or vector from a component.
                auto place = [](const MemberState& m, int reg) {
                    std::string text = "c";
                    text += std::to_string(reg);
                    if (m.component > 0) {
                        text += '.';
                        text += "xyzw"[m.component];
                    }
                    return text;
                };
                Error(*info, "'" + info->name + "' at register " + place(s, s.start) + " reads " +
                                 place(s, std::max(s.start, other.start)) + ", which '" +
                                 g_.globals[j].name + "' at register " +
                                 place(other, other.start) + " also reads");
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

bool RegisterPass::Run(std::vector<ConstantRegisters>* table) {
    const size_t errorsBefore = errors_.ErrorCount();
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
        errors_.Add(ErrorAt({}, "an array type is shared by globals of different "
                                "majority; declare them with separate types"));
        ok = false;
    }
    Table(table);
    return ok && errors_.ErrorCount() == errorsBefore;
}


bool AllocateRegisters(SpvModule& module, const GlobalsDescription& globals,
                       std::vector<ConstantRegisters>* table, MessageSink& errors) {
    RegisterPass pass(module, globals, errors);
    return pass.Run(table);
}

int ProfileFloatRegisters(const std::string& profile) {
    static const struct {
        const char* profile;
        int registers;
    } kFloatRegisters[] = {{"vs_1_1", 96},  {"vs_2_0", 256}, {"vs_2_a", 256}, {"vs_3_0", 256},
                           {"ps_2_0", 32},  {"ps_2_a", 32},  {"ps_2_b", 32},  {"ps_3_0", 224}};
    for (const auto& p : kFloatRegisters) {
        if (profile == p.profile) return p.registers;
    }
    return 0;
}

bool CheckProfileRegisters(const std::string& profile, const std::vector<ConstantRegisters>& table,
                           const GlobalsDescription& globals, MessageSink& errors) {
    const int registers = ProfileFloatRegisters(profile);
    // The lowest constant past the end only: those allocated after it are
    // past the end because it is.
    const ConstantRegisters* first = nullptr;
    for (const ConstantRegisters& r : table) {
        if (registers == 0 || r.set != RegisterSet::Float || r.count == 0 ||
            r.start + r.count <= registers) {
            continue;
        }
        if (first == nullptr || r.start < first->start) first = &r;
    }
    bool ok = true;
    if (first != nullptr) {
        const ConstantRegisters& r = *first;
        std::string text = "constant '";
        text += r.name;
        text += "' at register c";
        text += std::to_string(r.start);
        text += " reaches past c";
        text += std::to_string(registers - 1);
        text += ", the last register ";
        text += profile;
        text += " has";
        // At the global's declaration where the shader's text tells it.
        SourcePos at;
        for (const GlobalInfo& g : globals.globals)
            if (g.name == r.name) at = g.pos;
        errors.Add(ErrorAt(at, text));
        ok = false;
    }
    return ok;
}

}  // namespace fx
