// Where the program finds its data set: the option, the environment, then the usual folders.
#pragma once

#include <string>
#include <vector>

namespace tw {

// What the search looks at, gathered from the process so the search itself is testable.
struct DataSearchInput {
    std::string option;        // --data DIR (empty when not given)
    const char* env = nullptr; // TARNWICK_DATA (null when unset)
    std::string workingDir = ".";
    std::string exeDir;                // folder of the running executable (empty when unknown)
    const char* xdgDataDirs = nullptr; // XDG_DATA_DIRS (null when unset)
};

// The environment and paths of this process.
DataSearchInput dataSearchFromProcess(const std::string& option);

// Folders that may hold data/, in the order they are tried (after --data and TARNWICK_DATA):
// the working directory, the executable's folder, its ../share/tarnwick, and each
// XDG_DATA_DIRS entry's tarnwick/ (default /usr/local/share:/usr/share).
std::vector<std::string> dataCandidates(const DataSearchInput& in);

// Picks the folder that holds data/. An explicit choice (--data, or a non-empty
// TARNWICK_DATA) must hold data/ itself; a searched folder must hold data/vekt51.xm, so an
// unrelated data/ folder is passed over. On failure `error` is one line (for the search, it
// names every folder tried).
bool findDataRoot(const DataSearchInput& in, std::string& root, std::string& error);

} // namespace tw
