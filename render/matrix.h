// 4x4 row-vector matrices: points multiply on the left, row 3 is a translation.
#pragma once

namespace tw {

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Matrix {
    float m[4][4] = {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}};
};

// Degrees to radians for object rotations: 3.14/180, not pi/180. Every animation's turning
// speed is tuned with this factor, so it stays.
constexpr float kRotationFactor = 0.017444445f;

void setIdentity(Matrix& m);
void setScale(Matrix& m, float sx, float sy, float sz);
// Rx(a)*Ry(b)*Rz(c) for row vectors, angles in degrees scaled by kRotationFactor.
void setRotation(Matrix& m, float a, float b, float c);
inline Vec3 transform(const Matrix& m, float x, float y, float z) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2]};
}
// T := T*L on the 3x3 basis only (row 3 and column 3 of T untouched).
void concatRotation(Matrix& t, const Matrix& l);

} // namespace tw
