// Stage 3, global scope: declarations the effect framework gives meaning to
// (textures, strings, samplers with sampler_state blocks, shader variables,
// annotations), found in a stream of tokens that is otherwise HLSL. A
// technique keyword starts a technique wherever it appears at global scope.
#include "platform/fx/3_parse/3_parser.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace fx {

// Register numbers past this are refused where they are read; the ones
// between the profile's last register and this are said later, per stage.
constexpr int kMaxRegisterNumber = 65535;

void Parser::ParseTopLevel() {
    size_t depth = 0;  // braces of functions and structs
    // Inside a cbuffer's braces: its members are globals like any other
    // (initial values, annotations, parameters).
    bool inBuffer = false;
    Decl decl;
    // The '(' and '[' open inside those braces; a body's first mismatch is
    // said once, where it is.
    std::vector<TokenRef> open;
    bool bracketSaid = false;
    for (;;) {
        TokenRef t = Next();
        if (t.kind == Tok::End) break;
        if (depth > 0) {
            if (!bracketSaid) bracketSaid = BodyBracket(t, &open);
            if (IsPunct(t, '{')) ++depth;
            if (IsPunct(t, '}') && --depth == 0) {
                StructVariables(&decl);
                open.clear();
                bracketSaid = false;
            }
            continue;
        }
        // A reserved word of the effect language: it starts a technique
        // wherever it appears at global scope, even after a stray token
        // that left the previous declaration unfinished.
        if (t.kind == Tok::Ident && IsTechniqueKeyword(Text(t))) {
            ParseTechnique(t);
            ResetDeclaration(&decl);
            continue;
        }
        // Braces of an initializer list belong to the declaration.
        const bool initializer = decl.phase == DeclPhase::Initializer;
        if (IsPunct(t, '{') && IsStateBlock(decl)) {
            StateBlock(&decl, t);
            continue;
        }
        if (IsPunct(t, '{') && !initializer && !inBuffer &&
            (decl.type == "cbuffer" || decl.type == "tbuffer")) {
            inBuffer = true;
            ResetDeclaration(&decl);
            continue;
        }
        if (IsPunct(t, '{') && !initializer) {
            depth = 1;
            continue;
        }
        if (IsPunct(t, '}') && inBuffer && !initializer) {
            inBuffer = false;
            ResetDeclaration(&decl);
            continue;
        }
        if (IsPunct(t, '}') && !(initializer && decl.nesting > 0)) {
            if (Full()) {
                Unshown(Severity::Error);
            } else {
                Error(t, "unmatched '}'");
            }
            ResetDeclaration(&decl);
            continue;
        }
        // "VertexShader vs = asm { mov oPos, v0; ... };"
        const bool shader =
            decl.kind == DeclKind::VertexShader || decl.kind == DeclKind::PixelShader;
        // "float Speed = { MinValue = 0; };": states, not a list.
        if (IsPunct(t, ';') && initializer && decl.kind == DeclKind::Plain && decl.braceList &&
            decl.nesting > 0) {
            decl.stateList = true;
            continue;
        }
        if (IsPunct(t, ';') && !(initializer && shader && decl.nesting > 0)) {
            FinishDeclaration(&decl, t);
            ResetDeclaration(&decl);
            continue;
        }
        FeedDeclaration(&decl, t);
    }
}

// Inside a function's or struct's braces: a ')' or ']' closes the bracket
// opened last, and no '[' is open where a '{' or '}' stands. Says the first
// mismatch and returns true; a '(' left open is stage 4's (it is said at
// the statement's ';'), so checking stops there without a word.
bool Parser::BodyBracket(const TokenRef& t, std::vector<TokenRef>* open) {
    if (IsPunct(t, '(') || IsPunct(t, '[')) {
        open->push_back(t);
        return false;
    }
    const bool paren = IsPunct(t, ')');
    const bool brace = IsPunct(t, '{') || IsPunct(t, '}');
    if (!paren && !brace && !IsPunct(t, ']')) return false;
    if (open->empty()) {
        if (brace) return false;
        Error(t, Quote(Text(t)) + " closes no " + (paren ? "'('" : "'['"));
        return true;
    }
    const TokenRef last = open->back();
    if (!brace && IsPunct(last, paren ? '(' : '[')) {
        open->pop_back();
        return false;
    }
    if (IsPunct(last, '[')) {
        Error(last, "'[' is never closed");
    } else if (!brace) {
        Error(t, "']' closes no '['");
    }
    return true;
}

