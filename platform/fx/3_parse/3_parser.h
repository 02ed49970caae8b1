// The parser of stage 3, shared by its files (platform/fx internal):
// 3_parse_effect.cpp (tokens, removal, messages, the whole effect),
// 3_parse_globals.cpp (global declarations, samplers, annotations),
// 3_parse_techniques.cpp (techniques, passes, states, compile statements),
// 3_parse_textures.cpp (texture annotations), 3_parse_state_values.cpp
// (state values as expressions) and 3_parse_texture_objects.cpp (textures
// read through SamplerState objects).
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/shared/tables.h"
#include "platform/fx/shared/token_stream.h"

namespace fx {

// "VertexShader VS1 = compile vs_3_0 vs_main();", named later in a pass.
struct ShaderVariable {
    std::string name;
    bool vertex;
    ShaderBinding binding;
};

// SamplerState, SamplerComparisonState: a sampler object, read with a
// texture object (3_parse_texture_objects.cpp).
bool IsSamplerObjectType(std::string_view type);

// A state's value as an expression gives it: up to four components.
struct StateValue {
    double v[4] = {0, 0, 0, 0};
    int count = 1;
    bool isFloat = false;
};

// "float", "int3", "DWORD", "bool4": a type name of a cast or constructor
// in a state's value, with its component count and kind.
bool StateTypeName(std::string_view name, int* count, bool* isFloat, bool* isBool);

// A token of the stream the parser reads: its kind and index; the end of
// the stream is an End token whose index is the stream's size.
struct TokenRef {
    Tok kind = Tok::End;
    size_t index = 0;
};

// Parses the whole stream: the effect file with what it includes.
class Parser {
public:
    Parser(const PreprocessedEffect& input, ParsedEffect* result);

    // Fills the result; the parser's messages go to messages.
    void Run(std::vector<StreamMessage>* messages);
    // Messages past the cap, counted.
    size_t unshownErrors = 0;
    size_t unshownWarnings = 0;

private:
    // >> tokens, removal and messages (3_parse_effect.cpp)
    TokenRef Next();
    // Hands the token back so that the next Next() returns it again.
    void PutBack(const TokenRef& t);
    TokenRef EndRef() const { return {Tok::End, in_.tokens.size()}; }
    std::string_view Text(const TokenRef& t) const {
        return t.kind == Tok::End ? std::string_view() : in_.Text(in_.tokens[t.index]);
    }
    bool IsPunct(const TokenRef& t, char c) const {
        return t.kind == Tok::Punct && Text(t).size() == 1 && Text(t)[0] == c;
    }
    SourcePos Pos(const TokenRef& t) const {
        return t.kind == Tok::End ? end_ : in_.Pos(in_.tokens[t.index]);
    }
    // Where the token's text ends.
    SourcePos EndPos(const TokenRef& t) const {
        return t.kind == Tok::End ? end_ : in_.EndPos(in_.tokens[t.index]);
    }
    void Report(const TokenRef& sortAt, SourcePos pos, Severity severity, std::string text);
    void Error(const TokenRef& at, std::string text) {
        Report(at, Pos(at), Severity::Error, std::move(text));
    }
    // At the end of the token's text ("expected '(' after 'VS'").
    void ErrorAfter(const TokenRef& at, std::string text) {
        Report(at, EndPos(at), Severity::Error, std::move(text));
    }
    void Warning(const TokenRef& at, std::string text) {
        Report(at, Pos(at), Severity::Warning, std::move(text));
    }
    // Past the cap: callers in per-token loops skip building messages, and
    // count them with Unshown.
    bool Full() const { return reported_ >= kMaxParseMessages; }
    void Unshown(Severity severity) {
        ++(severity == Severity::Error ? unshownErrors : unshownWarnings);
    }
    // For errors that hostile input can repeat once per token.
    void RepeatableError(const TokenRef& at, const char* prefix, const std::string& where);
    // Takes tokens [begin, end) out of the HLSL. #pragma lines stay.
    void Remove(size_t begin, size_t end);
    // A block the stream ends inside: the error at the end, and everything
    // from the block's start taken out.
    void UnexpectedEnd(const std::string& what, size_t blockStart);
    static std::string Describe(const char* what, const std::string& name);
    // Skips a balanced {...} block whose '{' was just read. False at the end.
    bool SkipBlock();
    // "vector<float, 4>": skipped up to the matching '>', stopping short of
    // anything that cannot be inside.
    void SkipTemplateArguments();
    // "< string UIName = "x"; float Min = 0; >": taken out whole. False when
    // it has no end. tokens, when given, receives what stands between < and >.
    bool ParseAnnotation(const TokenRef& open, std::vector<TokenRef>* tokens = nullptr);
    // The tokens as written, one space where the file had any.
    std::string ValueText(const std::vector<TokenRef>& value, size_t begin = 0,
                          size_t end = std::string::npos) const;
    enum class Read { Ok, Skipped, End };
    // The value tokens of "Name = value;" or "Name[i] = value;" whose name
    // was just read (index, when given, receives what stands between [ and
    // ]; its '[' first). Skipped after a reported error; End at the end.
    Read ReadAssignment(const TokenRef& nameToken, std::vector<TokenRef>* value,
                        std::vector<TokenRef>* index = nullptr);

