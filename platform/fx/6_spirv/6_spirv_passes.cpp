// Stage 6: small passes over glslang's SPIR-V (see 6_spirv_module.h).
#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/6_spirv/6_spirv_passes.h"

namespace fx {

void FixArithmetic(SpvModule& module) {
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        switch (in.op) {
            case spv::OpFMod: in.op = spv::OpFRem; break;
            case spv::OpSMod: in.op = spv::OpSRem; break;
            default: break;
        }
        module.code.push_back(std::move(in));
    }
    module.Reindex();
}

namespace {

// The conversion that undoes op (an inout argument's value converted for
// the call goes back through it); 0 for what is not a conversion.
uint32_t ReverseConversion(uint32_t op) {
    switch (op) {
        case spv::OpConvertFToS: return spv::OpConvertSToF;
        case spv::OpConvertSToF: return spv::OpConvertFToS;
        case spv::OpConvertFToU: return spv::OpConvertUToF;
        case spv::OpConvertUToF: return spv::OpConvertFToU;
        case spv::OpBitcast: return spv::OpBitcast;
        default: return 0;
    }
}

// Instructions that work component by component, which glslang also gives
// matrices (SPIR-V takes only scalars and vectors there).
bool ComponentWiseOnMatrices(uint32_t op) {
    return op == spv::OpFRem || op == spv::OpFMod || op == spv::OpLogicalNot ||
           op == spv::OpLogicalAnd || op == spv::OpLogicalOr || op == spv::OpIsNan ||
           op == spv::OpIsInf || (op >= spv::OpFOrdEqual && op <= spv::OpFUnordGreaterThanEqual) ||
           (op >= spv::OpDPdx && op <= spv::OpFwidthCoarse);
}

}  // namespace

namespace {

// The rewrites of FixIntrinsics, made in one walk over the code (the ids
// they make come in the order of the code): atan2's zero, intrinsics and
// component-wise operations of matrices column by column, any / all of
// their columns, inout arguments converted back.
struct IntrinsicFix {
    SpvModule& module;
    uint32_t glsl = 0;  // the id of GLSL.std.450
    // atan2's y is compared with a zero of its type, declared up front: a
    // type (float or vector) -> (its bool type, its zero).
    std::vector<std::pair<uint32_t, std::pair<uint32_t, uint32_t>>> zeros;
    uint32_t boolType = 0;
    // Matrix results split into columns: id -> the columns' ids. A matrix of
    // bools (which GLSL does not have) is never put together again.
    std::unordered_map<uint32_t, std::vector<uint32_t>> split;
    std::vector<SpvInstruction> out;

    bool IsExt(const SpvInstruction& in) const {
        return in.op == spv::OpExtInst && in.words.size() > 4 && in.words[2] == glsl;
    }

    // A stored-to value that is no variable: glslang's store of an inout
    // argument into the value it converted for the call.
    bool StoresIntoValue(const SpvInstruction& in) const {
        if (in.op != spv::OpStore || in.words.size() < 2) return false;
        const SpvInstruction* target = module.Def(in.words[0]);
        const SpvInstruction* type = target != nullptr ? module.Def(target->Type()) : nullptr;
        return target != nullptr && (type == nullptr || type->op != spv::OpTypePointer);
    }

    // Declares the zeros atan2 needs; false when the module has nothing to fix.
    bool Prepare() {
        bool any = false;
        for (const SpvInstruction& in : module.code) {
            const bool ext = IsExt(in);
            if ((ext || ComponentWiseOnMatrices(in.op)) && module.IsMatrix(in.words[0])) any = true;
            if (StoresIntoValue(in)) any = true;
            if (!ext || in.words.size() != 6 || in.words[3] != GLSLstd450Atan2) continue;
            any = true;
            const uint32_t type = in.words[0];
            bool known = false;
            for (const auto& z : zeros) known |= z.first == type;
            const SpvInstruction* t = module.Def(type);
            if (known || t == nullptr || t->op == spv::OpTypeMatrix) continue;
            uint32_t boolOf = module.DeclareType(spv::OpTypeBool, {});
            if (t->op == spv::OpTypeVector) {
                const uint32_t n = t->words[2];
                boolOf = module.DeclareType(spv::OpTypeVector, {boolOf, n});
            }
            zeros.push_back({type, {boolOf, module.DeclareConstant(spv::OpConstantNull, type, {})}});
        }
        return any;
    }

