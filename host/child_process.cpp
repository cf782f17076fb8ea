// Helper programs started with posix_spawnp (no shell), with a checked pipe and exit status.
#include "host/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/report.h"
#include "host/output_file.h"

extern char** environ;

namespace tw {

namespace {

// Everything written to an in-memory file, then closes it.
std::string drain(int& fd) {
    std::string text;
    if (fd < 0) return text;
    if (lseek(fd, 0, SEEK_SET) == 0) {
        char buf[4096];
        ssize_t n;
        while ((n = read(fd, buf, sizeof buf)) > 0) text.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    fd = -1;
    return text;
}

void closeAll(ChildProcess& c) {
    for (int* fd : {&c.input, &c.output, &c.errors}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

} // namespace

std::string lastLines(const std::string& text, int lines) {
    std::vector<std::string> kept;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) kept.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    std::string out;
    size_t from = kept.size() > static_cast<size_t>(lines) ? kept.size() - lines : 0;
    for (size_t i = from; i < kept.size(); ++i) out += "\n    " + kept[i];
    return out;
}

bool startChild(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child,
                std::string& error, bool captureOutput) {
    child = ChildProcess{};
    if (argv.empty()) {
        error = "no program to start";
        return false;
    }
    std::signal(SIGPIPE, SIG_IGN);

    int fds[2] = {-1, -1};
    // Close-on-exec on both ends: the child gets the read end only as its fd 0 (dup2 clears
    // the flag there), and never holds the write end, or it would never see end of file.
    if (pipeInput && pipe2(fds, O_CLOEXEC) != 0) {
        error = format("cannot make a pipe for %s: %s", argv[0].c_str(), std::strerror(errno));
        return false;
    }

    // Its standard error (and output) go to in-memory files: nothing blocks however much it
    // writes, and the text is there to quote once it has exited.
    child.errors = memfd_create("child-stderr", MFD_CLOEXEC);
    if (captureOutput) child.output = memfd_create("child-stdout", MFD_CLOEXEC);
    if (child.errors < 0 || (captureOutput && child.output < 0)) {
        error = format("cannot keep the messages of %s: %s", argv[0].c_str(), std::strerror(errno));
        if (pipeInput) {
            close(fds[0]);
            close(fds[1]);
        }
        closeAll(child);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    if (pipeInput) posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    if (captureOutput) posix_spawn_file_actions_adddup2(&actions, child.output, 1);
    posix_spawn_file_actions_adddup2(&actions, child.errors, 2);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0].c_str(), &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (pipeInput) close(fds[0]);
    if (rc != 0) {
        if (pipeInput) close(fds[1]);
        closeAll(child);
        if (rc == ENOENT) {
            error = format("cannot start %s: not found on PATH (on Debian: apt-get install %s)",
                           argv[0].c_str(), argv[0].c_str());
        } else {
            error = format("cannot start %s: %s", argv[0].c_str(), std::strerror(rc));
        }
        return false;
    }
    child.pid = pid;
    child.input = pipeInput ? fds[1] : -1;
    trackChildProcess(pid);
    return true;
}

bool writeAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool finishChild(ChildProcess& child, const std::string& name, std::string& error,
                 std::string* output) {
    if (child.input >= 0) {
        close(child.input);
        child.input = -1;
    }
    if (child.pid < 0) {
        closeAll(child);
        return true;
    }
    int status = 0;
    pid_t r;
    do {
        r = waitpid(child.pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    untrackChildProcess(child.pid);
    child.pid = -1;
    std::string out = drain(child.output);
    std::string messages = lastLines(drain(child.errors), 6);
    if (output) *output = out;
    if (r < 0) {
        error = format("cannot wait for %s: %s", name.c_str(), std::strerror(errno));
        return false;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    if (WIFEXITED(status)) {
        error = format("%s failed (exit status %d)", name.c_str(), WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        error = format("%s was killed by signal %d (%s)", name.c_str(), WTERMSIG(status),
                       strsignal(WTERMSIG(status)));
    } else {
        error = format("%s ended abnormally", name.c_str());
    }
    error += messages.empty() ? " without a message" : "; its last messages:" + messages;
    return false;
}

bool runChild(const std::vector<std::string>& argv, std::string& error, std::string* output) {
    ChildProcess child;
    if (!startChild(argv, false, child, error, output != nullptr)) return false;
    return finishChild(child, argv[0], error, output);
}

} // namespace tw
