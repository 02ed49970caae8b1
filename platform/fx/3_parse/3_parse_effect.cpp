// Stage 3: the effect framework around the HLSL (see 3_parse_effect.h).
//
// Implemented: [x] technique / technique10 / technique11 and pass blocks,
//                  names and annotations optional, keywords in any case
//              [x] VertexShader / PixelShader = compile PROFILE ENTRY(args) or
//                  null, or a global shader variable; profiles up to vs_3_0 /
//                  ps_3_0
//              [x] render states AlphaBlendEnable, SrcBlend, DestBlend,
//                  BlendOp, CullMode, ZEnable, ZWriteEnable, FillMode, ZFunc,
//                  ColorWriteEnable; a texture stage's: Texture[n],
//                  Sampler[n] and sampler states (MinFilter[n]); any other
//                  state (LightEnable[1] too) warns and is ignored
//              [x] state values as expressions: operators, globals' initial
//                  values, casts, constructors, { } lists
//                  (3_parse_state_values.cpp)
//              [x] state blocks on numeric variables ("float f { ... };",
//                  "int i = { ... };"): a warning, taken out
//              [x] annotations on globals, techniques and passes
//              [x] texture and string globals, a texture's ResourceName and
//                  ResourceType (3_parse_textures.cpp), sampler_state blocks
//                  (filters, addressing, border colour, mip LOD bias, largest
//                  mip level, anisotropy, texture)
//              [x] all of it written through macros, and across includes
//              [x] arrays of shader variables, indexed by a number or an
//                  int global's initial value
//              [x] asm shaders, assembled into HLSL functions (platform/fx/asm);
//                  a technique whose assembly fails is left out
//
// The parser streams over the tokens once; every loop advances by at least
// one token, and nothing recurses on the input's nesting. Hostile input
// (binary garbage, unbalanced braces, megabytes of '{') costs linear time
// and bounded stack.
#include "platform/fx/3_parse/3_parse_effect.h"

#include <algorithm>
#include <set>

#include "platform/fx/3_parse/3_parser.h"
#include "platform/fx/shared/tables.h"

