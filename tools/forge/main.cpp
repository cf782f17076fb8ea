// forge: writes the presentation's whole data set (pictures, meshes, scenes, music).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "tools/forge/music.h"

int main(int argc, char** argv) {
    std::string out;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (std::strcmp(argv[i], "--sync-sheet") == 0) {
            tw::printSyncSheet();
            return 0;
        } else {
            std::fprintf(stderr, "forge: unknown option %s\nusage: forge --out DIR | --sync-sheet\n",
                         argv[i]);
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: forge --out DIR | --sync-sheet\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::path dataDir = std::filesystem::path(out) / "data";
    std::filesystem::create_directories(dataDir, ec);
    if (ec) {
        std::fprintf(stderr, "forge: cannot create %s: %s\n", dataDir.c_str(), ec.message().c_str());
        return 1;
    }
    if (!tw::forgeSoundtrack(dataDir.string())) return 1;
    return 0;
}
