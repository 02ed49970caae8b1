// Stage 5: loops bounded by the arrays their counters index (see
// 5_array_bounded_loops.h).
//
// Direct3D 9's compiler unrolls every loop of vs_1_1, ps_2_0 and ps_2_b. A
// loop whose end the shader reads at run time it still unrolls when the
// counter indexes an array: an index past the array's end cannot be, so the
// loop runs at most the array's length, and each unrolled turn tries the
// loop's own test first (a break once it fails). A counter that counts down
// stops at the array's start ("i >= 0"), and an index "i + k" moves either
// end by k ("w[i + 1]" counting up: "i < N - 1"). Here the loop stays a loop
// (the device runs it) with that same bound in its test; the profile check
// then takes it as it takes "i < 4 && i < count".
#include <glslang/MachineIndependent/localintermediate.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/fx/5_glslang/5_array_bounded_loops.h"

namespace fx {
namespace {

using glslang::TIntermBinary;
using glslang::TIntermSymbol;
using glslang::TIntermTyped;

// Whether the node reads a uniform or an input, and whether it is already
// bounded by an && (which the profile check takes as it is).
struct TestReads : glslang::TIntermTraverser {
    bool runTime = false;
    bool bounded = false;
    std::set<long long> locals;  // the symbols that may be counters
    void visitSymbol(TIntermSymbol* s) override {
        const glslang::TStorageQualifier q = s->getQualifier().storage;
        if (q == glslang::EvqUniform || q == glslang::EvqBuffer || q == glslang::EvqVaryingIn) {
            runTime = true;
        } else if (q == glslang::EvqTemporary && s->getType().isScalar()) {
            locals.insert(s->getId());
        }
    }
    bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
        bounded |= b->getOp() == glslang::EOpLogicalAnd;
        return true;
    }
};

// The symbol an expression is, through conversions ("a[i]" of a float i).
TIntermSymbol* SymbolOf(TIntermTyped* node) {
    while (node != nullptr) {
        if (TIntermSymbol* s = node->getAsSymbolNode()) return s;
        glslang::TIntermUnary* u = node->getAsUnaryNode();
        if (u == nullptr || u->getOp() < glslang::EOpConvInt8ToBool ||
            u->getOp() > glslang::EOpConvDoubleToFloat) {
            return nullptr;
        }
        node = u->getOperand();
    }
    return nullptr;
}

// The whole number a scalar constant holds ("i + 1", "i += 2", "i -= 1.0").
std::optional<long long> WholeConstant(TIntermTyped* node) {
    glslang::TIntermConstantUnion* c = node != nullptr ? node->getAsConstantUnion() : nullptr;
    if (c == nullptr || !c->getType().isScalar()) return std::nullopt;
    const glslang::TConstUnion& v = c->getConstArray()[0];
    switch (v.getType()) {
        case glslang::EbtInt: return v.getIConst();
        case glslang::EbtUint: return v.getUConst();
        case glslang::EbtFloat:
        case glslang::EbtDouble:
            if (v.getDConst() != std::floor(v.getDConst()) || std::fabs(v.getDConst()) > 65536) return std::nullopt;
            return static_cast<long long>(v.getDConst());
        default: return std::nullopt;
    }
}

// An index that is a symbol plus or minus a whole constant ("i", "i + 1",
// "i - 2", "1 + i"), through conversions: the symbol and the constant added.
struct Offset {
    TIntermSymbol* symbol = nullptr;
    long long add = 0;
};
Offset OffsetOf(TIntermTyped* node) {
    while (glslang::TIntermUnary* u = node != nullptr ? node->getAsUnaryNode() : nullptr) {
        // "w[i++]" reads at i, "w[++i]" at i + 1.
        const glslang::TOperator op = u->getOp();
        TIntermSymbol* counted = u->getOperand() != nullptr ? u->getOperand()->getAsSymbolNode() : nullptr;
        if (counted != nullptr && (op == glslang::EOpPostIncrement || op == glslang::EOpPostDecrement)) return {counted, 0};
        if (counted != nullptr && op == glslang::EOpPreIncrement) return {counted, 1};
        if (counted != nullptr && op == glslang::EOpPreDecrement) return {counted, -1};
        if (op < glslang::EOpConvInt8ToBool || op > glslang::EOpConvDoubleToFloat) return {};
        node = u->getOperand();
    }
    if (node == nullptr) return {};
    if (TIntermSymbol* s = node->getAsSymbolNode()) return {s, 0};
    TIntermBinary* b = node->getAsBinaryNode();
    if (b == nullptr || (b->getOp() != glslang::EOpAdd && b->getOp() != glslang::EOpSub)) return {};
    const long long sign = b->getOp() == glslang::EOpAdd ? 1 : -1;
    if (TIntermSymbol* s = SymbolOf(b->getLeft())) {
        if (std::optional<long long> k = WholeConstant(b->getRight())) return {s, sign * *k};
    } else if (TIntermSymbol* r = SymbolOf(b->getRight()); r != nullptr && sign > 0) {
        if (std::optional<long long> k = WholeConstant(b->getLeft())) return {r, *k};
    }
    return {};
}

// In a loop's body and terminal: the candidates that count one way (up by
// i++, ++i, i += a positive constant; down by i--, --i, i -= a positive
// constant), and the fixed-size arrays each indexes as itself plus or minus
// a constant.
// The user's functions by their mangled names ("at(i1;"), which their calls carry.
using Functions = std::map<glslang::TString, glslang::TIntermAggregate*>;

struct CounterUse : glslang::TIntermTraverser {
    CounterUse(const std::set<long long>& candidates, const Functions& functions, int depth = 0)
        : candidates_(candidates), functions_(functions), depth_(depth) {}

