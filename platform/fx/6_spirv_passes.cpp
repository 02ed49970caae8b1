// Stage 6: small passes over glslang's SPIR-V (see 6_spirv_module.h).
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "platform/fx/6_spirv_module.h"

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

}  // namespace fx

namespace fx {
namespace {

// The upper-case semantic of a UserSemantic decoration.
std::string Semantic(const SpvInstruction& in) {
    std::string s;
    for (size_t i = 2; i < in.words.size(); ++i) {
        for (int b = 0; b < 4; ++b) {
            const char c = static_cast<char>((in.words[i] >> (8 * b)) & 0xFF);
            if (c == 0) return s;
            s += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
    }
    return s;
}

bool StaysAsItIs(const std::string& semantic) {
    for (const char* kept : {"POSITION", "SV_POSITION", "PSIZE", "VPOS", "VFACE"}) {
        const std::string k = kept;
        if (semantic.compare(0, k.size(), k) == 0 &&
            semantic.find_first_not_of("0123456789", k.size()) == std::string::npos) {
            return true;
        }
    }
    return false;
}

}  // namespace

void WidenVaryings(SpvModule& module, bool vertex) {
    const uint32_t storage = vertex ? spv::StorageClassOutput : spv::StorageClassInput;
    const uint32_t floatType = module.DeclareType(spv::OpTypeFloat, {32});
    const uint32_t vec4 = module.DeclareType(spv::OpTypeVector, {floatType, 4});
    // Variables whose semantic keeps them as they are, found in one sweep.
    std::vector<uint32_t> keep;
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpDecorateString && in.words.size() > 2 &&
            in.words[1] == spv::DecorationUserSemantic && StaysAsItIs(Semantic(in))) {
            keep.push_back(in.words[0]);
        }
        if (in.op == spv::OpDecorate && in.words.size() > 1 &&
            in.words[1] == spv::DecorationBuiltIn) {
            keep.push_back(in.words[0]);
        }
    }
    // Variable -> its old value type.
    std::vector<std::pair<uint32_t, uint32_t>> widened;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 || in.words[2] != storage) continue;
        const SpvInstruction* pointer = module.Def(in.words[0]);
        const SpvInstruction* type = module.Def(pointer->words[2]);
        const bool scalar = type->op == spv::OpTypeFloat;
        const bool narrow = type->op == spv::OpTypeVector && type->words[2] < 4 &&
                            module.Def(type->words[1])->op == spv::OpTypeFloat;
        if ((!scalar && !narrow) ||
            std::find(keep.begin(), keep.end(), in.words[1]) != keep.end()) {
            continue;
        }
        widened.emplace_back(in.words[1], pointer->words[2]);
    }
    if (widened.empty()) return;
    const uint32_t pointer = module.DeclareType(spv::OpTypePointer, {storage, vec4});
    const uint32_t zero = module.DeclareConstant(spv::OpConstant, floatType, {0});
    auto oldType = [&](uint32_t variable) {
        for (const auto& [id, type] : widened) {
            if (id == variable) return type;
        }
        return 0u;
    };
    // The variables take the new pointer type, declared after them: they move
    // after it, before the first function.
    std::vector<SpvInstruction> moved, kept;
    for (SpvInstruction& in : module.code) {
        const bool variable = in.op == spv::OpVariable && oldType(in.words[1]) != 0;
        if (variable) in.words[0] = pointer;
        (variable ? moved : kept).push_back(std::move(in));
    }
    size_t at = 0;
    while (at < kept.size() && kept[at].op != spv::OpFunction) ++at;
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(at), moved.begin(), moved.end());
    module.code = std::move(kept);
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        const uint32_t target = in.op == spv::OpLoad    ? in.words[2]
                                : in.op == spv::OpStore ? in.words[0]
                                                        : 0;
        const uint32_t type = target != 0 ? oldType(target) : 0;
        if (type == 0) {
            module.code.push_back(std::move(in));
            continue;
        }
        const SpvInstruction* t = module.Def(type);
        const uint32_t n = t->op == spv::OpTypeVector ? t->words[2] : 1;
        if (in.op == spv::OpLoad) {
            // The four components, then the ones the code reads.
            const uint32_t result = in.words[1];
            const uint32_t wide = module.NewId();
            module.code.push_back({spv::OpLoad, {vec4, wide, target}});
            if (n == 1) {
                module.code.push_back({spv::OpCompositeExtract, {type, result, wide, 0}});
            } else {
                std::vector<uint32_t> words{type, result, wide, wide};
                for (uint32_t c = 0; c < n; ++c) words.push_back(c);
                module.code.push_back({spv::OpVectorShuffle, std::move(words)});
            }
        } else {
            const uint32_t value = in.words[1];
            const uint32_t wide = module.NewId();
            std::vector<uint32_t> words{vec4, wide};
            if (n == 1) {
                words.push_back(value);
            } else {
                for (uint32_t c = 0; c < n; ++c) {
                    const uint32_t part = module.NewId();
                    module.code.push_back({spv::OpCompositeExtract, {floatType, part, value, c}});
                    words.push_back(part);
                }
            }
            while (words.size() < 6) words.push_back(zero);
            module.code.push_back({spv::OpCompositeConstruct, std::move(words)});
            module.code.push_back({spv::OpStore, {target, wide}});
        }
    }
    module.Reindex();
}

}  // namespace fx

