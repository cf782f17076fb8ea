// The inspector's JSON description of each kind of file, from the presentation's own readers.
#include "tools/inspect/describe.h"

#include <memory>

#include "formats/scene.h"
#include "formats/siv.h"
#include "formats/tds_mesh.h"
#include "formats/tds_scene.h"
#include "image/tga.h"

namespace tw {

namespace {

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

void texture(Json& j, const char* key, const Bitmap& b) {
    j.beginObject(key);
    j.value("loaded", b.pixels != nullptr && b.pixelCount() > 0);
    j.value("width", b.width).value("height", b.height);
    j.endObject();
}

void material(Json& j, const Material& m) {
    j.value("flags", hex(m.flags));
    texture(j, "base", m.base);
    texture(j, "second", m.second);
    texture(j, "third", m.third);
    j.value("drawable", materialDrawable(m));
}

void cameraKeys(Json& j, const Camera& c) {
    j.value("positionKeys", keyCount(c.curves[0]));
    j.value("targetKeys", keyCount(c.curves[3]));
}

void meshes(Json& j, const Scene& scene) {
    j.beginArray("meshes");
    for (const Mesh& m : scene.meshes) {
        j.beginObject();
        j.value("vertices", m.vertexCount).value("faces", m.faceCount);
        j.value("materialIndex", m.materialIndex);
        j.vec3("position", m.px, m.py, m.pz);
        j.endObject();
    }
    j.endArray();
}

} // namespace

bool describeSiv(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>& lines) {
    // The raw records, then the scene assembled from them as the presentation does.
    std::unique_ptr<SivScene> siv = readSiv(file, path);
    if (!siv) {
        error = "not a readable SIV file";
        if (!lines.empty()) {
            error += " (";
            error += lines.back().substr(0, lines.back().find('\n'));
            error += ")";
        }
        return false;
    }
    Scene scene;
    assembleSivScene(scene, *siv, path);
    j.value("kind", "siv");
    j.beginObject("counts");
    const char* names[6] = {"objects", "textures", "materials", "cameras", "extras", "tracks"};
    for (int i = 0; i < 6; ++i) j.value(names[i], sivCount(*siv, i));
    j.endObject();
    j.beginArray("objects");
    for (const SivObjectRecord& o : siv->objects) {
        j.beginObject();
        j.value("vertices", o.vertexCount).value("faces", o.faceCount);
        j.value("materialIndex", o.faceCount > 0 ? sivFaceMaterial(o, 0) : -1);
        SivVec3 p = sivObjectPosition(o);
        j.vec3("position", p.x, p.y, p.z);
        j.endObject();
    }
    j.endArray();
    j.beginArray("textures");
    for (const auto& t : siv->textures) j.value(nullptr, sivTextureName(t));
    j.endArray();
    j.beginArray("materials");
    for (size_t i = 0; i < siv->materials.size(); ++i) {
        j.beginObject();
        j.value("texture", sivMaterialTexture(siv->materials[i]));
        j.value("twoSided", sivMaterialTwoSided(siv->materials[i]));
        if (i < scene.materials.size()) material(j, scene.materials[i]);
        j.endObject();
    }
    j.endArray();
    j.beginArray("cameras");
    for (size_t i = 0; i < siv->cameras.size(); ++i) {
        const auto& c = siv->cameras[i];
        j.beginObject();
        SivVec3 p = sivCameraPosition(c), t = sivCameraTarget(c);
        j.vec3("position", p.x, p.y, p.z);
        j.vec3("target", t.x, t.y, t.z);
        j.value("positionTrack", sivCameraPositionTrack(c));
        j.value("targetTrack", sivCameraTargetTrack(c));
        if (i < scene.cameras.size()) cameraKeys(j, scene.cameras[i]);
        j.endObject();
    }
    j.endArray();
    j.beginArray("tracks");
    for (const SivTrackRecord& t : siv->tracks) {
        j.beginObject();
        j.value("kind", sivTrackKind(t)).value("id", sivTrackId(t));
        j.value("keys", sivTrackKeyCount(t));
        j.endObject();
    }
    j.endArray();
    meshes(j, scene);
    return true;
}

bool describeTds(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>&) {
    TdsSceneRecord raw;
    if (!readTdsScene(file, path, raw)) {
        error = "not a 3DS file (no main chunk 0x4D4D)";
        return false;
    }
    j.value("kind", "3ds");
    // The single-mesh reading, as the mesh scenes would load this file.
    Mesh single;
    {
        bool ok = loadTdsMesh(single, file, path);
        j.beginObject("mesh");
        j.value("readable", ok);
        j.value("vertices", single.vertexCount).value("faces", single.faceCount);
        j.endObject();
    }
    Scene scene;
    assembleTdsScene(scene, raw, path);
    j.beginObject("counts");
    j.value("objects", raw.objectCount).value("materials", raw.materialCount);
    j.value("lights", raw.lightCount).value("cameras", raw.cameraCount);
    j.value("tracks", raw.trackCount);
    j.endObject();
    j.beginArray("objects");
    for (const TdsObjectRecord& o : raw.objects) {
        j.beginObject();
        j.value("name", o.name);
        j.value("vertices", o.vertexCount).value("faces", o.faceCount);
        j.value("mapping", o.mappingCount).value("materialIndex", o.materialIndex);
        j.endObject();
    }
    j.endArray();
    j.beginArray("materials");
    for (size_t i = 0; i < raw.materials.size(); ++i) {
        const TdsMaterialRecord& m = raw.materials[i];
        j.beginObject();
        j.value("name", m.name).value("maps", hex(m.maps));
        if (m.maps & MAP_TEXTURE) j.value("textureMap", m.textureMap);
        if (m.maps & MAP_REFLECTION) j.value("reflectionMap", m.reflectionMap);
        if (m.maps & MAP_BUMP) j.value("bumpMap", m.bumpMap);
        if (i < scene.materials.size()) material(j, scene.materials[i]);
        j.endObject();
    }
    j.endArray();
    j.beginArray("cameras");
    for (size_t i = 0; i < raw.cameras.size(); ++i) {
        const TdsCameraRecord& c = raw.cameras[i];
        j.beginObject();
        j.value("name", c.name);
        j.vec3("position", c.position[0], c.position[1], c.position[2]);
        j.vec3("target", c.target[0], c.target[1], c.target[2]);
        if (i < scene.cameras.size()) cameraKeys(j, scene.cameras[i]);
        j.endObject();
    }
    j.endArray();
    j.beginArray("tracks");
    for (int t = 0; t < raw.trackCount; ++t) {
        const TdsTrackRecord& tr = raw.tracks[static_cast<size_t>(t)];
        j.beginObject();
        j.value("kind", tr.kind == TRACK_CAMERA   ? "camera"
                        : tr.kind == TRACK_TARGET ? "target"
                                                  : "light");
        j.value("owner", tr.owner).value("keys", tr.keyCount);
        if (tr.keyCount > 0) {
            j.value("firstTime", tr.times.front()).value("lastTime", tr.times.back());
        }
        j.endObject();
    }
    j.endArray();
    meshes(j, scene);
    return true;
}

bool describeTga(std::span<const uint8_t> file, const std::string& path, Json& j,
                 std::string& error, const std::vector<std::string>&) {
    Bitmap b;
    if (!readTga(b, file, path)) {
        error = "not a readable uncompressed 32-bit TGA picture";
        return false;
    }
    j.value("kind", "tga");
    j.value("width", b.width).value("height", b.height);
    j.value("widthShift", b.widthShift).value("widthMask", b.widthMask);
    bool pow2 = b.width > 0 && b.width == b.height && (b.width & (b.width - 1)) == 0;
    j.value("texture", pow2);
    return true;
}

} // namespace tw
