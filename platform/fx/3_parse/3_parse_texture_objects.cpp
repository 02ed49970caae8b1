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
//
// A plain sampler (sampler, sampler2D, ... with or without sampler_state)
// given to T.Sample in place of a sampler object pairs the same way: the
// pair takes its states, and its register unless the sampler is also read
// as itself (tex2D(S, uv)), which keeps that stage for its own reads.
#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "platform/fx/3_parse/3_parser.h"

namespace fx {
namespace {

struct ObjectKind {
    const char* sampler;  // sampler2D
    const char* read;     // tex2D
    int components;       // of its coordinates
};

ObjectKind KindOf(std::string_view type) {
    if (IEquals(type, "texture1d")) return {"sampler1D", "tex1D", 1};
    if (IEquals(type, "texture3d")) return {"sampler3D", "tex3D", 3};
    if (IEquals(type, "texturecube")) return {"samplerCUBE", "texCUBE", 3};
    return {"sampler2D", "tex2D", 2};
}

bool PunctAt(const TokenStream& hlsl, size_t i, char c) {
    if (i >= hlsl.tokens.size() || hlsl.tokens[i].kind != Tok::Punct) return false;
    const std::string_view t = hlsl.Text(hlsl.tokens[i]);
    return t.size() == 1 && t[0] == c;
}

// The read a method names, and how many arguments it takes past the
// sampler and the coordinates; no method when it has no such read.
struct TextureRead {
    const char* method = nullptr;
    const char* suffix = "";  // tex2D + suffix
    size_t extraArguments = 0;
    bool packed = false;  // the lod or bias goes into float4(coordinates, lod)
};

TextureRead TextureReadOf(std::string_view method) {
    if (method == "Sample") return {"Sample", "", 0, false};
    if (method == "SampleLevel") return {"SampleLevel", "lod", 1, true};
    if (method == "SampleBias") return {"SampleBias", "bias", 1, true};
    if (method == "SampleGrad") return {"SampleGrad", "grad", 2, false};
    return {};
}

// The ')' closing a call whose arguments start at `from` (tokens' size if
// none does), and the commas between its arguments.
size_t CallEnd(const TokenStream& hlsl, size_t from, std::vector<size_t>* commas) {
    size_t depth = 1, close = from;
    for (; close < hlsl.tokens.size(); ++close) {
        if (PunctAt(hlsl, close, '(') || PunctAt(hlsl, close, '[') || PunctAt(hlsl, close, '{'))
            ++depth;
        if (PunctAt(hlsl, close, ')') || PunctAt(hlsl, close, ']') || PunctAt(hlsl, close, '}'))
            --depth;
        if (depth == 0) break;
        if (depth == 1 && PunctAt(hlsl, close, ',')) commas->push_back(close);
    }
    return close;
}

// "T.SampleLevel(S, uv, lod)" at i as "tex2Dlod(T_S, float4(uv, 0, lod))";
// a read of a texture of fewer components (Texture2D<float2>) takes those
// of the four, "(tex2D(T_S, uv)).xy".
void RewriteRead(const TokenStream& hlsl, size_t i, const ObjectKind& kind, const TextureRead& read,
                 int components, const std::string& sampler, const std::vector<size_t>& commas,
                 size_t close, TokenEdits* edits) {
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    auto make = [&](std::vector<SourceToken>* out, Tok k, std::string_view t,
                    const SourceToken& at) { out->push_back(hlsl.Make(k, t, at)); };
    const SourceToken& at = tokens[i];
    std::vector<SourceToken> head;
    std::vector<SourceToken> end;
    make(&end, Tok::Punct, ")", tokens[close]);
    if (components < 4) {
        make(&head, Tok::Punct, "(", at);
        make(&end, Tok::Punct, ")", tokens[close]);
        make(&end, Tok::Punct, ".", tokens[close]);
        make(&end, Tok::Ident, std::string_view("xyzw").substr(0, components), tokens[close]);
    }
    make(&head, Tok::Ident, std::string(kind.read) + read.suffix, at);
    make(&head, Tok::Punct, "(", at);
    make(&head, Tok::Ident, sampler, at);
    make(&head, Tok::Punct, ",", at);
    if (read.packed) {
        make(&head, Tok::Ident, "float4", at);
        make(&head, Tok::Punct, "(", at);
        std::vector<SourceToken> middle;
        make(&middle, Tok::Punct, ",", tokens[commas[0]]);
        for (int k = kind.components; k < 3; ++k) {
            make(&middle, Tok::Number, "0", tokens[commas[0]]);
            make(&middle, Tok::Punct, ",", tokens[commas[0]]);
        }
        edits->Replace(commas[0], commas[0] + 1, std::move(middle));
        make(&end, Tok::Punct, ")", tokens[close]);
    }
    if (end.size() > 1) edits->Replace(close, close + 1, std::move(end));
    edits->Replace(i, i + 6, std::move(head));
}

bool IsTextureObjectType(std::string_view type) {
    return IEquals(type, "texture1d") || IEquals(type, "texture2d") ||
           IEquals(type, "texture3d") || IEquals(type, "texturecube");
}

// A texture or sampler object type's name at i.
bool IsObjectTypeAt(const TokenStream& hlsl, size_t i) {
    if (hlsl.tokens[i].kind != Tok::Ident) return false;
    const std::string_view type = hlsl.Text(hlsl.tokens[i]);
    return IsTextureObjectType(type) || IsSamplerObjectType(type);
}

// ".Sample(" and its kin at i: a texture object's read, or one written on
// something else.
bool IsReadMethodAt(const TokenStream& hlsl, size_t i) {
    return PunctAt(hlsl, i, '.') && i + 2 < hlsl.tokens.size() &&
           hlsl.tokens[i + 1].kind == Tok::Ident && PunctAt(hlsl, i + 2, '(') &&
           TextureReadOf(hlsl.Text(hlsl.tokens[i + 1])).method != nullptr;
}

// base, else base2, base3, ...: the first that is neither a name of the
// HLSL nor one chosen already; chosen now.
std::string NameNotTaken(const std::string& base, const std::set<std::string_view>& names,
                         std::set<std::string>* chosen) {
    std::string name = base;
    for (int n = 2; names.count(name) != 0 || chosen->count(name) != 0; ++n)
        name = base + std::to_string(n);
    chosen->insert(name);
    return name;
}

}  // namespace

// A function whose parameters are texture or sampler objects,
//
//     float4 Read(Texture2D t, SamplerState s, float2 uv) { return t.Sample(s, uv); }
//     ... Read(Color, Linear, uv) ...
//
// is copied once for each set of globals its calls pass for them, those
// parameters dropped and their names the globals' in the copy:
//
//     float4 Read_Color_Linear(float2 uv) { return Color.Sample(Linear, uv); }
//     ... Read_Color_Linear(uv) ...
//
// The copies stand where the function stood. A call passing anything but a
// global texture or sampler for such a parameter is an error. A plain
// sampler parameter (sampler2D s) is one of them where the function gives
// it to a texture object's read (t.Sample(s, uv)) or passes it on to such
// a parameter: the read pairs the texture with the global sampler the call
// names, as one written with that global would.
bool Parser::SpecialiseObjectParameters(std::vector<size_t>* origin) {
    const TokenStream& hlsl = result_.hlsl;
    // The global objects are out of the HLSL by now: a name of their types
    // left is a parameter's (or a local's), and a read given a sampler
    // parameter is a method call. Most effects have neither.
    bool any = false;
    for (size_t i = 0; i < hlsl.tokens.size() && !any; ++i)
        any = IsObjectTypeAt(hlsl, i) || IsReadMethodAt(hlsl, i);
    if (!any) return false;
    std::vector<ObjectFunction> functions = FindObjectFunctions();
    if (functions.empty()) return false;
    // The calls first, to know the copies; then the text, copies in place.
    bool passedOn = false;
    const std::vector<ObjectCall> calls = FindObjectCalls(functions, *origin, &passedOn);
    if (calls.empty()) return false;
    // A function a copy will call with its globals on the next round stays
    // too, till no call is left (DropUncalledOriginals).
    WriteObjectCopies(functions, calls, passedOn, origin);
    return passedOn;
}

void Parser::DropUncalledOriginals(std::vector<size_t>* origin) {
    if (keptOriginals_.empty()) return;
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    // One a removed one called may be uncalled now: as many rounds as the
    // longest chain.
    for (bool removed = true; removed;) {
        removed = false;
        std::vector<ObjectFunction> functions = FindObjectFunctions();
        const ObjectFunction* drop = nullptr;
        for (const ObjectFunction& f : functions) {
            if (keptOriginals_.count(f.name) == 0) continue;
            bool called = false;
            for (size_t i = 0; i + 1 < tokens.size() && !called; ++i) {
                called = (i < f.begin || i >= f.end) && tokens[i].kind == Tok::Ident &&
                         hlsl.Text(tokens[i]) == f.name && PunctAt(hlsl, i + 1, '(');
            }
            if (!called) {
                drop = &f;
                break;
            }
        }
        if (drop == nullptr) break;
        TokenWriter out{hlsl, *origin, {}, {}};
        out.Copy(0, drop->begin);
        out.Copy(drop->end, tokens.size());
        keptOriginals_.erase(drop->name);
        result_.hlsl.tokens = std::move(out.tokens);
        *origin = std::move(out.tokenOrigin);
        removed = true;
    }
}

std::vector<Parser::ObjectParameter> Parser::ReadObjectParameters(
    size_t from, const std::vector<size_t>& commas) const {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    std::vector<ObjectParameter> parameters;
    for (size_t comma : commas) {
        ObjectParameter p{from, comma, "", false, ""};
        for (size_t k = from; k < comma; ++k) {
            if (tokens[k].kind == Tok::Ident && IsSamplerType(hlsl.Text(tokens[k])) &&
                k + 1 < comma && tokens[k + 1].kind == Tok::Ident) {
                p.plainSampler = std::string(hlsl.Text(tokens[k + 1]));
                break;
            }
            if (!IsObjectTypeAt(hlsl, k)) continue;
            p.texture = IsTextureObjectType(hlsl.Text(tokens[k]));
            size_t n = k + 1;
            if (PunctAt(hlsl, n, '<'))
                while (n < comma && !PunctAt(hlsl, n, '>')) ++n;
            if (PunctAt(hlsl, n, '>')) ++n;
            if (n < comma && tokens[n].kind == Tok::Ident)
                p.name = std::string(hlsl.Text(tokens[n]));
            break;
        }
        if (from != comma) parameters.push_back(std::move(p));
        from = comma + 1;
    }
    return parameters;
}

std::vector<Parser::ObjectFunction> Parser::FindObjectFunctions() const {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    std::vector<ObjectFunction> functions;
    size_t depth = 0;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        if (PunctAt(hlsl, i, '{') || PunctAt(hlsl, i, '(')) ++depth;
        if ((PunctAt(hlsl, i, '}') || PunctAt(hlsl, i, ')')) && depth > 0) --depth;
        if (depth != 0 || i == 0 || tokens[i].kind != Tok::Ident ||
            tokens[i - 1].kind != Tok::Ident || !PunctAt(hlsl, i + 1, '('))
            continue;
        std::vector<size_t> commas;
        const size_t close = CallEnd(hlsl, i + 2, &commas);
        size_t brace = close + 1;
        if (PunctAt(hlsl, brace, ':')) brace += 2;
        if (brace >= tokens.size() || !PunctAt(hlsl, brace, '{')) continue;
        std::vector<size_t> unused;
        const size_t bodyClose = CallEnd(hlsl, brace + 1, &unused);
        if (bodyClose == tokens.size()) break;
        ObjectFunction f{std::string(hlsl.Text(tokens[i])), i - 1, i, i + 1, close, bodyClose + 1,
                         brace, {}, {}};
        commas.push_back(close);
        f.parameters = ReadObjectParameters(i + 2, commas);
        auto taken = [](const ObjectParameter& p) {
            return !p.name.empty() || !p.plainSampler.empty();
        };
        if (std::any_of(f.parameters.begin(), f.parameters.end(), taken))
            functions.push_back(std::move(f));
        i = bodyClose;
        depth = 0;
    }
    MarkSamplerParameters(&functions);
    std::erase_if(functions, [](const ObjectFunction& f) {
        return std::none_of(f.parameters.begin(), f.parameters.end(),
                            [](const ObjectParameter& p) { return !p.name.empty(); });
    });
    return functions;
}

