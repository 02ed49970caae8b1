// Stage 4: the outline of the HLSL tokens (see 4_hlsl_outline.h).
#include "platform/fx/4_rewrite/4_hlsl_outline.h"

#include <algorithm>

#include "platform/fx/shared/tables.h"

namespace fx {

Code::Code(const TokenStream& s) : s_(s) {
    for (size_t i = 0; i < s.tokens.size(); ++i) {
        Tok k = s.tokens[i].kind;
        if (k == Tok::Directive || k == Tok::String) continue;
        index_.push_back(i);
        const std::string_view text = k == Tok::Punct ? s.Text(s.tokens[i]) : std::string_view();
        punct_.push_back(text.size() == 1 ? text[0] : '\0');
    }
    // Brackets paired once: any closing one closes the innermost open one,
    // so that a stray bracket costs no more than itself.
    closing_.assign(size(), size());
    std::vector<size_t> open;
    for (size_t i = 0; i < size(); ++i) {
        char p = Punct(i);
        if (p == '(' || p == '[' || p == '{') open.push_back(i);
        if ((p == ')' || p == ']' || p == '}') && !open.empty()) {
            closing_[open.back()] = i;
            open.pop_back();
        }
    }
}

const std::vector<std::string_view>& Code::Words() const {
    if (words_) return *words_;
    words_.emplace();
    std::vector<bool> seen(s_.texts->size(), false);
    for (size_t i = 0; i < size(); ++i) {
        const SourceToken& t = Token(i);
        if (t.kind != Tok::Ident || seen[t.text]) continue;
        seen[t.text] = true;
        words_->push_back(s_.Text(t));
    }
    return *words_;
}

Declarator ReadDeclarator(const Code& code, size_t first, size_t last) {
    Declarator d;
    d.first = first;
    for (size_t k = first; k < last; ++k) {
        char p = code.Punct(k);
        if (p == '[' && d.arrayOpen == Declarator::npos && d.name != Declarator::npos) {
            d.arrayOpen = k;
            k = code.Closing(k);
            continue;
        }
        if (p == ':') {
            if (code.IsIdent(k + 1) && k + 1 < last) d.semantic = k + 1;
            break;
        }
        if (p == '=' || p == '<') break;
        if (!code.IsIdent(k)) continue;
        std::string_view word = code.Text(k);
        if (word == "out" || word == "inout") d.out = true;
        if (IsQualifier(word) || word == "out" || word == "inout" || word == "uniform") continue;
        if (d.type == Declarator::npos) {
            d.type = k;
        } else if (d.name == Declarator::npos) {
            d.name = k;
        }
    }
    return d;
}

namespace {

// The names after the first of a member's declaration that ends at last,
// "float a, b[2] : TEXCOORD1;": each a declarator of the first one's type.
void ReadMoreNames(const Code& code, const Declarator& first, size_t last,
                   std::vector<Declarator>* list) {
    for (size_t k = first.name + 1; k < last; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') {
            k = code.Closing(k);
            continue;
        }
        if (p != ',' || !code.IsIdent(k + 1) || k + 1 >= last) continue;
        Declarator d = first;
        d.name = k + 1;
        d.arrayOpen = d.semantic = Declarator::npos;
        size_t at = k + 2;
        if (at < last && code.Punct(at) == '[') {
            d.arrayOpen = at;
            at = code.Closing(at) + 1;
        }
        if (at + 1 < last && code.Punct(at) == ':' && code.IsIdent(at + 1)) d.semantic = at + 1;
        list->push_back(d);
    }
}

// The declarators of a list [first, last) split at its own commas or
// semicolons (sep); a struct member's declaration (sep ';') gives one for
// each of its names.
std::vector<Declarator> ReadList(const Code& code, size_t first, size_t last, char sep) {
    std::vector<Declarator> list;
    size_t start = first;
    for (size_t k = first; k <= last; ++k) {
        char p = k < last ? code.Punct(k) : sep;
        if (p == '(' || p == '[' || p == '{') {
            k = code.Closing(k);
            continue;
        }
        if (p != sep) continue;
        if (k > start) {
            Declarator d = ReadDeclarator(code, start, k);
            if (d.name != Declarator::npos) list.push_back(d);
            if (d.name != Declarator::npos && sep == ';') ReadMoreNames(code, d, k, &list);
        }
        start = k + 1;
    }
    return list;
}

void NoteIn(const Code& code, std::unordered_map<std::string_view, NameType>* map, size_t type,
            size_t name, bool array, bool uniform) {
    // An array of arrays ("float2 b[2][2]") is not told: "b[1]" is no float2.
    if (array && code.Punct(code.Closing(name + 1) + 1) == '[') type = Declarator::npos;
    auto [it, added] = map->try_emplace(code.Text(name), NameType{type, name, array, uniform});
    NameType& known = it->second;
    if (!added && (known.type == Declarator::npos || type == Declarator::npos ||
                   code.Text(known.type) != code.Text(type) ||
                   known.array != array)) {
        known.type = Declarator::npos;
    }
}

// A variable or parameter declared at name, seen in code tokens [from, to].
void NoteName(const Code& code, HlslOutline* out, size_t type, size_t name, bool array,
              bool uniform, size_t from, size_t to) {
    NoteIn(code, &out->names, type, name, array, uniform);
    if (array && code.Punct(code.Closing(name + 1) + 1) == '[') type = Declarator::npos;
    out->scoped[code.Text(name)].push_back({NameType{type, name, array, uniform}, from, to});
}

// Every declaration statement (global or local) and the names it declares:
// "[qualifiers] TYPE NAME ..., NAME ...;".
void NoteVariables(const Code& code, HlslOutline* out) {
    int depth = 0;
    bool buffer = false;  // inside a cbuffer's braces: its members are uniform
    bool start = true;
    std::vector<size_t> blocks;  // the '{' of each block the token is in
    for (size_t i = 0; i < code.size(); ++i) {
        const char p = code.Punct(i);
        if (p == '{' && depth++ == 0 && i >= 2 &&
            (code.Text(i - 2) == "cbuffer" || code.Text(i - 2) == "tbuffer")) {
            buffer = true;
        }
        if (p == '{') blocks.push_back(i);
        if (p == '}' && !blocks.empty()) blocks.pop_back();
        if (p == '}' && --depth == 0) buffer = false;
        if (p == ';' || p == '{' || p == '}' || (p == '(' && i > 0 && code.Text(i - 1) == "for")) {
            start = true;
            continue;
        }
        if (!start) continue;
        start = false;
        bool isStatic = false;
        size_t k = i;
        for (; code.IsIdent(k) && IsQualifier(code.Text(k)); ++k)
            isStatic = isStatic || code.Text(k) == "static";
        auto declares = [&](size_t name) {
            if (!code.IsIdent(name)) return false;
            char after = code.Punct(name + 1);
            return after == '=' || after == ';' || after == ',' || after == '[' || after == ':';
        };
        // ("case K:" is a label, not K declared with a semantic.)
        if (!code.IsIdent(k) || !declares(k + 1) ||
            OneOf(code.Text(k), {"return", "struct", "typedef", "case", "else", "do"})) {
            continue;
        }
        const bool uniform = (depth == 0 || buffer) && !isStatic;
        const bool global = depth == 0 || buffer;
        const size_t type = k;
        const size_t end = global || blocks.empty() ? code.size() : code.Closing(blocks.back());
        for (size_t name = k + 1; declares(name);) {
            NoteName(code, out, type, name, code.Punct(name + 1) == '[', uniform,
                     global ? 0 : name, end);
            // On to the next name after a comma at this level, if any.
            size_t j = name + 1;
            for (; j < code.size(); ++j) {
                char q = code.Punct(j);
                if (q == '(' || q == '[' || q == '{') j = code.Closing(j);
                if (q == ',' || q == ';' || q == ')' || q == '}') break;
            }
            if (code.Punct(j) != ',') break;
            name = j + 1;
        }
    }
}

// "typedef [qualifiers] TYPE NAME[N], NAME;" and "typedef struct S { ... }
// NAME;" anywhere (a function may declare one too); an unnamed struct or a
// template type ("vector<float, 3>") is left out.
void NoteTypedefs(const Code& code, HlslOutline* out) {
    for (size_t i = 0; i < code.size(); ++i) {
        if (!code.IsIdent(i) || code.Text(i) != "typedef") continue;
        size_t k = i + 1;
        while (code.IsIdent(k) && OneOf(code.Text(k), {"const", "row_major", "column_major"})) ++k;
        size_t type = k;
        if (code.IsIdent(k) && code.Text(k) == "struct") {
            type = k + 1;
            k = code.Punct(k + 2) == '{' ? code.Closing(k + 2) + 1 : k + 2;
        } else {
            ++k;
        }
        if (!code.IsIdent(type) || code.Punct(type + 1) == '<') continue;
        while (code.IsIdent(k)) {
            const bool array = code.Punct(k + 1) == '[';
            out->typedefs.try_emplace(code.Text(k), TypeAlias{code.Text(type), array});
            k = array ? code.Closing(k + 1) + 1 : k + 1;
            if (code.Punct(k) != ',') break;
            ++k;
        }
    }
}

}  // namespace

