// Stage 6: which components of each value the shader's results depend on
// (see DemandedComponents in 6_spirv_module.h).
//
// A backward pass to a fixed point over the functions the entry point
// reaches. Values through function-local and private variables, function
// parameters (glslang passes them as pointers) and return values are
// followed; component-wise arithmetic, swizzles, composites and the
// matrix-vector products keep track of single components; anything else
// demands every component of its operands, which only ever makes more of a
// global count as read, never less.
#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <map>
#include <unordered_map>

#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/6_spirv/6_demand.h"

namespace fx {
namespace {

constexpr uint32_t kAll = 0xFFFFFFFFu;

bool ComponentWise(uint32_t op) {
    switch (op) {
        case spv::OpFNegate: case spv::OpSNegate: case spv::OpFAdd: case spv::OpIAdd:
        case spv::OpFSub: case spv::OpISub: case spv::OpFMul: case spv::OpIMul:
        case spv::OpFDiv: case spv::OpSDiv: case spv::OpUDiv: case spv::OpFRem:
        case spv::OpFMod: case spv::OpSRem: case spv::OpSMod: case spv::OpUMod:
        case spv::OpConvertFToS: case spv::OpConvertFToU: case spv::OpConvertSToF:
        case spv::OpConvertUToF: case spv::OpCopyObject: case spv::OpNot:
        case spv::OpLogicalNot: case spv::OpLogicalAnd: case spv::OpLogicalOr:
        case spv::OpLogicalEqual: case spv::OpLogicalNotEqual: case spv::OpIsNan:
        case spv::OpIsInf: case spv::OpBitwiseAnd: case spv::OpBitwiseOr:
        case spv::OpBitwiseXor: case spv::OpDPdx: case spv::OpDPdy: case spv::OpFwidth:
        case spv::OpDPdxFine: case spv::OpDPdyFine: case spv::OpFwidthFine:
        case spv::OpDPdxCoarse: case spv::OpDPdyCoarse: case spv::OpFwidthCoarse:
        case spv::OpPhi:
            return true;
        default:
            return op >= spv::OpIEqual && op <= spv::OpFUnordGreaterThanEqual;
    }
}

bool ComponentWiseExtension(uint32_t instruction) {
    return (instruction >= GLSLstd450Round && instruction <= GLSLstd450InverseSqrt) ||
           (instruction >= GLSLstd450FMin && instruction <= GLSLstd450Fma) ||
           instruction == GLSLstd450Ldexp ||
           (instruction >= GLSLstd450NMin && instruction <= GLSLstd450NClamp);
}

class DemandPass {
public:
    DemandPass(const SpvModule& m, const std::vector<std::pair<size_t, size_t>>& functions)
        : m_(m), functions_(functions) {}

    std::vector<uint32_t> Run();

private:
    uint32_t D(uint32_t id) const { return id < demand_.size() ? demand_[id] : 0; }
    void Add(uint32_t id, uint32_t mask) {
        if (id >= demand_.size()) return;  // a literal taken for an id
        uint32_t& d = demand_[id];
        if ((d | mask) != d) {
            d |= mask;
            changed_ = true;
        }
    }
    bool IsMemory(uint32_t id) const { return id < memory_.size() && memory_[id] != 0; }
    // Components of a vector (or a scalar: 1); 0 for anything else.
    uint32_t Size(uint32_t id) const {
        const SpvInstruction* def = m_.Def(id);
        const SpvInstruction* type = def != nullptr ? m_.Def(def->Type()) : nullptr;
        if (type == nullptr) return 0;
        if (type->op == spv::OpTypeVector) return type->words[2];
        return type->op == spv::OpTypeFloat || type->op == spv::OpTypeInt ||
                       type->op == spv::OpTypeBool
                   ? 1
                   : 0;
    }
    uint32_t TypeOp(uint32_t pointer) const;
    void Memory(const SpvInstruction& in);
    void Visit(const SpvInstruction& in, uint32_t function);
    void Call(const std::vector<uint32_t>& w, uint32_t demand);
    void Shuffle(const std::vector<uint32_t>& w, uint32_t demand);
    void Extract(const std::vector<uint32_t>& w, uint32_t demand);
    void Construct(const SpvInstruction& in, uint32_t demand);
    void Products(const SpvInstruction& in, uint32_t demand);
    void OtherValue(const SpvInstruction& in, uint32_t demand);
    void Everything(const SpvInstruction& in) {
        in.UsedIds(&ids_);
        for (uint32_t id : ids_) Add(id, kAll);
    }

