// Stage 4: the statement attributes Direct3D 9 takes without a word
// (platform/fx internal; the "statement_attributes" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// [fastopt] and [allow_uav_condition] on a loop, [forcecase] and [call] on a
// switch are Direct3D 9's own hints about the code it makes; they change no
// value. glslang knows their names but warns that they do not apply, so they
// leave the text. On any other statement they stay, and glslang's warning
// stands. Always true.
bool DropTakenAttributes(TokenRewriteState& state);

}  // namespace fx