HlslOutline OutlineHlsl(const Code& code) {
    HlslOutline out;
    size_t statement = 0;  // the first token of the global statement
    for (size_t i = 0; i < code.size(); ++i) {
        const char p = code.Punct(i);
        if (p == ';' || p == '}') {
            statement = i + 1;
            continue;
        }
        if (code.IsIdent(i) && code.Text(i) == "struct" && code.IsIdent(i + 1) &&
            code.Punct(i + 2) == '{') {
            StructOutline s;
            s.name = i + 1;
            s.open = i + 2;
            s.close = code.Closing(s.open);
            s.members = ReadList(code, s.open + 1, s.close, ';');
            out.structs.push_back(s);
            i = s.close;
            continue;
        }
        if (p == '{') {  // a cbuffer or an initializer: not a function
            i = code.Closing(i);
            continue;
        }
        if (p != '(') continue;
        if (i < 2 || !code.IsIdent(i - 1) || !code.IsIdent(i - 2) || statement + 1 >= i) {
            i = code.Closing(i);
            continue;
        }
        FunctionOutline f;
        f.returnType = statement;
        f.name = i - 1;
        f.open = i;
        f.close = code.Closing(i);
        f.params = ReadList(code, f.open + 1, f.close, ',');
        size_t k = f.close + 1;
        if (code.Punct(k) == ':' && code.IsIdent(k + 1)) {
            f.semantic = k + 1;
            k += 2;
        }
        if (code.Punct(k) == '{') {
            f.body = k;
            f.end = code.Closing(k);
        } else if (code.Punct(k) == ';') {
            f.end = k;
        } else {
            i = f.close;
            continue;
        }
        out.functions.push_back(f);
        i = f.end;
        statement = i + 1;
    }
    for (size_t f = 0; f < out.functions.size(); ++f)
        out.functionsNamed[code.Text(out.functions[f].name)].push_back(f);
    for (size_t st = 0; st < out.structs.size(); ++st)
        out.structsNamed.try_emplace(code.Text(out.structs[st].name), st);
    NoteTypedefs(code, &out);
    for (const FunctionOutline& f : out.functions)
        for (const Declarator& d : f.params)
            if (d.type != Declarator::npos && d.name != Declarator::npos)
                NoteName(code, &out, d.type, d.name, d.arrayOpen != Declarator::npos, false,
                         f.open, f.end);
    for (const StructOutline& st : out.structs) {
        for (const Declarator& d : st.members) {
            if (d.type == Declarator::npos || d.name == Declarator::npos) continue;
            const bool array = d.arrayOpen != Declarator::npos;
            NoteIn(code, &out.names, d.type, d.name, array, false);
            NoteIn(code, &out.members, d.type, d.name, array, false);
        }
    }
    NoteVariables(code, &out);
    // By where each scope starts, for Declared's search from the last one
    // that starts before a use.
    for (auto& [name, declarations] : out.scoped) {
        std::stable_sort(declarations.begin(), declarations.end(),
                         [](const ScopedName& a, const ScopedName& b) { return a.from < b.from; });
    }
    return out;
}