    // >> state values (3_parse_state_values.cpp)
    friend class StateExpression;
    // The value of "State = value;" as an expression: names of the state's
    // values (names, when given), TRUE / FALSE, numbers, globals' initial
    // values, casts, constructors, { } lists and HLSL's operators. False
    // with the reason and the token it is about.
    bool EvaluateState(const std::vector<TokenRef>& value, const ValueSet* names,
                       StateValue* out, std::string* why, TokenRef* at);
    // The value of a state that holds a number (`kind`: a whole number, a
    // D3DCOLOR, or a float's bits): a literal, or an expression of one
    // component. False with the reason and the token it is about.
    bool EvaluateStateNumber(StateNumber kind, const std::vector<TokenRef>& value, DWORD* out,
                             std::string* why, TokenRef* at);
    // The initializers of globals, static ones too, for state values: the
    // stream's tokens [begin, end).
    struct GlobalValue {
        size_t begin = 0;
        size_t end = 0;
        bool isInt = false;
    };
    std::unordered_map<std::string_view, GlobalValue> globalValues_;

    // >> texture objects (3_parse_texture_objects.cpp)
    // "SamplerState S { ... };": taken out of the HLSL, its states kept for
    // the samplers its reads make.
    struct SamplerObject {
        SamplerDesc desc;
        size_t declarationEnd = 0;  // a stream index at or past its declaration
        bool plain = false;         // a sampler / sampler2D ..., kept in the HLSL
        bool readDirectly = false;  // plain, and named past its declaration and pairs
    };
    std::vector<SamplerObject> samplerObjects_;
    // The plain samplers (sampler, sampler2D, ...) as they were declared,
    // for texture objects read through them.
    std::vector<SamplerObject> plainSamplers_;
    std::unordered_map<std::string, int> textureRegisters_;  // register(tN)
    std::unordered_map<std::string, size_t> textureDeclarationEnds_;
    // T.Sample(S, ...) and its kin made reads of samplers; origin gives the
    // stream index of each HLSL token.
    void PairTextureObjects(std::vector<size_t>& origin);
    // Functions taking texture or sampler objects as parameters, a copy for
    // each pair of globals their calls give, the objects named in it; true
    // when a copy passes them on to another such function, another round.
    bool SpecialiseObjectParameters(std::vector<size_t>* origin);
    // A function taking objects: its parameters, the copies its calls ask
    // for; and a call of one, made a call of its copy.
    struct ObjectParameter {
        size_t begin = 0, end = 0;  // its tokens, without commas
        std::string name;           // of an object parameter, else empty
        bool texture = false;
        std::string plainSampler;   // the name of a sampler2D ... parameter
    };
    struct ObjectFunction {
        std::string name;
        size_t begin = 0, nameAt = 0, open = 0, close = 0, end = 0;  // end: past its '}'
        size_t body = 0;  // its '{'
        std::vector<ObjectParameter> parameters;
        std::vector<std::pair<std::string, std::vector<std::string>>> copies;  // name, globals
    };
    struct ObjectCall {
        size_t at = 0, close = 0;
        const ObjectFunction* function = nullptr;
        std::string copy;
        std::vector<std::pair<size_t, size_t>> kept;  // the other arguments' tokens
    };
    // The HLSL rewritten token by token, with the stream index of each.
    struct TokenWriter {
        const TokenStream& hlsl;
        const std::vector<size_t>& origin;
        std::vector<SourceToken> tokens;
        std::vector<size_t> tokenOrigin;
        void Copy(size_t begin, size_t end);
        void Add(Tok kind, std::string_view text, size_t at);
    };
    // The parameters between a function's '(' and ')', split at the commas
    // (its ')' the last of them).
    std::vector<ObjectParameter> ReadObjectParameters(size_t from,
                                                      const std::vector<size_t>& commas) const;
    // The functions at global scope with texture or sampler object parameters.
    std::vector<ObjectFunction> FindObjectFunctions() const;
    // Plain sampler parameters that a function gives to a texture object's
    // read (T.Sample(s, uv)), or to such a parameter of another function,
    // made object parameters: their calls pass global samplers.
    void MarkSamplerParameters(std::vector<ObjectFunction>* functions) const;
    bool GivenToObject(const ObjectFunction& f, const std::string& name,
                       const std::vector<ObjectFunction>& functions) const;
    // The function of `functions` that token i is in, if any.
    static const ObjectFunction* InsideObjectFunction(const std::vector<ObjectFunction>& functions,
                                                      size_t i);
    // A call's arguments: the globals it passes for the object parameters,
    // the others kept; false when it passes something else (reported, or
    // passedOn for a parameter of the function it is in).
    bool ReadObjectArguments(const std::vector<ObjectFunction>& functions,
                             const std::vector<size_t>& origin, const std::vector<size_t>& commas,
                             ObjectCall* call, std::vector<std::string>* globals, bool* passedOn);
    // The calls of those functions passing globals, each naming its copy,
    // the copies made known to their functions.
    std::vector<ObjectCall> FindObjectCalls(std::vector<ObjectFunction>& functions,
                                            const std::vector<size_t>& origin, bool* passedOn);
    // A call as the call of its copy; the token past its ')'.
    static size_t WriteObjectCall(const ObjectCall& call, TokenWriter* out);
    // One copy of a function, the globals in place of its object parameters.
    void WriteObjectCopy(const ObjectFunction& f, const std::string& name,
                         const std::vector<std::string>& globals,
                         const std::map<size_t, const ObjectCall*>& callAt,
                         TokenWriter* out) const;
    // The HLSL with the copies where their functions stood, and the calls
    // made calls of the copies.
    void WriteObjectCopies(const std::vector<ObjectFunction>& functions,
                           const std::vector<ObjectCall>& calls, bool keepOriginals,
                           std::vector<size_t>* origin);
    // The functions kept beside their copies for a later round's calls,
    // and their removal once nothing calls them.
    std::set<std::string> keptOriginals_;
    void DropUncalledOriginals(std::vector<size_t>* origin);
    struct TexturePair {
        std::string name;  // of the sampler the pair is
        const TextureDesc* texture;
        const SamplerObject* sampler;
    };
    // The pairs' samplers, declared where the texture and the sampler
    // object both are, each on its stage.
    void DeclareTexturePairs(const std::vector<TexturePair>& pairs,
                             const std::vector<size_t>& origin, TokenEdits* edits);
    // The global texture or sampler (object or plain) of a name, if any.
    const TextureDesc* FindTexture(std::string_view name) const;
    const SamplerObject* FindSampler(std::string_view name) const;
    // The sampler of "T.Method(S, ...)" at i, its ')' and the commas past
    // S; none (reported) when it is no read of a global sampler.
    const SamplerObject* ReadTextureRead(size_t i, const char* method, size_t extraArguments,
                                         const std::vector<size_t>& origin,
                                         std::vector<size_t>* commas, size_t* close);
    // The name of the pair of a texture and a sampler, made at its first read.
    std::string PairOf(const TextureDesc* texture, const SamplerObject* sampler,
                       std::vector<TexturePair>* pairs, std::set<std::string_view>* names,
                       std::set<std::string>* chosen) const;
    // Which plain samplers are read as themselves too, from how many of
    // their reads were pairs'.
    void MarkSamplersReadDirectly(const std::map<std::string, size_t>& pairedReads);

