// Stage 4: structs declared in a function's body (platform/fx internal; the
// "local_structs" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 takes a struct declared inside a function as a type of that
// function. The rewrites that read struct types (casts, initializer lists,
// the helpers they put before the function) know only global ones, so such
// a declaration moves to just before its function: "float4 f() { struct S
// { float a; }; S s; ... }" becomes "struct S { float a; }; float4 f() { S
// s; ... }", and "struct S { ... } s;" leaves "S s;". A name another struct
// of the file already has is made unique (fx_local_S_1_) in the function's
// code after the declaration. Always true.
bool HoistLocalStructs(TokenRewriteState& state);

}  // namespace fx
