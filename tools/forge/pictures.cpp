// The pictures: a night by cold water with one warm light, listed in the order the data set
// holds them. Each subject is drawn in its own file (see pictures_internal.h).
#include "tools/forge/pictures.h"

#include "tools/forge/pictures_internal.h"

namespace tw {

using namespace pictures;

std::vector<Picture> makePictures(const TextSetter& ts) {
    std::vector<Picture> out;
    auto put = [&](const char* file, const char* role, Canvas c) {
        AlphaUse use = AlphaUse::None;
        std::string f = file;
        if (f == "sweet.tga" || f == "sweet2.tga") use = AlphaUse::KeepsFrame;
        if (f == "euelite.tga" || f == "noelite.tga") use = AlphaUse::ShowsSelf;
        out.push_back({file, role, std::move(c), use});
    };
    // Full-frame pictures.
    put("eye.tga", "opening: the eye laid over the pulsing world", eyePicture());
    put("eye_alpha.tga", "opening: mask, 255 shows the eye, the pupil lets the world in",
        eyeMask());
    put("sweet.tga", "backdrop: overlay frame, alpha 255 keeps the frame", frameOverlay(ts));
    put("sweet2.tga", "tunnel: letterbox overlay, alpha 255 keeps the frame", letterboxOverlay(ts));
    put("blm.tga", "room: multiply, a soft vignette",
        vignette({1, 0.98f, 0.94f, 1}, hex("#7d8794"), 0.4f, 1.3f, 0));
    put("fake.tga", "room: multiply for the first six seconds, cold scanlines", scanlines());
    put("creds.tga", "credits: multiply, white with dark text", credits(ts));
    put("hot.tga", "metaballs: multiply, bright centre, ember edges", hotTint());
    put("boombox.tga", "tube: multiply, bright with a dark vignette",
        vignette(kWhite, hex("#141820"), 0.45f, 1.3f, 0.03f));
    put("skinner.tga", "tube: added, dark with a few bright marks", hudMarks(ts));
    put("end.tga", "end card", endCard(ts));
    put("euelite.tga", "spike: title card sliding in from the right", titleCard(ts, true));
    put("noelite.tga", "spike: title card sliding in from the left", titleCard(ts, false));
    put("greets.tga", "greetings ribbon, 4096x32, text where red is non-zero", greetings(ts));
    // 256x256 textures and maps.
    put("rpl.tga", "backdrop: water, tiles seamlessly for the warp", ripple());
    put("s08_back32.tga", "environment map: night sky over water with a warm light",
        sphereMap(true));
    put("s08_back33.tga", "backdrop: glow texture of the turning lattice", glowBands());
    put("jallaenv2.tga", "tube and room: soft lights, second layer", softLights());
    put("wall3.tga", "tube: wall panels", panels());
    put("wall3_b.tga", "tube: panel heights in red", heightMap(panelHeight));
    put("wall_b2.tga", "room: stone heights in red, matches tw_stone.tga", heightMap(stoneHeight));
    put("s02_lightmap.tga", "room: the viewer's lamp, floor layer", lampPool(false));
    put("s02_lightmap4.tga", "room: the viewer's lamp with reflector rings, wall layer",
        lampPool(true));
    put("tw_stone.tga", "room walls", stone());
    put("tw_floor.tga", "room floor", floorTiles());
    put("tw_glass.tga", "room glass panes", glass());
    put("tw_screen.tga", "room screen before the first live frame", testCard(ts));
    put("tw_rock.tga", "scene rock", rock());
    put("tw_ember.tga", "scene ember light", ember());
    put("tw_lights.tga", "tunnel light rings", lightStrips());
    put("tw_rust.tga", "grey scene backdrop: dark rust that the beat lifts to ember", rust());
    put("tw_frost.tga", "grey scene cold blocks: bright ice panels", frost());
    return out;
}

Canvas eyePictureCanvas() {
    return eyePicture();
}

} // namespace tw
