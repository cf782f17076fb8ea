// The data root and asset path joining.
#include "base/paths.h"

namespace tw {

namespace {
std::string gRoot = ".";
}

void setDataRoot(const std::string& root) {
    gRoot = root.empty() ? "." : root;
}
const std::string& dataRoot() {
    return gRoot;
}

std::string dataPath(const std::string& relative) {
    if (gRoot == ".") return relative;
    if (!gRoot.empty() && gRoot.back() == '/') return gRoot + relative;
    return gRoot + "/" + relative;
}

} // namespace tw
