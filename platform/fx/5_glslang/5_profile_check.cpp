// Stage 5: what a profile's instruction set lacks, found on glslang's tree
// (see 5_tree.h).
//
// Direct3D 9's compiler inlines every function and drops the code that
// constant conditions rule out before it maps the rest to instructions;
// only what survives must exist in the profile. So the check walks the
// entry point and what it calls, a call with constant arguments seeing
// its parameters as those constants, and goes only down the side of an if
// or ?: whose condition those constants decide.
#include <glslang/MachineIndependent/localintermediate.h>

#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/fx/5_glslang/5_array_bounded_loops.h"
#include "platform/fx/5_glslang/5_profile_check.h"
#include "platform/fx/5_glslang/5_tree.h"

namespace fx {
namespace {

using glslang::TIntermAggregate;
using glslang::TIntermBinary;
using glslang::TIntermTyped;
using glslang::TOperator;

// Parameters known to hold a constant: symbol id -> value.
using Known = std::map<long long, double>;

// The variable an l-value writes ("k.x", "a[i]", "s.m[2]": k, a, s): its
// symbol id, or -1 when it is no variable.
long long WrittenVariable(TIntermNode* n) {
    while (n != nullptr && n->getAsBinaryNode() != nullptr) n = n->getAsBinaryNode()->getLeft();
    return n != nullptr && n->getAsSymbolNode() != nullptr ? n->getAsSymbolNode()->getId() : -1;
}

bool IsGradient(TOperator op) {
    switch (op) {
        case glslang::EOpDPdx:
        case glslang::EOpDPdy:
        case glslang::EOpFwidth:
        case glslang::EOpDPdxFine:
        case glslang::EOpDPdyFine:
        case glslang::EOpFwidthFine:
        case glslang::EOpDPdxCoarse:
        case glslang::EOpDPdyCoarse:
        case glslang::EOpFwidthCoarse:
        case glslang::EOpTextureGrad:
        case glslang::EOpTextureGradOffset:
        case glslang::EOpTextureProjGrad:
        case glslang::EOpTextureProjGradOffset:
        case glslang::EOpTextureGradClamp:
        case glslang::EOpTextureGradOffsetClamp:
            return true;
        default: return false;
    }
}

bool IsExplicitLod(TOperator op) {
    return op == glslang::EOpTextureLod || op == glslang::EOpTextureLodOffset ||
           op == glslang::EOpTextureProjLod || op == glslang::EOpTextureProjLodOffset;
}

// A read that takes its level of detail from the pixel's neighbours.
bool IsImplicitLod(TOperator op) {
    return op == glslang::EOpTexture || op == glslang::EOpTextureProj ||
           op == glslang::EOpTextureOffset || op == glslang::EOpTextureProjOffset ||
           op == glslang::EOpTextureBias || op == glslang::EOpTextureClamp ||
           op == glslang::EOpTextureOffsetClamp;
}

// What takes its value's differences with the neighbouring pixels: ddx,
// ddy, fwidth and a read without a level or gradients of its own.
bool TakesDerivatives(TOperator op) {
    return IsImplicitLod(op) || op == glslang::EOpDPdx || op == glslang::EOpDPdy ||
           op == glslang::EOpFwidth || op == glslang::EOpDPdxFine || op == glslang::EOpDPdyFine ||
           op == glslang::EOpFwidthFine || op == glslang::EOpDPdxCoarse ||
           op == glslang::EOpDPdyCoarse || op == glslang::EOpFwidthCoarse;
}

// How deep a profile's loop and rep instructions nest: vs_2_0 not at all
// (its static flow control nests them 1 deep), every other profile with
// them at most 4 deep (vs_2_x and ps_2_x devices offer 1 to 4, shader
// model 3 has 4); 0 for the software profiles, which name no limit.
int LoopNestingOf(const std::string& profile) {
    if (profile == "vs_2_0") return 1;
    if (profile.ends_with("_sw")) return 0;
    return 4;
}

// The text of a call from its name to its closing parenthesis, at a place
// of the text glslang was given; empty when no name stands there.
std::string_view CallAt(std::string_view text, int line, int column) {
    size_t at = 0;
    for (int l = 1; l < line && at != std::string_view::npos; ++l) {
        at = text.find('\n', at);
        if (at != std::string_view::npos) ++at;
    }
    if (at == std::string_view::npos || column < 1) return {};
    at += static_cast<size_t>(column - 1);
    auto word = [&](size_t k) {
        return k < text.size() && (std::isalnum(static_cast<unsigned char>(text[k])) || text[k] == '_');
    };
    if (!word(at) || (at > 0 && word(at - 1))) return {};
    size_t end = at;
    while (word(end)) ++end;
    size_t open = end;
    while (open < text.size() && (text[open] == ' ' || text[open] == '\t')) ++open;
    if (open >= text.size() || text[open] != '(') return text.substr(at, end - at);
    int depth = 0;
    for (size_t k = open; k < text.size(); ++k) {
        if (text[k] == '(') ++depth;
        if (text[k] == ')' && --depth == 0) return text.substr(at, k + 1 - at);
    }
    return text.substr(at, end - at);
}

// The texture read a call was written as. 4_one_dimensional_reads prints
// tex1D* as tex2D* of "float2((u).x, 0)" or "((t).xwww * float4(1, 0, 0, 1))",
// and 4_spellings texCUBEproj(s, t) as texCUBE(s, (t).xyz / (t).w).
std::string WrittenRead(std::string_view call) {
    size_t end = 0;
    while (end < call.size() && call[end] != '(' && call[end] != ' ' && call[end] != '\t') ++end;
    std::string name(call.substr(0, end));
    if (name.rfind("tex", 0) != 0 || call.find('(') == std::string_view::npos) return {};
    std::string bare;  // without spaces, as the rewrites' spacing varies
    for (char c : call)
        if (c != ' ' && c != '\t') bare += c;
    if (name.rfind("tex2D", 0) == 0 &&
        (bare.ends_with(").x,0))") || bare.find(").xwww*float4(1,0,0,1))") != std::string::npos)) {
        name.replace(0, 5, "tex1D");
    } else if (name == "texCUBE" && bare.ends_with(").w)")) {
        name = "texCUBEproj";
    }
    return name;
}

class ProfileCheck {
public:
    ProfileCheck(const std::string& profile, bool vertex, std::string_view text, MessageSink& errors)
        : profile_(profile), vertex_(vertex), text_(text), errors_(errors) {
        const bool model3 = profile.find("_3_") != std::string::npos;
        gradients_ = !vertex && (model3 || profile == "ps_2_a" || profile == "ps_2_sw");
        explicitLod_ = model3;
        // ps_2_0, ps_2_b and vs_1_1 have no flow control instructions.
        flowControl_ = HasLoopInstructions(profile);
        loopDepth_ = LoopNestingOf(profile);
        // vs_2_0's flow control is static: loop and rep take their count
        // from an integer constant, and nothing leaves a loop early.
        staticLoopsOnly_ = profile == "vs_2_0";
    }

