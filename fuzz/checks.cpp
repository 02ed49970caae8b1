// The checks of the fuzz targets and the regression test (see checks.h).
#include "fuzz/checks.h"

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/fx/2_preprocess/2_preprocess.h"
#include "platform/fx/3_parse/3_parse_effect.h"
#include "platform/fx/4_rewrite/4_rewrite_hlsl.h"
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/token_stream.h"

namespace fuzz {
namespace {

using fx::Message;

// More files than any input needs to reach every include path.
constexpr size_t kMaxFiles = 8;

// The input as an effect file and the files of its folder.
struct Folder {
    std::string main;
    std::vector<std::pair<std::string, std::string>> files;
    // A file has a #line: its places are what the line says, in whatever
    // file it names.
    bool renumbered = false;
    // The length of each line of each file, once measured.
    mutable std::map<std::string, std::vector<size_t>> lengths;

    // The text of a file a message names ("" for the effect file).
    const std::string* Text(const std::string& file) const {
        if (file.empty()) return &main;
        for (const auto& [name, text] : files) {
            if (name == file) return &text;
        }
        return nullptr;
    }

    fx::IncludeResolver Resolver() const {
        return [this](const std::string& name, std::string* text, fx::MessageSink& messages) {
            const std::string* found = name.empty() ? nullptr : Text(name);
            if (found == nullptr) {
                messages.Error("not in the folder");
                return false;
            }
            *text = *found;
            return true;
        };
    }
};

// A '#' followed, past blanks, comments and continued lines, by "line".
// Errs towards yes.
bool HasLineDirective(std::string_view text) {
    for (size_t i = text.find('#'); i != std::string_view::npos; i = text.find('#', i + 1)) {
        size_t j = i + 1;
        for (;;) {
            if (j < text.size() && (text[j] == ' ' || text[j] == '\t' || text[j] == '\\' ||
                                    text[j] == '\r' || text[j] == '\n')) {
                ++j;
            } else if (text.substr(j, 2) == "/*") {
                size_t close = text.find("*/", j + 2);
                if (close == std::string_view::npos) break;
                j = close + 2;
            } else {
                break;
            }
        }
        if (text.substr(j, 4) == "line") return true;
    }
    return false;
}

Folder Split(std::string_view input) {
    Folder folder;
    size_t start = 0;
    for (size_t i = 0; i <= kMaxFiles; ++i) {
        size_t end = input.find('\0', start);
        std::string_view part = input.substr(start, end == std::string_view::npos ? end : end - start);
        if (i == 0) {
            folder.main = part;
        } else {
            folder.files.emplace_back(std::string(1, static_cast<char>('a' + i - 1)) + ".fxh",
                                      std::string(part));
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    folder.renumbered = HasLineDirective(folder.main);
    for (const auto& file : folder.files) folder.renumbered |= HasLineDirective(file.second);
    return folder;
}

// The lengths of a text's lines, without their line ends.
std::vector<size_t> LineLengths(const std::string& text) {
    std::vector<size_t> lengths;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lengths.push_back((end == std::string::npos ? text.size() : end) - start);
        if (end == std::string::npos) return lengths;
        start = end + 1;
    }
}

// What is wrong with a place in a file of the folder ("" when nothing is):
// the file is in the folder, the line in the file, the column in the line
// or one past its end (where something missing at its end is reported).
std::string PlaceProblem(const Folder& folder, const std::string& file, int line, int column) {
    if (folder.renumbered) return "";
    auto known = folder.lengths.find(file);
    if (known == folder.lengths.end()) {
        const std::string* text = folder.Text(file);
        if (text == nullptr) return "in a file not in the folder";
        known = folder.lengths.emplace(file, LineLengths(*text)).first;
    }
    const std::vector<size_t>& lines = known->second;
    if (line < 1 || static_cast<size_t>(line) > lines.size() || column < 1 ||
        static_cast<size_t>(column) > lines[line - 1] + 1) {
        return "outside its file";
    }
    return "";
}

std::string Where(const Message& m) {
    return (m.file.empty() ? std::string("main.fx") : m.file) + "(" + std::to_string(m.line) +
           "," + std::to_string(m.column) + "): " + m.text;
}

// Every error located, in a file of the folder, at a line and column inside
// it (one past a line's last byte is where something missing at its end
// is reported). Warnings may be about the whole file but never outside it.
void CheckMessages(const std::vector<Message>& messages, const Folder& folder,
                   std::string* problems) {
    for (const Message& m : messages) {
        if (m.IsError() && (m.line < 1 || m.column < 1)) {
            *problems += "error without a position: " + Where(m) + "\n";
            continue;
        }
        if (m.line == 0) continue;
        std::string problem = PlaceProblem(folder, m.file, m.line, m.column);
        if (!problem.empty()) *problems += "message " + problem + ": " + Where(m) + "\n";
    }
}

// Each token comes from a place inside a file of the folder. The first
// that does not is reported.
void CheckOrigins(const fx::TokenStream& stream, const Folder& folder, std::string* problems) {
    for (const fx::SourceToken& t : stream.tokens) {
        if (t.file >= stream.files.size()) {
            *problems += "a token of file " + std::to_string(t.file) + " of " +
                         std::to_string(stream.files.size()) + "\n";
            return;
        }
        const int line = static_cast<int>(t.line), column = static_cast<int>(t.column);
        std::string problem = PlaceProblem(folder, stream.files[t.file], line, column);
        if (!problem.empty()) {
            Message m = fx::ErrorAt(stream.Pos(t), "token '" + std::string(stream.Text(t)) + "'");
            *problems += "token " + problem + ": " + Where(m) + "\n";
            return;
        }
    }
}

// Stage 3 takes tokens out, and its rewrite of texture objects adds tokens
// (the reads, the pairs' declarations, the copies of functions taking
// objects), each made at a token of the stream: every token it hands on
// sits where a token of the preprocessor's stream sits, so that what is
// said about it is said at a place of the user's files.
void CheckTakenOut(const fx::TokenStream& original, const fx::TokenStream& kept,
                   std::string* problems) {
    std::set<std::tuple<std::string, uint32_t, uint32_t>> places;
    for (const fx::SourceToken& t : original.tokens)
        places.insert({original.files[t.file], t.line, t.column});
    for (const fx::SourceToken& k : kept.tokens) {
        if (places.count({kept.files[k.file], k.line, k.column}) == 0) {
            *problems += "the parser's token '" + std::string(kept.Text(k)) +
                         "' is at no place of the preprocessor's stream\n";
            return;
        }
    }
}

std::vector<Message> StreamMessages(const fx::PreprocessedEffect& p) {
    std::vector<Message> messages;
    for (const fx::StreamMessage& m : p.messages) messages.push_back(m.message);
    return messages;
}

}  // namespace

std::string CheckPreprocessor(std::string_view input) {
    Folder folder = Split(input);
    std::string problems;
    fx::PreprocessedEffect p = fx::Preprocess(folder.main, folder.Resolver());
    CheckMessages(StreamMessages(p), folder, &problems);
    CheckOrigins(p.stream, folder, &problems);
    return problems;
}

std::string CheckEffectParser(std::string_view input) {
    Folder folder = Split(input);
    fx::PreprocessedEffect preprocessed = fx::Preprocess(folder.main, folder.Resolver());
    fx::TokenStream stream = preprocessed.stream;
    std::vector<Message> parseMessages;
    fx::MessageCollector parseSink(&parseMessages);
    fx::ParsedEffect parsed = fx::ParseEffect(std::move(preprocessed), parseSink);
    std::string problems;
    CheckMessages(parseMessages, folder, &problems);
    CheckTakenOut(stream, parsed.hlsl, &problems);
    for (const fx::TechniqueDesc& technique : parsed.techniques) {
        for (const fx::PassDesc& pass : technique.passes) {
            for (const fx::SourcePos& pos :
                 {pass.pos, pass.vertexShader.pos, pass.pixelShader.pos}) {
                if (pos.line == 0) continue;
                Message m = fx::ErrorAt(pos, "pass '" + pass.name + "'");
                CheckMessages({m}, folder, &problems);
            }
        }
    }
    fx::MessageList list("main.fx");
    fx::CheckTechniques(parsed, true, list);
    return problems;
}

std::string CheckHlslRewrites(std::string_view input) {
    Folder folder = Split(input);
    std::string problems;

    // The global declarations rewrite on the parsed tokens: every token it
    // keeps or adds still comes from a place in the user's files.
    fx::MessageList list("main.fx");
    const size_t parseErrors = list.ErrorCount();
    fx::ParsedEffect parsed = fx::ParseEffect(folder.main, list, folder.Resolver());
    const bool parsedWell = list.ErrorCount() == parseErrors;
    fx::TokenStream tokens = parsed.hlsl;
    fx::GlobalsRewrite globals;
    std::vector<Message> messages;
    fx::MessageCollector sink(&messages);
    fx::RewriteGlobals(&tokens, &globals, sink);
    CheckMessages(messages, folder, &problems);
    CheckOrigins(tokens, folder, &problems);

    // The rewrites of every pass of a parsed effect: every position glslang
    // could report in each stage's text maps back inside the user's files.
    // As the loader does, only an effect that parsed and passed its checks.
    if (!parsedWell || !fx::CheckTechniques(parsed, true, list)) return problems;
    fx::RewrittenEffect rewritten;
    if (!fx::RewriteEffect(parsed, &rewritten, list)) return problems;
    for (const fx::TechniqueDesc& technique : parsed.techniques) {
        for (const fx::PassDesc& pass : technique.passes) {
            fx::PassSources sources;
            if (!fx::RewritePass(rewritten, pass, &sources, list)) continue;
            for (const fx::StageSource& s : sources.stages) {
                std::vector<size_t> stageLines = LineLengths(s.hlsl);
                std::vector<Message> mapped;
                for (size_t l = 0; l < stageLines.size(); ++l) {
                    const int length = static_cast<int>(stageLines[l]);
                    for (int column : {1, length / 2 + 1, length + 1}) {
                        Message m = fx::ErrorAt({static_cast<int>(l + 1), column, ""}, "mapped");
                        s.map.ToUser(&m);
                        mapped.push_back(std::move(m));
                    }
                }
                CheckMessages(mapped, folder, &problems);
            }
        }
    }
    return problems;
}

}  // namespace fuzz
