// Stage 6: integers held as floats, as shader models 2 and 3 hold them (see
// 6_spirv_module.h).
//
// Every type with an int or uint in it gets a float twin, declared right
// after it; every constant of such a type gets a twin of the same value
// (a uint keeps its unsigned value: 3000000000u stays 3e9). The code then
// works on the twins: integer arithmetic becomes float arithmetic, division
// and casts to int truncate, % is the truncated remainder, and conversions
// between int, uint and float go away. The original integer types and
// constants stay for what must be an integer: array lengths, indices into
// composites and pointers, switch selectors, images, and variables of the
// interface and the uniform block, which are converted where they are read
// or written. An instruction the pass does not know works on integers
// converted for it, and its result is converted back.
#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <bit>
#include <iterator>
#include <map>
#include <unordered_map>
#include <vector>

#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/6_spirv/6_ints_as_floats.h"

namespace fx {
namespace {

// Types that SPIR-V allows only once for the same operands.
bool IsUniqueType(uint32_t op) {
    return IsTypeOp(op) && op != spv::OpTypeStruct && op != spv::OpTypeArray &&
           op != spv::OpTypeRuntimeArray && op != spv::OpTypeForwardPointer &&
           op != spv::OpTypeOpaque;
}

bool IsDebugOrAnnotation(uint32_t op) {
    return op == spv::OpName || op == spv::OpMemberName || op == spv::OpDecorate ||
           op == spv::OpMemberDecorate || op == spv::OpDecorateString ||
           op == spv::OpMemberDecorateString;
}

// Integer arithmetic and comparisons -> their float forms; 0 for others.
uint32_t FloatForm(uint32_t op) {
    switch (op) {
        case spv::OpIAdd: return spv::OpFAdd;
        case spv::OpISub: return spv::OpFSub;
        case spv::OpIMul: return spv::OpFMul;
        case spv::OpSNegate: return spv::OpFNegate;
        case spv::OpSRem:
        case spv::OpSMod:
        case spv::OpUMod: return spv::OpFRem;  // truncated: the sign of the dividend
        case spv::OpIEqual: return spv::OpFOrdEqual;
        case spv::OpINotEqual: return spv::OpFUnordNotEqual;
        case spv::OpSGreaterThan:
        case spv::OpUGreaterThan: return spv::OpFOrdGreaterThan;
        case spv::OpSGreaterThanEqual:
        case spv::OpUGreaterThanEqual: return spv::OpFOrdGreaterThanEqual;
        case spv::OpSLessThan:
        case spv::OpULessThan: return spv::OpFOrdLessThan;
        case spv::OpSLessThanEqual:
        case spv::OpULessThanEqual: return spv::OpFOrdLessThanEqual;
        default: return 0;
    }
}

// GLSL.std.450's integer instructions -> their float forms; 0 for others.
uint32_t FloatForm450(uint32_t instruction) {
    switch (instruction) {
        case GLSLstd450SAbs: return GLSLstd450FAbs;
        case GLSLstd450SSign: return GLSLstd450FSign;
        case GLSLstd450SMin:
        case GLSLstd450UMin: return GLSLstd450FMin;
        case GLSLstd450SMax:
        case GLSLstd450UMax: return GLSLstd450FMax;
        case GLSLstd450SClamp:
        case GLSLstd450UClamp: return GLSLstd450FClamp;
        default: return 0;
    }
}

// Instructions that only move values of any type about: their integers
// become floats by their types alone.
bool MovesValues(uint32_t op) {
    switch (op) {
        case spv::OpCopyObject:
        case spv::OpCompositeConstruct:
        case spv::OpCompositeExtract:
        case spv::OpCompositeInsert:
        case spv::OpVectorShuffle:
        case spv::OpVectorExtractDynamic:
        case spv::OpVectorInsertDynamic:
        case spv::OpSelect:
        case spv::OpPhi:
        case spv::OpUndef:
        case spv::OpFunctionCall:
        case spv::OpReturnValue:
        case spv::OpFunction:
        case spv::OpFunctionParameter:
        case spv::OpVariable:
        case spv::OpAccessChain:
        case spv::OpInBoundsAccessChain:
        case spv::OpLoad:
        case spv::OpStore:
        case spv::OpSwitch:
            return true;
        default: return false;
    }
}

class IntPass {
public:
    explicit IntPass(SpvModule& m) : m_(m) {}

