// The SIV reader on hand-built files: magic, version and tag checks, every section, the
// texture reordering, track keys, and bodies that end early or do not inflate.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

#include "base/report.h"
#include "formats/siv.h"
#include "tests/support/bytes.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

using test::ByteBuilder;
using test::Bytes;

struct Counts {
    int objects = 1, textures = 0, materials = 0, cameras = 0, extras = 0, tracks = 0;
};

// A body with the given counts; every section's content is made from simple patterns.
Bytes makeBody(const Counts& n, int version = 7, const std::string& tag = "MAINCHUNK",
               int keysPerTrack = 3) {
    ByteBuilder b;
    b.text("PSIV", 4).i32(version).text(tag, 9);
    b.zeros(40);
    for (int c : {n.objects, n.textures, n.materials, n.cameras, n.extras, n.tracks}) b.i32(c);
    b.text("OBJECTS", 9);
    for (int o = 0; o < n.objects; ++o) {
        b.zeros(8).f32(10.0f + o).f32(20).f32(30).zeros(12 + 40).i32(3).i32(1);
        for (int v = 0; v < 3; ++v)
            b.f32(1.0f + v).f32(2).f32(3).f32(0).f32(1).f32(0).f32(0.25f).f32(0.75f).zeros(24);
        b.i32(0).i32(1).i32(2).i32(o);
    }
    b.text("TEXTURES", 9);
    for (int t = 0; t < n.textures; ++t) b.i32(5 + t).text("tex" + std::to_string(t) + ".tga", 80);
    b.text("MATERIAL", 9);
    for (int m = 0; m < n.materials; ++m) b.zeros(48).i32(m).zeros(8).i32(m & 1);
    b.text("CAMERAS", 9);
    for (int c = 0; c < n.cameras; ++c)
        b.f32(0).f32(10).f32(-50).f32(0).f32(0).f32(0).zeros(16).i32(100 + c).i32(200 + c);
    b.text("EXTRA", 9);
    for (int e = 0; e < n.extras; ++e) b.text("extra", 104);
    b.text("TRACKS", 9);
    for (int t = 0; t < n.tracks; ++t) {
        b.i32(1).i32(0).i32(100 + t).zeros(8).i32(keysPerTrack).i32(0x7eadbeef);
        for (int k = 0; k < keysPerTrack; ++k) {
            for (float v : {static_cast<float>(k), 1.0f, 2.0f, 3.0f}) b.f32(v);
            b.i32(0).f32(0.5f).f32(0.25f).f32(-0.5f);
        }
    }
    return b.b;
}

Bytes compressBody(const Bytes& body, int64_t declaredLen = -1) {
    uLongf size = compressBound(body.size());
    Bytes packed(size);
    EXPECT_EQ(compress(packed.data(), &size, body.data(), body.size()), Z_OK);
    packed.resize(size);
    ByteBuilder f;
    f.text("ZSIV", 4).i32(declaredLen != -1 ? static_cast<int32_t>(declaredLen)
                                            : static_cast<int32_t>(body.size()));
    f.i32(static_cast<int32_t>(packed.size()));
    return f.raw(packed);
}