    // atan2(-0, x) is atan2(+0, x): y == 0 ? +0 : y.
    void Atan2Zero(SpvInstruction& in) {
        for (const auto& [type, z] : zeros) {
            if (type != in.words[0]) continue;
            const uint32_t isZero = module.NewId(), y = module.NewId();
            out.push_back({spv::OpFOrdEqual, {z.first, isZero, in.words[4], z.second}});
            out.push_back({spv::OpSelect, {type, y, isZero, z.second, in.words[4]}});
            in.words[4] = y;
        }
    }

    // Operand i of a matrix operation for column c: a split matrix's column,
    // a matrix's column extracted, a scalar spread to a column's size.
    uint32_t ColumnOperand(const SpvInstruction& in, size_t i, uint32_t c, uint32_t operandColumn,
                           std::vector<uint32_t>* spread) {
        const SpvInstruction* arg = module.Def(in.words[i]);
        const uint32_t argType = arg != nullptr ? arg->Type() : 0;
        const SpvInstruction* t = module.Def(argType);
        uint32_t operand = in.words[i];
        auto done = split.find(operand);
        if (done != split.end() && c < done->second.size()) return done->second[c];
        if (t != nullptr && t->op == spv::OpTypeMatrix) {
            operand = module.NewId();
            out.push_back({spv::OpCompositeExtract, {t->words[1], operand, in.words[i], c}});
            return operand;
        }
        const SpvInstruction* column = operandColumn != 0 ? module.Def(operandColumn) : nullptr;
        if (t != nullptr && t->op == spv::OpTypeVector && column != nullptr &&
            t->words[2] != column->words[2]) {
            // glslang's bounds of saturate for a matrix of another number of
            // rows than columns: a vector as long as a row, of one value.
            const uint32_t first = module.NewId();
            out.push_back({spv::OpCompositeExtract, {t->words[1], first, operand, 0}});
            operand = first;
            t = module.Def(t->words[1]);
        }
        if (t != nullptr && t->op != spv::OpTypeVector && operandColumn != 0) {
            // A scalar beside a matrix: as many of it as a column has.
            if ((*spread)[i] == 0) {
                (*spread)[i] = module.NewId();
                const uint32_t n = module.Def(operandColumn)->words[2];
                std::vector<uint32_t> w{operandColumn, (*spread)[i]};
                for (uint32_t k = 0; k < n; ++k) w.push_back(operand);
                out.push_back({spv::OpCompositeConstruct, std::move(w)});
            }
            operand = (*spread)[i];
        }
        return operand;
    }

