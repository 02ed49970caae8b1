// The parser of stage 3, shared by its three files (platform/fx internal):
// 3_parse_effect.cpp (tokens, blanks, the whole effect),
// 3_parse_globals.cpp (global declarations, samplers, annotations) and
// 3_parse_techniques.cpp (techniques, passes, states, compile statements).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/fx/2_preprocess.h"
#include "platform/fx/3_parse_effect.h"
#include "platform/fx/tables.h"
#include "platform/fx/tokenizer.h"

namespace fx {

// "VertexShader VS1 = compile vs_3_0 vs_main();", named later in a pass.
struct ShaderVariable {
    std::string name;
    bool vertex;
    ShaderBinding binding;
};

// What the effect file and the files it includes share.
struct ParserShared {
    PreprocessorState preprocessor;
    std::vector<ShaderVariable> shaderVariables;
    ParsedEffect* result = nullptr;  // techniques, textures, samplers, included files
};

// Parses one file: the effect file, or one that it includes.
class Parser {
public:
    // fileName: "" for the effect file, the #include name for an included one.
    Parser(std::string_view src, std::string fileName, ParserShared* shared);

    // The file's blanked text, and its messages (with those of its includes
    // at their #include lines) in source order.
    std::vector<Message> Run(std::string* hlsl);

private:
    static std::vector<Message> ParseIncluded(const std::string& name, const std::string& text,
                                              ParserShared* shared);
    static void AddIncludedFile(ParsedEffect* result, const std::string& name, std::string hlsl);

    // >> tokens, blanks and messages (3_parse_effect.cpp)
    Token Next();
    // Hands the token back so that the next Next() returns it again.
    void PutBack(const Token& t);
    std::string_view Text(const Token& t) const { return src_.substr(t.begin, t.end - t.begin); }
    bool IsPunct(const Token& t, char c) const {
        return t.kind == Tok::Punct && src_[t.begin] == c;
    }
    SourcePos Pos(size_t offset) const {
        SourcePos pos = lines_.At(offset);
        pos.file = fileName_;
        return pos;
    }
    void Error(size_t offset, std::string text) {
        messages_.Add(offset, Severity::Error, std::move(text));
    }
    // For errors that hostile input can repeat once per token.
    void RepeatableError(size_t offset, const char* prefix, const Token& t,
                         const std::string& where);
    void Warning(size_t offset, std::string text) {
        messages_.Add(offset, Severity::Warning, std::move(text));
    }
    void Blank(size_t begin, size_t end);
    // A block the file ends inside: the error at offset, and blanks from the
    // block's start to the end of the file.
    void UnexpectedEnd(size_t offset, const std::string& what, size_t blockStart);
    static std::string Describe(const char* what, const std::string& name);
    // Skips a balanced {...} block whose '{' was just read. False at the end.
    bool SkipBlock();
    // "vector<float, 4>": skipped up to the matching '>', stopping short of
    // anything that cannot be inside.
    void SkipTemplateArguments();
    // "< string UIName = "x"; float Min = 0; >": blanked whole. False when it
    // has no end. tokens, when given, receives what stands between < and >.
    bool ParseAnnotation(const Token& open, std::vector<Token>* tokens = nullptr);
    std::string ValueText(const std::vector<Token>& value) const;
    enum class Read { Ok, Skipped, End };
    // The value tokens of "Name = value;" or "Name[i] = value;" whose name
    // was just read. Skipped after a reported error; End at the end of the file.
    Read ReadAssignment(const Token& nameToken, std::vector<Token>* value);

    // >> global scope (3_parse_globals.cpp)

    // Where a global declaration has got to, so that '<' after a variable's
    // name reads as an annotation and '<' anywhere else stays an operator.
    enum class DeclPhase { Start, AfterType, AfterName, AfterColon, Initializer, Other };
    // Declarations that glslang's HLSL front end rejects or that the effect
    // framework gives meaning to.
    enum class DeclKind { Plain, Texture, String, Sampler, VertexShader, PixelShader };
    struct Decl {
        DeclPhase phase = DeclPhase::Start;
        size_t parens = 0;    // open '(' after a register / packoffset
        size_t brackets = 0;  // open '[' of an array size
        bool semantic = false;  // the last token was a semantic or register keyword
        bool inRegister = false;  // inside register(...)
        bool firstOfInitializer = false;  // the token right after '='
        size_t start = std::string_view::npos;  // the declaration's first token
        size_t equals = 0;  // offset of its '='
        size_t nesting = 0;  // open ( { [ of the initializer
        bool isStatic = false;
        DeclKind kind = DeclKind::Plain;
        std::string type;
        bool named = false;
        SamplerDesc sampler;  // while kind is Sampler
        Token name;
        std::vector<Token> initializer;  // the tokens after '='
    };

    void ParseTopLevel();
    static void ResetDeclaration(Decl* d);
    void FeedDeclaration(Decl* d, const Token& t);
    void DeclarationStart(Decl* d, const Token& t);
    void DeclarationAfterName(Decl* d, const Token& t);
    void DeclarationInitializer(Decl* d, const Token& t);
    void FinishDeclaration(Decl* d, const Token& semicolon);
    void RecordInitializer(Decl* d);
    void NameDeclaration(Decl* d, const Token& name);
    void RecordSampler(Decl* d);
    void ReadSamplerRegister(Decl* d, const Token& t);
    void ParseSamplerState(Decl* d, const Token& keyword);
    void SamplerAssignment(SamplerDesc* sampler, const Token& nameToken,
                           const std::vector<Token>& value);
    void SamplerTexture(SamplerDesc* sampler, const Token& nameToken,
                        const std::vector<Token>& value);

    // >> texture annotations (3_parse_textures.cpp)
    void ParseTextureAnnotation(const Token& open, TextureDesc* texture);
    void TextureAnnotationEntry(const std::vector<Token>& entry, TextureDesc* texture);
    bool StringValue(const std::vector<Token>& value, size_t first, std::string* text) const;

    // >> techniques and passes (3_parse_techniques.cpp)
    void ParseTechnique(const Token& keyword);
    void ParseTechniqueBlock(const Token& keyword, size_t conditionals);
    bool ParsePass(TechniqueDesc* tech, const Token& keyword);
    bool ParseAssignment(PassDesc* pass, const Token& nameToken);
    void ParseRenderState(PassDesc* pass, const RenderStateInfo& info, const Token& nameToken,
                          const std::vector<Token>& value);
    void ParseShaderBinding(ShaderBinding* binding, bool vertex, const Token& nameToken,
                            const std::vector<Token>& value);
    const ShaderVariable* FindShaderVariable(const std::vector<Token>& v) const;
    bool ParseCompile(ShaderBinding* b, bool vertex, const std::vector<Token>& v);
    bool ParseCompileArguments(ShaderBinding* b, const std::vector<Token>& v);

    std::string_view src_;
    std::string fileName_;
    ParserShared* shared_;
    ParsedEffect& result_;
    LineIndex lines_;
    FileMessages messages_;
    Preprocessor pp_;
    std::string hlsl_;
    Token pending_;
    bool hasPending_ = false;
};

}  // namespace fx