// "float Speed { ... };", "SamplerState S { ... };": a '{' right after a
// variable's name, semantic, register or annotation. A sampler's block is
// its sampler_state; on any other variable the effect framework takes a
// block of states that this program has no use for.
bool Parser::IsStateBlock(const Decl& d) const {
    if (d.phase != DeclPhase::AfterName || !d.named || d.parens > 0 || d.brackets > 0)
        return false;
    if (d.kind == DeclKind::Sampler || d.kind == DeclKind::StateBlock) return true;
    if (d.kind != DeclKind::Plain) return false;
    static constexpr const char* kBlockTypes[] = {"struct", "cbuffer", "tbuffer", "typedef",
                                                  "class",  "interface", "namespace"};
    for (const char* type : kBlockTypes)
        if (d.type == type) return false;
    return true;
}

void Parser::StateBlock(Decl* d, const TokenRef& open) {
    d->equals = open.index;
    if (d->kind == DeclKind::Sampler) {
        ParseSamplerBlock(d);
        d->phase = DeclPhase::Other;
        return;
    }
    if (d->kind == DeclKind::StateBlock) {
        SkipStateBlock(d, open);
        return;
    }
    Warning(open, "the state block of " + Quote(Text(d->name)) + " is ignored");
    if (!SkipBlock()) {
        UnexpectedEnd("the state block of " + Quote(Text(d->name)), open.index);
        return;
    }
    Remove(open.index, next_);
}

// "stateblock S = stateblock_state { ZEnable = true; ... };", also as a
// list of them or with the block right after the name: states the program
// has no use for. The braces are passed over (their ';' end no declaration)
// and the whole declaration leaves the HLSL at its ';'.
void Parser::SkipStateBlock(Decl* d, const TokenRef& open) {
    if (!SkipBlock()) {
        UnexpectedEnd("the state block " + Quote(Text(d->name)), open.index);
        return;
    }
    d->phase = DeclPhase::Other;
}

// After the braces of a function or struct: "struct S { ... } s = {1, 2};"
// goes on to declare variables of type S, whose initial values count like
// any global's.
void Parser::StructVariables(Decl* d) {
    if (d->type != "struct" || !d->named) {
        ResetDeclaration(d);
        return;
    }
    Decl variables;
    variables.start = d->start;
    variables.isStatic = d->isStatic;
    variables.isConst = d->isConst;
    variables.phase = DeclPhase::AfterType;
    variables.type = std::string(Text(d->name));
    *d = std::move(variables);
}

// Cheap when nothing was declared, as between a run of stray tokens.
void Parser::ResetDeclaration(Decl* d) {
    if (d->start != std::string_view::npos || d->phase != DeclPhase::Start) *d = Decl();
}

void Parser::FeedDeclaration(Decl* d, const TokenRef& t) {
    if (d->start == std::string_view::npos) d->start = t.index;
    switch (d->phase) {
        case DeclPhase::Start:
            DeclarationStart(d, t);
            return;
        case DeclPhase::AfterType:
            if (IsPunct(t, '<')) {
                // Texture2D<float4>: the same texture object; a read of a
                // Texture2D<float2> gives two components.
                TokenRef element = Next();
                while (element.kind == Tok::Ident &&
                       (Text(element) == "unorm" || Text(element) == "snorm"))
                    element = Next();
                if (d->kind == DeclKind::Texture && element.kind == Tok::Ident) {
                    const std::string_view e = Text(element);
                    const char last = e.empty() ? '4' : e.back();
                    d->textureComponents = last >= '1' && last <= '4' ? last - '0' : 1;
                }
                PutBack(element);
                SkipTemplateArguments();
            } else if (t.kind == Tok::Ident) {
                d->phase = DeclPhase::AfterName;
                d->semantic = false;
                d->arrayDims = 0;
                NameDeclaration(d, t);
            } else {
                d->phase = DeclPhase::Other;
            }
            return;
        case DeclPhase::AfterName:
            DeclarationAfterName(d, t);
            return;
        case DeclPhase::AfterColon:
            d->phase = t.kind == Tok::Ident ? DeclPhase::AfterName : DeclPhase::Other;
            d->semantic = t.kind == Tok::Ident;
            d->inRegister = t.kind == Tok::Ident && IEquals(Text(t), "register");
            return;
        case DeclPhase::Initializer:
            DeclarationInitializer(d, t);
            return;
        case DeclPhase::Other:
            // "sampler A = sampler_state { ... }, B = sampler_state { ... };"
            if (d->afterSamplerState && IsPunct(t, ',')) {
                d->afterSamplerState = false;
                d->phase = DeclPhase::AfterType;
                if (d->named) RecordSampler(d);
            }
            return;
    }
}

