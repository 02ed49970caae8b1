// Stage 5: the text rewrites before glslang and the fixes and checks of its
// tree, each layer in the one order it runs (platform/fx internal).
// HlslToSpirv and the golden tests (tests/fx-corpus/rewrite/*.cases,
// tests/fx-corpus/glslang/*.cases) both run these lists; no other copy of
// an order exists.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/5_glslang/5_tree.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/5_glslang/5_text_rewrites.h"

namespace glslang {
class TIntermediate;
}

namespace fx {

struct TextRewrite {
    const char* name;  // as the golden tests name it
    // The rewritten text; the columns that move go into *moves.
    std::string (*run)(const std::string& hlsl, const StageSource& source,
                       std::vector<TextMove>* moves);
};

// The text rewrites in order (5_passes.cpp gives the reason for each place).
std::span<const TextRewrite> TextRewrites();

// The text glslang is given: source.hlsl through every text rewrite.
std::string RewriteText(const StageSource& source, std::vector<TextMove>* moves);

// What a fix or check of the tree reads; messages are at places of the text
// glslang was given.
struct TreeState {
    glslang::TIntermediate& tree;
    const StageSource& source;  // with the text glslang was given
    MessageSink& found;
};

struct TreePass {
    const char* name;
    void (*run)(TreeState& state);
    // Run on the parsed shader before glslang links it (what the linker
    // would refuse without a place); the others run on the linked tree.
    bool beforeLink = false;
};

// The fixes and checks of glslang's tree, in order.
std::span<const TreePass> TreePasses();

// Runs the fixes and checks of one side of the link in order, up to and
// including the one named `last` (empty: all of them; the golden tests stop
// at the one they test). The passes before the link come first in the list,
// so that a `last` among them leaves every pass after the link out.
void RunTreePasses(TreeState& state, std::string_view last, bool beforeLink);

}  // namespace fx
