// Stage 4: structs that hold samplers (see 4_sampler_members.h).
#include "platform/fx/4_rewrite/language/4_sampler_members.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/fx/4_rewrite/4_hlsl_outline.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/4_rewrite/4_token_rewrites.h"
#include "platform/fx/shared/tables.h"

namespace fx {
namespace {

using Range = std::pair<size_t, size_t>;  // code tokens [first, last]

// One sampler a struct holds, however deep: the members that lead to it
// ("inner_dot_map"), its type, and the array sizes of those members in
// order ("[2]" of "Material mats[2];", then the sampler's own).
struct Leaf {
    std::string path;
    std::string_view type;
    std::vector<Range> sizes;
};

// The brackets "[..][..]" that start at code token k.
std::vector<Range> BracketsAt(const Code& code, size_t k) {
    std::vector<Range> list;
    while (code.Punct(k) == '[' && code.Closing(k) < code.size()) {
        list.emplace_back(k, code.Closing(k));
        k = code.Closing(k) + 1;
    }
    return list;
}

std::string MadeName(std::string_view variable, std::string_view path) {
    return Cat({"fx_member_", variable, "_dot_", path, "_"});
}

class Splitter {
public:
    explicit Splitter(TokenRewriteState& s) : s_(s), code_(s.code()), outline_(s.outline()) {}

    bool Run();

private:
    const std::vector<Leaf>* LeavesOf(std::string_view type, int depth = 0);
    // Whether the type keeps a member once its samplers are out.
    bool HasNumbers(std::string_view type, int depth = 0) const;
    const Declarator* MemberOf(const StructOutline& st, std::string_view name) const;
    // A chain "NAME[i].member[j]..." at code token i whose name is a
    // variable of a struct holding samplers: where it ends, the struct it
    // reaches (null when it reaches a sampler), the members it went
    // through and its indices.
    struct Chain {
        size_t end = npos;  // past its last token
        std::string_view type;  // the struct it names; empty at a sampler
        std::string path;
        std::vector<Range> indices;
    };
    bool ChainAt(size_t i, Chain* chain);
    void Append(std::vector<SourceToken>* out, Range r) const {
        for (size_t t = r.first; t <= r.second; ++t) out->push_back(s_.hlsl->tokens[code_.At(t)]);
    }
    void Word(std::vector<SourceToken>* out, std::string_view text, size_t at) const {
        out->push_back(s_.hlsl->Make(Tok::Ident, text, code_.Token(at)));
    }
    void Mark(std::vector<SourceToken>* out, std::string_view text, size_t at) const {
        out->push_back(s_.hlsl->Make(Tok::Punct, text, code_.Token(at)));
    }
    // The effect's sampler (or its elements) for a global's leaf.
    void Declare(const std::string& name, const Leaf& leaf, const std::vector<Range>& own,
                 size_t at) const;
    // The ',' or ')' (or ';' or '}') that ends what starts at k, brackets
    // skipped.
    size_t EndAt(size_t k) const {
        for (; k < code_.size(); ++k) {
            const char c = code_.Punct(k);
            if (c == '(' || c == '[' || c == '{') k = code_.Closing(k);
            else if (c == ',' || c == ')' || c == ';' || c == '}') return k;
        }
        return code_.size();
    }

