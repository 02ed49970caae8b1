// The effect watch over Linux inotify. Folders are watched rather than files:
// an editor that saves by writing a new file and renaming it over the old one
// replaces the file's inode, and a watch on the old inode would go quiet.
#include "platform/watch/watch.h"

#include "platform/fx/effect_info.h"
#include "platform/watch/debounce.h"

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A write or a truncation (IN_MODIFY) says a file is open for writing; its
// close (IN_CLOSE_WRITE) says the writer is done.
constexpr uint32_t kFolderEvents = IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_ONLYDIR;

struct WatchedFile {
    std::string name;  // its name in its folder
    int folder = -1;   // the folder's watch descriptor; -1 when it is not watched
    bool writing = false;  // written to or created, and not closed since
};

struct EffectWatch {
    int fd = -1;
    unsigned serial = 0;  // the load whose files are watched
    std::vector<WatchedFile> files;
    std::vector<int> folders;  // watch descriptors in use
    platform::Debounce debounce;
};

EffectWatch g_watch;

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// "dir/main.fx" -> "dir", "main.fx" -> ".", "/main.fx" -> "/".
std::string FolderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file's bytes, read the way the loader reads them (never waiting on a
// FIFO), up to one byte more than limit (enough to tell that it grew);
// false when it is missing or not a regular file.
bool ReadWhole(const std::string& path, uint64_t limit, std::string* bytes) {
    bytes->clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    char chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        bytes->append(chunk, static_cast<size_t>(n));
        if (bytes->size() > limit) break;
    }
    close(fd);
    return ok;
}

// Whether any file the latest load read now holds other bytes, or has come
// or gone.
bool ChangedSinceLoad() {
    std::string bytes;
    for (const fx::LoadedFile& file : fx::GetLoadedFiles(nullptr)) {
        bool read = ReadWhole(file.path, file.size, &bytes);
        if (read != file.read) return true;
        if (!read) continue;
        if (bytes.size() != file.size || fx::FileDigest(bytes) != file.digest) return true;
    }
    return false;
}

bool AnyFileWriting() {
    for (const WatchedFile& file : g_watch.files) {
        if (file.writing) return true;
    }
    return false;
}

// After a new load: watch the folders of its files and drop the others.
void FollowLatestLoad() {
    unsigned serial = 0;
    const std::vector<fx::LoadedFile>& loaded = fx::GetLoadedFiles(&serial);
    if (serial == g_watch.serial) return;
    g_watch.serial = serial;

    std::vector<WatchedFile> files;
    std::vector<int> folders;
    bool newFolder = false;
    for (const fx::LoadedFile& file : loaded) {
        std::string folder = FolderOf(file.path);
        std::string name = NameOf(file.path);
        int wd = inotify_add_watch(g_watch.fd, folder.c_str(), kFolderEvents);
        if (wd < 0) {
            std::fprintf(stderr, "[watch] cannot watch %s: %s\n", folder.c_str(),
                         std::strerror(errno));
        } else if (std::find(folders.begin(), folders.end(), wd) == folders.end()) {
            folders.push_back(wd);
            auto& old = g_watch.folders;
            if (std::find(old.begin(), old.end(), wd) == old.end()) newFolder = true;
        }
        // A writer busy while the load ran is still busy.
        bool writing = false;
        for (const WatchedFile& old : g_watch.files) {
            if (old.folder == wd && old.name == name) writing = old.writing;
        }
        files.push_back({name, wd, writing});
    }
    for (int wd : g_watch.folders) {
        if (std::find(folders.begin(), folders.end(), wd) == folders.end()) {
            inotify_rm_watch(g_watch.fd, wd);
        }
    }
    g_watch.files = std::move(files);
    g_watch.folders = std::move(folders);
    // A save between the load and a new folder's watch would go unseen: look
    // once after the quiet spell.
    if (newFolder) g_watch.debounce.Event(NowMs(), AnyFileWriting());
}

// Notes what the event says of the watched files; false when it concerns
// none of them.
bool Note(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
        // Events were lost: any file may have changed, and no writer is known.
        for (WatchedFile& file : g_watch.files) file.writing = false;
        return true;
    }
    if (event.len == 0) return false;
    bool concerns = false;
    for (WatchedFile& file : g_watch.files) {
        if (file.folder != event.wd || file.name != event.name) continue;
        concerns = true;
        if (event.mask & (IN_MODIFY | IN_CREATE)) file.writing = true;
        if (event.mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) file.writing = false;
    }
    return concerns;
}

}  // namespace

HRESULT StartEffectWatch() {
    if (g_watch.fd >= 0) return S_OK;
    g_watch.fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (g_watch.fd < 0) {
        std::fprintf(stderr, "[watch] cannot watch files (inotify: %s); F5 still reloads\n",
                     std::strerror(errno));
        return E_FAIL;
    }
    FollowLatestLoad();
    return S_OK;
}

BOOL EffectFilesChanged() {
    if (g_watch.fd < 0) return FALSE;
    FollowLatestLoad();

    int64_t now = NowMs();
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = read(g_watch.fd, buffer, sizeof buffer);
        if (n <= 0) break;  // nothing waiting (EAGAIN), or an interruption: next frame
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (Note(*event)) g_watch.debounce.Event(now, AnyFileWriting());
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }

    bool heldByWriter = g_watch.debounce.writing;
    if (!g_watch.debounce.Due(now)) return FALSE;
    // A writer that kept its file open past the limit is waited for no more.
    if (heldByWriter) {
        for (WatchedFile& file : g_watch.files) file.writing = false;
    }
    return ChangedSinceLoad() ? TRUE : FALSE;
}

void StopEffectWatch() {
    DropBackgroundLoad();
    if (g_watch.fd >= 0) close(g_watch.fd);
    g_watch = EffectWatch{};
}
