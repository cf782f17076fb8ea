// Writing presented frames as numbered PNG files.
#include "host/png_sink.h"

#include "base/report.h"
#include "host/output_file.h"
#include "host/png_writer.h"

namespace tw {

bool PngFrameSink::present(const Bitmap& frame) {
    std::string path = dir + format("/frame_%05lld.png", static_cast<long long>(nextIndex));
    // Written under a temporary name: a failed or interrupted write leaves no partial
    // frame and keeps an earlier file of the same name.
    if (!writeFileSafely(
            path, [&](const std::string& temp) { return writePng(temp, frame); }, lastError))
        return false;
    ++written;
    return true;
}

} // namespace tw
