// Single-precision sine and cosine for the web build, computed exactly as the x86-64 desktop
// build's C library computes them (double-precision polynomials after a quadrant reduction,
// multiply-adds fused), so that the scenes' rotations and hence the frames agree bit for bit.
// emscripten's own sinf and cosf round differently in about one case in forty.
#include <cmath>
#include <cstdint>
#include <cstring>

#ifndef TW_FUSED
#define TW_FUSED 1
#endif

namespace {

struct SinCosTable {
    double sign[4];
    double hpiInv; // 2/pi * 2^24
    double hpi;    // pi/2
    double c0, c1, s1, c2, s2, c3, s3, c4;
};

// The second table serves quadrants 2 and 3: the cosine terms negated.
constexpr SinCosTable kTables[2] = {
    {{1.0, -1.0, -1.0, 1.0},
     0x1.45f306dc9c883p+23,
     0x1.921fb54442d18p+0,
     0x1p+0,
     -0x1.ffffffd0c621cp-2,
     -0x1.555545995a603p-3,
     0x1.55553e1068f19p-5,
     0x1.1107605230bc4p-7,
     -0x1.6c087e89a359dp-10,
     -0x1.994eb3774cf24p-13,
     0x1.99343027bf8c3p-16},
    {{1.0, -1.0, -1.0, 1.0},
     0x1.45f306dc9c883p+23,
     0x1.921fb54442d18p+0,
     -0x1p+0,
     0x1.ffffffd0c621cp-2,
     -0x1.555545995a603p-3,
     -0x1.55553e1068f19p-5,
     0x1.1107605230bc4p-7,
     0x1.6c087e89a359dp-10,
     -0x1.994eb3774cf24p-13,
     -0x1.99343027bf8c3p-16},
};

// Windows onto the bits of 2/pi for the reduction of large arguments.
constexpr uint32_t kInvPio2Bits[24] = {
    0x000000a2, 0x0000a2f9, 0x00a2f983, 0xa2f9836e, 0xf9836e4e, 0x836e4e44, 0x6e4e4415, 0x4e441529,
    0x441529fc, 0x1529fc27, 0x29fc2757, 0xfc2757d1, 0x2757d1f5, 0x57d1f534, 0xd1f534dd, 0xf534ddc0,
    0x34ddc0db, 0xddc0db62, 0xc0db6295, 0xdb629599, 0x6295993c, 0x95993c43, 0x993c4390, 0x3c439041};

inline double madd(double a, double b, double c) {
#if TW_FUSED
    return std::fma(a, b, c);
#else
    return a * b + c;
#endif
}

inline uint32_t bitsOf(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

inline uint32_t top12(float f) {
    return (bitsOf(f) >> 20) & 0x7ff;
}

float poly(double x, double x2, const SinCosTable* p, int n) {
    if ((n & 1) == 0) {
        double x3 = x * x2;
        double s1 = madd(x2, p->s3, p->s2);
        double x7 = x3 * x2;
        double s = madd(x3, p->s1, x);
        return static_cast<float>(madd(x7, s1, s));
    }
    double x4 = x2 * x2;
    double c2 = madd(x2, p->c4, p->c3);
    double c1 = madd(x2, p->c1, p->c0);
    double x6 = x4 * x2;
    double c = madd(x4, p->c2, c1);
    return static_cast<float>(madd(x6, c2, c));
}

double reduceFast(double x, const SinCosTable* p, int* np) {
    double r = x * p->hpiInv;
    int n = (static_cast<int32_t>(r) + 0x800000) >> 24;
    *np = n;
    return madd(-static_cast<double>(n), p->hpi, x);
}

double reduceLarge(uint32_t xi, int* np) {
    const uint32_t* arr = &kInvPio2Bits[(xi >> 26) & 15];
    int shift = (xi >> 23) & 7;
    xi = (xi & 0xffffff) | 0x800000;
    xi <<= shift;
    uint64_t res0 = xi * arr[0];
    uint64_t res1 = static_cast<uint64_t>(xi) * arr[4];
    uint64_t res2 = static_cast<uint64_t>(xi) * arr[8];
    res0 = (res2 >> 32) | (res0 << 32);
    res0 += res1;
    uint64_t n = (res0 + (1ull << 61)) >> 62;
    res0 -= n << 62;
    double x = static_cast<double>(static_cast<int64_t>(res0));
    *np = static_cast<int>(n);
    return x * 0x1.921fb54442d18p-62;
}

float sinOrCos(float y, bool cosine) {
    double x = y;
    const SinCosTable* p = &kTables[0];
    const int odd = cosine ? 1 : 0;
    if (top12(y) < top12(0x1.921fb6p-1f)) {
        if (top12(y) < top12(0x1p-12f)) return cosine ? 1.0f : y;
        return poly(x, x * x, p, odd);
    }
    int n = 0;
    if (top12(y) < top12(120.0f)) {
        x = reduceFast(x, p, &n);
        double s = p->sign[n & 3];
        if (n & 2) p = &kTables[1];
        return poly(x * s, x * x, p, n ^ odd);
    }
    if (top12(y) < top12(INFINITY)) {
        uint32_t xi = bitsOf(y);
        int sign = static_cast<int>(xi >> 31);
        x = reduceLarge(xi, &n);
        double s = p->sign[(n + sign) & 3];
        if ((n + sign) & 2) p = &kTables[1];
        return poly(x * s, x * x, p, n ^ odd);
    }
    return (y - y) / (y - y); // NaN for infinities and NaNs
}

} // namespace

float twSinf(float x) {
    return sinOrCos(x, false);
}
float twCosf(float x) {
    return sinOrCos(x, true);
}

#if defined(__EMSCRIPTEN__)
// These take the place of the C library's functions in the WebAssembly link.
extern "C" float sinf(float x) {
    return sinOrCos(x, false);
}
extern "C" float cosf(float x) {
    return sinOrCos(x, true);
}
extern "C" void sincosf(float x, float* s, float* c) {
    *s = sinOrCos(x, false);
    *c = sinOrCos(x, true);
}
#endif
