// Stage 6: the register pass's second half (see 6_register_pass.h): int,
// uint and bool members as floats converted at each load, the layout of
// $Global at the allocated registers, and the register table with the
// initial values.
#include "platform/fx/6_spirv/6_register_pass.h"
#include "platform/fx/shared/made_names.h"
#include "platform/float_to_int.h"

#include <algorithm>

namespace fx {
namespace {

// Components of a scalar, vector or matrix; 0 for arrays and structs.
int Components(const SpvModule& m, uint32_t type) {
    const SpvInstruction* t = m.Def(type);
    if (t == nullptr) return 0;
    if (t->op == spv::OpTypeVector) return static_cast<int>(t->words[2]);
    if (t->op == spv::OpTypeMatrix) return static_cast<int>(t->words[2]) * Components(m, t->words[1]);
    if (t->op == spv::OpTypeArray || t->op == spv::OpTypeStruct) return 0;
    return 1;
}

}  // namespace

// i and b registers hold what the effect wrote at BeginPass, and nothing
// writes them after it: their loads read the initial value.
void RegisterPass::SubstituteConstants() {
    for (size_t i = 0; i < members_.size(); ++i) {
        const MemberState& s = members_[i];
        if (s.set == RegisterSet::Float) continue;
        float value = 0;
        std::string name = m_.MemberName(blockType_, static_cast<uint32_t>(i));
        SayUserNames(&name);  // a global named as a glslang keyword (4_spellings)
        auto d = g_.defaults.find(name);
        if (d != g_.defaults.end() && !d->second.empty()) value = d->second[0];
        // An int initial value past an int's range (1e30) is 0x80000000, as
        // the effect's GetValue gives it.
        const uint32_t bits = s.set == RegisterSet::Bool
                                  ? (value != 0.0f ? 1u : 0u)
                                  : static_cast<uint32_t>(FloatToInt32(value));
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
        const bool placed = s.set == RegisterSet::Float && s.start >= 0;
        const int start = placed ? s.start : 0;
        const int component = placed ? s.component : 0;
        m_.SetMemberDecoration(blockType_, i, spv::DecorationOffset,
                               {static_cast<uint32_t>(16 * start + 4 * component)});
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


void RegisterPass::Table(std::vector<ConstantRegisters>* table) const {
    const SpvInstruction* block = m_.Def(blockType_);
    for (size_t i = 0; i < members_.size(); ++i) {
        const MemberState& s = members_[i];
        if (s.used == 0 || s.start < 0) continue;
        ConstantRegisters r;
        r.name = m_.MemberName(blockType_, static_cast<uint32_t>(i));
        SayUserNames(&r.name);  // a global named as a glslang keyword (4_spellings)
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
            // A vector from c0.y: its values from y on.
            for (int c = 3; c >= 0 && s.component > 0; --c)
                values[static_cast<size_t>(c)] = c >= s.component ? values[static_cast<size_t>(c - s.component)] : 0.0f;
            r.mask = s.mask;
            r.values = std::move(values);
        }
        table->push_back(std::move(r));
    }
}

}  // namespace fx
