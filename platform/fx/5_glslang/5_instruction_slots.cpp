// Instruction slots from SPIR-V, and each profile's bound (see
// 5_instruction_slots.h).
#include "platform/fx/5_glslang/5_instruction_slots.h"

#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <string>
#include <unordered_map>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {
namespace {

// The bounds. What Direct3D 9 guarantees a shader of each profile:
//   vs_1_1   128 instruction slots
//   vs_2_0   256 slots; vs_2_a (vs_2_x) 256 slots
//   vs_3_0   at least 512 slots, at most 32768 on any device
//   ps_2_0   64 arithmetic + 32 texture slots = 96
//   ps_2_a, ps_2_b  512 slots (ps_2_x allows 96 to 512)
//   ps_3_0   at least 512 slots, at most 32768 on any device
// The software profiles (vs_2_sw, ps_2_sw) name no limit; they get the
// bound of shader model 3. The estimate is taken on glslang's unoptimised
// code and may be twice what a Direct3D compiler would make of it, so the
// bound is eight times the guaranteed slots: a real shader of the profile
// never comes near it, and a shader past it is far beyond what the
// profile can hold. For shader model 3 that is 4096, an eighth of the most
// any device offered and still a shader that costs llvmpipe about two
// seconds to compile, link and draw for the first time.
constexpr int64_t kBoundFactor = 8;
struct ProfileSlots {
    const char* profile;
    int64_t guaranteed;
};
constexpr ProfileSlots kProfileSlots[] = {
    {"vs_1_1", 128}, {"vs_2_0", 256}, {"vs_2_a", 256}, {"vs_2_sw", 512}, {"vs_3_0", 512},
    {"ps_2_0", 96},  {"ps_2_a", 512}, {"ps_2_b", 512}, {"ps_2_sw", 512}, {"ps_3_0", 512},
};

// Far more than any bound: sums stop growing here.
constexpr int64_t kSaturated = int64_t{1} << 40;

int64_t Add(int64_t a, int64_t b) { return std::min(a + b, kSaturated); }

// >> SPIR-V

// Instructions that cost no slot: declarations, memory access (registers
// are read and written in place), swizzles and composites (source and
// destination masks), negation (a source modifier), conversions between
// the number types (Direct3D 9 keeps every value in float registers),
// structured control flow that emits nothing by itself.
bool IsFree(uint32_t op) {
    switch (op) {
        case spv::OpNop:
        case spv::OpUndef:
        case spv::OpLine:
        case spv::OpFunctionParameter:
        case spv::OpVariable:
        case spv::OpLoad:
        case spv::OpStore:
        case spv::OpCopyMemory:
        case spv::OpAccessChain:
        case spv::OpInBoundsAccessChain:
        case spv::OpVectorShuffle:
        case spv::OpCompositeConstruct:
        case spv::OpCompositeExtract:
        case spv::OpCompositeInsert:
        case spv::OpCopyObject:
        case spv::OpTranspose:
        case spv::OpSampledImage:
        case spv::OpImage:
        case spv::OpConvertSToF:
        case spv::OpConvertUToF:
        case spv::OpUConvert:
        case spv::OpSConvert:
        case spv::OpFConvert:
        case spv::OpBitcast:
        case spv::OpSNegate:
        case spv::OpFNegate:
        case spv::OpPhi:
        case spv::OpSelectionMerge:
        case spv::OpLabel:
        case spv::OpBranch:
        case spv::OpReturn:
        case spv::OpReturnValue:
        case spv::OpUnreachable:
        case spv::OpNoLine:
            return true;
        default:
            return false;
    }
}

// Slots of the GLSL.std.450 instructions that are macros of several
// Direct3D 9 instructions (sincos is eight slots, nrm three, pow is log,
// mul and exp); every other one is a single slot.
int64_t ExtendedSlots(uint32_t instruction) {
    switch (instruction) {
        case GLSLstd450Round: case GLSLstd450RoundEven: case GLSLstd450Trunc:
        case GLSLstd450Floor: case GLSLstd450Ceil: case GLSLstd450Sqrt:
        case GLSLstd450FClamp: case GLSLstd450FMix: case GLSLstd450Length:
        case GLSLstd450Cross:
            return 2;
        case GLSLstd450FSign: case GLSLstd450Pow: case GLSLstd450Distance:
        case GLSLstd450Normalize: case GLSLstd450FaceForward: case GLSLstd450Reflect:
            return 3;
        case GLSLstd450SmoothStep:
            return 5;
        case GLSLstd450Sin: case GLSLstd450Cos: case GLSLstd450Refract:
            return 8;
        case GLSLstd450Sinh: case GLSLstd450Cosh: case GLSLstd450Tanh:
            return 10;
        case GLSLstd450Determinant:
            return 12;
        case GLSLstd450Tan: case GLSLstd450Asin: case GLSLstd450Acos: case GLSLstd450Atan:
            return 16;
        case GLSLstd450Atan2:
            return 20;
        case GLSLstd450MatrixInverse:
            return 40;
        default:
            return 1;
    }
}

// Each function's own slots and the functions it calls, per call site.
struct Module {
    const SpvModule& spv;
    uint32_t glslStd450 = 0;  // the id of the extended set
    struct Function {
        int64_t own = 0;
        std::vector<uint32_t> calls;  // callee per call site
    };
    std::unordered_map<uint32_t, Function> functions;
};

// The scalars in a type: a vector's or matrix's components, 1 for others.
int64_t WidthOf(const SpvModule& m, uint32_t type) {
    const SpvInstruction* t = m.Def(type);
    if (t == nullptr || (t->op != spv::OpTypeVector && t->op != spv::OpTypeMatrix) ||
        t->words.size() < 3) {
        return 1;
    }
    return WidthOf(m, t->words[1]) * t->words[2];
}

// The slots of one instruction of a function body.
int64_t SlotsOf(const Module& m, const SpvInstruction& in) {
    if (IsFree(in.op)) return 0;
    const std::vector<uint32_t>& w = in.words;
    switch (in.op) {
        case spv::OpMatrixTimesScalar:
        case spv::OpOuterProduct: {
            const SpvInstruction* t = w.empty() ? nullptr : m.spv.Def(w[0]);
            return t != nullptr && t->op == spv::OpTypeMatrix && t->words.size() > 2 ? t->words[2]
                                                                                     : 1;
        }
        case spv::OpVectorTimesMatrix:
        case spv::OpMatrixTimesVector:
        case spv::OpMatrixTimesMatrix:
            // One dp4 (or mad) per component of the result.
            return w.empty() ? 1 : WidthOf(m.spv, w[0]);
        case spv::OpExtInst:
            return w.size() > 3 && w[2] == m.glslStd450 ? ExtendedSlots(w[3]) : 1;
        case spv::OpLoopMerge:
            return 2;  // loop and endloop
        case spv::OpSwitch:
            // One test per case: (selector, default, value label...) pairs.
            return w.size() > 2 ? (w.size() - 2) / 2 + 1 : 1;
        default:
            return 1;
    }
}

void Read(Module* m) {
    m->glslStd450 = GlslStd450(m->spv);
    Module::Function* function = nullptr;
    for (const SpvInstruction& in : m->spv.code) {
        if (in.op == spv::OpFunction) {
            function = in.words.size() > 1 ? &m->functions[in.words[1]] : nullptr;
            continue;
        }
        if (in.op == spv::OpFunctionEnd) {
            function = nullptr;
            continue;
        }
        if (function == nullptr) continue;
        if (in.op == spv::OpFunctionCall && in.words.size() > 2) {
            function->calls.push_back(in.words[2]);
        } else {
            function->own = Add(function->own, SlotsOf(*m, in));
        }
    }
}

// The entry point's slots with every call expanded, depth first without
// recursion (a chain of ten thousand functions must not exhaust the stack).
// HLSL has no recursion; a call back into a function being counted adds
// nothing.
int64_t Expanded(const Module& m, uint32_t entry) {
    std::unordered_map<uint32_t, int64_t> done;
    std::unordered_map<uint32_t, bool> open;
    struct Frame {
        uint32_t id;
        size_t next;  // the next call site to expand
        int64_t total;
    };
    std::vector<Frame> stack;
    auto enter = [&](uint32_t id) {
        auto fn = m.functions.find(id);
        if (fn == m.functions.end() || open[id]) return false;
        open[id] = true;
        stack.push_back({id, 0, fn->second.own});
        return true;
    };
    if (!enter(entry)) return 0;
    int64_t result = 0;
    while (!stack.empty()) {
        Frame& top = stack.back();
        const std::vector<uint32_t>& calls = m.functions.at(top.id).calls;
        if (top.next < calls.size()) {
            uint32_t callee = calls[top.next++];
            if (auto known = done.find(callee); known != done.end()) {
                top.total = Add(top.total, known->second);
            } else {
                enter(callee);  // its total is added when it is finished
            }
            continue;
        }
        Frame finished = top;
        stack.pop_back();
        open[finished.id] = false;
        done[finished.id] = finished.total;
        if (stack.empty()) {
            result = finished.total;
        } else {
            stack.back().total = Add(stack.back().total, finished.total);
        }
    }
    return result;
}

}  // namespace

int64_t EstimateInstructionSlots(const std::vector<uint32_t>& words) {
    SpvModule spv;
    if (!spv.Read(words)) return 0;
    const uint32_t entry = spv.EntryPoint();
    if (entry == 0) return 0;
    Module m{spv, 0, {}};
    Read(&m);
    return Expanded(m, entry);
}

int64_t InstructionSlotBound(std::string_view profile) {
    for (const ProfileSlots& p : kProfileSlots) {
        if (profile == p.profile) return p.guaranteed * kBoundFactor;
    }
    return 0;
}

}  // namespace fx
