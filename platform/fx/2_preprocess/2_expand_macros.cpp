// Stage 2, macro expansion (see 2_preprocess.h).
//
// An expansion is a context of tokens read before the rest of the source;
// its macro is disabled while the context is read, so a macro's name inside
// its own expansion stays a name (and is marked never to expand again). A
// function-like macro's arguments are collected unexpanded, expanded on
// their own where the body uses them plainly, and used as written next to
// # and ##. Every token an expansion makes is spent from the load's budget
// at the macro's use, so a macro that doubles on each level stops there.
#include <string>

#include "platform/fx/2_preprocess/2_preprocessor.h"

namespace fx {
namespace {

// Index of text in the macro's parameters; -1 when it is none.
int ParamIndex(const Macro& m, const SourceToken& t) {
    if (!m.functionLike || t.kind != Tok::Ident) return -1;
    for (size_t i = 0; i < m.params.size(); ++i)
        if (m.params[i] == t.text) return static_cast<int>(i);
    return -1;
}

// A body token as the expansion places it: at the macro's use.
SourceToken Placed(const SourceToken& b, const SourceToken& use) {
    SourceToken t = b;
    t.line = use.line;
    t.column = use.column;
    t.file = use.file;
    t.flags = static_cast<uint8_t>((b.flags & kGlued) | kExpanded);
    return t;
}

// Where an expansion begins or ends, a token glued to the one before it
// only touches it.
void Unglue(SourceToken* t, bool touching) {
    t->flags = static_cast<uint8_t>((t->flags & kNotGlued & ~kTouching) |
                                    (touching ? kTouching : 0));
}

// touching: the tokens follow the one before them without a space.
void Append(const std::vector<SourceToken>& tokens, std::vector<SourceToken>* out,
            bool touching = false) {
    size_t first = out->size();
    out->insert(out->end(), tokens.begin(), tokens.end());
    if (first < out->size()) Unglue(&(*out)[first], touching);
}

}  // namespace

Expander::~Expander() {
    for (const Context& c : contexts_) {
        if (c.macro >= 0) s_->macros[static_cast<size_t>(c.macro)].active = false;
    }
}

std::vector<SourceToken> Expander::TakeList() {
    if (spare_.empty()) return {};
    std::vector<SourceToken> list = std::move(spare_.back());
    spare_.pop_back();
    list.clear();
    return list;
}

void Expander::Unread(const SourceToken& t) {
    std::vector<SourceToken> list = TakeList();
    list.push_back(t);
    contexts_.push_back({std::move(list), 0, -1});
}

bool Expander::Fetch(SourceToken* t) {
    while (!contexts_.empty()) {
        Context& c = contexts_.back();
        if (c.next < c.tokens.size()) {
            *t = c.tokens[c.next++];
            if (breakGlue_) Unglue(t, (t->flags & (kGlued | kTouching)) != 0);
            breakGlue_ = false;
            return true;
        }
        if (c.macro >= 0) {
            s_->macros[static_cast<size_t>(c.macro)].active = false;
            breakGlue_ = true;
        }
        if (spare_.size() < 64) spare_.push_back(std::move(c.tokens));
        contexts_.pop_back();
    }
    if (!source_->Next(t)) return false;
    if (breakGlue_) Unglue(t, (t->flags & (kGlued | kTouching)) != 0);
    breakGlue_ = false;
    return true;
}

bool Expander::Next(SourceToken* out) {
    for (;;) {
        if (s_->stopped) return false;
        SourceToken t;
        if (!Fetch(&t)) return false;
        if (ifLine_) {
            // '#define HAS_A defined(A)': A is the operand, not A's value.
            const bool defined = t.kind == Tok::Ident && t.text == s_->idDefined;
            if (afterDefined_ == 1 && s_->IsPunct(t, '(')) {
                afterDefined_ = 2;
                *out = t;
                return true;
            }
            if (afterDefined_ != 0 && t.kind == Tok::Ident) t.flags |= kNoExpand;
            afterDefined_ = defined ? 1 : 0;
        }
        if (t.kind != Tok::Ident || (t.flags & kNoExpand) != 0) {
            *out = t;
            return true;
        }
        if (t.text == s_->idLine || t.text == s_->idFile) {
            *out = Builtin(t);
            return true;
        }
        auto it = s_->defined.find(t.text);
        if (it == s_->defined.end()) {
            *out = t;
            return true;
        }
        const uint32_t index = it->second;
        if (s_->macros[index].active) {
            t.flags |= kNoExpand;
            *out = t;
            return true;
        }
        Arguments args;
        if (s_->macros[index].functionLike) {
            // Only a name followed by '(' calls the macro.
            SourceToken open;
            bool call = Fetch(&open);
            if (call && !s_->IsPunct(open, '(')) {
                Unread(open);
                call = false;
            }
            if (!call) {
                *out = t;
                return true;
            }
            if (!CollectArguments(index, t, &args)) continue;
        }
        std::vector<SourceToken> body = TakeList();
        if (!Substitute(index, t, args, &body)) return false;
        s_->macros[index].active = true;
        contexts_.push_back({std::move(body), 0, static_cast<int64_t>(index)});
    }
}

// After the '(' of a call: the arguments up to the matching ')', split at
// the commas outside nested parentheses. False (reported) when the call
// never closes or the count is wrong.
bool Expander::CollectArguments(uint32_t macro, const SourceToken& use, Arguments* args) {
    const std::string name(s_->Text(use));
    args->emplace_back();
    size_t depth = 0;
    for (;;) {
        SourceToken t;
        if (!Fetch(&t)) {
            if (!s_->stopped) s_->Error(use, "the call of macro '" + name + "' is never closed");
            return false;
        }
        const Macro& m = s_->macros[macro];
        if (s_->IsPunct(t, '(')) {
            ++depth;
        } else if (s_->IsPunct(t, ')')) {
            if (depth == 0) break;
            --depth;
        } else if (s_->IsPunct(t, ',') && depth == 0 &&
                   !(m.variadic && args->size() == m.params.size())) {
            args->emplace_back();
            continue;
        }
        args->back().push_back(t);
    }
    const Macro& m = s_->macros[macro];
    if (m.params.empty() && args->size() == 1 && args->front().empty()) args->clear();
    // F(a) for F(x, ...): the variable part may be left out.
    if (m.variadic && args->size() + 1 == m.params.size()) args->emplace_back();
    if (args->size() != m.params.size()) {
        size_t named = m.params.size() - (m.variadic ? 1 : 0);
        s_->Error(use, "macro '" + name + "' takes " + (m.variadic ? "at least " : "") +
                           std::to_string(named) + " argument" + (named == 1 ? "" : "s") +
                           ", not " + std::to_string(args->size()));
        return false;
    }
    return true;
}

// The macro's body with the arguments put in, # and ## done, every token at
// the use. False once the budget is spent.
bool Expander::Substitute(uint32_t macro, const SourceToken& use, const Arguments& args,
                          std::vector<SourceToken>* out) {
    const Macro& m = s_->macros[macro];
    std::vector<std::vector<SourceToken>> expanded(args.size());
    std::vector<bool> haveExpanded(args.size(), false);
    auto isHash = [&](size_t i) {
        return m.functionLike && i + 1 < m.body.size() && s_->IsPunct(m.body[i], '#') &&
               ParamIndex(m, m.body[i + 1]) >= 0;
    };
    auto isPaste = [&](size_t i) {
        return i < m.body.size() && m.body[i].kind == Tok::Punct &&
               m.body[i].text == s_->idHashHash;
    };

    auto definedOperand = [&](size_t i) {
        auto isDefined = [&](size_t k) {
            return m.body[k].kind == Tok::Ident && m.body[k].text == s_->idDefined;
        };
        return (i >= 1 && isDefined(i - 1)) ||
               (i >= 2 && s_->IsPunct(m.body[i - 1], '(') && isDefined(i - 2));
    };

    bool leftEmpty = false;  // the last operand was an empty argument
    bool breakNext = false;  // the next body token follows an argument
    for (size_t i = 0; i < m.body.size(); ++i) {
        const SourceToken& b = m.body[i];
        if (isPaste(i) && i + 1 < m.body.size()) {
            ++i;
            std::vector<SourceToken> right;
            int p = ParamIndex(m, m.body[i]);
            if (p >= 0) {
                right = args[static_cast<size_t>(p)];
            } else if (isHash(i)) {
                right.push_back(
                    Stringize(args[static_cast<size_t>(ParamIndex(m, m.body[i + 1]))], use));
                ++i;
            } else {
                right.push_back(Placed(m.body[i], use));
            }
            Paste(use, right, out, &leftEmpty);
            breakNext = p >= 0;
            continue;
        }
        if (isHash(i)) {
            out->push_back(Stringize(args[static_cast<size_t>(ParamIndex(m, m.body[i + 1]))], use));
            ++i;
            leftEmpty = false;
            breakNext = false;
            continue;
        }
        int p = ParamIndex(m, b);
        if (p >= 0) {
            size_t a = static_cast<size_t>(p);
            // Next to ## the argument is pasted as written, and so is the
            // operand of a 'defined' on a #if line; elsewhere it is
            // expanded first, once.
            const bool touching = (b.flags & kGlued) != 0;
            if (isPaste(i + 1) || (ifLine_ && definedOperand(i))) {
                Append(args[a], out, touching);
            } else {
                if (!haveExpanded[a]) {
                    if (depth_ >= kMaxMacroArgumentNesting) {
                        s_->Error(use, "macro calls nest too deeply in the arguments of '" +
                                           std::string(s_->Text(use)) + "'");
                        expanded[a] = args[a];
                    } else {
                        ExpandList(s_, args[a], depth_ + 1, &expanded[a]);
                    }
                    haveExpanded[a] = true;
                }
                Append(expanded[a], out, touching);
            }
            leftEmpty = args[a].empty();
            breakNext = true;
            continue;
        }
        SourceToken t = Placed(b, use);
        if (breakNext) Unglue(&t, (t.flags & kGlued) != 0);
        out->push_back(t);
        leftEmpty = false;
        breakNext = false;
    }
    if (!out->empty()) Unglue(&out->front(), (use.flags & (kGlued | kTouching)) != 0);
    return s_->SpendTokens(out->size() + 1, use, true);
}

// left ## right: the last token made so far and the first of right become
// one token (or, for punctuation, operator characters printed together).
void Expander::Paste(const SourceToken& use, const std::vector<SourceToken>& right,
                     std::vector<SourceToken>* out, bool* leftEmpty) {
    if (right.empty()) return;  // an empty argument: the left side stays
    if (*leftEmpty || out->empty()) {
        Append(right, out);
        *leftEmpty = false;
        return;
    }
    const SourceToken left = out->back();
    std::string text = std::string(s_->Text(left)) + std::string(s_->Text(right[0]));
    TokenizerOptions options;
    options.directives = false;
    std::vector<Token> lexed = Tokenize(text, options);
    bool whole = !lexed.empty() && lexed.front().begin == 0 && lexed.back().end == text.size();
    bool punctuation = whole;
    for (size_t k = 0; k < lexed.size() && whole; ++k) {
        if (k > 0 && lexed[k].begin != lexed[k - 1].end) whole = punctuation = false;
        if (lexed[k].kind != Tok::Punct) punctuation = false;
    }
    if (!(whole && (lexed.size() == 1 || punctuation))) {
        s_->Error(use, "pasting " + Quote(s_->Text(left)) + " and " + Quote(s_->Text(right[0])) +
                           " does not make a token");
        Append(right, out);
        return;
    }
    out->pop_back();
    for (size_t k = 0; k < lexed.size(); ++k) {
        SourceToken t = Placed(left, use);
        t.kind = lexed[k].kind;
        t.text = s_->texts.Id(std::string_view(text).substr(lexed[k].begin,
                                                             lexed[k].end - lexed[k].begin));
        t.flags = static_cast<uint8_t>(kExpanded | (k > 0 ? kGlued : (left.flags & kGlued)));
        out->push_back(t);
    }
    out->insert(out->end(), right.begin() + 1, right.end());
}

// #x: the argument as written, in quotes, one space where it had any.
SourceToken Expander::Stringize(const std::vector<SourceToken>& argument, const SourceToken& use) {
    std::string s = "\"";
    for (size_t i = 0; i < argument.size(); ++i) {
        if (i > 0 && (argument[i].flags & (kGlued | kTouching)) == 0) s += ' ';
        std::string_view text = s_->Text(argument[i]);
        if (argument[i].kind != Tok::String) {
            s += text;
            continue;
        }
        for (char c : text) {
            if (c == '"' || c == '\\') s += '\\';
            s += c;
        }
    }
    s += '"';
    SourceToken t = Placed(use, use);
    t.kind = Tok::String;
    t.text = s_->texts.Id(s);
    return t;
}

// __LINE__ and __FILE__ where they are used.
SourceToken Expander::Builtin(const SourceToken& t) {
    SourceToken out = Placed(t, t);
    out.flags = static_cast<uint8_t>(kExpanded | (t.flags & kGlued));
    if (t.text == s_->idLine) {
        out.kind = Tok::Number;
        out.text = s_->texts.Id(std::to_string(t.line));
    } else {
        std::string name = t.file == 0 ? s_->effectName : s_->out->stream.files[t.file];
        std::string quoted = "\"";
        for (char c : name) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        out.kind = Tok::String;
        out.text = s_->texts.Id(quoted + "\"");
    }
    return out;
}

void ExpandList(PpState* state, const std::vector<SourceToken>& list, int depth,
                std::vector<SourceToken>* out, bool ifLine) {
    ListSource source(list);
    Expander expander(state, &source, depth, ifLine);
    SourceToken t;
    while (expander.Next(&t)) out->push_back(t);
}

}  // namespace fx
