// Stage 5: fixes and checks on glslang's tree and folded literals (see 5_tree.h).
#include "platform/fx/5_glslang/5_tree.h"

#include <glslang/MachineIndependent/localintermediate.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/shared/made_names.h"
#include "platform/fx/shared/tokenizer.h"

namespace fx {
namespace {

using glslang::TIntermAggregate;
using glslang::TIntermBinary;
using glslang::TIntermConstantUnion;
using glslang::TIntermSymbol;
using glslang::TIntermTyped;

bool IsAssignment(glslang::TOperator op) {
    return op >= glslang::EOpAssign && op <= glslang::EOpRightShiftAssign;
}

bool IsIncrement(glslang::TOperator op) {
    return op >= glslang::EOpPostIncrement && op <= glslang::EOpPreDecrement;
}

// The variable an l-value is part of (through indexing and swizzles).
TIntermSymbol* BaseSymbol(TIntermTyped* node) {
    while (node != nullptr) {
        if (TIntermSymbol* s = node->getAsSymbolNode()) return s;
        TIntermBinary* b = node->getAsBinaryNode();
        if (b == nullptr) return nullptr;
        const glslang::TOperator op = b->getOp();
        if (op != glslang::EOpIndexDirect && op != glslang::EOpIndexIndirect &&
            op != glslang::EOpIndexDirectStruct && op != glslang::EOpVectorSwizzle &&
            op != glslang::EOpMatrixSwizzle) {
            return nullptr;
        }
        node = b->getLeft();
    }
    return nullptr;
}

bool IsInteger(const TIntermTyped* node) {
    const glslang::TBasicType t = node->getType().getBasicType();
    return t == glslang::EbtInt || t == glslang::EbtUint;
}

bool HasZero(const TIntermConstantUnion* c) {
    const glslang::TConstUnionArray& values = c->getConstArray();
    for (int i = 0; i < values.size(); ++i) {
        const glslang::TConstUnion& v = values[i];
        if ((v.getType() == glslang::EbtInt && v.getIConst() == 0) ||
            (v.getType() == glslang::EbtUint && v.getUConst() == 0)) {
            return true;
        }
    }
    return false;
}

Message At(const glslang::TSourceLoc& loc, const std::string& text) {
    Message m = ErrorAt({loc.line, loc.column, ""}, text);
    m.file = loc.name != nullptr ? loc.name->c_str() : "";
    return m;
}

// Which locals are written where: a local written once, by an assignment of
// a constant, holds that constant.
class Writes : public glslang::TIntermTraverser {
public:
    std::unordered_map<long long, int> count;
    std::unordered_map<long long, const TIntermConstantUnion*> value;

    bool visitBinary(glslang::TVisit, TIntermBinary* node) override {
        if (!IsAssignment(node->getOp())) return true;
        TIntermSymbol* s = BaseSymbol(node->getLeft());
        if (s == nullptr) return true;
        ++count[s->getId()];
        TIntermConstantUnion* c = node->getRight()->getAsConstantUnion();
        if (node->getOp() == glslang::EOpAssign && node->getLeft() == s && c != nullptr &&
            s->getQualifier().storage == glslang::EvqTemporary) {
            value[s->getId()] = c;
        }
        return true;
    }
    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* node) override {
        if (!IsIncrement(node->getOp())) return true;
        if (TIntermSymbol* s = BaseSymbol(node->getOperand())) ++count[s->getId()];
        return true;
    }
    bool visitAggregate(glslang::TVisit, TIntermAggregate* node) override {
        if (node->getOp() != glslang::EOpFunctionCall) return true;
        const glslang::TQualifierList& qualifiers = node->getQualifierList();
        glslang::TIntermSequence& args = node->getSequence();
        for (size_t i = 0; i < args.size() && i < qualifiers.size(); ++i) {
            if (qualifiers[i] != glslang::EvqOut && qualifiers[i] != glslang::EvqInOut) continue;
            if (TIntermSymbol* s = BaseSymbol(args[i]->getAsTyped())) count[s->getId()] += 2;
        }
        return true;
    }

