// The texture reads and arithmetic a shader certainly makes (see
// 5_counted_limits.h).
//
// glslang's SPIR-V keeps every function, branch, loop and repeated read as
// written. SPIRV-Tools' optimizer, run on a copy, does what Direct3D 9's
// compiler did before it counted: inline, fold constant conditions, drop
// unused values and merge repeated ones; loops whose length it can see are
// then unrolled. The copy is only measured; the stages after this one keep
// glslang's module.
#include "platform/fx/5_glslang/5_counted_limits.h"

#include <spirv-tools/optimizer.hpp>
#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <unordered_map>

#include "platform/fx/6_spirv/6_spirv_module.h"

namespace fx {
namespace {

// A loop of more iterations than this is not unrolled here (Direct3D 9's
// compiler gives up on one that long too); its reads count for none.
constexpr int kMaxUnrolledIterations = 1024;
// Nor are loops whose iterations, nested, make more copies than this.
constexpr int64_t kMaxUnrolledCopies = 4096;

bool IsRead(uint32_t op) {
    return op >= spv::OpImageSampleImplicitLod && op <= spv::OpImageSampleProjDrefExplicitLod;
}

// >> Whether a shader has enough reads to reach a limit at all

// The reads in the module: at least the reads the inlined code has
// outside loops when every function that reads is called from one place
// (INT32_MAX when one is called from more). Far cheaper than optimizing,
// and below the limits for nearly every shader. *loops: whether it has a
// loop that would be unrolled (onlyUnrolled: one marked [unroll]).
int64_t ReadsAndCallSites(const SpvModule& m, bool onlyUnrolled, bool* loops) {
    std::unordered_map<uint32_t, int64_t> own;
    std::vector<std::pair<uint32_t, uint32_t>> calls;  // caller, callee
    uint32_t function = 0;
    for (const SpvInstruction& in : m.code) {
        if (in.op == spv::OpFunction && in.words.size() > 1) function = in.words[1];
        if (function == 0) continue;
        if (IsRead(in.op)) ++own[function];
        if (in.op == spv::OpLoopMerge && in.words.size() > 2 &&
            (!onlyUnrolled || (in.words[2] & spv::LoopControlUnrollMask) != 0)) {
            *loops = true;
        }
        if (in.op == spv::OpFunctionCall && in.words.size() > 2) {
            calls.emplace_back(function, in.words[2]);
        }
    }
    // Functions that read, directly or through what they call.
    std::set<uint32_t> reading;
    for (const auto& [id, n] : own) reading.insert(id);
    for (bool grew = true; grew;) {
        grew = false;
        for (const auto& [caller, callee] : calls) {
            if (reading.count(callee) != 0 && reading.insert(caller).second) grew = true;
        }
    }
    std::unordered_map<uint32_t, int> callSites;
    for (const auto& [caller, callee] : calls) {
        if (reading.count(callee) != 0 && ++callSites[callee] > 1) return INT32_MAX;
    }
    int64_t total = 0;
    for (const auto& [id, n] : own) total += n;
    return total;
}

// >> Optimizing a copy

bool Optimize(std::vector<uint32_t>* words, bool unroll) {
    spvtools::Optimizer opt(SPV_ENV_UNIVERSAL_1_0);
    opt.SetMessageConsumer([](spv_message_level_t, const char*, const spv_position_t&,
                              const char*) {});
    if (unroll) {
        opt.RegisterPass(spvtools::CreateLoopUnrollPass(true));
    } else {
        opt.RegisterLegalizationPasses();
    }
    opt.RegisterPerformancePasses();
    spvtools::OptimizerOptions options;
    options.set_run_validator(false);
    std::vector<uint32_t> out;
    if (!opt.Run(words->data(), words->size(), &out, options)) return false;
    *words = std::move(out);
    return true;
}

// A vector times a constant scalar as the product by that constant in
// every component: SPIRV-Tools folds a product by 1 or 0, and two products
// by constants into one, only in that form, as Direct3D 9's compiler folds
// "v * 1" and "v * 2 * 0.5". False when there was none.
bool SplatConstantScalars(std::vector<uint32_t>* words) {
    SpvModule m;
    if (!m.Read(*words)) return false;
    bool changed = false;
    for (size_t i = 0; i < m.code.size(); ++i) {
        if (m.code[i].op != spv::OpVectorTimesScalar || m.code[i].words.size() != 4) continue;
        const uint32_t type = m.code[i].words[0], scalar = m.code[i].words[3];
        const SpvInstruction* s = m.Def(scalar);
        const SpvInstruction* v = m.Def(type);
        if (s == nullptr || s->op != spv::OpConstant || v == nullptr ||
            v->op != spv::OpTypeVector || v->words.size() != 3) {
            continue;
        }
        const std::vector<uint32_t> parts(v->words[2], scalar);
        const size_t before = m.code.size();
        const uint32_t splat = m.DeclareConstant(spv::OpConstantComposite, type, parts);
        i += m.code.size() - before;  // a new constant goes before the functions
        m.code[i].op = spv::OpFMul;
        m.code[i].words[3] = splat;
        changed = true;
    }
    if (changed) *words = m.Write();
    return changed;
}

// A constant's value as a number; false for what is not a 32-bit int or
// float constant.
bool NumberOf(const SpvModule& m, uint32_t id, double* value, bool* isFloat) {
    const SpvInstruction* def = m.Def(id);
    if (def == nullptr || def->op != spv::OpConstant || def->words.size() != 3) return false;
    const SpvInstruction* type = m.Def(def->words[0]);
    if (type == nullptr || type->words.size() < 2 || type->words[1] != 32) return false;
    *isFloat = type->op == spv::OpTypeFloat;
    if (*isFloat) {
        float f;
        std::memcpy(&f, &def->words[2], sizeof f);
        *value = f;
    } else if (type->op == spv::OpTypeInt) {
        const bool isSigned = type->words.size() > 2 && type->words[2] != 0;
        *value = isSigned ? static_cast<double>(static_cast<int32_t>(def->words[2]))
                          : static_cast<double>(def->words[2]);
    } else {
        return false;
    }
    return true;
}

bool Compare(uint32_t op, double a, double b) {
    switch (op) {
        case spv::OpSLessThan: case spv::OpULessThan: case spv::OpFOrdLessThan:
        case spv::OpFUnordLessThan: return a < b;
        case spv::OpSLessThanEqual: case spv::OpULessThanEqual: case spv::OpFOrdLessThanEqual:
        case spv::OpFUnordLessThanEqual: return a <= b;
        case spv::OpSGreaterThan: case spv::OpUGreaterThan: case spv::OpFOrdGreaterThan:
        case spv::OpFUnordGreaterThan: return a > b;
        case spv::OpSGreaterThanEqual: case spv::OpUGreaterThanEqual:
        case spv::OpFOrdGreaterThanEqual: case spv::OpFUnordGreaterThanEqual: return a >= b;
        case spv::OpIEqual: case spv::OpFOrdEqual: case spv::OpFUnordEqual: return a == b;
        case spv::OpINotEqual: case spv::OpFOrdNotEqual: case spv::OpFUnordNotEqual: return a != b;
        default: return false;
    }
}

bool IsComparison(uint32_t op) {
    return (op >= spv::OpIEqual && op <= spv::OpFUnordGreaterThanEqual) &&
           op != spv::OpLogicalEqual;
}

// The instructions of each block of a function, by label.
struct Blocks {
    std::vector<uint32_t> order;                           // labels in layout order
    std::unordered_map<uint32_t, std::pair<size_t, size_t>> range;  // [first, end) in code
};

Blocks BlocksOf(const SpvModule& m, uint32_t function) {
    Blocks b;
    bool inside = false;
    for (size_t i = 0; i < m.code.size(); ++i) {
        const SpvInstruction& in = m.code[i];
        if (in.op == spv::OpFunction) inside = in.words.size() > 1 && in.words[1] == function;
        if (!inside) continue;
        if (in.op == spv::OpLabel && !in.words.empty()) {
            b.order.push_back(in.words[0]);
            b.range[in.words[0]] = {i, i};
        }
        if (!b.order.empty()) b.range[b.order.back()].second = i + 1;
        if (in.op == spv::OpFunctionEnd) break;
    }
    return b;
}

// The iterations of a loop the optimizer left as a counter: a phi of the
// header that starts at a constant, steps by a constant, and is compared
// with a constant where the loop is left. -1 when it is not such a loop or
// runs longer than kMaxUnrolledIterations.
int LoopIterations(const SpvModule& m, const Blocks& blocks, uint32_t header, uint32_t merge) {
    auto [first, end] = blocks.range.at(header);
    // The exit test: in the header or the block it goes on to.
    const SpvInstruction* exit = nullptr;
    for (int hop = 0; hop < 2 && exit == nullptr; ++hop) {
        const SpvInstruction& last = m.code[end - 1];
        if (last.op == spv::OpBranchConditional && last.words.size() >= 3 &&
            (last.words[1] == merge || last.words[2] == merge)) {
            exit = &last;
        } else if (last.op == spv::OpBranch && !last.words.empty() &&
                   blocks.range.count(last.words[0]) != 0) {
            std::tie(first, end) = blocks.range.at(last.words[0]);
        } else {
            break;
        }
    }
    if (exit == nullptr) return -1;
    const SpvInstruction* test = m.Def(exit->words[0]);
    if (test == nullptr || !IsComparison(test->op) || test->words.size() < 4) return -1;
    // Which side is the counter.
    for (int side = 0; side < 2; ++side) {
        const SpvInstruction* phi = m.Def(test->words[2 + side]);
        double bound = 0, start = 0, step = 0;
        bool f1 = false, f2 = false, f3 = false;
        if (phi == nullptr || phi->op != spv::OpPhi || phi->words.size() != 6 ||
            !NumberOf(m, test->words[3 - side], &bound, &f1)) {
            continue;
        }
        // (value, block) pairs: one is the start, the other the stepped value.
        for (int start_at = 0; start_at < 2; ++start_at) {
            const SpvInstruction* next = m.Def(phi->words[2 + 2 * (1 - start_at)]);
            if (!NumberOf(m, phi->words[2 + 2 * start_at], &start, &f2) || next == nullptr ||
                next->words.size() < 4 || next->words[2] != phi->Result() ||
                !NumberOf(m, next->words[3], &step, &f3)) {
                continue;
            }
            const bool add = next->op == spv::OpIAdd || next->op == spv::OpFAdd;
            const bool sub = next->op == spv::OpISub || next->op == spv::OpFSub;
            if (!add && !sub) continue;
            const bool stayOnTrue = exit->words[2] == merge;
            double v = start;
            for (int n = 0; n <= kMaxUnrolledIterations; ++n) {
                const bool t = side == 0 ? Compare(test->op, v, bound) : Compare(test->op, bound, v);
                if (t != stayOnTrue) return n;
                v = add ? v + step : v - step;
                if (!f2) v = std::trunc(v);
            }
            return -1;
        }
    }
    return -1;
}

// Marks every loop of the entry point to be unrolled when the length of
// each is known and small; false when one is not (then none is).
bool MarkLoopsToUnroll(SpvModule* m) {
    const Blocks blocks = BlocksOf(*m, m->EntryPoint());
    std::vector<std::pair<uint32_t, int64_t>> open;  // merge label, copies so far
    std::vector<SpvInstruction*> merges;
    for (uint32_t label : blocks.order) {
        while (!open.empty() && open.back().first == label) open.pop_back();
        auto [first, end] = blocks.range.at(label);
        for (size_t i = first; i < end; ++i) {
            SpvInstruction& in = m->code[i];
            if (in.op != spv::OpLoopMerge || in.words.size() < 3) continue;
            const int n = LoopIterations(*m, blocks, label, in.words[0]);
            const int64_t copies = (open.empty() ? 1 : open.back().second) * std::max(n, 1);
            if (n < 0 || copies > kMaxUnrolledCopies) return false;
            open.emplace_back(in.words[0], copies);
            merges.push_back(&in);
        }
    }
    for (SpvInstruction* in : merges) {
        in->words[2] = (in->words[2] & ~uint32_t{spv::LoopControlDontUnrollMask}) |
                       spv::LoopControlUnrollMask;
    }
    return !merges.empty();
}

// >> Measuring the optimized entry point

// What a value is made of: the highest order of a read it depends on, and
// whether it is certainly not an input register as it came in.
struct CountedValue {
    int order = -1;
    bool computed = true;
    bool varies = false;   // from an input or a read: not left to the preshader
    // How often it is made: the iterations of the loops left as loops whose
    // counters or carried values it depends on (1 outside them).
    int64_t times = 1;
    // The longest chain of counted instructions it ends, each needing the
    // one before: so many instructions however the lanes are packed.
    int64_t depth = 0;
};

class Measure {
public:
    Measure(const SpvModule& m, bool saturates, bool loops)
        : m_(m), glsl_(GlslStd450(m)), saturates_(saturates), keepsLoops_(loops) {
        for (const SpvInstruction& in : m.code) {
            if (in.op == spv::OpEntryPoint && !in.words.empty()) {
                pixel_ = in.words[0] == spv::ExecutionModelFragment;
                break;
            }
        }
    }

