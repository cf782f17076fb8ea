// tarnwick-inspect: prints as JSON what the presentation's readers make of one file (a TGA
// picture, a 3DS mesh or scene, or a SIV scene), so a user can see why a file does or does
// not load and a test can compare our reading with another tool's.
#include <cstdio>
#include <filesystem>
#include <string>

#include "base/paths.h"
#include "base/report.h"
#include "tools/inspect/inspect.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnwick-inspect FILE   (a .tga, .3ds or .siv file)\n");
        return 2;
    }
    std::string path = argv[1];
    // Texture names inside scene files are looked up under "data/" next to the file, the way
    // the presentation resolves them from its working directory.
    std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (parent.filename() == "data") {
        std::string root = parent.parent_path().string();
        tw::setDataRoot(root.empty() ? "." : root);
    }
    std::string json, error;
    bool ok = false;
    {
        tw::ReportCapture capture;
        ok = tw::inspectFile(path, json, error, capture.lines);
    }
    if (!ok) {
        std::fprintf(stderr, "tarnwick-inspect: %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    std::fputs(json.c_str(), stdout);
    return 0;
}
