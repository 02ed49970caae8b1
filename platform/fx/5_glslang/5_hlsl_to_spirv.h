// Stage 5: HLSL to SPIR-V with glslang's HLSL front end (platform/fx
// internal). Every glslang call of the program is in 5_hlsl_to_spirv.cpp.
//
// Each stage is compiled on its own, in DX9 compatibility mode, with every
// input and output carrying its semantic (UserSemantic decorations) for
// stage 6. The text is stage 4's: one string, no #include, no macro;
// nothing here touches the file system.
//
// Besides the SPIR-V, stage 6 gets what glslang's tree knows of the
// globals and the SPIR-V no longer says: which global named a register, and
// which members were bool (SPIR-V keeps them as uint).
//
// Where errors are made: glslang's messages (syntax, types, unknown names),
// placed in the user's files through the stage source's map; an integer
// division or % by a constant zero and a uint given a wrapped int literal
// (5_tree.h), at the operator or the literal; a missing entry point, a
// construct glslang cannot translate to SPIR-V and a shader far beyond the
// instruction slots of its profile (5_instruction_slots.h), at the compile
// statement.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/message.h"

namespace fx {

// A member of the $Global block, in the block's order.
struct GlobalInfo {
    std::string name;
    int explicitRegister = -1;  // N of register(cN)
    int explicitComponent = 0;  // 1 for packoffset(cN.y), ...
    SourcePos pos;              // its declaration, in the user's file
};

// What stage 6 needs to know of the globals besides the SPIR-V.
struct GlobalsDescription {
    std::vector<GlobalInfo> globals;
    // "$Global.name" or "Struct.member" for each member that is a bool (or
    // an array of bools) in the source.
    std::vector<std::string> boolMembers;
    std::vector<MatrixMajority> majorities;           // from stage 4
    std::vector<std::string> written;                 // from stage 4
    std::map<std::string, std::vector<float>> defaults;  // from stage 4
};

// What stage 5 hands to stage 6 for each shader.
struct SpirvModule {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
    std::string profile;         // "ps_2_0"
    SourcePos compileStatement;  // where stage 6 puts problems of the whole shader
    std::vector<uint32_t> words;
    int64_t slots = 0;  // the estimated Direct3D 9 instruction slots
    GlobalsDescription globals;
    std::vector<std::pair<std::string, std::string>> samplerAliases;  // from stage 4
};

// The static zero stage 5 adds to fmod's first argument so that glslang
// does not fold fmod of constants (floored); stage 6 takes the additions out.
constexpr const char* kUnfoldedZero = "fx_zero_";
// The same for uint literals that glslang would fold into an int, wrapped.
constexpr const char* kUnfoldedUintZero = "fx_uzero_";
// And an int one, added to dot's argument of integers (4_intrinsic_overloads).
constexpr const char* kUnfoldedIntZero = "fx_izero_";

// False when the stage does not compile; messages are appended either way.
// The fixes and checks of glslang's tree run up to and including the one
// named lastTreePass (5_passes.h; empty: all, as the compiler runs them).
bool HlslToSpirv(const StageSource& source, SpirvModule* module, MessageSink& messages,
                 std::string_view lastTreePass = {});

// glslang builds its table of HLSL built-ins on the first compile of each
// stage and keeps it for the process. The compiler server builds it once,
// before it forks its first worker, which saves every worker from building
// it again (most of the time a worker would spend). The program itself
// never does: the tables take megabytes it has no use for.
void WarmUpGlslang();

}  // namespace fx
