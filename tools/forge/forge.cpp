// Writing the data set, and the contact sheet with its small preview renderer.
#include "tools/forge/forge.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "host/png_writer.h"
#include "tools/forge/models.h"
#include "tools/forge/pictures.h"
#include "tools/write/tga_writer.h"

namespace tw {

namespace {

bool writeBytes(const std::string& dir, const std::string& name, const std::vector<uint8_t>& bytes,
                std::string& error) {
    std::string path = dir + "/" + name;
    if (!writeFile(path, bytes)) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

bool forgeData(const std::string& dataDir, std::vector<ForgedFile>& written, std::string& error) {
    TextSetter text;
    if (!openTextSetter(text, error)) return false;
    for (const Picture& p : makePictures(text)) {
        std::vector<uint32_t> words = toWords(p.canvas);
        std::vector<uint8_t> bytes = encodeTga(words.data(), p.canvas.width, p.canvas.height);
        if (!writeBytes(dataDir, p.file, bytes, error)) return false;
        written.push_back({p.file, bytes.size(), p.role});
    }
    for (const ForgeMesh& m : makeMeshes()) {
        std::vector<uint8_t> bytes = encodeMesh(m);
        if (!writeBytes(dataDir, m.file, bytes, error)) return false;
        written.push_back({m.file, bytes.size(), m.role});
    }
    for (const ForgeScene& s : makeScenes()) {
        std::vector<uint8_t> bytes = encodeScene(s);
        if (!writeBytes(dataDir, s.file, bytes, error)) return false;
        written.push_back({s.file, bytes.size(), s.role});
    }
    return true;
}

// ------------------------------------------------------------------ preview renderer

namespace {

struct View {
    V3 eye;
    V3 right, up, fwd; // rows of the view basis, already scaled by the field of view
};

// The same basis the presentation's lookAt builds: a visible point has |x| <= z, |y| <= z.
View makeView(V3 eye, V3 target, float fovDegrees) {
    float fovX = fovDegrees * 0.017452778f, fovY = fovX * 0.75f;
    float h = 1.0f / std::tan(fovX / 2), k = 1.0f / std::tan(fovY / 2);
    V3 d = target - eye;
    View v;
    v.eye = eye;
    v.right = normalised(V3{d.z, 0, -d.x}) * h;
    v.up = normalised(V3{-d.x * d.y, d.x * d.x + d.z * d.z, -d.y * d.z}) * k;
    v.fwd = normalised(d);
    return v;
}

struct Texel {
    const Canvas* tex = nullptr;
    Rgba sample(float u, float v) const { // u, v in texels, wrapping
        int x = static_cast<int>(std::floor(u)) & (tex->width - 1);
        int y = static_cast<int>(std::floor(v)) & (tex->height - 1);
        return tex->at(x, y);
    }
};

struct PreviewMaterial {
    uint32_t flags = 1;
    const Canvas* base = nullptr;
    const Canvas* second = nullptr;
};

struct PV {
    V3 c;         // camera space
    float u, v;   // texels, first pair
    float u2, v2; // texels, second pair
};

struct Frame {
    Canvas image;
    std::vector<float> depth; // 1/z, larger is nearer
};

void rasterise(Frame& f, const PV (&p)[3], const PreviewMaterial& m) {
    const float W = static_cast<float>(f.image.width), H = static_cast<float>(f.image.height);
    float sx[3], sy[3], iz[3];
    for (int i = 0; i < 3; ++i) {
        iz[i] = 1.0f / p[i].c.z;
        sx[i] = p[i].c.x * iz[i] * (W / 2 - 1) + W / 2;
        sy[i] = p[i].c.y * iz[i] * (H / 2 - 1) + H / 2;
    }
    float area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
    if (std::fabs(area) < 1e-6f) return;
    int x0 = std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
    int x1 =
        std::min(f.image.width - 1, static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
    int y0 = std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
    int y1 =
        std::min(f.image.height - 1, static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
    Texel base{m.base}, second{m.second};
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            float px = x + 0.5f, py = y + 0.5f;
            float w0 = ((sx[1] - px) * (sy[2] - py) - (sy[1] - py) * (sx[2] - px)) / area;
            float w1 = ((sx[2] - px) * (sy[0] - py) - (sy[2] - py) * (sx[0] - px)) / area;
            float w2 = 1 - w0 - w1;
            if (w0 < 0 || w1 < 0 || w2 < 0) continue;
            float z = w0 * iz[0] + w1 * iz[1] + w2 * iz[2];
            size_t at = static_cast<size_t>(y) * f.image.width + x;
            bool translucent = m.flags & 0x100;
            if (z <= f.depth[at]) continue;
            Rgba col{1, 1, 1, 1};
            if (m.base) {
                col = base.sample(w0 * p[0].u + w1 * p[1].u + w2 * p[2].u,
                                  w0 * p[0].v + w1 * p[1].v + w2 * p[2].v);
                if ((m.flags & 0x8) && m.second) {
                    Rgba e = second.sample(w0 * p[0].u2 + w1 * p[1].u2 + w2 * p[2].u2,
                                           w0 * p[0].v2 + w1 * p[1].v2 + w2 * p[2].v2);
                    col = (m.flags & 0x40)
                              ? Rgba{col.r + e.r * 0.5f, col.g + e.g * 0.5f, col.b + e.b * 0.5f, 1}
                              : Rgba{col.r * e.r, col.g * e.g, col.b * e.b, 1};
                }
            }
            if (translucent) {
                f.image.px[at] = mix(f.image.px[at], col, 0.5f);
            } else {
                f.image.px[at] = col;
                f.depth[at] = z;
            }
        }
}

// Clips a camera-space triangle to z >= 1 and fans what is left.
void drawFace(Frame& f, PV a, PV b, PV c, const PreviewMaterial& m) {
    PV in[3] = {a, b, c}, out[4];
    int n = 0;
    for (int i = 0; i < 3; ++i) {
        const PV& p = in[i];
        const PV& q = in[(i + 1) % 3];
        bool pin = p.c.z >= 1, qin = q.c.z >= 1;
        if (pin) out[n++] = p;
        if (pin != qin) {
            float t = (1 - p.c.z) / (q.c.z - p.c.z);
            PV r;
            r.c = p.c + (q.c - p.c) * t;
            r.u = p.u + (q.u - p.u) * t;
            r.v = p.v + (q.v - p.v) * t;
            r.u2 = p.u2 + (q.u2 - p.u2) * t;
            r.v2 = p.v2 + (q.v2 - p.v2) * t;
            out[n++] = r;
        }
    }
    for (int i = 1; i + 1 < n; ++i) {
        PV tri[3] = {out[0], out[i], out[i + 1]};
        rasterise(f, tri, m);
    }
}

V3 toCamera(const View& v, V3 p) {
    V3 d = p - v.eye;
    return {dot(d, v.right), dot(d, v.up), dot(d, v.fwd)};
}

V3 rotateToCamera(const View& v, V3 n) {
    V3 r = {dot(n, normalised(v.right)), dot(n, normalised(v.up)), dot(n, v.fwd)};
    return normalised(r);
}

// Draws a mesh given in the presentation's axes, front faces only (wound toward the viewer),
// with texture pairs as the renderer derives them from the material flags.
void drawMesh(Frame& f, const View& view, const TriangleMesh& mesh, V3 offset,
              const PreviewMaterial& m) {
    if (m.flags & 0x1 && !(m.flags & 0xA)) {
        // Wireframe: white outlines.
        for (const auto& t : mesh.tri)
            for (int k = 0; k < 3; ++k) {
                V3 a = toCamera(view, mesh.pos[t[k]] + offset);
                V3 b = toCamera(view, mesh.pos[t[(k + 1) % 3]] + offset);
                if (a.z < 1 || b.z < 1) continue;
                float W = static_cast<float>(f.image.width), H = static_cast<float>(f.image.height);
                drawLineAA(f.image, a.x / a.z * (W / 2 - 1) + W / 2,
                           a.y / a.z * (H / 2 - 1) + H / 2, b.x / b.z * (W / 2 - 1) + W / 2,
                           b.y / b.z * (H / 2 - 1) + H / 2, 1, {1, 1, 1, 1});
            }
        return;
    }
    std::vector<V3> normals = vertexNormals(mesh);
    float S = m.base ? static_cast<float>(m.base->width) : 256.0f;
    float hS = S / 2 - 1, kS = S / 2;
    for (size_t fi = 0; fi < mesh.tri.size(); ++fi) {
        const auto& t = mesh.tri[fi];
        PV pv[3];
        V3 fn = rotateToCamera(view, normalised(faceNormal(mesh, fi)));
        for (int k = 0; k < 3; ++k) {
            int i = t[k];
            pv[k].c = toCamera(view, mesh.pos[i] + offset);
            V3 n = rotateToCamera(view, normals[i]);
            V3 e1 = (m.flags & 0x200) ? fn : n;
            V3 e2 = (m.flags & 0x400) ? fn : n;
            TexUV uv = i < static_cast<int>(mesh.uv.size()) ? mesh.uv[i] : TexUV{};
            pv[k].u = (m.flags & 0x4) ? kS + hS * e1.x : S * uv.u;
            pv[k].v = (m.flags & 0x4) ? kS + hS * e1.y : S * uv.v;
            pv[k].u2 = (m.flags & 0x10) ? kS + hS * e2.x : S * uv.u;
            pv[k].v2 = (m.flags & 0x10) ? kS + hS * e2.y : S * uv.v;
        }
        // Front faces only, unless two-sided: the winding test in camera space.
        V3 cn = cross(pv[1].c - pv[0].c, pv[2].c - pv[0].c);
        if (!(m.flags & 0x100) && dot(cn, pv[0].c) >= 0) continue;
        if (pv[0].c.z < 16 && pv[1].c.z < 16 && pv[2].c.z < 16) continue;
        drawFace(f, pv[0], pv[1], pv[2], m);
    }
}

Frame makeFrame(int w, int h, Rgba background) {
    Frame f;
    f.image = makeCanvas(w, h, background);
    f.depth.assign(static_cast<size_t>(w) * h, 0.0f);
    return f;
}

// ------------------------------------------------------------------ sheet layout

void blit(Canvas& sheet, const Canvas& src, int x0, int y0, int w, int h, AlphaUse alpha) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int sx = x * src.width / w, sy = y * src.height / h;
            Rgba p = src.at(sx, sy);
            Rgba checker =
                ((x / 8 + y / 8) % 2) ? Rgba{0.35f, 0.35f, 0.38f, 1} : Rgba{0.55f, 0.55f, 0.58f, 1};
            Rgba shown = p;
            if (alpha == AlphaUse::KeepsFrame) shown = mix(p, checker, p.a);
            if (alpha == AlphaUse::ShowsSelf) shown = mix(checker, p, p.a);
            shown.a = 1;
            if (x0 + x < sheet.width && y0 + y < sheet.height) sheet.at(x0 + x, y0 + y) = shown;
        }
}

bool writeCanvasPng(const std::string& path, const Canvas& c, std::string& error) {
    Bitmap picture = createBitmap(c.width, c.height);
    const std::vector<uint32_t> words = toWords(c);
    std::copy(words.begin(), words.end(), picture.pixels);
    errno = 0;
    if (!writePng(path, picture)) {
        error = "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    return true;
}

} // namespace

bool writeContactSheet(const std::string& path, std::string& error) {
    TextSetter text;
    if (!openTextSetter(text, error)) return false;
    std::vector<Picture> pictures = makePictures(text);
    std::map<std::string, const Canvas*> byName;
    for (const Picture& p : pictures) byName[p.file] = &p.canvas;
    auto tex = [&](const std::string& name) -> const Canvas* {
        auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second;
    };

    const int sheetW = 1360, pad = 10, label = 16;
    const Rgba bg = hex("#101418"), ink = hex("#dff4ff");
    TextStyle caption{FontFace::Regular, 11, 0};
    TextStyle heading{FontFace::Bold, 16, 1};

    struct Tile {
        const Canvas* canvas;
        int w, h;
        std::string name;
        AlphaUse alpha;
    };
    std::vector<Tile> tiles;
    std::vector<Canvas> renders; // owned storage for the 3D views
    renders.reserve(16);
    for (const Picture& p : pictures) {
        if (p.canvas.width == 4096) continue; // the ribbon gets its own rows
        int w = p.canvas.width == 320 ? 240 : (p.canvas.width < 256 ? p.canvas.width * 3 / 4 : 160);
        int h = w * p.canvas.height / p.canvas.width;
        tiles.push_back({&p.canvas, w, h, p.file, p.alpha});
    }
    for (const ForgeMesh& m : makeMeshes()) {
        Frame f = makeFrame(320, 240, {0, 0, 0, 1});
        View v = makeView(m.eye, m.target, m.fovDegrees);
        PreviewMaterial mat;
        mat.flags = m.envMapped ? ((m.file == "skygeo.3ds") ? 0x206u : 0x6u) : 0x2u;
        mat.base = tex(m.texture);
        drawMesh(f, v, m.mesh, m.objectPosition, mat);
        renders.push_back(f.image);
        tiles.push_back({&renders.back(), 320, 240, m.file, AlphaUse::None});
    }
    for (const ForgeScene& s : makeScenes()) {
        Frame f =
            makeFrame(320, 240, s.file == "scene04.3ds" ? Rgba{1, 0, 0, 1} : Rgba{0, 0, 0, 1});
        const CameraPath& cam = s.cameras.front();
        View v = makeView(cam.eye.front(), cam.target.front(), 45);
        for (const ForgePart& part : s.parts) {
            const ForgeMaterial& fm = s.materials[static_cast<size_t>(part.material)];
            PreviewMaterial mat;
            mat.flags = loadedFlags(s, part.material);
            // The two set-ups that change a material before the first frame.
            if (s.file == "tunnel.siv" && part.material == 0) mat.flags = 0x206;
            if (s.file == "scene01.3ds" && part.material == 0) mat.flags |= 0x200;
            if (s.siv) {
                mat.base = tex(fm.texture);
            } else {
                mat.base = tex(fm.texture.empty() ? fm.reflection : fm.texture);
                mat.second = fm.texture.empty() ? nullptr : tex(fm.reflection);
            }
            drawMesh(f, v, part.mesh, {0, 0, 0}, mat);
        }
        renders.push_back(f.image);
        tiles.push_back({&renders.back(), 320, 240, s.file, AlphaUse::None});
    }

    // Flow the tiles into rows, then the ribbon at the bottom.
    struct Placed {
        int x, y;
    };
    std::vector<Placed> at;
    int x = pad, y = pad + 28, rowH = 0;
    for (const Tile& t : tiles) {
        if (x + t.w > sheetW - pad) {
            x = pad;
            y += rowH + label + pad;
            rowH = 0;
        }
        at.push_back({x, y});
        x += t.w + pad;
        rowH = std::max(rowH, t.h);
    }
    y += rowH + label + pad;
    const Canvas* ribbon = tex("greets.tga");
    const int ribbonRows = 4, ribbonW = 1024;
    int sheetH = y + ribbonRows * (32 + 4) + label + pad;
    Canvas sheet = makeCanvas(sheetW, sheetH, bg);
    drawText(sheet, text, heading, pad, 24, "tarnwick data set", ink);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const Tile& t = tiles[i];
        blit(sheet, *t.canvas, at[i].x, at[i].y, t.w, t.h, t.alpha);
        drawText(sheet, text, caption, static_cast<float>(at[i].x),
                 static_cast<float>(at[i].y + t.h + 12), t.name, ink);
    }
    if (ribbon) {
        for (int r = 0; r < ribbonRows; ++r) {
            Canvas part = makeCanvas(ribbonW, 32, bg);
            for (int yy = 0; yy < 32; ++yy)
                for (int xx = 0; xx < ribbonW; ++xx)
                    part.at(xx, yy) = ribbon->at(r * ribbonW + xx, yy);
            blit(sheet, part, pad, y + r * 36, ribbonW + 0, 32, AlphaUse::None);
        }
        drawText(sheet, text, caption, pad, static_cast<float>(y + ribbonRows * 36 + 10),
                 "greets.tga (4096x32, in four rows)", ink);
    }
    return writeCanvasPng(path, sheet, error);
}

} // namespace tw
