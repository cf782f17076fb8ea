// Helper programs started without a shell: found on PATH, fed through a pipe, exit checked.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

struct ChildProcess {
    int pid = -1;
    int input = -1;  // write end of the child's standard input, -1 when none
    int output = -1; // in-memory file holding its standard output when captured, else -1
    int errors = -1; // in-memory file holding its standard error, -1 when none
};

// Starts argv[0] (looked up on PATH) with the arguments as given. With `pipeInput` the
// child's standard input is a pipe whose write end is child.input; otherwise it inherits
// ours. Its standard error is kept (so a failure can quote it), and with `captureOutput` its
// standard output too. SIGPIPE is ignored in this process from then on (a write to a child
// that has gone fails with EPIPE instead of killing us) and set back to default in the
// child. The child is killed if an interrupt ends this process. On failure `error` says why
// in one line, naming the program.
bool startChild(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child,
                std::string& error, bool captureOutput = false);

// Writes every byte, retrying short writes and interrupted calls. False on any error
// (errno tells which; EPIPE means the child stopped reading).
bool writeAll(int fd, const void* data, size_t size);

// Closes the child's input (so it sees end of file), waits for it and checks that it exited
// with status 0. On failure `error` gives its exit status or signal and the last lines of
// its standard error. With `output`, receives what it wrote to a captured standard output.
// Safe on a child that never started.
bool finishChild(ChildProcess& child, const std::string& name, std::string& error,
                 std::string* output = nullptr);

// startChild without a pipe, then finishChild.
bool runChild(const std::vector<std::string>& argv, std::string& error,
              std::string* output = nullptr);

// The last `lines` non-empty lines of `text`, each indented on a line of its own.
std::string lastLines(const std::string& text, int lines);

} // namespace tw
