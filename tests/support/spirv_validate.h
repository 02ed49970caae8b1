// SPIRV-Tools' validator on a module, for the tests of the SPIR-V passes
// (their test programs link SPIRV-Tools).
#pragma once

#include <spirv-tools/libspirv.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// Empty when the validator takes the module; otherwise "invalid: WHY".
inline std::string ValidateSpirv(const std::vector<uint32_t>& words) {
    spv_context context = spvContextCreate(SPV_ENV_OPENGL_4_5);
    spv_validator_options options = spvValidatorOptionsCreate();
    // Registers of globals the stage does not read overlap at c0 on purpose.
    spvValidatorOptionsSetSkipBlockLayout(options, true);
    spv_const_binary_t binary{words.data(), words.size()};
    spv_diagnostic diagnostic = nullptr;
    spv_result_t result = spvValidateWithOptions(context, options, &binary, &diagnostic);
    std::string text = result == SPV_SUCCESS ? "" : "invalid";
    if (diagnostic != nullptr) text += std::string(": ") + diagnostic->error;
    spvDiagnosticDestroy(diagnostic);
    spvValidatorOptionsDestroy(options);
    spvContextDestroy(context);
    return text;
}

}  // namespace testing_support
