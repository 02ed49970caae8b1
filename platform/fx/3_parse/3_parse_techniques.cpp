// Stage 3, techniques: technique and pass blocks, the render states a pass
// sets, the states of texture stages it sets ("Texture[0] = <T>;",
// "Sampler[1] = (S);", "MinFilter[1] = POINT;"), and its compile statements
// ("VertexShader = compile vs_3_0 VS(1);", "= null", or a shader variable).
// Each block is taken out of the HLSL once read.
#include "platform/fx/3_parse/3_parser.h"

#include "platform/fx/asm/asm_shader.h"

#include <cmath>

#include "platform/shader_conventions.h"

namespace fx {

void Parser::ParseTechnique(const TokenRef& keyword) {
    TechniqueDesc tech;
    tech.pos = Pos(keyword);
    TokenRef t = Next();
    if (t.kind == Tok::Ident) {
        tech.name = std::string(Text(t));
        t = Next();
    }
    if (IsPunct(t, '<')) {
        ParseAnnotation(t);
        t = Next();
    }
    std::string what = Describe("technique", tech.name);
    if (t.kind == Tok::End) {
        UnexpectedEnd(what, keyword.index);
        return;
    }
    if (!IsPunct(t, '{') && tech.name.empty() && !IsPunct(t, '<')) {
        // "float4 technique10(...)": a name Direct3D 9 refuses as well.
        Error(keyword, Quote(Text(keyword)) + ": an effect keyword cannot be a name");
        Remove(keyword.index, t.index);
        PutBack(t);
        return;
    }
    if (!IsPunct(t, '{')) {
        Error(t, "expected '{' after " + what + ", found " + Quote(Text(t)));
        Remove(keyword.index, t.index);
        PutBack(t);
        return;
    }
    // A Direct3D 10 or 11 technique beside the Direct3D 9 ones, its passes
    // written for a later device (SetPixelShader(CompileShader(...)) and the
    // like): the block is left out and the other techniques run. One whose
    // passes assign states as a Direct3D 9 pass does is read as one.
    if ((Text(keyword) == "technique10" || Text(keyword) == "technique11") &&
        HasLaterDevicePasses()) {
        if (!SkipBlock()) {
            UnexpectedEnd(what, keyword.index);
            return;
        }
        TokenRef after = Next();
        size_t end = IsPunct(after, ';') ? after.index + 1 : after.index;
        if (!IsPunct(after, ';')) PutBack(after);
        Remove(keyword.index, end);
        Warning(keyword, what + " is a " + std::string(Text(keyword)) +
                             " block, for Direct3D 10 and later: left out");
        return;
    }

    for (;;) {
        t = Next();
        if (t.kind == Tok::End) {
            UnexpectedEnd(what, keyword.index);
            return;
        }
        if (IsPunct(t, '}')) break;
        if (IsPunct(t, ';')) continue;
        if (t.kind == Tok::Ident && IEquals(Text(t), "pass")) {
            if (!ParsePass(&tech, t)) {
                UnexpectedEnd(what, keyword.index);
                return;
            }
            continue;
        }
        RepeatableError(t, "unexpected ", " in " + what);
        if (IsPunct(t, '{') && !SkipBlock()) {
            UnexpectedEnd(what, keyword.index);
            return;
        }
    }

    size_t end = t.index + 1;
    TokenRef after = Next();
    if (IsPunct(after, ';')) {
        end = after.index + 1;
    } else {
        PutBack(after);
    }
    Remove(keyword.index, end);
    // Direct3D 9 takes a technique without passes: Begin gives 0 passes,
    // and a program that draws pass 0 of it draws nothing.
    if (tech.passes.empty()) Warning(keyword, what + " has no passes; nothing is drawn with it");
    // A technique whose shader assembly did not assemble is left out, so
    // that an effect with a fallback technique still loads.
    for (const PassDesc& pass : tech.passes) {
        const ShaderBinding* failed = !pass.vertexShader.assemblyError.empty() ? &pass.vertexShader
                                      : !pass.pixelShader.assemblyError.empty() ? &pass.pixelShader
                                                                                : nullptr;
        if (failed == nullptr) continue;
        result_.assemblyFailures.push_back({failed->assemblyErrorPos, failed->assemblyError, what});
        return;
    }
    result_.techniques.push_back(std::move(tech));
}

// Looks ahead, from just after a technique's '{' to its '}', for a pass
// statement of Direct3D 10 and later: "SetXxx(" where a state's name would
// stand.
bool Parser::HasLaterDevicePasses() const {
    size_t depth = 1;
    bool statementStart = false;
    for (size_t i = next_; i < in_.tokens.size(); ++i) {
        const SourceToken& s = in_.tokens[i];
        if (s.kind == Tok::Directive) continue;
        const std::string_view text = in_.Text(s);
        if (s.kind == Tok::Punct && text == "{") {
            ++depth;
            statementStart = true;
            continue;
        }
        if (s.kind == Tok::Punct && text == "}" && --depth == 0) return false;
        if (statementStart && depth >= 2 && s.kind == Tok::Ident && text.rfind("Set", 0) == 0) {
            for (size_t k = i + 1; k < in_.tokens.size(); ++k) {
                if (in_.tokens[k].kind == Tok::Directive) continue;
                if (in_.tokens[k].kind == Tok::Punct && in_.Text(in_.tokens[k]) == "(") return true;
                break;
            }
        }
        statementStart = s.kind == Tok::Punct && (text == ";" || text == "}");
    }
    return false;
}

// False at the end of the file.
bool Parser::ParsePass(TechniqueDesc* tech, const TokenRef& keyword) {
    PassDesc pass;
    pass.pos = Pos(keyword);
    TokenRef t = Next();
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
        Error(t, "expected '{' after " + what + ", found " + Quote(Text(t)));
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
        RepeatableError(t, "unexpected ", " in " + what);
        if (IsPunct(t, '{') && !SkipBlock()) return false;
    }
    MapAssemblyStates(&pass);
    tech->passes.push_back(std::move(pass));
    return true;
}

