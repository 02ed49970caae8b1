// Stage 4: what code cannot write to, and the uses, jumps, calls and
// declarations Direct3D 9's compiler refuses that glslang takes or answers
// in words of its own, said at the word (platform/fx internal; the
// "write_checks" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Errors:
// - a const variable's element or member incremented or decremented, a
//   const variable (or a part of one) given to an out or inout parameter
//   (a number incremented is increment_checks' to say);
// - a matrix swizzle that names a component twice written to
//   ("m._m00_m00 = v");
// - an index that is a vector, a matrix or a struct ("a[uv]"), and a
//   switch on a cast to a vector or a matrix ("switch ((int2)v)");
// - a declaration as an if's, while's or switch's condition, and a type
//   after a declaration list's comma ("int i = 0, float j = 0");
// - a call of a function above every declaration of it (not of an
//   intrinsic's name, which calls the intrinsic there);
// - a local sampler without a global sampler as its initial value;
// - a function returning an array (a typedef's) or a sampler;
// - break outside a loop or a switch, continue outside a loop;
// - a sampler used as a value ("s + 1", "if (s)", "(float)s"), not read,
//   given on or named by a local sampler;
// - a global sampler bound to other than an s register, a value to an s,
//   t or u register;
// - an initial value of a struct's member ("struct S { float a = 1; }"),
//   a storage class on a struct's member or in a typedef, extern, shared
//   or volatile on a function, inline on a variable.
// False when any is found.
bool CheckWrites(TokenRewriteState& state);

}  // namespace fx