    CountedFigures Run() {
        const Blocks blocks = BlocksOf(m_, m_.EntryPoint());
        CountUses(blocks);
        // The loops around (merge label, how often their bodies run): one
        // left as a loop (a float counter the unrolling does not take)
        // counts its body once per iteration, from the first iteration's
        // values; one of unknown length not at all.
        std::vector<std::pair<uint32_t, int64_t>> open;
        for (uint32_t label : blocks.order) {
            while (!open.empty() && open.back().first == label) open.pop_back();
            auto [first, end] = blocks.range.at(label);
            for (size_t i = first; i < end; ++i) {
                const SpvInstruction& in = m_.code[i];
                if (in.op == spv::OpLoopMerge && !in.words.empty()) {
                    const int n = LoopIterations(m_, blocks, label, in.words[0]);
                    const int64_t outer = open.empty() ? 1 : open.back().second;
                    int64_t times = n < 0 || keepsLoops_ ? 0 : outer * n;
                    if (times > kMaxUnrolledCopies) times = 0;
                    open.emplace_back(in.words[0], times);
                }
            }
            times_ = open.empty() ? 1 : open.back().second;
            for (size_t i = first; i < end; ++i) Visit(m_.code[i], times_ == 0);
        }
        figures_.reads = static_cast<int>(reads_.size());
        const int64_t packed = (std::max<int64_t>(lanes_, 0) + 3) / 4 +
                               static_cast<int64_t>(colours_.size());
        figures_.arithmetic = static_cast<int>(std::min<int64_t>(std::max(packed, depth_), INT32_MAX));
        return figures_;
    }

private:
    CountedValue Of(uint32_t id) const {
        auto found = values_.find(id);
        return found != values_.end() ? found->second : CountedValue{};
    }

