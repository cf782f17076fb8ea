// Shell helpers for tests: run a command, read its output, ask ffprobe.
#include "tests/support/shell.h"

#include <cstdio>
#include <sys/wait.h>

namespace tw::test {

ShellResult shell(const std::string& command) {
    ShellResult r;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return r;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

ShellResult runTool(const std::string& command) {
    return shell(command + " 2>&1");
}

bool haveTool(const std::string& tool) {
    return runTool("command -v " + tool).status == 0;
}

std::string probe(const std::string& file, const std::string& stream, const std::string& entry) {
    std::string out = shell("ffprobe -v error -count_frames -select_streams " + stream +
                            " -show_entries " + entry + " -of default=nw=1:nk=1 '" + file + "'")
                          .out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

} // namespace tw::test