    bool Run() {
        const size_t bound = m_.Bound();
        twin_.assign(bound, 0);
        original_.assign(bound, 0);
        glsl_ = GlslStd450(m_);
        size_t first = 0;
        while (first < m_.code.size() && m_.code[first].op != spv::OpFunction) ++first;
        if (!ComputesIntegers(first)) return true;

        std::vector<SpvInstruction> head, globals;
        for (size_t i = 0; i < first; ++i) {
            const SpvInstruction& in = m_.code[i];
            if (IsTypeOp(in.op) || in.Type() != 0 || in.op == spv::OpVariable) {
                Global(in, &globals);
            } else {
                head.push_back(in);
            }
        }
        std::vector<SpvInstruction> functions;
        functions.reserve(m_.code.size() - first + 16);
        for (size_t i = first; i < m_.code.size() && ok_; ++i) Code(m_.code[i], &functions);
        if (!ok_) return false;

        // Names and decorations of what went, and twins' copies of the
        // originals' (before the originals are dropped from the list).
        std::vector<SpvInstruction> code;
        code.reserve(head.size() + globals.size() + functions.size() + 8);
        for (SpvInstruction& in : head) {
            if (IsDebugOrAnnotation(in.op) && !in.words.empty() && same_.count(in.words[0]))
                continue;
            if (IsDebugOrAnnotation(in.op) && !in.words.empty() && in.words[0] < bound &&
                aggregateTwin_.count(in.words[0])) {
                code.push_back(in);
                code.back().words[0] = aggregateTwin_[in.words[0]];
            }
            code.push_back(std::move(in));
        }
        // What the code read before it went (a phi reads ahead).
        std::vector<size_t> at;
        for (SpvInstruction& in : functions) {
            in.UsedIdPositions(&at);
            for (size_t k : at) in.words[k] = Same(in.words[k]);
            if (in.Type() != 0) in.words[0] = Same(in.words[0]);
        }
        std::move(globals.begin(), globals.end(), std::back_inserter(code));
        std::move(functions.begin(), functions.end(), std::back_inserter(code));
        m_.code.swap(code);
        m_.Reindex();
        return true;
    }

private:
    // Whether an integer is a value or a variable the code works on (most
    // shaders have integers only as constant indices).
    bool ComputesIntegers(size_t first) const {
        std::vector<uint8_t> integer(m_.Bound(), 0);
        for (size_t i = 0; i < first; ++i) {
            const SpvInstruction& in = m_.code[i];
            const uint32_t id = in.Result();
            if (id == 0 || id >= integer.size()) continue;
            auto has = [&](uint32_t t) { return t < integer.size() && integer[t] != 0; };
            switch (in.op) {
                case spv::OpTypeInt: integer[id] = 1; break;
                case spv::OpTypeVector:
                case spv::OpTypeArray: integer[id] = has(in.words[1]); break;
                case spv::OpTypePointer: integer[id] = has(in.words[2]); break;
                case spv::OpTypeStruct:
                    for (size_t k = 1; k < in.words.size(); ++k) integer[id] |= has(in.words[k]);
                    break;
                case spv::OpVariable:
                    if (in.words.size() > 2 && in.words[2] == spv::StorageClassPrivate &&
                        has(in.words[0])) {
                        return true;
                    }
                    break;
                default: break;
            }
        }
        for (size_t i = first; i < m_.code.size(); ++i) {
            const uint32_t type = m_.code[i].Type();
            if (type != 0 && type < integer.size() && integer[type] != 0 &&
                m_.code[i].op != spv::OpAccessChain && m_.code[i].op != spv::OpInBoundsAccessChain) {
                return true;
            }
        }
        return false;
    }

