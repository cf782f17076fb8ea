// Scenes by number (from 1) or name, for --scene, and the table --list-scenes prints.
#pragma once

#include <string>

namespace tw {

// `text` is a number from 1 to SCENE_COUNT or a scene name (any case). On success `id` is the
// scene's id (scenes/registry.h) and `startSeconds`/`endSeconds` its window in the run;
// otherwise `error` is one line naming the valid choices.
bool lookupScene(const std::string& text, int& id, double& startSeconds, double& endSeconds,
                 std::string& error);

// One line per scene in playing order, fields separated by one space: number, name, start
// and end in seconds, and the time of its still (scripts/contact-sheet reads that).
std::string sceneListing();

} // namespace tw