    // The constant a local holds for good; nullptr for another.
    const TIntermConstantUnion* Constant(TIntermTyped* node) const {
        if (TIntermConstantUnion* c = node->getAsConstantUnion()) return c;
        TIntermSymbol* s = node->getAsSymbolNode();
        if (s == nullptr) return nullptr;
        auto n = count.find(s->getId());
        auto v = value.find(s->getId());
        return n != count.end() && n->second == 1 && v != value.end() ? v->second : nullptr;
    }
};

// Walks the tree replacing what it must; each child is visited through the
// slot it sits in.
class Fixer {
public:
    Fixer(glslang::TIntermediate& tree, const Writes& writes, MessageSink& errors)
        : tree_(tree), writes_(writes), errors_(errors) {}

    // lvalue: the node is written to (it keeps its form).
    TIntermTyped* Typed(TIntermTyped* node, bool lvalue) {
        TIntermNode* n = Node(node, lvalue);
        return n != nullptr ? n->getAsTyped() : nullptr;
    }

    TIntermNode* Node(TIntermNode* node, bool lvalue = false) {
        if (node == nullptr || ++depth_ > 4000) return node;
        TIntermNode* result = Visit(node, lvalue);
        --depth_;
        return result;
    }

private:
    TIntermNode* Visit(TIntermNode* node, bool lvalue) {
        if (TIntermBinary* b = node->getAsBinaryNode()) {
            const glslang::TOperator op = b->getOp();
            const bool index = op == glslang::EOpIndexDirect || op == glslang::EOpIndexIndirect ||
                               op == glslang::EOpIndexDirectStruct ||
                               op == glslang::EOpVectorSwizzle || op == glslang::EOpMatrixSwizzle;
            b->setLeft(Typed(b->getLeft(), IsAssignment(op) || (index && lvalue)));
            if (op != glslang::EOpMatrixSwizzle) b->setRight(Typed(b->getRight(), false));
            CheckDivision(b);
            if (lvalue) CheckWrittenSwizzle(b);
            if ((op == glslang::EOpEqual || op == glslang::EOpNotEqual) &&
                (b->getLeft()->isStruct() || b->getLeft()->isArray())) {
                errors_.Add(At(b->getLoc(), "structs and arrays cannot be compared"));
            }
            if (op == glslang::EOpMatrixSwizzle && !lvalue) return Elements(b);
            return b;
        }
        if (glslang::TIntermUnary* u = node->getAsUnaryNode()) {
            u->setOperand(Typed(u->getOperand(), IsIncrement(u->getOp())));
            return u;
        }
        if (TIntermAggregate* a = node->getAsAggregate()) {
            const glslang::TQualifierList& qualifiers = a->getQualifierList();
            const bool call = a->getOp() == glslang::EOpFunctionCall;
            glslang::TIntermSequence& items = a->getSequence();
            for (size_t i = 0; i < items.size(); ++i) {
                const bool out = call && i < qualifiers.size() &&
                                 (qualifiers[i] == glslang::EvqOut ||
                                  qualifiers[i] == glslang::EvqInOut);
                items[i] = Node(items[i], out);
                if (out) CheckOutArgument(items[i], a->getName().c_str());
            }
            return a;
        }
        if (glslang::TIntermSelection* s = node->getAsSelectionNode()) {
            s->setCondition(Typed(s->getCondition(), false));
            TIntermNode* t = Node(s->getTrueBlock());
            TIntermNode* f = Node(s->getFalseBlock());
            if (t != nullptr && t->getAsTyped() != nullptr) s->setTrueBlock(t->getAsTyped());
            if (f != nullptr && f->getAsTyped() != nullptr) s->setFalseBlock(f->getAsTyped());
            return s;
        }
        if (glslang::TIntermBranch* br = node->getAsBranchNode()) {
            br->setExpression(Typed(br->getExpression(), false));
            return br;
        }
        if (glslang::TIntermLoop* l = node->getAsLoopNode()) {
            Node(l->getTest());
            Node(l->getTerminal());
            Node(l->getBody());
            return l;
        }
        if (glslang::TIntermSwitch* sw = node->getAsSwitchNode()) {
            Node(sw->getCondition());
            Node(sw->getBody());
            return sw;
        }
        return node;
    }