// Qualifiers, then the type, which says what kind of declaration this is.
void Parser::DeclarationStart(Decl* d, const TokenRef& t) {
    if (t.kind == Tok::Ident && IsQualifier(Text(t))) {
        if (Text(t) == "static") {
            d->isStatic = true;
            d->staticAt = t.index;
        }
        if (Text(t) == "const") d->isConst = true;
        if (Text(t) == "row_major") d->rowMajor = true;
        return;
    }
    if (t.kind == Tok::Ident && Text(t) == "unsigned" && !d->isUnsigned) {
        d->isUnsigned = true;
        return;
    }
    // A typedef declares no global, and "typedef vector<float, 3> v3;"
    // holds no annotation.
    if (t.kind != Tok::Ident || Text(t) == "typedef") {
        d->phase = DeclPhase::Other;
        return;
    }
    d->phase = DeclPhase::AfterType;
    d->type = std::string(Text(t));
    if (d->isUnsigned && d->type.starts_with("int")) d->type.insert(0, "u");
    if (IsTextureType(d->type)) d->kind = DeclKind::Texture;
    // STRING, like TEXTURE and PIXELSHADER, in any case.
    if (IEquals(d->type, "string")) d->kind = DeclKind::String;
    if (IsSamplerType(d->type) || IsSamplerObjectType(d->type)) d->kind = DeclKind::Sampler;
    // A sampler or texture is an object of the effect whether or not it is
    // static ("static sampler2D S = sampler_state { ... };"): Direct3D 9
    // gives it a register and its states as any other's.
    if (d->isStatic && (d->kind == DeclKind::Sampler || d->kind == DeclKind::Texture)) {
        Remove(d->staticAt, d->staticAt + 1);
        d->isStatic = false;
    }
    if (IEquals(d->type, "VertexShader")) d->kind = DeclKind::VertexShader;
    if (IEquals(d->type, "PixelShader")) d->kind = DeclKind::PixelShader;
    if (IEquals(d->type, "stateblock")) d->kind = DeclKind::StateBlock;
}

// After the name: array sizes, semantics, register(...), an annotation, '='
// or ',' before the next name.
void Parser::DeclarationAfterName(Decl* d, const TokenRef& t) {
    if (d->parens > 0) {
        if (IsPunct(t, '(')) ++d->parens;
        if (IsPunct(t, ')') && --d->parens == 0) d->inRegister = false;
        if (d->inRegister && t.kind == Tok::Ident) ReadSamplerRegister(d, t);
        return;
    }
    if (d->brackets > 0) {
        if (IsPunct(t, '[')) ++d->brackets;
        if (IsPunct(t, ']')) --d->brackets;
        return;
    }
    if (IsPunct(t, '(') && d->semantic) {
        d->parens = 1;
    } else if (IsPunct(t, '[')) {
        d->brackets = 1;
        ++d->arrayDims;
        if (d->global >= 0) result_.globals[d->global].array = true;
        TokenRef size = Next();
        PutBack(size);
        const bool shader = d->kind == DeclKind::VertexShader || d->kind == DeclKind::PixelShader;
        if (shader && size.kind == Tok::Number)
            d->shaders = std::clamp(std::atoi(std::string(Text(size)).c_str()), 1, 256);
        if (d->kind == DeclKind::Sampler && size.kind == Tok::Number) {
            d->samplers = std::clamp(std::atoi(std::string(Text(size)).c_str()), 1,
                                     static_cast<int>(D3D_SAMPLER_STAGES));
        }
    } else if (IsPunct(t, ':')) {
        d->phase = DeclPhase::AfterColon;
    } else if (IsPunct(t, '<') && d->kind == DeclKind::Texture && d->named) {
        ParseTextureAnnotation(t, &result_.textures.back());
    } else if (IsPunct(t, '<') && d->global >= 0) {
        ParseGlobalAnnotation(t, &result_.globals[d->global]);
    } else if (IsPunct(t, '<')) {
        ParseAnnotation(t);
    } else if (IsPunct(t, '=')) {
        d->phase = DeclPhase::Initializer;
        d->firstOfInitializer = true;
        d->equals = t.index;
    } else if (IsPunct(t, ',')) {
        d->phase = DeclPhase::AfterType;
        if (d->kind == DeclKind::Sampler && d->named) RecordSampler(d);
    } else {
        d->phase = DeclPhase::Other;  // a function's parameters, or anything else
        // A function is not a global.
        if (d->global >= 0 && d->global + 1 == static_cast<int>(result_.globals.size()))
            result_.globals.pop_back();
        d->global = -1;
    }
    d->semantic = false;
}

