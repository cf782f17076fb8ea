// The data search: --data, TARNWICK_DATA, working directory, beside the executable, the
// installed share folder and the XDG data folders.
#include "host/data_search.h"

#include <cstdlib>
#include <filesystem>

namespace tw {

namespace fs = std::filesystem;

namespace {

bool isDir(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool holdsDataSet(const std::string& dir) {
    std::error_code ec;
    return fs::is_regular_file(fs::path(dir) / "data" / "vekt51.xm", ec);
}

} // namespace

DataSearchInput dataSearchFromProcess(const std::string& option) {
    DataSearchInput in;
    in.option = option;
    in.env = std::getenv("TARNWICK_DATA");
    in.xdgDataDirs = std::getenv("XDG_DATA_DIRS");
    std::error_code ec;
    fs::path cwd = fs::current_path(ec);
    if (!ec) in.workingDir = cwd.string();
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) in.exeDir = exe.parent_path().string();
    return in;
}

std::vector<std::string> dataCandidates(const DataSearchInput& in) {
    std::vector<std::string> dirs{in.workingDir};
    if (!in.exeDir.empty()) {
        dirs.push_back(in.exeDir);
        dirs.push_back((fs::path(in.exeDir).parent_path() / "share" / "tarnwick").string());
    }
    // An unset or empty XDG_DATA_DIRS means the standard pair.
    std::string xdg =
        in.xdgDataDirs && *in.xdgDataDirs ? in.xdgDataDirs : "/usr/local/share:/usr/share";
    size_t start = 0;
    while (start <= xdg.size()) {
        size_t end = xdg.find(':', start);
        if (end == std::string::npos) end = xdg.size();
        std::string entry = xdg.substr(start, end - start);
        // Relative entries are invalid in XDG_DATA_DIRS and are skipped.
        if (!entry.empty() && entry[0] == '/')
            dirs.push_back((fs::path(entry) / "tarnwick").string());
        start = end + 1;
    }
    return dirs;
}

bool findDataRoot(const DataSearchInput& in, std::string& root, std::string& error) {
    auto explicitChoice = [&](const std::string& dir, const std::string& what) {
        if (!isDir(dir)) {
            error = what + dir + " is not a folder";
            return false;
        }
        // A data/ that is there but no folder is taken: every file is then missing, which
        // the scenes survive with stand-ins (the caller says so).
        std::error_code ec;
        if (!isDir(fs::path(dir) / "data") && !fs::exists(fs::path(dir) / "data", ec)) {
            error = what + dir + " holds no data/ folder";
            return false;
        }
        root = dir;
        return true;
    };
    if (!in.option.empty()) return explicitChoice(in.option, "--data ");
    if (in.env && *in.env) return explicitChoice(in.env, "TARNWICK_DATA=");
    std::string tried;
    for (const std::string& dir : dataCandidates(in)) {
        if (holdsDataSet(dir)) {
            root = dir;
            return true;
        }
        tried += (tried.empty() ? "" : ", ") + dir;
    }
    error = "cannot find the data set (data/vekt51.xm) in " + tried +
            "; pass --data DIR or set TARNWICK_DATA";
    return false;
}

} // namespace tw