// "State = value;" or "State[i] = value;" in a pass. False at the end of
// the file.
bool Parser::ParseAssignment(PassDesc* pass, const TokenRef& nameToken) {
    std::vector<TokenRef> value;
    std::vector<TokenRef> index;
    Read r = ReadAssignment(nameToken, &value, &index);
    if (r == Read::End) return false;
    if (r == Read::Skipped) return true;

    std::string_view name = Text(nameToken);
    if (!index.empty() && ParseStageState(pass, nameToken, index, value)) {
        return true;
    } else if (!index.empty() && ParseConstantState(pass, nameToken, index, value)) {
        return true;
    } else if (!index.empty() && ParseBumpState(pass, nameToken, index, value)) {
        return true;
    } else if (IEquals(name, "VertexShader")) {
        ParseShaderBinding(&pass->vertexShader, true, nameToken, value);
    } else if (IEquals(name, "PixelShader")) {
        ParseShaderBinding(&pass->pixelShader, false, nameToken, value);
    } else if (const RenderStateInfo* info = FindRenderState(name)) {
        ParseRenderState(pass, *info, nameToken, value);
    } else if (IsEffectStateName(name)) {
        Warning(nameToken, "unsupported state " + Quote(name) + " ignored");
    } else {
        Warning(nameToken, "unknown state " + Quote(name) + " ignored");
    }
    return true;
}

int Parser::StateStage(std::string_view name, const std::vector<TokenRef>& index) {
    const std::vector<TokenRef> number(index.begin() + 1, index.end());
    StateValue sv;
    std::string why;
    TokenRef at;
    if (!EvaluateState(number, nullptr, &sv, &why, &at) || sv.count != 1 || sv.v[0] < 0 ||
        sv.v[0] != std::trunc(sv.v[0]) || sv.v[0] >= platform::kSamplerStages) {
        Error(number.empty() ? index[0] : number[0],
              "the stage of " + Quote(name) + " must be a whole number from 0 to " +
                  std::to_string(platform::kSamplerStages - 1) + ", not " +
                  Quote(ValueText(number)));
        return -1;
    }
    return static_cast<int>(sv.v[0]);
}

