// Small rewrites of an effect's HLSL before glslang sees it (platform/fx
// internal). Both keep every line where it was; only the columns after a
// rewritten spot on its own line may move.
#pragma once

#include <string>
#include <vector>

namespace fx {

// delta characters were inserted at column (1-based) of line in the rewritten
// text; UndoColumnShifts maps a column of the rewritten text back.
struct ColumnShift {
    int line = 0;
    int column = 0;
    int delta = 0;
};

// Shifts in the order they were made; a column inside inserted text maps to
// where the insertion was.
void UndoColumnShifts(const std::vector<ColumnShift>& shifts, int line, int* column);

// Turns int, uint and bool globals (scalars and vectors, not static ones)
// into half, which is a float here and keeps the columns of bool and uint
// (int grows by one). Direct3D 9 keeps such constants in the float register
// file anyway; glslang would otherwise mix their types into the constant
// block, which then cannot become the vec4 array indexed by register.
std::string FloatIntegerGlobals(const std::string& hlsl,
                                std::vector<ColumnShift>* shifts = nullptr);

// "compile vs_2_0 VS(1, true)": the entry point's uniform parameters, in
// order, take the compile statement's arguments. Each becomes a static const
// global of its name, declared at the end of the line before the function
// (or, where that line cannot take it, just before the function), and
// leaves the parameter list. False with a reason when the function is not found or the
// counts do not match.
bool BindUniformArguments(const std::string& hlsl, const std::string& entry,
                          const std::vector<std::string>& arguments, std::string* out,
                          std::string* error, std::vector<ColumnShift>* shifts = nullptr);

}  // namespace fx
