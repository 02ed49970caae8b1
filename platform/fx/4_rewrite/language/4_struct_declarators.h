// Stage 4: variables declared with their struct type (platform/fx internal;
// the "struct_declarators" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 takes variables declared in the same statement as their struct
// type, with qualifiers and initial values: "static struct S { float4 c; }
// s = { 1, 0, 0, 1 };", and a struct without a name, "struct { float a; }
// x, y;". The rewrites that read a variable's type (initializer lists,
// casts) see only "TYPE NAME", so the type's declaration ends before its
// variables: "struct S { float4 c; }; static S s = { 1, 0, 0, 1 };". A
// struct without a name gets one, fx_local_struct_N_, said back as
// "struct" in messages; a typedef's too ("typedef struct { ... } T;"),
// so that the rewrites find T's members. Always true.
bool SeparateStructDeclarators(TokenRewriteState& state);

}  // namespace fx
