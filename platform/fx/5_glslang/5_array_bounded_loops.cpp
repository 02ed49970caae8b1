// Stage 5: loops bounded by the arrays their counters index (see
// 5_array_bounded_loops.h).
//
// Direct3D 9's compiler unrolls every loop of vs_1_1, ps_2_0 and ps_2_b. A
// loop whose end the shader reads at run time it still unrolls when the
// counter indexes an array: an index past the array's end cannot be, so the
// loop runs at most the array's length, and each unrolled turn tries the
// loop's own test first (a break once it fails). Here the loop stays a loop
// (the device runs it) with that same bound in its test; the profile check
// then takes it as it takes "i < 4 && i < count".
#include <glslang/MachineIndependent/localintermediate.h>

#include <algorithm>
#include <climits>
#include <map>
#include <set>

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

// In a loop's body and terminal: the candidates that count up (i++, ++i,
// i += a positive constant), and the smallest fixed-size array each
// indexes directly.
struct CounterUse : glslang::TIntermTraverser {
    explicit CounterUse(const std::set<long long>& candidates) : candidates_(candidates) {}

    std::set<long long> up;
    std::map<long long, int> length;  // counter -> smallest array it indexes
    std::map<long long, TIntermSymbol*> symbol;

    bool visitUnary(glslang::TVisit, glslang::TIntermUnary* u) override {
        const glslang::TOperator op = u->getOp();
        if (op == glslang::EOpPostIncrement || op == glslang::EOpPreIncrement) Counts(u->getOperand());
        return true;
    }

    bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
        const glslang::TOperator op = b->getOp();
        if (op == glslang::EOpAddAssign) {
            glslang::TIntermConstantUnion* c = b->getRight()->getAsConstantUnion();
            if (c != nullptr && c->getType().isScalar() && Positive(c->getConstArray()[0]))
                Counts(b->getLeft());
        } else if (op == glslang::EOpIndexIndirect) {
            TIntermSymbol* s = SymbolOf(b->getRight());
            const glslang::TType& array = b->getLeft()->getType();
            if (s != nullptr && candidates_.count(s->getId()) != 0 && array.isSizedArray() &&
                array.getOuterArraySize() > 0) {
                auto [it, added] = length.emplace(s->getId(), array.getOuterArraySize());
                if (!added) it->second = std::min(it->second, array.getOuterArraySize());
                symbol[s->getId()] = s;
            }
        }
        return true;
    }

private:
    void Counts(TIntermTyped* operand) {
        TIntermSymbol* s = operand != nullptr ? operand->getAsSymbolNode() : nullptr;
        if (s != nullptr && candidates_.count(s->getId()) != 0) up.insert(s->getId());
    }
    static bool Positive(const glslang::TConstUnion& v) {
        switch (v.getType()) {
            case glslang::EbtInt: return v.getIConst() > 0;
            case glslang::EbtUint: return v.getUConst() > 0;
            case glslang::EbtFloat:
            case glslang::EbtDouble: return v.getDConst() > 0;
            default: return false;
        }
    }
    const std::set<long long>& candidates_;
};

struct Loops : glslang::TIntermTraverser {
    explicit Loops(glslang::TIntermediate& tree) : tree_(tree) {}

    bool visitLoop(glslang::TVisit, glslang::TIntermLoop* loop) override {
        TIntermBinary* test = loop->getTest() != nullptr ? loop->getTest()->getAsBinaryNode() : nullptr;
        if (test == nullptr) return true;
        TestReads reads;
        test->traverse(&reads);
        if (!reads.runTime || reads.bounded || reads.locals.empty()) return true;
        CounterUse use(reads.locals);
        if (loop->getBody() != nullptr) loop->getBody()->traverse(&use);
        if (loop->getTerminal() != nullptr) loop->getTerminal()->traverse(&use);
        // The counter of the smallest array, if two count up.
        long long counter = -1;
        int n = INT_MAX;
        for (long long id : use.up) {
            auto it = use.length.find(id);
            if (it != use.length.end() && it->second < n) {
                counter = id;
                n = it->second;
            }
        }
        if (counter < 0) return true;
        Bound(test, use.symbol[counter], n);
        return true;
    }

private:
    // test becomes "counter < n && (test)", in place (a loop's test cannot
    // be replaced).
    void Bound(TIntermBinary* test, TIntermSymbol* counter, int n) {
        const glslang::TSourceLoc& loc = test->getLoc();
        TIntermTyped* end = nullptr;
        switch (counter->getType().getBasicType()) {
            case glslang::EbtUint: end = tree_.addConstantUnion(static_cast<unsigned>(n), loc); break;
            case glslang::EbtFloat: end = tree_.addConstantUnion(static_cast<double>(n), glslang::EbtFloat, loc); break;
            default: end = tree_.addConstantUnion(n, loc); break;
        }
        const glslang::TType boolean(glslang::EbtBool, glslang::EvqTemporary);
        TIntermBinary* within = tree_.addBinaryNode(glslang::EOpLessThan, tree_.addSymbol(*counter), end, loc, boolean);
        TIntermBinary* own = tree_.addBinaryNode(test->getOp(), test->getLeft(), test->getRight(), loc, test->getType());
        test->setOp(glslang::EOpLogicalAnd);
        test->setLeft(within);
        test->setRight(own);
        test->setType(boolean);
    }

    glslang::TIntermediate& tree_;
};

}  // namespace

bool HasLoopInstructions(const std::string& profile) {
    return profile != "ps_2_0" && profile != "ps_2_b" && profile != "vs_1_1";
}

void BoundLoopsByArrays(glslang::TIntermediate& tree, const std::string& profile) {
    if (HasLoopInstructions(profile) || tree.getTreeRoot() == nullptr) return;
    Loops loops(tree);
    tree.getTreeRoot()->traverse(&loops);
}

}  // namespace fx