    uint32_t Same(uint32_t id) const {
        for (auto it = same_.find(id); it != same_.end(); it = same_.find(id)) id = it->second;
        return id;
    }
    uint32_t Twin(uint32_t id) const { return id < twin_.size() && twin_[id] ? twin_[id] : id; }
    bool HasTwin(uint32_t id) const { return id < twin_.size() && twin_[id] != 0; }
    uint32_t Original(uint32_t id) const { return id < original_.size() ? original_[id] : 0; }
    // A value, constant or variable the pass changed: an integer one.
    bool IsInt(uint32_t id) const { return HasTwin(Original(id)); }

    // A unique type equal to (op, words), declared into *out when new.
    uint32_t UniqueType(uint32_t op, std::vector<uint32_t> words, std::vector<SpvInstruction>* out) {
        std::vector<uint32_t> key{op};
        key.insert(key.end(), words.begin(), words.end());
        auto found = types_.find(key);
        if (found != types_.end()) return found->second;
        const uint32_t id = m_.NewId();
        words.insert(words.begin(), id);
        out->push_back({op, std::move(words)});
        types_[key] = id;
        return id;
    }

    // The operands of a type, constant or global variable that are ids.
    static void GlobalIdPositions(const SpvInstruction& in, std::vector<size_t>* at) {
        at->clear();
        size_t from = in.words.size(), to = in.words.size();
        switch (in.op) {
            case spv::OpTypeVector:
            case spv::OpTypeMatrix:
            case spv::OpTypeImage:
            case spv::OpTypeSampledImage:
            case spv::OpTypeRuntimeArray: from = 1, to = 2; break;
            case spv::OpTypeArray:
            case spv::OpTypeStruct:
            case spv::OpTypeFunction: from = 1; break;
            case spv::OpTypePointer: from = 2; break;
            case spv::OpConstantComposite:
            case spv::OpSpecConstantComposite: from = 2; break;
            case spv::OpVariable: from = 3; break;
            default: break;
        }
        if (in.Type() != 0) at->push_back(0);
        for (size_t k = from; k < to && k < in.words.size(); ++k) at->push_back(k);
    }

    // A type, constant or global variable, with its twin after it.
    void Global(SpvInstruction in, std::vector<SpvInstruction>* out) {
        std::vector<size_t> at;
        GlobalIdPositions(in, &at);
        for (size_t k : at) in.words[k] = Same(in.words[k]);
        const uint32_t id = in.Result();
        if (IsUniqueType(in.op)) {
            std::vector<uint32_t> key{in.op};
            key.insert(key.end(), in.words.begin() + 1, in.words.end());
            auto found = types_.find(key);
            if (found != types_.end()) {
                same_[id] = found->second;
                return;
            }
            types_[key] = id;
        }
        out->push_back(in);
        if (IsTypeOp(in.op)) {
            TwinType(in, out);
            return;
        }
        const uint32_t type = in.words[0];
        original_[id] = type;
        if (!HasTwin(type)) return;
        if (in.op == spv::OpVariable) {
            out->back().words[0] = Twin(type);
            if (in.words.size() > 3) out->back().words[3] = Twin(in.words[3]);
            return;
        }
        SpvInstruction copy = in;
        copy.words[0] = Twin(type);
        copy.words[1] = m_.NewId();
        switch (in.op) {
            case spv::OpConstant: {
                const SpvInstruction* scalar = m_.Def(type);
                const bool isSigned = scalar != nullptr && scalar->words.size() > 2 && scalar->words[2];
                const float value = isSigned ? static_cast<float>(static_cast<int32_t>(in.words[2]))
                                             : static_cast<float>(in.words[2]);
                copy.words[2] = std::bit_cast<uint32_t>(value);
                break;
            }
            case spv::OpConstantComposite:
                for (size_t k = 2; k < copy.words.size(); ++k) copy.words[k] = Twin(copy.words[k]);
                break;
            case spv::OpConstantNull:
            case spv::OpUndef: break;
            default: ok_ = false; return;  // specialisation constants
        }
        twin_[id] = copy.words[1];
        out->push_back(std::move(copy));
    }