    TokenRewriteState& s_;
    const Code& code_;
    const HlslOutline& outline_;
    std::map<std::string_view, std::vector<Leaf>> leaves_;
    TokenEdits edits_;
    // The functions that return a struct holding samplers, each of whose
    // returns names one uniform of it: the uniform's name and the path to
    // the struct returned ("m", "inner").
    std::map<std::string_view, std::pair<std::string_view, std::string>> returned_;
    void FindReturnedUniforms();
    // The made name of the sampler at `path` in what a call of f returns.
    std::string ReturnedSampler(std::string_view f, std::string_view path) const {
        const auto& [root, inner] = returned_.at(f);
        return MadeName(root, inner.empty() ? std::string(path) : Cat({inner, "_dot_", path}));
    }
};

void Splitter::FindReturnedUniforms() {
    for (const FunctionOutline& f : outline_.functions) {
        const std::string_view name = code_.Text(f.name);
        const std::string_view type = outline_.Underlying(code_.Text(f.returnType));
        if (f.body == npos || LeavesOf(type) == nullptr || !HasNumbers(type) ||
            outline_.Functions(name).size() != 1)
            continue;
        bool sound = true, any = false;
        std::pair<std::string_view, std::string> found;
        for (size_t k = f.body + 1; k < f.end && sound; ++k) {
            if (code_.Text(k) != "return") continue;
            Chain c;
            const NameType* d = outline_.Declared(code_, k + 1);
            sound = d != nullptr && d->uniform && ChainAt(k + 1, &c) && code_.Punct(c.end) == ';' &&
                    c.type == type && c.indices.empty() &&
                    (!any || (found.first == code_.Text(k + 1) && found.second == c.path));
            found = {code_.Text(k + 1), c.path};
            any = true;
        }
        if (sound && any) returned_[name] = found;
    }
}

void Splitter::Declare(const std::string& name, const Leaf& leaf, const std::vector<Range>& own,
                       size_t at) const {
    SamplerDesc desc;
    desc.name = name;
    desc.type = std::string(leaf.type);
    desc.pos = code_.Pos(at);
    std::vector<Range> sizes = own;
    sizes.insert(sizes.end(), leaf.sizes.begin(), leaf.sizes.end());
    // An array's elements are samplers of their own, "NAME[k]", when its
    // one size is a number (deeper arrays are bound from their first).
    int count = 0;
    if (sizes.size() == 1 && sizes[0].second == sizes[0].first + 2) {
        const std::string_view n = code_.Text(sizes[0].first + 1);
        for (char c : n) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || count >= 1000) {
                count = 0;
                break;
            }
            count = count * 10 + (c - '0');
        }
    }
    if (sizes.empty()) {
        s_.globals->memberSamplers.push_back(desc);
        return;
    }
    for (int k = 0; k < count; ++k) {
        SamplerDesc element = desc;
        element.name = Cat({desc.name, "[", std::to_string(k), "]"});
        s_.globals->memberSamplers.push_back(std::move(element));
    }
}

bool Splitter::HasNumbers(std::string_view type, int depth) const {
    const StructOutline* st = outline_.FindStruct(code_, type);
    if (st == nullptr || depth > 16) return true;
    for (const Declarator& d : st->members) {
        if (d.type == npos || d.name == npos) continue;
        const std::string_view memberType = outline_.Underlying(code_.Text(d.type));
        if (!IsSamplerType(memberType) && HasNumbers(memberType, depth + 1)) return true;
    }
    return false;
}

const Declarator* Splitter::MemberOf(const StructOutline& st, std::string_view name) const {
    for (const Declarator& d : st.members)
        if (d.name != npos && d.type != npos && code_.Text(d.name) == name) return &d;
    return nullptr;
}

const std::vector<Leaf>* Splitter::LeavesOf(std::string_view type, int depth) {
    const StructOutline* st = outline_.FindStruct(code_, type);
    if (st == nullptr || depth > 16) return nullptr;
    const std::string_view name = code_.Text(st->name);
    if (auto it = leaves_.find(name); it != leaves_.end())
        return it->second.empty() ? nullptr : &it->second;
    std::vector<Leaf> found;
    for (const Declarator& d : st->members) {
        if (d.type == npos || d.name == npos) continue;
        const std::string_view memberType = outline_.Underlying(code_.Text(d.type));
        const std::vector<Range> sizes =
            d.arrayOpen == npos ? std::vector<Range>{} : BracketsAt(code_, d.arrayOpen);
        if (IsSamplerType(memberType)) {
            found.push_back({std::string(code_.Text(d.name)), memberType, sizes});
        } else if (const std::vector<Leaf>* inner = LeavesOf(memberType, depth + 1)) {
            for (const Leaf& l : *inner) {
                Leaf nested{Cat({code_.Text(d.name), "_dot_", l.path}), l.type, sizes};
                nested.sizes.insert(nested.sizes.end(), l.sizes.begin(), l.sizes.end());
                found.push_back(std::move(nested));
            }
        }
    }
    auto& stored = leaves_[name];
    stored = std::move(found);
    return stored.empty() ? nullptr : &stored;
}

