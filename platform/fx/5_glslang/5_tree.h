// Stage 5: what is fixed or checked on glslang's tree of a parsed shader,
// before its SPIR-V is made, and on the text glslang folds constants of
// (platform/fx internal; 5_tree.cpp). The rewrites of the text are in
// 5_text_rewrites.h.
//
// - A matrix swizzle read as a value (m._11_22_33, m._m30_m31_m32) becomes
//   a vector of the elements it names: glslang's SPIR-V cannot say it.
// - An integer division or % by a constant zero, also one a local holds
//   that nothing writes again, is an error at the operator.
// - What the profile lacks (5_profile_check.h).
// - In the text: an integer literal divided by a literal 0 or by a const
//   int that is 0 (glslang folds it before its tree exists), and a uint
//   declared with an unsuffixed literal of 2^31 or more (which is an int,
//   wrapped), are errors at the operator or the literal.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/shared/message.h"

namespace glslang {
class TIntermediate;
}

namespace fx {

// Messages at (line, column) of the text glslang was given, file "" or an
// #include name; the caller maps them to the user's file.
void FixTree(glslang::TIntermediate& tree, MessageSink& errors);
// The lines of the text that glslang's tree has code on (by line number):
// what the preprocessor left out has none.
std::vector<bool> CodeLines(glslang::TIntermediate& tree);
void CheckIntegerLiterals(const std::string& hlsl, const std::vector<bool>& codeLines,
                          MessageSink& errors);
// A function with a value to return whose end some path reaches ("not all
// control paths return a value"), at the function.
void CheckReturns(glslang::TIntermediate& tree, MessageSink& errors);
// A function the entry point reaches that calls itself, directly or through
// others, is an error at the call that closes the circle, as Direct3D 9's
// compiler says it (its shaders have no stack). Run on the parsed shader,
// before glslang links it: glslang's linker would refuse the circle without
// a place. Stage 4 says the circles its outline can follow; this one follows
// calls of overloaded functions too, by the overload glslang chose.
void CheckRecursion(glslang::TIntermediate& tree, std::string_view entry, MessageSink& errors);
}  // namespace fx