bool Parser::ParseStageState(PassDesc* pass, const TokenRef& nameToken,
                             const std::vector<TokenRef>& index,
                             const std::vector<TokenRef>& value) {
    const std::string_view name = Text(nameToken);
    const bool texture = IEquals(name, "Texture");
    const bool sampler = IEquals(name, "Sampler");
    if (!texture && !sampler && !IEquals(name, "Filter") && !IEquals(name, "BorderColor") &&
        FindSamplerState(name) == nullptr)
        return false;
    StageSetting setting;
    setting.pos = Pos(nameToken);
    setting.stage = StateStage(name, index);
    if (setting.stage < 0) return true;
    setting.state = std::string(name) + "[" + std::to_string(setting.stage) + "]";
    if (value.empty()) {
        Error(nameToken, "missing value for state " + Quote(name));
        return true;
    }
    if (sampler && value.size() >= 3 && IEquals(Text(value[0]), "sampler_state") &&
        IsPunct(value[1], '{') && IsPunct(value.back(), '}')) {
        // "sampler_state { ... }" written in the pass: its states and
        // texture on the stage.
        SamplerDesc desc;
        desc.name = setting.state;
        InlineSamplerStates(&desc, std::vector<TokenRef>(value.begin() + 2, value.end() - 1));
        setting.states = std::move(desc.states);
        setting.setsTexture = !desc.texture.empty();
        setting.texture = desc.texture;
    } else if (sampler) {
        // "(S)", "<S>" or "S": the sampler's states and texture on the stage.
        const bool bracketed = value.size() == 3 &&
                               ((IsPunct(value[0], '<') && IsPunct(value[2], '>')) ||
                                (IsPunct(value[0], '(') && IsPunct(value[2], ')')));
        const TokenRef& s = bracketed ? value[1] : value[0];
        const SamplerObject* object = (bracketed || value.size() == 1) && s.kind == Tok::Ident
                                          ? FindSampler(Text(s))
                                          : nullptr;
        if (object == nullptr) {
            Error(s, "expected a sampler declared before the technique for state " +
                         Quote(setting.state) + ", found " + Quote(ValueText(value)));
            return true;
        }
        setting.states = object->desc.states;
        setting.setsTexture = !object->desc.texture.empty();
        setting.texture = object->desc.texture;
    } else {
        SamplerDesc desc;
        desc.name = setting.state;
        const bool none = value.size() == 1 && IEquals(Text(value[0]), "null");
        SamplerAssignment(&desc, nameToken, value);
        if (texture && desc.texture.empty() && !none) return true;  // said why
        setting.setsTexture = texture;
        setting.texture = desc.texture;
        setting.states = std::move(desc.states);
        if (!texture && setting.states.empty()) return true;  // a warning or an error said
    }
    pass->stageSettings.push_back(std::move(setting));
    return true;
}

// The "State = value;" statements of a sampler_state block's tokens, each
// as a sampler_state block of a global takes it.
void Parser::InlineSamplerStates(SamplerDesc* desc, const std::vector<TokenRef>& body) {
    size_t i = 0;
    while (i < body.size()) {
        if (IsPunct(body[i], ';')) {
            ++i;
            continue;
        }
        const TokenRef& name = body[i];
        size_t end = i + 1;
        size_t depth = 0;
        while (end < body.size() && !(depth == 0 && IsPunct(body[end], ';'))) {
            if (IsPunct(body[end], '{') || IsPunct(body[end], '(')) ++depth;
            if ((IsPunct(body[end], '}') || IsPunct(body[end], ')')) && depth > 0) --depth;
            ++end;
        }
        if (name.kind != Tok::Ident || end == i + 1 || !IsPunct(body[i + 1], '=')) {
            RepeatableError(name, "unexpected ", " in the sampler_state of " + Quote(desc->name));
        } else {
            SamplerAssignment(desc, name, std::vector<TokenRef>(body.begin() + long(i) + 2,
                                                                body.begin() + long(end)));
        }
        i = end + 1;
    }
}

