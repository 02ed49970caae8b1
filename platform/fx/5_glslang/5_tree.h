// Stage 5: what is fixed or checked on glslang's tree of a parsed shader,
// before its SPIR-V is made, and on the text glslang folds constants of
// (platform/fx internal; used by 5_hlsl_to_spirv.cpp only).
//
// - A matrix swizzle read as a value (m._11_22_33, m._m30_m31_m32) becomes
//   a vector of the elements it names: glslang's SPIR-V cannot say it.
// - An integer division or % by a constant zero, also one a local holds
//   that nothing writes again, is an error at the operator.
// - What the profile lacks (CheckProfile, below).
// - In the text: an integer literal divided by a literal 0 or by a const
//   int that is 0 (glslang folds it before its tree exists), and a uint
//   declared with an unsuffixed literal of 2^31 or more (which is an int,
//   wrapped), are errors at the operator or the literal.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/shared/message.h"

namespace glslang {
class TIntermediate;
}

namespace fx {

// Messages at (line, column) of the text glslang was given, file "" or an
// #include name; the caller maps them to the user's file.
void FixTree(glslang::TIntermediate& tree, std::vector<Message>* errors);
// The lines of the text that glslang's tree has code on (by line number):
// what the preprocessor left out has none.
std::vector<bool> CodeLines(glslang::TIntermediate& tree);
void CheckIntegerLiterals(const std::string& hlsl, const std::vector<bool>& codeLines,
                          std::vector<Message>* errors);
// A function with a value to return whose end some path reaches ("not all
// control paths return a value"), at the function.
void CheckReturns(glslang::TIntermediate& tree, std::vector<Message>* errors);

// What the profile's instruction set lacks, in the code of the entry point
// that survives its constant conditions (5_profile_check.cpp): gradients
// (ddx, ddy, fwidth, tex*grad) outside ps_2_a and ps_3_0 pixel shaders,
// tex*lod outside ps_3_0 and vs_3_0, other texture reads in vertex shaders,
// a loop that ends on a uniform or an input where there are no loop
// instructions (ps_2_0, ps_2_b, vs_1_1: loops must unroll), an index into
// samplers that reads a uniform or an input.
void CheckProfile(glslang::TIntermediate& tree, const std::string& profile, bool vertex,
                  std::vector<Message>* errors);

}  // namespace fx

namespace fx {

struct SourceMap;

// delta characters were put in at (line, column) of the text, in the text
// as it is after the moves before.
struct TextMove {
    int line = 0;
    int column = 0;
    int delta = 0;
};
// The map's printed places follow the moves.
void MoveMap(SourceMap* map, const std::vector<TextMove>& moves);

// "m._11_22 += e;" as "m._11_22 = m._11_22 + (e);": glslang takes only a
// plain assignment to a matrix swizzle of more than one element. Only where
// the matrix is a variable, a member or an element with a plain index (the
// text is read twice). The columns that move go into *moves.
std::string SplitSwizzleAssignments(const std::string& hlsl, std::vector<TextMove>* moves);

// "7.5 % -5.0" as "fmod(7.5, -5.0)" where both sides are constants (a
// literal, a name declared const with a value, or a parenthesised group of
// them) and one a float: glslang folds % of float constants floored, fmod
// the preamble keeps unfolded.
std::string RemainderOfConstantsAsFmod(const std::string& hlsl, std::vector<TextMove>* moves);

// "3000000000u" as "(3000000000u + fx_uzero_)" for a u literal of 2^31 or
// more (not a case label): glslang folds it into an int as a wrapped value,
// while Direct3D 9 keeps it unsigned (ints hold it as the float 3e9). The
// zero (kUnfoldedUintZero) is a static of the preamble; stage 6 takes the
// additions out.
std::string UnsignedLiteralsUnfolded(const std::string& hlsl, std::vector<TextMove>* moves);

// "register(ps, c3)" as "register(c3)" in a pixel shader and taken out in a
// vertex shader (likewise a full profile, "register(ps_2_0, c3)", for that
// profile alone): each stage places its constants by its own registers.
std::string RegistersOfTheStage(const std::string& hlsl, const std::string& profile,
                                std::vector<TextMove>* moves);

}  // namespace fx
