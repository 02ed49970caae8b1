// Stage 3: the effect framework around the HLSL (see 3_parse_effect.h).
//
// Implemented: [x] technique / technique10 / technique11 and pass blocks,
//                  names and annotations optional, keywords in any case
//              [x] VertexShader / PixelShader = compile PROFILE ENTRY(args) or
//                  null, or a global shader variable; profiles up to vs_3_0 /
//                  ps_3_0
//              [x] render states AlphaBlendEnable, SrcBlend, DestBlend,
//                  BlendOp, CullMode, ZEnable, ZWriteEnable, FillMode, ZFunc;
//                  any other state warns and is ignored
//              [x] annotations on globals, techniques and passes
//              [x] texture and string globals, a texture's ResourceName and
//                  ResourceType (3_parse_textures.cpp), sampler_state blocks
//                  (filters, addressing, border colour, mip LOD bias, largest
//                  mip level, anisotropy, texture)
// Not implemented: state blocks, arrays of shaders, asm shaders, expressions
// as state values.
//
// The parser streams tokens over the file once; every loop advances by at
// least one token, and nothing recurses on the input's nesting except #if
// expressions and includes, both capped in depth. Hostile input (binary
// garbage, unbalanced braces, megabytes of '{') costs linear time and
// bounded stack.
#include "platform/fx/3_parse_effect.h"

#include <algorithm>
#include <set>

#include "platform/fx/3_parser.h"
#include "platform/fx/tables.h"