// "VertexShaderConstant[n]", "...ConstantF[n]", "...Constant1[n]" to
// "...Constant4[n]" and the pixel shader's: registers from n on, from a
// parameter ("<p>", "(p)", "p") or a literal. The B and I forms set the
// bool and int registers of shader assembly (MapAssemblyStates).
bool Parser::ParseConstantState(PassDesc* pass, const TokenRef& nameToken,
                                const std::vector<TokenRef>& index,
                                const std::vector<TokenRef>& value) {
    const std::string name = ToLower(Text(nameToken));
    const bool vertex = name.rfind("vertexshaderconstant", 0) == 0;
    if (!vertex && name.rfind("pixelshaderconstant", 0) != 0) return false;
    const std::string form = name.substr(vertex ? 20 : 19);
    const bool integers = form == "b" || form == "i";
    if (!(integers || form.empty() || form == "f" ||
          (form.size() == 1 && form[0] >= '1' && form[0] <= '4')))
        return false;
    ConstantSetting setting;
    if (integers) setting.set = form[0];
    setting.vertex = vertex;
    setting.pos = Pos(nameToken);
    setting.count = integers ? 1 : form.size() == 1 && form[0] != 'f' ? form[0] - '0' : 0;
    const std::vector<TokenRef> number(index.begin() + 1, index.end());
    StateValue sv;
    std::string why;
    TokenRef at;
    if (!EvaluateState(number, nullptr, &sv, &why, &at) || sv.count != 1 || sv.v[0] < 0 ||
        sv.v[0] != std::trunc(sv.v[0]) || sv.v[0] >= 256) {
        Error(number.empty() ? index[0] : number[0],
              "the register of " + Quote(Text(nameToken)) +
                  " must be a whole number from 0 to 255, not " + Quote(ValueText(number)));
        return true;
    }
    setting.start = static_cast<int>(sv.v[0]);
    if (value.empty()) {
        Error(nameToken, "missing value for state " + Quote(Text(nameToken)));
        return true;
    }
    const bool bracketed = value.size() == 3 &&
                           ((IsPunct(value[0], '<') && IsPunct(value[2], '>')) ||
                            (IsPunct(value[0], '(') && IsPunct(value[2], ')')));
    const TokenRef& word = bracketed ? value[1] : value[0];
    if ((bracketed || value.size() == 1) && word.kind == Tok::Ident) {
        for (const GlobalDeclaration& g : result_.globals) {
            if (g.name == Text(word)) setting.parameter = g.name;
        }
    }
    if (setting.parameter.empty() && LongConstantList(value, &setting.values)) {
        // A matrix or a list of more than four numbers: a register per four.
    } else if (setting.parameter.empty()) {
        if (!EvaluateState(value, nullptr, &sv, &why, &at)) {
            Error(value.size() > 1 && !why.empty() ? at : value[0],
                  "invalid value " + Quote(ValueText(value)) + " for state " +
                      Quote(Text(nameToken)) + (why.empty() ? "" : ": " + why));
            return true;
        }
        setting.values.assign(sv.v, sv.v + 4);
        for (int i = sv.count; i < 4; ++i) setting.values[i] = 0;
    }
    if (integers) intBoolStates_.push_back(nameToken);
    pass->constants.push_back(std::move(setting));
    return true;
}

