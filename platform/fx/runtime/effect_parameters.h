// The effect's parameters and their annotations, as ID3DXEffect hands them
// out (platform/fx internal): built once per load from the parsed globals
// and their initial values, then held by the effect object.
//
// Implemented: [x] non-static globals of numeric types (float, half,
//                  double, int, uint, dword, bool; scalars, vectors N,
//                  matrices NxM)
//              [x] annotations of type string, float(N), int(N), bool(N),
//                  their values evaluated as initializers are
//              [x] cbuffer members, as the globals they are
// Not implemented: arrays, structs and typedef'd types as parameters (they
// have none), annotations on techniques and passes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/fx.h"
#include "platform/fx/shared/message.h"

namespace fx {

// The shape of a numeric type word ("float3", "int", "bool2x2", "FLOAT").
struct ParameterShape {
    D3DXPARAMETER_CLASS cls = D3DXPC_SCALAR;
    D3DXPARAMETER_TYPE type = D3DXPT_FLOAT;
    UINT rows = 1;
    UINT columns = 1;
};
// False for a type that is not numeric (a struct, a typedef, a texture).
bool ReadParameterShape(const std::string& word, ParameterShape* shape);

struct EffectAnnotation {
    std::string name;
    ParameterShape shape;  // type D3DXPT_STRING for a string
    std::string text;      // a string's value
    std::vector<float> values;  // a number's components (ints whole, bools 1 / 0)
};

struct EffectParameter {
    std::string name;
    ParameterShape shape;
    std::vector<float> value;  // rows x columns components, ints whole, bools 1 / 0
    std::vector<EffectAnnotation> annotations;
};

// Every parameter, in declaration order, with its initial value; an
// annotation entry that cannot be read is a warning at it and left out.
std::vector<EffectParameter> BuildParameters(
    const std::vector<GlobalDeclaration>& globals,
    const std::map<std::string, std::vector<float>>& defaults, MessageSink& warnings);

}  // namespace fx
