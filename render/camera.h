// Camera: six key curves (position, target), an eye point, fields of view and a view basis.
#pragma once

#include <cstdint>

#include "anim/tcb.h"
#include "render/matrix.h"

namespace tw {

// Degrees to radians for fields of view: 3.1415/180.
constexpr float kFovFactor = 0.017452778f;

struct Camera {
    int32_t targetTrackId = 0;
    int32_t positionTrackId = 0;
    int32_t positionKeyCount = 0;
    int32_t targetKeyCount = 0;
    TCBCurve curves[6]; // position x, y, z, then target x, y, z
    float position[3] = {0, 0, 0};
    float fovX = 0;
    float fovY = 0;
    int32_t kind = 2;
    Matrix view;
};

// Default construction: fov 30 degrees, lookAt (0,0,-300)->(0,0,0), then the stored field
// of view is set to 0.52333337 / 0.39250004 for later calls: the projector cameras keep
// that narrower cone, which the scenes' projected light layers are tuned to.
Camera makeCamera();
// The same, with setFieldOfView(fovDegrees) before lookAt(p -> t); same quirk afterwards.
Camera makeCamera(float px, float py, float pz, float tx, float ty, float tz, float fovDegrees);

void setFieldOfView(Camera& camera, float degrees);
// Builds the view basis so that a visible eye-relative point has |x| <= z and |y| <= z.
// A target straight above or below the eye gets a fixed right vector (1, 0, 0), never NaN.
void lookAt(Camera& camera, float px, float py, float pz, float tx, float ty, float tz,
            float roll = 0);
// Points `camera` from the eye to the target that `animated`'s six curves (eye x, y, z, target
// x, y, z) give at `time`; the curves are read before `camera` changes, so both may be one.
void lookAlongCurves(Camera& camera, const Camera& animated, float time);

} // namespace tw
