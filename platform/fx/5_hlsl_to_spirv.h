// Stage 5: HLSL to SPIR-V with glslang's HLSL front end (platform/fx
// internal). Every glslang call of the program is in 5_hlsl_to_spirv.cpp.
//
// Each stage is compiled on its own, in DX9 compatibility mode, with every
// input and output carrying its semantic (UserSemantic decorations) for
// stage 6. The text is stage 4's: one string, no #include, no macro;
// nothing here touches the file system.
//
// Where errors are made: glslang's messages (syntax, types, unknown names),
// placed in the user's files through the stage source's map; a missing
// entry point and a construct glslang cannot translate to SPIR-V, at the
// compile statement. Warnings: a global without register(cN) (glslang packs
// it after the previous one, Direct3D 9 would take the first free
// register).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/message.h"

namespace fx {

// What stage 5 hands to stage 6 for each shader.
struct SpirvModule {
    ShaderStage stage = ShaderStage::Vertex;
    std::string entry;
    SourcePos compileStatement;  // where stage 6 puts problems of the whole shader
    std::vector<uint32_t> words;
};

// False when the stage does not compile; messages are appended either way.
bool HlslToSpirv(const StageSource& source, SpirvModule* module, std::vector<Message>* messages);

// glslang builds its table of HLSL built-ins on the first compile of each
// stage and keeps it for the process. Building it once, before the first
// child process is forked, saves every child from building it again (most
// of the time a child would spend).
void WarmUpGlslang();

}  // namespace fx
