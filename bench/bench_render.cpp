// Rasteriser throughput and fill rate per span family (small, medium and full-screen
// triangles), and whole-mesh drawing through the set-up.
#include <benchmark/benchmark.h>

#include <cmath>

#include "image/bitmap.h"
#include "render/draw.h"
#include "render/raster.h"

namespace tw {
namespace {

Bitmap noiseTexture(int shift, uint32_t seed) {
    const int size = 1 << shift;
    Bitmap b = createBitmap(size, size);
    b.widthShift = shift;
    b.widthMask = size - 1;
    for (int i = 0; i < size * size; ++i) {
        seed = seed * 1664525u + 1013904223u;
        b.pixels[i] = seed;
    }
    return b;
}

enum Family {
    TEX_OPAQUE,
    TEX_TRANSLUCENT,
    LAYER_MUL,
    LAYER_ADD,
    LAYER_BUMP_MUL,
    LAYER_BUMP_ADD,
    LAYER_MUL_TRANSLUCENT,
    LAYER_BUMP_ADD_TRANSLUCENT,
};

// Legs of the right triangle per size class: ~18, ~1000 and ~37800 pixels.
constexpr float kLegs[3][2] = {{6, 6}, {45, 45}, {317, 237}};

void BM_Triangle(benchmark::State& state) {
    const Family family = static_cast<Family>(state.range(0));
    const int size = static_cast<int>(state.range(1));
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    const Bitmap base = noiseTexture(8, 1), second = noiseTexture(8, 2),
                 height = noiseTexture(8, 3);
    const float lx = kLegs[size][0], ly = kLegs[size][1];
    int64_t pixels = 0;
    float depth = 20000;
    for (auto _ : state) {
        // Each draw slightly nearer so that opaque spans keep passing the depth test; the
        // depth buffer is cleared once per cycle of nearer draws.
        depth -= 1.0f;
        if (depth < 20) {
            depth = 20000;
            clearZBuffer(gZBuffer);
        }
        Vertex a, b, c;
        a.sx = 1.25f, a.sy = 1.5f;
        b.sx = 1.25f + lx, b.sy = 1.5f;
        c.sx = 1.25f, c.sy = 1.5f + ly;
        for (Vertex* v : {&a, &b, &c}) {
            v->depth = depth;
            v->uv1 = {v->sx * 1.3f, v->sy * 0.7f};
            v->uv2 = {v->sy * 0.9f, v->sx * 1.1f};
        }
        switch (family) {
        case TEX_OPAQUE:
            rasterTextured(frame, base, a, b, c, false);
            break;
        case TEX_TRANSLUCENT:
            rasterTextured(frame, base, a, b, c, true);
            break;
        case LAYER_MUL:
            rasterLayered(frame, base, second, height, a, b, c, false, LayerBlend::Multiply, false);
            break;
        case LAYER_ADD:
            rasterLayered(frame, base, second, height, a, b, c, false, LayerBlend::Add, false);
            break;
        case LAYER_BUMP_MUL:
            rasterLayered(frame, base, second, height, a, b, c, true, LayerBlend::Multiply, false);
            break;
        case LAYER_BUMP_ADD:
            rasterLayered(frame, base, second, height, a, b, c, true, LayerBlend::Add, false);
            break;
        case LAYER_MUL_TRANSLUCENT:
            rasterLayered(frame, base, second, height, a, b, c, false, LayerBlend::Multiply, true);
            break;
        case LAYER_BUMP_ADD_TRANSLUCENT:
            rasterLayered(frame, base, second, height, a, b, c, true, LayerBlend::Add, true);
            break;
        }
        benchmark::DoNotOptimize(frame.pixels[160 * 320 + 3]);
        pixels += static_cast<int64_t>(lx * ly / 2);
    }
    state.SetItemsProcessed(state.iterations()); // triangles
    state.counters["Mpx/s"] =
        benchmark::Counter(static_cast<double>(pixels) / 1e6, benchmark::Counter::kIsRate);
}

void familyArgs(benchmark::internal::Benchmark* b) {
    b->ArgNames({"family", "size"});
    for (int f = TEX_OPAQUE; f <= LAYER_BUMP_ADD_TRANSLUCENT; ++f)
        for (int s = 0; s < 3; ++s) b->Args({f, s});
}
BENCHMARK(BM_Triangle)->Apply(familyArgs);

// A sphere of 2 * rings * segments faces, environment-mapped, filling about a third of the
// frame: the whole per-vertex and per-face path.
void BM_RenderSphere(benchmark::State& state) {
    const int rings = static_cast<int>(state.range(0)), segments = 2 * rings;
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    Mesh m;
    allocate(m, (rings + 1) * segments, 2 * rings * segments);
    for (int r = 0; r <= rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const float th = 3.14159265f * static_cast<float>(r) / static_cast<float>(rings);
            const float ph = 6.2831853f * static_cast<float>(s) / static_cast<float>(segments);
            Vertex& v = m.vertices[static_cast<size_t>(r * segments + s)];
            v.x = 100 * std::sin(th) * std::cos(ph);
            v.y = 100 * std::cos(th);
            v.z = 100 * std::sin(th) * std::sin(ph);
        }
    int f = 0;
    for (int r = 0; r < rings; ++r)
        for (int s = 0; s < segments; ++s) {
            const int a = r * segments + s, b = r * segments + (s + 1) % segments;
            m.faces[static_cast<size_t>(f++)] = Face{a, b + segments, b, {}, 0, 0, 0, 0, 0, 0};
            m.faces[static_cast<size_t>(f++)] =
                Face{a, a + segments, b + segments, {}, 0, 0, 0, 0, 0, 0};
        }
    computeFaceNormals(m);
    computeVertexNormals(m);
    Material mat;
    mat.flags = MAT_TEXTURED | MAT_ENV1;
    mat.base = noiseTexture(8, 5);
    const Camera cam = makeCamera(0, 0, -400, 0, 0, 0, 45);
    float angle = 0;
    for (auto _ : state) {
        clearZBuffer(gZBuffer);
        setScale(m, 1, 1, 1);
        rotate(m, angle, angle * 2, 0);
        angle += 1;
        drawMesh(m, frame, cam, mat);
        benchmark::DoNotOptimize(frame.pixels[120 * 320 + 160]);
    }
    state.SetItemsProcessed(state.iterations() * m.faceCount); // faces
}
BENCHMARK(BM_RenderSphere)->Arg(8)->Arg(32);

} // namespace
} // namespace tw