    std::map<long long, int> step;  // counter -> +1 up, -1 down, 0 both ways
    struct Index {
        int length;      // the array's
        long long add;   // what the index adds to the counter
    };
    std::map<long long, std::vector<Index>> indexes;
    std::map<long long, TIntermSymbol*> symbol;

    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* u) override {
        const glslang::TOperator op = u->getOp();
        if (op == glslang::EOpPostIncrement || op == glslang::EOpPreIncrement) Counts(u->getOperand(), 1);
        if (op == glslang::EOpPostDecrement || op == glslang::EOpPreDecrement) Counts(u->getOperand(), -1);
        return true;
    }

    // A counter given to a function's in parameter indexes what the
    // parameter indexes there ("at(i)" of "float at(int k) { return w[k]; }"),
    // as the call is inlined; a parameter the function writes indexes nothing.
    bool visitAggregate(glslang::TVisit, glslang::TIntermAggregate* call) override {
        if (call->getOp() != glslang::EOpFunctionCall || depth_ >= 8) return true;
        auto found = functions_.find(call->getName());
        if (found == functions_.end() || found->second->getSequence().empty()) return true;
        glslang::TIntermAggregate* params = found->second->getSequence()[0]->getAsAggregate();
        if (params == nullptr) return true;
        const glslang::TIntermSequence& args = call->getSequence();
        for (size_t k = 0; k < args.size() && k < params->getSequence().size(); ++k) {
            const Offset at = OffsetOf(args[k]->getAsTyped());
            TIntermSymbol* param = params->getSequence()[k]->getAsSymbolNode();
            if (at.symbol == nullptr || candidates_.count(at.symbol->getId()) == 0 || param == nullptr) continue;
            const glslang::TStorageQualifier q = param->getQualifier().storage;
            if (q != glslang::EvqIn && q != glslang::EvqConstReadOnly && q != glslang::EvqTemporary) continue;
            const std::set<long long> inner = {param->getId()};
            CounterUse use(inner, functions_, depth_ + 1);
            found->second->traverse(&use);
            if (!use.step.empty() || use.Written(param->getId())) continue;
            for (const Index& index : use.indexes[param->getId()])
                indexes[at.symbol->getId()].push_back({index.length, index.add + at.add});
            if (!use.indexes[param->getId()].empty()) symbol[at.symbol->getId()] = at.symbol;
        }
        return true;
    }

    bool Written(long long id) const { return written_.count(id) != 0; }

    bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
        const glslang::TOperator op = b->getOp();
        if (op == glslang::EOpAssign || (op >= glslang::EOpAddAssign && op <= glslang::EOpRightShiftAssign)) {
            if (TIntermSymbol* s = b->getLeft()->getAsSymbolNode()) written_.insert(s->getId());
        }
        if (op == glslang::EOpAddAssign || op == glslang::EOpSubAssign) {
            const int sign = op == glslang::EOpAddAssign ? 1 : -1;
            if (const int k = SignOf(b->getRight()); k != 0) Counts(b->getLeft(), k * sign);
        } else if (op == glslang::EOpIndexIndirect) {
            const Offset index = OffsetOf(b->getRight());
            const glslang::TType& array = b->getLeft()->getType();
            if (index.symbol != nullptr && candidates_.count(index.symbol->getId()) != 0 &&
                array.isSizedArray() && array.getOuterArraySize() > 0) {
                indexes[index.symbol->getId()].push_back({array.getOuterArraySize(), index.add});
                symbol[index.symbol->getId()] = index.symbol;
            }
        }
        return true;
    }

