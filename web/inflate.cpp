// A small inflater for zlib streams (RFC 1950 and 1951), standing in for zlib's uncompress.
#include "zlib.h"

#include <cstdint>

namespace {

struct Huffman {
    uint16_t count[16]; // codes of each length
    uint16_t symbol[320];
};

struct Inflater {
    const uint8_t* in;
    size_t inLen;
    size_t inPos = 0;
    uint32_t bitBuf = 0;
    int bitCount = 0;
    uint8_t* out;
    size_t outLen;
    size_t outPos = 0;
    bool inputShort = false;

    int bits(int need) {
        uint32_t v = bitBuf;
        while (bitCount < need) {
            if (inPos >= inLen) {
                inputShort = true;
                return 0;
            }
            v |= static_cast<uint32_t>(in[inPos++]) << bitCount;
            bitCount += 8;
        }
        bitBuf = v >> need;
        bitCount -= need;
        return static_cast<int>(v & ((1u << need) - 1u));
    }

    // Canonical decoding, one bit at a time: -1 when out of input or no code matches.
    int decode(const Huffman& h) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= bits(1);
            if (inputShort) return -1;
            int count = h.count[len];
            if (code - count < first) return h.symbol[index + (code - first)];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        return -2;
    }
};

// Builds the tables from code lengths; false for an over-subscribed set. Incomplete sets are
// allowed (a single distance code is legal).
bool build(Huffman& h, const uint8_t* lengths, int n) {
    for (uint16_t& c : h.count) c = 0;
    for (int s = 0; s < n; ++s) h.count[lengths[s]]++;
    if (h.count[0] == n) return true;
    int left = 1;
    for (int len = 1; len < 16; ++len) {
        left <<= 1;
        left -= h.count[len];
        if (left < 0) return false;
    }
    uint16_t offs[16];
    offs[1] = 0;
    for (int len = 1; len < 15; ++len) offs[len + 1] = offs[len] + h.count[len];
    for (int s = 0; s < n; ++s)
        if (lengths[s] != 0) h.symbol[offs[lengths[s]]++] = static_cast<uint16_t>(s);
    return true;
}

constexpr uint16_t kLenBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                   31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Result codes inside the inflater.
constexpr int kDone = 0, kShortIn = 1, kShortOut = 2, kBad = 3;

int codes(Inflater& s, const Huffman& lit, const Huffman& dist) {
    for (;;) {
        int sym = s.decode(lit);
        if (sym == -1) return kShortIn;
        if (sym < 0) return kBad;
        if (sym < 256) {
            if (s.outPos >= s.outLen) return kShortOut;
            s.out[s.outPos++] = static_cast<uint8_t>(sym);
        } else if (sym == 256) {
            return kDone;
        } else {
            sym -= 257;
            if (sym >= 29) return kBad;
            size_t len = kLenBase[sym] + static_cast<size_t>(s.bits(kLenExtra[sym]));
            int dsym = s.decode(dist);
            if (dsym == -1 || s.inputShort) return kShortIn;
            if (dsym < 0 || dsym >= 30) return kBad;
            size_t d = kDistBase[dsym] + static_cast<size_t>(s.bits(kDistExtra[dsym]));
            if (s.inputShort) return kShortIn;
            if (d > s.outPos) return kBad;
            for (; len > 0; --len) {
                if (s.outPos >= s.outLen) return kShortOut;
                s.out[s.outPos] = s.out[s.outPos - d];
                ++s.outPos;
            }
        }
    }
}

int storedBlock(Inflater& s) {
    s.bitBuf = 0;
    s.bitCount = 0;
    if (s.inPos + 4 > s.inLen) return kShortIn;
    unsigned len = s.in[s.inPos] | (s.in[s.inPos + 1] << 8);
    unsigned nlen = s.in[s.inPos + 2] | (s.in[s.inPos + 3] << 8);
    s.inPos += 4;
    if (len != (~nlen & 0xffffu)) return kBad;
    for (; len > 0; --len) {
        if (s.inPos >= s.inLen) return kShortIn;
        if (s.outPos >= s.outLen) return kShortOut;
        s.out[s.outPos++] = s.in[s.inPos++];
    }
    return kDone;
}

