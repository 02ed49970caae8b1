// Stage 1: file names that differ in case from the files on disk (see
// 1_file_names.h).
#include "platform/fx/1_read/1_file_names.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace fx {
namespace {

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

// The entry of folder ("" for the working folder) named name in another
// case; empty when there is none.
std::string EntryIgnoringCase(const std::string& folder, const std::string& name) {
    std::error_code ec;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec);
    std::string found;
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (SameIgnoringCase(entry, name) && (found.empty() || entry < found)) found = entry;
    }
    return found;
}

}  // namespace

std::string FindIgnoringCase(const std::string& path) {
    if (path.empty() || Exists(path)) return path;
    // Keep the longest prefix that exists as written, then match the rest
    // component by component.
    std::string resolved;
    size_t start = 0;
    if (path[0] == '/') {
        resolved = "/";
        start = 1;
    }
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string name = path.substr(start, slash - start);
        if (!name.empty()) {
            std::string next = resolved + name;
            if (name != "." && name != ".." && !Exists(next)) {
                const std::string entry = EntryIgnoringCase(resolved, name);
                if (entry.empty()) return path;
                next = resolved + entry;
            }
            resolved = next;
            if (slash < path.size()) resolved += '/';
        }
        start = slash + 1;
    }
    return resolved;
}

}  // namespace fx