    int HighestOrder(const std::vector<uint32_t>& ids) const {
        int order = -1;
        for (uint32_t id : ids) order = std::max(order, Of(id).order);
        return order;
    }

    // A load of an input variable (or a member of one).
    bool IsInput(uint32_t pointer) const {
        const SpvInstruction* p = m_.Def(pointer);
        while (p != nullptr && IsChainOp(p->op) && p->words.size() > 2) p = m_.Def(p->words[2]);
        return p != nullptr && p->op == spv::OpVariable && p->words.size() > 2 &&
               p->words[2] == spv::StorageClassInput;
    }

    // The variable a sampled image was loaded from: reads of one texture at
    // one coordinate are one read, whichever load they took it through.
    uint32_t SamplerOf(uint32_t id) const {
        const SpvInstruction* d = m_.Def(id);
        for (int hops = 0; d != nullptr && hops < 8; ++hops) {
            if (d->op == spv::OpVariable) return d->Result();
            if (d->op == spv::OpSampledImage || d->op == spv::OpLoad || IsChainOp(d->op) ||
                d->op == spv::OpCopyObject) {
                if (d->words.size() < 3) break;
                d = m_.Def(d->words[2]);
                continue;
            }
            break;
        }
        return id;
    }

    void Visit(const SpvInstruction& in, bool inLoop) {
        if (in.op == spv::OpStore && in.words.size() > 1) VisitStore(in.words[0], in.words[1]);
        const uint32_t result = in.Result();
        if (result == 0) return;
        const std::vector<uint32_t>& w = in.words;
        in.UsedIds(&ids_);
        CountedValue v;
        // What does not change from one iteration to the next is computed
        // once, before the loop.
        v.times = in.op == spv::OpPhi ? times_ : 1;
        for (uint32_t id : ids_) v.times = std::max(v.times, Of(id).times);
        mult_ = v.times;
        if (inLoop) {
            // A loop of unknown length: what it computes counts for nothing.
        } else if (IsRead(in.op) && w.size() > 3) {
            VisitRead(in, &v);
        } else if (in.op == spv::OpLoad && w.size() > 2) {
            v.computed = !IsInput(w[2]);
        } else if ((in.op == spv::OpCompositeExtract || in.op == spv::OpCopyObject ||
                    IsChainOp(in.op)) &&
                   w.size() > 2) {
            const int64_t times = v.times;
            v = Of(w[2]);
            v.times = times;
        } else if (in.op == spv::OpVectorShuffle && w.size() > 4) {
            // The first components of one vector in order: still the register.
            bool prefix = true;
            for (size_t i = 4; i < w.size(); ++i) prefix = prefix && w[i] == i - 4;
            v.order = HighestOrder(ids_);
            v.computed = !prefix || Of(w[2]).computed;
        } else if (in.op == spv::OpCompositeConstruct || in.op == spv::OpCompositeInsert) {
            // float2(u, 0) of a 1D read is the register u came in, and so
            // is a projected read's t with its w moved into z.
            v.order = HighestOrder(ids_);
            for (uint32_t id : ids_) v.computed = v.computed && Of(id).computed;
        } else {
            v.order = HighestOrder(ids_);
        }
        if (!inLoop) {
            for (uint32_t id : ids_) v.varies = v.varies || Of(id).varies;
            if (in.op == spv::OpLoad && w.size() > 2) v.varies = IsInput(w[2]);
            if (IsRead(in.op)) v.varies = true;
            // Free instructions pass the chain on; a counted one adds to it
            // (an addition that takes a product is one mad with it).
            int64_t below = 0;
            for (uint32_t id : ids_) below = std::max(below, Of(id).depth);
            v.depth = below;
            if (v.varies) {
                uint32_t product = 0;
                if (CountArithmetic(in, &product)) {
                    v.depth = below + 1;
                    if (product != 0) {
                        int64_t other = 0;
                        for (uint32_t id : ids_)
                            if (id != product) other = std::max(other, Of(id).depth);
                        v.depth = std::max(Of(product).depth, other + 1);
                    }
                }
            }
            depth_ = std::max(depth_, v.depth);
        }
        values_[result] = v;
    }