bool Splitter::ChainAt(size_t i, Chain* chain) {
    if (!code_.IsIdent(i) || code_.Punct(i - 1) == '.') return false;
    const NameType* declared = outline_.Declared(code_, i);
    if (declared == nullptr || declared->type == npos) return false;
    std::string_view type = outline_.Underlying(code_.Text(declared->type));
    if (LeavesOf(type) == nullptr) return false;
    size_t k = i + 1;
    for (Range r : BracketsAt(code_, k)) {
        chain->indices.push_back(r);
        k = r.second + 1;
    }
    while (code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
        const StructOutline* st = outline_.FindStruct(code_, type);
        const Declarator* member = st == nullptr ? nullptr : MemberOf(*st, code_.Text(k + 1));
        if (member == nullptr) return false;
        const std::string_view memberType = outline_.Underlying(code_.Text(member->type));
        const bool sampler = IsSamplerType(memberType);
        if (!sampler && LeavesOf(memberType) == nullptr) return false;  // a number
        if (!chain->path.empty()) chain->path += "_dot_";
        chain->path += code_.Text(k + 1);
        k += 2;
        for (Range r : BracketsAt(code_, k)) {
            chain->indices.push_back(r);
            k = r.second + 1;
        }
        type = sampler ? std::string_view{} : memberType;
        if (sampler) break;
    }
    chain->end = k;
    chain->type = type;
    return true;
}