void Parser::MarkSamplerParameters(std::vector<ObjectFunction>* functions) const {
    // A parameter passed on makes the one it is passed from an object too:
    // as many rounds as the longest chain of such calls.
    for (bool changed = true; changed;) {
        changed = false;
        for (ObjectFunction& f : *functions) {
            for (ObjectParameter& p : f.parameters) {
                if (p.plainSampler.empty() || !p.name.empty() ||
                    !GivenToObject(f, p.plainSampler, *functions))
                    continue;
                p.name = p.plainSampler;
                changed = true;
            }
        }
    }
}

bool Parser::GivenToObject(const ObjectFunction& f, const std::string& name,
                           const std::vector<ObjectFunction>& functions) const {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t i) { return hlsl.Text(tokens[i]); };
    for (size_t k = f.body + 1; k + 2 < f.end; ++k) {
        // "x.Sample(name, ..."
        if (IsReadMethodAt(hlsl, k) && tokens[k + 3].kind == Tok::Ident && text(k + 3) == name &&
            (PunctAt(hlsl, k + 4, ',') || PunctAt(hlsl, k + 4, ')')))
            return true;
        // "G(..., name, ...)" where G takes a sampler object there.
        if (tokens[k].kind != Tok::Ident || !PunctAt(hlsl, k + 1, '(') || PunctAt(hlsl, k - 1, '.'))
            continue;
        std::vector<size_t> commas;
        const size_t close = CallEnd(hlsl, k + 2, &commas);
        if (close >= f.end) continue;
        commas.push_back(close);
        for (const ObjectFunction& g : functions) {
            if (g.name != text(k) || g.parameters.size() != commas.size()) continue;
            size_t from = k + 2;
            for (size_t a = 0; a < commas.size(); ++a) {
                const ObjectParameter& q = g.parameters[a];
                if (commas[a] == from + 1 && tokens[from].kind == Tok::Ident &&
                    text(from) == name && !q.name.empty() && !q.texture)
                    return true;
                from = commas[a] + 1;
            }
        }
    }
    return false;
}

