// Scene assembly: renderable cameras, materials and meshes from a SIV or a 3DS scene file.
//
// Axis conventions as loaded (the 3DS reader has already turned file (x, y, z) into
// (x, z, -y)):
//   SIV: vertices, vertex normals, object positions, camera points and key values
//        (x, -y, z); uv1 = (u, 1 - v).
//   3DS: vertices as the reader stored them; camera points at load (x, -y, z); key values and
//        default keys (-x, -y, z); uv1 = (1 - u, v).
//
// What a loaded scene never holds, so that drawing needs no checks of its own beyond the
// material index: a camera curve without keys, or a face whose vertex index lies outside its
// mesh. A mesh whose material index names no material (a 3DS group naming an unknown
// material, a SIV face naming a material that is not there, a SIV object without faces) is
// kept with index -1, and the scene renderer draws it as a material without maps.
#include "formats/scene.h"

#include "base/paths.h"
#include "base/report.h"
#include "formats/siv.h"
#include "formats/tds_scene.h"

namespace tw {

namespace {

enum { POS_X = 0, POS_Y, POS_Z, TARGET_X, TARGET_Y, TARGET_Z };

void addDefaultKeys(Camera& camera, int first, float x, float y, float z) {
    const float values[3] = {x, y, z};
    for (int i = 0; i < 3; ++i) {
        TCBKey key;
        key.time = 0;
        key.tension = 1.0f;
        key.value = values[i];
        addKey(camera.curves[first + i], key);
    }
}

bool curvesEmpty(const Camera& camera, int first) {
    return keyCount(camera.curves[first]) == 0 || keyCount(camera.curves[first + 1]) == 0 ||
           keyCount(camera.curves[first + 2]) == 0;
}

std::string texturePath(const std::string& name) {
    return dataPath(format("data/%s", name.c_str()));
}

// Drops faces that index outside the mesh, so the renderer can trust every index. Returns
// how many were dropped.
int dropBadFaces(Mesh& mesh) {
    int kept = 0;
    for (int f = 0; f < mesh.faceCount; ++f) {
        const Face& face = mesh.faces[static_cast<size_t>(f)];
        bool ok = face.a >= 0 && face.a < mesh.vertexCount && face.b >= 0 &&
                  face.b < mesh.vertexCount && face.c >= 0 && face.c < mesh.vertexCount;
        if (ok) mesh.faces[static_cast<size_t>(kept++)] = face;
    }
    int dropped = mesh.faceCount - kept;
    mesh.faceCount = kept;
    mesh.faces.resize(static_cast<size_t>(kept));
    return dropped;
}

void reportDropped(const std::string& path, int object, int dropped) {
    if (dropped > 0) {
        reportOut(format("%s: object %d: %d faces with vertex indices out of range left out\n",
                         path.c_str(), object, dropped));
    }
}

// ---- SIV -----------------------------------------------------------------------------------

// Appends the keys of every kind-1 track with identifier `id` to three curves (y negated).
void addSivTrackKeys(const SivScene& siv, int32_t id, Camera& camera, int first) {
    for (const SivTrackRecord& track : siv.tracks) {
        if (sivTrackKind(track) != 1 || sivTrackId(track) != id) continue;
        for (int k = 0; k < sivTrackKeyCount(track); ++k) {
            SivKeyRecord s = sivTrackKey(track, k);
            const float values[3] = {s.x, -s.y, s.z};
            for (int i = 0; i < 3; ++i) {
                addKey(camera.curves[first + i],
                       TCBKey{s.time, s.tension, s.continuity, s.bias, values[i]});
            }
        }
    }
}

} // namespace

void loadSivScene(Scene& scene, const std::string& path) {
    scene.isTds = 0;
    std::unique_ptr<SivScene> siv = readSiv(path);
    if (siv) assembleSivScene(scene, *siv, path);
}

void assembleSivScene(Scene& scene, const SivScene& siv, const std::string& path) {
    scene.isTds = 0;

    for (const auto& rec : siv.cameras) {
        Camera camera = makeCamera();
        SivVec3 p = sivCameraPosition(rec);
        SivVec3 t = sivCameraTarget(rec);
        setFieldOfView(camera, 30);
        lookAt(camera, 0, 0, -300, 0, 0, 0);
        lookAt(camera, p.x, -p.y, p.z, t.x, -t.y, t.z);
        camera.positionTrackId = sivCameraPositionTrack(rec);
        camera.targetTrackId = sivCameraTargetTrack(rec);
        addSivTrackKeys(siv, camera.positionTrackId, camera, POS_X);
        // A matching track without keys gets the default key too: a curve must never be
        // empty.
        if (curvesEmpty(camera, POS_X)) addDefaultKeys(camera, POS_X, p.x, -p.y, p.z);
        addSivTrackKeys(siv, camera.targetTrackId, camera, TARGET_X);
        if (curvesEmpty(camera, TARGET_X)) addDefaultKeys(camera, TARGET_X, t.x, -t.y, t.z);
        for (TCBCurve& curve : camera.curves) orderKeys(curve);
        scene.cameras.push_back(std::move(camera));
    }

    for (const auto& rec : siv.materials) {
        Material material;
        material.name = format("#%zu", scene.materials.size()); // SIV materials have no names
        material.file = path;
        setFlags(material,
                 sivMaterialTwoSided(rec) ? (MAT_TEXTURED | MAT_TWO_SIDED) : MAT_TEXTURED);
        int32_t texture = sivMaterialTexture(rec);
        if (texture >= 0 && static_cast<size_t>(texture) < siv.textures.size()) {
            loadTexture(material, SLOT_BASE,
                        texturePath(sivTextureName(siv.textures[static_cast<size_t>(texture)])));
        } else {
            reportOut(format("%s: material texture index %d out of range\n", path.c_str(),
                             static_cast<int>(texture)));
        }
        scene.materials.push_back(std::move(material));
    }

    for (size_t o = 0; o < siv.objects.size(); ++o) {
        const SivObjectRecord& obj = siv.objects[o];
        Mesh mesh;
        allocate(mesh, obj.vertexCount, obj.faceCount);
        for (int i = 0; i < obj.vertexCount; ++i) {
            Vertex& v = mesh.vertices[static_cast<size_t>(i)];
            SivVec3 p = sivVertexPosition(obj, i);
            SivVec3 n = sivVertexNormal(obj, i);
            v.x = p.x;
            v.y = -p.y;
            v.z = p.z;
            v.nx = n.x; // mirrored with the positions, so normals keep pointing outwards
            v.ny = -n.y;
            v.nz = n.z;
            v.uv1 = {sivVertexU(obj, i), 1.0f - sivVertexV(obj, i)};
        }
        for (int f = 0; f < obj.faceCount; ++f) {
            Face& face = mesh.faces[static_cast<size_t>(f)];
            face.a = sivFaceIndex(obj, f, 0);
            face.b = sivFaceIndex(obj, f, 1);
            face.c = sivFaceIndex(obj, f, 2);
        }
        // Without faces there is no first face to name a material: nothing would be drawn.
        int32_t material = obj.faceCount > 0 ? sivFaceMaterial(obj, 0) : -1;
        mesh.materialIndex =
            material >= 0 && static_cast<size_t>(material) < scene.materials.size() ? material : -1;
        reportDropped(path, static_cast<int>(o), dropBadFaces(mesh));
        for (Face& face : mesh.faces) {
            face.corner[0] = mesh.vertices[static_cast<size_t>(face.a)].uv1;
            face.corner[1] = mesh.vertices[static_cast<size_t>(face.b)].uv1;
            face.corner[2] = mesh.vertices[static_cast<size_t>(face.c)].uv1;
        }
        SivVec3 pos = sivObjectPosition(obj);
        setPosition(mesh, pos.x, -pos.y, pos.z);
        computeFaceNormals(mesh);
        scene.meshes.push_back(std::move(mesh));
    }
}

void loadTdsScene(Scene& scene, const std::string& path) {
    scene.isTds = 1;
    TdsSceneRecord tds;
    if (readTdsScene(path, tds)) assembleTdsScene(scene, tds, path);
}

void assembleTdsScene(Scene& scene, const TdsSceneRecord& tds, const std::string& path) {
    scene.isTds = 1;

    for (size_t o = 0; o < tds.objects.size(); ++o) {
        const TdsObjectRecord& obj = tds.objects[o];
        Mesh mesh;
        allocate(mesh, obj.vertexCount, obj.faceCount);
        for (int i = 0; i < obj.vertexCount; ++i) {
            Vertex& v = mesh.vertices[static_cast<size_t>(i)];
            v.x = obj.positions[static_cast<size_t>(i) * 3];
            v.y = obj.positions[static_cast<size_t>(i) * 3 + 1];
            v.z = obj.positions[static_cast<size_t>(i) * 3 + 2];
        }
        for (int f = 0; f < obj.faceCount; ++f) {
            Face& face = mesh.faces[static_cast<size_t>(f)];
            face.a = obj.faces[static_cast<size_t>(f) * 3];
            face.b = obj.faces[static_cast<size_t>(f) * 3 + 1];
            face.c = obj.faces[static_cast<size_t>(f) * 3 + 2];
        }
        reportDropped(path, static_cast<int>(o), dropBadFaces(mesh));
        for (Face& face : mesh.faces) {
            const int32_t corners[3] = {face.a, face.b, face.c};
            for (int k = 0; k < 3; ++k) {
                // A vertex without a mapping pair reads (0, 0) before the 1 - u step.
                int32_t i = corners[k];
                float u = 0, v = 0;
                if (i < obj.mappingCount) {
                    u = obj.mapping[static_cast<size_t>(i) * 2];
                    v = obj.mapping[static_cast<size_t>(i) * 2 + 1];
                }
                Vertex& vert = mesh.vertices[static_cast<size_t>(i)];
                vert.uv1 = {1.0f - u, v};
                face.corner[k] = vert.uv1;
            }
        }
        mesh.materialIndex =
            obj.materialIndex >= 0 && obj.materialIndex < static_cast<int32_t>(tds.materials.size())
                ? obj.materialIndex
                : -1;
        computeNormals(mesh);
        setPosition(mesh, 0, 0, 0);
        scene.meshes.push_back(std::move(mesh));
    }

    std::vector<Camera> cameras;
    cameras.reserve(tds.cameras.size());
    for (const TdsCameraRecord& c : tds.cameras) {
        Camera camera = makeCamera();
        camera.positionKeyCount = 0;
        camera.targetKeyCount = 0;
        setFieldOfView(camera, 45);
        lookAt(camera, c.position[0], -c.position[1], c.position[2], c.target[0], -c.target[1],
               c.target[2]);
        cameras.push_back(std::move(camera));
    }

    for (int t = 0; t < tds.trackCount; ++t) {
        const TdsTrackRecord& track = tds.tracks[static_cast<size_t>(t)];
        if (track.kind != TRACK_CAMERA && track.kind != TRACK_TARGET) continue;
        // A node whose name matched no camera has no owner and is ignored.
        if (track.owner < 0 || track.owner >= static_cast<int32_t>(cameras.size())) continue;
        Camera& camera = cameras[static_cast<size_t>(track.owner)];
        bool position = track.kind == TRACK_CAMERA;
        int32_t& count = position ? camera.positionKeyCount : camera.targetKeyCount;
        int first = position ? POS_X : TARGET_X;
        if (track.keyCount <= 1) {
            count = 0;
            continue;
        }
        count = static_cast<int32_t>(track.keyCount);
        for (uint32_t k = 0; k < track.keyCount; ++k) {
            const float values[3] = {-track.x[k], -track.y[k], track.z[k]};
            for (int i = 0; i < 3; ++i) {
                addKey(camera.curves[first + i], TCBKey{track.times[k], 1.0f, 0, 0, values[i]});
            }
        }
    }

    for (size_t i = 0; i < cameras.size(); ++i) {
        Camera& camera = cameras[i];
        const TdsCameraRecord& c = tds.cameras[i];
        if (camera.positionKeyCount == 0 || curvesEmpty(camera, POS_X)) {
            addDefaultKeys(camera, POS_X, -c.position[0], -c.position[1], c.position[2]);
        }
        if (camera.targetKeyCount == 0 || curvesEmpty(camera, TARGET_X)) {
            addDefaultKeys(camera, TARGET_X, -c.target[0], -c.target[1], c.target[2]);
        }
        for (TCBCurve& curve : camera.curves) orderKeys(curve);
        scene.cameras.push_back(std::move(camera));
    }

    for (const TdsMaterialRecord& m : tds.materials) {
        Material material;
        material.name = m.name;
        material.file = path;
        uint32_t flags = 0;
        if (m.maps & MAP_TEXTURE) {
            loadTexture(material, SLOT_BASE, texturePath(m.textureMap));
            flags = MAT_TEXTURED;
        }
        if (m.maps & MAP_REFLECTION) {
            if (m.maps & MAP_TEXTURE) {
                loadTexture(material, SLOT_SECOND, texturePath(m.reflectionMap));
                flags |= MAT_LAYERED | MAT_ENV2 | MAT_LAYER_ADD;
            } else {
                loadTexture(material, SLOT_BASE, texturePath(m.reflectionMap));
                flags |= MAT_TEXTURED | MAT_ENV1;
            }
        }
        if (m.maps & MAP_BUMP) {
            loadTexture(material, SLOT_THIRD, texturePath(m.bumpMap));
            flags |= MAT_BUMP | MAT_LAYER_ADD;
        }
        setFlags(material, flags != 0 ? flags : MAT_WIRE);
        scene.materials.push_back(std::move(material));
    }
}

} // namespace tw