// "{ 1, 0, 0, 0, 0, 1, ... }" or "float4x4(1, 0, ...)" with more than four
// numbers in all, for a constant state that fills several registers: each
// item evaluated on its own, the components in the order written (a
// matrix's rows, as the effect framework writes a literal). False for
// anything else, which the one-value reader takes.
bool Parser::LongConstantList(const std::vector<TokenRef>& value, std::vector<float>* out) {
    if (value.size() < 3) return false;
    size_t open = 0;
    int rows = 0, columns = 0;
    if (IsPunct(value[0], '{')) {
        open = 0;
    } else if (value[0].kind == Tok::Ident && IsPunct(value[1], '(')) {
        const std::string_view type = Text(value[0]);
        const size_t x = type.find('x');
        if (type.rfind("float", 0) != 0 || x == std::string_view::npos || x != 6 ||
            type.size() != 8 || type[5] < '1' || type[5] > '4' || type[7] < '1' || type[7] > '4')
            return false;
        rows = type[5] - '0';
        columns = type[7] - '0';
        open = 1;
    } else {
        return false;
    }
    const char close = IsPunct(value[open], '{') ? '}' : ')';
    if (!IsPunct(value.back(), close)) return false;
    std::vector<float> values;
    std::vector<TokenRef> item;
    int depth = 0;
    for (size_t i = open + 1; i < value.size(); ++i) {
        const TokenRef& t = value[i];
        const bool last = i + 1 == value.size();
        if (!last && (IsPunct(t, '(') || IsPunct(t, '{'))) ++depth;
        if (!last && (IsPunct(t, ')') || IsPunct(t, '}'))) --depth;
        if ((depth == 0 && IsPunct(t, ',')) || last) {
            if (item.empty()) {
                if (last && !values.empty() && close == '}') break;  // "{ 1, 2, }"
                return false;
            }
            StateValue sv;
            std::string why;
            TokenRef at;
            if (!EvaluateState(item, nullptr, &sv, &why, &at)) return false;
            for (int k = 0; k < sv.count; ++k) values.push_back(static_cast<float>(sv.v[k]));
            item.clear();
            continue;
        }
        item.push_back(t);
    }
    if (values.size() <= 4 || values.size() > 16) return false;
    if (rows > 0 && values.size() != static_cast<size_t>(rows * columns)) return false;
    // A matrix's row narrower than four still takes a register of its own.
    if (rows > 0 && columns < 4) {
        std::vector<float> padded;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < 4; ++c)
                padded.push_back(c < columns ? values[static_cast<size_t>(r * columns + c)] : 0.0f);
        }
        values = std::move(padded);
    }
    while (values.size() % 4 != 0) values.push_back(0.0f);
    *out = std::move(values);
    return true;
}

void Parser::ParseRenderState(PassDesc* pass, const RenderStateInfo& info,
                              const TokenRef& nameToken, const std::vector<TokenRef>& value) {
    std::string_view name = Text(nameToken);
    if (value.empty()) {
        Error(nameToken, "missing value for state " + Quote(name));
        return;
    }
    DWORD v = 0;
    if (value.size() == 1 && IsUnsupportedRenderValue(Text(value[0]))) {
        Warning(value[0], "unsupported value " + Quote(Text(value[0])) + " for state " +
                              Quote(name) + " ignored");
        return;
    }
    // A state that holds a number (BlendFactor = 0x80FFFFFF, a D3DCOLOR;
    // DepthBias = -0.0005, a float).
    if (info.number != StateNumber::None) {
        std::string why;
        TokenRef at;
        if (!EvaluateStateNumber(info.number, value, &v, &why, &at)) {
            // A number that is not a whole one of 0 or more (AlphaRef = 0.5)
            // is left out: unsure what Direct3D 9 makes of it, it loads.
            StateValue sv;
            std::string unused;
            TokenRef where;
            if (EvaluateState(value, nullptr, &sv, &unused, &where) && sv.count == 1) {
                Warning(value[0], "value " + Quote(ValueText(value)) + " for state " +
                                      Quote(name) + " is not a whole number of 0 or more: ignored");
                return;
            }
            Error(value.size() > 1 && !why.empty() ? at : value[0],
                  "invalid value " + Quote(ValueText(value)) + " for state " + Quote(name) +
                      (value.size() > 1 ? ": " + why : ""));
            return;
        }
        pass->renderStates.push_back({info.state, v, Pos(nameToken)});
        return;
    }
    // The common case, "SrcBlend = SrcAlpha;", without the expression reader.
    if (value.size() == 1 && info.state != D3DRS_COLORWRITEENABLE &&
        LookUpValue(info.values, Text(value[0]), &v)) {
        pass->renderStates.push_back({info.state, v, Pos(nameToken)});
        return;
    }
    if (!StateValueAsWord(info.values, info.state == D3DRS_COLORWRITEENABLE, value, &v,
                          "state " + Quote(name)))
        return;
    pass->renderStates.push_back({info.state, v, Pos(nameToken)});
}