void Parser::DeclarationInitializer(Decl* d, const TokenRef& t) {
    if (d->kind == DeclKind::StateBlock) {
        if (IsPunct(t, '{')) SkipStateBlock(d, t);
        return;
    }
    if (d->firstOfInitializer && d->kind == DeclKind::Sampler && d->named &&
        t.kind == Tok::Ident && IEquals(Text(t), "sampler_state")) {
        ParseSamplerState(d, t);
        d->phase = DeclPhase::Other;
        d->afterSamplerState = true;
    }
    if (d->firstOfInitializer && d->kind == DeclKind::Sampler && d->named &&
        !IsSamplerObjectType(d->type) && IsPunct(t, '{')) {
        TokenRef next = Next();
        PutBack(next);
        if (next.kind == Tok::Ident && IEquals(Text(next), "sampler_state")) {
            ParseSamplerArray(d);
            d->phase = DeclPhase::Other;
            return;
        }
    }
    if (d->firstOfInitializer && IsPunct(t, '{')) d->braceList = true;
    // "float k = 0.5 float4 main() ...": a value followed by the type of the
    // next declaration; the ';' between them is missing.
    if (d->kind == DeclKind::Plain && d->nesting == 0 && !d->initializer.empty() &&
        t.kind == Tok::Ident && StartsDeclaration(Text(t)) &&
        (d->initializer.back().kind == Tok::Number || d->initializer.back().kind == Tok::Ident)) {
        ErrorAfter(d->initializer.back(), "';' expected after the initial value of " +
                                              Quote(Text(d->name)));
        ResetDeclaration(d);
        FeedDeclaration(d, t);
        return;
    }
    d->firstOfInitializer = false;
    if (IsPunct(t, '(') || IsPunct(t, '{') || IsPunct(t, '[')) ++d->nesting;
    if ((IsPunct(t, ')') || IsPunct(t, '}') || IsPunct(t, ']')) && d->nesting > 0) --d->nesting;
    // "float a = 1, b = 2;": the next name.
    if (d->kind == DeclKind::Plain && d->nesting == 0 && IsPunct(t, ',')) {
        RecordInitializer(d);
        d->phase = DeclPhase::AfterType;
        return;
    }
    d->initializer.push_back(t);
}

// A word that can only start a declaration: a qualifier or a type's name.
bool Parser::StartsDeclaration(std::string_view w) {
    static constexpr std::string_view kWords[] = {"struct", "typedef", "void", "string",
                                                  "matrix", "vector", "cbuffer"};
    int count = 0;
    bool isFloat = false, isBool = false;
    // float4x4: the element type before the shape.
    const bool matrix = w.size() > 3 && w[w.size() - 2] == 'x' && w.back() >= '1' &&
                        w.back() <= '4' && w[w.size() - 3] >= '1' && w[w.size() - 3] <= '4';
    return IsQualifier(w) || IsTextureType(w) || IsSamplerType(w) ||
           StateTypeName(matrix ? w.substr(0, w.size() - 3) : w, &count, &isFloat, &isBool) ||
           std::find(std::begin(kWords), std::end(kWords), w) != std::end(kWords);
}

void Parser::RecordInitializer(Decl* d) {
    if (d->kind == DeclKind::Plain && d->named && !d->initializer.empty() &&
        d->phase == DeclPhase::Initializer) {
        int count = 0;
        bool isFloat = false, isBool = false;
        bool isInt = StateTypeName(d->type, &count, &isFloat, &isBool) && !isFloat;
        globalValues_[Text(d->name)] = {d->initializer.front().index,
                                        d->initializer.back().index + 1, isInt};
    }
    // A static const's value is kept for the initializers that name it.
    if (d->kind == DeclKind::Plain && d->named && (!d->isStatic || d->isConst) &&
        !d->initializer.empty() && d->phase == DeclPhase::Initializer) {
        // The stream's tokens are expanded already: what they spell is the value.
        result_.initializers.push_back({std::string(Text(d->name)), d->type,
                                        ValueText(d->initializer), Pos(d->name), d->isStatic,
                                        d->arrayDims});
    }
    d->initializer.clear();
}

