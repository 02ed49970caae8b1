// Stage 6: the varyings as Direct3D 9 passes them on: arrays split into
// registers, every float varying four components wide, the colours of
// vertex shaders before vs_3_0 clamped, a pixel shader's scalar colour
// replicated into its four channels and a narrower one's alpha 1 (see
// 6_spirv_module.h).
#include <spirv_cross/GLSL.std.450.h>
#include <spirv_cross/spirv.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"
#include "platform/fx/6_glsl/6_cross_stage.h"
#include "platform/fx/6_spirv/6_spirv_module.h"
#include "platform/fx/6_spirv/6_varyings.h"

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
//
// A matrix varying (float3x3 tbn : TEXCOORD1) takes a register per column,
// as Direct3D 9 packs it by default: the other stage may read the columns
// as vectors. glslang's matrix holds the rows, so the registers are the
// columns of its transpose (transposedType).
struct SplitVarying {
    uint32_t variable = 0, arrayType = 0, elementType = 0;
    uint32_t transposedType = 0;  // a matrix varying's transposed type; 0 for an array
    std::string semantic;
    std::string name;  // the array's, for its elements' names
    std::vector<uint32_t> elements;
};

SplitVarying* FindSplit(std::vector<SplitVarying>& splits, uint32_t id) {
    for (SplitVarying& s : splits) {
        if (s.variable == id) return &s;
    }
    return nullptr;
}

// A float matrix of R rows and C columns (SPIR-V: R columns of C floats)
// as C registers of R floats.
bool MatrixVarying(SpvModule& module, uint32_t matrixType, SplitVarying* split) {
    const SpvInstruction* matrix = module.Def(matrixType);
    const SpvInstruction* row = module.Def(matrix->words[1]);
    const uint32_t rows = matrix->words[2];
    if (row == nullptr || row->op != spv::OpTypeVector || rows < 2 || rows > 4) return false;
    const SpvInstruction* scalar = module.Def(row->words[1]);
    if (scalar == nullptr || scalar->op != spv::OpTypeFloat) return false;
    const uint32_t columns = row->words[2];
    const uint32_t floatType = row->words[1];
    split->arrayType = matrixType;
    split->elementType = module.DeclareType(spv::OpTypeVector, {floatType, rows});
    split->transposedType =
        module.DeclareType(spv::OpTypeMatrix, {split->elementType, columns});
    split->elements.resize(columns);
    return true;
}

// The float array variables of the storage class, of 1 to 16 elements, and
// its float matrices; int, uint and bool arrays too when asked (a vertex
// shader's inputs, converted from the stream's floats element by element).
std::vector<SplitVarying> ArrayVaryings(SpvModule& module, uint32_t storage, bool integers) {
    std::vector<SplitVarying> splits;
    std::vector<std::pair<uint32_t, uint32_t>> matrices;  // variable, its type
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 || in.words[2] != storage ||
            module.HasDecoration(in.words[1], spv::DecorationBuiltIn)) {
            continue;
        }
        const SpvInstruction* pointer = module.Def(in.words[0]);
        const SpvInstruction* array = pointer != nullptr ? module.Def(pointer->words[2]) : nullptr;
        if (array != nullptr && array->op == spv::OpTypeMatrix) {
            matrices.emplace_back(in.words[1], array->words[0]);
            continue;
        }
        uint32_t length = 0;
        if (array == nullptr || array->op != spv::OpTypeArray ||
            !module.ConstantValue(array->words[2], &length) || length == 0 || length > 16) {
            continue;
        }
        const SpvInstruction* element = module.Def(array->words[1]);
        const SpvInstruction* scalar =
            element->op == spv::OpTypeVector ? module.Def(element->words[1]) : element;
        const bool integer = scalar->op == spv::OpTypeInt || scalar->op == spv::OpTypeBool;
        if (scalar->op != spv::OpTypeFloat && !(integers && integer)) continue;
        SplitVarying split;
        split.variable = in.words[1];
        split.arrayType = array->words[0];
        split.elementType = element->words[0];
        split.elements.resize(length);
        splits.push_back(std::move(split));
    }
    for (const auto& [variable, type] : matrices) {
        SplitVarying split;
        split.variable = variable;
        if (MatrixVarying(module, type, &split)) splits.push_back(std::move(split));
    }
    return splits;
}

