// Stage 1: reading the effect file and its includes (see 1_read_file.h).
//
// Implemented: [x] regular files up to kMaxEffectFileBytes, opened without
//                  blocking (a FIFO named like the effect cannot stall the
//                  program), read in chunks without trusting the size
//              [x] #include relative to the effect file's folder, its name
//                  matched ignoring case when it is not found as written
// Not implemented: the caller's include handler, include search paths.
#include "platform/fx/1_read/1_read_file.h"

#include <cctype>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/fx/1_read/1_file_names.h"
#include "platform/fx/effect_info.h"

namespace fx {
namespace {

// The files the latest load read (effect_info.h): the effect file first,
// then each file an #include or a texture's ResourceName named, each once.
struct LoadRecord {
    unsigned serial = 0;
    std::vector<LoadedFile> files;
    std::unordered_set<std::string> paths;  // the files' paths, looked up per file read
};
LoadRecord g_lastLoad;

// Why the open file cannot be an effect file; empty when it can. bare: the
// fixed wording "cannot open file: ...", without a severity.
std::string RegularFileProblem(int fd, bool* bare) {
    *bare = true;
    struct stat st;
    if (fstat(fd, &st) != 0) return std::string("cannot open file: ") + std::strerror(errno);
    if (S_ISDIR(st.st_mode)) return std::string("cannot open file: ") + std::strerror(EISDIR);
    if (!S_ISREG(st.st_mode)) return "cannot open file: not a regular file";
    *bare = false;
    if (static_cast<unsigned long long>(st.st_size) > kMaxEffectFileBytes) {
        return "the file is " + std::to_string(st.st_size) +
               " bytes long; effect files are limited to " + std::to_string(kMaxEffectFileBytes) +
               " bytes";
    }
    return "";
}

// An open regular file within the size limit; -1 with the reason in
// messages otherwise.
int OpenEffectFile(const char* path, MessageSink& messages) {
    int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        messages.Bare(std::string("cannot open file: ") + std::strerror(errno));
        return -1;
    }
    bool bare = false;
    std::string problem = RegularFileProblem(fd, &bare);
    if (problem.empty()) return fd;
    close(fd);
    if (bare) {
        messages.Bare(problem);
    } else {
        messages.Error(problem);
    }
    return -1;
}

// The size may change while we read; never take more than the limit.
// 0 when read; otherwise errno, or -1 past the limit.
int ReadAll(int fd, std::string* text) {
    text->clear();
    char chunk[65536];
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n < 0) return errno;
        if (n == 0) return 0;
        text->append(chunk, static_cast<size_t>(n));
        if (text->size() > kMaxEffectFileBytes) return -1;
    }
}

// A backslash at a line's end splices the next line on, as the C
// preprocessor does before it reads words: "0.\\" then "5" is 0.5. Between
// words the tokenizer splices; within a word the two halves join here, and
// the line end moves to the end of the joined line, so that every later
// line keeps its number.
void JoinSplitWords(std::string* text) {
    if (text->find('\\') == std::string::npos) return;
    auto word = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
    };
    const std::string& in = *text;
    std::string out;
    out.reserve(in.size());
    size_t moved = 0;  // line ends taken out of the logical line being copied
    for (size_t i = 0; i < in.size(); ++i) {
        const size_t nl = i + 1 < in.size() && in[i + 1] == '\r' ? i + 2 : i + 1;
        if (in[i] == '\\' && nl + 1 < in.size() && in[nl] == '\n' && !out.empty() &&
            word(out.back()) && word(in[nl + 1])) {
            ++moved;
            i = nl;
            continue;
        }
        out += in[i];
        const bool spliced =
            i > 0 && (in[i - 1] == '\\' || (in[i - 1] == '\r' && i > 1 && in[i - 2] == '\\'));
        if (in[i] == '\n' && !spliced) {
            out.append(moved, '\n');
            moved = 0;
        }
    }
    out.append(moved, '\n');
    *text = std::move(out);
}

// DOS editors ended a file with a Ctrl-Z (0x1A), Microsoft's tools read it
// as the file's end, and tools that saved a text buffer whole left its
// terminating zero bytes after it. Such marks with only white space or more
// marks after them, at the end, are blanks; one with text after it stays
// not text.
void BlankEndOfFileMarks(std::string* text) {
    size_t end = text->size();
    bool mark = false;
    while (end > 0) {
        const char c = (*text)[end - 1];
        if (c == '\x1A' || c == '\0') {
            mark = true;
        } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v') {
            break;
        }
        --end;
    }
    if (!mark) return;
    for (size_t i = end; i < text->size(); ++i)
        if ((*text)[i] == '\x1A' || (*text)[i] == '\0') (*text)[i] = ' ';
}

