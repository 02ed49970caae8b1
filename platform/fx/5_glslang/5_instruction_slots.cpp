// Instruction slots from SPIR-V, and each profile's bound (see
// 5_instruction_slots.h).
#include "platform/fx/5_glslang/5_instruction_slots.h"

#include <algorithm>
#include <string>
#include <unordered_map>

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

// The opcodes this looks at (SPIR-V 1.0).
enum Op : uint32_t {
    kOpExtInstImport = 11,
    kOpExtInst = 12,
    kOpEntryPoint = 15,
    kOpTypeVector = 23,
    kOpTypeMatrix = 24,
    kOpFunction = 54,
    kOpFunctionEnd = 56,
    kOpFunctionCall = 57,
    kOpMatrixTimesScalar = 143,
    kOpVectorTimesMatrix = 144,
    kOpMatrixTimesVector = 145,
    kOpMatrixTimesMatrix = 146,
    kOpOuterProduct = 147,
    kOpLoopMerge = 246,
    kOpSwitch = 251,
};

// Instructions that cost no slot: declarations, memory access (registers
// are read and written in place), swizzles and composites (source and
// destination masks), negation (a source modifier), conversions between
// the number types (Direct3D 9 keeps every value in float registers),
// structured control flow that emits nothing by itself.
bool IsFree(uint32_t op) {
    switch (op) {
        case 0:    // OpNop
        case 1:    // OpUndef
        case 8:    // OpLine
        case 55:   // OpFunctionParameter
        case 59:   // OpVariable
        case 61:   // OpLoad
        case 62:   // OpStore
        case 63:   // OpCopyMemory
        case 65:   // OpAccessChain
        case 66:   // OpInBoundsAccessChain
        case 79:   // OpVectorShuffle
        case 80:   // OpCompositeConstruct
        case 81:   // OpCompositeExtract
        case 82:   // OpCompositeInsert
        case 83:   // OpCopyObject
        case 84:   // OpTranspose
        case 86:   // OpSampledImage
        case 100:  // OpImage
        case 111:  // OpConvertSToF
        case 112:  // OpConvertUToF
        case 113:  // OpUConvert
        case 114:  // OpSConvert
        case 115:  // OpFConvert
        case 124:  // OpBitcast
        case 126:  // OpSNegate
        case 127:  // OpFNegate
        case 245:  // OpPhi
        case 247:  // OpSelectionMerge
        case 248:  // OpLabel
        case 249:  // OpBranch
        case 253:  // OpReturn
        case 254:  // OpReturnValue
        case 255:  // OpUnreachable
        case 317:  // OpNoLine
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
        case 1: case 2: case 3: case 8: case 9:  // Round, RoundEven, Trunc, Floor, Ceil
        case 31: case 43: case 46:               // Sqrt, FClamp, FMix
        case 66: case 68:                        // Length, Cross
            return 2;
        case 6: case 26: case 67: case 69:       // FSign, Pow, Distance, Normalize
        case 70: case 71:                        // FaceForward, Reflect
            return 3;
        case 49:                                 // SmoothStep
            return 5;
        case 13: case 14: case 72:               // Sin, Cos, Refract
            return 8;
        case 19: case 20: case 21:               // Sinh, Cosh, Tanh
            return 10;
        case 33:                                 // Determinant
            return 12;
        case 15: case 16: case 17: case 18:      // Tan, Asin, Acos, Atan
            return 16;
        case 25:                                 // Atan2
            return 20;
        case 34:                                 // MatrixInverse
            return 40;
        default:
            return 1;
    }
}

struct Module {
    std::unordered_map<uint32_t, int64_t> width;    // type id -> scalars in it
    std::unordered_map<uint32_t, int64_t> columns;  // matrix type id -> columns
    uint32_t glslStd450 = 0;                        // the id of the extended set
    uint32_t entry = 0;
    struct Function {
        int64_t own = 0;
        std::vector<uint32_t> calls;  // callee per call site
    };
    std::unordered_map<uint32_t, Function> functions;
};

int64_t WidthOf(const Module& m, uint32_t type) {
    auto it = m.width.find(type);
    return it == m.width.end() ? 1 : it->second;
}

// The slots of one instruction of a function body.
int64_t SlotsOf(const Module& m, uint32_t op, const uint32_t* w, uint32_t count) {
    if (IsFree(op)) return 0;
    switch (op) {
        case kOpMatrixTimesScalar:
        case kOpOuterProduct: {
            auto it = m.columns.find(count > 1 ? w[1] : 0);
            return it == m.columns.end() ? 1 : it->second;
        }
        case kOpVectorTimesMatrix:
        case kOpMatrixTimesVector:
        case kOpMatrixTimesMatrix:
            // One dp4 (or mad) per component of the result.
            return count > 1 ? WidthOf(m, w[1]) : 1;
        case kOpExtInst:
            return count > 4 && w[3] == m.glslStd450 ? ExtendedSlots(w[4]) : 1;
        case kOpLoopMerge:
            return 2;  // loop and endloop
        case kOpSwitch:
            return count > 3 ? (count - 3) / 2 + 1 : 1;  // one test per case
        default:
            return 1;
    }
}

bool Read(const std::vector<uint32_t>& words, Module* m) {
    constexpr uint32_t kMagic = 0x07230203;
    if (words.size() < 5 || words[0] != kMagic) return false;
    Module::Function* function = nullptr;
    for (size_t at = 5; at < words.size();) {
        const uint32_t count = words[at] >> 16;
        const uint32_t op = words[at] & 0xFFFF;
        if (count == 0 || count > words.size() - at) return false;
        const uint32_t* w = &words[at];
        at += count;
        switch (op) {
            case kOpExtInstImport:
                if (count > 2 && std::string(reinterpret_cast<const char*>(w + 2),
                                             (count - 2) * 4)
                                         .find("GLSL.std.450") == 0) {
                    m->glslStd450 = w[1];
                }
                continue;
            case kOpEntryPoint:
                if (count > 2 && m->entry == 0) m->entry = w[2];
                continue;
            case kOpTypeVector:
                if (count > 3) m->width[w[1]] = WidthOf(*m, w[2]) * w[3];
                continue;
            case kOpTypeMatrix:
                if (count > 3) {
                    m->width[w[1]] = WidthOf(*m, w[2]) * w[3];
                    m->columns[w[1]] = w[3];
                }
                continue;
            case kOpFunction:
                function = count > 2 ? &m->functions[w[2]] : nullptr;
                continue;
            case kOpFunctionEnd:
                function = nullptr;
                continue;
            default:
                break;
        }
        if (function == nullptr) continue;
        if (op == kOpFunctionCall && count > 3) {
            function->calls.push_back(w[3]);
        } else {
            function->own = Add(function->own, SlotsOf(*m, op, w, count));
        }
    }
    return true;
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
    Module m;
    if (!Read(words, &m) || m.entry == 0) return 0;
    return Expanded(m, m.entry);
}

int64_t InstructionSlotBound(std::string_view profile) {
    for (const ProfileSlots& p : kProfileSlots) {
        if (profile == p.profile) return p.guaranteed * kBoundFactor;
    }
    return 0;
}

}  // namespace fx