    void Run(glslang::TIntermediate& tree) {
        TIntermAggregate* root = tree.getTreeRoot() ? tree.getTreeRoot()->getAsAggregate() : nullptr;
        if (root == nullptr) return;
        for (TIntermNode* n : root->getSequence()) {
            TIntermAggregate* f = n->getAsAggregate();
            if (f != nullptr && f->getOp() == glslang::EOpFunction) functions_[f->getName().c_str()] = f;
        }
        HeldAtRunTime(root);
        auto entry = functions_.find(tree.getEntryPointMangledName().c_str());
        if (entry == functions_.end()) return;
        // glslang's entry point copies the inputs into locals and calls the
        // user's: that function's parameters (but uniform ones, and those
        // it writes or hands on) hold the inputs as they came in.
        for (TIntermNode* n : entry->second->getSequence()) {
            struct Calls : glslang::TIntermTraverser {
                std::vector<TIntermAggregate*> found;
                bool visitAggregate(glslang::TVisit, TIntermAggregate* a) override {
                    if (a->getOp() == glslang::EOpFunctionCall) found.push_back(a);
                    return true;
                }
            } calls;
            if (n != nullptr) n->traverse(&calls);
            for (TIntermAggregate* call : calls.found) {
                auto callee = functions_.find(call->getName().c_str());
                if (callee == functions_.end()) continue;
                const std::set<long long> written = Written(callee->second);
                for (TIntermNode* c : callee->second->getSequence()) {
                    TIntermAggregate* params = c->getAsAggregate();
                    if (params == nullptr || params->getOp() != glslang::EOpParameters) continue;
                    for (TIntermNode* p : params->getSequence()) {
                        glslang::TIntermSymbol* symbol = p->getAsSymbolNode();
                        if (symbol != nullptr && symbol->getQualifier().storage != glslang::EvqUniform &&
                            symbol->getQualifier().storage != glslang::EvqOut &&
                            written.count(symbol->getId()) == 0) {
                            inputs_.insert(symbol->getId());
                        }
                    }
                }
            }
        }
        Function(entry->second, {}, 0);
    }

private:
    // The variables a function assigns, increments, or gives whole to a
    // call (which may write them).
    static std::set<long long> Written(TIntermAggregate* f) {
        struct Finder : glslang::TIntermTraverser {
            std::set<long long> written;
            void Base(TIntermNode* n) {
                const long long id = WrittenVariable(n);
                if (id >= 0) written.insert(id);
            }
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                if (b->modifiesState()) Base(b->getLeft());
                return true;
            }
            bool visitUnary(glslang::TVisit, glslang::TIntermUnary* u) override {
                if (u->modifiesState()) Base(u->getOperand());
                return true;
            }
            bool visitAggregate(glslang::TVisit, TIntermAggregate* a) override {
                if (a->getOp() == glslang::EOpFunctionCall || a->getOp() == glslang::EOpModf ||
                    a->getOp() == glslang::EOpFrexp) {
                    for (TIntermNode* arg : a->getSequence()) Base(arg);
                }
                return true;
            }
        } finder;
        f->traverse(&finder);
        return finder.written;
    }

