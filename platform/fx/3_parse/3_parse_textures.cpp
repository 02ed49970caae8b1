// Stage 3, texture annotations: the entries of a texture's annotation that
// say which image file it holds and what kind of image that must be,
//
//     texture SpriteTex < string ResourceName = "spark.png";
//                         string ResourceType = "2D"; >;
//
// the convention effect-authoring tools of the Direct3D 9 era wrote. Every
// other entry (UIName, Format, ...) belongs to those tools and is skipped;
// the whole annotation is taken out like any other.
#include "platform/fx/3_parse/3_parser.h"

namespace fx {

void Parser::ParseTextureAnnotation(const TokenRef& open, TextureDesc* texture) {
    std::vector<TokenRef> tokens;
    if (!ParseAnnotation(open, &tokens)) return;
    std::vector<TokenRef> entry;
    for (const TokenRef& t : tokens) {
        if (!IsPunct(t, ';')) {
            entry.push_back(t);
            continue;
        }
        TextureAnnotationEntry(entry, texture);
        entry.clear();
    }
}

// "< string UIName = "Size"; float UIMin = 0.01; >" on any other global:
// every entry kept as written, for the effect's annotations.
void Parser::ParseGlobalAnnotation(const TokenRef& open, GlobalDeclaration* global) {
    std::vector<TokenRef> tokens;
    if (!ParseAnnotation(open, &tokens)) return;
    std::vector<TokenRef> entry;
    tokens.push_back(EndRef());
    for (const TokenRef& t : tokens) {
        if (!IsPunct(t, ';') && t.kind != Tok::End) {
            entry.push_back(t);
            continue;
        }
        if (entry.empty()) continue;
        if (entry.size() < 4 || entry[0].kind != Tok::Ident || entry[1].kind != Tok::Ident ||
            !IsPunct(entry[2], '=')) {
            Warning(entry[0], "annotation entry " + Quote(ValueText(entry)) + " of " +
                                  Quote(global->name) + " is not 'TYPE NAME = VALUE'; ignored");
        } else {
            AnnotationEntry a;
            a.type = std::string(Text(entry[0]));
            a.name = std::string(Text(entry[1]));
            a.pos = Pos(entry[1]);
            a.isString = StringValue(entry, 3, &a.value);
            if (!a.isString) a.value = ValueText(entry, 3);
            global->annotations.push_back(std::move(a));
        }
        entry.clear();
    }
}

// "string ResourceName = "a" "b"": type, name, '=', then the value.
void Parser::TextureAnnotationEntry(const std::vector<TokenRef>& entry, TextureDesc* texture) {
    if (entry.size() < 3 || !IEquals(Text(entry[0]), "string") || !IsPunct(entry[2], '=')) return;
    std::string_view name = Text(entry[1]);
    const bool file = IEquals(name, "ResourceName");
    if (!file && !IEquals(name, "ResourceType")) return;
    // At the value, or right after the '=' when there is none.
    const SourcePos at = entry.size() > 3 ? Pos(entry[3]) : EndPos(entry[2]);
    std::string value;
    if (!StringValue(entry, 3, &value)) {
        Report(entry.size() > 3 ? entry[3] : entry[2], at, Severity::Error,
               std::string(name) + " of texture " + Quote(texture->name) + " must be a string");
        return;
    }
    if (file) {
        texture->resourceName = std::move(value);
        texture->resourcePos = at;
    } else {
        texture->resourceType = std::move(value);
        texture->resourceTypePos = at;
    }
}

// The string literals from value[first] on, joined ("a" "b" is "ab"), with
// \\ and \" read as one character (a Windows path writes "maps\\sky.dds").
// False when there is none, or anything else stands among them.
bool Parser::StringValue(const std::vector<TokenRef>& value, size_t first,
                         std::string* text) const {
    text->clear();
    if (first >= value.size()) return false;
    for (size_t i = first; i < value.size(); ++i) {
        std::string_view s = Text(value[i]);
        if (value[i].kind != Tok::String || s.size() < 2 || s[0] != '"' || s.back() != '"')
            return false;
        AppendStringValue(s, text);
    }
    return true;
}

}  // namespace fx