const StructOutline* HlslOutline::FindStruct(const Code&, std::string_view name) const {
    auto it = structsNamed.find(Underlying(name));
    return it == structsNamed.end() ? nullptr : &structs[it->second];
}

std::string_view HlslOutline::Underlying(std::string_view type, bool* array) const {
    // A typedef of itself, or a cycle, stops after a few steps.
    for (int step = 0; step < 8 && !typedefs.empty(); ++step) {
        auto it = typedefs.find(type);
        if (it == typedefs.end() || it->second.type == type) break;
        if (array != nullptr && it->second.array) *array = true;
        type = it->second.type;
    }
    return type;
}

const std::vector<size_t>& HlslOutline::Functions(std::string_view name) const {
    static const std::vector<size_t> none;
    auto it = functionsNamed.find(name);
    return it == functionsNamed.end() ? none : it->second;
}

const NameType* HlslOutline::Declared(const Code& code, size_t i) const {
    const std::string_view name = code.Text(i);
    if (i > 0 && code.Punct(i - 1) == '.') {
        auto member = members.find(name);
        if (member != members.end()) return &member->second;
    } else if (auto found = scoped.find(name); found != scoped.end()) {
        // Scopes nest: the innermost one around i is the last that starts
        // before it and has not ended (a name every function's parameter
        // takes is found in a step, not a walk over every function).
        const std::vector<ScopedName>& list = found->second;
        auto after = std::upper_bound(list.begin(), list.end(), i,
                                      [](size_t at, const ScopedName& d) { return at < d.from; });
        while (after != list.begin()) {
            --after;
            if (i <= after->to) return &after->declared;
        }
    }
    auto it = names.find(name);
    return it == names.end() ? nullptr : &it->second;
}