// Text files hold no control characters besides white space. Checking here
// keeps the compiler from being fed, and then reporting on, binary data.
// Empty when the text is fine; otherwise what is wrong, at *pos.
std::string TextProblem(std::string* text, SourcePos* pos) {
    // A UTF-8 byte order mark would read as three stray characters.
    if (text->rfind("\xEF\xBB\xBF", 0) == 0) text->replace(0, 3, "   ");
    // Text of two or four bytes a character (a byte order mark, or an ASCII
    // character beside a zero byte) is said as such, not as its first zero.
    const std::string& t = *text;
    auto starts = [&](std::string_view bytes) { return t.compare(0, bytes.size(), bytes) == 0; };
    auto asciiBesideZero = [&] {
        const unsigned char c = static_cast<unsigned char>(t[0] | t[1]);
        return (t[0] == '\0') != (t[1] == '\0') && c >= 0x09 && c < 0x7f;
    };
    *pos = {1, 1, ""};
    BlankEndOfFileMarks(text);
    if (starts(std::string_view("\xFF\xFE\0\0", 4)) || starts(std::string_view("\0\0\xFE\xFF", 4)))
        return "UTF-32 text; effect files are read as UTF-8 or ASCII: save it so";
    if (starts("\xFF\xFE") || starts("\xFE\xFF") || (t.size() >= 2 && asciiBesideZero()))
        return "UTF-16 text; effect files are read as UTF-8 or ASCII: save it so";
    int line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < text->size(); ++i) {
        unsigned char c = static_cast<unsigned char>((*text)[i]);
        // A lone CR ends a line (as old editors wrote them); every later
        // stage counts lines by LF alone.
        if (c == '\r' && (i + 1 == text->size() || (*text)[i + 1] != '\n')) {
            (*text)[i] = '\n';
            c = '\n';
        }
        if (c == '\n') {
            ++line;
            lineStart = i + 1;
            continue;
        }
        bool space = c == '\t' || c == '\r' || c == '\f' || c == '\v';
        if ((c < 0x20 && !space) || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "0x%02X", c);
            *pos = {line, static_cast<int>(i - lineStart) + 1, ""};
            return std::string("not text (byte ") + hex + ")";
        }
    }
    JoinSplitWords(text);
    return {};
}

bool CheckText(std::string* text, MessageSink& messages) {
    SourcePos pos;
    const std::string problem = TextProblem(text, &pos);
    if (problem.empty()) return true;
    messages.Error(pos, "the file is " + problem);
    return false;
}

bool ReadIncludeFile(const std::string& path, std::string* text, MessageSink& messages) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        messages.Error(std::strerror(errno));
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        messages.Error("not a regular file");
        return false;
    }
    int result = ReadAll(fd, text);
    close(fd);
    if (result < 0) {
        messages.Error("longer than " + std::to_string(kMaxEffectFileBytes) + " bytes");
        return false;
    }
    if (result > 0) {
        messages.Error(std::strerror(result));
        return false;
    }
    SourcePos pos;
    const std::string problem = TextProblem(text, &pos);
    if (!problem.empty()) {
        messages.Error(problem + (pos.line > 1 || pos.column > 1
                                      ? " at line " + std::to_string(pos.line) + ", column " +
                                            std::to_string(pos.column)
                                      : std::string()));
        return false;
    }
    return true;
}

}  // namespace

void NoteFileRead(const std::string& path, bool read, std::string_view bytes) {
    if (!g_lastLoad.paths.insert(path).second) return;
    g_lastLoad.files.push_back({path, read, bytes.size(), FileDigest(bytes)});
}

size_t FileDigest(std::string_view bytes) { return std::hash<std::string_view>{}(bytes); }

bool ReadEffectFile(const char* path, std::string* text, MessageSink& messages) {
    ++g_lastLoad.serial;
    g_lastLoad.files.clear();
    g_lastLoad.paths.clear();
    text->clear();
    int fd = OpenEffectFile(path, messages);
    if (fd < 0) {
        NoteFileRead(path, false, "");
        return false;
    }
    int result = ReadAll(fd, text);
    close(fd);
    NoteFileRead(path, result == 0, *text);
    if (result > 0) {
        messages.Bare(std::string("cannot read file: ") + std::strerror(result));
        return false;
    }
    if (result < 0) {
        messages.Error("the file grew past " + std::to_string(kMaxEffectFileBytes) +
                       " bytes while it was read");
        return false;
    }
    if (text->empty()) {
        messages.Error("the file is empty");
        return false;
    }
    return CheckText(text, messages);
}

IncludeResolver IncludeFromFolderOf(const std::string& effectPath) {
    size_t slash = effectPath.rfind('/');
    std::string folder =
        slash == std::string::npos ? std::string() : effectPath.substr(0, slash + 1);
    return [folder](const std::string& name, std::string* text, MessageSink& messages) {
        std::string path =
            FindIgnoringCase(!name.empty() && name[0] == '/' ? name : folder + name);
        bool read = ReadIncludeFile(path, text, messages);
        NoteFileRead(path, read, read ? *text : std::string());
        return read;
    };
}

const std::vector<LoadedFile>& GetLoadedFiles(unsigned* serial) {
    if (serial != nullptr) *serial = g_lastLoad.serial;
    return g_lastLoad.files;
}

}  // namespace fx