    // How often each value is used: a product used once, by an addition,
    // is one mad with it.
    void CountUses(const Blocks& blocks) {
        for (uint32_t label : blocks.order) {
            auto [first, end] = blocks.range.at(label);
            for (size_t i = first; i < end; ++i) {
                m_.code[i].UsedIds(&ids_);
                for (uint32_t id : ids_) ++uses_[id];
            }
        }
    }

    // A product, or a value added to itself (twice it).
    static bool IsProduct(const SpvInstruction& d) {
        return d.op == spv::OpFMul || d.op == spv::OpVectorTimesScalar || d.op == spv::OpIMul ||
               ((d.op == spv::OpFAdd || d.op == spv::OpIAdd) && d.words.size() > 3 &&
                d.words[2] == d.words[3]);
    }

    // The components a result has.
    int64_t Width(uint32_t type) const {
        const SpvInstruction* t = m_.Def(type);
        if (t == nullptr || t->words.size() < 3) return 1;
        if (t->op == spv::OpTypeVector) return t->words[2];
        if (t->op == spv::OpTypeMatrix) return Width(t->words[1]) * t->words[2];
        return 1;
    }

    // The components of an extended instruction's first operand.
    int64_t OperandWidth(const std::vector<uint32_t>& w) const {
        const SpvInstruction* d = w.size() > 4 ? m_.Def(w[4]) : nullptr;
        return d != nullptr ? Width(d->Type()) : 1;
    }

