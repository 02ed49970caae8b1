// One HLSL text compiled for one or two entry points through the effect
// compiler's stages 5 and 6, as the loader hands a pass to them (no
// rewrites, strict conventions), here or in the child process. A raw text
// has no map: messages keep the text's own lines and columns.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/server/compiler_child.h"

namespace testing_support {

struct StageRequest {
    fx::ShaderStage stage;
    std::string entry;
    std::string profile = {};  // empty: no size bound
};

inline fx::PassSources SourcesOf(const std::string& hlsl, const std::vector<StageRequest>& stages) {
    fx::PassSources sources;
    for (const StageRequest& s : stages) {
        fx::StageSource source;
        source.stage = s.stage;
        source.entry = s.entry;
        source.profile = s.profile;
        source.compileStatement = {99, 5, ""};
        source.hlsl = hlsl;
        sources.stages.push_back(std::move(source));
    }
    return sources;
}

inline fx::CompiledPass CompileShaders(const std::string& hlsl,
                                       const std::vector<StageRequest>& stages) {
    return fx::CompilePass(SourcesOf(hlsl, stages), {});
}

// A text stage 4 printed, its messages placed through its map.
inline fx::CompiledPass CompileShaders(const fx::HlslText& printed,
                                       const std::vector<StageRequest>& stages) {
    fx::PassSources sources = SourcesOf(printed.text, stages);
    for (fx::StageSource& s : sources.stages) s.map = printed.map;
    return fx::CompilePass(sources, {});
}

inline fx::CompiledPass CompileShadersInChild(const std::string& hlsl,
                                              const std::vector<StageRequest>& stages,
                                              int timeLimitMs = fx::kCompilerTimeLimitMs) {
    return fx::CompilePassInChild(SourcesOf(hlsl, stages), {}, timeLimitMs);
}

}  // namespace testing_support
