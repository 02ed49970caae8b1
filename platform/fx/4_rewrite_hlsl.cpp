// Stage 4: HLSL rewrites for glslang (see 4_rewrite_hlsl.h).
//
// Implemented: [x] global declarations (4_globals.cpp), initial values
//                  (4_default_values.cpp)
//              [x] compile arguments bound to the entry point's uniform
//                  parameters as static consts
//              [x] the map from rewritten columns back to the user's file
// Not implemented: rewrites inside expressions (a type pass over the
// declarations and expressions), integer parameters of non-entry functions.
#include "platform/fx/4_rewrite_hlsl.h"

#include <algorithm>
#include <cstddef>

#include "platform/fx/tables.h"
#include "platform/fx/tokenizer.h"

namespace fx {
namespace {

// The code tokens of an HLSL text (comments, strings and directive lines
// left out), and which characters those left-out parts cover.
struct CodeTokens {
    std::vector<Token> tokens;
    std::vector<bool> hidden;  // text put there would be commented out or in a directive
};

CodeTokens ReadCode(const std::string& s) {
    CodeTokens code;
    code.hidden.assign(s.size(), false);
    TokenizerOptions options;
    options.charLiterals = true;
    options.comments = true;
    for (const Token& t : Tokenize(s, options)) {
        if (t.kind == Tok::Directive || t.kind == Tok::Comment || t.kind == Tok::String) {
            std::fill(code.hidden.begin() + static_cast<std::ptrdiff_t>(t.begin),
                      code.hidden.begin() + static_cast<std::ptrdiff_t>(t.end), true);
        } else {
            code.tokens.push_back(t);
        }
    }
    return code;
}

bool IsIdent(const Token& t) { return t.kind == Tok::Ident; }
// The character of a one-character token; 0 for others.
char Punct(const std::string& s, const Token& t) { return t.kind == Tok::Punct ? s[t.begin] : 0; }
std::string Text(const std::string& s, const Token& t) {
    return s.substr(t.begin, t.end - t.begin);
}

// Replaces [begin, end) with spaces, keeping line ends.
void Blank(std::string* s, size_t begin, size_t end) {
    for (size_t i = begin; i < end && i < s->size(); ++i) {
        if ((*s)[i] != '\n' && (*s)[i] != '\r') (*s)[i] = ' ';
    }
}

// The definition of an entry point: the tokens of its name, its parameter
// list (token ranges) and the commas between the parameters.
struct EntryDefinition {
    size_t name = 0;
    size_t close = 0;  // the ')' of the parameter list
    std::vector<std::pair<size_t, size_t>> params;
    std::vector<size_t> commas;
};

// A parameter list starting at open, split at its own commas; false when
// it does not close.
bool ReadParameters(const std::string& hlsl, const std::vector<Token>& tokens, size_t open,
                    EntryDefinition* def) {
    int nest = 0;
    size_t paramStart = open + 1;
    def->close = open;
    for (size_t j = open; j < tokens.size(); ++j) {
        char p = Punct(hlsl, tokens[j]);
        if (p == '(' || p == '[' || p == '{') ++nest;
        if (p == ')' || p == ']' || p == '}') --nest;
        if (nest == 1 && p == ',') {
            def->params.emplace_back(paramStart, j);
            def->commas.push_back(j);
            paramStart = j + 1;
        }
        if (nest == 0) {
            def->close = j;
            break;
        }
    }
    if (def->close == open) return false;
    if (paramStart < def->close) def->params.emplace_back(paramStart, def->close);
    return true;
}

// The entry point's definition at global scope (not a prototype or a call:
// a body or a semantic follows its parameters). 0: not found; -1: a
// parameter list that never closes.
int FindEntryDefinition(const std::string& hlsl, const std::vector<Token>& tokens,
                        const std::string& entry, EntryDefinition* def) {
    int depth = 0;
    for (size_t i = 0; i < tokens.size(); ++i) {
        const char p = Punct(hlsl, tokens[i]);
        if (p == '{' || p == '(' || p == '[') ++depth;
        if ((p == '}' || p == ')' || p == ']') && depth > 0) --depth;
        if (depth != 0 || !IsIdent(tokens[i]) || i == 0 || !IsIdent(tokens[i - 1]) ||
            i + 1 >= tokens.size() || Punct(hlsl, tokens[i + 1]) != '(' ||
            Text(hlsl, tokens[i]) != entry) {
            continue;
        }
        *def = EntryDefinition();
        def->name = i;
        if (!ReadParameters(hlsl, tokens, i + 1, def)) return -1;
        const size_t close = def->close;
        if (close + 1 < tokens.size() &&
            (Punct(hlsl, tokens[close + 1]) == '{' || Punct(hlsl, tokens[close + 1]) == ':')) {
            return 1;
        }
    }
    return 0;
}

// "static const TYPE NAME = ARG; " for each uniform parameter, blanking it
// from the list in *result; kept[p] tells which parameters stay.
bool DeclareUniforms(const std::string& hlsl, const std::vector<Token>& tokens,
                     const EntryDefinition& def, const std::string& entry,
                     const std::vector<std::string>& arguments, std::string* result,
                     std::string* decls, std::vector<bool>* kept, std::string* error,
                     std::vector<std::pair<std::string, std::string>>* samplerAliases) {
    size_t used = 0;
    for (const auto& [first, last] : def.params) {
        bool isUniform = false;
        size_t nameToken = last;  // the last identifier before ':', '=' or '['
        std::vector<size_t> typeTokens;
        for (size_t k = first; k < last; ++k) {
            char p = Punct(hlsl, tokens[k]);
            if (p == ':' || p == '=' || p == '[') break;
            if (!IsIdent(tokens[k])) continue;
            std::string word = Text(hlsl, tokens[k]);
            if (word == "uniform") isUniform = true;
            if (IsQualifier(word)) continue;
            if (nameToken != last) typeTokens.push_back(nameToken);
            nameToken = k;
        }
        kept->push_back(!isUniform);
        if (!isUniform) continue;
        if (nameToken == last || typeTokens.empty()) {
            *error = "cannot read a uniform parameter of '" + entry + "'";
            return false;
        }
        if (used >= arguments.size()) {
            *error = "'" + entry + "' has more uniform parameters than the " +
                     std::to_string(arguments.size()) + " arguments of the compile statement";
            return false;
        }
        std::string type = hlsl.substr(tokens[typeTokens.front()].begin,
                                       tokens[typeTokens.back()].end -
                                           tokens[typeTokens.front()].begin);
        // A sampler cannot be a constant: the parameter stays, and stage 6
        // binds it where the sampler it is given sits.
        if (IsSamplerType(type)) {
            kept->back() = true;
            if (samplerAliases != nullptr)
                samplerAliases->emplace_back(Text(hlsl, tokens[nameToken]), arguments[used]);
            ++used;
            continue;
        }
        *decls += "static const " + type + " " + Text(hlsl, tokens[nameToken]) + " = " +
                  arguments[used++] + "; ";
        Blank(result, tokens[first].begin, tokens[last - 1].end);
    }
    if (used != arguments.size()) {
        *error = "the compile statement gives " + std::to_string(arguments.size()) +
                 " arguments, but '" + entry + "' has " + std::to_string(used) +
                 " uniform parameters";
        return false;
    }
    return true;
}

// Commas: only the one just before each kept parameter after the first kept one.
void BlankCommas(const std::vector<Token>& tokens, const EntryDefinition& def,
                 const std::vector<bool>& kept, std::string* result) {
    bool seenKept = false;
    for (size_t p = 0; p < def.params.size(); ++p) {
        if (p > 0) {
            bool keepComma = kept[p] && seenKept;
            const Token& comma = tokens[def.commas[p - 1]];
            if (!keepComma) Blank(result, comma.begin, comma.end);
        }
        if (kept[p]) seenKept = true;
    }
}

// The declarations go at the end of the line before the function, where no
// column of the file moves, when that line ends a statement outside any
// comment or directive line; otherwise just before the function (which
// moves the columns after it on its line).
void InsertDeclarations(const std::string& hlsl, const CodeTokens& code,
                        const EntryDefinition& def, std::string decls, std::string* result,
                        std::vector<ColumnShift>* shifts) {
    const std::vector<Token>& tokens = code.tokens;
    const std::vector<bool>& hidden = code.hidden;
    size_t start = def.name - 1;
    while (start > 0 && IsIdent(tokens[start - 1])) --start;
    size_t lineStart = hlsl.rfind('\n', tokens[start].begin == 0 ? 0 : tokens[start].begin - 1);
    bool atLineEnd = false;
    if (lineStart != std::string::npos && tokens[start].begin > 0) {
        const bool boundary = start == 0 || Punct(hlsl, tokens[start - 1]) == ';' ||
                              Punct(hlsl, tokens[start - 1]) == '}';
        const bool before = start == 0 || tokens[start - 1].end <= lineStart;
        const bool visible = !hidden[lineStart] && (lineStart == 0 || !hidden[lineStart - 1]) &&
                             (lineStart == 0 || hlsl[lineStart - 1] != '\\');
        atLineEnd = boundary && before && visible;
    }
    if (atLineEnd) {
        if (!decls.empty()) decls.pop_back();  // the trailing space
        // Before a carriage return, which the preprocessor also counts as a line end.
        size_t at = lineStart > 0 && hlsl[lineStart - 1] == '\r' ? lineStart - 1 : lineStart;
        result->insert(at, " " + decls);
        // No column of the file moves, but a message about the declarations
        // themselves belongs at the end of that line, not past it.
        if (shifts != nullptr) {
            SourcePos pos = LineIndex(hlsl).At(at);
            shifts->push_back({pos.line, pos.column, static_cast<int>(decls.size()) + 1});
        }
        return;
    }
    result->insert(tokens[start].begin, decls);
    if (shifts != nullptr) {
        SourcePos pos = LineIndex(hlsl).At(tokens[start].begin);
        shifts->push_back({pos.line, pos.column, static_cast<int>(decls.size())});
    }
}

}  // namespace

void UndoColumnShifts(const std::vector<ColumnShift>& shifts, int line, int* column) {
    for (auto it = shifts.rbegin(); it != shifts.rend(); ++it) {
        if (it->line != line || *column < it->column) continue;
        *column = *column >= it->column + it->delta ? *column - it->delta : it->column;
    }
}

bool BindUniformArguments(const std::string& hlsl, const std::string& entry,
                          const std::vector<std::string>& arguments, std::string* out,
                          std::string* error, std::vector<ColumnShift>* shifts,
                          std::vector<std::pair<std::string, std::string>>* samplerAliases) {
    CodeTokens code = ReadCode(hlsl);
    EntryDefinition def;
    if (FindEntryDefinition(hlsl, code.tokens, entry, &def) != 1) {
        *error = "entry point '" + entry + "' not found";
        return false;
    }
    std::string result = hlsl;
    std::string decls;
    std::vector<bool> kept;
    if (!DeclareUniforms(hlsl, code.tokens, def, entry, arguments, &result, &decls, &kept, error,
                         samplerAliases)) {
        return false;
    }
    BlankCommas(code.tokens, def, kept, &result);
    InsertDeclarations(hlsl, code, def, std::move(decls), &result, shifts);
    *out = std::move(result);
    return true;
}

void SourceMap::ToUser(Message* m) const {
    if (m->file.empty()) {
        for (const std::vector<ColumnShift>& layer : effectFile)
            UndoColumnShifts(layer, m->line, &m->column);
        return;
    }
    auto it = includes.find(m->file);
    if (it != includes.end()) UndoColumnShifts(it->second, m->line, &m->column);
}

bool RewriteEffect(const ParsedEffect& parsed, RewrittenEffect* out, MessageList* messages) {
    std::vector<Message> found;
    out->hlsl = RewriteGlobals(parsed.hlsl, "", &out->globals, &out->shifts, &found);
    for (const IncludedFile& inc : parsed.includes) {
        out->includes.push_back({inc.name, RewriteGlobals(inc.hlsl, inc.name, &out->globals,
                                                          &out->includeShifts[inc.name], &found)});
    }
    out->defaults = EvaluateInitializers(parsed.initializers, &found);
    bool ok = true;
    for (const Message& m : found) ok &= !m.IsError();
    messages->Add(found);
    return ok;
}

bool RewritePass(const RewrittenEffect& effect, const PassDesc& pass, PassSources* out,
                 MessageList* messages) {
    out->stages.clear();
    out->includes = effect.includes;
    for (const ShaderBinding* b : {&pass.vertexShader, &pass.pixelShader}) {
        if (!HasShader(*b)) continue;
        StageSource s;
        s.stage = b == &pass.vertexShader ? ShaderStage::Vertex : ShaderStage::Pixel;
        s.entry = b->entry;
        s.compileStatement = b->pos;
        std::vector<ColumnShift> bound;
        if (b->arguments.empty()) {
            s.hlsl = effect.hlsl;
        } else {
            std::string error;
            if (!BindUniformArguments(effect.hlsl, b->entry, b->arguments, &s.hlsl, &error,
                                      &bound, &s.samplerAliases)) {
                messages->Error(b->pos, error);
                return false;
            }
        }
        s.map.effectFile = {std::move(bound), effect.shifts};
        s.map.includes = effect.includeShifts;
        s.defaults = effect.defaults;
        s.majorities = effect.globals.majorities;
        s.written = effect.globals.written;
        out->stages.push_back(std::move(s));
    }
    return true;
}

}  // namespace fx
