// The SIV reader: inflate the body in one call, then read its sections in fixed order
// through a cursor that never passes the end of the body.
#include "formats/siv.h"

#include <cstring>
#include <zlib.h>

#include "base/file_bytes.h"
#include "base/report.h"

namespace tw {

namespace {

const char* const kUnderrun = "aiai! sivread buffer underrun! kontakt support asap!\n";

// The largest expansion a single deflate stream can achieve is a little over 1032:1; a header
// that declares more than that cannot be honest, and allocating it would let a tiny file ask
// for gigabytes.
constexpr uint64_t kMaxInflateRatio = 1040;

// True when `count` records of `size` bytes fit in what is left of the body. Otherwise the
// read would pass the end, which is reported as an underrun before anything is allocated.
bool fits(const SivCursor& c, int64_t count, uint64_t size) {
    uint64_t left = c.length - c.position;
    if (count <= 0) return true;
    if (static_cast<uint64_t>(count) * size <= left) return true;
    reportOut(kUnderrun);
    return false;
}

bool readTag(SivCursor& c) {
    uint8_t tag[siv::kTagSize];
    return sivRead(c, tag, siv::kTagSize);
}

// Reads a section's tag and sizes `out` to its `count` records (none for a negative count),
// once records of at least `size` bytes each are known to fit.
template <typename T>
bool startSection(SivCursor& c, int32_t count, uint64_t size, std::vector<T>& out) {
    if (!readTag(c) || !fits(c, count, size)) return false;
    out.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return true;
}

// Reads `count` (not negative) blocks of `size` bytes into `out`, once they are known to fit.
bool readBlocks(SivCursor& c, int32_t count, uint32_t size, std::vector<uint8_t>& out) {
    if (!fits(c, count, size)) return false;
    out.resize(static_cast<size_t>(count) * size);
    return sivRead(c, out.data(), static_cast<uint32_t>(out.size()));
}

template <size_t N>
bool readRecords(SivCursor& c, int32_t count, std::vector<std::array<uint8_t, N>>& out) {
    if (!startSection(c, count, N, out)) return false;
    for (auto& rec : out) {
        if (!sivRead(c, rec.data(), N)) return false;
    }
    return true;
}

bool readObjects(SivCursor& c, int32_t count, SivScene& s) {
    if (!startSection(c, count, siv::kObjectHeaderSize, s.objects)) return false;
    for (SivObjectRecord& o : s.objects) {
        if (!sivRead(c, o.header.data(), siv::kObjectHeaderSize)) return false;
        int32_t vc = readI32(o.header.data() + 72);
        int32_t fc = readI32(o.header.data() + 76);
        o.vertexCount = vc > 0 ? vc : 0;
        o.faceCount = fc > 0 ? fc : 0;
        if (!readBlocks(c, o.vertexCount, siv::kVertexSize, o.vertices) ||
            !readBlocks(c, o.faceCount, siv::kFaceSize, o.faces))
            return false;
    }
    return true;
}

bool readTextures(SivCursor& c, int32_t count, SivScene& s) {
    if (!startSection(c, count, siv::kTextureSize, s.textures)) return false;
    for (auto& t : s.textures) {
        // Stored as the integer then the name; kept as the name then the integer.
        if (!sivRead(c, t.data() + 80, 4) || !sivRead(c, t.data(), 80)) return false;
    }
    return true;
}

bool readTracks(SivCursor& c, int32_t count, SivScene& s) {
    if (!startSection(c, count, siv::kTrackHeaderSize, s.tracks)) return false;
    for (SivTrackRecord& t : s.tracks) {
        if (!sivRead(c, t.header.data(), siv::kTrackHeaderSize)) return false;
        std::memset(t.header.data() + 24, 0, 4); // the stored field is not kept
        int32_t keys = readI32(t.header.data() + 20);
        if (keys < 0) keys = 0;
        if (!readBlocks(c, keys, siv::kKeySize, t.keys)) return false;
    }
    return true;
}

} // namespace

bool sivRead(SivCursor& cursor, void* dst, uint32_t n) {
    if (static_cast<uint64_t>(cursor.position) + n > cursor.length) {
        reportOut(kUnderrun);
        return false;
    }
    if (n > 0) std::memcpy(dst, cursor.base + cursor.position, n);
    cursor.position += n;
    return true;
}

std::string sivTextureName(const std::array<uint8_t, siv::kTextureSize>& t) {
    const char* p = reinterpret_cast<const char*>(t.data());
    return std::string(p, strnlen(p, 80));
}

std::unique_ptr<SivScene> readSiv(const std::string& path) {
    std::vector<uint8_t> file;
    if (readFileBytes(path, file) == FileRead::CannotOpen) {
        reportOut(format("Could not open %s.\n", path.c_str()));
        return nullptr;
    }
    // A file that opens but cannot be read is met as an empty one: not a SIV file.
    return readSiv(file, path);
}

std::unique_ptr<SivScene> readSiv(std::span<const uint8_t> file, const std::string& path) {
    if (file.size() < 12 || std::memcmp(file.data(), "ZSIV", 4) != 0) {
        reportOut(format("%s is not a SIV-file\n", path.c_str()));
        return nullptr;
    }
    int32_t len = readI32(file.data() + 4);
    int32_t tmplen = readI32(file.data() + 8);
    reportTrace(format("len: %d\ntmplen: %d\n\n", len, tmplen));

    // The compressed body must be in the file whole, and the declared body size must be one
    // that tmplen compressed bytes can produce; anything else cannot inflate correctly.
    bool sane = len > 0 && tmplen > 0 &&
                static_cast<uint64_t>(len) <= static_cast<uint64_t>(tmplen) * kMaxInflateRatio &&
                file.size() - 12 >= static_cast<uint64_t>(tmplen);
    std::vector<uint8_t> body;
    uLongf produced = 0;
    if (sane) {
        body.resize(static_cast<size_t>(len));
        produced = static_cast<uLongf>(len);
        sane = uncompress(body.data(), &produced, file.data() + 12, static_cast<uLong>(tmplen)) ==
               Z_OK;
    }
    if (!sane) {
        // The body would be incomplete; nothing in it can be trusted.
        reportOut(format("%s decompression error.\n", path.c_str()));
        return nullptr;
    }

    // A stream that inflates to less than `len` leaves the cursor only what it produced.
    SivCursor c{body.data(), static_cast<uint32_t>(produced), 0};
    uint8_t magic[4];
    uint8_t version[4];
    uint8_t tag[siv::kTagSize];
    // A body that ends inside a record: the underrun is reported, then the file it came from.
    auto cutShort = [&path]() -> std::unique_ptr<SivScene> {
        reportOut(
            format("%s: cut short or damaged inside its body; nothing loaded\n", path.c_str()));
        return nullptr;
    };
    if (!sivRead(c, magic, 4) || !sivRead(c, version, 4) || !sivRead(c, tag, siv::kTagSize))
        return cutShort();
    if (std::memcmp(magic, "PSIV", 4) != 0) {
        reportOut(format("%s is not a SIV-file\n", path.c_str()));
        return nullptr;
    }
    if (readI32(version) != siv::kVersion) {
        reportOut(format("%s is incorrect version.\n", path.c_str()));
        return nullptr;
    }
    if (std::memcmp(tag, "MAINCHUN", 8) != 0) {
        reportOut(format("%s is not a SIV-file\n", path.c_str()));
        return nullptr;
    }

    auto scene = std::make_unique<SivScene>();
    SivScene& s = *scene;
    if (!sivRead(c, s.header.data(), siv::kHeaderSize)) return cutShort();
    bool ok = readObjects(c, sivCount(s, 0), s) && readTextures(c, sivCount(s, 1), s) &&
              readRecords(c, sivCount(s, 2), s.materials) &&
              readRecords(c, sivCount(s, 3), s.cameras) &&
              readRecords(c, sivCount(s, 4), s.extras) && readTracks(c, sivCount(s, 5), s);
    if (!ok) return cutShort();
    return scene;
}

} // namespace tw
