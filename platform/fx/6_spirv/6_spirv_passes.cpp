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
bool ComponentWise(uint32_t op) {
    return op == spv::OpFRem || op == spv::OpFMod || op == spv::OpLogicalNot ||
           op == spv::OpLogicalAnd || op == spv::OpLogicalOr || op == spv::OpIsNan ||
           op == spv::OpIsInf || (op >= spv::OpFOrdEqual && op <= spv::OpFUnordGreaterThanEqual) ||
           (op >= spv::OpDPdx && op <= spv::OpFwidthCoarse);
}

}  // namespace

void FixIntrinsics(SpvModule& module) {
    const uint32_t glsl = GlslStd450(module);
    // atan2's y is compared with a zero of its type, declared up front: a
    // type (float or vector) -> (its bool type, its zero).
    std::vector<std::pair<uint32_t, std::pair<uint32_t, uint32_t>>> zeros;
    bool any = false;  // anything to do at all
    for (const SpvInstruction& in : module.code) {
        const bool ext = in.op == spv::OpExtInst && in.words.size() > 4 && in.words[2] == glsl;
        if ((ext || ComponentWise(in.op)) && module.IsMatrix(in.words[0])) any = true;
        if (in.op == spv::OpStore && in.words.size() >= 2) {
            const SpvInstruction* target = module.Def(in.words[0]);
            const SpvInstruction* type = target != nullptr ? module.Def(target->Type()) : nullptr;
            if (target != nullptr && (type == nullptr || type->op != spv::OpTypePointer)) any = true;
        }
        if (!ext || in.words.size() != 6 || in.words[3] != GLSLstd450Atan2) continue;
        any = true;
        const uint32_t type = in.words[0];
        bool known = false;
        for (const auto& z : zeros) known |= z.first == type;
        const SpvInstruction* t = module.Def(type);
        if (known || t == nullptr || t->op == spv::OpTypeMatrix) continue;
        uint32_t boolType = module.DeclareType(spv::OpTypeBool, {});
        if (t->op == spv::OpTypeVector) {
            const uint32_t n = t->words[2];
            boolType = module.DeclareType(spv::OpTypeVector, {boolType, n});
        }
        zeros.push_back({type, {boolType, module.DeclareConstant(spv::OpConstantNull, type, {})}});
    }
    if (!any) return;
    const uint32_t boolType = module.DeclareType(spv::OpTypeBool, {});
    // Matrix results split into columns: id -> the columns' ids. A matrix of
    // bools (which GLSL does not have) is never put together again.
    std::unordered_map<uint32_t, std::vector<uint32_t>> split;
    std::vector<SpvInstruction> out;
    out.reserve(module.code.size());
    for (const SpvInstruction& original : module.code) {
        SpvInstruction in = original;
        const bool ext = in.op == spv::OpExtInst && in.words.size() > 4 && in.words[2] == glsl;
        if (ext && in.words[3] == GLSLstd450Atan2 && in.words.size() == 6 &&
            !module.IsMatrix(in.words[0])) {
            // atan2(-0, x) is atan2(+0, x): y == 0 ? +0 : y.
            for (const auto& [type, z] : zeros) {
                if (type != in.words[0]) continue;
                const uint32_t isZero = module.NewId(), y = module.NewId();
                out.push_back({spv::OpFOrdEqual, {z.first, isZero, in.words[4], z.second}});
                out.push_back({spv::OpSelect, {type, y, isZero, z.second, in.words[4]}});
                in.words[4] = y;
            }
        } else if ((ext || ComponentWise(in.op) ||
                    (in.op == spv::OpSelect && split.count(in.words[2]) != 0)) &&
                   module.IsMatrix(in.words[0])) {
            const SpvInstruction* matrix = module.Def(in.words[0]);
            const uint32_t columnType = matrix->words[1], columns = matrix->words[2];
            const size_t first = ext ? 4 : 2;
            // The column type of the first matrix operand (of the result
            // for a select): what a scalar operand is spread to.
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
                for (size_t i = first; i < in.words.size(); ++i) {
                    const SpvInstruction* arg = module.Def(in.words[i]);
                    const uint32_t argType = arg != nullptr ? arg->Type() : 0;
                    const SpvInstruction* t = module.Def(argType);
                    uint32_t operand = in.words[i];
                    auto done = split.find(operand);
                    if (done != split.end() && c < done->second.size()) {
                        operand = done->second[c];
                    } else if (t != nullptr && t->op == spv::OpTypeMatrix) {
                        operand = module.NewId();
                        out.push_back({spv::OpCompositeExtract, {t->words[1], operand, in.words[i], c}});
                    } else if (t != nullptr && t->op != spv::OpTypeVector && operandColumn != 0) {
                        // A scalar beside a matrix: as many of it as a column has.
                        if (spread[i] == 0) {
                            spread[i] = module.NewId();
                            const uint32_t n = module.Def(operandColumn)->words[2];
                            std::vector<uint32_t> w{operandColumn, spread[i]};
                            for (uint32_t k = 0; k < n; ++k) w.push_back(operand);
                            out.push_back({spv::OpCompositeConstruct, std::move(w)});
                        }
                        operand = spread[i];
                    }
                    words.push_back(operand);
                }
                parts.push_back(words[1]);
                out.push_back({in.op, std::move(words)});
            }
            split[in.words[1]].assign(parts.begin() + 2, parts.end());
            const SpvInstruction* column = module.Def(columnType);
            const bool bools = column != nullptr && module.Def(column->words[1]) != nullptr &&
                               module.Def(column->words[1])->op == spv::OpTypeBool;
            if (!bools) out.push_back({spv::OpCompositeConstruct, std::move(parts)});
            continue;
        } else if ((in.op == spv::OpAny || in.op == spv::OpAll) && in.words.size() == 3 &&
                   split.count(in.words[2]) != 0) {
            // any / all of a matrix: of each column, then of those.
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
            continue;
        } else if (in.op == spv::OpStore && in.words.size() >= 2) {
            // glslang stores an inout argument back into the value it
            // converted for the call: convert it back into the variable read.
            const SpvInstruction* target = module.Def(in.words[0]);
            const SpvInstruction* type = target != nullptr ? module.Def(target->Type()) : nullptr;
            if (target != nullptr && (type == nullptr || type->op != spv::OpTypePointer)) {
                const uint32_t reverse = ReverseConversion(target->op);
                const SpvInstruction* load =
                    reverse != 0 && target->words.size() > 2 ? module.Def(target->words[2]) : nullptr;
                if (load != nullptr && load->op == spv::OpLoad) {
                    const uint32_t value = module.NewId();
                    out.push_back({reverse, {load->words[0], value, in.words[1]}});
                    out.push_back({spv::OpStore, {load->words[2], value}});
                }
                continue;  // a value that came from no variable has nowhere to go
            }
        }
        out.push_back(std::move(in));
    }
    module.code = std::move(out);
    module.Reindex();
    // Matrices of bools no longer made are not declared either (SPIR-V has none).
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

