// Stage 4: the class that rewrites matrices of ints and bools
// (4_int_matrices.h), for the two files that define it and only for them:
// 4_int_matrices.cpp (types, names, assignments and the wraps that convert
// them) and 4_int_matrix_calls.cpp (parameters taken in, returns, calls
// that give such a matrix to an out argument of another type, overloads).
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"

namespace fx {
namespace int_matrices {


// 'i' for a matrix of ints, 'b' of bools (more than one row and column);
// 0 for any other type name.
char MatrixKind(std::string_view type);

struct Wrap {
    size_t first, last;  // the code tokens [first, last) converted
    char kind;
    std::string floatType;
    size_t at;  // the token the wrap's tokens are placed at
    bool element = false;  // into an element, a row or a swizzle: no cast
    bool cast = false;     // "(int2x2)e": [first, at + 2) is the cast
    bool read = false;     // a uniform's registers as read: inside any other
    int ints = 0;          // an int matrix's element, row or swizzle made this many ints
};

class IntMatrices {
public:
    IntMatrices(const TokenStream& s, const Code& code, const HlslOutline& outline);
    void Find(TokenEdits* edits);
    // The calls (their names) that two overloads fit alike: errors.
    const std::vector<size_t>& Ambiguous() const { return ambiguous_; }
    // The compound assignments (a token of their left side) whose left
    // side cannot be worked out: errors.
    const std::vector<size_t>& Unconverted() const { return errors_; }

private:
    SourceToken Make(Tok kind, std::string_view text, size_t at) const;
    char Kind(std::string_view type) const;
    std::string FloatType(std::string_view type) const;
    void Type(size_t i, char kind, int where, TokenEdits* edits, bool respell);
    void ListValues(size_t open, char kind, const std::string& f, int depth);
    bool Uniform(size_t name) const;
    const NameType* Declared(size_t i) const;
    void Locals(const FunctionOutline& f, std::unordered_map<std::string_view, NameType>* out);
    void Name(size_t i, int where);
    void MemberRead(size_t i);
    void Read(size_t first, size_t end, char kind, const std::string& f, bool uniform);
    // 4_int_matrix_values.cpp
    char ValueKind(size_t first, size_t last, std::string_view* intMatrix, int depth) const;
    size_t OperandStart(size_t k) const;
    void Values();
    size_t PastAccessors(size_t k) const;
    bool MayBeWritten(size_t first, size_t last) const;
    bool Written(size_t i, char kind, const std::string& f, bool array = false);
    std::string Reached(const std::string& f, size_t whole, size_t op) const;
    void Once(size_t start, size_t whole, size_t op, size_t end, char kind, const std::string& f,
              bool read);
    size_t LeftSideStart(size_t i) const;
    bool Plain(size_t first, size_t last) const;
    void Open(char kind, const std::string& f, size_t at, std::vector<SourceToken>* out,
              bool element = false) const;
    void Close(char kind, size_t at, std::vector<SourceToken>* out, bool element = false) const;
    void Apply(const Wrap& w, TokenEdits* edits) const;

    // 4_int_matrix_calls.cpp
    bool WholeArgument(size_t i, size_t end) const;
    void Function(const FunctionOutline& f, TokenEdits* edits);
    bool OnlyOut(const Declarator& d) const;
    std::string_view Variable(size_t first, size_t last) const;
    char ArgumentKind(size_t first, size_t last, std::string_view variable) const;
    std::vector<int> Fit(const FunctionOutline& g,
                         const std::vector<std::pair<size_t, size_t>>& args,
                         const std::vector<std::string_view>& types, bool* told) const;
    std::string Signature(const FunctionOutline& g) const;
    std::string ArrayPart(const Declarator& d) const;
    void Calls(const FunctionOutline& f, TokenEdits* edits);
    std::string FloatSignature(const FunctionOutline& g) const;
    void Overloads(TokenEdits* edits);
    const FunctionOutline* Callee(const std::vector<size_t>& named,
                                  const std::vector<std::pair<size_t, size_t>>& args,
                                  const std::vector<std::string_view>& types,
                                  size_t* index, bool* ambiguous) const;
    bool OutCodes(const FunctionOutline& callee, const std::vector<std::pair<size_t, size_t>>& args,
                  const std::vector<std::string_view>& types, std::string* codes) const;
    void ThroughHelper(size_t k, size_t index, const FunctionOutline& callee,
                       const std::string& codes, const std::vector<std::string_view>& types,
                       TokenEdits* edits, std::string* definitions);
    void Intrinsic(size_t k, size_t count, const std::vector<std::string_view>& types,
                   TokenEdits* edits, std::string* definitions);
    static void Converted(char kind, const std::string& f, const std::string& arg,
                          std::string* out);
    std::string Helper(const std::string& result, std::string_view called,
                       const std::vector<std::string>& declared, const std::string& name,
                       const std::string& codes, const std::vector<std::string_view>& types,
                       const FunctionOutline* callee) const;

    struct Compound {
        size_t name, op, end;
        bool read;  // the left side read as a uniform's registers
    };
    struct Member {
        std::string_view type;
        bool array = false;
    };

    const TokenStream& s_;
    const Code& code_;
    const HlslOutline& outline_;
    std::vector<Wrap> wraps_;
    struct ElementRead {
        size_t first, last;  // the code tokens [first, last): "m[0].x"
        int components;
    };
    std::vector<ElementRead> elementReads_;  // of int matrices, as ints
    std::vector<Compound> compound_;
    struct OnceCall {
        size_t start, op, end;
        std::string name;
    };
    std::vector<OnceCall> once_;  // compound assignments through a helper
    std::map<size_t, std::string> onceDefinitions_;  // by function: their helpers
    std::unordered_map<std::string_view, std::string_view> aliases_;  // typedef -> type
    std::unordered_map<std::string_view, Member> members_;  // by name
    std::unordered_set<std::string> made_;  // the call helpers defined
    std::vector<size_t> owner_;  // by code token: 1 + the function it is in, 0 outside
    std::vector<size_t> ambiguous_;
    std::vector<size_t> errors_;
    // Overloads that only int or bool matrices tell from another (float2x2
    // and int2x2): by function, the name each is given.
    std::map<size_t, std::string> renamed_;
    std::vector<std::unordered_map<std::string_view, NameType>> locals_;  // by function
};

}  // namespace int_matrices
}  // namespace fx
