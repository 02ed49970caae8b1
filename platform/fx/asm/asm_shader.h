// Shader assembly (platform/fx internal): an "asm { ... }" block of an
// effect, turned into one HLSL function that the rest of the compiler
// builds like any other entry point.
//
// Every register is a float4 variable: temporaries and outputs locals,
// inputs the function's parameters with the semantics their dcl (or, before
// shader model 2, their register) gives, constants globals at their own
// register (c0 ... as "register(c0)"), or one array over the whole bank when
// the shader indexes it (c[a0.x + 4]), so that the effect's constant states
// and SetVertexShaderConstantF reach them. Each instruction is one HLSL
// statement with its write mask, swizzle and modifiers.
//
// Implemented: [x] vs_1_1, vs_2_0, vs_2_x, vs_3_0, ps_1_1 to ps_1_4, ps_2_0,
//                  ps_2_x, ps_3_0
//              [x] arithmetic, dp2add, the matrix instructions, lit, dst,
//                  exp / expp / log / logp, sincos, the compares (slt, sge,
//                  cmp, cnd, setp), mova and relative addressing
//              [x] texld / texldp / texldb / texldl / texldd, texkill,
//                  dsx / dsy; ps_1_x tex, texcoord, texld, texcrd, the 3x2
//                  and 3x3 matrix reads (texm3x3spec / vspec reflect),
//                  texreg2ar / gb, texdp3 / texdp3tex
//              [x] def / defi / defb, dcl of inputs, outputs and samplers
//              [x] if / else / endif, rep, loop with aL, break, breakc,
//                  breakp, predicated instructions; call / callnz of a
//                  label, its body put in place
//              [x] texbem / texbeml / bem, their bump matrix and luminance
//                  from the pass's stage states; b# and i# without defb /
//                  defi from its PixelShaderConstantB / I states (each such
//                  register a c register of its own, AssembledShader::states)
//              [x] texdepth, texm3x2depth; co-issued pairs read together;
//                  ps_1_4's _dz / _dw; ps_1_x value ranges
//              [x] relative addressing: c by a0 / aL, vs_3_0's v by a0 / aL
//                  and o by aL, ps_3_0's v by aL
//              [x] each version's instruction set (asm_versions.cpp)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/shared/tokenizer.h"

namespace fx {

// A token of the block, as the preprocessor made it; a ';' starts a
// comment to the end of its line.
struct AsmToken {
    std::string_view text;
    Tok kind = Tok::End;
    uint32_t line = 0;
    uint16_t file = 0;
};

// A piece of the HLSL, placed at the block's token it comes from.
struct AsmText {
    std::string hlsl;
    size_t token = 0;
};

// A sampler the shader reads: "sampler2D NAME : register(sN)".
struct AsmSampler {
    std::string name;
    std::string type;  // sampler2D, samplerCUBE, sampler3D
    int stage = 0;
};

// A register of the device the shader reads that only the pass's states
// set (the bool and int constants it does not define, a stage's bump
// matrix and luminance): the c register that stands for it here.
struct AsmStateRegister {
    std::string state;  // "B", "I", "BumpEnvMat", "BumpEnvL"
    int index = 0;      // b#, i#, or the texture stage
    int reg = 0;        // c#: B true as 1 in x; I its four ints; BumpEnvMat
                        // (00, 01, 10, 11); BumpEnvL (scale, offset, 0, 0)
};

struct AssembledShader {
    std::string profile;  // the profile its HLSL compiles under
    std::string entry;    // the function's name
    std::vector<AsmText> text;  // globals, then the function
    std::vector<AsmSampler> samplers;
    std::vector<AsmStateRegister> states;
};

struct AsmError {
    size_t token = 0;
    std::string text;
};

// The block's tokens (between its braces) as a function named after
// prefix; false with the first error.
bool AssembleShader(const std::vector<AsmToken>& tokens, bool vertex, const std::string& prefix,
                    AssembledShader* out, AsmError* error);

}  // namespace fx
