// Stage 4: implicit truncations (platform/fx internal), part of the
// "shapes" rewrite (4_token_rewrites.h): a longer vector passed to a
// shorter parameter of the effect's own function is cut to its size
// ("(v).xy"), and a vector given to a narrower one is a warning, as
// Direct3D 9 gives it.
#pragma once

#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// The edits into *edits, the warnings into *warnings.
void FindTruncations(const TokenStream& s, const Code& code, const HlslOutline& outline,
                     TokenEdits* edits, MessageSink& warnings);

}  // namespace fx
