// Stage 4: casts between structs, arrays, vectors and matrices (platform/fx
// internal; the "aggregate_casts" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Direct3D 9 casts between any two types of enough components, taking them
// in order (a struct's members in turn, an array's elements, a matrix's rows,
// a vector's components; a scalar fills every one). glslang takes only
// casts between numeric types, and a scalar cast to anything but an array.
// Each cast to or from a struct or an array, "(float4)s", "(S)v",
// "(float[4])p", becomes a call of a function made for its pair of types,
// "fx_cast0_(s)", defined just before the function that casts; one to an
// array returns it as a typedef of its own ("fx_array0_"), so the cast
// stands wherever a value does (an initializer, an assignment's right side,
// an argument, a return value). In a global's initializer, where glslang
// calls no function, a cast that is the whole initializer becomes the list
// of its operand's components ("{ (m)[0][0], (m)[0][1], ... }"), a cast to
// a vector or matrix within one ("1 + (float4)s") a constructor of them
// ("float4((s).a[0], ...)"); one to a struct or array within one gives its
// components as an item of a list or a constructor ("{ (float[2])v, 1 }"),
// or those a member or constant index selects ("((S)v).b"); elsewhere it
// is left to glslang. A cast to a struct or array that an operator takes
// ("(float[2])v * 2") is an error, as is a source of fewer components than
// the target (not a scalar). In a function, such a cast among a list's or
// a constructor's items returns its components as a vector. A struct
// or array among a constructor's arguments or in an initializer list,
// "float4(s, 1)", "{ s, 1 }", is such a call that gives its components as
// a vector (of four at most). Always true but for those errors.
bool RewriteAggregateCasts(TokenRewriteState& state);

}  // namespace fx
