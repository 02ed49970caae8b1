// Stage 4: the outline of the HLSL tokens that the checks and the shape
// rewrites read (platform/fx internal): the code tokens, and the functions
// and structs declared at global scope.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/fx/shared/token_stream.h"

namespace fx {

// The code tokens of an HLSL token list (#pragma lines and strings left
// out), by their index in the list.
class Code {
public:
    explicit Code(const TokenStream& s);
    size_t size() const { return index_.size(); }
    // Index in the list of code token i; the list's end past the last one
    // (a body a stray bracket leaves open runs to the end of the code).
    size_t At(size_t i) const { return i < index_.size() ? index_[i] : s_.tokens.size(); }
    const SourceToken& Token(size_t i) const { return s_.tokens[index_[i]]; }
    bool IsIdent(size_t i) const { return i < size() && Token(i).kind == Tok::Ident; }
    bool IsWord(size_t i, std::string_view word) const { return IsIdent(i) && Text(i) == word; }
    std::string_view Text(size_t i) const { return s_.Text(Token(i)); }
    SourcePos Pos(size_t i) const { return s_.Pos(Token(i)); }
    // The list's token at index `at` (a string's, which the code leaves out).
    const SourceToken& ListToken(size_t at) const { return s_.tokens[at]; }
    SourcePos ListPos(size_t at) const { return s_.Pos(s_.tokens[at]); }
    // The character of a one-character punctuation token; 0 for others and
    // past the end. Read once per token: every rewrite asks it of most
    // tokens, and no rewrite changes a punctuation token in place.
    char Punct(size_t i) const { return i < punct_.size() ? punct_[i] : 0; }
    // Whether code token i follows the one before it with no space.
    bool Glued(size_t i) const { return i < size() && (Token(i).flags & kGlued) != 0; }
    // The token that closes the bracket opened at i; size() when none does.
    size_t Closing(size_t i) const { return i < size() ? closing_[i] : size(); }
    // Every distinct word (identifier) of the code once, in the order of
    // its first use: a scan for a kind of name reads each word once, not
    // each of its uses. Made on the first call.
    const std::vector<std::string_view>& Words() const;

private:
    const TokenStream& s_;
    mutable std::optional<std::vector<std::string_view>> words_;
    std::vector<size_t> index_;
    std::vector<char> punct_;      // by code token: Punct's answer
    std::vector<size_t> closing_;  // by code token: its closing bracket's
};

// "No such token" for the positions the outline and the rewrites hand about.
inline constexpr size_t npos = static_cast<size_t>(-1);

// A declaration "TYPE NAME[N] : SEMANTIC" of a parameter or struct member,
// by code token; npos where it has no such part.
struct Declarator {
    static constexpr size_t npos = fx::npos;
    size_t first = 0;  // its first token (a qualifier or the type)
    size_t type = npos;
    size_t name = npos;
    size_t arrayOpen = npos;  // '[' after the name
    size_t semantic = npos;
    bool out = false;  // "out" or "inout"
};

// Reads the declarator in code tokens [first, last).
Declarator ReadDeclarator(const Code& code, size_t first, size_t last);

struct FunctionOutline {
    size_t returnType = 0;  // the first token of its return type
    size_t name = 0;
    size_t open = 0;  // '(' and ')' of its parameters
    size_t close = 0;
    std::vector<Declarator> params;
    size_t semantic = Declarator::npos;  // after the parameters
    size_t body = Declarator::npos;      // '{'; npos for a declaration
    size_t end = 0;                      // its '}' or ';'
};

// The first token of a function's declaration: its return type, or the
// `static`, `inline` or `precise` before it (where a rewrite puts the
// helpers the function calls).
size_t DeclarationStart(const Code& code, const FunctionOutline& f);

struct StructOutline {
    size_t name = 0;
    size_t open = 0;
    size_t close = 0;
    std::vector<Declarator> members;
};

// The declared type of a name (a code token); type npos when the name is
// declared with two different types (scopes are not told apart).
struct NameType {
    size_t type = Declarator::npos;
    size_t name = Declarator::npos;  // where it is declared (the first time)
    bool array = false;
    bool uniform = false;  // a global the program sets (not static)
};

// A declaration of a variable or parameter and the code tokens
// [from, to] where its name means it: a global's the whole code, a
// parameter's its function, a local's the rest of the block it is declared
// in (a for loop's counter's too: it outlives its loop).
struct ScopedName {
    NameType declared;
    size_t from = 0;
    size_t to = 0;
};

// What a typedef's name stands for: a type's name, and whether the typedef
// makes an array of it ("typedef float4 Pair[2];").
struct TypeAlias {
    std::string_view type;
    bool array = false;
};

struct HlslOutline {
    std::vector<FunctionOutline> functions;
    std::vector<StructOutline> structs;
    std::unordered_map<std::string_view, NameType> names;
    // Every declaration of each name, with its scope (Declared reads them).
    std::unordered_map<std::string_view, std::vector<ScopedName>> scoped;
    // Struct members by name (type npos for a name two members declare
    // with different types).
    std::unordered_map<std::string_view, NameType> members;
    std::unordered_map<std::string_view, TypeAlias> typedefs;
    // Indexes into functions and structs by name.
    std::unordered_map<std::string_view, std::vector<size_t>> functionsNamed;
    std::unordered_map<std::string_view, size_t> structsNamed;