std::vector<size_t> ReachedFunctions(const Code& code, const HlslOutline& outline,
                                     std::string_view entry) {
    std::vector<size_t> todo(outline.Functions(entry).begin(), outline.Functions(entry).end());
    std::vector<size_t> reached;
    std::vector<bool> seen(outline.functions.size(), false);
    while (!todo.empty()) {
        const size_t f = todo.back();
        todo.pop_back();
        const FunctionOutline& fn = outline.functions[f];
        if (fn.body == Declarator::npos || seen[f]) continue;
        seen[f] = true;
        reached.push_back(f);
        for (size_t i = fn.body; i < fn.end; ++i) {
            if (!code.IsIdent(i) || code.Punct(i + 1) != '(' || code.Punct(i - 1) == '.') continue;
            const std::vector<size_t>& called = outline.Functions(code.Text(i));
            todo.insert(todo.end(), called.begin(), called.end());
        }
    }
    return reached;
}

size_t CastOperandEnd(const Code& code, const HlslOutline& outline, size_t k) {
    while (k < code.size()) {
        const char p = code.Punct(k);
        if (p != 0 && std::string_view("-+!~").find(p) != std::string_view::npos) {
            ++k;
        } else if (p == '(' && code.IsIdent(k + 1) && code.Punct(k + 2) == ')' &&
                   (ShapeOf(code.Text(k + 1)).rows > 0 ||
                    outline.FindStruct(code, code.Text(k + 1)) != nullptr)) {
            k += 3;
        } else {
            break;
        }
    }
    if (k >= code.size()) return Declarator::npos;
    if (code.Punct(k) == '(') {
        k = code.Closing(k) + 1;
    } else if (code.IsIdent(k) && code.Punct(k + 1) == '(') {
        k = code.Closing(k + 1) + 1;
    } else if (code.IsIdent(k) || code.Token(k).kind == Tok::Number) {
        ++k;
    } else {
        return Declarator::npos;
    }
    k = PastAccessors(code, k);
    return k <= code.size() ? k : Declarator::npos;
}