    void Function(TIntermAggregate* f, const Known& known, int depth, const std::string& changing = "") {
        std::string key = f->getName().c_str();
        key += changing;
        for (const auto& [id, value] : known) {
            key += ' ';
            key += std::to_string(id);
            key += '=';
            key += std::to_string(value);
        }
        if (depth > 64 || !visited_.insert(key).second) return;
        for (TIntermNode* n : f->getSequence()) Node(n, known, depth);
    }

    void Node(TIntermNode* node, const Known& known, int depth) {
        if (node == nullptr) return;
        if (glslang::TIntermSelection* s = node->getAsSelectionNode()) {
            std::optional<double> c = Evaluate(s->getCondition(), known);
            if (!c || *c != 0) Node(s->getTrueBlock(), known, depth);
            if (!c || *c == 0) Node(s->getFalseBlock(), known, depth);
            if (!c) Node(s->getCondition(), known, depth);
            return;
        }
        if (glslang::TIntermOperator* op = node->getAsOperator()) Check(op);
        if (TIntermAggregate* a = node->getAsAggregate()) {
            for (TIntermNode* n : a->getSequence()) Node(n, known, depth);
            if (a->getOp() != glslang::EOpFunctionCall) return;
            auto callee = functions_.find(a->getName().c_str());
            if (callee == functions_.end()) return;
            // The callee's parameters that take a constant here.
            Known inner;
            TIntermAggregate* params = nullptr;
            for (TIntermNode* n : callee->second->getSequence()) {
                TIntermAggregate* p = n->getAsAggregate();
                if (p != nullptr && p->getOp() == glslang::EOpParameters) params = p;
            }
            const glslang::TIntermSequence& args = a->getSequence();
            std::string changingKey = varyingLoops_ > 0 ? " loop" : "";
            for (size_t i = 0; params != nullptr && i < args.size() && i < params->getSequence().size(); ++i) {
                glslang::TIntermSymbol* p = params->getSequence()[i]->getAsSymbolNode();
                std::optional<double> v = args[i] ? Evaluate(args[i]->getAsTyped(), known) : std::nullopt;
                if (p != nullptr && v) inner[p->getId()] = *v;
                // In a loop on an input, a parameter given what changes per
                // turn changes too.
                if (p != nullptr && !v && varyingLoops_ > 0 && ReadsAny(args[i], changing_)) {
                    changing_.insert(p->getId());
                    changingKey += ' ' + std::to_string(p->getId());
                }
            }
            Function(callee->second, inner, depth + 1, changingKey);
        } else if (TIntermBinary* b = node->getAsBinaryNode()) {
            if (b->getOp() == glslang::EOpIndexIndirect && b->getLeft() != nullptr &&
                b->getLeft()->getType().getBasicType() == glslang::EbtSampler &&
                ReadsAtRunTime(b->getRight(), known, nullptr, &runTime_)) {
                // Direct3D 9 names each sampler in the instruction.
                Error(b->getLoc(), "a sampler array index the shader reads at run time",
                      "an index into samplers must be a literal expression");
            }
            Node(b->getLeft(), known, depth);
            Node(b->getRight(), known, depth);
        } else if (glslang::TIntermUnary* u = node->getAsUnaryNode()) {
            Node(u->getOperand(), known, depth);
        } else if (glslang::TIntermLoop* l = node->getAsLoopNode()) {
            bool input = false;
            const bool runTime = ReadsAtRunTime(l->getTest(), known, &input);
            // What the loop writes changes from one turn to the next; a local
            // or parameter its test reads and it does not write is its end.
            const std::set<long long> turns = ChangesPerTurn(l);
            const EndHeld held = EndHeldAtRunTime(l->getTest(), known, turns);
            if (!flowControl_ && (runTime || held != EndHeld::No)) {
                Error(l->getLoc(), "a loop that ends on what the shader reads at run time",
                      "it has no loop instructions: a loop must unroll");
            } else if (!flowControl_ && CounterAtRunTime(l, known, turns)) {
                Error(l->getLoc(), "a loop whose counter starts or steps by what the shader reads at run time",
                      "it has no loop instructions: a loop must unroll");
            } else if (staticLoopsOnly_ && (input || held == EndHeld::Input)) {
                Error(l->getLoc(), "a loop that ends on an input",
                      "its loops repeat a count the effect sets, and it has no break: a loop "
                      "must unroll or end on a uniform");
            }
            // [unroll] of a loop whose end such a local holds (stage 4 says
            // it of a test that names a uniform or an input itself).
            if (flowControl_ && !runTime && held != EndHeld::No && l->getUnroll() &&
                !IndexesByTurn(l, turns) && said_.insert({l->getLoc().line, l->getLoc().column}).second) {
                Message m = ErrorAt({l->getLoc().line, l->getLoc().column, ""},
                                    "[unroll] cannot unroll a loop whose test compares with what the "
                                    "shader reads at run time (give a count: [unroll(n)])");
                m.file = l->getLoc().name != nullptr ? l->getLoc().name->c_str() : "";
                errors_.Add(std::move(m));
            }
            // Such a loop stays a loop (loop or rep): nested in as many of
            // its kind as the profile's loop instructions nest, it is one
            // too many, as nothing else could unroll it.
            const bool kept = flowControl_ && (runTime || held != EndHeld::No);
            if (kept && loopDepth_ > 0 && keptLoops_ == loopDepth_) {
                Error(l->getLoc(),
                      "a loop that ends on what the shader reads at run time, nested in " +
                          std::to_string(keptLoops_) + (keptLoops_ == 1 ? " other," : " others,"),
                      loopDepth_ == 1 ? "its loop and rep instructions do not nest"
                                      : "its loop and rep instructions nest 4 deep");
            }
            // A pixel shader's loop that ends on an input turns a different
            // number of times in neighbouring pixels: a derivative of what
            // changes per turn needs the loop unrolled, which it cannot be.
            const bool varying = flowControl_ && !vertex_ && (input || held == EndHeld::Input) &&
                                 !IndexesByTurn(l, turns);
            std::set<long long> outer;
            if (varying) {
                outer = changing_;
                changing_.insert(turns.begin(), turns.end());
                ++varyingLoops_;
            }
            Node(l->getTest(), known, depth);
            if (kept) ++keptLoops_;
            Node(l->getBody(), known, depth);
            if (kept) --keptLoops_;
            Node(l->getTerminal(), known, depth);
            if (varying) {
                --varyingLoops_;
                changing_ = std::move(outer);
            }
        } else if (glslang::TIntermBranch* br = node->getAsBranchNode()) {
            Node(br->getExpression(), known, depth);
        } else if (glslang::TIntermSwitch* sw = node->getAsSwitchNode()) {
            Node(sw->getCondition(), known, depth);
            Node(sw->getBody(), known, depth);
        }
    }

