// Stage 6: uniforms loaded as GL's flattened register array allows: a
// value indexed at run time copied whole, arrays read element by element
// (see 6_spirv_module.h).
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
#include "platform/fx/6_spirv/6_uniform_loads.h"

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

namespace {

bool HoldsAnArray(const SpvModule& module, uint32_t type, int depth = 0) {
    const SpvInstruction* t = module.Def(type);
    if (t == nullptr || depth > 16) return false;
    if (t->op == spv::OpTypeArray) return true;
    if (t->op != spv::OpTypeStruct) return false;
    for (size_t m = 1; m < t->words.size(); ++m) {
        if (HoldsAnArray(module, t->words[m], depth + 1)) return true;
    }
    return false;
}

}  // namespace

uint32_t LoadByParts(SpvModule& module, uint32_t base, std::vector<uint32_t> indices,
                     uint32_t type, uint32_t to, std::vector<SpvInstruction>* out) {
    const SpvInstruction* def = module.Def(type);
    const SpvInstruction t = def != nullptr ? *def : SpvInstruction{};
    if (t.op != spv::OpTypeArray && t.op != spv::OpTypeStruct) {
        const uint32_t pointer =
            module.DeclareType(spv::OpTypePointer, {spv::StorageClassUniform, type});
        const uint32_t chain = module.NewId(), loaded = module.NewId();
        std::vector<uint32_t> words{pointer, chain, base};
        words.insert(words.end(), indices.begin(), indices.end());
        out->push_back({spv::OpAccessChain, std::move(words)});
        out->push_back({spv::OpLoad, {type, loaded, chain}});
        // The block holds a bool as an integer: a copy into bools (a
        // global the code writes) is true where it is not 0.
        const SpvInstruction* target = to != type ? module.Def(to) : nullptr;
        if (target != nullptr && target->op == spv::OpTypeVector)
            target = module.Def(target->words[1]);
        if (target != nullptr && target->op == spv::OpTypeBool) {
            const uint32_t zero = module.DeclareConstant(spv::OpConstantNull, type, {});
            const uint32_t test = module.NewId();
            out->push_back({spv::OpINotEqual, {to, test, loaded, zero}});
            return test;
        }
        return loaded;
    }
    const SpvInstruction target = *module.Def(to);
    uint32_t count = static_cast<uint32_t>(t.words.size() - 1);
    if (t.op == spv::OpTypeArray && !module.ConstantValue(t.words[2], &count)) count = 0;
    const uint32_t intType = module.DeclareType(spv::OpTypeInt, {32, 1});
    std::vector<uint32_t> words{to, 0};
    for (uint32_t i = 0; i < count; ++i) {
        std::vector<uint32_t> part = indices;
        part.push_back(module.DeclareConstant(spv::OpConstant, intType, {i}));
        const bool array = t.op == spv::OpTypeArray;
        words.push_back(LoadByParts(module, base, std::move(part),
                                    array ? t.words[1] : t.words[i + 1],
                                    array ? target.words[1] : target.words[i + 1], out));
    }
    const uint32_t value = module.NewId();
    words[1] = value;
    out->push_back({spv::OpCompositeConstruct, std::move(words)});
    return value;
}

void LoadUniformArraysByParts(SpvModule& module) {
    module.Reindex();
    for (;;) {
        // The next such load: its chain's base and indices.
        uint32_t result = 0, type = 0, base = 0, chainId = 0;
        std::vector<uint32_t> indices;
        for (const SpvInstruction& in : module.code) {
            if (in.op != spv::OpLoad || in.words.size() < 3 || !HoldsAnArray(module, in.words[0]))
                continue;
            const SpvInstruction* chain = module.Def(in.words[2]);
            if (chain == nullptr || !IsChainOp(chain->op) || chain->words.size() < 3) continue;
            const SpvInstruction* variable = module.Def(chain->words[2]);
            if (variable == nullptr || variable->op != spv::OpVariable ||
                variable->words[2] != spv::StorageClassUniform) {
                continue;
            }
            result = in.words[1];
            type = in.words[0];
            base = chain->words[2];
            chainId = chain->words[1];
            indices.assign(chain->words.begin() + 3, chain->words.end());
            break;
        }
        if (result == 0) break;
        std::vector<SpvInstruction> parts;
        LoadByParts(module, base, indices, type, type, &parts);
        parts.back().words[1] = result;  // the value put together is the load's
        // The load becomes the parts (the types they declared moved the code).
        auto load = std::find_if(module.code.begin(), module.code.end(), [&](const auto& in) {
            return in.op == spv::OpLoad && in.words[1] == result;
        });
        if (load == module.code.end()) break;
        load = module.code.erase(load);
        module.code.insert(load, parts.begin(), parts.end());
        // The whole chain goes when nothing else uses it.
        std::vector<uint32_t> ids;
        bool used = false, code = false;
        for (const SpvInstruction& in : module.code) {
            code = code || in.op == spv::OpFunction;
            if (!code) continue;
            in.UsedIds(&ids);
            used = used || std::find(ids.begin(), ids.end(), chainId) != ids.end();
        }
        if (!used) {
            std::erase_if(module.code, [&](const SpvInstruction& in) {
                return IsChainOp(in.op) && in.words.size() > 1 && in.words[1] == chainId;
            });
        }
        module.Reindex();
    }
}

}  // namespace fx
