// The byte builder for reader tests: little-endian fields appended in order, plus the 3DS
// chunk wrapper, so a test spells out a file the way its reader walks it.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace tw::test {

using Bytes = std::vector<uint8_t>;

struct ByteBuilder {
    Bytes b;
    ByteBuilder& u16(uint32_t v) {
        b.push_back(static_cast<uint8_t>(v & 255));
        b.push_back(static_cast<uint8_t>((v >> 8) & 255));
        return *this;
    }
    ByteBuilder& u32(uint32_t v) { return u16(v & 0xffff).u16(v >> 16); }
    ByteBuilder& i32(int32_t v) { return u32(static_cast<uint32_t>(v)); }
    ByteBuilder& f32(float f) {
        uint32_t u;
        std::memcpy(&u, &f, 4);
        return u32(u);
    }
    ByteBuilder& xyz(float x, float y, float z) { return f32(x).f32(y).f32(z); }
    // The characters and a terminating NUL.
    ByteBuilder& str(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        return *this;
    }
    // The characters in a field of `width` bytes, cut or padded with NULs.
    ByteBuilder& text(const std::string& s, size_t width) {
        for (size_t k = 0; k < width; ++k)
            b.push_back(k < s.size() ? static_cast<uint8_t>(s[k]) : 0);
        return *this;
    }
    ByteBuilder& zeros(size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    ByteBuilder& raw(const Bytes& more) {
        b.insert(b.end(), more.begin(), more.end());
        return *this;
    }
    operator Bytes() const { return b; }
};

inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A 3DS chunk: id, length including the 6-byte header, body.
inline Bytes chunk(uint16_t id, const Bytes& body) {
    return ByteBuilder().u16(id).u32(static_cast<uint32_t>(body.size() + 6)).raw(body);
}

} // namespace tw::test