    void Check(glslang::TIntermOperator* node) {
        const TOperator op = node->getOp();
        std::string what;
        const char* who = "";
        const bool gradient = IsGradient(op) && !gradients_;
        const bool level = IsExplicitLod(op) && !explicitLod_;
        if (!gradient && !level && !vertex_ && varyingLoops_ > 0 && TakesDerivatives(op) &&
            ReadsAny(node, changing_)) {
            const std::string read = WrittenRead(CallAt(text_, node->getLoc().line, node->getLoc().column));
            what = op == glslang::EOpDPdx   ? "'ddx'"
                   : op == glslang::EOpDPdy ? "'ddy'"
                   : op == glslang::EOpFwidth ? "'fwidth'"
                   : read.empty()             ? "a texture read with derivatives (tex2D, tex*proj, tex*bias)"
                                              : "'" + read + "'";
            Error(node->getLoc(), what + " in a loop that ends on an input",
                  "its derivatives need the loop unrolled, which a loop on an input cannot be: "
                  "read with tex*grad or tex*lod");
            return;
        }
        if (!gradient && !level && !(IsImplicitLod(op) && vertex_)) return;
        // Named as the user wrote it where the text at its place tells.
        const std::string read = WrittenRead(CallAt(text_, node->getLoc().line, node->getLoc().column));
        if (gradient) {
            what = op == glslang::EOpDPdx   ? "'ddx'"
                   : op == glslang::EOpDPdy ? "'ddy'"
                   : op == glslang::EOpFwidth ? "'fwidth'"
                   : read.empty()             ? "a texture read with gradients (tex*grad)"
                   : read.ends_with("grad")   ? "'" + read + "'"
                                              : "'" + read + "' with derivatives";
            who = "ps_2_a and ps_3_0 have it";
        } else if (level) {
            what = read.empty() ? "a texture read at a given level (tex*lod)" : "'" + read + "'";
            who = "ps_3_0 and vs_3_0 have it";
        } else {
            what = read.empty() ? "a texture read without a level (tex2D, tex*proj, tex*bias)"
                                : "'" + read + "'";
            who = "a vertex shader reads textures with tex*lod, in vs_3_0";
        }
        Error(node->getLoc(), what, who);
    }

