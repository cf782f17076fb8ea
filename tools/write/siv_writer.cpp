// SIV body layout and zlib wrapping.
#include "tools/write/siv_writer.h"

#include <cstring>
#include <stdexcept>

#include <zlib.h>

namespace tw {

namespace {

struct Out {
    std::vector<uint8_t> b;
    void i32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    void f32(float v) {
        int32_t bits;
        std::memcpy(&bits, &v, 4);
        i32(bits);
    }
    // Exactly n bytes: the text cut to n - keep (keep = 1 leaves room for a NUL), NUL-padded.
    void text(const std::string& s, size_t n, size_t keep) {
        size_t len = s.size() > n - keep ? n - keep : s.size();
        b.insert(b.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(len));
        b.insert(b.end(), n - len, 0);
    }
    void zeros(size_t n) { b.insert(b.end(), n, 0); }
    void vec(const std::array<float, 3>& v) {
        for (float c : v) f32(c);
    }
};

int32_t count32(size_t n) {
    if (n > 0x7FFFFFFF) throw std::length_error("siv: section too large");
    return static_cast<int32_t>(n);
}

} // namespace

std::vector<uint8_t> encodeSivBody(const SivFile& file) {
    Out o;
    o.text("PSIV", 4, 0);
    o.i32(file.version);
    o.text(file.headerTag, kSivTagSize, 0);

    o.text(file.name, 40, 1);
    o.i32(count32(file.objects.size()));
    o.i32(count32(file.textures.size()));
    o.i32(count32(file.materials.size()));
    o.i32(count32(file.cameras.size()));
    o.i32(count32(file.extras.size()));
    o.i32(count32(file.tracks.size()));

    o.text("OBJECTSEC", kSivTagSize, 0);
    for (const SivObject& obj : file.objects) {
        for (const SivFace& f : obj.faces) {
            size_t n = obj.vertices.size();
            if (f.a < 0 || f.b < 0 || f.c < 0 || static_cast<size_t>(f.a) >= n ||
                static_cast<size_t>(f.b) >= n || static_cast<size_t>(f.c) >= n)
                throw std::out_of_range("siv: face index outside object " + obj.name);
        }
        o.text(obj.name, 8, 0);
        o.vec(obj.position);
        o.zeros(12 + 40);
        o.i32(count32(obj.vertices.size()));
        o.i32(count32(obj.faces.size()));
        for (const SivVertex& v : obj.vertices) {
            o.vec(v.position);
            o.vec(v.normal);
            o.f32(v.u);
            o.f32(v.v);
            o.zeros(24);
        }
        for (const SivFace& f : obj.faces) {
            o.i32(f.a);
            o.i32(f.b);
            o.i32(f.c);
            o.i32(f.material);
        }
    }

    o.text("TEXTURSEC", kSivTagSize, 0);
    for (const SivTexture& t : file.textures) {
        o.i32(t.id);
        o.text(t.file, 80, 1);
    }

    o.text("MATERISEC", kSivTagSize, 0);
    for (const SivMaterial& m : file.materials) {
        o.text(m.name, 48, 1);
        o.i32(m.texture);
        o.zeros(8);
        o.b.push_back(m.twoSided ? 1 : 0);
        o.zeros(3);
    }

    o.text("CAMERASEC", kSivTagSize, 0);
    for (const SivCamera& c : file.cameras) {
        o.vec(c.position);
        o.vec(c.target);
        o.text(c.name, 16, 1);
        o.i32(c.positionTrack);
        o.i32(c.targetTrack);
    }

    o.text("EXTRASSEC", kSivTagSize, 0);
    for (const auto& e : file.extras) o.b.insert(o.b.end(), e.begin(), e.end());

    o.text("TRACKSSEC", kSivTagSize, 0);
    for (const SivTrack& t : file.tracks) {
        o.i32(t.kind);
        o.i32(0);
        o.i32(t.id);
        o.zeros(8);
        o.i32(count32(t.keys.size()));
        o.i32(0); // the reader keeps its key pointer here
        for (const SivKey& k : t.keys) {
            o.f32(k.time);
            o.vec(k.value);
            o.f32(0);
            o.f32(k.tension);
            o.f32(k.continuity);
            o.f32(k.bias);
        }
    }
    return std::move(o.b);
}

std::vector<uint8_t> wrapSivBody(const std::vector<uint8_t>& body) {
    uLongf packedSize = compressBound(static_cast<uLong>(body.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, body.data(), static_cast<uLong>(body.size()), 9) !=
        Z_OK)
        throw std::runtime_error("siv: compress2 failed");
    Out o;
    o.text("ZSIV", 4, 0);
    o.i32(count32(body.size()));
    o.i32(count32(packedSize));
    o.b.insert(o.b.end(), packed.begin(), packed.begin() + static_cast<std::ptrdiff_t>(packedSize));
    return std::move(o.b);
}

std::vector<uint8_t> encodeSiv(const SivFile& file) {
    return wrapSivBody(encodeSivBody(file));
}

} // namespace tw
