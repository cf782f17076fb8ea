// Output files that are never left half-written: each is written under a temporary name in
// its own folder and renamed into place only when complete; temporaries (and helper
// programs writing them) are cleaned up on failure and on SIGINT, SIGTERM or SIGHUP.
#pragma once

#include <functional>
#include <string>

namespace tw {

// A file being written: `temp` lies beside `path` (same folder, so the final rename is
// atomic) and is removed by an interrupt until it is committed or discarded.
struct PendingFile {
    PendingFile() = default;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    ~PendingFile(); // discards a file that was neither committed nor discarded

    std::string path; // where the finished file goes
    std::string temp; // where it is written meanwhile
    int slot = -1;    // its place in the interrupt clean-up table, -1 when not tracked
};

// Chooses the temporary ("PATH.<pid>.<suffix>") and registers it for clean-up. The suffix
// lets a helper program that goes by the extension see the right one ("part" by default).
void beginFile(PendingFile& file, const std::string& path, const std::string& suffix = "part");

// Renames the temporary onto the final path (replacing an earlier file only now). On
// failure the temporary is removed and `error` says why; the earlier file is untouched.
bool commitFile(PendingFile& file, std::string& error);

// Removes the temporary; the final path is left as it was.
void discardFile(PendingFile& file);

// Writes `path` through `write`, which is given the temporary to write and returns false
// (with errno set) on failure. On failure `error` is one line naming `path` and the reason.
bool writeFileSafely(const std::string& path, const std::function<bool(const std::string&)>& write,
                     std::string& error);

// Helper programs whose output is a pending file: an interrupt kills them (and waits for
// them) before it removes the temporaries, so none can recreate one afterwards.
void trackChildProcess(int pid);
void untrackChildProcess(int pid);

// Installs the interrupt clean-up for SIGINT, SIGTERM and SIGHUP: kill tracked helpers,
// remove tracked temporaries, say so on standard error, then die by the same signal. Also
// ignores SIGXFSZ so that a file-size limit fails the write instead of killing the process.
void installInterruptCleanup();

// Checks that new files can be created in `folder` (creates and removes a probe file).
// False with a one-line reason naming the folder.
bool checkWritableFolder(const std::string& folder, std::string& error);

// The folder a file path lies in ("." for a bare name).
std::string folderOf(const std::string& path);

} // namespace tw
