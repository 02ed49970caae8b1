// Stage 4: the outline of the HLSL tokens (see 4_hlsl_outline.h).
#include "platform/fx/4_hlsl_outline.h"

#include "platform/fx/tables.h"

namespace fx {

size_t Code::Closing(size_t i) const {
    int depth = 0;
    for (size_t j = i; j < size(); ++j) {
        char p = Punct(j);
        if (p == '(' || p == '[' || p == '{') ++depth;
        if ((p == ')' || p == ']' || p == '}') && --depth == 0) return j;
    }
    return size();
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

// The declarators of a list [first, last) split at its own commas or
// semicolons (sep).
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
        }
        start = k + 1;
    }
    return list;
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
    return out;
}

const StructOutline* HlslOutline::FindStruct(const Code& code, std::string_view name) const {
    for (const StructOutline& s : structs)
        if (code.Text(s.name) == name) return &s;
    return nullptr;
}

}  // namespace fx
