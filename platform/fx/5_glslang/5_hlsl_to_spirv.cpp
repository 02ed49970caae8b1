// Stage 5: HLSL to SPIR-V with glslang (see 5_hlsl_to_spirv.h).
//
// Implemented: [x] vertex and pixel shaders, DX9 compatibility mode, semantics
//                  as UserSemantic decorations, SPIR-V 1.0 for OpenGL 4.5
//              [x] glslang's messages as lines and columns (glslang gives
//                  lines only; the column is where the quoted token is),
//                  through the map to the user's files
// Not implemented: shader model 4 and later stages, optimisation.
//
// Trap: glslang 12 crashes on some inputs; the child process
// (compiler_child.cpp) is what keeps that away from the program.
#include "platform/fx/5_glslang/5_message_words.h"
#include "platform/fx/5_glslang/5_hlsl_to_spirv.h"

#include "platform/fx/5_glslang/5_instruction_slots.h"
#include "platform/fx/5_glslang/5_counted_limits.h"
#include "platform/fx/5_glslang/5_passes.h"
#include "platform/fx/5_glslang/5_tree.h"
#include "platform/fx/5_glslang/5_text_rewrites.h"
#include "platform/fx/shared/made_names.h"
#include "platform/fx/shared/text_edits.h"

#include <glslang/MachineIndependent/localintermediate.h>
#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>

