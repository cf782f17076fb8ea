// forge: writes the presentation's whole data set (pictures, meshes, scenes, music).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/forge/forge.h"
#include "tools/forge/icon.h"
#include "tools/forge/music.h"

namespace {

const char* kUsage =
    "usage: forge [--out DIR] [--contact-sheet FILE.png] [--icons DIR] [--list] |\n"
    "             --sync-sheet\n"
    "  --out DIR                write the data set into DIR/data/\n"
    "  --contact-sheet FILE.png draw every picture, mesh and scene into FILE.png\n"
    "  --icons DIR              write the application icon as\n"
    "                           DIR/hicolor/NxN/apps/tarnwick.png\n"
    "  --list                   with --out: print each file, its size and role\n"
    "  --sync-sheet             print the soundtrack's sync sheet\n";

} // namespace

int main(int argc, char** argv) {
    std::string out, sheet, icons;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        bool hasValue = i + 1 < argc;
        if (std::strcmp(argv[i], "--out") == 0 && hasValue) {
            out = argv[++i];
        } else if (std::strcmp(argv[i], "--contact-sheet") == 0 && hasValue) {
            sheet = argv[++i];
        } else if (std::strcmp(argv[i], "--icons") == 0 && hasValue) {
            icons = argv[++i];
        } else if (std::strcmp(argv[i], "--list") == 0) {
            list = true;
        } else if (std::strcmp(argv[i], "--sync-sheet") == 0) {
            tw::printSyncSheet();
            return 0;
        } else {
            bool missing = std::strcmp(argv[i], "--out") == 0 ||
                           std::strcmp(argv[i], "--contact-sheet") == 0 ||
                           std::strcmp(argv[i], "--icons") == 0;
            std::fprintf(stderr,
                         missing ? "forge: %s needs a value\n%s" : "forge: unknown option %s\n%s",
                         argv[i], kUsage);
            return 2;
        }
    }
    if (out.empty() && sheet.empty() && icons.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (!out.empty()) {
        std::error_code ec;
        std::filesystem::path dataDir = std::filesystem::path(out) / "data";
        std::filesystem::create_directories(dataDir, ec);
        if (ec) {
            std::fprintf(stderr, "forge: cannot create %s: %s\n", dataDir.c_str(),
                         ec.message().c_str());
            return 1;
        }
        std::vector<tw::ForgedFile> written;
        std::string error;
        if (!tw::forgeData(dataDir.string(), written, error)) {
            std::fprintf(stderr, "forge: %s\n", error.c_str());
            return 1;
        }
        if (!tw::forgeSoundtrack(dataDir.string())) return 1;
        if (list)
            for (const tw::ForgedFile& f : written)
                std::printf("%-20s %9zu  %s\n", f.name.c_str(), f.bytes, f.role.c_str());
    }
    if (!icons.empty()) {
        std::string error;
        if (!tw::writeIcons(icons, error)) {
            std::fprintf(stderr, "forge: %s\n", error.c_str());
            return 1;
        }
    }
    if (!sheet.empty()) {
        std::string error;
        if (!tw::writeContactSheet(sheet, error)) {
            std::fprintf(stderr, "forge: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