    // An intrinsic or component-wise operation of matrices, column by column.
    void ByColumns(const SpvInstruction& in, bool ext) {
        const SpvInstruction* matrix = module.Def(in.words[0]);
        const uint32_t columnType = matrix->words[1], columns = matrix->words[2];
        const size_t first = ext ? 4 : 2;
        // The column type of the first matrix operand (of the result for a
        // select): what a scalar operand is spread to.
        uint32_t operandColumn = columnType;
        for (size_t i = first; i < in.words.size() && in.op != spv::OpSelect; ++i) {
            const SpvInstruction* arg = module.Def(in.words[i]);
            const SpvInstruction* t = arg != nullptr ? module.Def(arg->Type()) : nullptr;
            if (t != nullptr && t->op == spv::OpTypeMatrix) {
                operandColumn = t->words[1];
                break;
            }
        }
        std::vector<uint32_t> parts{in.words[0], in.words[1]};
        std::vector<uint32_t> spread(in.words.size(), 0);
        for (uint32_t c = 0; c < columns; ++c) {
            std::vector<uint32_t> words(in.words.begin(), in.words.begin() + static_cast<std::ptrdiff_t>(first));
            words[0] = columnType;
            words[1] = module.NewId();
            for (size_t i = first; i < in.words.size(); ++i)
                words.push_back(ColumnOperand(in, i, c, operandColumn, &spread));
            parts.push_back(words[1]);
            out.push_back({in.op, std::move(words)});
        }
        split[in.words[1]].assign(parts.begin() + 2, parts.end());
        const SpvInstruction* column = module.Def(columnType);
        const bool bools = column != nullptr && module.Def(column->words[1]) != nullptr &&
                           module.Def(column->words[1])->op == spv::OpTypeBool;
        if (!bools) out.push_back({spv::OpCompositeConstruct, std::move(parts)});
    }

    // any / all of a matrix: of each column, then of those.
    void AnyAllOfColumns(const SpvInstruction& in) {
        const std::vector<uint32_t>& columns = split[in.words[2]];
        uint32_t result = 0;
        for (size_t c = 0; c < columns.size(); ++c) {
            const uint32_t one = module.NewId();
            out.push_back({in.op, {boolType, one, columns[c]}});
            if (c == 0) {
                result = one;
                continue;
            }
            const uint32_t both = c + 1 == columns.size() ? in.words[1] : module.NewId();
            out.push_back({in.op == spv::OpAny ? spv::OpLogicalOr : spv::OpLogicalAnd,
                           {boolType, both, result, one}});
            result = both;
        }
        if (columns.size() == 1) out.push_back({spv::OpCopyObject, {boolType, in.words[1], result}});
    }

    // glslang stores an inout argument back into the value it converted for
    // the call: convert it back into the variable read. A value that came
    // from no variable has nowhere to go.
    void ConvertBack(const SpvInstruction& in) {
        const SpvInstruction* target = module.Def(in.words[0]);
        const uint32_t reverse = ReverseConversion(target->op);
        const SpvInstruction* load =
            reverse != 0 && target->words.size() > 2 ? module.Def(target->words[2]) : nullptr;
        if (load != nullptr && load->op == spv::OpLoad) {
            const uint32_t value = module.NewId();
            out.push_back({reverse, {load->words[0], value, in.words[1]}});
            out.push_back({spv::OpStore, {load->words[2], value}});
        }
    }

    void Rewrite() {
        boolType = module.DeclareType(spv::OpTypeBool, {});
        out.reserve(module.code.size());
        for (const SpvInstruction& original : module.code) {
            SpvInstruction in = original;
            const bool ext = IsExt(in);
            if (ext && in.words[3] == GLSLstd450Atan2 && in.words.size() == 6 &&
                !module.IsMatrix(in.words[0])) {
                Atan2Zero(in);
            } else if ((ext || ComponentWiseOnMatrices(in.op) ||
                        (in.op == spv::OpSelect && split.count(in.words[2]) != 0)) &&
                       module.IsMatrix(in.words[0])) {
                ByColumns(in, ext);
                continue;
            } else if ((in.op == spv::OpAny || in.op == spv::OpAll) && in.words.size() == 3 &&
                       split.count(in.words[2]) != 0) {
                AnyAllOfColumns(in);
                continue;
            } else if (StoresIntoValue(in)) {
                ConvertBack(in);
                continue;
            }
            out.push_back(std::move(in));
        }
        module.code = std::move(out);
        module.Reindex();
    }
};

// Matrices of bools no longer made are not declared either (SPIR-V has none).
void DropBoolMatrices(SpvModule& module) {
    std::vector<uint32_t> unused;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpTypeMatrix || in.words.size() < 3) continue;
        const SpvInstruction* column = module.Def(in.words[1]);
        const SpvInstruction* scalar = column != nullptr ? module.Def(column->words[1]) : nullptr;
        if (scalar != nullptr && scalar->op == spv::OpTypeBool) unused.push_back(in.words[0]);
    }
    if (unused.empty()) return;
    std::vector<uint32_t> ids;
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpTypeMatrix) continue;
        in.UsedIds(&ids);
        ids.push_back(in.Type());
        for (uint32_t id : ids) unused.erase(std::remove(unused.begin(), unused.end(), id), unused.end());
    }
    module.code.erase(std::remove_if(module.code.begin(), module.code.end(),
                                     [&](const SpvInstruction& in) {
                                         return in.op == spv::OpTypeMatrix &&
                                                std::find(unused.begin(), unused.end(),
                                                          in.words[0]) != unused.end();
                                     }),
                      module.code.end());
    module.Reindex();
}

