// Stage 4: structs that hold samplers (platform/fx internal; the
// "sampler_members" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 takes a struct that holds samplers beside numbers
// ("struct Material { float4 tint; sampler2D map; }; Material m;"): its
// numbers take c registers as any struct's members do, each sampler an s
// register. glslang would split such a uniform into loose uniforms that no
// register holds, and a local or parameter of it reaches GLSL as a struct
// holding a sampler, which GLSL refuses. So the samplers leave the struct:
// each variable of it gets a sampler (an array of them for an array of
// structs) per sampler member, named fx_member_VAR_dot_MEMBER_ (said back
// as "VAR.MEMBER"), declared after it; "m.map" and "ms[i].map" read that
// sampler ("fx_member_ms_dot_map_[i]"), a parameter of the struct gets
// its samplers as parameters after it and every call passes them, and a
// local that starts as a copy of a variable ("M c = ms[1];") gets local
// samplers that start as that variable's, as does one that starts as a
// call of a function whose returns all name one uniform of it, and
// "Get().map" reads that uniform's (any other local of it stays refused
// by the checks). Nested structs too: "o.inner.map" is
// fx_member_o_dot_inner_dot_map_, and a member of a struct of samplers
// only leaves its struct with them. Always true.
bool SplitSamplerMembers(TokenRewriteState& state);

}  // namespace fx