const Parser::ObjectFunction* Parser::InsideObjectFunction(
    const std::vector<ObjectFunction>& functions, size_t i) {
    for (const ObjectFunction& f : functions)
        if (i >= f.begin && i < f.end) return &f;
    return nullptr;
}

bool Parser::ReadObjectArguments(const std::vector<ObjectFunction>& functions,
                                 const std::vector<size_t>& origin,
                                 const std::vector<size_t>& commas, ObjectCall* call,
                                 std::vector<std::string>* globals, bool* passedOn) {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t i) { return hlsl.Text(tokens[i]); };
    const ObjectFunction& f = *call->function;
    // A function's object parameter passed on to another such function: a
    // call the copies of the first make with globals, on the next round
    // (one that is never called stays as it is).
    auto passesOn = [&](size_t argument) {
        const ObjectFunction* in = InsideObjectFunction(functions, call->at);
        return in && tokens[argument].kind == Tok::Ident &&
               std::any_of(in->parameters.begin(), in->parameters.end(),
                           [&](const ObjectParameter& p) { return p.name == text(argument); });
    };
    size_t from = call->at + 2;
    bool ok = true;
    for (size_t k = 0; k < commas.size(); ++k) {
        const ObjectParameter& p = f.parameters[k];
        if (p.name.empty()) {
            call->kept.push_back({from, commas[k]});
        } else if (commas[k] == from + 1 && tokens[from].kind == Tok::Ident &&
                   (p.texture ? FindTexture(text(from)) != nullptr
                              : FindSampler(text(from)) != nullptr)) {
            globals->push_back(std::string(text(from)));
        } else if (commas[k] == from + 1 && passesOn(from)) {
            ok = false;  // read in the copies of the function it is in
            *passedOn = true;
        } else {
            Report({Tok::Ident, origin[from]}, hlsl.Pos(tokens[from]), Severity::Error,
                   "the " + std::string(p.texture ? "texture object " : p.plainSampler.empty() ? "sampler object " : "sampler ") +
                       Quote(p.name) + " of " + Quote(f.name) +
                       " needs a global one's name here");
            ok = false;
        }
        from = commas[k] + 1;
    }
    return ok;
}