    // >> global scope (3_parse_globals.cpp)

    // Where a global declaration has got to, so that '<' after a variable's
    // name reads as an annotation and '<' anywhere else stays an operator.
    enum class DeclPhase { Start, AfterType, AfterName, AfterColon, Initializer, Other };
    // Declarations that glslang's HLSL front end rejects or that the effect
    // framework gives meaning to.
    enum class DeclKind { Plain, Texture, String, Sampler, VertexShader, PixelShader, StateBlock };
    struct Decl {
        DeclPhase phase = DeclPhase::Start;
        size_t parens = 0;    // open '(' after a register / packoffset
        size_t brackets = 0;  // open '[' of an array size
        bool semantic = false;  // the last token was a semantic or register keyword
        bool inRegister = false;  // inside register(...)
        bool firstOfInitializer = false;  // the token right after '='
        bool braceList = false;  // the initializer starts with '{'
        bool stateList = false;  // ... and holds a ';': a block of states
        bool afterSamplerState = false;  // a sampler's sampler_state block just ended
        int shaders = 0;  // N of "VertexShader vs[N]"; 0 without a size
        size_t start = std::string_view::npos;  // index of the declaration's first token
        size_t equals = 0;  // index of its '='
        size_t nesting = 0;  // open ( { [ of the initializer
        int arrayDims = 0;   // the [N] after the name being declared
        bool isStatic = false;
        size_t staticAt = 0;  // index of the "static" token while isStatic
        bool isConst = false;
        bool rowMajor = false;
        bool isUnsigned = false;  // "unsigned int": the type is uint
        DeclKind kind = DeclKind::Plain;
        std::string type;
        bool named = false;
        SamplerDesc sampler;  // while kind is Sampler
        int samplers = 1;     // N of "sampler2D S[N]"
        int textureComponents = 4;  // of "Texture2D<float2> T": what a read gives
        int global = -1;      // its entry in the result's globals; -1: none
        TokenRef name;
        std::vector<TokenRef> initializer;  // the tokens after '='
    };

