// One entry per fuzzed reader: feed it bytes as the presentation would meet them in a file.
// Shared by the libFuzzer targets and by the ctest that replays fuzz/regressions/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "base/paths.h"
#include "base/report.h"
#include "formats/scene.h"
#include "formats/siv.h"
#include "formats/tds_mesh.h"
#include "formats/tds_scene.h"
#include "image/bitmap.h"
#include "image/tga.h"
#include "render/scene_draw.h"

namespace tw::fuzz {

// The readers open files by path: the input goes to one scratch file per process.
inline std::string scratchFile(const uint8_t* data, size_t size, const char* suffix) {
    std::string path = "/tmp/tarnwick-fuzz-" + std::to_string(getpid()) + suffix;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

// Textures named inside fuzzed scenes are looked up where nothing exists.
inline void quietSetup() {
    setDataRoot("/nonexistent-tarnwick-fuzz-data");
    static bool ready = false;
    if (!ready) {
        createZBuffer(gZBuffer, 320, 240);
        ready = true;
    }
}

inline void tga(const uint8_t* data, size_t size) {
    ReportCapture quiet;
    Bitmap b;
    std::string path = scratchFile(data, size, ".tga");
    if (readTga(b, path) && b.pixelCount() > 0) {
        volatile uint32_t sink = b.pixels[b.pixelCount() - 1];
        (void)sink;
    }
    std::remove(path.c_str());
}

inline void tdsMesh(const uint8_t* data, size_t size) {
    ReportCapture quiet;
    std::vector<TdsWorkVertex> vertices;
    std::vector<TdsWorkFace> faces;
    parse3dsMesh(data, size, nullptr, vertices, faces);
    parse3dsMesh(data, size, "Box", vertices, faces);
    Mesh mesh;
    std::string path = scratchFile(data, size, ".3ds");
    load3ds(mesh, path);
    std::remove(path.c_str());
}

// Draws one frame of a loaded scene: what the readers let through must also be drawable.
inline void drawOnce(Scene& scene) {
    static Bitmap frame = createBitmap(320, 240);
    clearZBuffer(gZBuffer);
    drawScene(scene, frame, 0, 1.5f);
}

inline void tdsScene(const uint8_t* data, size_t size) {
    ReportCapture quiet;
    quietSetup();
    std::string path = scratchFile(data, size, ".3ds");
    Scene3ds raw;
    read3dsScene(path, raw);
    Scene scene;
    load3dsScene(scene, path);
    drawOnce(scene);
    std::remove(path.c_str());
}

inline void siv(const uint8_t* data, size_t size) {
    ReportCapture quiet;
    quietSetup();
    std::string path = scratchFile(data, size, ".siv");
    Scene scene;
    loadSivScene(scene, path);
    drawOnce(scene);
    std::remove(path.c_str());
}

// SIV bodies are compressed, so byte-level mutations of a file rarely reach the sections.
// This entry takes the body itself and wraps it as a file ("ZSIV", len, tmplen, zlib data).
inline void sivBody(const uint8_t* data, size_t size) {
    uLongf packed = compressBound(static_cast<uLong>(size));
    std::vector<uint8_t> file(12 + packed);
    if (compress(file.data() + 12, &packed, data, static_cast<uLong>(size)) != Z_OK) return;
    const uint32_t words[2] = {static_cast<uint32_t>(size), static_cast<uint32_t>(packed)};
    file[0] = 'Z', file[1] = 'S', file[2] = 'I', file[3] = 'V';
    for (int w = 0; w < 2; ++w)
        for (int k = 0; k < 4; ++k) file[4 + 4 * w + k] = static_cast<uint8_t>(words[w] >> (8 * k));
    file.resize(12 + packed);
    siv(file.data(), file.size());
}

} // namespace tw::fuzz
