// Camera construction, field of view and the lookAt view basis.
#include "render/camera.h"

#include <cmath>

namespace tw {

namespace {

// The fields of view both constructors leave behind for later lookAt calls: 30 degrees by a
// slightly different factor than setFieldOfView uses. Scenes depend on this exact value.
constexpr float kLaterFovX = 0.52333337f;
constexpr float kLaterFovY = 0.39250004f;

} // namespace

void setFieldOfView(Camera& camera, float degrees) {
    camera.fovX = degrees * kFovFactor;
    camera.fovY = 0.75f * camera.fovX;
}

void lookAt(Camera& camera, float px, float py, float pz, float tx, float ty, float tz,
            float /*roll: accepted, never used*/) {
    camera.position[0] = px;
    camera.position[1] = py;
    camera.position[2] = pz;
    setIdentity(camera.view);
    const float dx = tx - px, dy = ty - py, dz = tz - pz;
    const float h = std::cos(camera.fovX / 2) / std::sin(camera.fovX / 2);
    const float k = std::cos(camera.fovY / 2) / std::sin(camera.fovY / 2);

    float rx, ry = 0, rz, ux, uy, uz, fx, fy, fz;
    const float horiz = dx * dx + dz * dz;
    const float full = horiz + dy * dy;
    if (full > 0) {
        const float inv = 1.0f / std::sqrt(full);
        fx = dx * inv;
        fy = dy * inv;
        fz = dz * inv;
    } else {
        fx = 0; // target on the eye: look down +z like an identity camera
        fy = 0;
        fz = 1;
    }
    if (horiz > 0) {
        const float invR = 1.0f / std::sqrt(horiz);
        rx = dz * invR;
        rz = -dx * invR;
        ux = -dx * dy;
        uy = horiz;
        uz = -dy * dz;
        const float invU = 1.0f / std::sqrt(ux * ux + uy * uy + uz * uz);
        ux *= invU;
        uy *= invU;
        uz *= invU;
    } else {
        // Straight above or below (or on) the eye the right vector has no length: take world
        // x as right and complete the basis with up = forward x right, as the formula would.
        rx = 1;
        rz = 0;
        ux = fy * rz - fz * ry;
        uy = fz * rx - fx * rz;
        uz = fx * ry - fy * rx;
    }
    Matrix& m = camera.view;
    m.m[0][0] = rx * h;
    m.m[1][0] = ry * h;
    m.m[2][0] = rz * h;
    m.m[0][1] = ux * k;
    m.m[1][1] = uy * k;
    m.m[2][1] = uz * k;
    m.m[0][2] = fx;
    m.m[1][2] = fy;
    m.m[2][2] = fz;
}

Camera makeCamera() {
    Camera c;
    c.fovX = 0.52358335f;
    c.fovY = 0.3926875f;
    lookAt(c, 0, 0, -300, 0, 0, 0);
    c.kind = 2;
    c.fovX = kLaterFovX;
    c.fovY = kLaterFovY;
    return c;
}

Camera makeCamera(float px, float py, float pz, float tx, float ty, float tz, float fovDegrees) {
    Camera c;
    setFieldOfView(c, fovDegrees);
    lookAt(c, px, py, pz, tx, ty, tz);
    c.kind = 2;
    c.fovX = kLaterFovX;
    c.fovY = kLaterFovY;
    return c;
}

void lookAlongCurves(Camera& camera, const Camera& animated, float time) {
    float v[6];
    for (int i = 0; i < 6; ++i) v[i] = evaluate(animated.curves[i], time);
    lookAt(camera, v[0], v[1], v[2], v[3], v[4], v[5], 0);
}

} // namespace tw
