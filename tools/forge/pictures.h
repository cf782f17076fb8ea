// Every picture of the data set: full-frame pictures, textures, maps and text strips.
#pragma once

#include <string>
#include <vector>

#include "tools/forge/canvas.h"
#include "tools/forge/text.h"

namespace tw {

// How a picture's alpha is used, so the contact sheet can show it the way it is seen.
enum class AlphaUse {
    None,       // alpha ignored (or a mask in its own right)
    KeepsFrame, // alpha overlay: 255 keeps the frame, 0 shows the picture
    ShowsSelf,  // sprite blend: 255 shows the picture, 0 keeps the frame
};

struct Picture {
    std::string file; // name under data/
    std::string role; // one line: what the presentation does with it
    Canvas canvas;
    AlphaUse alpha = AlphaUse::None;
};

// All pictures, in a fixed order. Deterministic: no clock, no unseeded randomness.
std::vector<Picture> makePictures(const TextSetter& text);

// The opening eye (eye.tga) alone, without the text setter; the icons are cut from it.
Canvas eyePictureCanvas();

} // namespace tw