namespace fx {
namespace {

// The vector or matrix a chain into a uniform reaches first through an index
// that is not a constant: its place among the chain's indexes (words[3 + k]),
// or 0 when there is none.
size_t DynamicIndexIntoValue(const SpvModule& module, const SpvInstruction& chain,
                             uint32_t* valueType) {
    const SpvInstruction* base = module.Def(chain.words[2]);
    if (!base || base->op != spv::OpVariable || base->words.size() < 3 ||
        base->words[2] != spv::StorageClassUniform) {
        return 0;
    }
    const SpvInstruction* pointer = module.Def(base->words[0]);
    uint32_t type = pointer ? pointer->words[2] : 0;
    for (size_t k = 3; k < chain.words.size() && type != 0; ++k) {
        const SpvInstruction* t = module.Def(type);
        if (!t) return 0;
        uint32_t index = 0;
        const bool constant = module.ConstantValue(chain.words[k], &index);
        if (t->op == spv::OpTypeVector || t->op == spv::OpTypeMatrix) {
            if (constant) {
                type = t->words[1];
                continue;
            }
            *valueType = type;
            return k;
        }
        if (t->op == spv::OpTypeStruct) {
            if (!constant || index + 1 >= t->words.size()) return 0;
            type = t->words[1 + index];
        } else if (t->op == spv::OpTypeArray) {
            type = t->words[1];
        } else {
            return 0;
        }
    }
    return 0;
}

}  // namespace

// Direct3D 9 reads a vector or matrix indexed at run time (v[i], m[i]) from
// its registers as a whole; GL's flattened uniform array cannot be indexed
// within a register. The chain loads the whole value into a local copy and
// indexes that.
void CopyDynamicallyIndexedValues(SpvModule& module) {
    struct Fix {
        uint32_t result;  // the chain's result id
        size_t k;         // where its dynamic index is
        uint32_t valueType;
    };
    std::vector<Fix> fixes;
    for (const SpvInstruction& in : module.code) {
        if (!IsChainOp(in.op) || in.words.size() < 4) continue;
        uint32_t valueType = 0;
        if (size_t k = DynamicIndexIntoValue(module, in, &valueType))
            fixes.push_back({in.words[1], k, valueType});
    }
    if (fixes.empty()) return;
    // Types first: they go before the first function and move the code.
    struct Types {
        uint32_t uniformPointer, localPointer, resultPointer;
    };
    std::vector<Types> types;
    for (const Fix& f : fixes) {
        const SpvInstruction* resultPointer = module.Def(module.Def(f.result)->words[0]);
        const uint32_t pointee = resultPointer->words[2];
        types.push_back(
            {module.DeclareType(spv::OpTypePointer, {spv::StorageClassUniform, f.valueType}),
             module.DeclareType(spv::OpTypePointer, {spv::StorageClassFunction, f.valueType}),
             module.DeclareType(spv::OpTypePointer, {spv::StorageClassFunction, pointee})});
    }
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    size_t firstBlock = 0;  // where the current function's variables go
    bool inFunction = false;
    size_t next = 0;
    for (SpvInstruction& in : old) {
        if (in.op == spv::OpFunction) inFunction = true;
        if (in.op == spv::OpLabel && inFunction) {
            module.code.push_back(std::move(in));
            firstBlock = module.code.size();
            inFunction = false;
            continue;
        }
        if (next < fixes.size() && IsChainOp(in.op) && in.words.size() > 1 &&
            in.words[1] == fixes[next].result) {
            const Fix& f = fixes[next];
            const Types& t = types[next];
            ++next;
            const uint32_t whole = module.NewId(), value = module.NewId(), copy = module.NewId();
            std::vector<uint32_t> prefix(in.words.begin(), in.words.begin() + static_cast<std::ptrdiff_t>(f.k));
            prefix[0] = t.uniformPointer;
            prefix[1] = whole;
            module.code.push_back({in.op, std::move(prefix)});
            module.code.push_back({spv::OpLoad, {f.valueType, value, whole}});
            module.code.insert(module.code.begin() + static_cast<std::ptrdiff_t>(firstBlock),
                               {spv::OpVariable, {t.localPointer, copy, spv::StorageClassFunction}});
            module.code.push_back({spv::OpStore, {copy, value}});
            std::vector<uint32_t> rest = {t.resultPointer, in.words[1], copy};
            rest.insert(rest.end(), in.words.begin() + static_cast<std::ptrdiff_t>(f.k), in.words.end());
            module.code.push_back({in.op, std::move(rest)});
            continue;
        }
        module.code.push_back(std::move(in));
    }
    module.Reindex();
}

}  // namespace fx
