// Stage 6: small passes over glslang's SPIR-V (see 6_spirv_module.h).
#include <spirv_cross/spirv.hpp>

#include "platform/fx/6_spirv_module.h"

namespace fx {

void FixArithmetic(SpvModule& module) {
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        switch (in.op) {
            case spv::OpFMod: in.op = spv::OpFRem; break;
            case spv::OpSMod: in.op = spv::OpSRem; break;
            case spv::OpDPdy:
            case spv::OpDPdyFine:
            case spv::OpDPdyCoarse: {
                // The derivative goes to a new id; the old one names its negation.
                const uint32_t result = in.words[1];
                in.words[1] = module.NewId();
                SpvInstruction negate{spv::OpFNegate, {in.words[0], result, in.words[1]}};
                module.code.push_back(std::move(in));
                module.code.push_back(std::move(negate));
                continue;
            }
            default: break;
        }
        module.code.push_back(std::move(in));
    }
    module.Reindex();
}

}  // namespace fx