private:
    void Counts(TIntermTyped* operand, int way) {
        TIntermSymbol* s = operand != nullptr ? operand->getAsSymbolNode() : nullptr;
        if (s == nullptr || candidates_.count(s->getId()) == 0) return;
        auto [it, added] = step.emplace(s->getId(), way);
        if (!added && it->second != way) it->second = 0;
    }
    // The sign of a scalar constant (a step of 0.5 counts too); 0 for any
    // other node.
    static int SignOf(TIntermTyped* node) {
        glslang::TIntermConstantUnion* c = node != nullptr ? node->getAsConstantUnion() : nullptr;
        if (c == nullptr || !c->getType().isScalar()) return 0;
        const glslang::TConstUnion& v = c->getConstArray()[0];
        switch (v.getType()) {
            case glslang::EbtInt: return (v.getIConst() > 0) - (v.getIConst() < 0);
            case glslang::EbtUint: return v.getUConst() > 0;
            case glslang::EbtFloat:
            case glslang::EbtDouble: return (v.getDConst() > 0) - (v.getDConst() < 0);
            default: return 0;
        }
    }
    const std::set<long long>& candidates_;
    const Functions& functions_;
    int depth_;
    std::set<long long> written_;
};

struct Loops : glslang::TIntermTraverser {
    Loops(glslang::TIntermediate& tree, const Functions& functions) : tree_(tree), functions_(functions) {}

    bool visitLoop(glslang::TVisit, glslang::TIntermLoop* loop) override {
        TIntermBinary* test = loop->getTest() != nullptr ? loop->getTest()->getAsBinaryNode() : nullptr;
        if (test == nullptr) return true;
        TestReads reads;
        test->traverse(&reads);
        if (!reads.runTime || reads.bounded || reads.locals.empty()) return true;
        CounterUse use(reads.locals, functions_);
        if (loop->getBody() != nullptr) loop->getBody()->traverse(&use);
        if (loop->getTerminal() != nullptr) loop->getTerminal()->traverse(&use);
        // The counter of the smallest array, if two count; its bound keeps
        // every index it makes inside its array: counting up, i + k < N for
        // each, so i < N - k; counting down, i + k >= 0, so i >= -k.
        long long counter = -1;
        int n = INT_MAX;
        long long bound = 0;
        for (const auto& [id, way] : use.step) {
            auto it = use.indexes.find(id);
            if (way == 0 || it == use.indexes.end()) continue;
            int smallest = INT_MAX;
            long long tightest = way > 0 ? LLONG_MAX : LLONG_MIN;
            for (const CounterUse::Index& index : it->second) {
                smallest = std::min(smallest, index.length);
                tightest = way > 0 ? std::min(tightest, index.length - index.add) : std::max(tightest, -index.add);
            }
            if (smallest < n) {
                counter = id;
                n = smallest;
                bound = tightest;
            }
        }
        if (counter < 0) return true;
        Bound(test, use.symbol[counter], use.step[counter] > 0, bound);
        return true;
    }

private:
    // test becomes "counter < bound && (test)" (counting up) or
    // "counter >= bound && (test)" (counting down), in place (a loop's test
    // cannot be replaced).
    void Bound(TIntermBinary* test, TIntermSymbol* counter, bool up, long long bound) {
        const glslang::TSourceLoc& loc = test->getLoc();
        TIntermTyped* end = nullptr;
        const int value = static_cast<int>(std::clamp<long long>(bound, INT_MIN / 2, INT_MAX / 2));
        switch (counter->getType().getBasicType()) {
            case glslang::EbtUint:
                // Below 0 an unsigned bound is 0 ("i >= 0u" always holds;
                // the loop is still the bounded one the check takes).
                end = tree_.addConstantUnion(static_cast<unsigned>(std::max(value, 0)), loc);
                break;
            case glslang::EbtFloat: end = tree_.addConstantUnion(static_cast<double>(value), glslang::EbtFloat, loc); break;
            default: end = tree_.addConstantUnion(value, loc); break;
        }
        const glslang::TType boolean(glslang::EbtBool, glslang::EvqTemporary);
        TIntermBinary* within = tree_.addBinaryNode(up ? glslang::EOpLessThan : glslang::EOpGreaterThanEqual,
                                                    tree_.addSymbol(*counter), end, loc, boolean);
        TIntermBinary* own = tree_.addBinaryNode(test->getOp(), test->getLeft(), test->getRight(), loc, test->getType());
        test->setOp(glslang::EOpLogicalAnd);
        test->setLeft(within);
        test->setRight(own);
        test->setType(boolean);
    }

    glslang::TIntermediate& tree_;
    const Functions& functions_;
};

}  // namespace

bool HasLoopInstructions(const std::string& profile) {
    return profile != "ps_2_0" && profile != "ps_2_b" && profile != "vs_1_1";
}

void BoundLoopsByArrays(glslang::TIntermediate& tree, const std::string& profile) {
    if (HasLoopInstructions(profile) || tree.getTreeRoot() == nullptr) return;
    Functions functions;
    if (glslang::TIntermAggregate* root = tree.getTreeRoot()->getAsAggregate()) {
        for (TIntermNode* node : root->getSequence()) {
            glslang::TIntermAggregate* f = node->getAsAggregate();
            if (f != nullptr && f->getOp() == glslang::EOpFunction) functions[f->getName()] = f;
        }
    }
    Loops loops(tree, functions);
    tree.getTreeRoot()->traverse(&loops);
}

}  // namespace fx