// At the declaration's ';': textures, strings and shader variables vanish
// from the HLSL, samplers are recorded.
void Parser::FinishDeclaration(Decl* d, const TokenRef& semicolon) {
    if (d->stateList) {
        Warning(d->name, "the state block of " + Quote(Text(d->name)) + " is ignored");
        Remove(d->equals, semicolon.index);
        return;
    }
    if (d->kind == DeclKind::StateBlock) {
        if (d->named)
            Warning(d->name, "the state block " + Quote(Text(d->name)) + " is ignored");
        Remove(d->start, semicolon.index + 1);
        return;
    }
    if (d->kind == DeclKind::Plain) RecordInitializer(d);
    bool shader = d->kind == DeclKind::VertexShader || d->kind == DeclKind::PixelShader;
    if (d->kind == DeclKind::Texture || d->kind == DeclKind::String || shader)
        Remove(d->start, semicolon.index + 1);
    if (shader && d->named) DeclareShaderVariables(d);
    if (d->kind == DeclKind::Sampler && d->named) RecordSampler(d);
    if (d->kind == DeclKind::Sampler && IsSamplerObjectType(d->type))
        Remove(d->start, semicolon.index + 1);
}

// "VertexShader vs = compile ...;", or an array of them
// "PixelShader ps[2] = { compile ..., compile ... };" whose elements are
// "ps[0]", "ps[1]".
void Parser::DeclareShaderVariables(Decl* d) {
    const bool vertex = d->kind == DeclKind::VertexShader;
    const std::vector<TokenRef>& v = d->initializer;
    std::string name(Text(d->name));
    if (v.empty() && d->phase != DeclPhase::Initializer) {
        // "VertexShader vs;": a shader the host program would set; until it
        // does, the variable holds NULL, and a pass naming it has no shader
        // of that stage. "VertexShader vs[2];": each element so.
        for (int k = 0; k < std::max(d->shaders, 1); ++k) {
            ShaderVariable var{d->shaders > 0 ? name + "[" + std::to_string(k) + "]" : name,
                               vertex, {}};
            var.binding.present = true;
            var.binding.null = true;
            var.binding.pos = Pos(d->name);
            shaderVariables_.push_back(std::move(var));
        }
        return;
    }
    if (v.size() < 2 || !IsPunct(v.front(), '{') || !IsPunct(v.back(), '}')) {
        // One whose value was wrong stays known, without a shader: naming it
        // in a pass says nothing more.
        ShaderVariable var{name, vertex, {}};
        ParseShaderBinding(&var.binding, vertex, d->name, v);
        shaderVariables_.push_back(std::move(var));
        return;
    }
    std::vector<TokenRef> element;
    size_t depth = 0;
    size_t count = 0;
    for (size_t i = 1; i < v.size(); ++i) {
        bool last = i + 1 == v.size();
        if (IsPunct(v[i], '(') || IsPunct(v[i], '{')) ++depth;
        if ((IsPunct(v[i], ')') || IsPunct(v[i], '}')) && !last) --depth;
        if (!last && !(depth == 0 && IsPunct(v[i], ','))) {
            element.push_back(v[i]);
            continue;
        }
        if (element.empty() && last && count > 0) break;  // "{ a, b, }"
        ShaderVariable var{name + "[" + std::to_string(count++) + "]", vertex, {}};
        if (element.empty()) {
            Error(v[i], "missing shader in the list of " + Quote(name));
        } else {
            ParseShaderBinding(&var.binding, vertex, d->name, element);
        }
        shaderVariables_.push_back(std::move(var));
        element.clear();
    }
}

void Parser::RecordSampler(Decl* d) {
    if (IsSamplerObjectType(d->type)) {
        samplerObjects_.push_back({std::move(d->sampler), d->start});
        d->sampler = SamplerDesc();
        d->named = false;
        return;
    }
    plainSamplers_.push_back({d->sampler, d->start, true, false});
    // "sampler2D S[3];": three samplers on stages in a row, as a list of
    // sampler_state blocks would declare them.
    for (int k = 0; k < d->samplers && d->samplers > 1; ++k) {
        SamplerDesc element = d->sampler;
        element.name += "[" + std::to_string(k) + "]";
        if (element.registerIndex >= 0) element.registerIndex += k;
        result_.samplers.push_back(std::move(element));
    }
    if (d->samplers == 1) result_.samplers.push_back(std::move(d->sampler));
    d->sampler = SamplerDesc();
    d->named = false;
}

void Parser::NameDeclaration(Decl* d, const TokenRef& name) {
    if (d->kind == DeclKind::Texture) {
        TextureDesc texture;
        texture.name = std::string(Text(name));
        texture.type = d->type;
        texture.components = d->textureComponents;
        texture.pos = Pos(name);
        textureDeclarationEnds_[texture.name] = d->start;
        result_.textures.push_back(std::move(texture));
    }
    if (d->kind == DeclKind::Sampler) {
        d->samplers = 1;
        d->sampler = SamplerDesc();
        d->sampler.name = std::string(Text(name));
        d->sampler.type = d->type;
        d->sampler.pos = Pos(name);
    }
    d->named = true;
    d->name = name;
    d->shaders = 0;
    d->global = -1;
    if (d->kind == DeclKind::Plain && !d->isStatic && !IEquals(d->type, "struct") &&
        !IEquals(d->type, "typedef") && !IEquals(d->type, "cbuffer")) {
        d->global = static_cast<int>(result_.globals.size());
        result_.globals.push_back({std::string(Text(name)), d->type, false, Pos(name), {}});
        result_.globals.back().rowMajor = d->rowMajor;
    }
}

