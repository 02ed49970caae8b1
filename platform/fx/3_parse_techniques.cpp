// Stage 3, techniques: technique and pass blocks, the render states a pass
// sets, and its compile statements ("VertexShader = compile vs_3_0 VS(1);",
// "= null", or a shader variable). Each block is blanked from the HLSL once
// read; inside it, the preprocessor reports directives it cannot evaluate.
#include "platform/fx/3_parser.h"

namespace fx {

void Parser::ParseTechnique(const Token& keyword) {
    pp_.EnterTechnique(Describe("technique", ""));
    size_t conditionals = pp_.OpenConditionals();
    ParseTechniqueBlock(keyword, conditionals);
    pp_.LeaveTechnique();
}

void Parser::ParseTechniqueBlock(const Token& keyword, size_t conditionals) {
    TechniqueDesc tech;
    tech.pos = Pos(keyword.begin);
    Token t = Next();
    if (t.kind == Tok::Ident) {
        tech.name = std::string(Text(t));
        pp_.EnterTechnique(Describe("technique", tech.name));
        t = Next();
    }
    if (IsPunct(t, '<')) {
        ParseAnnotation(t);
        t = Next();
    }
    std::string what = Describe("technique", tech.name);
    if (t.kind == Tok::End) {
        UnexpectedEnd(t.begin, what, keyword.begin);
        return;
    }
    if (!IsPunct(t, '{')) {
        Error(t.begin, "expected '{' after " + what + ", found " + Quote(Text(t)));
        Blank(keyword.begin, t.begin);
        PutBack(t);
        return;
    }

    for (;;) {
        t = Next();
        if (t.kind == Tok::End) {
            UnexpectedEnd(t.begin, what, keyword.begin);
            return;
        }
        if (IsPunct(t, '}')) break;
        if (IsPunct(t, ';')) continue;
        if (t.kind == Tok::Ident && IEquals(Text(t), "pass")) {
            if (!ParsePass(&tech, t)) {
                UnexpectedEnd(src_.size(), what, keyword.begin);
                return;
            }
            continue;
        }
        RepeatableError(t.begin, "unexpected ", t, " in " + what);
        if (IsPunct(t, '{') && !SkipBlock()) {
            UnexpectedEnd(src_.size(), what, keyword.begin);
            return;
        }
    }

    if (pp_.OpenConditionals() != conditionals)
        Error(t.begin, "#if and #endif do not pair up within " + what);
    pp_.LeaveTechnique();  // what follows the '}' is global scope again
    size_t end = t.end;
    Token after = Next();
    if (IsPunct(after, ';')) {
        end = after.end;
    } else {
        PutBack(after);
    }
    Blank(keyword.begin, end);
    if (tech.passes.empty()) Error(keyword.begin, what + " has no passes");
    result_.techniques.push_back(std::move(tech));
}

// False at the end of the file.
bool Parser::ParsePass(TechniqueDesc* tech, const Token& keyword) {
    PassDesc pass;
    pass.pos = Pos(keyword.begin);
    Token t = Next();
    if (t.kind == Tok::Ident) {
        pass.name = std::string(Text(t));
        t = Next();
    }
    if (IsPunct(t, '<')) {
        ParseAnnotation(t);
        t = Next();
    }
    std::string what = Describe("pass", pass.name);
    if (t.kind == Tok::End) return false;
    if (!IsPunct(t, '{')) {
        Error(t.begin, "expected '{' after " + what + ", found " + Quote(Text(t)));
        PutBack(t);
        return true;
    }
    for (;;) {
        t = Next();
        if (t.kind == Tok::End) return false;
        if (IsPunct(t, '}')) break;
        if (IsPunct(t, ';')) continue;
        if (t.kind == Tok::Ident) {
            if (!ParseAssignment(&pass, t)) return false;
            continue;
        }
        RepeatableError(t.begin, "unexpected ", t, " in " + what);
        if (IsPunct(t, '{') && !SkipBlock()) return false;
    }
    tech->passes.push_back(std::move(pass));
    return true;
}

// "State = value;" or "State[i] = value;" in a pass. False at the end of
// the file.
bool Parser::ParseAssignment(PassDesc* pass, const Token& nameToken) {
    std::vector<Token> value;
    Read r = ReadAssignment(nameToken, &value);
    if (r == Read::End) return false;
    if (r == Read::Skipped) return true;

    std::string_view name = Text(nameToken);
    if (IEquals(name, "VertexShader")) {
        ParseShaderBinding(&pass->vertexShader, true, nameToken, value);
    } else if (IEquals(name, "PixelShader")) {
        ParseShaderBinding(&pass->pixelShader, false, nameToken, value);
    } else if (const RenderStateInfo* info = FindRenderState(name)) {
        ParseRenderState(pass, *info, nameToken, value);
    } else {
        Warning(nameToken.begin, "unsupported state " + Quote(name) + " ignored");
    }
    return true;
}

void Parser::ParseRenderState(PassDesc* pass, const RenderStateInfo& info, const Token& nameToken,
                              const std::vector<Token>& value) {
    std::string_view name = Text(nameToken);
    if (value.empty()) {
        Error(nameToken.begin, "missing value for state " + Quote(name));
        return;
    }
    DWORD v = 0;
    if (value.size() != 1 || !LookUpValue(info.values, Text(value[0]), &v)) {
        Error(value[0].begin,
              "invalid value " + Quote(ValueText(value)) + " for state " + Quote(name));
        return;
    }
    pass->renderStates.push_back({info.state, v, Pos(nameToken.begin)});
}

// "compile vs_2_0 VS(1, true)", "null", or a shader variable.
void Parser::ParseShaderBinding(ShaderBinding* binding, bool vertex, const Token& nameToken,
                                const std::vector<Token>& value) {
    std::string_view name = Text(nameToken);
    if (value.empty()) {
        Error(nameToken.begin, "missing value for state " + Quote(name));
        return;
    }
    ShaderBinding b;
    b.present = true;
    b.pos = Pos(nameToken.begin);
    if (value.size() == 1 && IEquals(Text(value[0]), "null")) {
        b.null = true;
    } else if (IEquals(Text(value[0]), "compile")) {
        if (!ParseCompile(&b, vertex, value)) return;
    } else if (const ShaderVariable* var = FindShaderVariable(value)) {
        if (var->vertex != vertex) {
            Error(value[0].begin, "shader variable " + Quote(var->name) + " is a " +
                                      (var->vertex ? "vertex" : "pixel") + " shader");
            return;
        }
        b = var->binding;
        b.pos = Pos(nameToken.begin);
    } else {
        Error(value[0].begin, "expected 'compile PROFILE ENTRY(...)' or 'null' for " +
                                  Quote(name) + ", found " + Quote(ValueText(value)));
        return;
    }
    if (binding->present)
        Warning(nameToken.begin, "state " + Quote(name) + " set twice; the last one counts");
    *binding = std::move(b);
}

// "VS1", "(VS1)" or "<VS1>" naming a global shader variable.
const ShaderVariable* Parser::FindShaderVariable(const std::vector<Token>& v) const {
    bool bracketed = v.size() == 3 && ((IsPunct(v[0], '(') && IsPunct(v[2], ')')) ||
                                       (IsPunct(v[0], '<') && IsPunct(v[2], '>')));
    const Token* name = bracketed ? &v[1] : v.size() == 1 ? &v[0] : nullptr;
    if (!name || name->kind != Tok::Ident) return nullptr;
    for (const ShaderVariable& var : shared_->shaderVariables)
        if (var.name == Text(*name)) return &var;
    return nullptr;
}

bool Parser::ParseCompile(ShaderBinding* b, bool vertex, const std::vector<Token>& v) {
    if (v.size() < 2 || v[1].kind != Tok::Ident) {
        size_t at = v.size() < 2 ? v[0].end : v[1].begin;
        Error(at, "expected a shader profile after 'compile'");
        return false;
    }
    std::string_view profile = Text(v[1]);
    ProfileStage stage = ProfileStageOf(profile);
    if (stage == ProfileStage::None) {
        Error(v[1].begin, "unsupported profile " + Quote(profile));
        return false;
    }
    if ((stage == ProfileStage::Vertex) != vertex) {
        Error(v[1].begin, "profile " + Quote(profile) + " cannot compile a " +
                              (vertex ? "vertex" : "pixel") + " shader");
        return false;
    }
    b->profile = ToLower(profile);
    if (v.size() < 3 || v[2].kind != Tok::Ident) {
        Error(v.size() < 3 ? v[1].end : v[2].begin,
              "expected an entry point after " + Quote(profile));
        return false;
    }
    b->entry = std::string(Text(v[2]));
    if (v.size() < 4 || !IsPunct(v[3], '(')) {
        Error(v.size() < 4 ? v[2].end : v[3].begin, "expected '(' after " + Quote(b->entry));
        return false;
    }
    return ParseCompileArguments(b, v);
}

// The call's arguments, split at the commas of the outer parentheses.
bool Parser::ParseCompileArguments(ShaderBinding* b, const std::vector<Token>& v) {
    size_t depth = 1;
    size_t i = 4;
    size_t argStart = i;
    for (; i < v.size(); ++i) {
        bool open = IsPunct(v[i], '(') || IsPunct(v[i], '[') || IsPunct(v[i], '{');
        bool close = IsPunct(v[i], ')') || IsPunct(v[i], ']') || IsPunct(v[i], '}');
        if (open) ++depth;
        if (close) --depth;
        if ((depth == 1 && IsPunct(v[i], ',')) || depth == 0) {
            if (i > argStart) {
                b->arguments.push_back(
                    std::string(src_.substr(v[argStart].begin, v[i - 1].end - v[argStart].begin)));
            } else if (IsPunct(v[i], ',') || !b->arguments.empty()) {
                Error(v[i].begin, "missing argument in the call of " + Quote(b->entry));
                return false;
            }
            argStart = i + 1;
            if (depth == 0) break;
        }
    }
    if (depth != 0) {
        Error(v.back().end, "expected ')' to close the call of " + Quote(b->entry));
        return false;
    }
    if (i + 1 < v.size()) {
        Error(v[i + 1].begin, "unexpected " + Quote(Text(v[i + 1])) + " after the call of " +
                                  Quote(b->entry));
        return false;
    }
    return true;
}

}  // namespace fx
