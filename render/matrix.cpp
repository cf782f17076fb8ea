// 4x4 row-vector matrix operations: identity, scale, rotation, transform, 3x3 product.
#include "render/matrix.h"

#include <cmath>

namespace tw {

void setIdentity(Matrix& m) {
    m = Matrix{};
}

void setScale(Matrix& m, float sx, float sy, float sz) {
    for (auto& row : m.m)
        for (float& e : row) e = 0;
    m.m[0][0] = sx;
    m.m[1][1] = sy;
    m.m[2][2] = sz;
    m.m[3][3] = 1;
}

void setRotation(Matrix& m, float a, float b, float c) {
    const float ra = a * kRotationFactor, rb = b * kRotationFactor, rc = c * kRotationFactor;
    const float sA = std::sin(ra), cA = std::cos(ra);
    const float sB = std::sin(rb), cB = std::cos(rb);
    const float sC = std::sin(rc), cC = std::cos(rc);
    m.m[0][0] = cB * cC;
    m.m[0][1] = cB * sC;
    m.m[0][2] = -sB;
    m.m[1][0] = sA * sB * cC - cA * sC;
    m.m[1][1] = sA * sB * sC + cA * cC;
    m.m[1][2] = sA * cB;
    m.m[2][0] = cA * sB * cC + sA * sC;
    m.m[2][1] = cA * sB * sC - sA * cC;
    m.m[2][2] = cA * cB;
    m.m[0][3] = m.m[1][3] = m.m[2][3] = 0;
    m.m[3][0] = m.m[3][1] = m.m[3][2] = 0;
    m.m[3][3] = 1;
}

void concatRotation(Matrix& t, const Matrix& l) {
    float r[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r[i][j] = t.m[i][0] * l.m[0][j] + t.m[i][1] * l.m[1][j] + t.m[i][2] * l.m[2][j];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t.m[i][j] = r[i][j];
}

} // namespace tw