    // A length, distance or square root: a reciprocal of an rsq, which a
    // division by it takes as it is.
    bool IsRoot(uint32_t id) const {
        const SpvInstruction* d = m_.Def(id);
        if (d == nullptr || d->op != spv::OpExtInst || d->words.size() < 4 || d->words[2] != glsl_)
            return false;
        return d->words[3] == GLSLstd450Length || d->words[3] == GLSLstd450Distance ||
               d->words[3] == GLSLstd450Sqrt;
    }

    // The value a divisor holds in every component ("x / w" of a float4 by
    // a float is one reciprocal): the scalar a splat was made of.
    uint32_t Divisor(uint32_t id) const {
        const SpvInstruction* d = m_.Def(id);
        if (d == nullptr || d->op != spv::OpCompositeConstruct || d->words.size() < 3) return id;
        for (size_t i = 3; i < d->words.size(); ++i)
            if (d->words[i] != d->words[2]) return id;
        return d->words[2];
    }

    // A vector by a constant matrix, as Direct3D 9's compiler folds it:
    // each component of the result is the sum of as many products as its
    // coefficients that are not 0, a product by 1 or -1 free, at most a
    // dot product of its own. False when the matrix is not a constant.
    bool ConstantMatrixLanes(const SpvInstruction& in, int64_t* lanes) const {
        const std::vector<uint32_t>& w = in.words;
        if (w.size() != 4) return false;
        const bool matrixFirst = in.op == spv::OpMatrixTimesVector;
        const SpvInstruction* mat = m_.Def(matrixFirst ? w[2] : w[3]);
        if (mat == nullptr || mat->op != spv::OpConstantComposite) return false;
        // coefficients[column][row]
        std::vector<std::vector<double>> columns;
        for (size_t c = 2; c < mat->words.size(); ++c) {
            const SpvInstruction* col = m_.Def(mat->words[c]);
            std::vector<double> values;
            if (col != nullptr && col->op == spv::OpConstantComposite) {
                for (size_t r = 2; r < col->words.size(); ++r) {
                    double value = 0;
                    bool isFloat = false;
                    const SpvInstruction* e = m_.Def(col->words[r]);
                    if (e != nullptr && e->op == spv::OpConstantNull) {
                        value = 0;
                    } else if (!NumberOf(m_, col->words[r], &value, &isFloat)) {
                        return false;
                    }
                    values.push_back(value);
                }
            } else if (col == nullptr || col->op != spv::OpConstantNull) {
                return false;
            }
            columns.push_back(std::move(values));
        }
        if (columns.empty()) return false;
        size_t rows = 0;
        for (const auto& col : columns) rows = std::max(rows, col.size());
        auto at = [&](size_t c, size_t r) {
            return r < columns[c].size() ? columns[c][r] : 0.0;
        };
        // Matrix * vector: component r sums over the columns; vector *
        // matrix: component c sums over the rows.
        const size_t outputs = matrixFirst ? rows : columns.size();
        const size_t terms = matrixFirst ? columns.size() : rows;
        *lanes = 0;
        for (size_t o = 0; o < outputs; ++o) {
            int64_t nonzero = 0;
            double only = 0;
            for (size_t t = 0; t < terms; ++t) {
                const double value = matrixFirst ? at(t, o) : at(o, t);
                if (value != 0) {
                    ++nonzero;
                    only = value;
                }
            }
            if (nonzero == 1 && (only == 1 || only == -1)) continue;
            *lanes += std::min<int64_t>(nonzero, 4);
        }
        return true;
    }

