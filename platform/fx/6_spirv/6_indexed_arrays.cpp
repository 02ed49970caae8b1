// Stage 6: static and local arrays indexed at run time, against the
// profile's registers (see 6_indexed_arrays.h). Without this check a huge
// one (float4 a[60000]) goes on to the GL driver, which takes minutes over
// it before failing or not.
//
// Implemented: [x] Private and Function arrays (of scalars, vectors,
//                  matrices, structs, arrays), an access chain whose first
//                  index is not a constant, in functions the entry point
//                  reaches
// Not implemented: arrays only ever indexed by constants (Direct3D 9's
// compiler keeps the elements used; they are left to the driver).
#include "platform/fx/6_spirv/6_indexed_arrays.h"

#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <map>
#include <set>

#include "platform/fx/6_spirv/6_registers.h"

namespace fx {
namespace {

// Past any profile's registers; products saturate there.
constexpr uint64_t kMany = uint64_t{1} << 32;

// The registers a value of a type takes at least: a scalar or vector one,
// a matrix one per column, a struct its members', an array its elements'.
uint64_t Registers(const SpvModule& module, uint32_t type, int depth = 0) {
    const SpvInstruction* t = module.Def(type);
    if (t == nullptr || depth > 16) return 1;
    switch (t->op) {
        case spv::OpTypeMatrix:
            return t->words.size() > 2 ? t->words[2] : 1;
        case spv::OpTypeArray: {
            uint32_t length = 0;
            if (t->words.size() < 3 || !module.ConstantValue(t->words[2], &length)) return 1;
            const uint64_t element = Registers(module, t->words[1], depth + 1);
            return element > kMany / (length + 1) ? kMany : element * length;
        }
        case spv::OpTypeStruct: {
            uint64_t sum = 0;
            for (size_t i = 1; i < t->words.size(); ++i)
                sum = std::min(kMany, sum + Registers(module, t->words[i], depth + 1));
            return sum;
        }
        default:
            return 1;
    }
}

}  // namespace

bool CheckIndexedArrays(const SpvModule& module, const std::string& profile, MessageSink& errors) {
    const int registers = ProfileFloatRegisters(profile);
    if (registers == 0) return true;
    // The arrays too large to hold, by variable.
    std::map<uint32_t, uint64_t> large;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 ||
            (in.words[2] != spv::StorageClassPrivate && in.words[2] != spv::StorageClassFunction)) {
            continue;
        }
        const SpvInstruction* pointer = module.Def(in.words[0]);
        if (pointer == nullptr || pointer->op != spv::OpTypePointer || pointer->words.size() < 3)
            continue;
        const SpvInstruction* array = module.Def(pointer->words[2]);
        if (array == nullptr || array->op != spv::OpTypeArray) continue;
        const uint64_t need = Registers(module, pointer->words[2]);
        if (need > static_cast<uint64_t>(registers)) large[in.words[1]] = need;
    }
    if (large.empty()) return true;
    // Only in code the entry point reaches, as Direct3D 9 compiles no other.
    const std::set<uint32_t> reached = module.ReachableFunctions();
    bool inReached = false;
    std::set<uint32_t> said;
    bool ok = true;
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpFunction) inReached = reached.count(in.Result()) != 0;
        if (!inReached || !IsChainOp(in.op) || in.words.size() < 4) continue;
        auto found = large.find(in.words[2]);
        if (found == large.end()) continue;
        const SpvInstruction* index = module.Def(in.words[3]);
        if (index != nullptr && index->op == spv::OpConstant) continue;
        if (!said.insert(found->first).second) continue;
        // glslang copies a constant array (a static const one, a const
        // local) indexed at run time into a variable it names "indexable":
        // a name the user never wrote, so none is said.
        const std::string name = module.Name(found->first);
        std::string text = name.rfind("indexable", 0) == 0 ? std::string("a constant array")
                           : name.empty()                    ? std::string("an array")
                                                             : "'" + name + "'";
        text += " is indexed at run time, so all of its ";
        text += found->second >= kMany ? std::string("billions of") : std::to_string(found->second);
        text += " registers must be held at once: more than the ";
        text += std::to_string(registers);
        text += " " + profile + " has";
        errors.Error(text);
        ok = false;
    }
    return ok;
}

}  // namespace fx