// Drops the arrays that have no semantic, keep theirs, or are used other
// than by whole loads and stores.
void KeepSplittable(const SpvModule& module, std::vector<SplitVarying>& splits) {
    std::vector<uint32_t> ids;
    bool code = false;  // past the declarations
    for (const SpvInstruction& in : module.code) {
        if (in.op == spv::OpDecorateString && in.words.size() > 2 &&
            in.words[1] == spv::DecorationUserSemantic) {
            if (SplitVarying* s = FindSplit(splits, in.words[0])) s->semantic = Semantic(in);
            continue;
        }
        code = code || in.op == spv::OpFunction;
        if (!code) continue;
        in.UsedIds(&ids);
        for (size_t k = 0; k < ids.size(); ++k) {
            SplitVarying* s = FindSplit(splits, ids[k]);
            if (s == nullptr) continue;
            const bool whole = (in.op == spv::OpLoad && in.words[2] == ids[k]) ||
                               (in.op == spv::OpStore && in.words[0] == ids[k] &&
                                in.words[1] != ids[k]);
            if (!whole) s->semantic.clear();
        }
    }
    std::erase_if(splits, [](const SplitVarying& s) {
        return s.semantic.empty() || StaysAsItIs(s.semantic);
    });
}

// The entry point's interface lists the elements instead of the array.
SpvInstruction SplitEntryPoint(const SpvInstruction& in, std::vector<SplitVarying>& splits) {
    // Its name's last word ends in a zero byte.
    size_t k = 2;
    while (k < in.words.size() && (in.words[k] & 0xFF000000u) != 0) ++k;
    k = std::min(k + 1, in.words.size());
    SpvInstruction entry{in.op, {in.words.begin(), in.words.begin() + static_cast<long>(k)}};
    for (size_t j = k; j < in.words.size(); ++j) {
        if (const SplitVarying* s = FindSplit(splits, in.words[j])) {
            entry.words.insert(entry.words.end(), s->elements.begin(), s->elements.end());
        } else {
            entry.words.push_back(in.words[j]);
        }
    }
    return entry;
}

// A name, decoration, load or store of the array, once for every element.
void SplitUse(SpvModule& module, const SpvInstruction& in, const SplitVarying& s) {
    const uint32_t n = static_cast<uint32_t>(s.elements.size());
    if (in.op == spv::OpName) {
        const std::string& name = s.name;
        for (uint32_t e = 0; e < n; ++e) {
            std::vector<uint32_t> words{s.elements[e]};
            for (uint32_t w : StringWords(name + "_" + std::to_string(e))) words.push_back(w);
            module.code.push_back({spv::OpName, std::move(words)});
        }
    } else if (in.op == spv::OpDecorateString) {
        const auto [usage, first] = SplitSemantic(s.semantic);
        for (uint32_t e = 0; e < n; ++e) {
            std::vector<uint32_t> words{s.elements[e], spv::DecorationUserSemantic};
            for (uint32_t w : StringWords(usage + std::to_string(first + static_cast<int>(e))))
                words.push_back(w);
            module.code.push_back({spv::OpDecorateString, std::move(words)});
        }
    } else if (in.op == spv::OpDecorate) {
        // Interpolation and the like go to every element; the location is
        // given by the semantic later.
        if (in.words[1] == spv::DecorationLocation) return;
        for (uint32_t e = 0; e < n; ++e) {
            SpvInstruction copy = in;
            copy.words[0] = s.elements[e];
            module.code.push_back(std::move(copy));
        }
    } else if (in.op == spv::OpLoad) {
        const uint32_t whole = s.transposedType != 0 ? module.NewId() : in.words[1];
        std::vector<uint32_t> words{s.transposedType != 0 ? s.transposedType : s.arrayType, whole};
        for (uint32_t e = 0; e < n; ++e) {
            const uint32_t part = module.NewId();
            module.code.push_back({spv::OpLoad, {s.elementType, part, s.elements[e]}});
            words.push_back(part);
        }
        module.code.push_back({spv::OpCompositeConstruct, std::move(words)});
        if (s.transposedType != 0)
            module.code.push_back({spv::OpTranspose, {s.arrayType, in.words[1], whole}});
    } else if (in.op == spv::OpStore) {
        uint32_t value = in.words[1];
        if (s.transposedType != 0) {
            value = module.NewId();
            module.code.push_back({spv::OpTranspose, {s.transposedType, value, in.words[1]}});
        }
        for (uint32_t e = 0; e < n; ++e) {
            const uint32_t part = module.NewId();
            module.code.push_back({spv::OpCompositeExtract, {s.elementType, part, value, e}});
            module.code.push_back({spv::OpStore, {s.elements[e], part}});
        }
    }
    // The array variable itself goes.
}