    // m._11_22_33 read as a value: (m[0][0], m[1][1], m[2][2]).
    TIntermTyped* Elements(TIntermBinary* swizzle) {
        TIntermAggregate* pairs = swizzle->getRight()->getAsAggregate();
        TIntermTyped* matrix = swizzle->getLeft();
        if (pairs == nullptr || pairs->getSequence().size() % 2 != 0) return swizzle;
        const glslang::TSourceLoc& loc = swizzle->getLoc();
        const glslang::TType column(matrix->getType(), 0);
        const glslang::TType element(column, 0);
        auto* vector = new TIntermAggregate(tree_.mapTypeToConstructorOp(swizzle->getType()));
        const glslang::TIntermSequence& seq = pairs->getSequence();
        for (size_t i = 0; i < seq.size(); i += 2) {
            const TIntermConstantUnion* first = seq[i]->getAsConstantUnion();
            const TIntermConstantUnion* second = seq[i + 1]->getAsConstantUnion();
            if (first == nullptr || second == nullptr) return swizzle;
            TIntermTyped* c = tree_.addIndex(glslang::EOpIndexDirect, matrix,
                                             tree_.addConstantUnion(first->getConstArray()[0].getIConst(), loc), loc);
            c->setType(column);
            TIntermTyped* e = tree_.addIndex(glslang::EOpIndexDirect, c,
                                             tree_.addConstantUnion(second->getConstArray()[0].getIConst(), loc), loc);
            e->setType(element);
            vector->getSequence().push_back(e);
        }
        vector->setType(swizzle->getType());
        vector->setLoc(loc);
        return vector;
    }

    // "v.xx = a", "m._11_11 = a": a component written twice.
    void CheckWrittenSwizzle(TIntermBinary* b) {
        const glslang::TOperator op = b->getOp();
        TIntermAggregate* fields =
            b->getRight() != nullptr ? b->getRight()->getAsAggregate() : nullptr;
        const bool swizzle = op == glslang::EOpVectorSwizzle || op == glslang::EOpMatrixSwizzle;
        if (!swizzle || fields == nullptr) return;
        const size_t step = op == glslang::EOpMatrixSwizzle ? 2 : 1;
        std::set<std::pair<int, int>> seen;
        const glslang::TIntermSequence& items = fields->getSequence();
        for (size_t i = 0; i + step <= items.size(); i += step) {
            int key[2] = {0, 0};
            for (size_t k = 0; k < step; ++k) {
                const TIntermConstantUnion* c = items[i + k]->getAsConstantUnion();
                if (c == nullptr) return;
                key[k] = c->getConstArray()[0].getIConst();
            }
            if (!seen.insert({key[0], key[1]}).second) {
                errors_.Add(At(b->getLoc(), "a swizzle that is written to names a "
                                            "component twice"));
                return;
            }
        }
    }

    // An out or inout argument is a variable, or an element, member or
    // swizzle of one (the conversions the call makes aside).
    void CheckOutArgument(TIntermNode* argument, std::string_view callee) {
        TIntermTyped* node = argument != nullptr ? argument->getAsTyped() : nullptr;
        while (node != nullptr && node->getAsUnaryNode() != nullptr &&
               node->getAsUnaryNode()->getOperand()->getBasicType() != node->getBasicType()) {
            node = node->getAsUnaryNode()->getOperand();
        }
        if (node == nullptr) return;
        TIntermSymbol* base = BaseSymbol(node);
        if (base == nullptr || base->getQualifier().storage == glslang::EvqConst) {
            // The function as written: "modf" for stage 5's fx_modf_.
            std::string_view name = callee.substr(0, callee.find('('));
            if (name.starts_with("fx_") && name.ends_with("_")) name = name.substr(3, name.size() - 4);
            errors_.Add(At(node->getLoc(), std::string(name.empty() ? "" : "'") + std::string(name) +
                                               (name.empty() ? "" : "': ") +
                                               "an out or inout argument must be a variable, "
                                               "or an element or member of one"));
        }
    }

    void CheckDivision(TIntermBinary* b) {
        const glslang::TOperator op = b->getOp();
        const bool div = op == glslang::EOpDiv || op == glslang::EOpDivAssign;
        const bool mod = op == glslang::EOpMod || op == glslang::EOpModAssign;
        if ((!div && !mod) || !IsInteger(b->getLeft()) || !IsInteger(b->getRight())) return;
        const TIntermConstantUnion* c = writes_.Constant(b->getRight());
        if (c != nullptr && HasZero(c)) {
            errors_.Add(At(b->getLoc(), div ? "integer division by zero" : "integer modulus by zero"));
        }
    }

