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
    // A line whose wording is fixed, shown as "main.fx: TEXT" among the
    // errors, without place nor severity ("cannot open file: ...").
    bool bare = false;

    bool IsError() const { return severity == Severity::Error; }
};

Message ErrorAt(SourcePos pos, std::string text);
Message WarningAt(SourcePos pos, std::string text);

// "FILE(LINE,COL): error: TEXT (ENTRY)" ("FILE: TEXT" for a bare one): the
// one place a message becomes text. effectFile names the file of messages
// whose file is empty, and its folder is put before an included file's name.
std::string FormatMessage(const Message& message, const std::string& effectFile);

// How many messages one load shows: a file of 200,000 globals must not turn
// into 200,000 lines on every reload. The rest are counted on one line.
constexpr size_t kShownMessages = 100;

// Where a stage hands its messages: every stage takes one by reference and
// knows nothing of what is behind it (the load's MessageList, or a vector:
// the compiler child's answer, a test's). A message that comes without a
// place (line 0, no file) is put at the sink's fallback position, and one
// without an entry point is given the fallback entry point: a stage sets
// them (FallbackScope) where it works for a place of the user's file that
// its messages cannot name themselves, as the shader's compile statement
// for the SPIR-V passes or a texture's ResourceName for an image decoder.
class MessageSink {
public:
    virtual ~MessageSink() = default;

    void Add(Message message);
    void Add(const std::vector<Message>& messages);
    void Error(SourcePos pos, std::string text) { Add(ErrorAt(std::move(pos), std::move(text))); }
    void Warning(SourcePos pos, std::string text) {
        Add(WarningAt(std::move(pos), std::move(text)));
    }
    // At the fallback position.
    void Error(std::string text) { Add(ErrorAt({}, std::move(text))); }
    void Warning(std::string text) { Add(WarningAt({}, std::move(text))); }
    // An error of fixed wording, "main.fx: cannot open file: No such file
    // or directory" (Message::bare).
    void Bare(std::string text);
    // Messages a stage dropped itself before handing the rest on (past its
    // cap: a flood never crosses the pipe from the compiler child).
    virtual void AddUnshown(size_t errors, size_t warnings) = 0;

    // Errors handed in so far, unshown ones too: a stage compares the count
    // before and after a step to tell whether that step failed.
    size_t ErrorCount() const { return errorTotal_; }
    bool HasErrors() const { return errorTotal_ > 0; }

    const SourcePos& FallbackPos() const { return fallbackPos_; }
    const std::string& FallbackEntry() const { return fallbackEntry_; }

protected:
    virtual void Put(Message message) = 0;
    size_t errorTotal_ = 0;

private:
    friend class FallbackScope;
    SourcePos fallbackPos_;
    std::string fallbackEntry_;
};

// Sets a sink's fallback position and entry point for as long as it lives,
// and gives the ones before back after.
class FallbackScope {
public:
    FallbackScope(MessageSink& sink, SourcePos pos, std::string entry = {});
    ~FallbackScope();
    FallbackScope(const FallbackScope&) = delete;
    FallbackScope& operator=(const FallbackScope&) = delete;

private:
    MessageSink& sink_;
    SourcePos pos_;
    std::string entry_;
};

// A sink that appends to a vector, in the order messages come, and counts
// what a stage left unshown.
class MessageCollector : public MessageSink {
public:
    explicit MessageCollector(std::vector<Message>* into) : into_(into) {}
    void AddUnshown(size_t errors, size_t warnings) override;

    size_t unshownErrors = 0;
    size_t unshownWarnings = 0;

private:
    void Put(Message message) override { into_->push_back(std::move(message)); }
    std::vector<Message>* into_;
};

// The messages of one load: errors first, then warnings, each in the order
// they were made, the first kShownMessages of them shown and the rest
// counted. A message said twice (the same problem found while compiling the
// second stage of a pass) is kept once; a multi-line text is folded onto one
// line.
class MessageList : public MessageSink {
public:
    explicit MessageList(std::string effectFile) : effectFile_(std::move(effectFile)) {}

    void AddUnshown(size_t errors, size_t warnings) override;

    // One line per shown message, then "main.fx: N more messages not shown
    // (E errors, W warnings)" when there were more.
    std::string Text() const;
    // Warnings of these numbers (#pragma warning(disable: N)) are dropped
    // from here on, neither shown nor counted.
    void DisableWarnings(const std::set<int>& numbers) {
        disabled_.insert(numbers.begin(), numbers.end());
    }

private:
    void Put(Message message) override;

    std::string effectFile_;
    std::set<int> disabled_;
    std::vector<std::string> errors_;    // formatted, at most kShownMessages
    std::vector<std::string> warnings_;  // formatted, at most kShownMessages
    size_t errorCount_ = 0;              // shown and not
    size_t warningCount_ = 0;
    std::unordered_set<size_t> seen_;  // every message added, hashed
};

// The number Direct3D 9's compiler gives a warning of this text (3206 for
// "implicit truncation of vector type"), which #pragma warning(disable: N)
// names; 0 for one it has no number for here.
int WarningNumber(const std::string& text);

// Keeps the first kShownMessages errors and warnings of a stage's list, in
// order, each problem once, and counts the others it drops.
void TrimMessages(std::vector<Message>* messages, size_t* droppedErrors, size_t* droppedWarnings);

}  // namespace fx
