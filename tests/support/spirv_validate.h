// SPIRV-Tools on a module, for the tests of the SPIR-V passes and of
// glslang's tree (their test programs link SPIRV-Tools): its validator, its
// disassembly, and CHECK lines on that disassembly.
#pragma once

#include <spirv-tools/libspirv.h>

#include <cstdint>
#include <sstream>
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

// The module as text, names as OpName gives them (%main, %float), no header.
inline std::string Disassemble(const std::vector<uint32_t>& words) {
    spv_context context = spvContextCreate(SPV_ENV_OPENGL_4_5);
    spv_text text = nullptr;
    spv_diagnostic diagnostic = nullptr;
    spvBinaryToText(context, words.data(), words.size(),
                    SPV_BINARY_TO_TEXT_OPTION_FRIENDLY_NAMES | SPV_BINARY_TO_TEXT_OPTION_NO_HEADER,
                    &text, &diagnostic);
    std::string out = text != nullptr ? std::string(text->str, text->length) : "";
    spvTextDestroy(text);
    spvDiagnosticDestroy(diagnostic);
    spvContextDestroy(context);
    return out;
}

// The CHECK and CHECK-NOT lines against the disassembly: "CHECK: TEXT"
// lines found in this order, "CHECK-NOT: TEXT" on no line between the CHECK
// before it and the CHECK after it. Empty when they hold, else what failed.
inline std::string CheckLines(const std::string& checks, const std::string& disassembly) {
    std::vector<std::string> lines;
    std::istringstream in(disassembly);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    size_t at = 0;                      // the first line a CHECK may match
    std::vector<std::string> notsSince;  // CHECK-NOTs waiting for the next CHECK
    auto checkNots = [&](size_t end) {
        for (const std::string& text : notsSince)
            for (size_t i = at; i < end; ++i)
                if (lines[i].find(text) != std::string::npos)
                    return "CHECK-NOT: " + text + " found: " + lines[i];
        notsSince.clear();
        return std::string();
    };
    std::istringstream list(checks);
    for (std::string check; std::getline(list, check);) {
        if (check.rfind("CHECK-NOT: ", 0) == 0) {
            notsSince.push_back(check.substr(11));
        } else if (check.rfind("CHECK: ", 0) == 0) {
            const std::string text = check.substr(7);
            size_t found = at;
            while (found < lines.size() && lines[found].find(text) == std::string::npos) ++found;
            if (found == lines.size()) return "not found: " + check;
            std::string failed = checkNots(found);
            if (!failed.empty()) return failed;
            at = found + 1;
        } else if (!check.empty()) {
            return "not a check line: " + check;
        }
    }
    return checkNots(lines.size());
}

}  // namespace testing_support
