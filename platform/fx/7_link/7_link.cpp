// Stage 7: linking a pass on the device (see 7_link.h).
#include "platform/fx/7_link/7_link.h"

namespace fx {

UINT LinkPass(platform::ShaderPrograms* programs, const std::vector<std::string>& glsl,
              int64_t slots, const PassDesc& pass, MessageSink& messages) {
    std::string log;
    UINT program = 0;
    HRESULT hr = E_FAIL;
    if (glsl.size() == 2) {
        hr = slots <= kLinkInPlaceSlots
                 ? programs->CreateShaderProgram(glsl[0], glsl[1], &program, &log)
                 : programs->CreateShaderProgramWithin(kLinkTimeLimitMs, glsl[0], glsl[1],
                                                       &program, &log);
    }
    if (hr == S_OK && program != 0) return program;
    if (hr == D3DERR_WASSTILLDRAWING) {
        messages.Error(pass.pos, "the GL driver did not finish the shaders of pass '" +
                                     pass.name + "' within " +
                                     std::to_string(kLinkTimeLimitMs / 1000) +
                                     " s; they were abandoned (" + log + ")");
        return 0;
    }
    messages.Error(pass.pos, "the shaders of pass '" + pass.name + "' do not link");
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        if (!line.empty() && line.find_first_not_of(" \t\r") != std::string::npos) {
            messages.Error(pass.pos, "link: " + line);
        }
        start = end + 1;
    }
    if (program != 0) programs->DeleteShaderProgram(program);
    return 0;
}

}  // namespace fx