// round(x) is floor(x + 0.5), as shader models 2 and 3 compute it (and as
// glslang folds it of constants): 2.5 gives 3 and -2.5 gives -2, where
// GLSL's round may go to the even neighbour.
void RoundHalfUp(SpvModule& module, uint32_t glsl) {
    auto isRound = [&](const SpvInstruction& in) {
        return in.op == spv::OpExtInst && in.words.size() == 5 && in.words[2] == glsl &&
               (in.words[3] == GLSLstd450Round || in.words[3] == GLSLstd450RoundEven);
    };
    // The halves first (declaring one moves the code).
    std::unordered_map<uint32_t, uint32_t> halves;  // type -> its 0.5
    for (size_t i = 0; i < module.code.size(); ++i)
        if (isRound(module.code[i])) halves[module.code[i].words[0]] = 0;
    if (halves.empty()) return;
    constexpr uint32_t kHalf = 0x3f000000u;
    for (auto& [type, half] : halves) {
        const SpvInstruction* t = module.Def(type);
        if (t != nullptr && t->op == spv::OpTypeVector) {
            const uint32_t n = t->words[2];
            const uint32_t scalar = module.DeclareConstant(spv::OpConstant, t->words[1], {kHalf});
            half = module.DeclareConstant(spv::OpConstantComposite, type, std::vector<uint32_t>(n, scalar));
        } else {
            half = module.DeclareConstant(spv::OpConstant, type, {kHalf});
        }
    }
    std::vector<SpvInstruction> out;
    out.reserve(module.code.size());
    for (SpvInstruction& in : module.code) {
        if (isRound(in)) {
            const uint32_t sum = module.NewId();
            out.push_back({spv::OpFAdd, {in.words[0], sum, in.words[4], halves[in.words[0]]}});
            in.words[3] = GLSLstd450Floor;
            in.words[4] = sum;
        }
        out.push_back(std::move(in));
    }
    module.code = std::move(out);
    module.Reindex();
}

// pow, log, log2, sqrt and rsqrt read |x|, as the instructions of shader
// models 2 and 3 that compute them (pow, log, rsq) do: pow(-2, 3) is 8 and
// sqrt(-4) is 2, where GLSL gives NaN (log10 reaches log2).
void AbsoluteArguments(SpvModule& module, uint32_t glsl) {
    auto takesAbsolute = [&](const SpvInstruction& in) {
        if (in.op != spv::OpExtInst || in.words.size() < 5 || in.words[2] != glsl) return false;
        const uint32_t f = in.words[3];
        return f == GLSLstd450Pow || f == GLSLstd450Log || f == GLSLstd450Log2 ||
               f == GLSLstd450Sqrt || f == GLSLstd450InverseSqrt;
    };
    if (std::none_of(module.code.begin(), module.code.end(), takesAbsolute)) return;
    std::vector<SpvInstruction> out;
    out.reserve(module.code.size());
    for (SpvInstruction& in : module.code) {
        if (takesAbsolute(in)) {
            const uint32_t absolute = module.NewId();
            out.push_back({spv::OpExtInst, {in.words[0], absolute, glsl, GLSLstd450FAbs, in.words[4]}});
            in.words[4] = absolute;
        }
        out.push_back(std::move(in));
    }
    module.code = std::move(out);
    module.Reindex();
}