// register(s3), also register(ps, s3); a register of another kind is
// checked for its letter: b, c, i or s (t for textures) and a number.
void Parser::ReadSamplerRegister(Decl* d, const TokenRef& t) {
    std::string_view r = Text(t);
    const bool profile = r.size() >= 2 && (Lower(r[0]) == 'v' || Lower(r[0]) == 'p') &&
                         Lower(r[1]) == 's' && (r.size() == 2 || r[2] == '_');
    // c0.y names a component (the y): not a register of its own.
    const bool component = r.size() == 1 && std::string_view("xyzwrgba").find(r[0]) !=
                                                 std::string_view::npos;
    if (profile || component) return;
    const bool known = r.size() >= 2 && std::string_view("bcist").find(Lower(r[0])) !=
                                            std::string_view::npos;
    if (!known || r.find_first_not_of("0123456789", 1) != std::string_view::npos) {
        Error(t, Quote(r) + " is not a register (b, c, i or s and its number)");
        return;
    }
    // A number no profile comes near (c4294967296) would wrap in the later
    // stages into a register that exists: it stops here.
    int index = 0;
    for (size_t i = 1; i < r.size(); ++i) {
        index = index * 10 + (r[i] - '0');
        if (index > kMaxRegisterNumber) {
            Error(t, "register " + Quote(r) + " is past the last register of any profile");
            return;
        }
    }
    // Shader models 2 and 3 have sixteen bool and sixteen int registers.
    if ((Lower(r[0]) == 'b' || Lower(r[0]) == 'i') && index > 15) {
        Error(t, "register " + Quote(r) + " is past " + std::string(1, Lower(r[0])) +
                     "15, the last of its kind");
        return;
    }
    const bool texture = d->kind == DeclKind::Texture && Lower(r[0]) == 't';
    if ((d->kind != DeclKind::Sampler || Lower(r[0]) != 's') && !texture) return;
    if (texture) {
        // Its stage when a sampler object reads it.
        if (index < static_cast<int>(D3D_SAMPLER_STAGES) && !result_.textures.empty())
            textureRegisters_[result_.textures.back().name] = index;
        return;
    }
    if (index >= static_cast<int>(D3D_SAMPLER_STAGES)) {
        Error(t, "sampler register " + Quote(r) + " is out of range (s0 to s" +
                           std::to_string(D3D_SAMPLER_STAGES - 1) + ")");
        return;
    }
    d->sampler.registerIndex = index;
}

// "= sampler_state { Texture = <T>; MinFilter = Linear; ... }": the states
// are recorded, and everything from '=' to '}' is taken out.
void Parser::ParseSamplerState(Decl* d, const TokenRef& keyword) {
    SamplerDesc& sampler = d->sampler;
    std::string what = "sampler_state of " + Quote(sampler.name);
    TokenRef t = Next();
    if (!IsPunct(t, '{')) {
        if (t.kind == Tok::End) {
            ErrorAfter(keyword, "expected '{' after 'sampler_state'");
        } else {
            Error(t, "expected '{' after 'sampler_state'");
        }
        PutBack(t);
        return;
    }
    ParseSamplerBlock(d);
}