namespace fx {
namespace {

void EnsureGlslang() {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
}

std::string_view LineOf(const std::string& source, int line) {
    size_t start = 0;
    for (int n = 1; n < line; ++n) {
        size_t end = source.find('\n', start);
        if (end == std::string::npos) return {};
        start = end + 1;
    }
    size_t end = source.find('\n', start);
    if (end == std::string::npos) end = source.size();
    return std::string_view(source).substr(start, end - start);
}

// glslang reports lines only. Its messages start with the offending token in
// quotes; where that token appears on the line, its column is the best guess.
int GuessColumn(const std::string& source, int line, const std::string& text) {
    // A condition that is no scalar: the place is the condition, after the
    // bracket of the line's if, while or for.
    if (text.rfind("'conditional expression'", 0) == 0) {
        const std::string_view l = LineOf(source, line);
        for (std::string_view word : {"if", "while", "for"}) {
            for (size_t at = l.find(word); at != std::string_view::npos; at = l.find(word, at + 1)) {
                const size_t end = at + word.size();
                auto wordChar = [](char c) {
                    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
                };
                if ((at > 0 && wordChar(l[at - 1])) || (end < l.size() && wordChar(l[end]))) continue;
                const size_t open = l.find_first_not_of(" \t", end);
                if (open == std::string_view::npos || l[open] != '(') continue;
                const size_t first = l.find_first_not_of(" \t", open + 1);
                return static_cast<int>(first == std::string_view::npos ? open : first) + 1;
            }
        }
    }
    if (text.size() > 2 && text[0] == '\'') {
        size_t close = text.find('\'', 1);
        if (close != std::string::npos && close > 1) {
            std::string token = text.substr(1, close - 1);
            size_t at = LineOf(source, line).find(token);
            if (at != std::string_view::npos) return static_cast<int>(at) + 1;
        }
    }
    return 1;
}

// glslang finds a missing ';' at the token after the statement, often the
// first of a later line. When the text before that line ends a statement's
// last token (not ';', '{' or '}'), the place is just after that token, as
// a C compiler says it; otherwise line and column stay.
void AfterStatement(const std::string& source, int* line, int* column) {
    std::vector<std::string_view> before;  // the lines before *line
    for (size_t start = 0; static_cast<int>(before.size()) + 1 < *line;) {
        const size_t end = source.find('\n', start);
        if (end == std::string::npos) return;
        before.push_back(std::string_view(source).substr(start, end - start));
        start = end + 1;
    }
    // Back over blank lines and #pragma lines to the last character of code.
    for (size_t n = before.size(); n-- > 0;) {
        const std::string_view text = before[n];
        const size_t first = text.find_first_not_of(" \t\r");
        if (first == std::string_view::npos || text[first] == '#') continue;
        const size_t last = text.find_last_not_of(" \t\r");
        if (text[last] == ';' || text[last] == '{' || text[last] == '}') return;
        *line = static_cast<int>(n) + 1;
        *column = static_cast<int>(last) + 2;
        return;
    }
}

// Lines glslang adds after its first located error, about the same mistake:
// the grammar's summary, an expression that failed because a name in it is
// unknown, and what its parser expected next or could not build on the
// line of an error already said ("';': Expected" after an out-of-range
// swizzle; a value of an unknown name, converted), or with no place at all.
bool IsFollowOn(const Message& m, const std::vector<Message>& before) {
    const bool located = std::any_of(before.begin(), before.end(),
                                     [](const Message& b) { return b.IsError() && b.line > 0; });
    if (!located) return false;
    const std::string& text = m.text;
    if (text == "'declaration': Expected" || text == "HLSL parsing failed.") return true;
    auto endsWith = [&](std::string_view tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    const bool sameLine = std::any_of(before.begin(), before.end(), [&](const Message& b) {
        return b.IsError() && b.line > 0 && b.line == m.line && b.file == m.file;
    });
    const bool aftermath = endsWith("': Expected") || endsWith("cannot construct with these arguments") ||
                           text == "'constructor': can't convert" ||
                           text == "Could not perform requested binary operation" ||
                           text == "could not create assignment" ||
                           text.find("cannot convert from ' temp void'") != std::string::npos ||
                           endsWith("': can't find function");
    if (aftermath && (sameLine || m.line == 0)) return true;
    return text == "Could not perform requested binary operation" &&
           std::any_of(before.begin(), before.end(), [](const Message& b) {
               return b.text.size() > 18 &&
                      b.text.compare(b.text.size() - 18, 18, ": unknown variable") == 0;
           });
}

// Intrinsics glslang computes otherwise than Direct3D 9, given to it as
// functions of ours ahead of the shader's text (its lines and columns stay),
// each only where the text names it:
// - lit's specular term is n_dot_h to the power m (glslang multiplies);
// - sign gives ints; faceforward is -n * sign(dot(i, ng)), 0 at right
//   angles (glslang gives -n);
// - modf, frexp and sincos writing into an int, uint or bool variable
//   convert what they write as a function of the shader does (glslang's
//   lose the value);
// - fmod of constants is computed at run time, where it truncates (glslang
//   folds it floored): a zero glslang cannot fold keeps it from folding
//   (only where some fmod has nothing but literals and constants).
// (A shader that defines a function of that name keeps its own.)
bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// 0: the text does not name word; 1: it calls it; 2: it declares a function
// of that name ("float4 lit(" rather than "= lit(" or "return lit(").
int Names(const std::string& text, const std::string& word) {
    int found = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t end = at + word.size();
        if ((at > 0 && IsWordChar(text[at - 1])) || (end < text.size() && IsWordChar(text[end])))
            continue;
        found = std::max(found, 1);
        size_t p = text.find_first_not_of(" \t", end);
        if (p == std::string::npos || text[p] != '(') continue;
        size_t q = at;
        while (q > 0 && (text[q - 1] == ' ' || text[q - 1] == '\t')) --q;
        size_t w = q;
        while (w > 0 && IsWordChar(text[w - 1])) --w;
        if (w < q && text.compare(w, q - w, "return") != 0) return 2;
    }
    return found;
}

// Whether name is declared const with a value ("const float k = ...").
bool IsConstant(const std::string& text, const std::string& name) {
    for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const size_t end = at + name.size();
        if ((at > 0 && IsWordChar(text[at - 1])) || (end < text.size() && IsWordChar(text[end])))
            continue;
        const size_t eq = text.find_first_not_of(" \t", end);
        if (eq == std::string::npos || text[eq] != '=' || text.compare(eq, 2, "==") == 0) continue;
        const size_t lineStart = text.rfind('\n', at);
        const size_t from = lineStart == std::string::npos ? 0 : lineStart;
        const size_t c = text.find("const", from);
        if (c != std::string::npos && c < at) return true;
    }
    return false;
}

// "float", "int2", "half3x3": a scalar, vector or matrix type that
// constructs a value from constants.
bool IsConstructorName(std::string_view name) {
    for (std::string_view base : {"float", "int", "uint", "half", "double", "bool", "dword"}) {
        if (!name.starts_with(base)) continue;
        const std::string_view rest = name.substr(base.size());
        auto dim = [](char c) { return c >= '1' && c <= '4'; };
        return rest.empty() || (rest.size() == 1 && dim(rest[0])) ||
               (rest.size() == 3 && dim(rest[0]) && rest[1] == 'x' && dim(rest[2]));
    }
    return false;
}

// Whether some fmod call's arguments are all literals and constants, which
// glslang would fold.
bool FoldsFmod(const std::string& text) {
    for (size_t at = text.find("fmod"); at != std::string::npos; at = text.find("fmod", at + 1)) {
        if ((at > 0 && IsWordChar(text[at - 1])) || (at + 4 < text.size() && IsWordChar(text[at + 4])))
            continue;
        size_t p = text.find_first_not_of(" \t", at + 4);
        if (p == std::string::npos || text[p] != '(') continue;
        bool constant = true;
        int depth = 0;
        for (size_t i = p; i < text.size() && constant; ++i) {
            const char c = text[i];
            if (c == '(') ++depth;
            if (c == ')' && --depth == 0) break;
            if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') {
                while (i + 1 < text.size() && (IsWordChar(text[i + 1]) || text[i + 1] == '.')) ++i;
            } else if (IsWordChar(c)) {
                size_t e = i;
                while (e < text.size() && IsWordChar(text[e])) ++e;
                const std::string name = text.substr(i, e - i);
                // A swizzle, a constructor of constants ("float2(1, -4.5).y")
                // and a named constant are constants too.
                const bool swizzle = i > 0 && text[i - 1] == '.';
                constant = swizzle || IsConstructorName(name) || IsConstant(text, name);
                i = e - 1;
            }
        }
        if (constant) return true;
    }
    return false;
}

