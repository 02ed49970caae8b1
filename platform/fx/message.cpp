// Message, its formatter, and the list of one load's messages.
#include "platform/fx/message.h"

#include <algorithm>

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

void MessageList::Add(Message m) {
    // One problem, one line: a tool's multi-line message is folded.
    for (char& c : m.text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    if (!seen_.insert({m.IsError(), m.line, m.column, m.file + "\n" + m.text}).second) return;
    text_ += FormatMessage(m, effectFile_) + "\n";
    if (m.IsError()) errors_ = true;
}

void MessageList::Add(const std::vector<Message>& messages) {
    for (const Message& m : messages) Add(m);
}

void MessageList::Bare(const std::string& text) {
    text_ += effectFile_ + ": " + text + "\n";
    errors_ = true;
}

}  // namespace fx