// The value as an expression, then checked against the state's values: a
// bool state takes any number (not 0 is TRUE), ColorWriteEnable any mask
// of its four bits, any other one of its values (by name or number).
bool Parser::StateValueAsWord(const ValueSet& values, bool bits,
                              const std::vector<TokenRef>& value, DWORD* word,
                              const std::string& what) {
    StateValue sv;
    std::string why;
    TokenRef at;
    auto invalid = [&](const std::string& reason) {
        // A single word needs no reason, unless it is a global whose value is
        // not a constant.
        const bool say = !reason.empty() &&
                         (value.size() > 1 || reason.rfind("the initial value", 0) == 0);
        Error(value.size() > 1 && !why.empty() ? at : value[0],
              "invalid value " + Quote(ValueText(value)) + " for " + what +
                  (say ? ": " + reason : ""));
        return false;
    };
    if (!EvaluateState(value, &values, &sv, &why, &at)) return invalid(why);
    if (sv.count != 1) return invalid("one component expected, not " + std::to_string(sv.count));
    const double x = sv.v[0];
    DWORD unused = 0;
    if (LookUpValue(values, "true", &unused)) {
        *word = x != 0 ? 1 : 0;
        return true;
    }
    if (x < 0 || x > 0xffffffffu || x != std::trunc(x)) return invalid("not one of its values");
    const DWORD n = static_cast<DWORD>(x);
    if (bits) {
        if (n > 0xF) return invalid("more than the four channel bits");
        *word = n;
        return true;
    }
    for (size_t i = 0; i < values.count; ++i) {
        if (values.values[i].value == n) {
            *word = n;
            return true;
        }
    }
    return invalid("not one of its values");
}

// "compile vs_2_0 VS(1, true)", "null", or a shader variable.
void Parser::ParseShaderBinding(ShaderBinding* binding, bool vertex, const TokenRef& nameToken,
                                const std::vector<TokenRef>& written) {
    std::string_view name = Text(nameToken);
    // "(compile vs_2_0 VS())" and "(NULL)": the value in brackets is the same.
    size_t open = 0;
    while (open < written.size() && IsPunct(written[open], '(')) ++open;
    const bool bracketed = open < written.size() && (IEquals(Text(written[open]), "compile") ||
                                                     IEquals(Text(written[open]), "null"));
    size_t close = 0;
    while (bracketed && close < open && written.size() > open + close &&
           IsPunct(written[written.size() - 1 - close], ')')) {
        ++close;
    }
    if (close < open) close = 0;  // not a value in brackets: said below as it is
    const std::vector<TokenRef> value(written.begin() + close, written.end() - close);
    if (value.empty()) {
        Error(nameToken, "missing value for state " + Quote(name));
        return;
    }
    ShaderBinding b;
    b.present = true;
    b.pos = Pos(nameToken);
    bool reported = false;
    if (value.size() == 1 && IEquals(Text(value[0]), "null")) {
        b.null = true;
    } else if (IEquals(Text(value[0]), "compile")) {
        if (!ParseCompile(&b, vertex, value)) return;
    } else if (IEquals(Text(value[0]), "asm")) {
        AssembleBlock(&b, vertex, value);
    } else if (const ShaderVariable* var = FindShaderVariable(value, &reported)) {
        if (!var->binding.present) return;  // its declaration was wrong, and said so
        if (var->vertex != vertex) {
            Error(value[0], "shader variable " + Quote(var->name) + " is a " +
                                      (var->vertex ? "vertex" : "pixel") + " shader");
            return;
        }
        b = var->binding;
        b.pos = Pos(nameToken);
    } else {
        if (!reported)
            Error(value[0], "expected 'compile PROFILE ENTRY(...)' or 'null' for " +
                                Quote(name) + ", found " + Quote(ValueText(value)));
        return;
    }
    if (binding->present)
        Warning(nameToken, "state " + Quote(name) + " set twice; the last one counts");
    *binding = std::move(b);
}

