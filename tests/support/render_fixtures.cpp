// Meshes for the renderer tests, built from point and face lists.
#include "tests/support/render_fixtures.h"

namespace tw::test {

Mesh meshOf(const std::vector<Vec3>& points, const std::vector<std::array<int, 3>>& faces) {
    Mesh m;
    allocate(m, static_cast<int32_t>(points.size()), static_cast<int32_t>(faces.size()));
    for (size_t i = 0; i < points.size(); ++i) {
        m.vertices[i].x = points[i].x;
        m.vertices[i].y = points[i].y;
        m.vertices[i].z = points[i].z;
    }
    for (size_t i = 0; i < faces.size(); ++i) {
        m.faces[i].a = faces[i][0];
        m.faces[i].b = faces[i][1];
        m.faces[i].c = faces[i][2];
    }
    return m;
}

} // namespace tw::test
