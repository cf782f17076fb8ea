// Temporary-then-rename output files and the interrupt handler that removes unfinished ones.
#include "host/output_file.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/report.h"

namespace tw {

namespace {

// The clean-up tables are read by the signal handler, so they hold plain characters and
// lock-free atomics only.
constexpr int kSlots = 16;
constexpr int kPathMax = 4096;
char gTempPaths[kSlots][kPathMax];
std::atomic<bool> gTempUsed[kSlots];
constexpr int kChildren = 4;
std::atomic<int> gChildren[kChildren];

// Slots are claimed and released on the main thread only; the handler reads the path of a
// slot only after seeing its flag, which is raised after the path is in place.
int claimSlot(const std::string& path) {
    if (path.size() >= kPathMax) return -1;
    for (int i = 0; i < kSlots; ++i) {
        if (gTempUsed[i].load()) continue;
        std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
        gTempUsed[i].store(true);
        return i;
    }
    return -1;
}

void releaseSlot(int& slot) {
    if (slot >= 0) gTempUsed[slot].store(false);
    slot = -1;
}

void say(const char* text) {
    ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void onInterrupt(int sig) {
    for (auto& c : gChildren) {
        int pid = c.exchange(0);
        if (pid <= 0) continue;
        kill(pid, SIGKILL);
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }
    bool removed = false;
    for (int i = 0; i < kSlots; ++i) {
        if (gTempUsed[i].load() && unlink(gTempPaths[i]) == 0) removed = true;
    }
    say(sig == SIGINT    ? "\ntarnwick: interrupted (SIGINT)"
        : sig == SIGTERM ? "\ntarnwick: stopped by SIGTERM"
                         : "\ntarnwick: stopped by SIGHUP");
    say(removed ? "; removed the unfinished output, earlier files are as they were\n"
                : "; no output file was left unfinished\n");
    // SA_RESETHAND put the default action back; the signal kills us as it would have.
    raise(sig);
}

} // namespace

PendingFile::~PendingFile() {
    discardFile(*this);
}

void beginFile(PendingFile& f, const std::string& path, const std::string& suffix) {
    discardFile(f);
    f.path = path;
    f.temp = path + "." + std::to_string(getpid()) + "." + suffix;
    f.slot = claimSlot(f.temp);
}

bool commitFile(PendingFile& f, std::string& error) {
    if (f.temp.empty()) {
        error = "nothing was written to " + f.path;
        return false;
    }
    if (std::rename(f.temp.c_str(), f.path.c_str()) != 0) {
        error = format("cannot put %s in place: %s", f.path.c_str(), std::strerror(errno));
        discardFile(f);
        return false;
    }
    releaseSlot(f.slot);
    f.temp.clear();
    return true;
}

void discardFile(PendingFile& f) {
    if (!f.temp.empty()) std::remove(f.temp.c_str());
    releaseSlot(f.slot);
    f.temp.clear();
}

bool writeFileSafely(const std::string& path, const std::function<bool(const std::string&)>& write,
                     std::string& error) {
    PendingFile f;
    beginFile(f, path);
    errno = 0;
    if (!write(f.temp)) {
        int e = errno;
        discardFile(f);
        error = "cannot write " + path + (e ? std::string(": ") + std::strerror(e) : "");
        errno = e;
        return false;
    }
    return commitFile(f, error);
}

void trackChildProcess(int pid) {
    for (auto& c : gChildren) {
        int expected = 0;
        if (c.compare_exchange_strong(expected, pid)) return;
    }
}

void untrackChildProcess(int pid) {
    for (auto& c : gChildren) {
        int expected = pid;
        c.compare_exchange_strong(expected, 0);
    }
}

void installInterruptCleanup() {
    struct sigaction sa {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &sa, nullptr);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool checkWritableFolder(const std::string& folder, std::string& error) {
    struct stat st {};
    if (stat(folder.c_str(), &st) != 0) {
        error = format("cannot write to %s: %s", folder.c_str(), std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        error = format("cannot write to %s: not a folder", folder.c_str());
        return false;
    }
    std::string probe = folder + "/.tarnwick-probe." + std::to_string(getpid());
    int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = format("cannot write to %s: %s", folder.c_str(), std::strerror(errno));
        return false;
    }
    close(fd);
    unlink(probe.c_str());
    return true;
}

std::string folderOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

} // namespace tw
