// Stage 4, after the compile: messages tagged with the entry point whose
// code holds them (see 4_code_owners.h).
#include "platform/fx/4_rewrite/4_code_owners.h"

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
        if (o.body == Declarator::npos) continue;
        definitions_.push_back(
            {f, hlsl.Pos(code_.Token(o.returnType)), hlsl.EndPos(code_.Token(o.end))});
    }
}

void CodeOwners::Tag(const std::vector<std::string>& entries, Message* m) {
    const SourcePos at{m->line, m->column, m->file};
    if (m->entry.empty() || m->line <= 0 || places_.count(Key(at)) == 0) return;
    const Definition* holder = nullptr;
    for (const Definition& d : definitions_) {
        if (!Before(at, d.first) && !Before(d.last, at) && d.first.file == m->file) {
            holder = &d;
            break;
        }
    }
    const std::string compiledBy = m->entry;
    m->entry.clear();
    if (holder == nullptr) return;
    if (Reached(compiledBy)[holder->function]) {
        m->entry = compiledBy;
        return;
    }
    for (const std::string& e : entries) {
        if (Reached(e)[holder->function]) {
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
