// Stage 3, texture objects read through sampler objects, as Direct3D 9's
// later compilers take them in shader-model-2/3 code:
//
//     Texture2D Color : register(t0);
//     SamplerState Linear { Filter = MIN_MAG_MIP_LINEAR; AddressU = Wrap; };
//     ... Color.Sample(Linear, uv) ...
//
// Each texture read with a sampler object is one sampler of the effect, a
// pair: "sampler2D Color_Linear;" declared where both are known, with the
// texture and the sampler object's states, and each read the shader-model-2/3
// read of that sampler:
//
//     T.Sample(S, uv)            tex2D(T_S, uv)
//     T.SampleLevel(S, uv, lod)  tex2Dlod(T_S, float4(uv, 0, lod))
//     T.SampleBias(S, uv, bias)  tex2Dbias(T_S, float4(uv, 0, bias))
//     T.SampleGrad(S, uv, x, y)  tex2Dgrad(T_S, uv, x, y)
//
// (tex1D*, tex3D*, texCUBE* for the other kinds; the lod and bias reads
// fill float4 as each kind's coordinates leave room). A texture read with two
// sampler objects is two samplers, on two stages. The pair's stage is the
// sampler object's register(sN) for its first pair, else the texture's
// register(tN) as sN, else the lowest free one.
#include <algorithm>
#include <set>
#include <string>

#include "platform/fx/3_parse/3_parser.h"

namespace fx {
namespace {

struct TextureKind {
    const char* sampler;  // sampler2D
    const char* read;     // tex2D
    int components;       // of its coordinates
};

TextureKind KindOf(std::string_view type) {
    if (IEquals(type, "texture1d")) return {"sampler1D", "tex1D", 1};
    if (IEquals(type, "texture3d")) return {"sampler3D", "tex3D", 3};
    if (IEquals(type, "texturecube")) return {"samplerCUBE", "texCUBE", 3};
    return {"sampler2D", "tex2D", 2};
}

}  // namespace

bool IsSamplerObjectType(std::string_view type) {
    return type == "SamplerState" || type == "SamplerComparisonState";
}

void Parser::PairTextureObjects(const std::vector<size_t>& origin) {
    if (result_.textures.empty()) return;
    TokenStream& hlsl = result_.hlsl;
    std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t i) { return hlsl.Text(tokens[i]); };
    auto punct = [&](size_t i, char c) {
        return i < tokens.size() && tokens[i].kind == Tok::Punct && text(i).size() == 1 &&
               text(i)[0] == c;
    };
    auto findTexture = [&](std::string_view name) -> const TextureDesc* {
        for (const TextureDesc& t : result_.textures)
            if (t.name == name) return &t;
        return nullptr;
    };
    auto findSampler = [&](std::string_view name) -> const SamplerObject* {
        for (const SamplerObject& s : samplerObjects_)
            if (s.desc.name == name) return &s;
        return nullptr;
    };
    // The identifiers of the HLSL, for names of pairs that take none of
    // them; gathered at the first pair (most effects have none).
    std::set<std::string_view> names;
    std::set<std::string> chosen;
    auto gatherNames = [&] {
        if (!names.empty()) return;
        for (const SourceToken& t : tokens)
            if (t.kind == Tok::Ident) names.insert(hlsl.Text(t));
    };

    struct Pair {
        std::string name;
        const TextureDesc* texture;
        const SamplerObject* sampler;
    };
    std::vector<Pair> pairs;
    std::set<std::string> samplersPaired;
    std::set<int> taken;
    for (const SamplerDesc& s : result_.samplers)
        if (s.registerIndex >= 0) taken.insert(s.registerIndex);

