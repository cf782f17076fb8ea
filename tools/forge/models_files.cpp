// The models as files: single meshes as 3DS, scenes as 3DS or SIV, and the material flags
// the presentation derives from them.
#include "tools/forge/models_internal.h"

#include <algorithm>

#include "tools/write/siv_writer.h"
#include "tools/write/tds_writer.h"

namespace tw {

namespace {

std::vector<uint8_t> encodeAsTds(const ForgeScene& s) {
    TdsScene t;
    for (const ForgeMaterial& m : s.materials) {
        TdsMaterial tm;
        tm.name = m.name;
        tm.textureMap = m.texture;
        tm.reflectionMap = m.reflection;
        tm.bumpMap = m.bump;
        t.materials.push_back(tm);
    }
    int n = 0;
    for (const ForgePart& p : s.parts) {
        TriangleMesh named = p.mesh;
        named.name = p.mesh.name + std::to_string(n++);
        t.meshes.push_back(toTdsScene(named, s.materials[p.material].name));
    }
    uint32_t lastFrame = 0;
    for (const CameraPath& c : s.cameras) {
        TdsCamera cam;
        cam.name = c.name;
        cam.position = toTdsCameraPoint(c.eye.front());
        cam.target = toTdsCameraPoint(c.target.front());
        cam.lens = 2400.0f / 45.0f; // the 45 degrees the presentation draws scenes with
        t.cameras.push_back(cam);
        TdsNode eye, target;
        eye.kind = TDS_NODE_CAMERA;
        target.kind = TDS_NODE_TARGET;
        eye.name = target.name = c.name;
        for (size_t k = 0; k < c.times.size(); ++k) {
            // Frames at 30 per second: the reader turns frame numbers back into seconds.
            uint32_t frame = static_cast<uint32_t>(std::lround(c.times[k] * 30.0f));
            lastFrame = std::max(lastFrame, frame);
            TdsKey ke, kt;
            ke.frame = kt.frame = frame;
            ke.position = toTdsCameraPoint(c.eye[k]);
            kt.position = toTdsCameraPoint(c.target[k]);
            eye.positionKeys.push_back(ke);
            target.positionKeys.push_back(kt);
        }
        t.nodes.push_back(eye);
        t.nodes.push_back(target);
    }
    t.frameEnd = lastFrame;
    return encodeTdsScene(t);
}

std::vector<uint8_t> encodeAsSiv(const ForgeScene& s) {
    SivFile f;
    f.name = s.file;
    std::vector<std::string> textures;
    for (const ForgeMaterial& m : s.materials) {
        auto it = std::find(textures.begin(), textures.end(), m.texture);
        int index = static_cast<int>(it - textures.begin());
        if (it == textures.end()) textures.push_back(m.texture);
        f.materials.push_back({m.name, index, m.twoSided});
    }
    for (size_t i = 0; i < textures.size(); ++i)
        f.textures.push_back({static_cast<int32_t>(i), textures[i]});
    for (const ForgePart& p : s.parts) f.objects.push_back(toSiv(p.mesh, p.material));
    int32_t trackId = 1;
    for (const CameraPath& c : s.cameras) {
        SivCamera cam;
        cam.name = c.name;
        cam.position = toSivPoint(c.eye.front());
        cam.target = toSivPoint(c.target.front());
        cam.positionTrack = trackId++;
        cam.targetTrack = trackId++;
        SivTrack eye, target;
        eye.id = cam.positionTrack;
        target.id = cam.targetTrack;
        for (size_t k = 0; k < c.times.size(); ++k) {
            // Tension 0: a smooth spline through the keys (the SIV loader keeps it).
            eye.keys.push_back({c.times[k], toSivPoint(c.eye[k]), 0, 0, 0});
            target.keys.push_back({c.times[k], toSivPoint(c.target[k]), 0, 0, 0});
        }
        f.cameras.push_back(cam);
        f.tracks.push_back(eye);
        f.tracks.push_back(target);
    }
    // One extra record, which the presentation reads and ignores: the scene's name.
    std::array<uint8_t, 104> extra{};
    std::copy_n(s.file.begin(), std::min<size_t>(s.file.size(), 103), extra.begin());
    f.extras.push_back(extra);
    return encodeSiv(f);
}

} // namespace

std::vector<uint8_t> encodeMesh(const ForgeMesh& m) {
    return encodeTdsMesh(toTdsSingle(m.mesh));
}

std::vector<uint8_t> encodeScene(const ForgeScene& s) {
    return s.siv ? encodeAsSiv(s) : encodeAsTds(s);
}

uint32_t loadedFlags(const ForgeScene& s, int material) {
    const ForgeMaterial& m = s.materials[static_cast<size_t>(material)];
    if (s.siv) return m.twoSided ? 0x102u : 0x2u;
    uint32_t flags = 0;
    if (!m.texture.empty()) flags = 0x2;
    if (!m.reflection.empty()) flags |= m.texture.empty() ? 0x6u : 0x58u;
    if (!m.bump.empty()) flags |= 0x60;
    return flags ? flags : 0x1u;
}

} // namespace tw