    glslang::TIntermediate& tree_;
    const Writes& writes_;
    MessageSink& errors_;
    int depth_ = 0;
};

// Marks the lines of the main text that nodes sit on.
class Lines : public glslang::TIntermTraverser {
public:
    std::vector<bool> code;

    void Mark(const glslang::TSourceLoc& loc) {
        if (loc.name != nullptr || loc.line <= 0) return;
        if (code.size() <= static_cast<size_t>(loc.line)) code.resize(loc.line + 1, false);
        code[loc.line] = true;
    }
    void MarkType(const glslang::TType& type) {
        if (!type.isStruct()) return;
        for (const glslang::TTypeLoc& member : *type.getStruct()) Mark(member.loc);
    }
    void visitSymbol(TIntermSymbol* node) override {
        Mark(node->getLoc());
        MarkType(node->getType());
    }
    void visitConstantUnion(TIntermConstantUnion* node) override { Mark(node->getLoc()); }
    bool visitBinary(glslang::TVisit, TIntermBinary* node) override { return Mark(node->getLoc()), true; }
    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* node) override { return Mark(node->getLoc()), true; }
    bool visitAggregate(glslang::TVisit, TIntermAggregate* node) override { return Mark(node->getLoc()), true; }
};

bool IsUnsuffixedInteger(const std::string& s) {
    if (s.empty() || s.find_first_not_of("0123456789") != std::string::npos) {
        const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X') &&
                         s.find_first_not_of("0123456789abcdefABCDEF", 2) == std::string::npos;
        return hex;
    }
    return true;
}

}  // namespace

std::vector<bool> CodeLines(glslang::TIntermediate& tree) {
    Lines lines;
    if (TIntermNode* root = tree.getTreeRoot()) root->traverse(&lines);
    return lines.code;
}

void FixTree(glslang::TIntermediate& tree, MessageSink& errors) {
    TIntermNode* root = tree.getTreeRoot();
    if (root == nullptr) return;
    Writes writes;
    root->traverse(&writes);
    Fixer fixer(tree, writes, errors);
    fixer.Node(root);
}

namespace {

bool Breaks(TIntermNode* node);

// Whether control never runs off the end of a statement: it returns,
// discards, breaks or continues on every path (a loop that can end is
// left, a switch left by a break, an if without an else falls through).
bool Ends(TIntermNode* node) {
    if (node == nullptr) return false;
    if (glslang::TIntermBranch* b = node->getAsBranchNode()) {
        const glslang::TOperator op = b->getFlowOp();
        return op == glslang::EOpReturn || op == glslang::EOpKill || op == glslang::EOpBreak ||
               op == glslang::EOpContinue;
    }
    if (glslang::TIntermSelection* s = node->getAsSelectionNode())
        return s->getFalseBlock() != nullptr && Ends(s->getTrueBlock()) && Ends(s->getFalseBlock());
    if (glslang::TIntermLoop* l = node->getAsLoopNode()) {
        // for (;;) and while (true) without a break of their own.
        TIntermConstantUnion* c = l->getTest() ? l->getTest()->getAsConstantUnion() : nullptr;
        const bool forever = l->getTest() == nullptr || (c != nullptr && c->getConstArray()[0].getBConst());
        return forever && !Breaks(l->getBody());
    }
    if (glslang::TIntermSwitch* sw = node->getAsSwitchNode()) {
        TIntermAggregate* body = sw->getBody();
        if (body == nullptr || body->getSequence().empty() || Breaks(body)) return false;
        bool fallback = false;
        for (TIntermNode* n : body->getSequence()) {
            glslang::TIntermBranch* b = n->getAsBranchNode();
            fallback = fallback || (b != nullptr && b->getFlowOp() == glslang::EOpDefault);
        }
        return fallback && Ends(body->getSequence().back());
    }
    if (TIntermAggregate* a = node->getAsAggregate()) {
        if (a->getOp() != glslang::EOpSequence) return false;
        for (TIntermNode* n : a->getSequence()) {
            if (Ends(n)) return true;
        }
    }
    return false;
}

// Whether a break leaves this loop or switch body (one in a nested loop or
// switch leaves that one).
bool Breaks(TIntermNode* node) {
    if (node == nullptr || node->getAsLoopNode() != nullptr || node->getAsSwitchNode() != nullptr)
        return false;
    if (glslang::TIntermBranch* b = node->getAsBranchNode()) return b->getFlowOp() == glslang::EOpBreak;
    if (glslang::TIntermSelection* s = node->getAsSelectionNode())
        return Breaks(s->getTrueBlock()) || Breaks(s->getFalseBlock());
    if (TIntermAggregate* a = node->getAsAggregate()) {
        for (TIntermNode* n : a->getSequence()) {
            if (Breaks(n)) return true;
        }
    }
    return false;
}


// The calls of the effect's functions in one function's body, in the order
// they are written, each by its callee's mangled name.
class Calls : public glslang::TIntermTraverser {
public:
    std::vector<std::pair<std::string, glslang::TSourceLoc>> found;

