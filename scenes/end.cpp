// End picture: copies the end card over the frame every frame; syncs have no effect here.
#include "scenes/end.h"

#include "base/paths.h"
#include "image/ops.h"
#include "image/tga.h"
#include "scenes/standin.h"

namespace tw {

void setupEnd(EndScene& scene) {
    readPicture(scene.picture, dataPath("data/end.tga"), 320, 240);
}

void runEnd(EndScene& scene, Bitmap& framebuffer, float) {
    // A card that failed to load (or is too small) is never read: the frame stays as it was.
    if (scene.picture.holds(framebuffer.pixelCount())) copyBitmap(scene.picture, framebuffer);
}

} // namespace tw
