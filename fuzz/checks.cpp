// The checks of the fuzz targets and the regression test (see checks.h).
#include "fuzz/checks.h"

#include <utility>
#include <vector>

#include "platform/fx/2_preprocess.h"
#include "platform/fx/3_parse_effect.h"
#include "platform/fx/4_rewrite_hlsl.h"
#include "platform/fx/message.h"
#include "platform/fx/tokenizer.h"

namespace fuzz {
namespace {

using fx::Message;

// More files than any input needs to reach every include path.
constexpr size_t kMaxFiles = 8;

// The input as an effect file and the files of its folder.
struct Folder {
    std::string main;
    std::vector<std::pair<std::string, std::string>> files;

    // The text of a file a message names ("" for the effect file).
    const std::string* Text(const std::string& file) const {
        if (file.empty()) return &main;
        for (const auto& [name, text] : files) {
            if (name == file) return &text;
        }
        return nullptr;
    }

    fx::IncludeResolver Resolver() const {
        return [this](const std::string& name, std::string* text, std::string* error) {
            const std::string* found = name.empty() ? nullptr : Text(name);
            if (found == nullptr) {
                *error = "not in the folder";
                return false;
            }
            *text = *found;
            return true;
        };
    }
};

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
    return folder;
}

// The lines of a text as [begin, end) offsets, without their line ends.
std::vector<std::pair<size_t, size_t>> LinesOf(const std::string& text) {
    std::vector<std::pair<size_t, size_t>> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        lines.emplace_back(start, end == std::string::npos ? text.size() : end);
        if (end == std::string::npos) return lines;
        start = end + 1;
    }
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
        const std::string* text = folder.Text(m.file);
        if (text == nullptr) {
            *problems += "message in a file not in the folder: " + Where(m) + "\n";
            continue;
        }
        auto lines = LinesOf(*text);
        if (m.line < 1 || static_cast<size_t>(m.line) > lines.size() || m.column < 1 ||
            static_cast<size_t>(m.column) >
                lines[m.line - 1].second - lines[m.line - 1].first + 1) {
            *problems += "position outside its file: " + Where(m) + "\n";
        }
    }
}

// Stage 3 blanks effect syntax: the same length, every byte kept or a blank,
// line ends where they were.
void CheckBlanked(const std::string& original, const std::string& blanked, const std::string& name,
                  std::string* problems) {
    if (original.size() != blanked.size()) {
        *problems += name + ": blanked text of " + std::to_string(blanked.size()) +
                     " bytes for " + std::to_string(original.size()) + "\n";
        return;
    }
    for (size_t i = 0; i < original.size(); ++i) {
        bool lineEnd = original[i] == '\n' || blanked[i] == '\n';
        if (blanked[i] != original[i] && (lineEnd || blanked[i] != ' ')) {
            *problems += name + ": byte " + std::to_string(i) + " changed to something else " +
                         "than a blank\n";
            return;
        }
    }
}

// Reads a file's tokens through the preprocessor as the parser does, its
// includes the same way.
std::vector<Message> Preprocess(std::string_view text, const std::string& name,
                                fx::PreprocessorState* state, std::string* problems) {
    fx::FileMessages messages;
    fx::Preprocessor pp(text, name, state, &messages,
                        [state, problems](const std::string& included, const std::string& body) {
                            return Preprocess(body, included, state, problems);
                        });
    size_t last = 0;
    for (fx::Token t = pp.Next(); t.kind != fx::Tok::End; t = pp.Next()) {
        if (t.begin > t.end || t.end > text.size() || t.begin < last) {
            *problems += (name.empty() ? "main.fx" : name) + ": token [" +
                         std::to_string(t.begin) + ", " + std::to_string(t.end) +
                         ") out of order or outside the text\n";
            break;
        }
        last = t.begin;
    }
    return messages.Finish(text, name);
}

}  // namespace

std::string CheckPreprocessor(std::string_view input) {
    Folder folder = Split(input);
    fx::IncludeResolver resolver = folder.Resolver();
    fx::PreprocessorState state;
    state.resolver = &resolver;
    std::string problems;
    std::vector<Message> messages = Preprocess(folder.main, "", &state, &problems);
    CheckMessages(messages, folder, &problems);
    return problems;
}

std::string CheckEffectParser(std::string_view input) {
    Folder folder = Split(input);
    fx::ParsedEffect parsed = fx::ParseEffect(folder.main, folder.Resolver());
    std::string problems;
    CheckMessages(parsed.messages, folder, &problems);
    CheckBlanked(folder.main, parsed.hlsl, "main.fx", &problems);
    for (const fx::IncludedFile& inc : parsed.includes) {
        const std::string* original = folder.Text(inc.name);
        if (original == nullptr) {
            problems += "included file not in the folder: " + inc.name + "\n";
        } else {
            CheckBlanked(*original, inc.hlsl, inc.name, &problems);
        }
    }
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
    fx::CheckTechniques(parsed, true, &list);
    return problems;
}

std::string CheckHlslRewrites(std::string_view input) {
    Folder folder = Split(input);
    std::string problems;

    // The global declarations rewrite on the raw text: every line stays, and
    // every column maps back inside its line.
    std::vector<fx::ColumnShift> shifts;
    fx::GlobalsRewrite globals;
    std::vector<Message> messages;
    std::string floated = fx::RewriteGlobals(folder.main, "main.fx", &globals, &shifts, &messages);
    CheckMessages(messages, folder, &problems);
    auto before = LinesOf(folder.main);
    auto after = LinesOf(floated);
    if (before.size() != after.size()) {
        problems += "the globals rewrite moved lines: " + std::to_string(before.size()) +
                    " became " + std::to_string(after.size()) + "\n";
        return problems;
    }
    for (size_t l = 0; l < after.size(); ++l) {
        int column = static_cast<int>(after[l].second - after[l].first) + 1;
        fx::UndoColumnShifts(shifts, static_cast<int>(l + 1), &column);
        if (column < 1 || static_cast<size_t>(column) > before[l].second - before[l].first + 1) {
            problems += "line " + std::to_string(l + 1) + ": its end maps to column " +
                        std::to_string(column) + "\n";
            break;
        }
    }

    // The rewrites of every pass of a parsed effect: each stage's text keeps
    // the lines of the effect file, and every position glslang could report
    // in it maps back inside the user's file.
    // As the loader does, only an effect that parsed and passed its checks.
    fx::ParsedEffect parsed = fx::ParseEffect(folder.main, folder.Resolver());
    fx::MessageList list("main.fx");
    if (parsed.HasErrors() || !fx::CheckTechniques(parsed, true, &list)) return problems;
    fx::RewrittenEffect rewritten;
    if (!fx::RewriteEffect(parsed, &rewritten, &list)) return problems;
    for (const fx::TechniqueDesc& technique : parsed.techniques) {
        for (const fx::PassDesc& pass : technique.passes) {
            fx::PassSources sources;
            if (!fx::RewritePass(rewritten, pass, &sources, &list)) continue;
            for (const fx::StageSource& s : sources.stages) {
                auto stageLines = LinesOf(s.hlsl);
                if (stageLines.size() != before.size()) {
                    problems += "stage '" + s.entry + "' has " +
                                std::to_string(stageLines.size()) + " lines for " +
                                std::to_string(before.size()) + "\n";
                    continue;
                }
                std::vector<Message> mapped;
                for (size_t l = 0; l < stageLines.size(); ++l) {
                    const int length = static_cast<int>(stageLines[l].second - stageLines[l].first);
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