std::string Preamble(const StageSource& source) {
    auto names = [&](const char* word) {
        const int n = Names(source.hlsl, word);
        if (n != 1 || std::string(word) != "fmod") return n == 1;
        return FoldsFmod(source.hlsl);
    };
    std::string preamble;
    if (names("lit")) {
        preamble +=
            "float4 fx_lit_(float n_dot_l, float n_dot_h, float m) {\n"
            "    return float4(1, max(n_dot_l, 0),\n"
            "                  (n_dot_l < 0 || n_dot_h < 0) ? 0 : pow(n_dot_h, m), 1);\n"
            "}\n"
            "#define lit(n_dot_l, n_dot_h, m) fx_lit_(n_dot_l, n_dot_h, m)\n";
    }
    if (names("sign")) {
        // sign gives ints (its values are the same; a division by it then
        // truncates); matrices keep glslang's.
        for (const char* n : {"", "2", "3", "4"}) {
            preamble += std::string("int") + n + " fx_sign_(float" + n + " x) { return (int" + n +
                        ")sign(x); }\n";
            preamble += std::string("int") + n + " fx_sign_(int" + n + " x) { return (int" + n +
                        ")sign((float" + n + ")x); }\n";
        }
        for (const char* m : {"2x2", "2x3", "2x4", "3x2", "3x3", "3x4", "4x2", "4x3", "4x4"})
            preamble += std::string("float") + m + " fx_sign_(float" + m + " x) { return sign(x); }\n";
        preamble += "#define sign(x) fx_sign_(x)\n";
    }
    if (names("faceforward")) {
        // -n * sign(dot(i, ng)): 0 where i and ng are at right angles.
        for (const char* n : {"2", "3", "4"}) {
            const std::string t = std::string("float") + n;
            preamble += t + " fx_faceforward_(" + t + " n, " + t + " i, " + t +
                        " ng) { return -n * sign(dot(i, ng)); }\n";
        }
        preamble += "#define faceforward(n, i, ng) fx_faceforward_(n, i, ng)\n";
    }
    // modf, frexp and sincos writing into a variable that is not a float
    // (4_intrinsic_overloads renames those calls): functions of floats, so
    // that glslang converts an int, uint or half argument on the way in and
    // what they write on the way out, as for any function of the shader
    // (glslang's own lose an int's value, or fail).
    static constexpr const char* kShapes[] = {"",    "2",   "3",   "4",   "2x2", "2x3", "2x4",
                                              "3x2", "3x3", "3x4", "4x2", "4x3", "4x4"};
    for (const char* f : {"modf", "frexp"}) {
        if (Names(source.hlsl, std::string("fx_") + f + "_") == 0) continue;
        for (const char* n : kShapes) {
            const std::string t = std::string("float") + n;
            preamble += t + " fx_" + f + "_(" + t + " x, out " + t + " o) { return " + f +
                        "(x, o); }\n";
        }
    }
    if (Names(source.hlsl, "fx_sincos_") != 0) {
        for (const char* n : kShapes) {
            const std::string t = std::string("float") + n;
            preamble += "void fx_sincos_(" + t + " x, out " + t + " s, out " + t +
                        " c) { sincos(x, s, c); }\n";
        }
    }
    if (source.hlsl.find(kUnfoldedIntZero) != std::string::npos) {
        preamble += std::string("static int ") + kUnfoldedIntZero + " = 0;\n";
    }
    if (source.hlsl.find(kUnfoldedUintZero) != std::string::npos) {
        preamble += std::string("static uint ") + kUnfoldedUintZero + " = 0;\n";
    }
    if (names("fmod")) {
        const std::string zero = kUnfoldedZero;
        preamble += "static float " + zero + " = 0;\n#define fmod(x, y) fmod((x) + " + zero + ", y)\n";
    } else if (source.hlsl.find(kUnfoldedZero) != std::string::npos) {
        // any / all of a matrix (4_intrinsic_overloads).
        preamble += "static float " + std::string(kUnfoldedZero) + " = 0;\n";
    }
    return preamble;
}