namespace fx {

std::string EntryText(const ShaderBinding& b) {
    std::string text = b.entry + "(";
    for (size_t i = 0; i < b.arguments.size(); ++i) {
        if (i > 0) text += ", ";
        text += b.arguments[i];
    }
    return text + ")";
}

// >> the parser: tokens, removal and messages

Parser::Parser(const PreprocessedEffect& input, ParsedEffect* result)
    : in_(input.stream),
      end_(input.end),
      result_(*result),
      removed_(input.stream.tokens.size(), false),
      includeFailed_(input.includeFailed) {}

void Parser::Run(std::vector<StreamMessage>* messages) {
    messages_ = messages;
    reported_ = messages->size();
    ParseTopLevel();
    // The HLSL: what is left. Tokens that meet where something was taken
    // out no longer touch.
    TokenStream& hlsl = result_.hlsl;
    hlsl.texts = in_.texts;
    hlsl.files = in_.files;
    hlsl.tokens.clear();
    std::vector<size_t> origin;
    bool gap = false;
    for (size_t i = 0; i < in_.tokens.size(); ++i) {
        if (removed_[i]) {
            gap = true;
            continue;
        }
        hlsl.tokens.push_back(in_.tokens[i]);
        if (!result_.textures.empty()) origin.push_back(i);
        if (gap) hlsl.tokens.back().flags &= static_cast<uint8_t>(~kGlued);
        gap = false;
    }
    PairTextureObjects(origin);
}

TokenRef Parser::Next() {
    if (hasPending_) {
        hasPending_ = false;
        return pending_;
    }
    for (; next_ < in_.tokens.size(); ++next_) {
        const SourceToken& s = in_.tokens[next_];
        // #pragma lines are glslang's: never effect syntax.
        if (s.kind == Tok::Directive) continue;
        // A '#' that starts no directive is no HLSL either (and would start
        // one in the text glslang is given).
        if (s.kind == Tok::Punct && in_.Text(s) == "#") {
            TokenRef hash{s.kind, next_};
            RepeatableError(hash, "unexpected ", " outside a directive");
            Remove(next_, next_ + 1);
            continue;
        }
        return {in_.tokens[next_].kind, next_++};
    }
    return EndRef();
}

void Parser::PutBack(const TokenRef& t) {
    pending_ = t;
    hasPending_ = true;
}

void Parser::Report(const TokenRef& sortAt, SourcePos pos, Severity severity, std::string text) {
    // After an #include that was not read, a warning is most likely about
    // what that file declares (a sampler's texture): the error says it all.
    if (severity == Severity::Warning && includeFailed_) return;
    if (Full()) return Unshown(severity);
    ++reported_;
    Message m = severity == Severity::Error ? ErrorAt(std::move(pos), std::move(text))
                                            : WarningAt(std::move(pos), std::move(text));
    messages_->push_back({sortAt.index, std::move(m)});
}

void Parser::RepeatableError(const TokenRef& at, const char* prefix, const std::string& where) {
    if (Full()) return Unshown(Severity::Error);
    Error(at, prefix + Quote(Text(at)) + where);
}

void Parser::Remove(size_t begin, size_t end) {
    end = std::min(end, removed_.size());
    for (size_t i = begin; i < end; ++i) {
        if (in_.tokens[i].kind != Tok::Directive) removed_[i] = true;
    }
}

void Parser::UnexpectedEnd(const std::string& what, size_t blockStart) {
    Error(EndRef(), "unexpected end of file in " + what);
    Remove(blockStart, in_.tokens.size());
}

std::string Parser::Describe(const char* what, const std::string& name) {
    if (name.empty()) return std::string("unnamed ") + what;
    return std::string(what) + " '" + name + "'";
}

bool Parser::SkipBlock() {
    size_t depth = 1;
    for (;;) {
        TokenRef t = Next();
        if (t.kind == Tok::End) return false;
        if (IsPunct(t, '{')) ++depth;
        if (IsPunct(t, '}') && --depth == 0) return true;
    }
}

void Parser::SkipTemplateArguments() {
    size_t depth = 1;
    for (;;) {
        TokenRef t = Next();
        if (t.kind == Tok::End || IsPunct(t, ';') || IsPunct(t, '{') || IsPunct(t, '}')) {
            PutBack(t);
            return;
        }
        if (IsPunct(t, '<')) ++depth;
        if (IsPunct(t, '>') && --depth == 0) return;
    }
}

bool Parser::ParseAnnotation(const TokenRef& open, std::vector<TokenRef>* tokens) {
    size_t braces = 0;
    for (;;) {
        TokenRef t = Next();
        if (t.kind == Tok::End) {
            Error(open, "unterminated annotation");
            return false;
        }
        if (IsPunct(t, '{')) ++braces;
        if (IsPunct(t, '}')) {
            if (braces == 0) {
                Error(open, "unterminated annotation");
                PutBack(t);
                return false;
            }
            --braces;
        }
        if (IsPunct(t, '>') && braces == 0) {
            Remove(open.index, t.index + 1);
            return true;
        }
        if (tokens != nullptr) tokens->push_back(t);
    }
}

std::string Parser::ValueText(const std::vector<TokenRef>& value, size_t begin,
                              size_t end) const {
    std::string s;
    end = std::min(end, value.size());
    for (size_t i = begin; i < end; ++i) {
        if (i > begin && (in_.tokens[value[i].index].flags & kGlued) == 0) s += ' ';
        s += Text(value[i]);
    }
    return s;
}

Parser::Read Parser::ReadAssignment(const TokenRef& nameToken, std::vector<TokenRef>* value,
                                    std::vector<TokenRef>* index) {
    std::string_view name = Text(nameToken);
    TokenRef t = Next();
    if (IsPunct(t, '[')) {  // an indexed state such as Sampler[0]
        while (t.kind != Tok::End && !IsPunct(t, ']') && !IsPunct(t, ';') && !IsPunct(t, '}')) {
            if (index) index->push_back(t);
            t = Next();
        }
        if (IsPunct(t, ']')) t = Next();
    }
    if (t.kind == Tok::End) return Read::End;
    if (!IsPunct(t, '=')) {
        Error(t, "expected '=' after " + Quote(name) + ", found " + Quote(Text(t)));
        // Up to the end of the statement, or of the block.
        while (t.kind != Tok::End && !IsPunct(t, ';') && !IsPunct(t, '}')) t = Next();
        if (t.kind == Tok::End) return Read::End;
        if (IsPunct(t, '}')) PutBack(t);
        return Read::Skipped;
    }
    size_t braces = 0;
    for (;;) {
        t = Next();
        if (t.kind == Tok::End) return Read::End;
        if (braces == 0 && IsPunct(t, ';')) break;
        if (IsPunct(t, '{')) ++braces;
        if (IsPunct(t, '}')) {
            if (braces == 0) {
                Error(t, "expected ';' after the value of " + Quote(name));
                PutBack(t);
                break;
            }
            --braces;
        }
        value->push_back(t);
    }
    return Read::Ok;
}

// >> the whole effect

ParsedEffect ParseEffect(PreprocessedEffect preprocessed, MessageSink& sink) {
    ParsedEffect result;
    result.hlsl.texts = preprocessed.stream.texts;
    result.hlsl.files = preprocessed.stream.files;
    std::vector<StreamMessage> messages = std::move(preprocessed.messages);
    size_t unshownErrors = preprocessed.unshownErrors;
    size_t unshownWarnings = preprocessed.unshownWarnings;
    if (!preprocessed.stopped) {
        Parser parser(preprocessed, &result);
        parser.Run(&messages);
        unshownErrors += parser.unshownErrors;
        unshownWarnings += parser.unshownWarnings;
    }

    // In stream order (what stage 2 said about a place before what stage 3
    // said about it), capped; the rest counted.
    std::stable_sort(messages.begin(), messages.end(),
                     [](const StreamMessage& a, const StreamMessage& b) {
                         return a.before < b.before;
                     });
    size_t shown = 0;
    for (StreamMessage& m : messages) {
        if (shown == kMaxParseMessages) {
            ++(m.message.IsError() ? unshownErrors : unshownWarnings);
            continue;
        }
        ++shown;
        sink.Add(std::move(m.message));
    }
    sink.AddUnshown(unshownErrors, unshownWarnings);
    return result;
}

ParsedEffect ParseEffect(std::string_view source, MessageSink& messages,
                         const IncludeResolver& resolver) {
    return ParseEffect(Preprocess(source, resolver), messages);
}

namespace {

bool CheckBinding(const ShaderBinding& binding, ProfileStage stage, MessageSink& messages) {
    if (!HasShader(binding)) return true;
    const char* what = stage == ProfileStage::Vertex ? "vertex" : "pixel";
    if (ProfileStageOf(binding.profile) != stage || !IsSupportedProfile(binding.profile)) {
        messages.Error(binding.pos, "unsupported " + std::string(what) + " shader profile '" +
                                        binding.profile + "' (" +
                                        SupportedProfileRange(stage) + " are supported)");
        return false;
    }
    if (binding.entry.empty()) {
        messages.Error(binding.pos, "the compile statement names no entry point");
        return false;
    }
    return true;
}

}  // namespace

bool CheckTechniques(const ParsedEffect& effect, bool allTechniques, MessageSink& messages) {
    if (!effect.techniques.empty()) {
        for (const ParsedEffect::AssemblyFailure& f : effect.assemblyFailures)
            messages.Warning(f.pos, f.technique + " is left out: " + f.text);
    }
    if (effect.techniques.empty()) {
        // A brace left open in the code takes in everything after it, the
        // techniques too: say where it opened.
        std::vector<const SourceToken*> open;
        for (const SourceToken& t : effect.hlsl.tokens) {
            if (t.kind != Tok::Punct) continue;
            const std::string_view text = effect.hlsl.Text(t);
            if (text == "{") open.push_back(&t);
            if (text == "}" && !open.empty()) open.pop_back();
        }
        if (!open.empty()) {
            messages.Error(effect.hlsl.Pos(*open.back()),
                           "this '{' is never closed: what follows it, the techniques too, is "
                           "read as inside it");
        } else if (!effect.assemblyFailures.empty()) {
            // No technique is left: what stopped the assembly is the error.
            for (const ParsedEffect::AssemblyFailure& f : effect.assemblyFailures)
                messages.Error(f.pos, f.text);
        } else {
            messages.Error("the effect has no technique");
        }
        return false;
    }
    // The current technique is the first; the program never selects another.
    bool ok = true;
    for (const TechniqueDesc& technique : effect.techniques) {
        if (!allTechniques && &technique != &effect.techniques.front()) break;
        for (const PassDesc& pass : technique.passes) {
            // Direct3D 9 draws such a pass with its fixed-function pipeline;
            // here the stand-ins draw the diffuse colour at the untransformed
            // position.
            if (!HasShader(pass.vertexShader) && !HasShader(pass.pixelShader)) {
                messages.Warning(pass.pos, "pass '" + pass.name +
                                               "' has neither a vertex nor a pixel shader: "
                                               "drawn with the vertex colour, untransformed");
            }
            ok &= CheckBinding(pass.vertexShader, ProfileStage::Vertex, messages);
            ok &= CheckBinding(pass.pixelShader, ProfileStage::Pixel, messages);
        }
    }
    return ok;
}

std::vector<SamplerStage> AssignSamplerStages(const std::vector<SamplerDesc>& samplers) {
    std::vector<SamplerStage> stages;
    std::set<int> taken;
    for (const SamplerDesc& s : samplers) {
        if (s.registerIndex >= 0) taken.insert(s.registerIndex);
    }
    std::set<std::string> seen;
    // Every unit below it is taken, and taken units stay taken: the search
    // goes on from there (thousands of samplers once made it quadratic).
    int lowestFree = 0;
    for (const SamplerDesc& s : samplers) {
        if (!seen.insert(s.name).second) continue;
        int unit = s.registerIndex;
        if (unit < 0) {
            while (taken.count(lowestFree) != 0) ++lowestFree;
            unit = lowestFree;
            taken.insert(unit);
        }
        stages.push_back({s.name, unit, &s});
    }
    return stages;
}

}  // namespace fx