// pow(0, y) of a negative y is +inf, as Direct3D 9 computes pow (log2 of 0
// is -inf, times y, into exp2) and documents it; GLSL leaves pow of 0 by
// y <= 0 to the driver, and some give 0. After AbsoluteArguments: the base
// tested is |x|.
void PowOfZeroByNegative(SpvModule& module, uint32_t glsl) {
    auto isPow = [&](const SpvInstruction& in) {
        return in.op == spv::OpExtInst && in.words.size() == 6 && in.words[2] == glsl &&
               in.words[3] == GLSLstd450Pow;
    };
    struct Bounds {
        uint32_t zero = 0, infinity = 0, condition = 0;  // the condition's bool type
    };
    std::unordered_map<uint32_t, Bounds> byType;
    for (const SpvInstruction& in : module.code)
        if (isPow(in)) byType[in.words[0]] = {};
    if (byType.empty()) return;
    constexpr uint32_t kInfinity = 0x7f800000u;
    const uint32_t boolType = module.DeclareType(spv::OpTypeBool, {});
    for (auto& [type, b] : byType) {
        const SpvInstruction* t = module.Def(type);
        if (t != nullptr && t->op == spv::OpTypeVector) {
            const uint32_t n = t->words[2], scalar = t->words[1];
            const uint32_t zero = module.DeclareConstant(spv::OpConstant, scalar, {0});
            const uint32_t infinity = module.DeclareConstant(spv::OpConstant, scalar, {kInfinity});
            b.zero = module.DeclareConstant(spv::OpConstantComposite, type, std::vector<uint32_t>(n, zero));
            b.infinity =
                module.DeclareConstant(spv::OpConstantComposite, type, std::vector<uint32_t>(n, infinity));
            b.condition = module.DeclareType(spv::OpTypeVector, {boolType, n});
        } else {
            b.zero = module.DeclareConstant(spv::OpConstant, type, {0});
            b.infinity = module.DeclareConstant(spv::OpConstant, type, {kInfinity});
            b.condition = boolType;
        }
    }
    std::vector<SpvInstruction> out;
    out.reserve(module.code.size());
    for (SpvInstruction& in : module.code) {
        if (!isPow(in)) {
            out.push_back(std::move(in));
            continue;
        }
        const Bounds& b = byType[in.words[0]];
        const uint32_t type = in.words[0], result = in.words[1], base = in.words[4],
                       exponent = in.words[5];
        const uint32_t power = module.NewId(), zeroBase = module.NewId(), negative = module.NewId(),
                       both = module.NewId();
        in.words[1] = power;
        out.push_back(std::move(in));
        out.push_back({spv::OpFOrdEqual, {b.condition, zeroBase, base, b.zero}});
        out.push_back({spv::OpFOrdLessThan, {b.condition, negative, exponent, b.zero}});
        out.push_back({spv::OpLogicalAnd, {b.condition, both, zeroBase, negative}});
        out.push_back({spv::OpSelect, {type, result, both, b.infinity, power}});
    }
    module.code = std::move(out);
    module.Reindex();
}

}  // namespace

void FixIntrinsics(SpvModule& module) {
    IntrinsicFix fix{module, GlslStd450(module), {}, 0, {}, {}};
    if (fix.Prepare()) {
        fix.Rewrite();
        DropBoolMatrices(module);
    }
    // After the matrices are split: their columns are rounded too.
    if (fix.glsl != 0) {
        RoundHalfUp(module, fix.glsl);
        AbsoluteArguments(module, fix.glsl);
        PowOfZeroByNegative(module, fix.glsl);
    }
}

