// The program's knobs (see knobs.h): values carried across loads, the
// knobs file beside the effect, the capture tool's settings.
//
// The knobs file is text: "Name = value" a line ("ColorA = 1, 0.5, 0.25"),
// '#' starts a comment line. A bad line (unknown name, wrong count of
// values, not a number, outside the knob's range) is a warning on standard
// error naming the file and line ("main.fx.knobs(3): warning: ..."); the
// other lines apply. The file is applied at a load when its bytes differ
// from what was last applied or saved, so a value moved in the panel and
// not saved survives F5.
#include "platform/knobs/knobs.h"
#include "platform/float_to_int.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

struct KnobState {
    std::vector<Knob> knobs;
    ID3DXEffect* effect = nullptr;  // not held: the scene owns it
    std::string effectFile;
    std::string fileOverride;       // --knobs
    std::string knobsPath;          // the file read and saved: EFFECT.fx.knobs or --knobs
    std::vector<std::string> settings;  // --set NAME=VALUE
    std::string appliedPath;        // the knobs file last applied or saved ...
    std::string appliedText;        // ... and its bytes
    bool appliedExists = false;
    struct stat seen = {};          // the file as PollKnobsFile last saw it
    bool seenExists = false;
};

KnobState g_state;

// Kept as a string of its own: PollKnobsFile runs every frame and must not
// allocate.
const std::string& KnobsPath() { return g_state.knobsPath; }

void UpdateKnobsPath() {
    g_state.knobsPath = !g_state.fileOverride.empty() ? g_state.fileOverride
                        : g_state.effectFile.empty()  ? std::string()
                                                      : g_state.effectFile + ".knobs";
}

// A knobs file is a few lines per knob; anything past this is not one.
constexpr off_t kMaxKnobsFileBytes = 1 << 20;

// The file's bytes; false (as for no file) when it is not a regular file
// of at most kMaxKnobsFileBytes: a FIFO or a device named as the knobs
// file would block or never end.
bool ReadWhole(const std::string& path, std::string* text) {
    text->clear();
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size <= kMaxKnobsFileBytes;
    char chunk[4096];
    while (ok) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = n == 0;
            break;
        }
        text->append(chunk, static_cast<size_t>(n));
        ok = text->size() <= static_cast<size_t>(kMaxKnobsFileBytes);
    }
    close(fd);
    if (!ok) text->clear();
    return ok;
}

Knob* FindKnob(const std::string& name) {
    for (Knob& k : g_state.knobs) {
        if (k.name == name) return &k;
    }
    return nullptr;
}

void SetOnEffect(const Knob& knob) {
    if (g_state.effect == nullptr || knob.handle == nullptr) return;
    int32_t data[4] = {0, 0, 0, 0};
    if (knob.type == D3DXPT_FLOAT) {
        std::memcpy(data, knob.value, sizeof data);
    } else {
        for (int c = 0; c < 4; ++c) data[c] = FloatToInt32(knob.value[c]);
    }
    g_state.effect->SetValue(knob.handle, data, static_cast<UINT>(knob.components * 4));
}

void Trim(std::string* s) {
    const size_t a = s->find_first_not_of(" \t\r");
    const size_t b = s->find_last_not_of(" \t\r");
    *s = a == std::string::npos ? "" : s->substr(a, b - a + 1);
}

// "Name = value" -> name and value; false for a line that is not one.
bool SplitLine(const std::string& line, std::string* name, std::string* value) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    *name = line.substr(0, equals);
    *value = line.substr(equals + 1);
    Trim(name);
    Trim(value);
    return !name->empty();
}

bool IsBlank(std::string line) {
    Trim(&line);
    return line.empty();
}

bool IsCommentOrBlank(std::string line) {
    Trim(&line);
    return line.empty() || line[0] == '#';
}

