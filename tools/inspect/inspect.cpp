// Reading one file with the presentation's own readers and describing the result as JSON.
#include "tools/inspect/inspect.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/bytes.h"
#include "base/report.h"
#include "formats/scene.h"
#include "formats/siv.h"
#include "formats/tds_mesh.h"
#include "formats/tds_scene.h"
#include "image/tga.h"

namespace tw {

namespace {

// A minimal JSON writer: objects and arrays as nested text, commas placed by a stack of
// "first item" flags.
class Json {
  public:
    std::string text;

    Json& beginObject(const char* key = nullptr) { return open(key, '{'); }
    Json& endObject() { return close('}'); }
    Json& beginArray(const char* key = nullptr) { return open(key, '['); }
    Json& endArray() { return close(']'); }
    Json& value(const char* key, const std::string& s) {
        item(key);
        quote(s);
        return *this;
    }
    Json& value(const char* key, const char* s) { return value(key, std::string(s)); }
    Json& value(const char* key, long long n) {
        item(key);
        text += std::to_string(n);
        return *this;
    }
    Json& value(const char* key, int n) { return value(key, static_cast<long long>(n)); }
    Json& value(const char* key, unsigned n) { return value(key, static_cast<long long>(n)); }
    Json& value(const char* key, bool b) {
        item(key);
        text += b ? "true" : "false";
        return *this;
    }
    Json& value(const char* key, float f) {
        item(key);
        if (!std::isfinite(f)) {
            text += "null";
        } else {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(f));
            text += buf;
        }
        return *this;
    }
    Json& vec3(const char* key, float x, float y, float z) {
        beginArray(key);
        value(nullptr, x).value(nullptr, y).value(nullptr, z);
        return endArray();
    }
    std::string finish() { return text + "\n"; }

  private:
    std::vector<bool> first_;

    void item(const char* key) {
        if (!first_.empty()) {
            if (!first_.back()) text += ",";
            first_.back() = false;
            text += '\n';
            text.append(first_.size() * 2, ' ');
        }
        if (key) {
            quote(key);
            text += ": ";
        }
    }
    Json& open(const char* key, char c) {
        item(key);
        text += c;
        first_.push_back(true);
        return *this;
    }
    Json& close(char c) {
        bool empty = first_.back();
        first_.pop_back();
        if (!empty) {
            text += '\n';
            text.append(first_.size() * 2, ' ');
        }
        text += c;
        return *this;
    }
    void quote(const std::string& s) {
        text += '"';
        for (unsigned char c : s) {
            if (c == '"' || c == '\\') {
                text += '\\';
                text += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7f) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                text += buf;
            } else {
                text += static_cast<char>(c);
            }
        }
        text += '"';
    }
};

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

// Each distinct message once: a SIV file is read twice (raw records, then assembly).
void messages(Json& j, const std::vector<std::string>& lines) {
    j.beginArray("messages");
    std::vector<std::string> seen;
    for (std::string line : lines) {
        while (!line.empty() && line.back() == '\n') line.pop_back();
        if (std::find(seen.begin(), seen.end(), line) != seen.end()) continue;
        seen.push_back(line);
        j.value(nullptr, line);
    }
    j.endArray();
}

bool inspectSiv(const std::string& path, Json& j, std::string& error,
                const std::vector<std::string>& lines) {
    // Read once for the raw records, then assemble as the presentation does.
    std::unique_ptr<SivScene> siv = readSiv(path);
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
    loadSivScene(scene, path);
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

bool inspect3ds(const std::string& path, Json& j, std::string& error) {
    Scene3ds raw;
    if (!read3dsScene(path, raw)) {
        error = "not a 3DS file (no main chunk 0x4D4D)";
        return false;
    }
    j.value("kind", "3ds");
    // The single-mesh reading, as the mesh scenes would load this file.
    Mesh single;
    {
        bool ok = load3ds(single, path);
        j.beginObject("mesh");
        j.value("readable", ok);
        j.value("vertices", single.vertexCount).value("faces", single.faceCount);
        j.endObject();
    }
    Scene scene;
    load3dsScene(scene, path);
    j.beginObject("counts");
    j.value("objects", raw.objectCount).value("materials", raw.materialCount);
    j.value("lights", raw.lightCount).value("cameras", raw.cameraCount);
    j.value("tracks", raw.trackCount);
    j.endObject();
    j.beginArray("objects");
    for (const Object3ds& o : raw.objects) {
        j.beginObject();
        j.value("name", o.name);
        j.value("vertices", o.vertexCount).value("faces", o.faceCount);
        j.value("mapping", o.mappingCount).value("materialIndex", o.materialIndex);
        j.endObject();
    }
    j.endArray();
    j.beginArray("materials");
    for (size_t i = 0; i < raw.materials.size(); ++i) {
        const Material3ds& m = raw.materials[i];
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
        const Camera3ds& c = raw.cameras[i];
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
        const Track3ds& tr = raw.tracks[static_cast<size_t>(t)];
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

bool inspectTga(const std::string& path, Json& j, std::string& error) {
    Bitmap b;
    if (!readTga(b, path)) {
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

bool endsWith(const std::string& s, const char* suffix) {
    std::string x(suffix);
    if (s.size() < x.size()) return false;
    for (size_t i = 0; i < x.size(); ++i) {
        char c = s[s.size() - x.size() + i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != x[i]) return false;
    }
    return true;
}

} // namespace

bool inspectFile(const std::string& path, std::string& json, std::string& error,
                 const std::vector<std::string>& lines) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open the file";
        return false;
    }
    uint8_t head[6] = {};
    in.read(reinterpret_cast<char*>(head), 6);
    size_t got = static_cast<size_t>(in.gcount());
    in.seekg(0, std::ios::end);
    long long size = static_cast<long long>(in.tellg());
    in.close();

    Json j;
    j.beginObject();
    j.value("file", path).value("size", size);
    bool ok = false;
    if (got >= 4 && std::equal(head, head + 4, "ZSIV")) {
        ok = inspectSiv(path, j, error, lines);
    } else if (got >= 2 && readU16(head) == 0x4D4D) {
        ok = inspect3ds(path, j, error);
    } else if (endsWith(path, ".tga")) {
        ok = inspectTga(path, j, error);
    } else if (endsWith(path, ".siv")) {
        error = "not a SIV file (no \"ZSIV\" magic)";
    } else if (endsWith(path, ".3ds")) {
        error = "not a 3DS file (no main chunk 0x4D4D)";
    } else {
        error = "unknown kind of file (expected a .tga, .3ds or .siv file)";
    }
    if (!ok) return false;
    messages(j, lines);
    j.endObject();
    json = j.finish();
    return true;
}

} // namespace tw