int fixedBlock(Inflater& s) {
    static Huffman lit, dist;
    static bool ready = false;
    if (!ready) {
        uint8_t lengths[288];
        for (int i = 0; i < 288; ++i) lengths[i] = i < 144 ? 8 : i < 256 ? 9 : i < 280 ? 7 : 8;
        build(lit, lengths, 288);
        for (int i = 0; i < 30; ++i) lengths[i] = 5;
        build(dist, lengths, 30);
        ready = true;
    }
    return codes(s, lit, dist);
}

int dynamicBlock(Inflater& s) {
    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    int nlen = s.bits(5) + 257;
    int ndist = s.bits(5) + 1;
    int ncode = s.bits(4) + 4;
    if (s.inputShort) return kShortIn;
    if (nlen > 286 || ndist > 30) return kBad;
    uint8_t lengths[320] = {};
    for (int i = 0; i < ncode; ++i) lengths[kOrder[i]] = static_cast<uint8_t>(s.bits(3));
    if (s.inputShort) return kShortIn;
    Huffman lencode, lit, dist;
    if (!build(lencode, lengths, 19)) return kBad;
    int index = 0;
    while (index < nlen + ndist) {
        int sym = s.decode(lencode);
        if (sym == -1) return kShortIn;
        if (sym < 0) return kBad;
        if (sym < 16) {
            lengths[index++] = static_cast<uint8_t>(sym);
            continue;
        }
        uint8_t len = 0;
        int repeat;
        if (sym == 16) {
            if (index == 0) return kBad;
            len = lengths[index - 1];
            repeat = 3 + s.bits(2);
        } else if (sym == 17) {
            repeat = 3 + s.bits(3);
        } else {
            repeat = 11 + s.bits(7);
        }
        if (s.inputShort) return kShortIn;
        if (index + repeat > nlen + ndist) return kBad;
        while (repeat-- > 0) lengths[index++] = len;
    }
    if (lengths[256] == 0) return kBad;
    if (!build(lit, lengths, nlen) || !build(dist, lengths + nlen, ndist)) return kBad;
    return codes(s, lit, dist);
}

uint32_t adler32(const uint8_t* p, size_t n) {
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < n; ++i) {
        a = (a + p[i]) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

} // namespace

int uncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen) {
    Inflater s{source, sourceLen, 0, 0, 0, dest, *destLen};
    *destLen = 0;
    if (sourceLen < 2) return Z_BUF_ERROR;
    unsigned cmf = source[0], flg = source[1];
    if ((cmf & 15) != 8 || (cmf >> 4) > 7 || ((cmf << 8) | flg) % 31 != 0 || (flg & 0x20) != 0)
        return Z_DATA_ERROR;
    s.inPos = 2;
    int last = 0, rc = kDone;
    do {
        last = s.bits(1);
        int type = s.bits(2);
        if (s.inputShort) {
            rc = kShortIn;
            break;
        }
        rc = type == 0   ? storedBlock(s)
             : type == 1 ? fixedBlock(s)
             : type == 2 ? dynamicBlock(s)
                         : kBad;
    } while (rc == kDone && !last);
    *destLen = s.outPos;
    if (rc == kBad) return Z_DATA_ERROR;
    if (rc != kDone) return Z_BUF_ERROR;
    // The Adler-32 of the output follows, byte-aligned, most significant byte first.
    s.bitBuf = 0;
    s.bitCount = 0;
    if (s.inPos + 4 > sourceLen) return Z_BUF_ERROR;
    uint32_t want = (uint32_t{source[s.inPos]} << 24) | (uint32_t{source[s.inPos + 1]} << 16) |
                    (uint32_t{source[s.inPos + 2]} << 8) | source[s.inPos + 3];
    return adler32(dest, s.outPos) == want ? Z_OK : Z_DATA_ERROR;
}
