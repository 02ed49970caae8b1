// Stage 4: reads of one-dimensional samplers (platform/fx internal; the
// "one_dimensional_reads" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 has no one-dimensional textures: a 1D texture is a 2D one a
// texel high, and tex1D reads the first row of whatever 2D texture its
// sampler holds. sampler1D becomes sampler2D, and every tex1D read the
// tex2D read at (u, 0): tex1D(s, u) -> tex2D(s, float2((u).x, 0)), its
// derivatives alike; tex1Dbias, tex1Dlod and tex1Dproj keep w,
// "((t).xwww * float4(1, 0, 0, 1))". Always true.
bool RewriteOneDimensionalReads(TokenRewriteState& state);

}  // namespace fx
