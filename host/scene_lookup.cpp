// Scene lookup by number or name and the scene listing.
#include "host/scene_lookup.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "host/stills.h"
#include "scenes/timeline.h"

namespace tw {

namespace {

bool sameName(const std::string& text, const char* name) {
    size_t i = 0;
    for (; name[i]; ++i)
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) !=
                                    static_cast<unsigned char>(name[i]))
            return false;
    return i == text.size();
}

} // namespace

bool lookupScene(const std::string& text, int& id, double& startSeconds, double& endSeconds,
                 std::string& error) {
    id = -1;
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    if (!text.empty() && *end == '\0') {
        if (n >= 1 && n <= SCENE_COUNT) id = static_cast<int>(n) - 1;
    } else {
        for (int s = 0; s < SCENE_COUNT; ++s)
            if (sameName(text, sceneName(s))) id = s;
    }
    float start = 0, stop = 0;
    if (id < 0 || !sceneInterval(id, start, stop)) {
        std::string names;
        for (int s = 0; s < SCENE_COUNT; ++s) names += std::string(s ? ", " : "") + sceneName(s);
        error = "unknown scene \"" + text + "\": give a number from 1 to " +
                std::to_string(SCENE_COUNT) + " or one of " + names;
        return false;
    }
    startSeconds = start;
    endSeconds = stop;
    return true;
}

std::string sceneListing() {
    std::string out;
    for (int s = 0; s < SCENE_COUNT; ++s) {
        float start = 0, stop = 0;
        if (!sceneInterval(s, start, stop)) continue;
        char line[96];
        std::snprintf(line, sizeof line, "%d %s %.2f %.2f %.2f\n", s + 1, sceneName(s),
                      static_cast<double>(start), static_cast<double>(stop), sceneStillTime(s));
        out += line;
    }
    return out;
}

} // namespace tw