std::vector<Parser::ObjectCall> Parser::FindObjectCalls(std::vector<ObjectFunction>& functions,
                                                        const std::vector<size_t>& origin,
                                                        bool* passedOn) {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t i) { return hlsl.Text(tokens[i]); };
    std::set<std::string_view> names;
    for (const SourceToken& t : tokens)
        if (t.kind == Tok::Ident) names.insert(hlsl.Text(t));
    std::set<std::string> chosen;
    std::vector<ObjectCall> calls;
    for (size_t i = 0; i + 1 < tokens.size(); ++i) {
        // Not a declaration's name ("float4 Read(...);"), a statement's
        // start ("return Read(...)") may be.
        if (tokens[i].kind != Tok::Ident || !PunctAt(hlsl, i + 1, '(') ||
            (i > 0 && tokens[i - 1].kind == Tok::Ident && text(i - 1) != "return" &&
             text(i - 1) != "else"))
            continue;
        auto f = std::find_if(functions.begin(), functions.end(),
                              [&](const ObjectFunction& g) { return g.name == text(i); });
        if (f == functions.end() || InsideObjectFunction(functions, i) == &*f) continue;
        std::vector<size_t> commas;
        const size_t close = CallEnd(hlsl, i + 2, &commas);
        if (close == tokens.size()) continue;
        commas.push_back(close);
        if (commas.size() != f->parameters.size()) continue;  // another overload
        ObjectCall call{i, close, &*f, "", {}};
        std::vector<std::string> globals;
        if (!ReadObjectArguments(functions, origin, commas, &call, &globals, passedOn)) continue;
        auto known = std::find_if(f->copies.begin(), f->copies.end(),
                                  [&](const auto& c) { return c.second == globals; });
        if (known == f->copies.end()) {
            std::string name = f->name;
            for (const std::string& g : globals) name += "_" + g;
            f->copies.push_back({NameNotTaken(name, names, &chosen), globals});
            known = f->copies.end() - 1;
        }
        call.copy = known->first;
        calls.push_back(std::move(call));
        i = close;
    }
    return calls;
}