// One "Name = value" for the current knobs; false with the reason.
bool ApplySetting(const std::string& name, const std::string& value, std::string* why) {
    Knob* knob = FindKnob(name);
    if (knob == nullptr) {
        *why = "unknown knob '" + name + "'";
        return false;
    }
    float v[4];
    std::copy(knob->value, knob->value + 4, v);
    if (!ParseKnobValue(*knob, value, v, why)) {
        *why = "knob '" + name + "': " + *why;
        return false;
    }
    std::copy(v, v + 4, knob->value);
    return true;
}

void ApplyKnobsText(const std::string& path, const std::string& text) {
    std::istringstream in(text);
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (IsCommentOrBlank(line)) continue;
        std::string name, value, why;
        if (!SplitLine(line, &name, &value)) {
            why = "not 'Name = value'";
        } else if (ApplySetting(name, value, &why)) {
            continue;
        }
        fprintf(stderr, "%s(%d): warning: %s; line ignored\n", path.c_str(), number, why.c_str());
    }
}

// The knobs file when it is new or changed since it was last applied.
bool ApplyKnobsFileIfChanged() {
    const std::string path = KnobsPath();
    std::string text;
    const bool exists = ReadWhole(path, &text);
    if (path == g_state.appliedPath && exists == g_state.appliedExists && text == g_state.appliedText)
        return false;
    g_state.appliedPath = path;
    g_state.appliedText = text;
    g_state.appliedExists = exists;
    if (!exists) return false;
    ApplyKnobsText(path, text);
    return true;
}

bool Moved(const Knob& k) {
    return !std::equal(k.value, k.value + k.components, k.defaults);
}

}  // namespace

void SetKnobsEffect(ID3DXEffect* effect, const char* effectFile) {
    g_state.effect = effect;
    if (effect == nullptr) {
        for (Knob& k : g_state.knobs) k.handle = nullptr;
        return;
    }
    g_state.effectFile = effectFile != nullptr ? effectFile : "";
    UpdateKnobsPath();

    std::vector<Knob> knobs;
    std::vector<std::string> warnings;
    ReadKnobs(effect, &knobs, &warnings);
    for (const std::string& w : warnings)
        fprintf(stderr, "%s: warning: %s\n", g_state.effectFile.c_str(), w.c_str());

    // A value the user moved stays, where the name and type still match.
    for (Knob& k : knobs) {
        for (const Knob& old : g_state.knobs) {
            if (old.name != k.name || old.type != k.type || old.components != k.components ||
                !Moved(old)) {
                continue;
            }
            for (int c = 0; c < k.components; ++c) {
                float v = old.value[c];
                if (k.hasMin) v = std::max(v, k.min);
                if (k.hasMax) v = std::min(v, k.max);
                k.value[c] = v;
            }
        }
    }
    g_state.knobs = std::move(knobs);

    ApplyKnobsFileIfChanged();
    for (const std::string& s : g_state.settings) {
        std::string name, value, why;
        SplitLine(s, &name, &value);
        if (!ApplySetting(name, value, &why)) fprintf(stderr, "--set %s: warning: %s\n", s.c_str(), why.c_str());
    }
    for (const Knob& k : g_state.knobs) SetOnEffect(k);
}

bool AddKnobSetting(const char* text) {
    std::string name, value;
    if (text == nullptr || !SplitLine(text, &name, &value)) return false;
    g_state.settings.push_back(text);
    return true;
}

void SetKnobsFile(const char* path) {
    g_state.fileOverride = path != nullptr ? path : "";
    UpdateKnobsPath();
}

bool PollKnobsFile() {
    if (KnobsPath().empty()) return false;
    struct stat st = {};
    const bool exists = stat(KnobsPath().c_str(), &st) == 0;
    const bool same = exists == g_state.seenExists && st.st_mtim.tv_sec == g_state.seen.st_mtim.tv_sec &&
                      st.st_mtim.tv_nsec == g_state.seen.st_mtim.tv_nsec && st.st_size == g_state.seen.st_size &&
                      st.st_ino == g_state.seen.st_ino;
    if (same) return false;
    g_state.seen = st;
    g_state.seenExists = exists;
    if (!ApplyKnobsFileIfChanged()) return false;
    for (const Knob& k : g_state.knobs) SetOnEffect(k);
    return true;
}