// Our names for the preamble's functions and the rewrites' names
// (made_names.h) back to the user's.
void UserNames(std::string* text) {
    SayUserNames(text);
    for (const char* user : {"lit", "sign", "faceforward", "modf", "frexp", "sincos"}) {
        const std::string ours = std::string("fx_") + user + "_";
        TextEdits edits;
        for (size_t at = text->find(ours); at != std::string::npos;
             at = text->find(ours, at + ours.size())) {
            edits.Replace(at, ours.size(), user);
        }
        if (!edits.empty()) *text = edits.Apply(*text);
    }
}

// "ERROR: " / "WARNING: " ... -> the severity, prefix removed.
Severity TakeSeverity(std::string* line) {
    static const struct {
        const char* prefix;
        Severity severity;
    } kPrefixes[] = {{"INTERNAL ERROR: ", Severity::Error},
                     {"UNIMPLEMENTED: ", Severity::Error},
                     {"ERROR: ", Severity::Error},
                     {"WARNING: ", Severity::Warning},
                     {"NOTE: ", Severity::Warning}};
    for (const auto& p : kPrefixes) {
        if (line->rfind(p.prefix, 0) == 0) {
            line->erase(0, std::strlen(p.prefix));
            return p.severity;
        }
    }
    return Severity::Error;
}

// "STRING:LINE: rest" where either number may be '?': the line number, the
// prefix removed.
int TakeLocation(std::string* line) {
    size_t colon1 = line->find(':');
    size_t colon2 = colon1 == std::string::npos ? colon1 : line->find(':', colon1 + 1);
    if (colon2 == std::string::npos || colon1 == 0 || colon2 <= colon1 + 1) return 0;
    std::string name = line->substr(0, colon1);
    std::string num = line->substr(colon1 + 1, colon2 - colon1 - 1);
    bool fileOk = name == "?" || std::all_of(name.begin(), name.end(), ::isdigit);
    bool numOk = num == "?" || std::all_of(num.begin(), num.end(), ::isdigit);
    if (!fileOk || !numOk) return 0;
    line->erase(0, colon2 + 1);
    while (!line->empty() && line->front() == ' ') line->erase(0, 1);
    return num != "?" ? std::atoi(num.c_str()) : 0;
}