    bool visitAggregate(glslang::TVisit, TIntermAggregate* node) override {
        if (node->getOp() == glslang::EOpFunctionCall && node->isUserDefined())
            found.emplace_back(node->getName().c_str(), node->getLoc());
        return true;
    }
};

// Depth first over the functions the entry point reaches; a call into a
// function still being walked closes a circle.
class RecursionWalk {
public:
    RecursionWalk(TIntermAggregate* root, MessageSink& errors) : errors_(errors) {
        for (TIntermNode* n : root->getSequence()) {
            TIntermAggregate* f = n->getAsAggregate();
            if (f == nullptr || f->getOp() != glslang::EOpFunction) continue;
            Calls calls;
            f->traverse(&calls);
            functions_[f->getName().c_str()] = {std::move(calls.found), 0};
        }
    }

    void FromEntry(std::string_view entry) {
        std::vector<std::string> starts;
        for (const auto& [name, f] : functions_) {
            std::string_view base(name);
            base = base.substr(0, base.find('('));
            if (!base.empty() && base[0] == '@') base.remove_prefix(1);
            if (base == entry) starts.push_back(name);
        }
        std::sort(starts.begin(), starts.end());
        for (const std::string& s : starts) From(s, 0);
    }

private:
    struct Function {
        std::vector<std::pair<std::string, glslang::TSourceLoc>> calls;
        int state = 0;  // 0 not met, 1 being walked, 2 done
    };

    void From(const std::string& name, int depth) {
        auto it = functions_.find(name);
        if (it == functions_.end() || it->second.state != 0 || depth > 256) return;
        it->second.state = 1;
        for (const auto& [callee, loc] : it->second.calls) {
            auto c = functions_.find(callee);
            if (c == functions_.end()) continue;
            if (c->second.state == 1) {
                std::string said = callee.substr(0, callee.find('('));
                SayUserNames(&said);
                errors_.Add(At(loc, "'" + said + "': a recursive call (shaders cannot recurse)"));
                continue;
            }
            From(callee, depth + 1);
        }
        it->second.state = 2;
    }

    MessageSink& errors_;
    std::unordered_map<std::string, Function> functions_;
};
}  // namespace

void CheckReturns(glslang::TIntermediate& tree, MessageSink& errors) {
    TIntermAggregate* root = tree.getTreeRoot() ? tree.getTreeRoot()->getAsAggregate() : nullptr;
    if (root == nullptr) return;
    for (TIntermNode* n : root->getSequence()) {
        TIntermAggregate* f = n->getAsAggregate();
        if (f == nullptr || f->getOp() != glslang::EOpFunction ||
            f->getType().getBasicType() == glslang::EbtVoid) {
            continue;
        }
        TIntermNode* body = f->getSequence().size() > 1 ? f->getSequence()[1] : nullptr;
        if (Ends(body)) continue;
        std::string name = f->getName().c_str();
        name = name.substr(0, name.find('('));
        if (!name.empty() && name[0] == '@') name.erase(0, 1);  // an entry point's own body
        errors.Add(At(f->getLoc(), "'" + name + "': not all control paths return a value"));
    }
}

void CheckRecursion(glslang::TIntermediate& tree, std::string_view entry, MessageSink& errors) {
    TIntermAggregate* root = tree.getTreeRoot() ? tree.getTreeRoot()->getAsAggregate() : nullptr;
    if (root == nullptr) return;
    RecursionWalk walk(root, errors);
    walk.FromEntry(entry);
}