    // A struct by its name or a typedef's.
    const StructOutline* FindStruct(const Code& code, std::string_view name) const;
    // The type a typedef's name stands for, through typedefs of typedefs
    // ("M" of "typedef float3x3 M;" is "float3x3"); any other name itself.
    // *array is set when one of the typedefs makes an array.
    std::string_view Underlying(std::string_view type, bool* array = nullptr) const;
    // The functions (declarations and definitions) of that name.
    const std::vector<size_t>& Functions(std::string_view name) const;
    // The declaration the name at code token i means there: after a '.', a
    // struct member; else the innermost variable or parameter of that name
    // whose scope holds i (a function's `p` is not another one's); else
    // names' entry. Null when the name is declared nowhere.
    const NameType* Declared(const Code& code, size_t i) const;
    // Whether some declaration gives a name a type that `match` takes
    // (types by their token), whatever other declarations of the name say.
    template <class Match>
    bool AnyDeclared(Match match) const {
        for (const auto& entry : scoped)
            for (const ScopedName& d : entry.second)
                if (d.declared.type != static_cast<size_t>(-1) && match(d.declared)) return true;
        return false;
    }
};

HlslOutline OutlineHlsl(const Code& code);

// The functions (their definitions) an entry point's code reaches, directly
// or through calls, itself first: what Direct3D 9 compiles for it. A call
// is NAME( not after a '.' (that is an object's method).
std::vector<size_t> ReachedFunctions(const Code& code, const HlslOutline& outline,
                                     std::string_view entry);

// The shape of a numeric type name: "float" 1 x 1, "half3" 1 x 3, "int2x4"
// 2 x 4 (a matrix); rows 0 for other names.
struct Shape {
    int rows = 0;
    int cols = 0;
    bool matrix = false;
    int Components() const { return rows * cols; }
};
Shape ShapeOf(std::string_view type);
inline int Components(std::string_view type) { return ShapeOf(type).Components(); }
// A shape spelled after a base name, as ShapeOf reads it back: a matrix
// "float2x3", a vector "float3", a scalar "float"; then the suffix
// ("fx_times" 2 x 2 "_": "fx_times2x2_").
std::string ShapeName(Shape shape, std::string_view base = "float",
                      std::string_view suffix = {});
// The text of a helper function that makes a float matrix of the shape row
// by row, each row a product: "float2x2 NAME(A a, B b) { return
// float2x2(a[0] * b[0], a[1] * b[1]); }" (rowsOfB), else "a[0] * b".
std::string RowProductFunction(std::string_view name, Shape shape, std::string_view typeA,
                               std::string_view typeB, bool rowsOfB);

// Whether a word of the code is a type whose shape `match` takes: most
// shaders name no matrix, and a rewrite of matrices stops after this scan.
template <class Match>
bool NamesShape(const Code& code, Match match) {
    for (std::string_view word : code.Words())
        if (match(ShapeOf(word))) return true;
    return false;
}

// The parts one after another (what "a" + b + "c" would give, without the
// temporaries GCC 12 warns about).
inline std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string s;
    for (std::string_view p : parts) s += p;
    return s;
}

// s is one of the words of the list.
inline bool OneOf(std::string_view s, std::initializer_list<std::string_view> list) {
    for (std::string_view w : list)
        if (s == w) return true;
    return false;
}

// The items of the list or call whose bracket is at open (closed at close),
// split at its own commas: [first, last) each.
std::vector<std::pair<size_t, size_t>> ListItems(const Code& code, size_t open, size_t close);

// The token after the statement that starts at code token i (its last
// token + 1): a block, a loop or if with its body (and else), or tokens up
// to ';'; code.size() when it runs off the end.
size_t StatementEnd(const Code& code, size_t i);

// The end of the operand of a cast that starts at k: signs, casts, then a
// primary expression (a bracket, a call, a name or a number) and its
// indices and members; Declarator::npos when it cannot be told.
size_t CastOperandEnd(const Code& code, const HlslOutline& outline, size_t k);
// Past the indices and members ("[i]", ".x") that follow code token k.
size_t PastAccessors(const Code& code, size_t k);
// "++" or "--" starting at code token k.
bool StepAt(const Code& code, size_t k);
// The '=' at k is an assignment's ("=", "+=", "<<=", ...), not one of
// "==", "!=", "<=", ">=".
bool AssignmentAt(const Code& code, size_t k);
// The '(' or '[' that the bracket at close closes; Declarator::npos when
// none does.
size_t OpeningBracket(const Code& code, size_t close);
// The top-level commas of the call whose '(' is at open: open, each comma,
// then its ')'; empty when the ')' is missing.
std::vector<size_t> CallCuts(const Code& code, size_t open);
// The ',', ';' or closing bracket that ends the expression starting at k
// (brackets within it skipped); code.size() when it runs off the end.
size_t ExpressionEnd(const Code& code, size_t k);

// How many components the expression in code tokens [first, last) has,
// from the declared types of the names it uses (4_hlsl_types.cpp); 0 when
// that cannot be told from them.
int ExpressionComponents(const Code& code, const HlslOutline& outline, size_t first, size_t last);
// The shape of the expression in code tokens [first, last) when it is a
// matrix of more than one row and column (a comparison of matrices is one
// of bools); rows 0 when it is none or that cannot be told.
Shape MatrixShape(const Code& code, const HlslOutline& outline, size_t first, size_t last);
// The declared shape of the operand in code tokens [first, last): a cast,
// or a number, name, call or bracketed matrix with its members, elements
// and swizzles (a 1xN or Nx1 matrix as declared, a vector as 1 x N); or
// operands and the arithmetic and comparison operators between them, the
// shape of their result (a scalar spreads, two matrices or two vectors
// truncate to the smaller); rows 0 when that cannot be told.
Shape ValueShape(const Code& code, const HlslOutline& outline, size_t first, size_t last);

}  // namespace fx