namespace {

bool IsWord(const Code& code, size_t i, std::string_view w) {
    return code.IsIdent(i) && code.Text(i) == w;
}

size_t StatementEndAt(const Code& code, size_t i, int depth) {
    if (i >= code.size() || depth > 64) return code.size();
    if (code.Punct(i) == '{') return code.Closing(i) + 1;
    if (code.Punct(i) == '[') return StatementEndAt(code, code.Closing(i) + 1, depth + 1);
    if (IsWord(code, i, "for") || IsWord(code, i, "while") || IsWord(code, i, "switch"))
        return StatementEndAt(code, code.Closing(i + 1) + 1, depth + 1);
    if (IsWord(code, i, "if")) {
        size_t end = StatementEndAt(code, code.Closing(i + 1) + 1, depth + 1);
        if (IsWord(code, end, "else")) end = StatementEndAt(code, end + 1, depth + 1);
        return end;
    }
    if (IsWord(code, i, "do")) i = StatementEndAt(code, i + 1, depth + 1);
    for (; i < code.size(); ++i) {
        const char p = code.Punct(i);
        if (p == '(' || p == '[' || p == '{') i = code.Closing(i);
        if (p == ';') return i + 1;
        if (p == '}') return i;
    }
    return code.size();
}

}  // namespace

size_t StatementEnd(const Code& code, size_t i) { return StatementEndAt(code, i, 0); }

bool StepAt(const Code& code, size_t k) {
    return (code.Punct(k) == '+' || code.Punct(k) == '-') && code.Punct(k + 1) == code.Punct(k) &&
           code.Glued(k + 1);
}

bool AssignmentAt(const Code& code, size_t k) {
    if (code.Punct(k) != '=' || (code.Punct(k + 1) == '=' && code.Glued(k + 1))) return false;
    const char before = code.Punct(k - 1);
    return !(code.Glued(k) && (before == '=' || before == '!' || before == '<' || before == '>'));
}

std::vector<size_t> CallCuts(const Code& code, size_t open) {
    const size_t close = code.Closing(open);
    if (close >= code.size()) return {};
    std::vector<size_t> cuts = {open};
    for (size_t k = open + 1; k < close; ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{') k = code.Closing(k);
        if (code.Punct(k) == ',') cuts.push_back(k);
    }
    cuts.push_back(close);
    return cuts;
}

size_t OpeningBracket(const Code& code, size_t close) {
    int depth = 0;
    for (size_t k = close + 1; k-- > 0;) {
        const char p = code.Punct(k);
        if (p == ']' || p == ')') ++depth;
        if ((p == '[' || p == '(') && --depth == 0) return k;
    }
    return Declarator::npos;
}

size_t ExpressionEnd(const Code& code, size_t k) {
    for (; k < code.size(); ++k) {
        const char p = code.Punct(k);
        if (p == '(' || p == '[' || p == '{')
            k = code.Closing(k);
        else if (p == ',' || p == ';' || p == ')' || p == '}' || p == ']')
            break;
    }
    return std::min(k, code.size());
}

size_t PastAccessors(const Code& code, size_t k) {
    while (k < code.size()) {
        if (code.Punct(k) == '[') {
            k = code.Closing(k) + 1;
        } else if (code.Punct(k) == '.' && code.IsIdent(k + 1)) {
            k += 2;
        } else {
            break;
        }
    }
    return k;
}

std::vector<std::pair<size_t, size_t>> ListItems(const Code& code, size_t open, size_t close) {
    std::vector<std::pair<size_t, size_t>> list;
    size_t start = open + 1;
    for (size_t k = open + 1; k <= close; ++k) {
        char p = code.Punct(k);
        if ((p == '(' || p == '[' || p == '{') && k != close) {
            k = code.Closing(k);
            continue;
        }
        if (p != ',' && k != close) continue;
        if (k > start) list.emplace_back(start, k);
        start = k + 1;
    }
    return list;
}

size_t DeclarationStart(const Code& code, const FunctionOutline& f) {
    size_t first = f.returnType;
    while (first > 0 && code.IsIdent(first - 1) &&
           (code.Text(first - 1) == "static" || code.Text(first - 1) == "inline" ||
            code.Text(first - 1) == "precise")) {
        --first;
    }
    return first;
}

}  // namespace fx