bool Splitter::Run() {
    bool any = false;
    for (const StructOutline& st : outline_.structs)
        any = LeavesOf(code_.Text(st.name)) != nullptr || any;
    if (!any) return false;

    // The samplers leave their structs.
    for (const StructOutline& st : outline_.structs) {
        if (LeavesOf(code_.Text(st.name)) == nullptr) continue;
        for (const Declarator& d : st.members) {
            if (d.type == npos || d.name == npos) continue;
            // A member of a struct of samplers only leaves with them: a
            // uniform block may hold no empty struct.
            const std::string_view memberType = outline_.Underlying(code_.Text(d.type));
            if (!IsSamplerType(memberType) &&
                (LeavesOf(memberType) == nullptr || HasNumbers(memberType)))
                continue;
            size_t end = d.name;
            while (end < st.close && code_.Punct(end) != ';') ++end;
            if (end < st.close) edits_.Replace(code_.At(d.first), code_.At(end) + 1, {});
        }
    }

    FindReturnedUniforms();

    // Each variable of such a struct gets its samplers.
    for (const auto& [name, declarations] : outline_.scoped) {
        for (const ScopedName& d : declarations) {
            if (d.declared.type == npos || d.declared.name == npos) continue;
            const std::vector<Leaf>* leaves =
                LeavesOf(outline_.Underlying(code_.Text(d.declared.type)));
            if (leaves == nullptr) continue;
            const size_t n = d.declared.name;
            const std::vector<Range> own = BracketsAt(code_, n + 1);
            const FunctionOutline* param = nullptr;
            for (const FunctionOutline& f : outline_.functions)
                if (n > f.open && n < f.close) param = &f;
            std::vector<SourceToken> add;
            const size_t end = EndAt(n + 1);
            if (end >= code_.size()) continue;
            if (param != nullptr) {
                const Declarator* declarator = nullptr;
                for (const Declarator& p : param->params)
                    if (p.name == n) declarator = &p;
                if (declarator == nullptr || declarator->out) continue;
                for (const Leaf& l : *leaves) {
                    Mark(&add, ",", n);
                    Word(&add, l.type, n);
                    Word(&add, MadeName(name, l.path), n);
                    for (Range r : own) Append(&add, r);
                    for (Range r : l.sizes) Append(&add, r);
                }
                // A struct of samplers only is no parameter of its own:
                // GLSL has no empty struct.
                if (HasNumbers(code_.Text(d.declared.type))) {
                    edits_.Replace(code_.At(end), code_.At(end), std::move(add));
                } else {
                    add.erase(add.begin());
                    edits_.Replace(code_.At(declarator->first), code_.At(end), std::move(add));
                }
            } else if (d.from != 0) {  // a local: "M c = m;" copies m's samplers
                Chain given;
                const std::string_view type = outline_.Underlying(code_.Text(d.declared.type));
                // "M c = Get();" copies those of the uniform Get returns.
                const bool call = code_.IsIdent(n + 2) && code_.Punct(n + 3) == '(' &&
                                  code_.Closing(n + 3) + 1 == end && returned_.count(code_.Text(n + 2)) != 0 &&
                                  outline_.Underlying(code_.Text(
                                      outline_.functions[outline_.Functions(code_.Text(n + 2))[0]].returnType)) == type;
                if (!own.empty() || code_.Punct(n + 1) != '=' || code_.Punct(end) != ';' ||
                    (!call && (!ChainAt(n + 2, &given) || given.end != end || given.type != type)))
                    continue;
                for (const Leaf& l : *leaves) {
                    Word(&add, l.type, n);
                    Word(&add, MadeName(name, l.path), n);
                    for (Range r : l.sizes) Append(&add, r);
                    Mark(&add, "=", n);
                    Word(&add,
                         call ? ReturnedSampler(code_.Text(n + 2), l.path)
                              : MadeName(code_.Text(n + 2), given.path.empty()
                                                                ? l.path
                                                                : Cat({given.path, "_dot_", l.path})),
                         n);
                    for (Range r : given.indices) Append(&add, r);
                    Mark(&add, ";", n);
                }
                // A struct of samplers only is no variable of its own.
                if (HasNumbers(code_.Text(d.declared.type))) {
                    edits_.Replace(code_.At(end) + 1, code_.At(end) + 1, std::move(add));
                } else {
                    edits_.Replace(code_.At(d.declared.type), code_.At(end) + 1, std::move(add));
                }
            } else {  // a global
                // "Material a, b;": each one's samplers follow the list.
                size_t stop = end;
                while (stop < code_.size() && code_.Punct(stop) == ',') stop = EndAt(stop + 1);
                if (stop >= code_.size() || code_.Punct(stop) != ';') continue;
                for (const Leaf& l : *leaves) {
                    if (s_.globals != nullptr) Declare(MadeName(name, l.path), l, own, n);
                    Word(&add, l.type, n);
                    Word(&add, MadeName(name, l.path), n);
                    for (Range r : own) Append(&add, r);
                    for (Range r : l.sizes) Append(&add, r);
                    Mark(&add, ";", n);
                }
                edits_.Replace(code_.At(stop) + 1, code_.At(stop) + 1, std::move(add));
            }
        }
    }

    // Reads of a sampler member, and calls that pass such a struct.
    for (size_t i = 0; i < code_.size(); ++i) {
        if (!code_.IsIdent(i)) continue;
        if (code_.Punct(i + 1) == '(' && code_.Punct(i - 1) != '.' &&
            returned_.count(code_.Text(i)) != 0 && code_.Punct(code_.Closing(i + 1) + 1) == '.') {
            // "Get().map": the sampler of the uniform Get returns.
            std::string_view type = outline_.Underlying(
                code_.Text(outline_.functions[outline_.Functions(code_.Text(i))[0]].returnType));
            std::string path;
            size_t k = code_.Closing(i + 1) + 1;
            bool sampler = false;
            while (!sampler && code_.Punct(k) == '.' && code_.IsIdent(k + 1)) {
                const StructOutline* st = outline_.FindStruct(code_, type);
                const Declarator* member = st == nullptr ? nullptr : MemberOf(*st, code_.Text(k + 1));
                if (member == nullptr || member->arrayOpen != npos) break;
                type = outline_.Underlying(code_.Text(member->type));
                sampler = IsSamplerType(type);
                if (!sampler && LeavesOf(type) == nullptr) break;
                path += (path.empty() ? "" : "_dot_") + std::string(code_.Text(k + 1));
                k += 2;
            }
            if (sampler) {
                std::vector<SourceToken> read;
                Word(&read, ReturnedSampler(code_.Text(i), path), i);
                edits_.Replace(code_.At(i), code_.At(k - 1) + 1, std::move(read));
                i = k - 1;
                continue;
            }
        }
        if (code_.Punct(i + 1) == '(' && code_.Punct(i - 1) != '.') {
            const std::vector<size_t>& named = outline_.Functions(code_.Text(i));
            bool own = false;
            for (size_t f : named) own = own || outline_.functions[f].name == i;
            const size_t close = code_.Closing(i + 1);
            if (!named.empty() && !own && close < code_.size()) {
                const auto args = ListItems(code_, i + 1, close);
                // The overload whose struct parameters the struct arguments
                // fit (parameters after the arguments have default values).
                auto fits = [&](const FunctionOutline& f) {
                    if (f.params.size() < args.size() ||
                        (args.size() == 1 && args[0].first == args[0].second))
                        return false;
                    for (size_t a = 0; a < args.size(); ++a) {
                        const Declarator& p = f.params[a];
                        const std::string_view want =
                            p.type == npos ? std::string_view{}
                                           : outline_.Underlying(code_.Text(p.type));
                        Chain given;
                        const bool structArgument = ChainAt(args[a].first, &given) &&
                                                    given.end == args[a].second &&
                                                    !given.type.empty();
                        if (structArgument != (LeavesOf(want) != nullptr)) return false;
                        if (structArgument && given.type != want) return false;
                    }
                    return true;
                };
                const FunctionOutline* callee = nullptr;
                for (size_t f : named)
                    if (callee == nullptr && fits(outline_.functions[f]))
                        callee = &outline_.functions[f];
                for (size_t a = 0; callee != nullptr && a < args.size(); ++a) {
                    const Declarator& p = callee->params[a];
                    if (p.type == npos || p.out) continue;
                    const std::vector<Leaf>* leaves =
                        LeavesOf(outline_.Underlying(code_.Text(p.type)));
                    Chain given;
                    if (leaves == nullptr || !ChainAt(args[a].first, &given) ||
                        given.end != args[a].second || given.type.empty())
                        continue;
                    std::vector<SourceToken> add;
                    for (const Leaf& l : *leaves) {
                        Mark(&add, ",", args[a].first);
                        Word(&add,
                             MadeName(code_.Text(args[a].first),
                                      given.path.empty() ? l.path
                                                         : Cat({given.path, "_dot_", l.path})),
                             args[a].first);
                        for (Range r : given.indices) Append(&add, r);
                    }
                    if (HasNumbers(code_.Text(p.type))) {
                        edits_.Replace(code_.At(args[a].second), code_.At(args[a].second),
                                       std::move(add));
                    } else {
                        add.erase(add.begin());
                        edits_.Replace(code_.At(args[a].first), code_.At(args[a].second),
                                       std::move(add));
                    }
                }
            }
            continue;
        }
        Chain chain;
        if (!ChainAt(i, &chain) || !chain.type.empty()) continue;
        std::vector<SourceToken> read;
        Word(&read, MadeName(code_.Text(i), chain.path), i);
        for (Range r : chain.indices) Append(&read, r);
        edits_.Replace(code_.At(i), code_.At(chain.end - 1) + 1, std::move(read));
        i = chain.end - 1;
    }
    edits_.Apply(&s_.hlsl->tokens);
    if (s_.globals != nullptr) {
        std::stable_sort(s_.globals->memberSamplers.begin(), s_.globals->memberSamplers.end(),
                         [](const SamplerDesc& a, const SamplerDesc& b) {
                             return std::pair(a.pos.line, a.pos.column) <
                                    std::pair(b.pos.line, b.pos.column);
                         });
    }
    return true;
}

}  // namespace

bool SplitSamplerMembers(TokenRewriteState& state) {
    if (Splitter(state).Run()) state.Edited();
    return true;
}

}  // namespace fx
