// Stage 4: values an operator or a use cannot take, said at the operator or
// the name instead of glslang's words at the line's start (platform/fx
// internal; the "operand_checks" entry of 4_token_rewrites.cpp).
#pragma once

namespace fx {

class TokenRewriteState;

// Errors:
// - arithmetic (+ - * / % and their assignments) on a variable of a struct
//   or an array type, at the operator;
// - a texture named as a value ("return t;", "tex2D(t, uv)"): textures are
//   read through samplers;
// - a ?: whose branches are a struct variable and a value of another type,
//   or structs chosen by a condition of more than one component;
// - a string literal beside an operator or in parentheses ("if (\"on\")"),
//   at the string: a shader's code has no string values;
// - the call of a function that returns void used as a value (a condition,
//   an operand, an argument), at its name;
// - a struct's name called as a constructor ("S(1, 2)"), at the name;
// - a name declared nowhere as the last branch of a ?:, at the name
//   (glslang's worker crashes on it).
// False when any is found.
bool CheckOperands(TokenRewriteState& state);

}  // namespace fx
