// A frame sink that writes every presented frame as DIR/frame_NNNNN.png.
#pragma once

#include <string>

#include "host/platform.h"

namespace tw {

struct PngFrameSink final : FrameSink {
    explicit PngFrameSink(std::string dir) : dir(std::move(dir)) {}
    // The number in the file name is the frame's index in the whole run (0 = first frame),
    // so a run that starts writing later produces files identical to a full run's.
    int64_t nextIndex = 0;
    int64_t written = 0;
    std::string dir;
    std::string lastError;
    bool present(const Bitmap& frame) override;
    void beginFrame(int64_t index) override { nextIndex = index; }
    std::string error() const override { return lastError; }
};

} // namespace tw
