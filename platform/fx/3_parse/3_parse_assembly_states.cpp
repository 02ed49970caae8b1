// Stage 3, the states a pass's shader assembly reads besides its c
// registers: a texture stage's bump matrix and luminance,
//
//     BumpEnvMat00[1] = 0.5;  BumpEnvLScale[1] = 2;
//
// which texbem, texbeml and bem read, and the bool and int constants
//
//     PixelShaderConstantB[3] = true;  VertexShaderConstantI[0] = <Counts>;
//
// which if, callnz, rep and loop read. The assembler gives each such
// register a c register of its own (ShaderBinding::assemblyStates); once
// the pass is read, its states become constant states of those registers,
// which BeginPass and CommitChanges write as the F forms.
#include <cmath>

#include "platform/fx/3_parse/3_parser.h"
#include "platform/shader_conventions.h"

namespace fx {
namespace {

const char* const kBumpStates[] = {"bumpenvmat00", "bumpenvmat01",  "bumpenvmat10",
                                   "bumpenvmat11", "bumpenvlscale", "bumpenvloffset"};

// The c register a shader of the pass reads for ("B", 3), or -1.
int Mapped(const ShaderBinding& b, const std::string& state, int index) {
    for (const AsmStateRegister& r : b.assemblyStates)
        if (r.state == state && r.index == index) return r.reg;
    return -1;
}

}  // namespace

// "BumpEnvMat00[1] = 0.5;": false when the name is no bump state.
bool Parser::ParseBumpState(PassDesc* pass, const TokenRef& nameToken,
                            const std::vector<TokenRef>& index,
                            const std::vector<TokenRef>& value) {
    const std::string name = ToLower(Text(nameToken));
    int which = -1;
    for (int i = 0; i < 6; ++i)
        if (name == kBumpStates[i]) which = i;
    if (which < 0) return false;
    const int stage = StateStage(Text(nameToken), index);
    if (stage < 0) return true;
    StateValue sv;
    std::string why;
    TokenRef at;
    if (value.empty() || !EvaluateState(value, nullptr, &sv, &why, &at) || sv.count != 1) {
        Error(value.empty() ? nameToken : value[0],
              "expected a number for state " + Quote(Text(nameToken)) + ", found " +
                  Quote(ValueText(value)));
        return true;
    }
    PassDesc::BumpStates* states = nullptr;
    for (PassDesc::BumpStates& s : pass->bumpStates)
        if (s.stage == stage) states = &s;
    if (states == nullptr) {
        pass->bumpStates.push_back({});
        states = &pass->bumpStates.back();
        states->stage = stage;
        states->pos = Pos(nameToken);
    }
    states->values[which] = static_cast<float>(sv.v[0]);
    return true;
}

// The pass read: its B / I constant states and bump states as constant
// states of the c registers its shader assembly reads for them. What no
// shader reads is dropped (Direct3D 9 sets a register nobody reads); a B or
// I state with no shader assembly in its stage is a warning, as only shader
// assembly reads those registers here.
void Parser::MapAssemblyStates(PassDesc* pass) {
    std::vector<ConstantSetting> kept;
    size_t named = 0;  // B / I states so far, their names in intBoolStates_
    for (ConstantSetting& c : pass->constants) {
        if (c.set == 'c') {
            kept.push_back(std::move(c));
            continue;
        }
        const ShaderBinding& b = c.vertex ? pass->vertexShader : pass->pixelShader;
        const TokenRef nameToken = intBoolStates_[named++];
        if (!b.assembly) {
            Warning(nameToken, "unsupported state " + Quote(Text(nameToken)) +
                                   " ignored (only shader assembly reads the bool and int "
                                   "registers it sets)");
            continue;
        }
        const std::string state = c.set == 'b' ? "B" : "I";
        const int count = c.count > 0 ? c.count : 1;
        for (int k = 0; k < count; ++k) {
            const int reg = Mapped(b, state, c.start + k);
            if (reg < 0) continue;
            ConstantSetting s = c;
            s.set = 'c';
            s.start = reg;
            s.count = 1;
            // A bool reads as 1 or 0; ints as they are.
            if (c.set == 'b' && s.parameter.empty())
                s.values = {s.values[0] != 0 ? 1.0f : 0.0f, 0, 0, 0};
            kept.push_back(std::move(s));
        }
    }
    for (const PassDesc::BumpStates& bump : pass->bumpStates) {
        const int matrix = Mapped(pass->pixelShader, "BumpEnvMat", bump.stage);
        const int luminance = Mapped(pass->pixelShader, "BumpEnvL", bump.stage);
        ConstantSetting s;
        s.vertex = false;
        s.count = 1;
        s.pos = bump.pos;
        if (matrix >= 0) {
            s.start = matrix;
            s.values.assign(bump.values, bump.values + 4);
            kept.push_back(s);
        }
        if (luminance >= 0) {
            s.start = luminance;
            s.values = {bump.values[4], bump.values[5], 0, 0};
            kept.push_back(s);
        }
    }
    pass->constants = std::move(kept);
    intBoolStates_.clear();
}

}  // namespace fx
