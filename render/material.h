// Material: flag bits choosing the rasteriser and texture sources, plus three textures.
#pragma once

#include <cstdint>
#include <string>

#include "image/bitmap.h"

namespace tw {

enum MaterialFlags : uint32_t {
    MAT_WIRE = 0x1,
    MAT_TEXTURED = 0x2,
    MAT_ENV1 = 0x4,
    MAT_LAYERED = 0x8,
    MAT_ENV2 = 0x10,
    MAT_BUMP = 0x20,
    MAT_LAYER_ADD = 0x40,
    MAT_UNUSED_80 = 0x80, // set by some scene set-ups, tested by nothing
    MAT_TWO_SIDED = 0x100,
    MAT_ENV1_FACE = 0x200,
    MAT_ENV2_FACE = 0x400,
    MAT_UV1_VERTEX = 0x800,
    MAT_UV2_VERTEX = 0x1000,
};

struct Material {
    uint32_t flags = 0;
    Bitmap base;
    Bitmap second;
    Bitmap third;
    // Who to name when drawing refuses this material: its own name and the file it came from
    // (the scene file, or for a scene's own materials the picture it shows).
    std::string name;
    std::string file;
    // Set once drawing has said why it refuses this material, so it says so only once.
    mutable bool refusalReported = false;
};

enum TextureSlot { SLOT_BASE = 0, SLOT_SECOND = 1, SLOT_THIRD = 2 };

inline void setFlags(Material& m, uint32_t flags) {
    m.flags = flags;
}
// Reads a TGA into the slot (failures are reported by the reader). Always returns 1, loaded
// or not: the slot keeps its old bitmap when the file did not load, and drawing reports a
// material it then cannot use.
int loadTexture(Material& m, int slot, const std::string& path);
// A scene's own material: its name, its flags and its base texture read from `texture`.
void setUpMaterial(Material& m, std::string name, uint32_t flags, const std::string& texture);

// A square power-of-two texture whose widthShift and widthMask match its size: every
// wrapped texel fetch stays inside it.
bool textureUsable(const Bitmap& t);
// A height map that can be addressed with `base`'s texel indices (at least as many pixels).
bool heightMapUsable(const Bitmap& base, const Bitmap& third);

// True when the textures this material's flags will sample are usable square power-of-two
// bitmaps; the renderer draws nothing for a face whose material fails this.
bool materialDrawable(const Material& m);
// Why drawing refuses the material, or null when it is drawable.
const char* materialRefusal(const Material& m);
// Reports the refusal once per material (naming it and its file) and returns whether the
// material is drawable.
bool drawableOrReported(const Material& m);

} // namespace tw