    void TwinType(const SpvInstruction& in, std::vector<SpvInstruction>* out) {
        const uint32_t id = in.words[0];
        uint32_t made = 0;
        switch (in.op) {
            case spv::OpTypeInt:
                if (in.words.size() < 3 || in.words[1] != 32) ok_ = false;
                made = UniqueType(spv::OpTypeFloat, {32}, out);
                break;
            case spv::OpTypeVector:
                if (HasTwin(in.words[1])) made = UniqueType(spv::OpTypeVector, {Twin(in.words[1]), in.words[2]}, out);
                break;
            case spv::OpTypeMatrix:
            case spv::OpTypeRuntimeArray:
                if (HasTwin(in.words[1])) ok_ = false;
                break;
            case spv::OpTypeArray:
            case spv::OpTypeStruct: {
                std::vector<uint32_t> words(in.words.begin() + 1, in.words.end());
                bool changed = false;
                const size_t members = in.op == spv::OpTypeArray ? 1 : words.size();
                for (size_t k = 0; k < members; ++k) {
                    changed |= HasTwin(words[k]);
                    words[k] = Twin(words[k]);
                }
                if (!changed) break;
                made = m_.NewId();
                words.insert(words.begin(), made);
                out->push_back({in.op, std::move(words)});
                aggregateTwin_[id] = made;
                break;
            }
            case spv::OpTypePointer:
                if (HasTwin(in.words[2]) && (in.words[1] == spv::StorageClassFunction ||
                                             in.words[1] == spv::StorageClassPrivate)) {
                    made = UniqueType(spv::OpTypePointer, {in.words[1], Twin(in.words[2])}, out);
                }
                break;
            case spv::OpTypeFunction: {
                std::vector<uint32_t> words(in.words.begin() + 1, in.words.end());
                bool changed = false;
                for (uint32_t& w : words) {
                    changed |= HasTwin(w);
                    w = Twin(w);
                }
                if (changed) made = UniqueType(spv::OpTypeFunction, std::move(words), out);
                break;
            }
            default: break;
        }
        if (made != 0) twin_[id] = made;
    }

    // The integer (original type) of a float-held value, for an instruction
    // that must have one.
    uint32_t ToInt(uint32_t value, std::vector<SpvInstruction>* out) {
        value = Same(value);
        if (!IsInt(value) || HasTwin(value)) return value;  // an integer constant as it is
        const uint32_t type = Original(value);
        const uint32_t converted = m_.NewId();
        out->push_back({Signed(type) ? spv::OpConvertFToS : spv::OpConvertFToU,
                        {type, converted, value}});
        return converted;
    }

    bool Signed(uint32_t type) const {
        const SpvInstruction* t = m_.Def(type);
        if (t != nullptr && t->op == spv::OpTypeVector) t = m_.Def(t->words[1]);
        return t == nullptr || t->op != spv::OpTypeInt || t->words.size() < 3 || t->words[2] != 0;
    }

    bool IsScalarOrVector(uint32_t type) const {
        const SpvInstruction* t = m_.Def(type);
        return t != nullptr && (t->op == spv::OpTypeInt || t->op == spv::OpTypeVector);
    }

    // The float-held value of a pointer's pointee (the pointer's type has no
    // twin: an interface or uniform variable).
    bool PointerOfTwin(uint32_t pointer) const {
        pointer = Same(pointer);
        return HasTwin(Original(pointer));
    }