void Parser::TokenWriter::Copy(size_t begin, size_t end) {
    for (size_t k = begin; k < end; ++k) {
        tokens.push_back(hlsl.tokens[k]);
        tokenOrigin.push_back(origin[k]);
    }
}

void Parser::TokenWriter::Add(Tok kind, std::string_view text, size_t at) {
    tokens.push_back(hlsl.Make(kind, text, hlsl.tokens[at]));
    tokenOrigin.push_back(origin[at]);
}

size_t Parser::WriteObjectCall(const ObjectCall& c, TokenWriter* out) {
    out->Add(Tok::Ident, c.copy, c.at);
    out->tokens.back().flags = out->hlsl.tokens[c.at].flags;
    out->Add(Tok::Punct, "(", c.at + 1);
    for (size_t k = 0; k < c.kept.size(); ++k) {
        if (k > 0) out->Add(Tok::Punct, ",", c.kept[k].first);
        out->Copy(c.kept[k].first, c.kept[k].second);
    }
    out->Add(Tok::Punct, ")", c.close);
    return c.close + 1;
}

void Parser::WriteObjectCopy(const ObjectFunction& f, const std::string& name,
                             const std::vector<std::string>& globals,
                             const std::map<size_t, const ObjectCall*>& callAt,
                             TokenWriter* out) const {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    out->Copy(f.begin, f.nameAt);
    out->Add(Tok::Ident, name, f.nameAt);
    out->Add(Tok::Punct, "(", f.open);
    bool first = true;
    for (const ObjectParameter& p : f.parameters) {
        if (!p.name.empty()) continue;
        if (!first) out->Add(Tok::Punct, ",", p.begin);
        out->Copy(p.begin, p.end);
        first = false;
    }
    for (size_t k = f.close; k < f.end; ++k) {
        // Its calls of other such functions, with globals.
        if (auto c = callAt.find(k); c != callAt.end()) {
            k = WriteObjectCall(*c->second, out) - 1;
            continue;
        }
        // The global in place of an object parameter's name.
        const std::string* global = nullptr;
        size_t object = 0;
        for (const ObjectParameter& p : f.parameters) {
            if (p.name.empty()) continue;
            if (tokens[k].kind == Tok::Ident && hlsl.Text(tokens[k]) == p.name)
                global = &globals[object];
            ++object;
        }
        if (global) {
            out->Add(Tok::Ident, *global, k);
            out->tokens.back().flags = tokens[k].flags;
        } else {
            out->Copy(k, k + 1);
        }
    }
}

