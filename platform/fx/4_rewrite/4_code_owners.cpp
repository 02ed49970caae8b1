// Stage 4, after the compile: messages tagged with the entry point whose
// code holds them (see 4_code_owners.h).
#include "platform/fx/4_rewrite/4_code_owners.h"

#include <algorithm>
#include <vector>

namespace fx {
namespace {

std::string Key(const SourcePos& p) {
    return p.file + "\n" + std::to_string(p.line) + ":" + std::to_string(p.column);
}

bool Before(const SourcePos& a, const SourcePos& b) {
    return a.line < b.line || (a.line == b.line && a.column < b.column);
}

}  // namespace

CodeOwners::CodeOwners(const TokenStream& hlsl) : code_(hlsl), outline_(OutlineHlsl(code_)) {
    for (size_t i = 0; i < code_.size(); ++i) {
        places_.insert(Key(hlsl.Pos(code_.Token(i))));
        places_.insert(Key(hlsl.EndPos(code_.Token(i))));
    }
    for (size_t f = 0; f < outline_.functions.size(); ++f) {
        const FunctionOutline& o = outline_.functions[f];
        if (o.body == Declarator::npos || code_.size() == 0) continue;
        // A body whose brackets never close ends with the code.
        const size_t end = std::min(o.end, code_.size() - 1);
        definitions_.push_back(
            {f, hlsl.Pos(code_.Token(o.returnType)), hlsl.EndPos(code_.Token(end))});
    }
}

void CodeOwners::Tag(const std::vector<std::string>& entries, Message* m) {
    const SourcePos at{m->line, m->column, m->file};
    if (m->entry.empty() || m->line <= 0) return;
    // A place at a token lies in the definitions that span it; one that is
    // not (glslang names no token the line spells, and its column is a
    // guess at or before the line's first token) in those that span its
    // line, up to their end (a compile statement after one is not in it).
    const bool token = places_.count(Key(at)) != 0;
    std::vector<size_t> holders;
    for (const Definition& d : definitions_) {
        if (d.first.file != m->file) continue;
        const bool inside = token ? !Before(at, d.first) && !Before(d.last, at)
                                  : d.first.line <= at.line && !Before(d.last, at);
        if (inside) holders.push_back(d.function);
    }
    // Elsewhere than in code (a compile statement): the stage's own.
    if (holders.empty() && !token) return;
    const std::string compiledBy = m->entry;
    m->entry.clear();
    auto reaches = [&](const std::string& entry) {
        for (size_t f : holders)
            if (Reached(entry)[f]) return true;
        return false;
    };
    if (reaches(compiledBy)) {
        m->entry = compiledBy;
        return;
    }
    for (const std::string& e : entries) {
        if (reaches(e)) {
            m->entry = e;
            return;
        }
    }
}

const std::vector<bool>& CodeOwners::Reached(const std::string& entry) {
    auto [it, added] = reached_.try_emplace(entry, outline_.functions.size(), false);
    if (added) {
        for (size_t f : ReachedFunctions(code_, outline_, entry)) it->second[f] = true;
    }
    return it->second;
}

}  // namespace fx
