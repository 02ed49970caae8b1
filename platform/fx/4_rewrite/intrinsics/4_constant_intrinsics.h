// Stage 4: intrinsics of constants as the effect evaluates them for the
// initial values of its globals (4_default_values), computing what the
// call computes at run time.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace fx {

// A constant argument or result: its components in order, and whether it
// is of an int, uint or bool type.
struct ConstantValue {
    std::vector<double> v;
    bool integer = false;
    // A matrix's rows and columns (its components row by row); 0 for a
    // scalar or vector.
    int rows = 0, cols = 0;
};

// Whether `name` is an intrinsic EvaluateIntrinsic computes.
bool IsConstantIntrinsic(std::string_view name);

// name(args...) into *out. Arguments of one component spread to the others'
// length, longer vectors lose their last components (as a component-wise
// call truncates them); a component-wise call of a matrix gives one of
// its shape. mul, transpose and determinant take the matrices' shapes.
// False with the reason in *why when the call takes other arguments.
bool EvaluateIntrinsic(std::string_view name, const std::vector<ConstantValue>& args,
                       ConstantValue* out, std::string* why);

}  // namespace fx