    void ParseTopLevel();
    static void ResetDeclaration(Decl* d);
    void StructVariables(Decl* d);
    void FeedDeclaration(Decl* d, const TokenRef& t);
    void DeclarationStart(Decl* d, const TokenRef& t);
    void DeclarationAfterName(Decl* d, const TokenRef& t);
    void DeclarationInitializer(Decl* d, const TokenRef& t);
    void FinishDeclaration(Decl* d, const TokenRef& semicolon);
    void RecordInitializer(Decl* d);
    void NameDeclaration(Decl* d, const TokenRef& name);
    void RecordSampler(Decl* d);
    void ReadSamplerRegister(Decl* d, const TokenRef& t);
    void ParseSamplerState(Decl* d, const TokenRef& keyword);
    void ParseSamplerBlock(Decl* d);
    void ParseSamplerArray(Decl* d);
    bool ReadSamplerStates(Decl* d, TokenRef* close);
    bool IsStateBlock(const Decl& d) const;
    bool BodyBracket(const TokenRef& t, std::vector<TokenRef>* open);
    static bool StartsDeclaration(std::string_view word);
    void StateBlock(Decl* d, const TokenRef& open);
    void SkipStateBlock(Decl* d, const TokenRef& open);
    void InlineSamplerStates(SamplerDesc* desc, const std::vector<TokenRef>& body);
    void SamplerAssignment(SamplerDesc* sampler, const TokenRef& nameToken,
                           const std::vector<TokenRef>& value);
    void SamplerFilter(SamplerDesc* sampler, const TokenRef& nameToken,
                       const std::vector<TokenRef>& value);
    void SamplerTexture(SamplerDesc* sampler, const TokenRef& nameToken,
                        const std::vector<TokenRef>& value);