void SplitArrayVaryings(SpvModule& module, uint32_t storage, bool integers) {
    std::vector<SplitVarying> splits = ArrayVaryings(module, storage, integers);
    if (splits.empty()) return;
    KeepSplittable(module, splits);
    if (splits.empty()) return;

    std::vector<SpvInstruction> variables;
    for (SplitVarying& s : splits) {
        s.name = module.Name(s.variable);
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
            module.code.push_back(SplitEntryPoint(in, splits));
            continue;
        }
        const uint32_t target = in.op == spv::OpVariable ? in.words[1]
                                : in.op == spv::OpName || in.op == spv::OpDecorate ||
                                        in.op == spv::OpDecorateString || in.op == spv::OpStore
                                    ? in.words[0]
                                : in.op == spv::OpLoad ? in.words[2]
                                                       : 0;
        const SplitVarying* s = target != 0 ? FindSplit(splits, target) : nullptr;
        if (s == nullptr) {
            module.code.push_back(std::move(in));
            continue;
        }
        SplitUse(module, in, *s);
    }
    module.Reindex();
}

// The float and narrower float vector variables of the storage class whose
// semantic does not keep them as they are: variable -> its old value type.
std::vector<std::pair<uint32_t, uint32_t>> NarrowVaryings(const SpvModule& module, uint32_t storage) {
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
    std::vector<std::pair<uint32_t, uint32_t>> widened;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpVariable || in.words.size() < 3 || in.words[2] != storage) continue;
        const SpvInstruction* pointer = module.Def(in.words[0]);
        const SpvInstruction* type = module.Def(pointer->words[2]);
        // A float, or an int or uint (held as a float in the register), of
        // up to four components: an int4 is widened too, to a float4.
        const bool vector = type->op == spv::OpTypeVector;
        const SpvInstruction* component = vector ? module.Def(type->words[1]) : type;
        const bool isFloat = component->op == spv::OpTypeFloat;
        // (A bool too: a float in the register, true where it is not 0.)
        const bool isInt = component->op == spv::OpTypeInt || component->op == spv::OpTypeBool;
        const bool scalar = !vector && (isFloat || isInt);
        const bool narrow = vector && (isInt || (isFloat && type->words[2] < 4));
        if ((!scalar && !narrow) ||
            std::find(keep.begin(), keep.end(), in.words[1]) != keep.end()) {
            continue;
        }
        widened.emplace_back(in.words[1], pointer->words[2]);
    }
    return widened;
}

// A pixel shader's int and uint colours (the target holds floats, so they
// are written as the numbers they are in the registers), or a vertex
// shader's int, uint and bool inputs (the stream gives floats).
std::vector<std::pair<uint32_t, uint32_t>> IntegerVariables(const SpvModule& module,
                                                            uint32_t storage) {
    const bool colors = storage == spv::StorageClassOutput;
    std::vector<std::pair<uint32_t, uint32_t>> found;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpDecorateString || in.words.size() < 3 ||
            in.words[1] != spv::DecorationUserSemantic) {
            continue;
        }
        const std::string semantic = Semantic(in);
        const SpvInstruction* variable = module.Def(in.words[0]);
        if ((colors && semantic.rfind("COLOR", 0) != 0 && semantic.rfind("SV_TARGET", 0) != 0) ||
            variable == nullptr || variable->op != spv::OpVariable ||
            variable->words[2] != storage) {
            continue;
        }
        const uint32_t valueType = module.Def(variable->words[0])->words[2];
        const SpvInstruction* type = module.Def(valueType);
        if (type->op == spv::OpTypeVector) type = module.Def(type->words[1]);
        if (type->op == spv::OpTypeInt || (!colors && type->op == spv::OpTypeBool))
            found.emplace_back(in.words[0], valueType);
    }
    return found;
}

