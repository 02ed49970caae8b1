// Shader assembly, which versions have which instruction: each version's
// instruction set, as the assembly reference lists it. An instruction of
// another version is an error at its line.
#include "platform/fx/asm/asm_assembler.h"

namespace fx {
namespace {

// Per instruction, a flag for each vertex version (1_1, 2_0, 2_x, 3_0) and
// each pixel version (1_1, 1_2, 1_3, 1_4, 2_0, 2_x, 3_0).
struct Versions {
    const char* name;
    const char* vertex;
    const char* pixel;
};

const Versions kVersions[] = {
    {"mov", "1111", "1111111"},       {"add", "1111", "1111111"},
    {"sub", "1111", "1111111"},       {"mul", "1111", "1111111"},
    {"mad", "1111", "1111111"},       {"dp3", "1111", "1111111"},
    {"nop", "1111", "1111111"},       {"dp4", "1111", "0111111"},
    {"lrp", "0111", "1111111"},       {"frc", "1111", "0000111"},
    {"rcp", "1111", "0000111"},       {"rsq", "1111", "0000111"},
    {"exp", "1111", "0000111"},       {"log", "1111", "0000111"},
    {"min", "1111", "0000111"},       {"max", "1111", "0000111"},
    {"m4x4", "1111", "0000111"},      {"m4x3", "1111", "0000111"},
    {"m3x4", "1111", "0000111"},      {"m3x3", "1111", "0000111"},
    {"m3x2", "1111", "0000111"},      {"expp", "1111", "0000000"},
    {"logp", "1111", "0000000"},      {"lit", "1111", "0000000"},
    {"dst", "1111", "0000000"},       {"sge", "1111", "0000000"},
    {"slt", "1111", "0000000"},       {"pow", "0111", "0000111"},
    {"nrm", "0111", "0000111"},       {"abs", "0111", "0000111"},
    {"crs", "0111", "0000111"},       {"sincos", "0111", "0000111"},
    {"sgn", "0111", "0000000"},       {"mova", "0111", "0000000"},
    {"cmp", "0000", "0111111"},       {"cnd", "0000", "1111000"},
    {"dp2add", "0000", "0000111"},    {"texkill", "0000", "1111111"},
    {"texld", "0000", "0001111"},     {"texldp", "0000", "0000111"},
    {"texldb", "0000", "0000111"},    {"texldd", "0000", "0000011"},
    {"texldl", "0001", "0000001"},    {"dsx", "0000", "0000011"},
    {"dsy", "0000", "0000011"},       {"tex", "0000", "1110000"},
    {"texcoord", "0000", "1110000"},  {"texreg2ar", "0000", "1110000"},
    {"texreg2gb", "0000", "1110000"}, {"texm3x2pad", "0000", "1110000"},
    {"texm3x2tex", "0000", "1110000"}, {"texm3x3pad", "0000", "1110000"},
    {"texm3x3tex", "0000", "1110000"}, {"texm3x3spec", "0000", "1110000"},
    {"texm3x3vspec", "0000", "1110000"}, {"texbem", "0000", "1110000"},
    {"texbeml", "0000", "1110000"},   {"texdp3", "0000", "0110000"},
    {"texdp3tex", "0000", "0110000"}, {"texm3x3", "0000", "0110000"},
    {"texm3x2depth", "0000", "0010000"}, {"texcrd", "0000", "0001000"},
    {"bem", "0000", "0001000"},       {"texdepth", "0000", "0001000"},
    {"phase", "0000", "0001000"},     {"if", "0111", "0000011"},
    {"else", "0111", "0000011"},      {"endif", "0111", "0000011"},
    {"rep", "0111", "0000011"},       {"endrep", "0111", "0000011"},
    {"call", "0111", "0000011"},      {"callnz", "0111", "0000011"},
    {"label", "0111", "0000011"},     {"ret", "0111", "0000011"},
    {"loop", "0111", "0000001"},      {"endloop", "0111", "0000001"},
    {"ifc", "0011", "0000011"},       {"break", "0011", "0000011"},
    {"breakc", "0011", "0000011"},    {"breakp", "0011", "0000011"},
    {"setp", "0011", "0000011"},
};

}  // namespace

// False (the error said) when the version being assembled lacks the
// instruction; names not in the table are left to the instructions' own
// checks.
bool Assembler::CheckVersion(const AsmInstruction& in) {
    int column = 0;
    if (vertex_) {
        column = major_ == 1 ? 0 : major_ == 3 ? 3 : minor_ == 1 ? 2 : 1;
    } else {
        column = major_ == 1 ? minor_ - 1 : major_ == 3 ? 6 : minor_ == 1 ? 5 : 4;
    }
    // "if_gt" is read as if with a compare: its own row.
    const bool compared = !in.mods.empty() && (in.mods[0] == "gt" || in.mods[0] == "lt" ||
                                               in.mods[0] == "ge" || in.mods[0] == "le" ||
                                               in.mods[0] == "eq" || in.mods[0] == "ne");
    const std::string name = compared && in.name == "if"      ? "ifc"
                             : compared && in.name == "break" ? "breakc"
                                                              : in.name;
    for (const Versions& v : kVersions) {
        if (name != v.name) continue;
        const char* flags = vertex_ ? v.vertex : v.pixel;
        if (column >= 0 && flags[column] == '1') return true;
        return Fail(in.token, "'" + in.name + (compared ? "_" + in.mods[0] : std::string()) +
                                  "' is not an instruction of " + version_);
    }
    return true;
}

}  // namespace fx