    // >> texture annotations (3_parse_textures.cpp)
    void ParseTextureAnnotation(const TokenRef& open, TextureDesc* texture);
    void ParseGlobalAnnotation(const TokenRef& open, GlobalDeclaration* global);
    void TextureAnnotationEntry(const std::vector<TokenRef>& entry, TextureDesc* texture);
    bool StringValue(const std::vector<TokenRef>& value, size_t first, std::string* text) const;

    // >> techniques and passes (3_parse_techniques.cpp)
    void ParseTechnique(const TokenRef& keyword);
    bool HasLaterDevicePasses() const;
    bool LongConstantList(const std::vector<TokenRef>& value, std::vector<float>* out);
    bool ParsePass(TechniqueDesc* tech, const TokenRef& keyword);
    bool ParseAssignment(PassDesc* pass, const TokenRef& nameToken);
    // The stage n of an indexed state "NAME[n]" (index holds "[" and n),
    // a whole number from 0 to 15; -1 after an error at n.
    int StateStage(std::string_view name, const std::vector<TokenRef>& index);
    // "Texture[1] = <T>;", "Sampler[1] = (S);", "MinFilter[1] = POINT;";
    // false when the name is no state of a texture stage.
    bool ParseStageState(PassDesc* pass, const TokenRef& nameToken,
                         const std::vector<TokenRef>& index, const std::vector<TokenRef>& value);
    void ParseRenderState(PassDesc* pass, const RenderStateInfo& info, const TokenRef& nameToken,
                          const std::vector<TokenRef>& value);
    bool StateValueAsWord(const ValueSet& values, bool bits, const std::vector<TokenRef>& value,
                          DWORD* word, const std::string& what);
    void ParseShaderBinding(ShaderBinding* binding, bool vertex, const TokenRef& nameToken,
                            const std::vector<TokenRef>& value);
    bool ParseConstantState(PassDesc* pass, const TokenRef& nameToken,
                            const std::vector<TokenRef>& index, const std::vector<TokenRef>& value);
    void AssembleBlock(ShaderBinding* b, bool vertex, const std::vector<TokenRef>& value);
    // 3_parse_assembly_states.cpp
    bool ParseBumpState(PassDesc* pass, const TokenRef& nameToken,
                        const std::vector<TokenRef>& index, const std::vector<TokenRef>& value);
    void MapAssemblyStates(PassDesc* pass);
    // Null when there is none; *reported when the value names an element of
    // a shader array wrongly (the error said).
    const ShaderVariable* FindShaderVariable(const std::vector<TokenRef>& v, bool* reported);
    // "i" in "vsArray[i]": a number, an int global's initial value, or
    // arithmetic on them.
    bool ShaderIndex(const std::vector<TokenRef>& index, size_t* value);
    void DeclareShaderVariables(Decl* d);
    bool ParseCompile(ShaderBinding* b, bool vertex, const std::vector<TokenRef>& v);
    bool ParseCompileArguments(ShaderBinding* b, const std::vector<TokenRef>& v);

    const TokenStream& in_;
    SourcePos end_;
    ParsedEffect& result_;
    std::vector<ShaderVariable> shaderVariables_;
    int assembled_ = 0;  // asm blocks assembled, for their functions' names
    std::vector<TokenRef> intBoolStates_;  // the pass's B / I constant states' names
    std::vector<bool> removed_;
    std::vector<StreamMessage>* messages_ = nullptr;
    size_t reported_ = 0;  // messages of stages 2 and 3 so far
    bool includeFailed_ = false;  // warnings are not said (see Report)
    size_t next_ = 0;
    TokenRef pending_;
    bool hasPending_ = false;
};

}  // namespace fx