namespace {

// Takes out the additions of the zero in `variable`.
void DropZero(SpvModule& module, uint32_t variable) {
    // The zero as loaded and spread into vectors (id -> times read), and the
    // sums with it: x + zero is x.
    std::unordered_map<uint32_t, int> zeros;
    std::unordered_map<uint32_t, uint32_t> same;
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpLoad && in.words.size() > 2 && in.words[2] == variable) {
            zeros[in.words[1]] = 0;
        } else if (in.op == spv::OpCompositeConstruct && in.words.size() > 2 &&
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
    // A spread zero nothing reads goes, and with it its reads of the loads
    // (constructs come after the loads they read: backwards).
    for (auto it = module.code.rbegin(); it != module.code.rend(); ++it) {
        if (it->op != spv::OpCompositeConstruct) continue;
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

void DropUnfoldedZero(SpvModule& module) {
    for (const char* name : {kUnfoldedZero, kUnfoldedUintZero}) {
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

namespace fx {
namespace {

// The upper-case semantic of a UserSemantic decoration.
std::string Semantic(const SpvInstruction& in) {
    std::string s = LiteralString(in.words, 2);
    for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
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

// An array varying (float4 t[2] : TEXCOORD0, an input or an output
// parameter) becomes one variable per element, element n at the semantic's
// index plus n, as Direct3D 9 numbers them: the other stage (or the
// stand-in) may name them one by one. glslang loads and stores such a
// variable whole; one used otherwise stays an array.
void SplitArrayVaryings(SpvModule& module, uint32_t storage) {
    struct Split {
        uint32_t variable = 0, arrayType = 0, elementType = 0;
        std::string semantic;
        std::vector<uint32_t> elements;
    };
    std::vector<Split> splits;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 || in.words[2] != storage ||
            module.HasDecoration(in.words[1], spv::DecorationBuiltIn)) {
            continue;
        }
        const SpvInstruction* pointer = module.Def(in.words[0]);
        const SpvInstruction* array = pointer != nullptr ? module.Def(pointer->words[2]) : nullptr;
        uint32_t length = 0;
        if (array == nullptr || array->op != spv::OpTypeArray ||
            !module.ConstantValue(array->words[2], &length) || length == 0 || length > 16) {
            continue;
        }
        const SpvInstruction* element = module.Def(array->words[1]);
        const SpvInstruction* scalar =
            element->op == spv::OpTypeVector ? module.Def(element->words[1]) : element;
        if (scalar->op != spv::OpTypeFloat) continue;
        Split split;
        split.variable = in.words[1];
        split.arrayType = array->words[0];
        split.elementType = element->words[0];
        split.elements.resize(length);
        splits.push_back(std::move(split));
    }
    if (splits.empty()) return;
    auto find = [&](uint32_t id) -> Split* {
        for (Split& s : splits) {
            if (s.variable == id) return &s;
        }
        return nullptr;
    };
    // Semantics, and the uses that are not whole loads and stores.
    std::vector<uint32_t> ids;
    bool code = false;  // past the declarations
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpDecorateString && in.words.size() > 2 &&
            in.words[1] == spv::DecorationUserSemantic) {
            if (Split* s = find(in.words[0])) s->semantic = Semantic(in);
            continue;
        }
        code = code || in.op == spv::OpFunction;
        if (!code) continue;
        in.UsedIds(&ids);
        for (size_t k = 0; k < ids.size(); ++k) {
            Split* s = find(ids[k]);
            if (s == nullptr) continue;
            const bool whole = (in.op == spv::OpLoad && in.words[2] == ids[k]) ||
                               (in.op == spv::OpStore && in.words[0] == ids[k] &&
                                in.words[1] != ids[k]);
            if (!whole) s->semantic.clear();
        }
    }
    std::erase_if(splits,
                  [](const Split& s) { return s.semantic.empty() || StaysAsItIs(s.semantic); });
    if (splits.empty()) return;

    std::vector<SpvInstruction> variables;
    for (Split& s : splits) {
        const uint32_t pointer = module.DeclareType(spv::OpTypePointer, {storage, s.elementType});
        for (uint32_t& e : s.elements) {
            e = module.NewId();
            variables.push_back({spv::OpVariable, {pointer, e, storage}});
        }
    }
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        if (in.op == spv::OpFunction && !variables.empty()) {
            for (SpvInstruction& v : variables) module.code.push_back(std::move(v));
            variables.clear();
        }
        if (in.op == spv::OpEntryPoint) {
            // The interface lists the elements instead of the array.
            // Its name's last word ends in a zero byte.
            size_t k = 2;
            while (k < in.words.size() && (in.words[k] & 0xFF000000u) != 0) ++k;
            k = std::min(k + 1, in.words.size());
            SpvInstruction entry{in.op, {in.words.begin(), in.words.begin() + static_cast<long>(k)}};
            for (size_t j = k; j < in.words.size(); ++j) {
                if (const Split* s = find(in.words[j])) {
                    entry.words.insert(entry.words.end(), s->elements.begin(), s->elements.end());
                } else {
                    entry.words.push_back(in.words[j]);
                }
            }
            module.code.push_back(std::move(entry));
            continue;
        }
        const uint32_t target = in.op == spv::OpVariable ? in.words[1]
                                : in.op == spv::OpName || in.op == spv::OpDecorate ||
                                        in.op == spv::OpDecorateString || in.op == spv::OpStore
                                    ? in.words[0]
                                : in.op == spv::OpLoad ? in.words[2]
                                                       : 0;
        const Split* s = target != 0 ? find(target) : nullptr;
        if (s == nullptr) {
            module.code.push_back(std::move(in));
            continue;
        }
        const uint32_t n = static_cast<uint32_t>(s->elements.size());
        if (in.op == spv::OpName) {
            const std::string name = module.Name(target);
            for (uint32_t e = 0; e < n; ++e) {
                std::vector<uint32_t> words{s->elements[e]};
                for (uint32_t w : StringWords(name + "_" + std::to_string(e))) words.push_back(w);
                module.code.push_back({spv::OpName, std::move(words)});
            }
        } else if (in.op == spv::OpDecorateString) {
            const auto [usage, first] = SplitSemantic(s->semantic);
            for (uint32_t e = 0; e < n; ++e) {
                std::vector<uint32_t> words{s->elements[e], spv::DecorationUserSemantic};
                for (uint32_t w : StringWords(usage + std::to_string(first + static_cast<int>(e))))
                    words.push_back(w);
                module.code.push_back({spv::OpDecorateString, std::move(words)});
            }
        } else if (in.op == spv::OpDecorate) {
            // Interpolation and the like go to every element; the location
            // is given by the semantic later.
            if (in.words[1] == spv::DecorationLocation) continue;
            for (uint32_t e = 0; e < n; ++e) {
                SpvInstruction copy = in;
                copy.words[0] = s->elements[e];
                module.code.push_back(std::move(copy));
            }
        } else if (in.op == spv::OpLoad) {
            std::vector<uint32_t> words{s->arrayType, in.words[1]};
            for (uint32_t e = 0; e < n; ++e) {
                const uint32_t part = module.NewId();
                module.code.push_back({spv::OpLoad, {s->elementType, part, s->elements[e]}});
                words.push_back(part);
            }
            module.code.push_back({spv::OpCompositeConstruct, std::move(words)});
        } else if (in.op == spv::OpStore) {
            for (uint32_t e = 0; e < n; ++e) {
                const uint32_t part = module.NewId();
                module.code.push_back(
                    {spv::OpCompositeExtract, {s->elementType, part, in.words[1], e}});
                module.code.push_back({spv::OpStore, {s->elements[e], part}});
            }
        }
        // The array variable itself goes.
    }
    module.Reindex();
}

}  // namespace

void ClampColorOutputs(SpvModule& module) {
    const uint32_t glsl = GlslStd450(module);
    std::vector<uint32_t> colors;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpDecorateString || in.words.size() < 3 ||
            in.words[1] != spv::DecorationUserSemantic) {
            continue;
        }
        const auto [usage, index] = SplitSemantic(Semantic(in));
        if (usage == "COLOR" && index < 2) colors.push_back(in.words[0]);
    }
    if (glsl == 0 || colors.empty()) return;
    const uint32_t floatType = module.DeclareType(spv::OpTypeFloat, {32});
    const uint32_t zero = module.DeclareConstant(spv::OpConstant, floatType, {0});
    const uint32_t one = module.DeclareConstant(spv::OpConstant, floatType, {0x3f800000u});
    // The stored type -> its 0 and 1.
    std::vector<std::pair<uint32_t, std::pair<uint32_t, uint32_t>>> bounds;
    auto boundsOf = [&](uint32_t type) {
        for (const auto& [t, b] : bounds) {
            if (t == type) return b;
        }
        const SpvInstruction* def = module.Def(type);
        std::pair<uint32_t, uint32_t> b{zero, one};
        if (def != nullptr && def->op == spv::OpTypeVector) {
            const std::vector<uint32_t> zeros(def->words[2], zero), ones(def->words[2], one);
            b = {module.DeclareConstant(spv::OpConstantComposite, type, zeros),
                 module.DeclareConstant(spv::OpConstantComposite, type, ones)};
        }
        bounds.emplace_back(type, b);
        return b;
    };
    // Types and constants first: they go before the first function.
    std::vector<std::pair<uint32_t, uint32_t>> stored;  // variable, value type
    for (uint32_t variable : colors) {
        const SpvInstruction* v = module.Def(variable);
        if (v == nullptr || v->op != spv::OpVariable || v->words[2] != spv::StorageClassOutput)
            continue;
        const uint32_t type = module.Def(v->words[0])->words[2];
        const SpvInstruction* t = module.Def(type);
        const SpvInstruction* scalar = t->op == spv::OpTypeVector ? module.Def(t->words[1]) : t;
        if (scalar->op != spv::OpTypeFloat) continue;
        boundsOf(type);
        stored.emplace_back(variable, type);
    }
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        uint32_t type = 0;
        for (const auto& [variable, t] : stored) {
            if (in.op == spv::OpStore && in.words[0] == variable) type = t;
        }
        if (type != 0) {
            const auto [low, high] = boundsOf(type);
            const uint32_t clamped = module.NewId();
            module.code.push_back({spv::OpExtInst,
                                   {type, clamped, glsl, GLSLstd450FClamp, in.words[1], low, high}});
            in.words[1] = clamped;
        }
        module.code.push_back(std::move(in));
    }
    module.Reindex();
}

void WidenVaryings(SpvModule& module, bool vertex) {
    const uint32_t storage = vertex ? spv::StorageClassOutput : spv::StorageClassInput;
    SplitArrayVaryings(module, storage);
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