    // Arithmetic as the lanes of the instructions it needs at least: four
    // lanes to an instruction, a dot product or a row of a transform a
    // whole one; negation, swizzles, saturation and conversions free (a
    // modifier, or the float registers every value lives in). exp, log,
    // rsq and rcp write one component: such a function of a scalar is a
    // whole instruction (of a vector at least one, as its components may
    // all be one value), a division by a value that varies one rcp for each
    // divisor, a length a dot product and an rsq, a normalize a dot
    // product besides its products.
    // Whether it counts; *product is the product an addition fuses with.
    bool CountArithmetic(const SpvInstruction& in, uint32_t* product) {
        const std::vector<uint32_t>& w = in.words;
        const int64_t width = Width(in.Type());
        const int64_t scalarOp = std::max<int64_t>(width, 4);
        switch (in.op) {
            case spv::OpFAdd: case spv::OpFSub: case spv::OpIAdd: case spv::OpISub:
                lanes_ += mult_ * width;
                for (size_t i = 2; i < 4 && i < w.size(); ++i) {
                    const SpvInstruction* d = m_.Def(w[i]);
                    if (d != nullptr && IsProduct(*d) && uses_[w[i]] == 1 &&
                        fused_.insert(w[i]).second) {
                        lanes_ -= mult_ * width;  // the product's lanes, counted already
                        *product = w[i];
                        break;
                    }
                }
                return true;
            case spv::OpFDiv: {
                // 1 / x is the rcp alone; x / length(v) or x / sqrt(y) a
                // product by the rsq those computed.
                const SpvInstruction* n = w.size() > 2 ? m_.Def(w[2]) : nullptr;
                const bool constant = n != nullptr && (n->op == spv::OpConstant ||
                                                       n->op == spv::OpConstantComposite);
                if (!constant) lanes_ += mult_ * width;
                if (w.size() > 3 && Of(w[3]).varies && !IsRoot(Divisor(w[3])) &&
                    (mult_ > 1 || reciprocals_.insert(Divisor(w[3])).second)) {
                    lanes_ += mult_ * 4;
                }
                return true;
            }
            case spv::OpFMul: case spv::OpIMul: case spv::OpVectorTimesScalar:
            case spv::OpMatrixTimesScalar:  // a product per component
            case spv::OpSDiv: case spv::OpUDiv: case spv::OpFRem:
            case spv::OpSRem: case spv::OpFMod: case spv::OpSMod: case spv::OpUMod:
            case spv::OpSelect:
                lanes_ += mult_ * width;
                return true;
            case spv::OpDot:
                lanes_ += mult_ * 4;
                return true;
            case spv::OpMatrixTimesVector: case spv::OpVectorTimesMatrix: {
                int64_t lanes = 0;
                if (ConstantMatrixLanes(in, &lanes)) {
                    lanes_ += mult_ * lanes;
                    return lanes > 0;
                }
                lanes_ += mult_ * 4 * width;
                return true;
            }
            case spv::OpMatrixTimesMatrix:
                lanes_ += mult_ * 4 * width;
                return true;
            case spv::OpExtInst:
                if (w.size() < 4 || w[2] != glsl_) return false;
                switch (w[3]) {
                    case GLSLstd450FClamp: case GLSLstd450NClamp:
                        // Without the _sat modifier, a max and a min.
                        if (saturates_) return false;
                        lanes_ += mult_ * 2 * width;
                        return true;
                    case GLSLstd450Exp: case GLSLstd450Exp2: case GLSLstd450Log:
                    case GLSLstd450Log2: case GLSLstd450InverseSqrt: case GLSLstd450Sqrt:
                    case GLSLstd450Sin: case GLSLstd450Cos:
                        lanes_ += mult_ * scalarOp;
                        return true;
                    case GLSLstd450Pow:
                        // A constant power may become products.
                        lanes_ += mult_ * (w.size() > 5 && Of(w[5]).varies ? scalarOp : width);
                        return true;
                    case GLSLstd450Length: case GLSLstd450Distance:
                        // Of a scalar, an abs: a modifier.
                        lanes_ += mult_ * (OperandWidth(w) > 1 ? 8 : width);
                        return true;
                    case GLSLstd450Normalize:
                        lanes_ += mult_ * (OperandWidth(w) > 1 ? width + 4 : width);
                        return true;
                    default:
                        lanes_ += mult_ * width;
                        return true;
                }
            default:
                if (!IsComparison(in.op)) return false;
                lanes_ += mult_ * width;
                return true;
        }
    }

