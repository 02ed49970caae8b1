// The texture stages of the samplers one pass reads (see pass_sampler_stages.h).
#include "platform/fx/pass_sampler_stages.h"

#include <algorithm>
#include <set>

namespace fx {

std::vector<std::pair<std::string, int>> PassSamplerStages(
    const std::vector<SamplerStage>& effectStages, const std::vector<std::string>& read) {
    auto isRead = [&](const std::string& name) {
        return std::find(read.begin(), read.end(), name) != read.end();
    };
    for (const std::string& name : read) {
        if (name.find('[') != std::string::npos) return {};
    }
    std::set<int> taken;
    for (const SamplerStage& s : effectStages) {
        if (s.desc != nullptr && s.desc->registerIndex >= 0) taken.insert(s.desc->registerIndex);
    }
    std::vector<std::pair<std::string, int>> stages;
    bool moved = false;
    for (const SamplerStage& s : effectStages) {
        int stage = s.stage;
        if (isRead(s.name) && (s.desc == nullptr || s.desc->registerIndex < 0)) {
            stage = 0;
            while (taken.count(stage) != 0) ++stage;
            taken.insert(stage);
            moved |= stage != s.stage;
        }
        stages.emplace_back(s.name, stage);
    }
    if (!moved) return {};
    return stages;
}

}  // namespace fx