// A load of a widened variable: the four components, then the ones the
// code reads.
// An int or uint varying's float type of as many components, and whether
// its ints are signed; a float varying is its own float type.
struct VaryingFloats {
    uint32_t n = 1;         // components
    uint32_t floats = 0;    // the float type it is held as
    bool integer = false;
    bool isSigned = false;
    bool boolean = false;   // (integer too)
};
VaryingFloats FloatsOf(SpvModule& module, uint32_t type, uint32_t floatType) {
    const SpvInstruction* t = module.Def(type);
    VaryingFloats v;
    v.n = t->op == spv::OpTypeVector ? t->words[2] : 1;
    const SpvInstruction* c = t->op == spv::OpTypeVector ? module.Def(t->words[1]) : t;
    v.boolean = c->op == spv::OpTypeBool;
    v.integer = c->op == spv::OpTypeInt || v.boolean;
    v.isSigned = !v.boolean && v.integer && c->words.size() > 2 && c->words[2] != 0;
    v.floats = !v.integer ? type
               : v.n == 1 ? floatType
                          : module.DeclareType(spv::OpTypeVector, {floatType, v.n});
    return v;
}

// The four components, then the ones the code reads (an int varying's
// floats truncated, as every conversion into an int is).
// The float constant of every component of a float type (scalar or
// vector), declared where constants go.
uint32_t FloatsConstant(SpvModule& module, uint32_t floats, uint32_t floatType, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const uint32_t scalar = module.DeclareConstant(spv::OpConstant, floatType, {bits});
    const SpvInstruction* t = module.Def(floats);
    if (t->op != spv::OpTypeVector) return scalar;
    return module.DeclareConstant(spv::OpConstantComposite, floats,
                                  std::vector<uint32_t>(t->words[2], scalar));
}

void WidenLoad(SpvModule& module, const SpvInstruction& in, uint32_t type, uint32_t vec4,
               uint32_t floatType) {
    const VaryingFloats v = FloatsOf(module, type, floatType);
    const uint32_t result = in.words[1];
    const uint32_t read = v.integer ? module.NewId() : result;
    const uint32_t wide = module.NewId();
    module.code.push_back({spv::OpLoad, {vec4, wide, in.words[2]}});
    if (v.n == 1) {
        module.code.push_back({spv::OpCompositeExtract, {v.floats, read, wide, 0}});
    } else {
        std::vector<uint32_t> words{v.floats, read, wide, wide};
        for (uint32_t c = 0; c < v.n; ++c) words.push_back(c);
        module.code.push_back({spv::OpVectorShuffle, std::move(words)});
    }
    if (v.boolean) {
        module.code.push_back({spv::OpFUnordNotEqual,
                               {type, result, read, FloatsConstant(module, v.floats, floatType, 0)}});
    } else if (v.integer) {
        module.code.push_back(
            {v.isSigned ? spv::OpConvertFToS : spv::OpConvertFToU, {type, result, read}});
    }
}