    // Shader model 2 writes a colour output only with a mov, once: one
    // instruction of its own, after the value it writes.
    void VisitStore(uint32_t pointer, uint32_t value) {
        if (!pixel_) return;
        const SpvInstruction* p = m_.Def(pointer);
        while (p != nullptr && IsChainOp(p->op) && p->words.size() > 2) p = m_.Def(p->words[2]);
        if (p == nullptr || p->op != spv::OpVariable || p->words.size() < 3 ||
            p->words[2] != spv::StorageClassOutput ||
            !m_.HasDecoration(p->Result(), spv::DecorationLocation) ||
            m_.HasDecoration(p->Result(), spv::DecorationBuiltIn)) {
            return;
        }
        colours_.insert(p->Result());
        depth_ = std::max(depth_, Of(value).depth + 1);
    }

    // A read is one level deeper than the deepest read its coordinates
    // (and bias, level or reference) come from; at an input's coordinates
    // as they came in it is level 1 (order 0), at computed ones level 2.
    void VisitRead(const SpvInstruction& in, CountedValue* v) {
        const std::vector<uint32_t>& w = in.words;
        const bool dref = in.op == spv::OpImageSampleDrefImplicitLod ||
                          in.op == spv::OpImageSampleDrefExplicitLod ||
                          in.op == spv::OpImageSampleProjDrefImplicitLod ||
                          in.op == spv::OpImageSampleProjDrefExplicitLod;
        std::vector<uint32_t> operands{w[3]};
        if (dref && w.size() > 4) operands.push_back(w[4]);
        for (size_t i = dref ? 6 : 5; i < w.size(); ++i) operands.push_back(w[i]);
        const int order = HighestOrder(operands);
        bool computed = false;
        for (uint32_t id : operands) computed = computed || Of(id).computed;
        v->order = order >= 0 ? order + 1 : (computed ? 1 : 0);
        figures_.order = std::max(figures_.order, v->order);
        std::vector<uint32_t> key{in.op, SamplerOf(w[2])};
        key.insert(key.end(), w.begin() + 3, w.end());
        // A read of a loop left as a loop is made once per iteration.
        key.push_back(0);
        for (int64_t k = 0; k < mult_; ++k) {
            key.back() = static_cast<uint32_t>(k);
            reads_.insert(key);
        }
    }

