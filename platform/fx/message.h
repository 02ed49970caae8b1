// The one message type of the effect compiler and its one formatter
// (platform/fx internal). Every stage reports through Message; the loader
// collects them in a MessageList, whose text is what the caller's
// ID3DXBuffer holds: one line per problem,
//
//     main.fx(12,5): error: 'x': unknown variable (vs_main)
//
// with the line and column of the user's file (an included file's own name,
// line and column), the severity, the text, and the entry point being
// compiled when there is one.
#pragma once

#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace fx {

// A place in the user's files.
struct SourcePos {
    int line = 0;    // 1-based
    int column = 0;  // 1-based
    std::string file;  // as Message::file
};

enum class Severity { Error, Warning };

struct Message {
    // Empty: the effect file itself; otherwise the name its #include line
    // gives (relative to the effect file's folder, as it is read).
    std::string file;
    int line = 0;  // 0: no position in the file
    int column = 0;
    Severity severity = Severity::Error;
    std::string text;
    std::string entry;  // the entry point being compiled; empty when none

    bool IsError() const { return severity == Severity::Error; }
};

Message ErrorAt(SourcePos pos, std::string text);
Message WarningAt(SourcePos pos, std::string text);

// "FILE(LINE,COL): error: TEXT (ENTRY)": the one place a message becomes
// text. effectFile names the file of messages whose file is empty, and its
// folder is put before an included file's name.
std::string FormatMessage(const Message& message, const std::string& effectFile);

// The messages of one load, in the order they were made. A message said
// twice (the same problem found while compiling the second stage of a pass)
// is kept once; a multi-line text is folded onto one line.
class MessageList {
public:
    explicit MessageList(std::string effectFile) : effectFile_(std::move(effectFile)) {}

    void Add(Message message);
    void Add(const std::vector<Message>& messages);
    void Error(SourcePos pos, std::string text) { Add(ErrorAt(pos, std::move(text))); }
    void Error(std::string text) { Add(ErrorAt({}, std::move(text))); }
    // A line whose wording is fixed, without the severity:
    // "main.fx: cannot open file: No such file or directory".
    void Bare(const std::string& text);

    bool HasErrors() const { return errors_; }
    const std::string& Text() const { return text_; }

private:
    std::string effectFile_;
    std::string text_;
    bool errors_ = false;
    std::set<std::tuple<bool, int, int, std::string>> seen_;
};

}  // namespace fx