// A store to a widened variable: the value's components, then zeros.
// w: what a register's w takes when the value is narrower (zero, or one for
// a colour register).
// replicate: a scalar fills all four (a pixel shader's scalar colour).
void WidenStore(SpvModule& module, const SpvInstruction& in, uint32_t type, uint32_t vec4,
                uint32_t floatType, uint32_t zero, uint32_t w, bool replicate = false) {
    const VaryingFloats v = FloatsOf(module, type, floatType);
    uint32_t value = in.words[1];
    if (v.boolean) {
        const uint32_t converted = module.NewId();
        module.code.push_back({spv::OpSelect,
                               {v.floats, converted, value,
                                FloatsConstant(module, v.floats, floatType, 1),
                                FloatsConstant(module, v.floats, floatType, 0)}});
        value = converted;
    } else if (v.integer) {
        const uint32_t converted = module.NewId();
        module.code.push_back(
            {v.isSigned ? spv::OpConvertSToF : spv::OpConvertUToF, {v.floats, converted, value}});
        value = converted;
    }
    const uint32_t wide = module.NewId();
    std::vector<uint32_t> words{vec4, wide};
    if (v.n == 1) {
        words.push_back(value);
        while (replicate && words.size() < 6) words.push_back(value);
    } else {
        for (uint32_t c = 0; c < v.n; ++c) {
            const uint32_t part = module.NewId();
            module.code.push_back({spv::OpCompositeExtract, {floatType, part, value, c}});
            words.push_back(part);
        }
    }
    while (words.size() < 5) words.push_back(zero);
    if (words.size() < 6) words.push_back(w);
    module.code.push_back({spv::OpCompositeConstruct, std::move(words)});
    module.code.push_back({spv::OpStore, {in.words[0], wide}});
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

namespace {

// The variables given (variable -> its old value type) as float4s of the
// storage class: stores widen, loads take the components they need.
// outputW1: the variables are a vertex shader's outputs, whose channels not
// written read (0, 0, 0, 1) in the pixel shader.
// replicated: the scalar variables whose stores fill all four components.
void WidenVariables(SpvModule& module, uint32_t storage,
                    const std::vector<std::pair<uint32_t, uint32_t>>& widened,
                    bool outputW1 = false, const std::vector<uint32_t>& replicated = {}) {
    if (widened.empty()) return;
    const uint32_t floatType = module.DeclareType(spv::OpTypeFloat, {32});
    const uint32_t vec4 = module.DeclareType(spv::OpTypeVector, {floatType, 4});
    const uint32_t pointer = module.DeclareType(spv::OpTypePointer, {storage, vec4});
    // The float vectors an int2 or int3 is read as, declared before the
    // code is rebuilt below; an int varying is interpolated as the float it
    // is in Direct3D 9's registers, so it loses glslang's Flat.
    const bool anyInteger = std::any_of(widened.begin(), widened.end(), [&](const auto& w) {
        const SpvInstruction* t = module.Def(w.second);
        if (t->op == spv::OpTypeVector) t = module.Def(t->words[1]);
        return t->op == spv::OpTypeInt || t->op == spv::OpTypeBool;
    });
    for (uint32_t n = 2; n <= 3 && anyInteger; ++n)
        module.DeclareType(spv::OpTypeVector, {floatType, n});
    // A bool's zeros and ones, declared before the code is rebuilt below.
    for (const auto& w : widened) {
        const VaryingFloats v = FloatsOf(module, w.second, floatType);
        if (!v.boolean) continue;
        FloatsConstant(module, v.floats, floatType, 0);
        FloatsConstant(module, v.floats, floatType, 1);
    }
    std::erase_if(module.code, [&](const SpvInstruction& in) {
        return in.op == spv::OpDecorate && in.words.size() == 2 &&
               in.words[1] == spv::DecorationFlat &&
               std::any_of(widened.begin(), widened.end(),
                           [&](const auto& w) { return w.first == in.words[0]; });
    });
    module.Reindex();
    const uint32_t zero = module.DeclareConstant(spv::OpConstant, floatType, {0});
    const uint32_t one = outputW1 ? FloatsConstant(module, floatType, floatType, 1) : zero;
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
    std::vector<SpvInstruction> old = std::move(kept);
    module.code.clear();
    for (SpvInstruction& in : old) {
        const uint32_t target = in.op == spv::OpLoad    ? in.words[2]
                                : in.op == spv::OpStore ? in.words[0]
                                                        : 0;
        const uint32_t type = target != 0 ? oldType(target) : 0;
        if (type == 0) {
            module.code.push_back(std::move(in));
        } else if (in.op == spv::OpLoad) {
            WidenLoad(module, in, type, vec4, floatType);
        } else {
            const bool replicate =
                std::find(replicated.begin(), replicated.end(), target) != replicated.end();
            WidenStore(module, in, type, vec4, floatType, zero, one, replicate);
        }
    }
    module.Reindex();
}

// Two inputs of one semantic (float4 a : TEXCOORD0, float4 b : TEXCOORD0)
// read the one register: the second becomes the first wherever it is read,
// when both have one type (after widening, every float varying has).
void MergeRepeatedInputs(SpvModule& module) {
    std::vector<std::pair<std::string, uint32_t>> first;  // semantic -> variable
    std::unordered_map<uint32_t, uint32_t> same;          // repeated -> first
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpDecorateString || in.words.size() < 3 ||
            in.words[1] != spv::DecorationUserSemantic) {
            continue;
        }
        const SpvInstruction* variable = module.Def(in.words[0]);
        if (variable == nullptr || variable->op != spv::OpVariable ||
            variable->words[2] != spv::StorageClassInput) {
            continue;
        }
        const std::string semantic = ElementSemantic(Semantic(in), module.Name(in.words[0]));
        auto it = std::find_if(first.begin(), first.end(),
                               [&](const auto& f) { return f.first == semantic; });
        if (it == first.end()) {
            first.emplace_back(semantic, in.words[0]);
        } else if (module.Def(it->second)->words[0] == variable->words[0]) {
            same[in.words[0]] = it->second;
        }
    }
    if (same.empty()) return;
    std::vector<SpvInstruction> old;
    old.swap(module.code);
    for (SpvInstruction& in : old) {
        const uint32_t target = in.op == spv::OpVariable ? in.words[1]
                                : in.op == spv::OpName || in.op == spv::OpDecorate ||
                                        in.op == spv::OpDecorateString
                                    ? in.words[0]
                                    : 0;
        if (target != 0 && same.count(target) != 0) continue;
        if (in.op == spv::OpEntryPoint) {
            // The interface follows the name, whose last word ends in a zero byte.
            size_t k = 2;
            while (k < in.words.size() && (in.words[k] & 0xFF000000u) != 0) ++k;
            std::vector<uint32_t> words;
            for (size_t j = 0; j < in.words.size(); ++j)
                if (j <= k || same.count(in.words[j]) == 0) words.push_back(in.words[j]);
            in.words = std::move(words);
        } else if ((in.op == spv::OpLoad || in.op == spv::OpAccessChain) &&
                   same.count(in.words[2]) != 0) {
            in.words[2] = same[in.words[2]];
        }
        module.code.push_back(std::move(in));
    }
    module.Reindex();
}

