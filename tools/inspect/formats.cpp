// The file formats the presentation reads, one row each: how a file is recognised, how the
// inspector describes it, and how the fuzz targets and the replay of fuzz/regressions/ feed
// it bytes. A new format is one row here plus its reader.
#include "tools/inspect/formats.h"

#include <memory>
#include <string>
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

namespace tw {

namespace {

// Textures named inside exercised scenes are looked up where nothing exists.
void quietSetup() {
    setDataRoot("/nonexistent-tarnwick-fuzz-data");
    static bool ready = false;
    if (!ready) {
        createZBuffer(gZBuffer, 320, 240);
        ready = true;
    }
}

// Draws one frame of a loaded scene: what the readers let through must also be drawable.
void drawOnce(Scene& scene) {
    static Bitmap frame = createBitmap(320, 240);
    clearZBuffer(gZBuffer);
    drawScene(scene, frame, 0, 1.5f);
}

void exerciseTga(std::span<const uint8_t> bytes) {
    ReportCapture quiet;
    Bitmap b;
    if (readTga(b, bytes, "fuzz.tga") && b.pixelCount() > 0) {
        volatile uint32_t sink = b.pixels[b.pixelCount() - 1];
        (void)sink;
    }
}

void exerciseTdsMesh(std::span<const uint8_t> bytes) {
    ReportCapture quiet;
    std::vector<TdsWorkVertex> vertices;
    std::vector<TdsWorkFace> faces;
    parseTdsMesh(bytes.data(), bytes.size(), nullptr, vertices, faces);
    parseTdsMesh(bytes.data(), bytes.size(), "Box", vertices, faces);
    Mesh mesh;
    loadTdsMesh(mesh, bytes, "fuzz.3ds");
}

void exerciseTdsScene(std::span<const uint8_t> bytes) {
    ReportCapture quiet;
    quietSetup();
    TdsSceneRecord raw;
    Scene scene;
    if (readTdsScene(bytes, "fuzz.3ds", raw)) assembleTdsScene(scene, raw, "fuzz.3ds");
    drawOnce(scene);
}

void exerciseSiv(std::span<const uint8_t> bytes) {
    ReportCapture quiet;
    quietSetup();
    Scene scene;
    if (std::unique_ptr<SivScene> siv = readSiv(bytes, "fuzz.siv"))
        assembleSivScene(scene, *siv, "fuzz.siv");
    drawOnce(scene);
}

// SIV bodies are compressed, so byte-level mutations of a file rarely reach the sections.
// This entry takes the body itself and wraps it as a file ("ZSIV", len, tmplen, zlib data).
void exerciseSivBody(std::span<const uint8_t> body) {
    uLongf packed = compressBound(static_cast<uLong>(body.size()));
    std::vector<uint8_t> file(12 + packed);
    if (compress(file.data() + 12, &packed, body.data(), static_cast<uLong>(body.size())) != Z_OK)
        return;
    const uint32_t words[2] = {static_cast<uint32_t>(body.size()), static_cast<uint32_t>(packed)};
    file[0] = 'Z', file[1] = 'S', file[2] = 'I', file[3] = 'V';
    for (int w = 0; w < 2; ++w)
        for (int k = 0; k < 4; ++k) file[4 + 4 * w + k] = static_cast<uint8_t>(words[w] >> (8 * k));
    file.resize(12 + packed);
    exerciseSiv(file);
}

constexpr char kTdsMain[2] = {0x4D, 0x4D};
constexpr const char* kNotTds = "not a 3DS file (no main chunk 0x4D4D)";

// fuzz/CMakeLists.txt makes one fuzz target of each row, reading the names from the lines
// that start with `{"`.
constexpr FileFormat kFormats[] = {
    // clang-format off
    {"tga", nullptr, 0, ".tga", nullptr, describeTga, exerciseTga, 16384},
    {"tds_scene", kTdsMain, 2, ".3ds", kNotTds, describeTds, exerciseTdsScene, 32768},
    {"tds_mesh", kTdsMain, 2, ".3ds", kNotTds, nullptr, exerciseTdsMesh, 32768},
    {"siv", "ZSIV", 4, ".siv", "not a SIV file (no \"ZSIV\" magic)", describeSiv, exerciseSiv, 16384},
    {"siv_body", nullptr, 0, nullptr, nullptr, nullptr, exerciseSivBody, 32768},
    // clang-format on
};

} // namespace

std::span<const FileFormat> fileFormats() {
    return kFormats;
}

const FileFormat* findFileFormat(std::string_view name) {
    for (const FileFormat& f : kFormats)
        if (name == f.name) return &f;
    return nullptr;
}

} // namespace tw