void Parser::WriteObjectCopies(const std::vector<ObjectFunction>& functions,
                               const std::vector<ObjectCall>& calls, bool keepOriginals,
                               std::vector<size_t>* origin) {
    const std::vector<SourceToken>& tokens = result_.hlsl.tokens;
    std::map<size_t, const ObjectCall*> callAt;
    for (const ObjectCall& c : calls) callAt[c.at] = &c;
    TokenWriter out{result_.hlsl, *origin, {}, {}};
    for (size_t i = 0; i < tokens.size();) {
        const ObjectFunction* f = nullptr;
        for (const ObjectFunction& g : functions)
            if (g.begin == i && !g.copies.empty()) f = &g;
        if (f) {
            for (const auto& [name, globals] : f->copies)
                WriteObjectCopy(*f, name, globals, callAt, &out);
            if (!keepOriginals) {
                i = f->end;
                continue;
            }
            keptOriginals_.insert(f->name);
            out.Copy(i, f->nameAt + 1);
            i = f->nameAt + 1;
            continue;
        }
        if (auto c = callAt.find(i); c != callAt.end()) {
            i = WriteObjectCall(*c->second, &out);
            continue;
        }
        out.Copy(i, i + 1);
        ++i;
    }
    result_.hlsl.tokens = std::move(out.tokens);
    *origin = std::move(out.tokenOrigin);
}

bool IsSamplerObjectType(std::string_view type) {
    return type == "SamplerState" || type == "SamplerComparisonState";
}

void Parser::PairTextureObjects(std::vector<size_t>& origin) {
    if (result_.textures.empty()) return;
    // Each round copies the functions the last round's copies call with
    // globals; a chain of calls is as many rounds (HLSL has no recursion).
    for (int round = 0; round < 16 && SpecialiseObjectParameters(&origin); ++round) {
    }
    DropUncalledOriginals(&origin);
    TokenStream& hlsl = result_.hlsl;
    std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t i) { return hlsl.Text(tokens[i]); };
    // The identifiers of the HLSL, for names of pairs that take none of
    // them; gathered at the first pair (most effects have none).
    std::set<std::string_view> names;
    std::set<std::string> chosen;
    std::vector<TexturePair> pairs;
    std::map<std::string, size_t> pairedReads;  // of each plain sampler
    TokenEdits edits;
    for (size_t i = 0; i + 5 < tokens.size(); ++i) {
        if (tokens[i].kind != Tok::Ident || !PunctAt(hlsl, i + 1, '.') ||
            tokens[i + 2].kind != Tok::Ident)
            continue;
        const TextureDesc* texture = FindTexture(text(i));
        if (!texture) continue;
        const TextureRead read = TextureReadOf(text(i + 2));
        if (read.method == nullptr) {
            Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i + 2]), Severity::Error,
                   Quote(text(i + 2)) + " of a texture object has no shader-model-2/3 read "
                   "(Sample, SampleLevel, SampleBias and SampleGrad have)");
            continue;
        }
        std::vector<size_t> commas;
        size_t close = 0;
        const SamplerObject* sampler =
            ReadTextureRead(i, read.method, read.extraArguments, origin, &commas, &close);
        if (!sampler) continue;
        const std::string pair = PairOf(texture, sampler, &pairs, &names, &chosen);
        RewriteRead(hlsl, i, KindOf(texture->type), read, texture->components, pair, commas,
                    close, &edits);
        if (sampler->plain) ++pairedReads[sampler->desc.name];
        i += 5;
    }
    if (pairs.empty()) return;
    MarkSamplersReadDirectly(pairedReads);
    DeclareTexturePairs(pairs, origin, &edits);
    edits.Apply(&tokens);
}

const TextureDesc* Parser::FindTexture(std::string_view name) const {
    for (const TextureDesc& t : result_.textures)
        if (t.name == name) return &t;
    return nullptr;
}