    // What Code knows of the instruction it is rewriting.
    struct Coded {
        uint32_t type = 0;
        uint32_t id = 0;
        bool intResult = false;  // the result is an integer, now held as a float
    };

    void Code(SpvInstruction in, std::vector<SpvInstruction>* out) {
        in.UsedIdPositions(&at_);
        // Whether an operand is an integer is asked before it is resolved: a
        // converted int reads as the float it was converted to.
        ints_.clear();
        for (size_t k : at_) {
            if (IsInt(in.words[k])) ints_.push_back(k);
            in.words[k] = Same(in.words[k]);
        }
        const Coded c{in.Type(), in.Result(), in.Type() != 0 && HasTwin(in.Type())};
        if (c.id != 0 && c.id < original_.size()) original_[c.id] = c.type;
        if (in.op == spv::OpFunction && in.words.size() > 3) in.words[3] = Twin(in.words[3]);
        if (!c.intResult && ints_.empty()) {
            out->push_back(std::move(in));
            return;
        }
        const size_t firstOperand = c.type != 0 ? 2 : (c.id != 0 ? 1 : 0);
        if (const uint32_t op = FloatForm(in.op)) {
            in.op = op;
            OperandsAsFloats(in, firstOperand);
            if (c.intResult) in.words[0] = Twin(c.type);
            out->push_back(std::move(in));
            return;
        }
        if (CodeArithmetic(in, c, out) || CodeAccess(in, c, out)) return;
        CodeOnInts(std::move(in), c, out);
    }

    bool WasInt(size_t k) const { return std::find(ints_.begin(), ints_.end(), k) != ints_.end(); }

    void OperandsAsFloats(SpvInstruction& in, size_t from) {
        for (size_t k : at_) {
            if (k >= from) in.words[k] = Twin(in.words[k]);
        }
    }

    // Divisions, conversions and the GLSL.std.450 functions with a float
    // form; false for what Code must still handle.
    bool CodeArithmetic(SpvInstruction& in, const Coded& c, std::vector<SpvInstruction>* out) {
        switch (in.op) {
            case spv::OpSDiv:
            case spv::OpUDiv: {
                const uint32_t quotient = m_.NewId();
                out->push_back({spv::OpFDiv, {Twin(c.type), quotient, Twin(in.words[2]), Twin(in.words[3])}});
                out->push_back({spv::OpExtInst, {Twin(c.type), c.id, glsl_, GLSLstd450Trunc, quotient}});
                if (glsl_ == 0) ok_ = false;
                return true;
            }
            case spv::OpConvertFToS:
            case spv::OpConvertFToU:
                out->push_back({spv::OpExtInst, {Twin(c.type), c.id, glsl_, GLSLstd450Trunc, in.words[2]}});
                if (glsl_ == 0) ok_ = false;
                return true;
            case spv::OpBitcast:
                if (c.intResult != WasInt(2)) {
                    ok_ = false;  // a float's bits read as an integer, or back
                    return true;
                }
                same_[c.id] = in.words[2];  // a constant stays one for indices
                return true;
            case spv::OpConvertSToF:
            case spv::OpConvertUToF:
                if (m_.Def(c.type) && m_.Def(c.type)->op == spv::OpTypeFloat &&
                    m_.Def(c.type)->words[1] != 32) {
                    ok_ = false;
                    return true;
                }
                same_[c.id] = Twin(in.words[2]);
                return true;
            case spv::OpExtInst:
                if (in.words[2] == glsl_ && FloatForm450(in.words[3]) != 0) {
                    in.words[3] = FloatForm450(in.words[3]);
                    OperandsAsFloats(in, 4);
                    if (c.intResult) in.words[0] = Twin(c.type);
                    out->push_back(std::move(in));
                    return true;
                }
                return false;
            default: return false;
        }
    }