bool SaveKnobs() {
    if (KnobsPath().empty()) return false;
    const std::string path = KnobsPath();
    std::string old;
    ReadWhole(path, &old);

    // The old file's lines: a header (up to the last blank line before the
    // first value line), comments above each value line (they move with
    // it), lines of names this effect does not have, and comments after the
    // last value line.
    std::vector<std::string> header, trailing, unknown;
    std::vector<std::pair<std::string, std::vector<std::string>>> attached;  // name, comments
    std::vector<std::string> pending;
    bool anyValue = false;
    std::istringstream in(old);
    std::string line;
    while (std::getline(in, line)) {
        std::string name, value;
        if (IsCommentOrBlank(line) || !SplitLine(line, &name, &value)) {
            pending.push_back(line);
            continue;
        }
        if (!anyValue) {
            // The file's header ends at its last blank line; the comments
            // after it belong to the first knob.
            size_t blank = pending.size();
            while (blank > 0 && !IsBlank(pending[blank - 1])) --blank;
            header.assign(pending.begin(), pending.begin() + static_cast<long>(blank));
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(blank));
        }
        anyValue = true;
        if (FindKnob(name) != nullptr) {
            attached.emplace_back(name, std::move(pending));
        } else {
            unknown.insert(unknown.end(), pending.begin(), pending.end());
            unknown.push_back(line);
        }
        pending.clear();
    }
    if (anyValue) {
        trailing = std::move(pending);
    } else {
        header = std::move(pending);
    }

    std::string text;
    for (const std::string& l : header) text += l + "\n";
    for (const Knob& k : g_state.knobs) {
        for (const auto& [name, comments] : attached) {
            if (name != k.name) continue;
            for (const std::string& l : comments) text += l + "\n";
        }
        if (Moved(k)) text += k.name + " = " + KnobValueText(k, k.value) + "\n";
    }
    for (const std::string& l : unknown) text += l + "\n";
    for (const std::string& l : trailing) text += l + "\n";

    const std::string temporary = path + ".tmp";
    FILE* out = fopen(temporary.c_str(), "wb");
    if (out == nullptr || fwrite(text.data(), 1, text.size(), out) != text.size() ||
        fclose(out) != 0 || rename(temporary.c_str(), path.c_str()) != 0) {
        fprintf(stderr, "%s: cannot save the knobs: %s\n", path.c_str(), strerror(errno));
        return false;
    }
    g_state.appliedPath = path;
    g_state.appliedText = text;
    g_state.appliedExists = true;
    fprintf(stderr, "Saved %s.\n", path.c_str());
    return true;
}

std::vector<Knob>& GetKnobs() { return g_state.knobs; }

void SetKnobValue(size_t index, const float* value) {
    if (index >= g_state.knobs.size()) return;
    Knob& k = g_state.knobs[index];
    for (int c = 0; c < k.components; ++c) {
        float v = value[c];
        if (k.type == D3DXPT_BOOL) v = v != 0 ? 1.0f : 0.0f;
        if (k.hasMin) v = std::max(v, k.min);
        if (k.hasMax) v = std::min(v, k.max);
        k.value[c] = v;
    }
    SetOnEffect(k);
}

void ResetKnob(size_t index) {
    if (index >= g_state.knobs.size()) return;
    Knob& k = g_state.knobs[index];
    std::copy(k.defaults, k.defaults + 4, k.value);
    SetOnEffect(k);
}

void ResetAllKnobs() {
    for (size_t i = 0; i < g_state.knobs.size(); ++i) ResetKnob(i);
}

void ResetKnobState() { g_state = KnobState(); }
