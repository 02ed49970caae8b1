// Stage 4: plain `sampler` declarations given the kind their reads ask
// for (platform/fx internal; the "untyped_samplers" entry of
// 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9's plain `sampler` has no kind of its own: the instruction that
// reads it declares the sampler's kind (dcl_cube for texCUBE, dcl_volume
// for tex3D, dcl_2d for tex1D and tex2D), so a cube or volume texture reads
// through it as through a samplerCUBE or sampler3D. A `sampler` global,
// parameter or local that a texCUBE* or tex3D* read names, that is given
// to a function's parameter of such a kind, or that gives a local of such a
// kind its value or takes its own from one (each found so itself, in any
// order), is declared samplerCUBE or sampler3D; one read as two
// kinds, or only by 2D reads, stays as it is (glslang reads it as a
// sampler2D). Always true.
bool TypeUntypedSamplers(TokenRewriteState& state);

}  // namespace fx