    // Loads, stores, indexing, switches and the instructions that only move
    // values; false for what Code must still handle.
    bool CodeAccess(SpvInstruction& in, const Coded& c, std::vector<SpvInstruction>* out) {
        switch (in.op) {
            case spv::OpLoad:
                if (!PointerOfTwin(in.words[2])) return false;
                in.words[0] = Twin(c.type);
                break;
            case spv::OpStore:
                if (!PointerOfTwin(in.words[0])) {
                    if (WasInt(1) && !IsScalarOrVector(Original(in.words[1]))) {
                        ok_ = false;
                        return true;
                    }
                    in.words[1] = ToInt(in.words[1], out);
                } else {
                    in.words[1] = Twin(in.words[1]);
                }
                break;
            case spv::OpAccessChain:
            case spv::OpInBoundsAccessChain:
                for (size_t k = 3; k < in.words.size(); ++k) in.words[k] = ToInt(in.words[k], out);
                if (c.intResult) in.words[0] = Twin(c.type);
                break;
            case spv::OpVectorExtractDynamic:
                in.words[3] = ToInt(in.words[3], out);
                in.words[2] = Twin(in.words[2]);
                if (c.intResult) in.words[0] = Twin(c.type);
                break;
            case spv::OpVectorInsertDynamic:
                in.words[4] = ToInt(in.words[4], out);
                in.words[2] = Twin(in.words[2]);
                in.words[3] = Twin(in.words[3]);
                if (c.intResult) in.words[0] = Twin(c.type);
                break;
            case spv::OpSwitch: {
                // The conversion goes before the merge, which must stay next
                // to the switch.
                std::vector<SpvInstruction> merge;
                if (!out->empty() && out->back().op == spv::OpSelectionMerge) {
                    merge.push_back(std::move(out->back()));
                    out->pop_back();
                }
                in.words[0] = ToInt(in.words[0], out);
                out->insert(out->end(), merge.begin(), merge.end());
                break;
            }
            default:
                if (!MovesValues(in.op)) return false;
                OperandsAsFloats(in, 0);
                if (c.intResult) in.words[0] = Twin(c.type);
                break;
        }
        out->push_back(std::move(in));
        return true;
    }

    // Anything else works on integers: its operands converted for it, its
    // result converted back.
    void CodeOnInts(SpvInstruction in, const Coded& c, std::vector<SpvInstruction>* out) {
        for (size_t k : ints_) {
            if (!IsScalarOrVector(Original(in.words[k]))) {
                ok_ = false;
                return;
            }
            in.words[k] = ToInt(in.words[k], out);
        }
        if (!c.intResult) {
            out->push_back(std::move(in));
            return;
        }
        if (!IsScalarOrVector(c.type)) {
            ok_ = false;
            return;
        }
        const uint32_t raw = m_.NewId();
        in.words[1] = raw;
        out->push_back(std::move(in));
        out->push_back({Signed(c.type) ? spv::OpConvertSToF : spv::OpConvertUToF, {Twin(c.type), c.id, raw}});
    }

    SpvModule& m_;
    std::vector<uint32_t> twin_;      // by id: the float twin of an integer type or constant
    std::vector<uint32_t> original_;  // by id: the type a value, constant or variable had
    std::unordered_map<uint32_t, uint32_t> same_;           // id dropped -> id for it
    std::unordered_map<uint32_t, uint32_t> aggregateTwin_;  // arrays and structs
    std::map<std::vector<uint32_t>, uint32_t> types_;       // unique types by operands
    uint32_t glsl_ = 0;
    bool ok_ = true;
    std::vector<size_t> at_, ints_;  // Code's, kept from one call to the next
};

}  // namespace

// The pass builds the new code aside and swaps it in only when it is
// whole: a module it gives up on keeps its code (only its id bound grew).
bool IntsAsFloats(SpvModule& module) { return IntPass(module).Run(); }

}  // namespace fx