// One line of glslang's log as a message in the user's file; false for
// lines that say nothing (summaries).
bool TranslateLogLine(std::string line, const StageSource& source, Message* m) {
    m->severity = TakeSeverity(&line);
    if (line.find("compilation errors.") != std::string::npos ||
        line.find("compilation warnings.") != std::string::npos) {
        return false;
    }
    int lineNo = TakeLocation(&line);
    // "'x' : message" reads better as "'x': message", and "'' : message"
    // as the message alone.
    size_t sep = line.find("' : ");
    if (!line.empty() && line[0] == '\'' && sep != std::string::npos) line.erase(sep + 1, 1);
    if (line.rfind("'': ", 0) == 0) line.erase(0, 4);
    UserNames(&line);

    int column = lineNo > 0 ? GuessColumn(source.hlsl, lineNo, line) : 0;
    // The HLSL grammar's own summary carries a real column:
    // "(3): error at column 39, HLSL parsing failed."
    int l = 0, c = 0, used = 0;
    if (lineNo == 0 &&
        std::sscanf(line.c_str(), "(%d): error at column %d, %n", &l, &c, &used) == 2 && used > 0) {
        lineNo = l;
        column = c;
        line.erase(0, static_cast<size_t>(used));
    }
    m->entry = source.entry;
    // glslang only warns about a missing entry point and then compiles an
    // empty shader; that is an error here, at the compile statement.
    if (line.find("Entry point not found") != std::string::npos) {
        *m = ErrorAt(source.compileStatement, "entry point '" + source.entry + "' not found");
        m->entry = source.entry;
        return true;
    }
    if (line == "';': Expected" && lineNo > 0) AfterStatement(source.hlsl, &lineNo, &column);
    m->line = lineNo;
    m->column = column;
    m->text = InHlslWords(std::move(line));
    source.map.ToUser(m);
    return true;
}

// "ERROR: 0:12: 'x' : undeclared identifier" -> a message at line 12.
// history: the stage's lines so far, what a later line may follow on from.
void TranslateInfoLog(const std::string& log, const StageSource& source,
                      std::vector<Message>* history, MessageSink& messages) {
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::string line = log.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        Message m;
        if (!TranslateLogLine(std::move(line), source, &m)) continue;
        // One mistake, one line.
        if (IsFollowOn(m, *history)) continue;
        history->push_back(m);
        messages.Add(std::move(m));
    }
}

// "Struct.member" for every bool member of the struct types in type.
void CollectBoolMembers(const glslang::TType& type, std::vector<std::string>* out) {
    const glslang::TTypeList* members = type.isStruct() ? type.getStruct() : nullptr;
    if (!members) return;
    const std::string owner = type.getTypeName().c_str();
    for (const glslang::TTypeLoc& member : *members) {
        const std::string key = owner + "." + member.type->getFieldName().c_str();
        if (member.type->getBasicType() == glslang::EbtBool &&
            std::find(out->begin(), out->end(), key) == out->end()) {
            out->push_back(key);
        }
        CollectBoolMembers(*member.type, out);
    }
}