// "sampler2D S[2] = { sampler_state { ... }, sampler_state { ... } };",
// whose '{' was just read: each element is a sampler of its own, "S[0]",
// "S[1]", on stages in a row (from register(sN) when it has one), and
// everything from d->equals to the list's '}' is taken out.
void Parser::ParseSamplerArray(Decl* d) {
    const SamplerDesc array = d->sampler;
    const std::string what = "the sampler_state list of " + Quote(array.name);
    std::vector<SamplerDesc> elements;
    TokenRef t;
    for (;;) {
        t = Next();
        if (t.kind == Tok::End) return UnexpectedEnd(what, d->equals);
        if (IsPunct(t, '}')) break;
        if (IsPunct(t, ',')) continue;
        TokenRef open = t.kind == Tok::Ident && IEquals(Text(t), "sampler_state") ? Next() : t;
        if (!IsPunct(open, '{') && open.index != t.index) {
            Error(open, "expected '{' after 'sampler_state'");
            PutBack(open);
            continue;
        }
        if (!IsPunct(open, '{')) {
            RepeatableError(t, "unexpected ", " in " + what);
            continue;
        }
        if (open.index == t.index) {  // a block without its keyword
            RepeatableError(t, "unexpected ", " in " + what);
            if (!SkipBlock()) return UnexpectedEnd(what, d->equals);
            continue;
        }
        const int k = static_cast<int>(elements.size());
        d->sampler = array;
        d->sampler.name = array.name + "[" + std::to_string(k) + "]";
        if (array.registerIndex >= 0) d->sampler.registerIndex = array.registerIndex + k;
        TokenRef close;
        if (!ReadSamplerStates(d, &close)) return;
        elements.push_back(std::move(d->sampler));
    }
    Remove(d->equals, t.index + 1);
    for (SamplerDesc& e : elements) result_.samplers.push_back(std::move(e));
    d->sampler = SamplerDesc();
    d->named = false;
}

// The states of a sampler_state block whose '{' was just read; everything
// from d->equals to its '}' is taken out.
void Parser::ParseSamplerBlock(Decl* d) {
    TokenRef close;
    if (ReadSamplerStates(d, &close)) Remove(d->equals, close.index + 1);
}

// The states up to the block's '}' (*close) into d->sampler; false (said)
// when the stream ends first.
bool Parser::ReadSamplerStates(Decl* d, TokenRef* close) {
    SamplerDesc& sampler = d->sampler;
    std::string what = "sampler_state of " + Quote(sampler.name);
    TokenRef t;
    for (;;) {
        t = Next();
        if (t.kind == Tok::End) {
            UnexpectedEnd(what, d->equals);
            return false;
        }
        if (IsPunct(t, '}')) break;
        if (IsPunct(t, ';')) continue;
        if (t.kind != Tok::Ident) {
            RepeatableError(t, "unexpected ", " in " + what);
            if (IsPunct(t, '{') && !SkipBlock()) {
                UnexpectedEnd(what, d->equals);
                return false;
            }
            continue;
        }
        std::vector<TokenRef> value;
        Read r = ReadAssignment(t, &value);
        if (r == Read::End) {
            UnexpectedEnd(what, d->equals);
            return false;
        }
        if (r == Read::Ok) SamplerAssignment(&sampler, t, value);
    }
    *close = t;
    return true;
}

void Parser::SamplerAssignment(SamplerDesc* sampler, const TokenRef& nameToken,
                               const std::vector<TokenRef>& value) {
    std::string_view name = Text(nameToken);
    if (value.empty()) {
        Error(nameToken, "missing value for state " + Quote(name));
        return;
    }
    std::string_view first = Text(value[0]);
    if (IEquals(name, "Texture")) return SamplerTexture(sampler, nameToken, value);
    if (IEquals(name, "BorderColor")) {
        DWORD color = 0;
        if (value.size() != 1 || !ParseColorWord(first, &color)) {
            // float4(r, g, b, a) or { r, g, b, a }: the colour as a D3DCOLOR.
            StateValue sv;
            std::string why;
            TokenRef at;
            if (!EvaluateState(value, nullptr, &sv, &why, &at) ||
                (sv.count != 4 && (sv.count != 1 || sv.isFloat))) {
                Warning(value[0], "border colour " + Quote(ValueText(value)) +
                                      " is not a colour; ignored");
                return;
            }
            color = static_cast<DWORD>(sv.v[0]);
            if (sv.count == 4) {
                // As D3DCOLOR_COLORVALUE makes it: each channel times 255, truncated.
                auto byte = [&](int k) {
                    return static_cast<DWORD>(std::clamp(sv.v[k], 0.0, 1.0) * 255.0);
                };
                color = byte(3) << 24 | byte(0) << 16 | byte(1) << 8 | byte(2);
            }
        }
        sampler->states.push_back({D3DSAMP_BORDERCOLOR, color, Pos(nameToken)});
        return;
    }
    // SamplerState blocks name the filters together: Filter = MIN_MAG_MIP_LINEAR.
    if (IEquals(name, "Filter")) return SamplerFilter(sampler, nameToken, value);
    const SamplerStateInfo* info = FindSamplerState(name);
    if (!info) {
        Warning(nameToken, std::string(IsEffectStateName(name) ? "unsupported" : "unknown") +
                               " sampler state " + Quote(name) + " ignored");
        return;
    }
    DWORD v = 0;
    if (info->number != StateNumber::None) {
        std::string why;
        TokenRef at;
        if (!EvaluateStateNumber(info->number, value, &v, &why, &at)) {
            Error(value[0], "invalid value " + Quote(ValueText(value)) + " for sampler state " +
                                Quote(name) + (value.size() > 1 ? ": " + why : ""));
            return;
        }
        sampler->states.push_back({info->state, v, Pos(nameToken)});
        return;
    }
    if (value.size() == 1 && IsUnsupportedSamplerValue(first)) {
        Warning(value[0], "unsupported value " + Quote(first) + " for sampler state " +
                                    Quote(name) + " ignored");
        return;
    }
    if (value.size() != 1 || !LookUpValue(info->values, first, &v)) {
        if (!StateValueAsWord(info->values, false, value, &v, "sampler state " + Quote(name)))
            return;
    }
    sampler->states.push_back({info->state, v, Pos(nameToken)});
}

