// Test helpers that run outside programs through the shell (ffmpeg, ffprobe, tarnwick itself).
#pragma once

#include <string>

namespace tw::test {

struct ShellResult {
    int status = -1; // exit status, -1 when the command did not exit normally
    std::string out; // everything it wrote to standard output
};

ShellResult shell(const std::string& command);

// `command` with its standard error folded into `out`, for checking a tool's messages.
ShellResult runTool(const std::string& command);

// True when `tool` is a command the shell finds.
bool haveTool(const std::string& tool);

// One ffprobe entry (e.g. "stream=width") of the first stream matching `stream` ("v:0",
// "a:0"), frames counted by decoding, without a trailing newline.
std::string probe(const std::string& file, const std::string& stream, const std::string& entry);

} // namespace tw::test