namespace {

// A conversion of a zero is a zero (an int zero added to a float).
bool IsZeroConversion(uint32_t op) {
    return op == spv::OpConvertSToF || op == spv::OpConvertUToF || op == spv::OpBitcast;
}

// Takes out the additions of the zero in `variable`.
void DropZero(SpvModule& module, uint32_t variable) {
    // The zero as loaded and spread into vectors (id -> times read), and the
    // sums with it: x + zero is x.
    std::unordered_map<uint32_t, int> zeros;
    std::unordered_map<uint32_t, uint32_t> same;
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpLoad && in.words.size() > 2 && in.words[2] == variable) {
            zeros[in.words[1]] = 0;
        } else if ((in.op == spv::OpCompositeConstruct || IsZeroConversion(in.op)) &&
                   in.words.size() > 2 &&
                   std::all_of(in.words.begin() + 2, in.words.end(),
                               [&](uint32_t id) { return zeros.count(id) != 0; })) {
            zeros[in.words[1]] = 0;
        } else if ((in.op == spv::OpFAdd || in.op == spv::OpIAdd) && in.words.size() == 4) {
            if (zeros.count(in.words[3]) != 0) same[in.words[1]] = in.words[2];
            else if (zeros.count(in.words[2]) != 0) same[in.words[1]] = in.words[3];
        }
    }
    // The sums' readers read x; what else reads a zero keeps it.
    std::vector<size_t> at;
    for (SpvInstruction& in : module.code) {
        if ((in.op == spv::OpFAdd || in.op == spv::OpIAdd) && same.count(in.Result()) != 0) continue;
        if (in.op == spv::OpStore && in.words[0] == variable) continue;
        in.UsedIdPositions(&at);
        for (size_t k : at) {
            auto it = same.find(in.words[k]);
            if (it != same.end()) in.words[k] = it->second;
            auto z = zeros.find(in.words[k]);
            if (z != zeros.end()) ++z->second;
        }
    }
    // A spread or converted zero nothing reads goes, and with it its reads
    // of the loads (they come after the loads they read: backwards).
    for (auto it = module.code.rbegin(); it != module.code.rend(); ++it) {
        if (it->op != spv::OpCompositeConstruct && !IsZeroConversion(it->op)) continue;
        auto z = zeros.find(it->words[1]);
        if (z == zeros.end() || z->second != 0) continue;
        for (size_t k = 2; k < it->words.size(); ++k) --zeros[it->words[k]];
    }
    bool loadsLeft = false;
    for (const auto& [id, reads] : zeros) loadsLeft |= reads > 0;
    module.code.erase(
        std::remove_if(module.code.begin(), module.code.end(),
                       [&](const SpvInstruction& in) {
                           const uint32_t r = in.Result();
                           if ((in.op == spv::OpFAdd || in.op == spv::OpIAdd) && same.count(r) != 0)
                               return true;
                           auto z = zeros.find(r);
                           if (r != 0 && z != zeros.end() && z->second <= 0) return true;
                           return !loadsLeft && ((in.op == spv::OpStore && in.words[0] == variable) ||
                                                 (in.op == spv::OpVariable && in.words[1] == variable) ||
                                                 (in.op == spv::OpName && in.words[0] == variable));
                       }),
        module.code.end());
    module.Reindex();
}

}  // namespace

