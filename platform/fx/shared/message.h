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
#include <unordered_set>
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

// How many messages one load shows: a file of 200,000 globals must not turn
// into 200,000 lines on every reload. The rest are counted on one line.
constexpr size_t kShownMessages = 100;

// The messages of one load: errors first, then warnings, each in the order
// they were made, the first kShownMessages of them shown and the rest
// counted. A message said twice (the same problem found while compiling the
// second stage of a pass) is kept once; a multi-line text is folded onto one
// line.
class MessageList {
public:
    explicit MessageList(std::string effectFile) : effectFile_(std::move(effectFile)) {}

    void Add(Message message);
    void Add(const std::vector<Message>& messages);
    void Error(SourcePos pos, std::string text) { Add(ErrorAt(pos, std::move(text))); }
    void Error(std::string text) { Add(ErrorAt({}, std::move(text))); }
    // A line whose wording is fixed, without the severity, shown among the
    // errors: "main.fx: cannot open file: No such file or directory".
    void Bare(const std::string& text);
    // Messages a stage dropped itself before handing the rest on (the
    // compiler child does, so that a flood never crosses the pipe).
    void AddUnshown(size_t errors, size_t warnings);

    bool HasErrors() const { return errorCount_ > 0; }
    // One line per shown message, then "main.fx: N more messages not shown
    // (E errors, W warnings)" when there were more.
    std::string Text() const;

private:
    std::string effectFile_;
    std::vector<std::string> errors_;    // formatted, at most kShownMessages
    std::vector<std::string> warnings_;  // formatted, at most kShownMessages
    size_t errorCount_ = 0;              // shown and not
    size_t warningCount_ = 0;
    std::unordered_set<size_t> seen_;  // every message added, hashed
};

// Keeps the first kShownMessages errors and warnings of a stage's list, in
// order, each problem once, and counts the others it drops.
void TrimMessages(std::vector<Message>* messages, size_t* droppedErrors, size_t* droppedWarnings);

}  // namespace fx