    void Error(const glslang::TSourceLoc& loc, const std::string& what, const char* why) {
        if (!said_.insert({loc.line, loc.column}).second) return;
        std::string text = what;
        text += " is not available in ";
        text += profile_;
        text += " (";
        text += why;
        text += ')';
        Message m = ErrorAt({loc.line, loc.column, ""}, text);
        m.file = loc.name != nullptr ? loc.name->c_str() : "";
        errors_.Add(std::move(m));
    }

    // Whether an expression reads a uniform or an input (*input: an input;
    // the entry point's parameters are its inputs; another parameter or a
    // local may hold one too; those are given the benefit of the doubt, and
    // so is "i < 4 && i < n", which unrolls four times). A parameter the
    // call gives a constant is that constant, also one declared `uniform`
    // (a function's uniform parameter is an ordinary one once it is called).
    // With held (an index into samplers, which no unrolling makes a
    // literal), the parameters and locals that hold such a value count too.
    bool ReadsAtRunTime(TIntermNode* node, const Known& known, bool* input = nullptr,
                        const std::set<long long>* held = nullptr) const {
        struct Finder : glslang::TIntermTraverser {
            Finder(const Known& k, const std::set<long long>& i, const std::set<long long>* h)
                : known(k), inputs(i), held(h) {}
            const Known& known;
            const std::set<long long>& inputs;
            const std::set<long long>* held;
            bool found = false;
            bool input = false;
            bool bounded = false;
            void visitSymbol(glslang::TIntermSymbol* s) override {
                if (known.count(s->getId()) != 0) return;
                const glslang::TStorageQualifier q = s->getQualifier().storage;
                const bool in = q == glslang::EvqVaryingIn || inputs.count(s->getId()) != 0;
                found |= in || q == glslang::EvqUniform || q == glslang::EvqBuffer;
                found |= held != nullptr && held->count(s->getId()) != 0;
                input |= in;
            }
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                bounded |= b->getOp() == glslang::EOpLogicalAnd;
                return true;
            }
        } finder(known, inputs_, held);
        if (node != nullptr) node->traverse(&finder);
        if (input != nullptr) *input = finder.input && !finder.bounded;
        return finder.found && (held != nullptr || !finder.bounded);
    }