// "Filter = MIN_MAG_LINEAR_MIP_POINT": MINFILTER, MAGFILTER and MIPFILTER at
// once; ANISOTROPIC all three anisotropic. The comparison filters have no
// counterpart in Direct3D 9's samplers: a warning.
void Parser::SamplerFilter(SamplerDesc* sampler, const TokenRef& nameToken,
                           const std::vector<TokenRef>& value) {
    std::string v = value.size() == 1 ? ToLower(Text(value[0])) : std::string();
    const SourcePos at = Pos(nameToken);
    if (v == "anisotropic") {
        for (D3DSAMPLERSTATETYPE s : {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER})
            sampler->states.push_back({s, D3DTEXF_ANISOTROPIC, at});
        return;
    }
    // MIN_X_MAG_Y_MIP_Z, the names of one filter run together (MIN_MAG_MIP_POINT).
    DWORD filters[3] = {0, 0, 0};  // min, mag, mip
    bool seen[3] = {false, false, false};
    size_t i = 0;
    bool ok = v.rfind("min_", 0) == 0;
    std::vector<int> pending;
    while (ok && i < v.size()) {
        size_t end = v.find('_', i);
        if (end == std::string::npos) end = v.size();
        std::string word = v.substr(i, end - i);
        i = end + 1;
        if (word == "min" || word == "mag" || word == "mip") {
            int k = word == "min" ? 0 : word == "mag" ? 1 : 2;
            ok = !seen[k];
            seen[k] = true;
            pending.push_back(k);
        } else if ((word == "point" || word == "linear") && !pending.empty()) {
            for (int k : pending) filters[k] = word == "point" ? D3DTEXF_POINT : D3DTEXF_LINEAR;
            pending.clear();
        } else {
            ok = false;
        }
    }
    if (!ok || !pending.empty() || !seen[0] || !seen[1] || !seen[2]) {
        std::string text = ValueText(value);
        if (v.rfind("comparison_", 0) == 0) {
            Warning(value[0], "unsupported value " + Quote(text) +
                                  " for sampler state 'Filter' ignored");
            return;
        }
        Error(value[0], "invalid value " + Quote(text) + " for sampler state 'Filter'");
        return;
    }
    sampler->states.push_back({D3DSAMP_MINFILTER, filters[0], at});
    sampler->states.push_back({D3DSAMP_MAGFILTER, filters[1], at});
    sampler->states.push_back({D3DSAMP_MIPFILTER, filters[2], at});
}

// "Texture = <T>", "(T)" or "T".
void Parser::SamplerTexture(SamplerDesc* sampler, const TokenRef& nameToken,
                            const std::vector<TokenRef>& value) {
    std::string_view name = Text(nameToken);
    bool bracketed = value.size() == 3 &&
                     ((IsPunct(value[0], '<') && IsPunct(value[2], '>')) ||
                      (IsPunct(value[0], '(') && IsPunct(value[2], ')')));
    const TokenRef* texture = bracketed ? &value[1] : value.size() == 1 ? &value[0] : nullptr;
    if (!texture || texture->kind != Tok::Ident) {
        Error(value[0], "expected '<TEXTURE>' for state " + Quote(name) + ", found " +
                                  Quote(ValueText(value)));
        return;
    }
    if (IEquals(Text(*texture), "null")) return;  // "Texture = NULL;": none
    sampler->texture = std::string(Text(*texture));
    // Every texture declared so far has its place there.
    const bool known = textureDeclarationEnds_.count(sampler->texture) != 0;
    if (!known)
        Warning(*texture, (sampler->name.find('[') != std::string::npos ? "state " : "sampler ") +
                              Quote(sampler->name) + " refers to undeclared texture " +
                              Quote(sampler->texture));
}

}  // namespace fx
