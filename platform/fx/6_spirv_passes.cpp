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