void CheckIntegerLiterals(const std::string& hlsl, const std::vector<bool>& codeLines,
                          MessageSink& errors) {
    // Only a text with a uint, a const int or a / or % by something
    // starting with 0 can have what is looked for.
    bool candidate = hlsl.find("uint") != std::string::npos || hlsl.find("const int") != std::string::npos;
    for (size_t at = hlsl.find_first_of("/%"); at != std::string::npos && !candidate;
         at = hlsl.find_first_of("/%", at + 1)) {
        const bool comment = hlsl[at] == '/' && ((at + 1 < hlsl.size() && (hlsl[at + 1] == '/' ||
                                                                          hlsl[at + 1] == '*')) ||
                                                 (at > 0 && hlsl[at - 1] == '/'));
        if (comment) continue;
        const size_t next = hlsl.find_first_not_of(" \t", at + 1);
        const char after = next != std::string::npos && next + 1 < hlsl.size() ? hlsl[next + 1] : ' ';
        candidate = next != std::string::npos && hlsl[next] == '0' && after != '.' &&
                    !std::isdigit(static_cast<unsigned char>(after)) && after != 'e' && after != 'f' &&
                    after != 'h';
    }
    if (!candidate) return;
    std::vector<Message> found;
    const TokenizedText tokenized(hlsl);
    const std::vector<Token>& tokens = tokenized.tokens;
    auto text = [&](size_t i) { return tokenized.Text(i); };
    auto punct = [&](size_t i, char c) { return tokenized.Punct(i, c); };
    LineIndex lines(hlsl);
    // Names of int constants that are zero: "const int z = 0;".
    std::vector<std::string> zeros;
    auto isZeroLiteral = [&](size_t i) {
        return tokens[i].kind == Tok::Number && IsUnsuffixedInteger(text(i)) &&
               std::strtoull(text(i).c_str(), nullptr, 0) == 0;
    };
    for (size_t i = 2; i + 3 < tokens.size(); ++i) {
        if (tokens[i - 2].kind == Tok::Ident && text(i - 2) == "const" &&
            (text(i - 1) == "int" || text(i - 1) == "uint") && tokens[i].kind == Tok::Ident &&
            punct(i + 1, '=') && isZeroLiteral(i + 2) && (punct(i + 3, ';') || punct(i + 3, ','))) {
            zeros.push_back(text(i));
        }
    }
    auto isZero = [&](size_t i) {
        if (i >= tokens.size()) return false;
        if (isZeroLiteral(i)) return true;
        return tokens[i].kind == Tok::Ident &&
               std::find(zeros.begin(), zeros.end(), text(i)) != zeros.end();
    };
    for (size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Number || !IsUnsuffixedInteger(text(i))) continue;
        // LITERAL / 0 and LITERAL % 0 (or a const int that is 0), where nothing
        // binds the left one tighter: glslang folds them before its tree.
        if (i + 2 < tokens.size() && (punct(i + 1, '/') || punct(i + 1, '%')) && isZero(i + 2) &&
            !punct(i + 3, '.') && !punct(i + 3, '[') && !punct(i + 3, '(') &&
            !(i > 0 && (punct(i - 1, '*') || punct(i - 1, '/') || punct(i - 1, '%') ||
                        punct(i - 1, '.')))) {
            found.push_back(ErrorAt(lines.At(tokens[i + 1].begin),
                                    punct(i + 1, '/') ? "integer division by zero"
                                                      : "integer modulus by zero"));
        }
        // uint NAME = LITERAL; with a literal an int cannot hold.
        const unsigned long long value = std::strtoull(text(i).c_str(), nullptr, 0);
        if (value >= 0x80000000ull && i >= 3 && punct(i - 1, '=') &&
            tokens[i - 2].kind == Tok::Ident && tokens[i - 3].kind == Tok::Ident &&
            text(i - 3) == "uint" && (punct(i + 1, ';') || punct(i + 1, ','))) {
            found.push_back(ErrorAt(lines.At(tokens[i].begin),
                                    "'" + text(i) + "': an int literal (" +
                                        std::to_string(static_cast<int32_t>(value)) +
                                        " wrapped) given to a uint; write " + text(i) + "u"));
        }
    }
    // Not what the preprocessor leaves out.
    for (Message& m : found) {
        if (static_cast<size_t>(m.line) < codeLines.size() && codeLines[m.line]) {
            errors.Add(std::move(m));
        }
    }
}

}  // namespace fx