namespace fx {

bool ParsedEffect::HasErrors() const {
    return std::any_of(messages.begin(), messages.end(),
                       [](const Message& m) { return m.IsError(); });
}

std::string EntryText(const ShaderBinding& b) {
    std::string text = b.entry + "(";
    for (size_t i = 0; i < b.arguments.size(); ++i) {
        if (i > 0) text += ", ";
        text += b.arguments[i];
    }
    return text + ")";
}

// >> the parser: tokens, blanks and messages

Parser::Parser(std::string_view src, std::string fileName, ParserShared* shared)
    : src_(src),
      fileName_(std::move(fileName)),
      shared_(shared),
      result_(*shared->result),
      lines_(src),
      pp_(src, fileName_, &shared->preprocessor, &messages_,
          [shared](const std::string& name, const std::string& text) {
              return ParseIncluded(name, text, shared);
          }) {}

std::vector<Message> Parser::ParseIncluded(const std::string& name, const std::string& text,
                                           ParserShared* shared) {
    std::string hlsl;
    std::vector<Message> messages = Parser(text, name, shared).Run(&hlsl);
    AddIncludedFile(shared->result, name, std::move(hlsl));
    return messages;
}

// A file included twice (in other macro contexts) keeps every blank that
// either reading made.
void Parser::AddIncludedFile(ParsedEffect* result, const std::string& name, std::string hlsl) {
    for (IncludedFile& f : result->includes) {
        if (f.name != name) continue;
        if (f.hlsl.size() == hlsl.size()) {
            for (size_t i = 0; i < hlsl.size(); ++i)
                if (hlsl[i] == ' ') f.hlsl[i] = ' ';
        }
        return;
    }
    result->includes.push_back({name, std::move(hlsl)});
}

std::vector<Message> Parser::Run(std::string* hlsl) {
    hlsl_.assign(src_.data(), src_.size());
    ParseTopLevel();
    std::vector<Message> messages = messages_.Finish(src_, fileName_);
    *hlsl = std::move(hlsl_);
    return messages;
}

Token Parser::Next() {
    if (hasPending_) {
        hasPending_ = false;
        return pending_;
    }
    return pp_.Next();
}

void Parser::PutBack(const Token& t) {
    pending_ = t;
    hasPending_ = true;
}

void Parser::RepeatableError(size_t offset, const char* prefix, const Token& t,
                             const std::string& where) {
    if (!messages_.Full()) Error(offset, prefix + Quote(Text(t)) + where);
}

// Spaces over [begin, end), line ends kept, so offsets, lines and columns of
// everything else stay as they were. Directive lines inside the range stay:
// glslang's preprocessor must see the same #define / #if structure as the
// file has.
void Parser::Blank(size_t begin, size_t end) {
    end = std::min(end, hlsl_.size());
    const std::vector<std::pair<size_t, size_t>>& directives = pp_.DirectiveSpans();
    auto next = std::partition_point(
        directives.begin(), directives.end(),
        [begin](const std::pair<size_t, size_t>& d) { return d.second <= begin; });
    size_t i = begin;
    while (i < end) {
        if (next != directives.end() && next->first <= i) {
            i = std::max(i, next->second);
            ++next;
            continue;
        }
        size_t stop = next != directives.end() ? std::min(end, next->first) : end;
        for (; i < stop; ++i) {
            char& c = hlsl_[i];
            if (c != '\n' && c != '\r') c = ' ';
        }
    }
}

void Parser::UnexpectedEnd(size_t offset, const std::string& what, size_t blockStart) {
    Error(offset, "unexpected end of file in " + what);
    Blank(blockStart, src_.size());
}

std::string Parser::Describe(const char* what, const std::string& name) {
    if (name.empty()) return std::string("unnamed ") + what;
    return std::string(what) + " '" + name + "'";
}

bool Parser::SkipBlock() {
    size_t depth = 1;
    for (;;) {
        Token t = Next();
        if (t.kind == Tok::End) return false;
        if (IsPunct(t, '{')) ++depth;
        if (IsPunct(t, '}') && --depth == 0) return true;
    }
}

void Parser::SkipTemplateArguments() {
    size_t depth = 1;
    for (;;) {
        Token t = Next();
        if (t.kind == Tok::End || IsPunct(t, ';') || IsPunct(t, '{') || IsPunct(t, '}')) {
            PutBack(t);
            return;
        }
        if (IsPunct(t, '<')) ++depth;
        if (IsPunct(t, '>') && --depth == 0) return;
    }
}

bool Parser::ParseAnnotation(const Token& open, std::vector<Token>* tokens) {
    size_t braces = 0;
    for (;;) {
        Token t = Next();
        if (t.kind == Tok::End) {
            Error(open.begin, "unterminated annotation");
            return false;
        }
        if (IsPunct(t, '{')) ++braces;
        if (IsPunct(t, '}')) {
            if (braces == 0) {
                Error(open.begin, "unterminated annotation");
                PutBack(t);
                return false;
            }
            --braces;
        }
        if (IsPunct(t, '>') && braces == 0) {
            Blank(open.begin, t.end);
            return true;
        }
        if (tokens != nullptr) tokens->push_back(t);
    }
}

std::string Parser::ValueText(const std::vector<Token>& value) const {
    if (value.empty()) return "";
    return std::string(src_.substr(value.front().begin, value.back().end - value.front().begin));
}

Parser::Read Parser::ReadAssignment(const Token& nameToken, std::vector<Token>* value) {
    std::string_view name = Text(nameToken);
    Token t = Next();
    if (IsPunct(t, '[')) {  // an indexed state such as Sampler[0]
        while (t.kind != Tok::End && !IsPunct(t, ']') && !IsPunct(t, ';') && !IsPunct(t, '}'))
            t = Next();
        if (IsPunct(t, ']')) t = Next();
    }
    if (t.kind == Tok::End) return Read::End;
    if (!IsPunct(t, '=')) {
        Error(t.begin, "expected '=' after " + Quote(name) + ", found " + Quote(Text(t)));
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
                Error(t.begin, "expected ';' after the value of " + Quote(name));
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

ParsedEffect ParseEffect(std::string_view source, const IncludeResolver& resolver) {
    ParsedEffect result;
    ParserShared shared;
    shared.preprocessor.resolver = &resolver;
    shared.result = &result;
    result.messages = Parser(source, "", &shared).Run(&result.hlsl);
    return result;
}

ParsedEffect ParseEffect(std::string_view source) {
    return ParseEffect(source, IncludeResolver());
}

namespace {

bool CheckBinding(const ShaderBinding& binding, ProfileStage stage, MessageList* messages) {
    if (!HasShader(binding)) return true;
    const char* what = stage == ProfileStage::Vertex ? "vertex" : "pixel";
    if (ProfileStageOf(binding.profile) != stage || !IsSupportedProfile(binding.profile)) {
        messages->Error(binding.pos, "unsupported " + std::string(what) + " shader profile '" +
                                         binding.profile + "' (" +
                                         SupportedProfileRange(stage) + " are supported)");
        return false;
    }
    if (binding.entry.empty()) {
        messages->Error(binding.pos, "the compile statement names no entry point");
        return false;
    }
    return true;
}

}  // namespace

bool CheckTechniques(const ParsedEffect& effect, bool allTechniques, MessageList* messages) {
    if (effect.techniques.empty()) {
        messages->Error("the effect has no technique");
        return false;
    }
    // The current technique is the first; the program never selects another.
    bool ok = true;
    for (const TechniqueDesc& technique : effect.techniques) {
        if (!allTechniques && &technique != &effect.techniques.front()) break;
        for (const PassDesc& pass : technique.passes) {
            if (!HasShader(pass.vertexShader) && !HasShader(pass.pixelShader)) {
                messages->Error(pass.pos, "pass '" + pass.name +
                                              "' has neither a vertex nor a pixel shader");
                ok = false;
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
    for (const SamplerDesc& s : samplers) {
        if (!seen.insert(s.name).second) continue;
        int unit = s.registerIndex;
        if (unit < 0) {
            unit = 0;
            while (taken.count(unit) != 0) ++unit;
            taken.insert(unit);
        }
        stages.push_back({s.name, unit, &s});
    }
    return stages;
}

}  // namespace fx