std::string tempFile(const std::string& name, const Bytes& bytes) {
    std::string path =
        ::testing::TempDir() + "siv_" + std::to_string(getpid()) + "_" + name + ".siv";
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

const std::string kUnderrun = "aiai! sivread buffer underrun! kontakt support asap!\n";
const std::string kCutShort = ": cut short or damaged inside its body; nothing loaded\n";

TEST(Siv, ReadsEverySection) {
    Counts n{2, 2, 3, 2, 1, 2};
    Bytes body = makeBody(n);
    std::string path = tempFile("full", compressBody(body));
    ReportCapture cap;
    auto s = readSiv(path);
    ASSERT_TRUE(s);
    ASSERT_EQ(cap.lines.size(), 1u);
    EXPECT_EQ(cap.lines[0], format("len: %d\ntmplen: %d\n\n", static_cast<int>(body.size()),
                                   static_cast<int>(compressBody(body).size() - 12)));
    ASSERT_EQ(s->objects.size(), 2u);
    const SivObjectRecord& o = s->objects[1];
    EXPECT_EQ(o.vertexCount, 3);
    EXPECT_EQ(o.faceCount, 1);
    EXPECT_FLOAT_EQ(sivObjectPosition(o).x, 11.0f);
    EXPECT_FLOAT_EQ(sivVertexPosition(o, 2).x, 3.0f);
    EXPECT_FLOAT_EQ(sivVertexV(o, 1), 0.75f);
    EXPECT_EQ(sivFaceIndex(o, 0, 2), 2);
    EXPECT_EQ(sivFaceMaterial(o, 0), 1);

    ASSERT_EQ(s->textures.size(), 2u);
    // Stored as integer then name; kept as the name's 80 bytes then the integer.
    EXPECT_EQ(readI32(s->textures[0].data() + 80), 5);
    EXPECT_EQ(sivTextureName(s->textures[1]), "tex1.tga");
    EXPECT_EQ(sivTextureValue(s->textures[1]), 6);

    ASSERT_EQ(s->materials.size(), 3u);
    EXPECT_EQ(sivMaterialTexture(s->materials[2]), 2);
    EXPECT_TRUE(sivMaterialTwoSided(s->materials[1]));
    ASSERT_EQ(s->cameras.size(), 2u);
    EXPECT_FLOAT_EQ(sivCameraPosition(s->cameras[0]).z, -50.0f);
    EXPECT_EQ(sivCameraPositionTrack(s->cameras[1]), 101);
    EXPECT_EQ(sivCameraTargetTrack(s->cameras[1]), 201);
    ASSERT_EQ(s->extras.size(), 1u);

    ASSERT_EQ(s->tracks.size(), 2u);
    const SivTrackRecord& t = s->tracks[1];
    EXPECT_EQ(sivTrackId(t), 101);
    EXPECT_EQ(sivTrackKeyCount(t), 3);
    EXPECT_EQ(readI32(t.header.data() + 24), 0); // the stored last field is not kept
    SivKeyRecord k = sivTrackKey(t, 2);
    EXPECT_FLOAT_EQ(k.time, 2.0f);
    EXPECT_FLOAT_EQ(k.y, 2.0f);
    EXPECT_FLOAT_EQ(k.bias, -0.5f);
}

TEST(Siv, EmptyAndNegativeCountsReadNothing) {
    // Negative counts read nothing; trailing bytes are ignored.
    Bytes body = makeBody(Counts{-3, 0, -1, -1, 0, -1});
    body.resize(body.size() + 50, 0xAB);
    ReportCapture cap;
    auto s = readSiv(tempFile("negative", compressBody(body)));
    ASSERT_TRUE(s);
    EXPECT_TRUE(s->objects.empty() && s->textures.empty() && s->materials.empty() &&
                s->cameras.empty() && s->extras.empty() && s->tracks.empty());
}

TEST(Siv, MagicVersionAndTagChecks) {
    struct Case {
        std::string name;
        Bytes file;
        std::string message; // "%s" stands for the path
    };
    Bytes good = makeBody(Counts{});
    Bytes badMagic = good;
    badMagic[0] = 'Q';
    std::vector<Case> cases = {
        {"plain", good, "%s is not a SIV-file\n"}, // an uncompressed body is not accepted
        {"version", compressBody(makeBody(Counts{}, 6)), "%s is incorrect version.\n"},
        {"bodymagic", compressBody(badMagic), "%s is not a SIV-file\n"},
        {"tag", compressBody(makeBody(Counts{}, 7, "MAINCHUMK")), "%s is not a SIV-file\n"},
        {"tag1", compressBody(makeBody(Counts{}, 7, "mAINCHUNK")), "%s is not a SIV-file\n"},
        {"tiny", Bytes{'Z', 'S'}, "%s is not a SIV-file\n"},
    };
    for (const Case& c : cases) {
        std::string path = tempFile(c.name, c.file);
        ReportCapture cap;
        EXPECT_FALSE(readSiv(path)) << c.name;
        ASSERT_FALSE(cap.lines.empty()) << c.name;
        EXPECT_EQ(cap.lines.back(), format(c.message.c_str(), path.c_str())) << c.name;
    }
    // Only the first eight characters of the tag count.
    ReportCapture cap;
    EXPECT_TRUE(readSiv(tempFile("ninth", compressBody(makeBody(Counts{}, 7, "MAINCHUNX")))));
    std::string missing = ::testing::TempDir() + "nothing/here.siv";
    EXPECT_FALSE(readSiv(missing));
    EXPECT_EQ(cap.lines.back(), format("Could not open %s.\n", missing.c_str()));
}

TEST(Siv, UnderrunStopsTheLoad) {
    Bytes body = makeBody(Counts{1, 1, 1, 1, 1, 1});
    // Every truncation of the body underruns somewhere and yields null; nothing is read past
    // the end (the sanitizer build would catch it).
    for (size_t cut = 17; cut < body.size(); cut += 7) {
        Bytes part(body.begin(), body.begin() + static_cast<long>(cut));
        ReportCapture cap;
        const std::string path = tempFile("cut", compressBody(part));
        EXPECT_FALSE(readSiv(path)) << cut;
        ASSERT_GE(cap.lines.size(), 2u);
        EXPECT_EQ(cap.lines.end()[-2], kUnderrun) << cut;
        EXPECT_EQ(cap.lines.back(), path + kCutShort) << cut;
    }
    // Counts that would need far more than the body holds are refused before allocating:
    // the object count, an object's vertex count, a track's key count.
    Bytes objects = makeBody(Counts{0, 0, 0, 0, 0, 0});
    Bytes vertices = makeBody(Counts{});
    Bytes keys = makeBody(Counts{0, 0, 0, 0, 0, 1}, 7, "MAINCHUNK", 1);
    for (auto [bytes, at] :
         {std::pair{&objects, size_t{17 + 40}}, std::pair{&vertices, size_t{90 + 72}},
          std::pair{&keys, keys.size() - 32 - 8}}) {
        std::memset(bytes->data() + at, 0x7f, 4);
        ReportCapture cap;
        EXPECT_FALSE(readSiv(tempFile("huge", compressBody(*bytes)))) << at;
        EXPECT_EQ(cap.lines.end()[-2], kUnderrun);
    }
}

TEST(Siv, DecompressionErrorsReturnNull) {
    Bytes body = makeBody(Counts{});
    Bytes file = compressBody(body);
    Bytes corrupt = file;
    for (size_t k = 14; k < corrupt.size(); k += 3) corrupt[k] ^= 0x5A;
    // Corrupt, truncated, and declared lengths short, huge and negative.
    const Bytes cases[] = {corrupt, Bytes(file.begin(), file.end() - 5),
                           compressBody(body, static_cast<int32_t>(body.size() - 1)),
                           compressBody(body, 0x7fffffff), compressBody(body, -5LL)};
    for (size_t i = 0; i < std::size(cases); ++i) {
        std::string path = tempFile("inflate" + std::to_string(i), cases[i]);
        ReportCapture cap;
        EXPECT_FALSE(readSiv(path)) << i;
        ASSERT_EQ(cap.lines.size(), 2u) << i;
        EXPECT_EQ(cap.lines[0].rfind("len: ", 0), 0u);
        EXPECT_EQ(cap.lines[1], format("%s decompression error.\n", path.c_str())) << i;
    }
    // A declared length larger than the stream inflates to: the cursor ends at what was
    // produced, so the reader still finds every section and nothing beyond.
    ReportCapture cap;
    auto s =
        readSiv(tempFile("longlen", compressBody(body, static_cast<int32_t>(body.size() + 100))));
    EXPECT_TRUE(s);
}

} // namespace
} // namespace tw