// "asm { vs_2_0 ... }": the block as an HLSL function (its tokens placed at
// the instructions they come from), which stage 4 adds to its stage's text;
// the samplers it reads as samplers of the effect at their stages. What
// stops it is recorded in the binding: the technique says it.
void Parser::AssembleBlock(ShaderBinding* b, bool vertex, const std::vector<TokenRef>& value) {
    b->assembly = true;
    b->pos = Pos(value[0]);
    if (value.size() < 3 || !IsPunct(value[1], '{') || !IsPunct(value.back(), '}')) {
        b->assemblyError = "expected '{' after 'asm'";
        b->assemblyErrorPos = Pos(value.size() > 1 ? value[1] : value[0]);
        return;
    }
    std::vector<AsmToken> tokens;
    for (size_t i = 2; i + 1 < value.size(); ++i) {
        const SourceToken& t = in_.tokens[value[i].index];
        tokens.push_back({Text(value[i]), t.kind, t.line, t.file});
    }
    AssembledShader shader;
    AsmError error;
    const std::string prefix = "fx_asm" + std::to_string(assembled_++);
    if (!AssembleShader(tokens, vertex, prefix, &shader, &error)) {
        b->assemblyError = error.text;
        b->assemblyErrorPos = Pos(value[tokens.empty() ? 0 : 2 + error.token]);
        return;
    }
    b->profile = shader.profile;
    b->entry = shader.entry;
    b->assemblyStates = shader.states;
    ParsedEffect::AssembledCode code{shader.entry, {}};
    for (const AsmText& text : shader.text) {
        const SourceToken& at = in_.tokens[value[2 + text.token].index];
        for (const SourceToken& t : in_.MakeTokens(text.hlsl, at)) code.tokens.push_back(t);
    }
    result_.assembled.push_back(std::move(code));
    for (const AsmSampler& s : shader.samplers) {
        SamplerDesc desc;
        desc.name = s.name;
        desc.type = s.type;
        desc.registerIndex = s.stage;
        desc.pos = b->pos;
        result_.samplers.push_back(std::move(desc));
    }
}

// "VS1", "(VS1)" or "<VS1>" naming a global shader variable, or an element
// of an array of them: "(vsArray[2])", "(vsArray[NumBones])".
const ShaderVariable* Parser::FindShaderVariable(const std::vector<TokenRef>& value,
                                                 bool* reported) {
    std::vector<TokenRef> v = value;
    if (v.size() >= 3 && ((IsPunct(v.front(), '(') && IsPunct(v.back(), ')')) ||
                          (IsPunct(v.front(), '<') && IsPunct(v.back(), '>')))) {
        v = std::vector<TokenRef>(v.begin() + 1, v.end() - 1);
    }
    if (v.empty() || v[0].kind != Tok::Ident) return nullptr;
    std::string name(Text(v[0]));
    if (v.size() >= 4 && IsPunct(v[1], '[') && IsPunct(v.back(), ']')) {
        bool known = false;
        for (const ShaderVariable& var : shaderVariables_)
            known = known || var.name.compare(0, name.size() + 1, name + "[") == 0;
        if (!known) return nullptr;
        *reported = true;
        size_t index = 0;
        std::vector<TokenRef> indexTokens(v.begin() + 2, v.end() - 1);
        if (!ShaderIndex(indexTokens, &index)) return nullptr;
        std::string element = name + "[" + std::to_string(index) + "]";
        for (const ShaderVariable& var : shaderVariables_)
            if (var.name == element) return &var;
        Error(v[2], "index " + std::to_string(index) + " is past the end of " + Quote(name));
        return nullptr;
    }
    if (v.size() != 1) return nullptr;
    for (const ShaderVariable& var : shaderVariables_)
        if (var.name == name) return &var;
    return nullptr;
}