void DropVertexDerivatives(SpvModule& module) {
    auto derivative = [](uint32_t op) { return op >= spv::OpDPdx && op <= spv::OpFwidthCoarse; };
    std::vector<uint32_t> types;
    for (SpvInstruction& in : module.code) {
        // A read's bias goes (GLSL's vertex stage has no bias form; glslang
        // gives the vertex stage's reads a level 0 beside it). The image
        // operands follow the coordinate, and the depth reference.
        const bool sample = in.op >= spv::OpImageSampleImplicitLod &&
                            in.op <= spv::OpImageSampleProjDrefExplicitLod;
        const bool dref = in.op == spv::OpImageSampleDrefImplicitLod ||
                          in.op == spv::OpImageSampleDrefExplicitLod ||
                          in.op == spv::OpImageSampleProjDrefImplicitLod ||
                          in.op == spv::OpImageSampleProjDrefExplicitLod;
        const size_t mask = dref ? 5 : 4;
        if (sample && in.words.size() > mask + 1 &&
            (in.words[mask] & spv::ImageOperandsBiasMask) != 0) {
            in.words.erase(in.words.begin() + static_cast<std::ptrdiff_t>(mask) + 1);
            in.words[mask] &= ~static_cast<uint32_t>(spv::ImageOperandsBiasMask);
            if (in.words[mask] == 0) in.words.erase(in.words.begin() + static_cast<std::ptrdiff_t>(mask));
        }
        if (derivative(in.op) && std::find(types.begin(), types.end(), in.words[0]) == types.end())
            types.push_back(in.words[0]);
    }
    if (types.empty()) return;
    std::vector<uint32_t> zeros;
    for (uint32_t type : types) zeros.push_back(module.DeclareConstant(spv::OpConstantNull, type, {}));
    for (SpvInstruction& in : module.code) {
        if (!derivative(in.op)) continue;
        const uint32_t zero = zeros[static_cast<size_t>(
            std::find(types.begin(), types.end(), in.words[0]) - types.begin())];
        in = {spv::OpCopyObject, {in.words[0], in.words[1], zero}};
    }
    module.Reindex();
}

void DropUnfoldedZero(SpvModule& module) {
    for (const char* name : {kUnfoldedZero, kUnfoldedUintZero, kUnfoldedIntZero}) {
        uint32_t variable = 0;
        for (const SpvInstruction& in : module.code) {
            if (in.op == spv::OpName && in.words.size() > 1 && module.Name(in.words[0]) == name) {
                variable = in.words[0];
                break;
            }
            if (in.op == spv::OpFunction) break;
        }
        if (variable != 0) DropZero(module, variable);
    }
}

void ZeroStatics(SpvModule& module) {
    // Each Private variable without an initializer takes a zero of its type,
    // declared before the first function: the variables move after it.
    std::vector<std::pair<size_t, uint32_t>> zeros;  // index in code, zero
    for (size_t i = 0; i < module.code.size(); ++i) {
        const SpvInstruction& in = module.code[i];
        if (in.op == spv::OpFunction) break;
        if (in.op != spv::OpVariable || in.words.size() != 3 ||
            in.words[2] != spv::StorageClassPrivate) {
            continue;
        }
        const SpvInstruction* pointer = module.Def(in.words[0]);
        if (pointer != nullptr && pointer->words.size() > 2) zeros.emplace_back(i, pointer->words[2]);
    }
    if (zeros.empty()) return;
    std::vector<SpvInstruction> moved;
    for (auto& [index, type] : zeros) {
        SpvInstruction variable = module.code[index];
        variable.words.push_back(0);
        moved.push_back(std::move(variable));
        module.code[index].op = spv::OpNop;
    }
    module.code.erase(std::remove_if(module.code.begin(), module.code.end(),
                                     [](const SpvInstruction& in) { return in.op == spv::OpNop; }),
                      module.code.end());
    module.Reindex();
    for (size_t k = 0; k < zeros.size(); ++k)
        moved[k].words[3] = module.DeclareConstant(spv::OpConstantNull, zeros[k].second, {});
    size_t at = 0;
    while (at < module.code.size() && module.code[at].op != spv::OpFunction) ++at;
    module.code.insert(module.code.begin() + static_cast<std::ptrdiff_t>(at), moved.begin(),
                       moved.end());
    module.Reindex();
}

}  // namespace fx