    const SpvModule& m_;
    const uint32_t glsl_;
    const bool saturates_;  // the profile has the _sat modifier
    // The profile has loop instructions: a loop left may stay a loop,
    // whose body the compiler could also have unrolled and folded away.
    const bool keepsLoops_;
    bool pixel_ = false;
    std::set<uint32_t> colours_;  // the colour outputs written
    std::unordered_map<uint32_t, CountedValue> values_;
    std::unordered_map<uint32_t, int> uses_;
    std::set<uint32_t> fused_;
    std::set<uint32_t> reciprocals_;  // divisors counted once
    int64_t lanes_ = 0;
    int64_t depth_ = 0;  // the longest chain of counted instructions
    int64_t times_ = 1;  // how often the block being visited runs
    int64_t mult_ = 1;   // how often the instruction being visited is made
    std::set<std::vector<uint32_t>> reads_;
    std::vector<uint32_t> ids_;
    CountedFigures figures_;
};

}  // namespace

CountedLimits CountedLimitsOf(std::string_view profile) {
    // ps_2_a has no limit on reads or their dependence, ps_2_b none on the
    // number of reads, shader model 3 none. vs_1_1 has 128 slots and no
    // loops.
    if (profile == "ps_2_0") return {32, 3, 64, 0};
    if (profile == "ps_2_b") return {0, 3, 0, 512};
    if (profile == "vs_1_1") return {0, -1, 0, 128, false};
    // What the profiles with loop instructions store: vs_2_0 and vs_2_a
    // (vs_2_x) 256 instruction slots, ps_2_a 512 (ps_2_x offers 96 to
    // 512). Shader model 3's 512 are a device's least (up to 32768), not
    // a bound of the compiler.
    if (profile == "vs_2_0" || profile == "vs_2_a") return {0, -1, 0, 256, true, true};
    if (profile == "ps_2_a") return {0, -1, 0, 512, true, true};
    return {};
}

bool MeasureCounted(const std::vector<uint32_t>& words, int64_t slots,
                    const CountedLimits& limits, CountedFigures* figures) {
    *figures = {};
    if (limits.reads == 0 && limits.order < 0 && limits.arithmetic == 0 && limits.slots == 0) {
        return true;
    }
    SpvModule m;
    if (!m.Read(words)) return false;
    bool loops = false;
    const int64_t reads = ReadsAndCallSites(m, limits.loops, &loops);
    // The order of the k-th read of a chain is at most k, so fewer reads
    // than order + 1 cannot pass it; the estimate of slots counts more
    // than the optimized code has, but a loop's body only once.
    const int64_t needed = std::min<int64_t>(limits.order >= 0 ? limits.order + 1 : INT32_MAX,
                                             limits.reads > 0 ? limits.reads + 1 : INT32_MAX);
    const int64_t room = std::min<int64_t>(limits.arithmetic > 0 ? limits.arithmetic : INT32_MAX,
                                           limits.slots > 0 ? limits.slots : INT32_MAX);
    if (!loops && reads < needed && slots <= room) return true;
    std::vector<uint32_t> copy = words;
    SplatConstantScalars(&copy);
    if (!Optimize(&copy, false)) return false;
    // Inlining and propagation may have made more scalars constant.
    if (SplatConstantScalars(&copy) && !Optimize(&copy, false)) return false;
    SpvModule optimized;
    if (!optimized.Read(copy)) return false;
    if (limits.loops) {
        // Only the loops marked [unroll] unroll; the passes above may have
        // left one they could not see the length of yet.
        std::vector<uint32_t> unrolled = copy;
        if (loops && Optimize(&unrolled, true) && optimized.Read(unrolled)) {
            // measured unrolled
        } else if (!optimized.Read(copy)) {
            return false;
        }
    } else if (MarkLoopsToUnroll(&optimized)) {
        std::vector<uint32_t> unrolled = optimized.Write();
        if (Optimize(&unrolled, true) && optimized.Read(unrolled)) {
            // measured unrolled
        } else if (!optimized.Read(copy)) {
            return false;
        }
    }
    *figures = Measure(optimized, limits.saturates, limits.loops).Run();
    return true;
}

}  // namespace fx