// Direct3D 9 picks the element when the pass begins, from the parameter's
// value; parameters here keep their initial values, so that is the element.
bool Parser::ShaderIndex(const std::vector<TokenRef>& index, size_t* value) {
    StateValue sv;
    std::string why;
    TokenRef at;
    if (!EvaluateState(index, nullptr, &sv, &why, &at) || sv.count != 1 || sv.v[0] < 0 ||
        sv.v[0] != std::trunc(sv.v[0]) || sv.v[0] > 65535) {
        Error(index.empty() ? at : index[0],
              "the index " + Quote(ValueText(index)) +
                  " of a shader array must be a constant whole number (a number, an int"
                  " global's initial value, or arithmetic on them)");
        return false;
    }
    *value = static_cast<size_t>(sv.v[0]);
    return true;
}

bool Parser::ParseCompile(ShaderBinding* b, bool vertex, const std::vector<TokenRef>& v) {
    if (v.size() < 2 || v[1].kind != Tok::Ident) {
        if (v.size() < 2) {
            ErrorAfter(v[0], "expected a shader profile after 'compile'");
        } else {
            Error(v[1], "expected a shader profile after 'compile'");
        }
        return false;
    }
    // A level-9 or a software model-3 profile compiles as the Direct3D 9
    // profile whose limits it is given, a ps_1_x one as ps_2_0.
    std::string_view written = Text(v[1]);
    std::string_view profile = Direct3D9Profile(written);
    ProfileStage stage = ProfileStageOf(profile);
    if (stage == ProfileStage::None) {
        // Effects written for another host name their profiles through its macros.
        if (!LooksLikeProfile(profile)) {
            Error(v[1], "unknown profile " + Quote(profile) +
                            ": is it a macro your host program defines? (-D " +
                            std::string(profile) + (vertex ? "=vs_2_0)" : "=ps_2_0)"));
        } else {
            Error(v[1], "unsupported profile " + Quote(profile));
        }
        return false;
    }
    if ((stage == ProfileStage::Vertex) != vertex) {
        Error(v[1], "profile " + Quote(written) + " cannot compile a " +
                              (vertex ? "vertex" : "pixel") + " shader");
        return false;
    }
    b->profile = ToLower(profile);
    if (v.size() < 3 || v[2].kind != Tok::Ident) {
        std::string text = "expected an entry point after " + Quote(written);
        if (v.size() < 3) {
            ErrorAfter(v[1], text);
        } else {
            Error(v[2], text);
        }
        return false;
    }
    b->entry = std::string(Text(v[2]));
    if (v.size() < 4 || !IsPunct(v[3], '(')) {
        std::string text = "expected '(' after " + Quote(b->entry);
        if (v.size() < 4) {
            ErrorAfter(v[2], text);
        } else {
            Error(v[3], text);
        }
        return false;
    }
    return ParseCompileArguments(b, v);
}

// The call's arguments, split at the commas of the outer parentheses.
bool Parser::ParseCompileArguments(ShaderBinding* b, const std::vector<TokenRef>& v) {
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
                b->arguments.push_back(ValueText(v, argStart, i));
                std::vector<SourceToken> tokens;
                for (size_t k = argStart; k < i; ++k) tokens.push_back(in_.tokens[v[k].index]);
                b->argumentTokens.push_back(std::move(tokens));
            } else if (IsPunct(v[i], ',') || !b->arguments.empty()) {
                Error(v[i], "missing argument in the call of " + Quote(b->entry));
                return false;
            }
            argStart = i + 1;
            if (depth == 0) break;
        }
    }
    if (depth != 0) {
        ErrorAfter(v.back(), "expected ')' to close the call of " + Quote(b->entry));
        return false;
    }
    if (i + 1 < v.size()) {
        Error(v[i + 1], "unexpected " + Quote(Text(v[i + 1])) + " after the call of " +
                                  Quote(b->entry));
        return false;
    }
    return true;
}

}  // namespace fx