const Parser::SamplerObject* Parser::FindSampler(std::string_view name) const {
    for (const SamplerObject& s : samplerObjects_)
        if (s.desc.name == name) return &s;
    for (const SamplerObject& s : plainSamplers_)
        if (s.desc.name == name) return &s;
    return nullptr;
}

const Parser::SamplerObject* Parser::ReadTextureRead(size_t i, const char* method,
                                                     size_t extraArguments,
                                                     const std::vector<size_t>& origin,
                                                     std::vector<size_t>* commas, size_t* close) {
    const TokenStream& hlsl = result_.hlsl;
    const std::vector<SourceToken>& tokens = hlsl.tokens;
    auto text = [&](size_t k) { return hlsl.Text(tokens[k]); };
    const SamplerObject* sampler =
        PunctAt(hlsl, i + 3, '(') && tokens[i + 4].kind == Tok::Ident ? FindSampler(text(i + 4))
                                                                      : nullptr;
    if (!sampler || !PunctAt(hlsl, i + 5, ',')) {
        Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i]), Severity::Error,
               Quote(std::string(text(i)) + "." + method) +
                   " needs a sampler or SamplerState declared at global scope as its "
                   "first argument");
        return nullptr;
    }
    *close = CallEnd(hlsl, i + 6, commas);
    if (*close == tokens.size() || commas->size() != extraArguments) {
        Report({Tok::Ident, origin[i]}, hlsl.Pos(tokens[i + 2]), Severity::Error,
               Quote(method) + " takes " + std::to_string(extraArguments + 2) +
                   " arguments here (an offset has no shader-model-2/3 read)");
        return nullptr;
    }
    return sampler;
}

std::string Parser::PairOf(const TextureDesc* texture, const SamplerObject* sampler,
                           std::vector<TexturePair>* pairs, std::set<std::string_view>* names,
                           std::set<std::string>* chosen) const {
    auto found = std::find_if(pairs->begin(), pairs->end(), [&](const TexturePair& p) {
        return p.texture == texture && p.sampler == sampler;
    });
    if (found != pairs->end()) return found->name;
    if (names->empty()) {
        for (const SourceToken& t : result_.hlsl.tokens)
            if (t.kind == Tok::Ident) names->insert(result_.hlsl.Text(t));
    }
    const std::string name =
        NameNotTaken(texture->name + "_" + sampler->desc.name, *names, chosen);
    pairs->push_back({name, texture, sampler});
    return name;
}

// A plain sampler named anywhere but in its declaration and its pairs'
// reads is read as itself too, on its own stage.
void Parser::MarkSamplersReadDirectly(const std::map<std::string, size_t>& pairedReads) {
    for (const auto& [name, reads] : pairedReads) {
        size_t named = 0;
        for (const SourceToken& t : result_.hlsl.tokens)
            if (t.kind == Tok::Ident && result_.hlsl.Text(t) == name) ++named;
        for (SamplerObject& s : plainSamplers_)
            if (s.desc.name == name) s.readDirectly = named > reads + 1;
    }
}

void Parser::DeclareTexturePairs(const std::vector<TexturePair>& pairs,
                                 const std::vector<size_t>& origin, TokenEdits* edits) {
    TokenStream& hlsl = result_.hlsl;
    std::vector<SourceToken>& tokens = hlsl.tokens;
    auto make = [&](std::vector<SourceToken>* out, Tok kind, std::string_view t,
                    const SourceToken& at) { out->push_back(hlsl.Make(kind, t, at)); };
    std::set<std::string> samplersPaired;
    std::set<int> taken;
    for (const SamplerDesc& s : result_.samplers)
        if (s.registerIndex >= 0) taken.insert(s.registerIndex);
    // Each before the first token that follows both the texture's and the
    // sampler object's declarations.
    std::vector<std::pair<size_t, std::vector<SourceToken>>> declarations;
    for (const TexturePair& p : pairs) {
        SamplerDesc desc = p.sampler->desc;
        desc.name = p.name;
        desc.type = KindOf(p.texture->type).sampler;
        desc.texture = p.texture->name;
        desc.registerIndex = -1;
        // A plain sampler read as itself keeps its stage for those reads.
        if (p.sampler->desc.registerIndex >= 0 && !p.sampler->readDirectly &&
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
        edits->Replace(at, at, std::move(all));
    }
}

}  // namespace fx