    const SpvModule& m_;
    const std::vector<std::pair<size_t, size_t>>& functions_;
    std::vector<uint32_t> demand_;  // by id: values and memory alike
    std::vector<uint8_t> memory_;   // by id: a variable or a parameter
    // Access chain into memory -> (the variable, its one constant index; -1 otherwise).
    std::unordered_map<uint32_t, std::pair<uint32_t, int64_t>> chains_;
    std::map<uint32_t, std::vector<uint32_t>> parameters_;  // function -> parameter ids
    std::unordered_map<uint32_t, uint32_t> results_;        // function -> its calls' demand
    bool changed_ = false;
    std::vector<uint32_t> ids_;  // scratch for UsedIds
};

// The op of the type a pointer points to.
uint32_t DemandPass::TypeOp(uint32_t pointer) const {
    const SpvInstruction* def = m_.Def(pointer);
    const SpvInstruction* type = def != nullptr ? m_.Def(def->Type()) : nullptr;
    const SpvInstruction* pointee = type != nullptr ? m_.Def(type->words[2]) : nullptr;
    return pointee != nullptr ? pointee->op : 0;
}

// Loads and stores through variables, parameters and chains into them.
void DemandPass::Memory(const SpvInstruction& in) {
    const bool load = in.op == spv::OpLoad;
    const uint32_t pointer = load ? in.words[2] : in.words[0];
    const uint32_t value = in.words[1];  // the loaded result, or the stored object
    uint32_t root = 0;
    int64_t index = -1;
    if (IsMemory(pointer)) {
        root = pointer;
    } else if (auto chain = chains_.find(pointer); chain != chains_.end()) {
        root = chain->second.first;
        index = chain->second.second;
    }
    if (root == 0) {
        // Uniforms and inputs are where values come from; outputs and
        // anything else take every component.
        if (!load) Add(value, kAll);
        return;
    }
    const uint32_t rootOp = TypeOp(root);
    if (pointer == root) {
        if (load) {
            Add(root, D(value));
        } else {
            Add(value, D(root));
        }
        return;
    }
    if (index >= 0 && index < 16 && rootOp == spv::OpTypeVector) {
        if (load) {
            Add(root, D(value) != 0 ? 1u << index : 0);
        } else {
            Add(value, (D(root) >> index) & 1u);
        }
        return;
    }
    if (index >= 0 && index < 4 && rootOp == spv::OpTypeMatrix) {
        const uint32_t shift = static_cast<uint32_t>(index) * 4;
        if (load) {
            Add(root, (D(value) & 0xFu) << shift);
        } else {
            Add(value, (D(root) >> shift) & 0xFu);
        }
        return;
    }
    if (load) {
        if (D(value) != 0) Add(root, kAll);
    } else {
        Add(value, kAll);
    }
}

void DemandPass::Visit(const SpvInstruction& in, uint32_t function) {
    const uint32_t result = in.Result();
    const uint32_t demand = result != 0 ? D(result) : 0;
    const std::vector<uint32_t>& w = in.words;
    switch (in.op) {
        case spv::OpAccessChain: case spv::OpInBoundsAccessChain:
            // What is reached is followed where it is loaded or stored; the
            // indices decide where that is.
            for (size_t i = 3; i < w.size(); ++i) Add(w[i], kAll);
            return;
        case spv::OpVariable: case spv::OpFunctionParameter: case spv::OpLabel:
        case spv::OpBranch: case spv::OpSelectionMerge: case spv::OpLoopMerge:
        case spv::OpReturn: case spv::OpFunction: case spv::OpFunctionEnd: case spv::OpKill:
        case spv::OpUnreachable:
            return;
        case spv::OpLoad: case spv::OpStore: Memory(in); return;
        case spv::OpReturnValue: Add(w[0], results_[function]); return;
        case spv::OpFunctionCall: Call(w, demand); return;
        case spv::OpVectorShuffle: Shuffle(w, demand); return;
        case spv::OpCompositeExtract: Extract(w, demand); return;
        case spv::OpCompositeConstruct: Construct(in, demand); return;
        case spv::OpMatrixTimesVector: case spv::OpVectorTimesMatrix:
        case spv::OpVectorTimesScalar: case spv::OpMatrixTimesScalar:
            Products(in, demand);
            return;
        default: OtherValue(in, demand); return;
    }
}

void DemandPass::Call(const std::vector<uint32_t>& w, uint32_t demand) {
    uint32_t& calls = results_[w[2]];
    if ((calls | demand) != calls) {
        calls |= demand;
        changed_ = true;
    }
    const std::vector<uint32_t>& params = parameters_[w[2]];
    for (size_t i = 3; i < w.size(); ++i) {
        const uint32_t arg = w[i];
        const uint32_t param = i - 3 < params.size() ? params[i - 3] : 0;
        if (param != 0 && IsMemory(arg)) {
            Add(param, D(arg));
            Add(arg, D(param));
        } else {
            Add(arg, kAll);
            if (param != 0) Add(param, kAll);
        }
    }
}

void DemandPass::Shuffle(const std::vector<uint32_t>& w, uint32_t demand) {
    const uint32_t first = Size(w[2]);
    for (size_t i = 4; i < w.size(); ++i) {
        if ((demand & (1u << (i - 4))) == 0 || w[i] == 0xFFFFFFFFu) continue;
        if (w[i] < first) {
            Add(w[2], 1u << w[i]);
        } else if (w[i] - first < 16) {
            Add(w[3], 1u << (w[i] - first));
        }
    }
}

void DemandPass::Extract(const std::vector<uint32_t>& w, uint32_t demand) {
    const SpvInstruction* type = m_.Def(m_.Def(w[2]) != nullptr ? m_.Def(w[2])->Type() : 0);
    if (w.size() == 4 && type != nullptr && type->op == spv::OpTypeVector && w[3] < 16) {
        Add(w[2], demand != 0 ? 1u << w[3] : 0);
    } else if (w.size() == 4 && type != nullptr && type->op == spv::OpTypeMatrix && w[3] < 4) {
        Add(w[2], (demand & 0xFu) << (w[3] * 4));
    } else if (demand != 0) {
        Add(w[2], kAll);
    }
}

void DemandPass::Construct(const SpvInstruction& in, uint32_t demand) {
    const std::vector<uint32_t>& w = in.words;
    const SpvInstruction* type = m_.Def(w[0]);
    const bool matrix = type != nullptr && type->op == spv::OpTypeMatrix;
    if (type == nullptr || (type->op != spv::OpTypeVector && !matrix)) {
        if (demand != 0) Everything(in);
        return;
    }
    uint32_t at = 0;
    for (size_t i = 2; i < w.size(); ++i) {
        const uint32_t size = matrix ? 4 : Size(w[i]);
        const uint32_t part = size == 0 ? kAll : (demand >> at) & ((1u << size) - 1u);
        Add(w[i], size == 0 && demand == 0 ? 0 : part);
        at += size;
    }
}

// Products of matrices, vectors and scalars.
void DemandPass::Products(const SpvInstruction& in, uint32_t demand) {
    const std::vector<uint32_t>& w = in.words;
    if (in.op == spv::OpMatrixTimesVector) {
        // result[j] = sum over i of M[i][j] * v[i] (SPIR-V column i).
        const uint32_t columns = Size(w[3]);
        for (uint32_t j = 0; j < 4; ++j) {
            if ((demand & (1u << j)) == 0) continue;
            for (uint32_t i = 0; i < columns; ++i) Add(w[2], 1u << (i * 4 + j));
            Add(w[3], (1u << columns) - 1u);
        }
    } else if (in.op == spv::OpVectorTimesMatrix) {
        // result[j] = sum over i of v[i] * M[j][i].
        const uint32_t rows = Size(w[2]);
        for (uint32_t j = 0; j < 4; ++j) {
            if ((demand & (1u << j)) == 0) continue;
            Add(w[3], ((1u << rows) - 1u) << (j * 4));
            Add(w[2], (1u << rows) - 1u);
        }
    } else {
        Add(w[2], demand);
        Add(w[3], demand != 0 ? 1u : 0);
    }
}

// Selections, extended instructions, component-wise operations and anything
// else.
void DemandPass::OtherValue(const SpvInstruction& in, uint32_t demand) {
    const uint32_t result = in.Result();
    const std::vector<uint32_t>& w = in.words;
    if (in.op == spv::OpSelect) {
        Add(w[2], Size(w[2]) == 1 ? (demand != 0 ? 1u : 0) : demand);
        Add(w[3], demand);
        Add(w[4], demand);
    } else if (in.op == spv::OpExtInst) {
        for (size_t i = 4; i < w.size(); ++i) {
            if (!ComponentWiseExtension(w[3])) {
                Add(w[i], demand != 0 ? kAll : 0);
            } else {
                Add(w[i], Size(w[i]) == 1 && Size(result) > 1 ? (demand != 0 ? 1u : 0) : demand);
            }
        }
    } else if (ComponentWise(in.op)) {
        in.UsedIds(&ids_);
        for (uint32_t id : ids_) {
            if (in.op == spv::OpPhi && m_.Def(id) != nullptr && m_.Def(id)->op == spv::OpLabel)
                continue;
            Add(id, Size(id) == 1 && Size(result) > 1 ? (demand != 0 ? 1u : 0) : demand);
        }
    } else if (result == 0 || demand != 0) {
        // Branches, samples, dot products, anything else: all of it.
        Everything(in);
    }
}

std::vector<uint32_t> DemandPass::Run() {
    demand_.assign(m_.Bound(), 0);
    memory_.assign(m_.Bound(), 0);
    for (const auto& [begin, end] : functions_) {
        const uint32_t function = m_.code[begin].words[1];
        for (size_t i = begin; i < end; ++i) {
            const SpvInstruction& in = m_.code[i];
            if (in.op == spv::OpFunctionParameter) {
                parameters_[function].push_back(in.words[1]);
                memory_[in.words[1]] = 1;
            }
            if (in.op == spv::OpVariable) memory_[in.words[1]] = 1;
        }
    }
    for (const SpvInstruction& in : m_.code) {
        if (in.op == spv::OpVariable && in.words.size() > 2 &&
            in.words[2] == spv::StorageClassPrivate && in.words[1] < memory_.size()) {
            memory_[in.words[1]] = 1;
        }
    }
    for (const auto& [begin, end] : functions_) {
        for (size_t i = begin; i < end; ++i) {
            const SpvInstruction& in = m_.code[i];
            if (!IsChainOp(in.op) || in.words.size() < 3) continue;
            const uint32_t base = in.words[2];
            uint32_t root = IsMemory(base) ? base : 0;
            int64_t index = -1;
            if (auto chain = chains_.find(base); chain != chains_.end()) root = chain->second.first;
            uint32_t k = 0;
            if (root == base && in.words.size() == 4 && m_.ConstantValue(in.words[3], &k)) index = k;
            if (root != 0) chains_[in.words[1]] = {root, index};
        }
    }
    for (int round = 0; round < 256; ++round) {
        changed_ = false;
        for (auto f = functions_.rbegin(); f != functions_.rend(); ++f) {
            const uint32_t function = m_.code[f->first].words[1];
            for (size_t i = f->second; i-- > f->first;) Visit(m_.code[i], function);
        }
        if (!changed_) break;
    }
    return demand_;
}

}  // namespace

std::vector<uint32_t> DemandedComponents(
    const SpvModule& module, const std::vector<std::pair<size_t, size_t>>& functions) {
    DemandPass pass(module, functions);
    return pass.Run();
}

}  // namespace fx
