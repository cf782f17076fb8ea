// Writing presented frames as numbered PNG files.
#include "host/png_sink.h"

#include <cerrno>
#include <cstring>

#include "base/report.h"
#include "host/png_writer.h"

namespace tw {

bool PngFrameSink::present(const Bitmap& frame) {
    std::string path = dir + format("/frame_%05lld.png", static_cast<long long>(nextIndex));
    errno = 0;
    if (!writePng(path, frame)) {
        lastError =
            "cannot write " + path + (errno ? std::string(": ") + std::strerror(errno) : "");
        return false;
    }
    ++written;
    return true;
}

} // namespace tw
