// Helper programs started without a shell: found on PATH, fed through a pipe, exit checked.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tw {

struct ChildProcess {
    int pid = -1;
    int input = -1; // write end of the child's standard input, -1 when none
};

// Starts argv[0] (looked up on PATH) with the arguments as given. With `pipeInput` the
// child's standard input is a pipe whose write end is child.input; otherwise it inherits
// ours. SIGPIPE is ignored in this process from then on (a write to a child that has gone
// fails with EPIPE instead of killing us) and set back to default in the child. On failure
// `error` says why in one line, naming the program.
bool startChild(const std::vector<std::string>& argv, bool pipeInput, ChildProcess& child,
                std::string& error);

// Writes every byte, retrying short writes and interrupted calls. False on any error
// (errno tells which; EPIPE means the child stopped reading).
bool writeAll(int fd, const void* data, size_t size);

// Closes the child's input (so it sees end of file), waits for it and checks that it exited
// with status 0. On failure `error` describes the exit. Safe on a child that never started.
bool finishChild(ChildProcess& child, const std::string& name, std::string& error);

// startChild without a pipe, then finishChild.
bool runChild(const std::vector<std::string>& argv, std::string& error);

} // namespace tw
