// Application icons cut from the eye picture.
#include "tools/forge/icon.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "host/png_writer.h"
#include "tools/forge/pictures.h"

namespace tw {

const std::vector<int>& iconSizes() {
    static const std::vector<int> sizes{16, 24, 32, 48, 64, 128, 256};
    return sizes;
}

Canvas makeIcon(int size) {
    static const Canvas eye = eyePictureCanvas();
    // The picture's full-height square, centred across; the iris sits 2 pixels below its
    // middle.
    const float side = static_cast<float>(eye.height), left = 160 - side / 2, top = 0;
    const float step = side / static_cast<float>(size);
    Canvas icon = makeCanvas(size, size, Rgba{0, 0, 0, 0});
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            // Area average of the source pixels under this icon pixel, weighted by overlap.
            float x0 = left + x * step, x1 = x0 + step, y0 = top + y * step, y1 = y0 + step;
            Rgba sum{0, 0, 0, 0};
            float weight = 0;
            for (int sy = static_cast<int>(y0); sy < static_cast<int>(std::ceil(y1)); ++sy)
                for (int sx = static_cast<int>(x0); sx < static_cast<int>(std::ceil(x1)); ++sx) {
                    float w = (std::min(x1, sx + 1.0f) - std::max(x0, static_cast<float>(sx))) *
                              (std::min(y1, sy + 1.0f) - std::max(y0, static_cast<float>(sy)));
                    if (w <= 0 || sx < 0 || sy < 0 || sx >= eye.width || sy >= eye.height) continue;
                    const Rgba& p = eye.at(sx, sy);
                    sum.r += w * p.r;
                    sum.g += w * p.g;
                    sum.b += w * p.b;
                    weight += w;
                }
            Rgba c = scaled(sum, 1 / std::max(weight, 1e-6f));
            // A disc with a one-pixel soft edge.
            float r = size / 2.0f, dx = x + 0.5f - r, dy = y + 0.5f - r;
            c.a = clamp01(r - std::sqrt(dx * dx + dy * dy));
            icon.at(x, y) = c;
        }
    return icon;
}

bool writeIcons(const std::string& dir, std::string& error) {
    namespace fs = std::filesystem;
    for (int size : iconSizes()) {
        std::string n = std::to_string(size);
        fs::path folder = fs::path(dir) / "hicolor" / (n + "x" + n) / "apps";
        std::error_code ec;
        fs::create_directories(folder, ec);
        if (ec) {
            error = "cannot create " + folder.string() + ": " + ec.message();
            return false;
        }
        Canvas icon = makeIcon(size);
        std::vector<uint32_t> words = toWords(icon);
        Bitmap picture = createBitmap(size, size);
        std::copy(words.begin(), words.end(), picture.pixels);
        std::string file = (folder / "tarnwick.png").string();
        if (!writePng(file, picture, 1, true)) {
            error = "cannot write " + file;
            return false;
        }
    }
    return true;
}

} // namespace tw