// The $Global block's members as the tree has them: which named a register,
// where each is declared, which are bools (the SPIR-V says uint).
void DescribeGlobals(const glslang::TShader& shader, const StageSource& source,
                     GlobalsDescription* out) {
    const glslang::TIntermediate* im = shader.getIntermediate();
    if (!im || !im->getTreeRoot()) return;
    glslang::TIntermAggregate* root = im->getTreeRoot()->getAsAggregate();
    if (!root) return;
    for (TIntermNode* node : root->getSequence()) {
        glslang::TIntermAggregate* objects = node->getAsAggregate();
        if (!objects || objects->getOp() != glslang::EOpLinkerObjects) continue;
        for (TIntermNode* object : objects->getSequence()) {
            glslang::TIntermSymbol* symbol = object->getAsSymbolNode();
            // The block itself is anonymous; its type carries the name.
            if (!symbol || !symbol->getType().isStruct() ||
                symbol->getType().getTypeName() != "$Global") {
                continue;
            }
            CollectBoolMembers(symbol->getType(), &out->boolMembers);
            for (const glslang::TTypeLoc& member : *symbol->getType().getStruct()) {
                GlobalInfo info;
                info.name = member.type->getFieldName().c_str();
                // A global the code writes to has its parameter under another name.
                const std::string suffix = kWrittenSuffix;
                if (info.name.size() > suffix.size() &&
                    info.name.compare(info.name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                    info.name.resize(info.name.size() - suffix.size());
                }
                const glslang::TQualifier& q = member.type->getQualifier();
                if (q.hasOffset()) {
                    info.explicitRegister = q.layoutOffset / 16;
                    info.explicitComponent = q.layoutOffset % 16 / 4;
                }
                Message m = WarningAt({member.loc.line, member.loc.column, ""}, "");
                source.map.ToUser(&m);
                info.pos = {m.line, m.column, m.file};
                out->globals.push_back(std::move(info));
            }
        }
    }
}

constexpr auto kMessages =
    static_cast<EShMessages>(EShMsgSpvRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible);

// SPIR-V from a linked program; false (with a message) for what glslang
// cannot translate.
bool GenerateSpirv(glslang::TProgram& program, EShLanguage language, const StageSource& source,
                   SpirvModule* module, MessageSink& messages) {
    spv::SpvBuildLogger logger;
    glslang::SpvOptions options;
    glslang::GlslangToSpv(*program.getIntermediate(language), module->words, &logger, &options);
    std::string spvLog = logger.getAllMessages();
    if (spvLog.find("Missing functionality") == std::string::npos) return true;
    while (!spvLog.empty() && spvLog.back() == '\n') spvLog.pop_back();
    for (char& c : spvLog) {
        if (c == '\n') c = ';';
    }
    // SPIR-V carries no lines: the shader's compile statement is the place.
    Message m = ErrorAt(source.compileStatement,
                        "glslang cannot translate this shader to SPIR-V (" + spvLog +
                            "); rewrite the construct it names");
    m.entry = source.entry;
    messages.Add(std::move(m));
    return false;
}

// Refuses a shader of a shader model 2 profile that certainly
// has more texture reads, reads more deeply dependent, or more arithmetic
// than its profile takes.
bool CheckCountedLimits(const StageSource& source, const SpirvModule& module,
                        MessageSink& messages) {
    const CountedLimits limits = CountedLimitsOf(source.profile);
    CountedFigures figures;
    if (!MeasureCounted(module.words, module.slots, limits, &figures)) return true;
    const std::string& profile = source.profile;
    std::string problem;
    if (limits.reads > 0 && figures.reads > limits.reads) {
        problem = "too many texture reads: " + std::to_string(figures.reads) + ", " + profile +
                  " takes at most " + std::to_string(limits.reads);
    } else if (limits.order >= 0 && figures.order > limits.order) {
        problem = "texture reads dependent " + std::to_string(figures.order + 1) +
                  " levels deep, " + profile + " takes at most " +
                  std::to_string(limits.order + 1) +
                  " (a read at an input's texture coordinates is level 1, at computed ones "
                  "level 2, at ones made from a level n read's result level n + 1)";
    } else if (limits.arithmetic > 0 && figures.arithmetic > limits.arithmetic) {
        problem = "too many arithmetic instructions: at least " +
                  std::to_string(figures.arithmetic) + ", " + profile + " takes at most " +
                  std::to_string(limits.arithmetic);
    } else if (limits.slots > 0 && figures.arithmetic + figures.reads > limits.slots) {
        problem = "too many instructions: at least " +
                  std::to_string(figures.arithmetic + figures.reads) + ", " + profile +
                  " takes at most " + std::to_string(limits.slots);
    } else {
        return true;
    }
    Message m = ErrorAt(source.compileStatement, problem);
    m.entry = source.entry;
    messages.Add(std::move(m));
    return false;
}

// Refuses a shader far beyond what its profile can hold, before the GL
// driver spends seconds or minutes on it.
bool CheckSize(const StageSource& source, SpirvModule* module, MessageSink& messages) {
    module->slots = EstimateInstructionSlots(module->words);
    const int64_t bound = InstructionSlotBound(source.profile);
    if (bound == 0 || module->slots <= bound) return CheckCountedLimits(source, *module, messages);
    Message m = ErrorAt(source.compileStatement,
                        "shader too large: about " + std::to_string(module->slots) +
                            " instruction slots, far more than " + source.profile +
                            " can hold (more than " + std::to_string(bound) + " is refused)");
    m.entry = source.entry;
    messages.Add(std::move(m));
    return false;
}

}  // namespace

