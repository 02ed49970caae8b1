// Stage 5: the order of the text rewrites and of the passes over glslang's
// tree, and why each sits where it does.
#include "platform/fx/5_glslang/5_passes.h"
#include "platform/fx/5_glslang/5_array_bounded_loops.h"
#include "platform/fx/5_glslang/5_profile_check.h"
#include "platform/fx/5_glslang/5_text_rewrites.h"

#include <array>

namespace fx {
namespace {

constexpr std::array kTextRewrites = {
    // First: it copies the left side of an assignment to its right, and the
    // rewrites after it see both copies.
    TextRewrite{"swizzle_assignments",
                [](const std::string& hlsl, const StageSource&, std::vector<TextMove>* moves) {
                    return SplitSwizzleAssignments(hlsl, moves);
                }},
    // Before unsigned_literals, which turns a large u literal into an
    // addition that is no longer a constant this rewrite can read.
    TextRewrite{"remainder_as_fmod",
                [](const std::string& hlsl, const StageSource&, std::vector<TextMove>* moves) {
                    return RemainderOfConstantsAsFmod(hlsl, moves);
                }},
    // After remainder_as_fmod (above).
    TextRewrite{"unsigned_literals",
                [](const std::string& hlsl, const StageSource&, std::vector<TextMove>* moves) {
                    return UnsignedLiteralsUnfolded(hlsl, moves);
                }},
    // Its place is free: it touches only register(...), which no other
    // text rewrite reads.
    TextRewrite{"stage_registers",
                [](const std::string& hlsl, const StageSource& source,
                   std::vector<TextMove>* moves) {
                    return RegistersOfTheStage(hlsl, source.profile, moves);
                }},
};

constexpr std::array kTreePasses = {
    // Before the link, which would refuse a circle of calls without a
    // place; it reads only the calls glslang resolved.
    TreePass{"check_recursion",
             [](TreeState& s) { CheckRecursion(s.tree, s.source.entry, s.found); }, true},
    // First after the link: it asks which lines have code of the tree as glslang made it,
    // before fix_tree changes it.
    TreePass{"integer_literals",
             [](TreeState& s) {
                 CheckIntegerLiterals(s.source.hlsl, CodeLines(s.tree), s.found);
             }},
    // Matrix swizzles as vectors and integer division by zero; the checks
    // after it walk the tree as it will become SPIR-V.
    TreePass{"fix_tree", [](TreeState& s) { FixTree(s.tree, s.found); }},
    TreePass{"check_returns", [](TreeState& s) { CheckReturns(s.tree, s.found); }},
    // Before check_profile, which then takes the loops it bounded.
    TreePass{"array_bounded_loops",
             [](TreeState& s) { BoundLoopsByArrays(s.tree, s.source.profile); }},
    // Last: what the profile lacks, in the code as fixed.
    TreePass{"check_profile",
             [](TreeState& s) {
                 CheckProfile(s.tree, s.source.profile, s.source.stage == ShaderStage::Vertex,
                              s.source.hlsl, s.found);
             }},
};

}  // namespace

std::span<const TextRewrite> TextRewrites() { return kTextRewrites; }

std::string RewriteText(const StageSource& source, std::vector<TextMove>* moves) {
    std::string hlsl;
    bool first = true;
    for (const TextRewrite& r : TextRewrites()) {
        hlsl = r.run(first ? source.hlsl : hlsl, source, moves);
        first = false;
    }
    return hlsl;
}

std::span<const TreePass> TreePasses() { return kTreePasses; }

void RunTreePasses(TreeState& state, std::string_view last, bool beforeLink) {
    for (const TreePass& pass : TreePasses()) {
        if (pass.beforeLink == beforeLink) pass.run(state);
        if (pass.name == last) return;
    }
}

}  // namespace fx