// A pixel shader's colours narrower than its float4 register: a scalar
// (float, int or uint; a bool is a float by now) converts into it as every
// scalar into a vector does, replicated; a float2 or float3 fills the
// channels it has, and the others read (0, 0, 0, 1), as the registers of
// Direct3D 9 start (a float3 colour is opaque). Added to `widened` (the int
// ones are there already); the scalars' variables are returned.
std::vector<uint32_t> NarrowColors(const SpvModule& module,
                                   std::vector<std::pair<uint32_t, uint32_t>>* widened) {
    std::vector<uint32_t> found;
    for (const SpvInstruction& in : module.code) {
        if (in.op != spv::OpDecorateString || in.words.size() < 3 ||
            in.words[1] != spv::DecorationUserSemantic) {
            continue;
        }
        const std::string semantic = Semantic(in);
        if (semantic.rfind("COLOR", 0) != 0 && semantic.rfind("SV_TARGET", 0) != 0) continue;
        const SpvInstruction* variable = module.Def(in.words[0]);
        if (variable == nullptr || variable->op != spv::OpVariable ||
            variable->words[2] != spv::StorageClassOutput) {
            continue;
        }
        const SpvInstruction* pointer = module.Def(variable->words[0]);
        const SpvInstruction* type = pointer != nullptr ? module.Def(pointer->words[2]) : nullptr;
        const bool narrowVector = type != nullptr && type->op == spv::OpTypeVector &&
                                  type->words[2] < 4 &&
                                  module.Def(type->words[1])->op == spv::OpTypeFloat;
        if (narrowVector) {
            const bool listed = std::any_of(widened->begin(), widened->end(),
                                            [&](const auto& w) { return w.first == in.words[0]; });
            if (!listed) widened->emplace_back(in.words[0], pointer->words[2]);
            continue;
        }
        if (type == nullptr || (type->op != spv::OpTypeFloat && type->op != spv::OpTypeInt)) continue;
        found.push_back(in.words[0]);
        const bool listed = std::any_of(widened->begin(), widened->end(),
                                        [&](const auto& w) { return w.first == in.words[0]; });
        if (!listed) widened->emplace_back(in.words[0], pointer->words[2]);
    }
    return found;
}

}  // namespace

void WidenVaryings(SpvModule& module, bool vertex) {
    const uint32_t storage = vertex ? spv::StorageClassOutput : spv::StorageClassInput;
    SplitArrayVaryings(module, storage, false);
    // A vertex shader's input array reads a stream register per element
    // too (float4 w[2] : BLENDWEIGHT0 is BLENDWEIGHT0 and BLENDWEIGHT1),
    // not the slots after the first one's; an int or bool array's elements
    // are then converted one by one, as single inputs are.
    if (vertex) SplitArrayVaryings(module, spv::StorageClassInput, true);
    WidenVariables(module, storage, NarrowVaryings(module, storage), vertex);
    const uint32_t other = vertex ? spv::StorageClassInput : spv::StorageClassOutput;
    std::vector<std::pair<uint32_t, uint32_t>> others = IntegerVariables(module, other);
    const std::vector<uint32_t> replicated =
        vertex ? std::vector<uint32_t>() : NarrowColors(module, &others);
    WidenVariables(module, other, others, !vertex, replicated);
    MergeRepeatedInputs(module);
}

}  // namespace fx