    TokenEdits edits;
    auto make = [&](std::vector<SourceToken>* out, Tok kind, std::string_view t,
                    const SourceToken& at) { out->push_back(hlsl.Make(kind, t, at)); };
    for (size_t i = 0; i + 5 < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Ident || !punct(i + 1, '.') ||
            tokens[i + 2].kind != Tok::Ident)
            continue;
        const TextureDesc* texture = findTexture(text(i));
        if (!texture) continue;
        std::string_view method = text(i + 2);
        const bool level = method == "SampleLevel", bias = method == "SampleBias";
        const bool grad = method == "SampleGrad";
        if (method != "Sample" && !level && !bias && !grad) {
            Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i + 2]), Severity::Error,
                   Quote(method) + " of a texture object has no shader-model-2/3 read "
                   "(Sample, SampleLevel, SampleBias and SampleGrad have)");
            continue;
        }
        const SamplerObject* sampler =
            punct(i + 3, '(') && tokens[i + 4].kind == Tok::Ident ? findSampler(text(i + 4))
                                                                   : nullptr;
        if (!sampler || !punct(i + 5, ',')) {
            Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i]), Severity::Error,
                   Quote(std::string(text(i)) + "." + std::string(method)) +
                       " needs a SamplerState declared at global scope as its first argument");
            continue;
        }
        // The arguments after the sampler, split at the commas of this call.
        std::vector<size_t> commas;
        size_t depth = 1, close = i + 6;
        for (; close < tokens.size(); ++close) {
            if (punct(close, '(') || punct(close, '[') || punct(close, '{')) ++depth;
            if (punct(close, ')') || punct(close, ']') || punct(close, '}')) --depth;
            if (depth == 0) break;
            if (depth == 1 && punct(close, ',')) commas.push_back(close);
        }
        const size_t wanted = grad ? 2 : level || bias ? 1 : 0;
        if (close == tokens.size() || commas.size() != wanted) {
            Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i + 2]), Severity::Error,
                   Quote(method) + " takes " + std::to_string(wanted + 2) +
                       " arguments here (an offset has no shader-model-2/3 read)");
            continue;
        }

        std::string name = texture->name + "_" + sampler->desc.name;
        auto found = std::find_if(pairs.begin(), pairs.end(), [&](const Pair& p) {
            return p.texture == texture && p.sampler == sampler;
        });
        if (found == pairs.end()) {
            gatherNames();
            for (int n = 2; names.count(name) != 0 || chosen.count(name) != 0; ++n)
                name = texture->name + "_" + sampler->desc.name + std::to_string(n);
            chosen.insert(name);
            pairs.push_back({name, texture, sampler});
            found = pairs.end() - 1;
        }
        name = found->name;

        const TextureKind kind = KindOf(texture->type);
        const SourceToken& at = tokens[i];
        std::vector<SourceToken> head;
        const char* suffix = level ? "lod" : bias ? "bias" : grad ? "grad" : "";
        std::string read = std::string(kind.read) + suffix;
        make(&head, Tok::Ident, read, at);
        make(&head, Tok::Punct, "(", at);
        make(&head, Tok::Ident, name, at);
        make(&head, Tok::Punct, ",", at);
        if (level || bias) {
            make(&head, Tok::Ident, "float4", at);
            make(&head, Tok::Punct, "(", at);
            std::vector<SourceToken> middle;
            make(&middle, Tok::Punct, ",", tokens[commas[0]]);
            for (int k = kind.components; k < 3; ++k) {
                make(&middle, Tok::Number, "0", tokens[commas[0]]);
                make(&middle, Tok::Punct, ",", tokens[commas[0]]);
            }
            edits.Replace(commas[0], commas[0] + 1, std::move(middle));
            std::vector<SourceToken> end;
            make(&end, Tok::Punct, ")", tokens[close]);
            make(&end, Tok::Punct, ")", tokens[close]);
            edits.Replace(close, close + 1, std::move(end));
        }
        edits.Replace(i, i + 6, std::move(head));
        i += 5;
    }
    if (pairs.empty()) return;

    // The pairs' declarations, each before the first token that follows
    // both the texture's and the sampler object's declarations.
    std::vector<std::pair<size_t, std::vector<SourceToken>>> declarations;
    for (const Pair& p : pairs) {
        SamplerDesc desc = p.sampler->desc;
        desc.name = p.name;
        desc.type = KindOf(p.texture->type).sampler;
        desc.texture = p.texture->name;
        desc.registerIndex = -1;
        if (p.sampler->desc.registerIndex >= 0 &&
            samplersPaired.insert(p.sampler->desc.name).second) {
            desc.registerIndex = p.sampler->desc.registerIndex;
        } else {
            auto t = textureRegisters_.find(p.texture->name);
            if (t != textureRegisters_.end() && taken.count(t->second) == 0)
                desc.registerIndex = t->second;
        }
        if (desc.registerIndex >= 0) taken.insert(desc.registerIndex);

        size_t after = std::max(p.sampler->declarationEnd,
                                textureDeclarationEnds_[p.texture->name]);
        size_t at = static_cast<size_t>(
            std::lower_bound(origin.begin(), origin.end(), after) - origin.begin());
        const SourceToken& place = at < tokens.size() ? tokens[at] : tokens.back();
        std::vector<SourceToken> decl;
        make(&decl, Tok::Ident, desc.type, place);
        make(&decl, Tok::Ident, desc.name, place);
        if (desc.registerIndex >= 0) {
            make(&decl, Tok::Punct, ":", place);
            make(&decl, Tok::Ident, "register", place);
            make(&decl, Tok::Punct, "(", place);
            make(&decl, Tok::Ident, "s" + std::to_string(desc.registerIndex), place);
            make(&decl, Tok::Punct, ")", place);
        }
        make(&decl, Tok::Punct, ";", place);
        declarations.push_back({at, std::move(decl)});
        result_.samplers.push_back(std::move(desc));
    }
    // One insertion per place, the pairs in the order first read.
    std::stable_sort(declarations.begin(), declarations.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (size_t k = 0; k < declarations.size();) {
        std::vector<SourceToken> all;
        size_t at = declarations[k].first;
        for (; k < declarations.size() && declarations[k].first == at; ++k)
            all.insert(all.end(), declarations[k].second.begin(), declarations[k].second.end());
        edits.Replace(at, at, std::move(all));
    }
    edits.Apply(&tokens);
}

}  // namespace fx
