// Stage 5: rewrites of the text before glslang (platform/fx internal;
// 5_text_rewrites.cpp): forms glslang folds wrong or does not take. They
// run in the order of 5_passes.h; the stage's SourceMap follows the columns
// they move.
#pragma once

#include <string>
#include <vector>

#include "platform/fx/shared/text_edits.h"

namespace fx {

struct SourceMap;

// The map's printed places follow the moves.
void MoveMap(SourceMap* map, const std::vector<TextMove>& moves);

// "m._11_22 += e;" as "m._11_22 = m._11_22 + (e);": glslang takes only a
// plain assignment to a matrix swizzle of more than one element. Only where
// the matrix is a variable, a member or an element with a plain index (the
// text is read twice). The columns that move go into *moves.
std::string SplitSwizzleAssignments(const std::string& hlsl, std::vector<TextMove>* moves);

// "7.5 % -5.0" as "fmod(7.5, -5.0)" where both sides are constants (a
// literal, a name declared const with a value, a parenthesised group of
// them, a constructor of them, swizzled too) and one a float: glslang folds % of float constants floored, fmod
// the preamble keeps unfolded.
std::string RemainderOfConstantsAsFmod(const std::string& hlsl, std::vector<TextMove>* moves);

// "3000000000u" as "(3000000000u + fx_uzero_)" for a u literal of 2^31 or
// more (not a case label): glslang folds it into an int as a wrapped value,
// while Direct3D 9 keeps it unsigned (ints hold it as the float 3e9). The
// zero (kUnfoldedUintZero) is a static of the preamble; stage 6 takes the
// additions out. Constant arithmetic on such a literal ("3000000000u * 2",
// "0xFFFFFFFFu + 2") is folded here first, in 32 bits unsigned, as Direct3D
// 9's compiler folds it.
std::string UnsignedLiteralsUnfolded(const std::string& hlsl, std::vector<TextMove>* moves);

// "register(ps, c3)" as "register(c3)" in a pixel shader and taken out in a
// vertex shader (likewise a full profile, "register(ps_2_0, c3)", for that
// profile alone): each stage places its constants by its own registers.
// "register(ps, c0.y)" becomes "packoffset(c0.y)" where it applies.
std::string RegistersOfTheStage(const std::string& hlsl, const std::string& profile,
                                std::vector<TextMove>* moves);

}  // namespace fx
