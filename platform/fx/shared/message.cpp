// Message, its formatter, and the list of one load's messages.
#include "platform/fx/shared/message.h"
#include "platform/fx/shared/made_names.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace fx {

Message ErrorAt(SourcePos pos, std::string text) {
    Message m;
    m.file = std::move(pos.file);
    m.line = pos.line;
    m.column = pos.column;
    m.text = std::move(text);
    return m;
}

Message WarningAt(SourcePos pos, std::string text) {
    Message m = ErrorAt(pos, std::move(text));
    m.severity = Severity::Warning;
    return m;
}

// "dir/main.fx" -> "dir/"; "main.fx" -> "".
static std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FormatMessage(const Message& m, const std::string& effectFile) {
    if (m.bare) return effectFile + ": " + m.text;
    std::string where = m.file.empty() ? effectFile : FolderOf(effectFile) + m.file;
    if (m.line > 0) {
        where += '(';
        where += std::to_string(m.line);
        where += ',';
        where += std::to_string(std::max(m.column, 1));
        where += ')';
    }
    std::string text = where + (m.IsError() ? ": error: " : ": warning: ") + m.text;
    if (!m.entry.empty()) text += " (" + m.entry + ")";
    return text;
}

void MessageSink::Add(Message m) {
    if (m.bare) {
        ++errorTotal_;
        Put(std::move(m));
        return;
    }
    if (m.line == 0 && m.file.empty()) {
        m.line = fallbackPos_.line;
        m.column = fallbackPos_.column;
        m.file = fallbackPos_.file;
    }
    if (m.entry.empty()) m.entry = fallbackEntry_;
    // The names stage 4 made for the user's are said as the user wrote them
    // (made_names.h), whichever stage speaks of them.
    if (m.text.find("fx_") != std::string::npos) SayUserNames(&m.text);
    if (m.IsError()) ++errorTotal_;
    Put(std::move(m));
}

void MessageSink::Bare(std::string text) {
    Message m;
    m.text = std::move(text);
    m.bare = true;
    Add(std::move(m));
}

void MessageSink::Add(const std::vector<Message>& messages) {
    for (const Message& m : messages) Add(m);
}

FallbackScope::FallbackScope(MessageSink& sink, SourcePos pos, std::string entry)
    : sink_(sink), pos_(std::move(sink.fallbackPos_)), entry_(std::move(sink.fallbackEntry_)) {
    sink_.fallbackPos_ = std::move(pos);
    sink_.fallbackEntry_ = std::move(entry);
}

FallbackScope::~FallbackScope() {
    sink_.fallbackPos_ = std::move(pos_);
    sink_.fallbackEntry_ = std::move(entry_);
}

void MessageCollector::AddUnshown(size_t errors, size_t warnings) {
    errorTotal_ += errors;
    unshownErrors += errors;
    unshownWarnings += warnings;
}

int WarningNumber(const std::string& text) {
    static const std::pair<const char*, int> kNumbers[] = {
        {"implicit truncation of vector type", 3206},
    };
    for (const auto& [start, number] : kNumbers)
        if (text.rfind(start, 0) == 0) return number;
    return 0;
}

void MessageList::Put(Message m) {
    if (!m.IsError() && !disabled_.empty() && disabled_.count(WarningNumber(m.text)) != 0) return;
    if (m.bare) {
        ++errorCount_;
        if (errors_.size() < kShownMessages) errors_.push_back(FormatMessage(m, effectFile_));
        return;
    }
    std::vector<std::string>& kept = m.IsError() ? errors_ : warnings_;
    // One problem, one line: a tool's multi-line message is folded.
    for (char& c : m.text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    // A problem said again is neither shown nor counted again, past the cap
    // too (where a new one is counted, not kept: a hash of it, so that a
    // flood of warnings costs a few bytes each).
    const std::string key = std::to_string(m.IsError()) + ":" + std::to_string(m.line) + ":" +
                            std::to_string(m.column) + ":" + m.file + "\n" + m.text;
    if (!seen_.insert(std::hash<std::string>{}(key)).second) return;
    (m.IsError() ? errorCount_ : warningCount_) += 1;
    if (kept.size() >= kShownMessages) return;
    kept.push_back(FormatMessage(m, effectFile_));
}

void MessageList::AddUnshown(size_t errors, size_t warnings) {
    errorTotal_ += errors;
    errorCount_ += errors;
    warningCount_ += warnings;
}

std::string MessageList::Text() const {
    std::string text;
    size_t shown = 0;
    for (const auto* list : {&errors_, &warnings_}) {
        for (const std::string& line : *list) {
            if (shown == kShownMessages) break;
            text += line;
            text += '\n';
            ++shown;
        }
    }
    const size_t total = errorCount_ + warningCount_;
    if (total > shown) {
        auto plural = [](size_t n, const char* what) {
            return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
        };
        const size_t shownErrors = std::min(errors_.size(), kShownMessages);
        text += effectFile_ + ": " + plural(total - shown, "more message") + " not shown (" +
                plural(errorCount_ - shownErrors, "error") + ", " +
                plural(warningCount_ - (shown - shownErrors), "warning") + ")\n";
    }
    return text;
}

void TrimMessages(std::vector<Message>* messages, size_t* droppedErrors, size_t* droppedWarnings) {
    size_t errors = 0, warnings = 0;
    std::vector<Message> kept;
    std::set<std::tuple<bool, int, int, std::string>> seen;
    for (Message& m : *messages) {
        // The same problem found by both stages of a pass counts once.
        if (!seen.insert({m.IsError(), m.line, m.column, m.file + "\n" + m.text}).second) continue;
        size_t& count = m.IsError() ? errors : warnings;
        if (++count <= kShownMessages) kept.push_back(std::move(m));
    }
    *droppedErrors = errors - std::min(errors, kShownMessages);
    *droppedWarnings = warnings - std::min(warnings, kShownMessages);
    *messages = std::move(kept);
}

}  // namespace fx