    // The locals (and parameters) some assignment gives what the shader
    // reads at run time ("int k = (int)uv.x;", "k += Offset"), into
    // runTime_, until no more are found.
    void HeldAtRunTime(TIntermNode* root) {
        struct Assignments : glslang::TIntermTraverser {
            explicit Assignments(const std::unordered_map<std::string, TIntermAggregate*>& f)
                : functions(f) {}
            const std::unordered_map<std::string, TIntermAggregate*>& functions;
            std::vector<std::pair<long long, TIntermNode*>> list;
            std::set<long long> writtenByCalls;
            // A call gives each parameter its argument (the entry point's
            // wrapper gives it the inputs).
            bool visitAggregate(glslang::TVisit, TIntermAggregate* a) override {
                if (a->getOp() != glslang::EOpFunctionCall) return true;
                auto callee = functions.find(a->getName().c_str());
                if (callee == functions.end()) return true;
                for (TIntermNode* n : callee->second->getSequence()) {
                    TIntermAggregate* params = n->getAsAggregate();
                    if (params == nullptr || params->getOp() != glslang::EOpParameters) continue;
                    const glslang::TIntermSequence& args = a->getSequence();
                    for (size_t i = 0; i < args.size() && i < params->getSequence().size(); ++i) {
                        glslang::TIntermSymbol* p = params->getSequence()[i]->getAsSymbolNode();
                        if (p == nullptr) continue;
                        list.emplace_back(p->getId(), args[i]);
                        // An out or inout argument is written by the call:
                        // what it holds after is the callee's to say.
                        const glslang::TStorageQualifier storage = p->getQualifier().storage;
                        if (storage != glslang::EvqOut && storage != glslang::EvqInOut) continue;
                        const long long id = WrittenVariable(args[i]);
                        if (id >= 0) writtenByCalls.insert(id);
                    }
                }
                return true;
            }
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                const TOperator op = b->getOp();
                const bool assigns = op == glslang::EOpAssign || op == glslang::EOpAddAssign ||
                                     op == glslang::EOpSubAssign || op == glslang::EOpMulAssign ||
                                     op == glslang::EOpDivAssign || op == glslang::EOpModAssign;
                const long long id = assigns ? WrittenVariable(b->getLeft()) : -1;
                if (id >= 0) list.emplace_back(id, b->getRight());
                return true;
            }
        } assignments(functions_);
        root->traverse(&assignments);
        for (bool more = true; more;) {
            more = false;
            for (const auto& [id, value] : assignments.list)
                if (runTime_.count(id) == 0 && ReadsAtRunTime(value, {}, nullptr, &runTime_))
                    more = runTime_.insert(id).second;
        }
        // A variable also given a value that is not read at run time (the
        // entry point's input it writes first: "t.x = 0.5;") is left alone
        // as a loop's end.
        for (const auto& [id, value] : assignments.list)
            if (!ReadsAtRunTime(value, {}, nullptr, &runTime_)) alsoSettled_.insert(id);
        // So is one an out or inout parameter may write ("setn(n);").
        alsoSettled_.insert(assignments.writtenByCalls.begin(), assignments.writtenByCalls.end());
        // Of those, the ones that hold an input's value.
        for (bool more = true; more;) {
            more = false;
            for (const auto& [id, value] : assignments.list) {
                if (inputHeld_.count(id) != 0) continue;
                bool input = false;
                ReadsAtRunTime(value, {}, &input);
                if (input || ReadsAny(value, inputHeld_)) more = inputHeld_.insert(id).second;
            }
        }
    }

    enum class EndHeld { No, RunTime, Input };

    // Whether a loop's test reads a local or parameter that holds what the
    // shader reads at run time (Input: an input's value) and that the loop
    // does not write: its end. "i < 4 && i < n" unrolls four times.
    EndHeld EndHeldAtRunTime(TIntermNode* test, const Known& known, const std::set<long long>& turns) const {
        struct Finder : glslang::TIntermTraverser {
            const Known* known = nullptr;
            const std::set<long long>* turns = nullptr;
            const std::set<long long>* runTime = nullptr;
            const std::set<long long>* inputs = nullptr;
            const std::set<long long>* settled = nullptr;
            bool runTimeEnd = false, inputEnd = false, bounded = false;
            void visitSymbol(glslang::TIntermSymbol* s) override {
                const long long id = s->getId();
                if (known->count(id) != 0 || turns->count(id) != 0 || settled->count(id) != 0) return;
                runTimeEnd |= runTime->count(id) != 0;
                inputEnd |= inputs->count(id) != 0;
            }
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                bounded |= b->getOp() == glslang::EOpLogicalAnd;
                return true;
            }
        } finder;
        finder.known = &known;
        finder.turns = &turns;
        finder.runTime = &runTime_;
        finder.inputs = &inputHeld_;
        finder.settled = &alsoSettled_;
        if (test != nullptr) test->traverse(&finder);
        if (finder.bounded) return EndHeld::No;
        return finder.inputEnd ? EndHeld::Input : finder.runTimeEnd ? EndHeld::RunTime : EndHeld::No;
    }

    // Whether what a loop's test compares and the loop changes (its
    // counter) starts at a value read at run time (given no other value
    // anywhere), or the loop steps it by one: no unrolling can count its
    // turns. "i < 4 && i < n" unrolls four times.
    bool CounterAtRunTime(glslang::TIntermLoop* loop, const Known& known, const std::set<long long>& turns) const {
        struct Finder : glslang::TIntermTraverser {
            std::set<long long> read;
            bool bounded = false;
            void visitSymbol(glslang::TIntermSymbol* s) override { read.insert(s->getId()); }
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                bounded |= b->getOp() == glslang::EOpLogicalAnd;
                return true;
            }
        } test;
        if (loop->getTest() == nullptr) return false;
        loop->getTest()->traverse(&test);
        if (test.bounded) return false;
        std::set<long long> counters;
        for (long long id : test.read)
            if (turns.count(id) != 0 && known.count(id) == 0) counters.insert(id);
        if (counters.empty()) return false;
        for (long long id : counters)
            if (runTime_.count(id) != 0 && alsoSettled_.count(id) == 0) return true;
        struct Steps : glslang::TIntermTraverser {
            const ProfileCheck* check = nullptr;
            const Known* known = nullptr;
            const std::set<long long>* counters = nullptr;
            bool found = false;
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                if (!b->modifiesState()) return true;
                if (counters->count(WrittenVariable(b->getLeft())) != 0 &&
                    check->ReadsAtRunTime(b->getRight(), *known, nullptr, &check->runTime_))
                    found = true;
                return true;
            }
        } steps;
        steps.check = this;
        steps.known = &known;
        steps.counters = &counters;
        if (loop->getBody() != nullptr) loop->getBody()->traverse(&steps);
        if (loop->getTerminal() != nullptr) loop->getTerminal()->traverse(&steps);
        return steps.found;
    }

    // The variables a loop changes from one turn to the next: those it
    // increments or assigns with an operator (i++, p += d), those it
    // assigns from themselves, and then those it assigns from any of these.
    static std::set<long long> ChangesPerTurn(glslang::TIntermLoop* loop) {
        struct Assignments : glslang::TIntermTraverser {
            std::vector<std::pair<long long, TIntermNode*>> list;  // value nullptr: it changes
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                if (!b->modifiesState()) return true;
                const long long id = WrittenVariable(b->getLeft());
                if (id >= 0) list.emplace_back(id, b->getOp() == glslang::EOpAssign ? b->getRight() : nullptr);
                return true;
            }
            bool visitUnary(glslang::TVisit, glslang::TIntermUnary* u) override {
                const long long id = u->modifiesState() ? WrittenVariable(u->getOperand()) : -1;
                if (id >= 0) list.emplace_back(id, nullptr);
                return true;
            }
            bool visitAggregate(glslang::TVisit, TIntermAggregate* a) override {
                // A call may write what it is given; count it as changed.
                if (a->getOp() == glslang::EOpFunctionCall || a->getOp() == glslang::EOpModf ||
                    a->getOp() == glslang::EOpFrexp) {
                    for (TIntermNode* arg : a->getSequence())
                        if (arg != nullptr && arg->getAsTyped() != nullptr &&
                            arg->getAsTyped()->getQualifier().storage != glslang::EvqConst) {
                            const long long id = WrittenVariable(arg);
                            if (id >= 0) list.emplace_back(id, nullptr);
                        }
                }
                return true;
            }
        } assignments;
        for (TIntermNode* n : {static_cast<TIntermNode*>(loop->getTest()), loop->getBody(),
                               static_cast<TIntermNode*>(loop->getTerminal())})
            if (n != nullptr) n->traverse(&assignments);
        std::set<long long> changes;
        for (const auto& [id, value] : assignments.list)
            if (value == nullptr || ReadsAny(value, {id})) changes.insert(id);
        for (bool more = true; more;) {
            more = false;
            for (const auto& [id, value] : assignments.list)
                if (changes.count(id) == 0 && value != nullptr && ReadsAny(value, changes))
                    more = changes.insert(id).second;
        }
        return changes;
    }

    // Whether a loop indexes an array by what changes per turn: the
    // array's size may bound it, so it may unroll after all.
    static bool IndexesByTurn(glslang::TIntermLoop* loop, const std::set<long long>& turns) {
        struct Finder : glslang::TIntermTraverser {
            const std::set<long long>* turns = nullptr;
            bool found = false;
            bool visitBinary(glslang::TVisit, TIntermBinary* b) override {
                if (b->getOp() == glslang::EOpIndexIndirect && b->getLeft() != nullptr &&
                    b->getLeft()->getType().isArray() && ReadsAny(b->getRight(), *turns))
                    found = true;
                return true;
            }
        } finder;
        finder.turns = &turns;
        if (loop->getBody() != nullptr) loop->getBody()->traverse(&finder);
        return finder.found;
    }

    // Whether an expression reads one of the variables.
    static bool ReadsAny(TIntermNode* node, const std::set<long long>& ids) {
        struct Finder : glslang::TIntermTraverser {
            const std::set<long long>* ids = nullptr;
            bool found = false;
            void visitSymbol(glslang::TIntermSymbol* s) override { found |= ids->count(s->getId()) != 0; }
        } finder;
        finder.ids = &ids;
        if (node != nullptr && !ids.empty()) node->traverse(&finder);
        return finder.found;
    }

    // The value of a scalar expression that constants and known parameters
    // decide; nothing for any other.
    std::optional<double> Evaluate(TIntermTyped* node, const Known& known) const {
        if (node == nullptr || node->getType().computeNumComponents() != 1) return std::nullopt;
        if (glslang::TIntermConstantUnion* c = node->getAsConstantUnion()) {
            const glslang::TConstUnion& v = c->getConstArray()[0];
            switch (v.getType()) {
                case glslang::EbtInt: return v.getIConst();
                case glslang::EbtUint: return v.getUConst();
                case glslang::EbtBool: return v.getBConst() ? 1.0 : 0.0;
                case glslang::EbtFloat:
                case glslang::EbtDouble: return v.getDConst();
                default: return std::nullopt;
            }
        }
        if (glslang::TIntermSymbol* s = node->getAsSymbolNode()) {
            auto it = known.find(s->getId());
            return it != known.end() ? std::optional<double>(it->second) : std::nullopt;
        }
        if (glslang::TIntermUnary* u = node->getAsUnaryNode()) {
            std::optional<double> a = Evaluate(u->getOperand(), known);
            if (!a) return std::nullopt;
            const TOperator op = u->getOp();
            if (op == glslang::EOpLogicalNot) return *a == 0 ? 1.0 : 0.0;
            if (op == glslang::EOpNegative) return -*a;
            if (op < glslang::EOpConvInt8ToBool || op > glslang::EOpConvDoubleToFloat) return std::nullopt;
            const glslang::TBasicType to = u->getType().getBasicType();
            if (to == glslang::EbtBool) return *a != 0 ? 1.0 : 0.0;
            if (to == glslang::EbtInt || to == glslang::EbtUint) return std::trunc(*a);
            return *a;
        }
        TIntermBinary* b = node->getAsBinaryNode();
        if (b == nullptr) return std::nullopt;
        std::optional<double> l = Evaluate(b->getLeft(), known), r = Evaluate(b->getRight(), known);
        if (!l || !r) return std::nullopt;
        switch (b->getOp()) {
            case glslang::EOpAdd: return *l + *r;
            case glslang::EOpSub: return *l - *r;
            case glslang::EOpMul: return *l * *r;
            case glslang::EOpLessThan: return *l < *r ? 1.0 : 0.0;
            case glslang::EOpGreaterThan: return *l > *r ? 1.0 : 0.0;
            case glslang::EOpLessThanEqual: return *l <= *r ? 1.0 : 0.0;
            case glslang::EOpGreaterThanEqual: return *l >= *r ? 1.0 : 0.0;
            case glslang::EOpEqual: return *l == *r ? 1.0 : 0.0;
            case glslang::EOpNotEqual: return *l != *r ? 1.0 : 0.0;
            case glslang::EOpLogicalAnd: return *l != 0 && *r != 0 ? 1.0 : 0.0;
            case glslang::EOpLogicalOr: return *l != 0 || *r != 0 ? 1.0 : 0.0;
            default: return std::nullopt;
        }
    }

    std::string profile_;
    bool vertex_ = false;
    std::string_view text_;  // what glslang was given
    bool gradients_ = false;
    bool explicitLod_ = false;
    bool flowControl_ = true;
    int loopDepth_ = 0;  // how deep its loop instructions nest (0: no limit)
    int keptLoops_ = 0;  // the loops that stay loops around the node
    bool staticLoopsOnly_ = false;
    std::set<long long> inputs_;  // parameters given an input as it came in
    MessageSink& errors_;
    std::unordered_map<std::string, TIntermAggregate*> functions_;
    std::set<std::string> visited_;  // function and what its parameters hold
    std::set<long long> runTime_;     // symbols that hold what the shader reads
    std::set<long long> alsoSettled_; // given a value not read at run time somewhere too
    std::set<long long> inputHeld_;   // of those, the ones an input's value reaches
    std::set<long long> changing_;    // what changes per turn of the loops on an input around
    int varyingLoops_ = 0;            // the loops on an input around the node
    std::set<std::pair<int, int>> said_;
};

}  // namespace

void CheckProfile(glslang::TIntermediate& tree, const std::string& profile, bool vertex,
                  std::string_view text, MessageSink& errors) {
    // A profile this does not know (a test's empty one) is not checked.
    if (profile.rfind("vs_", 0) != 0 && profile.rfind("ps_", 0) != 0) return;
    ProfileCheck(profile, vertex, text, errors).Run(tree);
}

}  // namespace fx