bool HlslToSpirv(const StageSource& given, SpirvModule* module, MessageSink& messages,
                 std::string_view lastTreePass) {
    EnsureGlslang();
    // The text as glslang takes it, and the map back from that.
    std::vector<TextMove> moves;
    std::string hlsl = RewriteText(given, &moves);
    StageSource copy;
    const bool rewritten = hlsl != given.hlsl;
    if (rewritten) {
        copy = given;
        copy.hlsl = std::move(hlsl);
        MoveMap(&copy.map, moves);
    }
    const StageSource& source = rewritten ? copy : given;
    EShLanguage language = source.stage == ShaderStage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(language);
    const char* text = source.hlsl.c_str();
    const int length = static_cast<int>(source.hlsl.size());
    shader.setStringsWithLengths(&text, &length, 1);
    const std::string preamble = Preamble(source);
    shader.setPreamble(preamble.c_str());
    shader.setEntryPoint(source.entry.c_str());
    shader.setEnvInput(glslang::EShSourceHlsl, language, glslang::EShClientOpenGL, 100);
    shader.setEnvClient(glslang::EShClientOpenGL, glslang::EShTargetOpenGL_450);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();

    // Stage 4's text has no #include left.
    glslang::TShader::ForbidIncluder includer;
    bool parsed = shader.parse(GetDefaultResources(), 100, false, kMessages, includer);
    std::vector<Message> log;
    TranslateInfoLog(shader.getInfoLog(), source, &log, messages);
    if (!parsed) return false;
    DescribeGlobals(shader, source, &module->globals);
    module->globals.majorities = source.majorities;
    module->globals.written = source.written;
    module->samplerAliases = source.samplerAliases;
    module->globals.defaults = source.defaults;

    // The tree's places are in the text glslang was given: mapped to the
    // user's before they are said.
    std::vector<Message> found;
    MessageCollector collect(&found);
    auto say = [&] {
        for (Message& m : found) {
            source.map.ToUser(&m);
            m.entry = source.entry;
            messages.Add(std::move(m));
        }
        return found.empty();
    };
    TreeState unlinked{*shader.getIntermediate(), source, collect};
    RunTreePasses(unlinked, lastTreePass, true);
    if (!say()) return false;

    glslang::TProgram program;
    program.addShader(&shader);
    bool linked = program.link(kMessages);
    const size_t errors = messages.ErrorCount();
    TranslateInfoLog(program.getInfoLog(), source, &log, messages);
    if (!linked || messages.ErrorCount() != errors) return false;
    glslang::TIntermediate& tree = *program.getIntermediate(language);
    TreeState state{tree, source, collect};
    RunTreePasses(state, lastTreePass, false);
    if (!say()) return false;
    if (!GenerateSpirv(program, language, source, module, messages)) return false;
    if (!CheckSize(source, module, messages)) return false;
    module->stage = source.stage;
    module->entry = source.entry;
    module->profile = source.profile;
    module->compileStatement = source.compileStatement;
    return true;
}

void WarmUpGlslang() {
    static std::once_flag once;
    std::call_once(once, [] {
        StageSource source;
        source.hlsl =
            "float4 vs_main(float4 p : POSITION) : POSITION { return p; }\n"
            "float4 ps_main() : COLOR0 { return 0; }\n";
        std::vector<Message> ignored;
        MessageCollector sink(&ignored);
        SpirvModule module;
        source.entry = "vs_main";
        HlslToSpirv(source, &module, sink);
        source.stage = ShaderStage::Pixel;
        source.entry = "ps_main";
        HlslToSpirv(source, &module, sink);
    });
}

}  // namespace fx
